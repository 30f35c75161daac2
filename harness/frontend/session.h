// One run of either program: the simulated Outlook built from the profile, the script's
// commands acting on it, and the lines both programs print after each step. What differs —
// where the add-in runs and how it is loaded and unloaded, what `wait`, `softphones`, `dial`
// and the program's own commands do, where the add-in's toolbar name comes from — is the
// derived session's.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/frontend/options.h"
#include "harness/frontend/output.h"
#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "harness/frontend/world_commands.h"
#include "harness/outlook/ribbon.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::frontend {

// A call of the host into the add-in (loading, connecting, unloading it) failed: no script
// can go on from there.
class AddinFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Session : protected WorldHost {
  public:
    // Builds the world from the profile and opens its windows; the trace starts after them,
    // with what the add-in does, and so do the failures --fail asks for.
    Session(const Profile& profile, const CommonOptions& options, Output& out,
            host::sim::TraceSink* trace);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() override;

    // Loads and connects the add-in. Throws AddinFailure.
    virtual void Connect() = 0;
    // Disconnects and unloads it, unless that happened already. Throws AddinFailure.
    virtual void Disconnect() = 0;
    virtual bool connected() const = 0;
    // Interactive mode: commands as the user types them, until quit or the end of input.
    virtual void Interact() = 0;
    // After the run, whose status is kExitOk or kExitAddinFailed: the exit status.
    virtual int Finish(int status) { return status; }
    // The session must outlive the run: what the add-in left behind points into it.
    virtual bool mustOutliveRun() const { return false; }

    // Runs one command. Throws LineError for a command that cannot run in the current state
    // (a window that does not exist, an unknown folder or item), AddinFailure when the
    // add-in's shutdown fails. Things the add-in has not built are notes, not errors.
    virtual void Execute(const Command& command) { commands_.Execute(command); }
    // Prints what happened since the last call: the failures the add-in's event handlers
    // returned, the kinds of window whose customisation the ribbon asked for, and the
    // add-in's ribbon errors.
    virtual void Report();
    // What interactive mode prints after a command, besides what it reports.
    virtual void Echo(const Command& /*command*/) {}

    // Prints every open window as `show` does, once the host's idle processing has run.
    void ShowAll() { commands_.ShowAll(); }
    host::sim::World& world() { return world_; }
    host::sim::SimRibbon& ribbon() { return ribbon_; }
    // Every window opened so far, Explorers and Inspectors, as scripts number them.
    const std::vector<std::shared_ptr<host::sim::SimWindow>>& windows() const {
        return commands_.windows();
    }

  protected:
    // `shutdown` and `fail`; the others go to RunProgramCommand.
    void RunHostCommand(const Command& command) override;
    // `wait`, `softphones`, `dial` and the program's own commands. May throw what Execute
    // documents.
    virtual void RunProgramCommand(const Command& command) = 0;
    // Without a ribbon (the stand-in host's --no-ribbon), windows show none.
    void hideRibbon() { ribbonShown_ = false; }
    host::sim::SimRibbon* Ribbon() override { return ribbonShown_ ? &ribbon_ : nullptr; }

    Output& out_;
    // Declared before everything that holds host objects, so it is destroyed last.
    host::sim::World world_;
    host::sim::SimRibbon ribbon_{world_};
    WorldCommands commands_;

  private:
    // Arms the failure, or with no times ends those of its operation.
    void Fail(const Failure& failure);

    bool ribbonShown_ = true;
};

}  // namespace tessaly::frontend
