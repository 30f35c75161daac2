// One run of the add-in inside the simulated Outlook: the world built from the profile, the
// services, the Library and the connect class, and the script commands acting on them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/tessaly.h"
#include "explorer/library.h"
#include "harness/frontend/output.h"
#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "harness/frontend/world_commands.h"
#include "harness/outlook/ribbon.h"
#include "harness/outlook/sim_host.h"
#include "harness/outlook/xml.h"
#include "sim_services.h"

namespace tessaly::sim_tool {

// A call of the host into the add-in (Create, OnConnection, ...) threw: the add-in failed to
// load or unload, which no script can go on from.
class AddinFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct SessionConfig {
    std::filesystem::path registryFile;
    bool launch = true;                               // false: print launches, start nothing
    std::optional<host::sim::UpdateMode> updateMode;  // none: the world's default
    host::sim::TraceSink* trace = nullptr;            // outlives the session
};

class Session : private frontend::WorldHost {
  public:
    Session(const frontend::Profile& profile, frontend::Output& out, const SessionConfig& config);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() override;

    // Creates the connect class, then OnConnection and OnStartupComplete.
    void Connect();
    // OnBeginShutdown and OnDisconnection, unless already disconnected.
    void Disconnect();
    bool connected() const { return static_cast<bool>(addin_); }

    // Runs one command. Throws LineError for a command that cannot run in the current state
    // (a window that does not exist, an unknown folder or item), AddinFailure when the
    // add-in's shutdown fails. Things the add-in has not built are notes, not errors.
    void Execute(const frontend::Command& command);

    // Prints every open window as `show` does, once the host's idle processing has run.
    void ShowAll() { commands_.ShowAll(); }
    // Prints the failures that the add-in's event handlers returned since the last call, and
    // the add-in errors of its ribbon.
    void ReportEventFailures();

    // How `wait` passes time; by default the virtual clock jumps ahead.
    void setWaiter(std::function<void(std::uint64_t)> waiter) { waiter_ = std::move(waiter); }
    host::sim::EventLoop& loop() { return services_.loop(); }
    PrintedMessageBoxes& messages() { return services_.messages(); }
    host::sim::World& world() { return world_; }
    host::sim::SimRibbon& ribbon() { return ribbon_; }
    const std::vector<std::shared_ptr<host::sim::SimExplorer>>& windows() const {
        return commands_.windows();
    }

  private:
    // frontend::WorldHost: the toolbar name and tag prefix are the add-in's own settings.
    std::u16string ToolbarName() const override;
    std::u16string TagPrefix(const host::sim::SimExplorer& window,
                             std::u16string_view toolbar) const override;
    void RunHostCommand(const frontend::Command& command) override;
    host::sim::SimRibbon* Ribbon() override { return &ribbon_; }
    template <class F>
    void CallAddin(const char* what, F&& call);

    frontend::Output& out_;
    // Declared before everything that holds host objects, so it is destroyed last.
    host::sim::World world_;
    host::sim::SimRibbon ribbon_{world_};
    std::unique_ptr<host::sim::XmlParser> parser_;
    SimServices services_;
    std::unique_ptr<Library> library_;
    std::shared_ptr<Tessaly> addin_;
    frontend::WorldCommands commands_;
    std::function<void(std::uint64_t)> waiter_;
};

}  // namespace tessaly::sim_tool
