// The stand-in host's session: the simulated Outlook exposed over COM, the add-ins registered
// for the user loaded as Outlook loads them, a real message loop for their timers, and at the
// end the check that each let go of everything. The add-in sits behind COM, so what the
// in-process session learns from the add-in's state (its toolbar name, its tag prefix) is read
// from the model instead.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "addin_loader.h"
#include "addin_ribbon.h"
#include "harness/frontend/session.h"
#include "harness/outlook/xml.h"
#include "message_watcher.h"
#include "outlook_objects.h"
#include "standin_program.h"

namespace tessaly::standin {

// OLE for the thread, as Outlook's UI thread has it; undone once the session is gone.
class OleScope {
  public:
    OleScope();
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope();

  private:
    bool ok_;
};

// The toolbar name used when the model shows no toolbar of the add-in yet.
inline constexpr std::u16string_view kDefaultToolbarName = u"Brindle";

class ComSession final : private OleScope, public frontend::Session {
  public:
    ComSession(const frontend::Profile& profile, const frontend::CommonOptions& options,
               const StandinOptions& own, frontend::Output& out, host::sim::TraceSink* trace,
               std::istream& in);
    ~ComSession() override;

    // Loads and connects every registered add-in. Throws AddinFailure.
    void Connect() override;
    // OnBeginShutdown and OnDisconnection of each add-in, then Outlook lets go of it.
    void Disconnect() override;
    bool connected() const override {
        return !addins_.empty() && disconnected_.size() < addins_.size();
    }
    // Lines as they come from the input, the message loop kept running meanwhile.
    void Interact() override;
    // A user's command ends with a turn of the message loop.
    void Execute(const frontend::Command& command) override;
    // The add-ins' process starts and message boxes, then what the shared session reports.
    void Report() override;
    // After a failed call into an add-in: Outlook lets go of every add-in without calling it
    // again. With --stats the figures; then the shutdown check, whose failure is exit
    // status 3.
    int Finish(int status) override;
    bool mustOutliveRun() const override { return leftBehind_; }

    // Runs the message loop for `duration` of real time (at least once through the queue).
    void pumpFor(std::chrono::milliseconds duration);

  private:
    // The name of the add-in's toolbar as the model shows it: the first bar that is not built
    // in and carries one of the add-in's controls; else kDefaultToolbarName.
    std::u16string ToolbarName() const override;
    // The add-in's prefix is not visible through COM: the one its controls carry.
    std::u16string TagPrefix(const host::sim::SimExplorer& window,
                             std::u16string_view toolbar) const override;
    void RunProgramCommand(const frontend::Command& command) override;

    void connect(const AddinRegistration& registration);
    void loadRibbon(LoadedAddin& addin, const std::string& name);
    void unloadRibbon(const LoadedAddin& addin, bool checkHeld);
    void abandon();
    void printStartupTimes();
    void printCalls();
    // True when everything was let go.
    bool shutdownCheck();
    // Counts what the add-ins still hold after they were released.
    std::size_t reportLeaks(std::size_t& connections);

    StandinOptions own_;
    bool launch_;
    std::istream& in_;
    std::unique_ptr<host::sim::XmlParser> parser_;
    std::unique_ptr<AddinRibbon> addinRibbon_;
    const LoadedAddin* ribbonOwner_ = nullptr;
    RibbonCallCounts lastRibbon_;
    Server server_;
    MessageBoxWatcher watcher_;
    ComPtr<IDispatch> application_;
    std::vector<ComPtr<IDispatch>> instances_;
    std::vector<std::unique_ptr<LoadedAddin>> addins_;
    std::set<const LoadedAddin*> disconnected_;
    std::uint64_t lastInvokes_ = 0;
    std::uint64_t lastLookups_ = 0;
    struct StartupTime {
        std::string name;
        double loadUs;
        double connectionUs;
    };
    std::vector<StartupTime> startupTimes_;
    bool leftBehind_ = false;
};

}  // namespace tessaly::standin
