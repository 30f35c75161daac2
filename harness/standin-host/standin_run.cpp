#include "standin_run.h"

#include <ole2.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "addin_loader.h"
#include "addin_ribbon.h"
#include "harness/frontend/default_profile.h"
#include "harness/frontend/options.h"
#include "harness/frontend/profile.h"
#include "harness/outlook/win32/msxml_parser.h"
#include "launch_tracker.h"
#include "message_watcher.h"
#include "outlook_objects.h"
#include "platform/utf.h"
#include "platform/win32/text.h"
#include "standin_options.h"
#include "standin_session.h"
#include "timer_tracker.h"

namespace tessaly::standin {

namespace {

using frontend::LineError;
using frontend::Output;

std::optional<std::string> ReadFile(const std::string& path, Output& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        out.Error(path + ": cannot open");
        return std::nullopt;
    }
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// OLE for the thread, as Outlook's UI thread has it; undone when the run ends.
class OleScope {
  public:
    OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope() {
        if (ok_) {
            OleUninitialize();
        }
    }

  private:
    bool ok_;
};

// Names the add-in in a failure of one of its calls.
template <class F>
decltype(auto) guarded(const std::string& name, F&& call) {
    try {
        return call();
    } catch (const AddinFailure& e) {
        throw AddinFailure(name + ": " + e.what());
    }
}

// One run: the world over COM, the add-ins, the commands.
class Host {
  public:
    Host(const frontend::Profile& profile, const StandinOptions& options, Output& out,
         host::sim::TraceSink* trace)
        : options_(options), out_(out), server_(world_) {
        if (options.strictOnUpdate) {
            world_.setUpdateMode(host::sim::UpdateMode::Strict);
        }
        session_ = std::make_unique<StandinSession>(
            world_, frontend::PopulateWorld(profile, world_), out_,
            options.noRibbon ? nullptr : &ribbon_,
            [this](const frontend::Command& command) { hostCommand(command); });
        // From the add-in's loading on, as tessaly-sim's: opening the profile's windows is
        // not part of it.
        world_.setTrace(trace);
        for (const auto& [operation, times] : options.failures) {
            fail(operation, times);
        }
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host() {
        // A run that stops early still holds the add-in's callbacks: they go while the
        // objects the add-in lets go of with them are still there.
        ribbon_.Unload();
        addinRibbon_.reset();
        world_.setTrace(nullptr);
    }
    // The trace gets the last call too; for a host that is kept to the end of the process.
    void endTrace() { world_.setTrace(nullptr); }

    void fail(const std::string& operation, int times) {
        if (times == 0) {
            world_.faults().Clear(operation);
        } else {
            world_.faults().Fail(operation, times);
        }
    }

    // Loads and connects every registered add-in. Throws AddinFailure.
    void connect() {
        const AddinScan scan = FindRegisteredAddins();
        for (const std::string& why : scan.skipped) {
            out_.Note("add-in not loaded: " + why);
        }
        if (scan.load.empty()) {
            out_.Note("no add-in is registered; the script runs without one");
            return;
        }
        application_ = server_.application();
        for (const AddinRegistration& registration : scan.load) {
            const std::string name = Narrow(registration.progId);
            out_.Line("addin: " + name + ": loading " + Narrow(registration.dllPath));
            auto addin = guarded(name, [&] {
                return std::make_unique<LoadedAddin>(registration, options_.invoke,
                                                     options_.launch);
            });
            addins_.push_back(std::move(addin));
            LoadedAddin& loaded = *addins_.back();
            instances_.push_back(server_.makeAddInObject(
                win32::FromWide(registration.progId.data(), registration.progId.size()),
                win32::FromWide(registration.description.data(), registration.description.size())));
            const double ms = guarded(name, [&] {
                return loaded.OnConnection(application_.get(), instances_.back().get());
            });
            out_.Line("startup: OnConnection took " + std::to_string(static_cast<long>(ms)) +
                      " ms");
            startupTimes_.push_back({name, loaded.loadMicroseconds(), ms * 1000});
            flush();
            if (!options_.noRibbon) {
                loadRibbon(loaded, name);
            }
            guarded(name, [&] { return loaded.OnStartupComplete(); });
            flush();
        }
    }

    // What Outlook asks of an add-in right after its connection: its ribbon, through
    // IRibbonExtensibility. Only one add-in's ribbon is shown.
    void loadRibbon(LoadedAddin& addin, const std::string& name) {
        if (addinRibbon_) {
            out_.Note(name + ": the host shows one add-in's ribbon; this one's is not asked for");
            return;
        }
        auto ribbon = AddinRibbon::Query(addin.object(), server_);
        if (!ribbon) {
            return;
        }
        ribbonOwner_ = &addin;
        addinRibbon_ = std::move(ribbon);
        const auto start = std::chrono::steady_clock::now();
        ribbon_.Load(*addinRibbon_, *parser_);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        // Outlook asks again for each kind of window it opens; this host has Explorers only,
        // so it asks once for another kind, which the add-in must not customise.
        const std::u16string other = u"Microsoft.Outlook.Mail.Read";
        try {
            addinRibbon_->GetCustomUI(other);
        } catch (const std::exception& e) {
            out_.Line("ribbon-error: GetCustomUI failed: " + std::string(e.what()));
        }
        for (const std::u16string& id : {std::u16string(host::kExplorerRibbonId), other}) {
            if (const auto customised = addinRibbon_->customised(id)) {
                out_.Line("ribbon: " + platform::toPrintableUtf8(id) + ": " +
                          (*customised ? "customised" : "not customised"));
            }
        }
        out_.Line("startup: the ribbon took " + std::to_string(static_cast<long>(ms)) + " ms");
        flush();
    }

    // Outlook drops the add-in's customisation with its connection; the add-in must have let
    // go of the IRibbonUI by then.
    void unloadRibbon(const LoadedAddin& addin, bool checkHeld) {
        if (ribbonOwner_ != &addin) {
            return;
        }
        if (checkHeld) {
            out_.Line(ribbon_.ribbonUIReferencesHeldByAddin() > 0
                          ? "leak: IRibbonUI still held after OnDisconnection"
                          : "shutdown: no IRibbonUI held after OnDisconnection");
        }
        ribbon_.Unload();
        addinRibbon_.reset();
        ribbonOwner_ = nullptr;
    }

    // OnBeginShutdown and OnDisconnection of each add-in, then Outlook lets go of it.
    void disconnect() {
        world_.Idle();
        for (auto& addin : addins_) {
            if (!connected_.insert(addin.get()).second) {
                continue;
            }
            const std::string name = Narrow(addin->registration().progId);
            guarded(name, [&] { return addin->OnBeginShutdown(); });
            flush();
            const double ms = guarded(name, [&] { return addin->OnDisconnection(); });
            out_.Line("shutdown: OnDisconnection took " + std::to_string(static_cast<long>(ms)) +
                      " ms");
            unloadRibbon(*addin, true);
            flush();
            addin->Release();
        }
        instances_.clear();
        application_.reset();
    }
    bool connected() const { return !addins_.empty() && connected_.size() < addins_.size(); }

    // After a call into an add-in failed: Outlook lets go of every add-in it still holds
    // without calling it again, so the shutdown check measures what the failure left.
    void abandon() {
        for (auto& addin : addins_) {
            unloadRibbon(*addin, false);
            if (connected_.insert(addin.get()).second) {
                addin->Release();
            }
        }
        instances_.clear();
        application_.reset();
    }

    // Throws LineError or AddinFailure.
    void execute(const StandinCommand& command) {
        switch (command.kind) {
            case StandinCommand::Kind::Fail:
                fail(command.operation, command.times);
                return;
            case StandinCommand::Kind::Calls:
                printCalls();
                return;
            case StandinCommand::Kind::Sim:
                break;
        }
        session_->Execute(command.sim);
        pumpFor(std::chrono::milliseconds(0));
    }

    // The commands the session leaves to the host: `wait`, `shutdown`, `softphones`, `dial`.
    // Throws AddinFailure.
    void hostCommand(const frontend::Command& sim) {
        switch (sim.verb) {
            case frontend::Verb::Wait:
                pumpFor(std::chrono::milliseconds(sim.number));
                break;
            case frontend::Verb::Shutdown:
                if (!connected()) {
                    out_.Note("the add-in is not connected; shutdown has no effect");
                }
                disconnect();
                break;
            case frontend::Verb::Softphones:
            case frontend::Verb::Dial:
                out_.Note(std::string(frontend::VerbName(sim.verb)) +
                          " is not available in the stand-in host: the add-in owns the "
                          "softphone list");
                break;
            default:
                break;
        }
    }

    // Runs the message loop for `duration` of real time (at least once through the queue).
    void pumpFor(std::chrono::milliseconds duration) {
        const auto deadline = std::chrono::steady_clock::now() + duration;
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            // The queue is empty: Office reports the bars' changes now.
            world_.Idle();
            flush();
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) {
                break;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            MsgWaitForMultipleObjects(
                0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left, 20)), QS_ALLINPUT);
        }
    }

    // Process starts and message box lines, then the failures the add-in's handlers returned.
    void flush() {
        for (const std::string& line : TakeLaunchLines()) {
            out_.Line(line);
        }
        for (const std::string& line : watcher_.take()) {
            out_.Line(line);
        }
        for (const host::sim::EventFailure& failure : world_.eventFailures()) {
            out_.Line("event-error: " + failure.event + ": " + failure.what);
        }
        world_.clearEventFailures();
        for (const std::string& error : ribbon_.errors()) {
            out_.Line("ribbon-error: " + error);
        }
        ribbon_.clearErrors();
    }

    // For --stats: what loading and connecting each add-in took, to the microsecond.
    void printStartupTimes() {
        for (const StartupTime& time : startupTimes_) {
            out_.Line("stats: " + time.name + ": load=" + std::to_string(std::lround(time.loadUs)) +
                      " us on-connection=" + std::to_string(std::lround(time.connectionUs)) +
                      " us");
        }
    }

    void printCalls() {
        CallCounts& counts = server_.registry().counts();
        unsigned repeated = 0;
        for (const auto& [key, n] : counts.lookups) {
            repeated += n > 1 ? 1 : 0;
        }
        out_.Line("calls: invoke=" + std::to_string(counts.invokes) + " (+" +
                  std::to_string(counts.invokes - lastInvokes_) +
                  ") get-ids-of-names=" + std::to_string(counts.getIdsOfNames) + " (+" +
                  std::to_string(counts.getIdsOfNames - lastLookups_) +
                  ") repeated-lookups=" + std::to_string(repeated));
        for (const auto& [key, n] : counts.lookups) {
            if (n > 1) {
                out_.Line("calls: repeated " + counts.objectTypes[key.first] + "#" +
                          std::to_string(key.first) + "." + Narrow(key.second) + " x" +
                          std::to_string(n));
            }
        }
        lastInvokes_ = counts.invokes;
        lastLookups_ = counts.getIdsOfNames;
        if (addinRibbon_) {
            const RibbonCallCounts& ribbon = addinRibbon_->counts();
            out_.Line("calls: ribbon callbacks invoke=" + std::to_string(ribbon.invokes) + " (+" +
                      std::to_string(ribbon.invokes - lastRibbon_.invokes) +
                      ") get-ids-of-names=" + std::to_string(ribbon.getIdsOfNames) + " (+" +
                      std::to_string(ribbon.getIdsOfNames - lastRibbon_.getIdsOfNames) + ")");
            lastRibbon_ = ribbon;
        }
    }

    // After the add-ins are released: what is still referenced, what is still advised, the
    // add-in's timers still set, DllCanUnloadNow, FreeLibrary. True when everything was let go.
    bool shutdownCheck() {
        pumpFor(std::chrono::milliseconds(0));
        std::size_t objects = 0;
        std::size_t connections = 0;
        for (const auto& [serial, object] : server_.registry().live()) {
            ++objects;
            const std::string type = server_.registry().counts().objectTypes[serial];
            if (!object) {
                out_.Line("leak: " + type + " #" + std::to_string(serial) + " is still referenced");
                continue;
            }
            out_.Line("leak: " + type + " #" + std::to_string(serial) + " holds " +
                      std::to_string(object->references()) + " reference(s)");
            if (const std::size_t n = object->connections()) {
                connections += n;
                out_.Line("leak: " + type + " #" + std::to_string(serial) + " has " +
                          std::to_string(n) + " connection(s)");
            }
        }
        const std::vector<SetTimerRecord> timers = TimersStillSet();
        for (const SetTimerRecord& timer : timers) {
            out_.Line("leak: timer " + std::to_string(timer.id) + " (" +
                      std::to_string(timer.elapse) + " ms" + (timer.window ? ", of a window" : "") +
                      ") is still set");
        }
        out_.Line("check: objects=" + std::to_string(objects) + " connections=" +
                  std::to_string(connections) + " timers=" + std::to_string(timers.size()));
        bool clean = objects == 0 && timers.empty();
        for (auto& addin : addins_) {
            if (addin->trackedTimerImports() == 0) {
                out_.Note(
                    "the add-in imports neither SetTimer nor KillTimer; its timers are "
                    "not tracked");
            }
            const HRESULT hr = addin->DllCanUnloadNow();
            out_.Line("unload: DllCanUnloadNow returned " + (hr == S_OK ? std::string("S_OK")
                                                             : hr == S_FALSE
                                                                 ? std::string("S_FALSE")
                                                                 : HresultText(hr)));
            // A timer still set would fire into the unloaded DLL.
            if (hr == S_OK && connections == 0 && timers.empty()) {
                addin->FreeLibrary();
            } else {
                clean = false;
                out_.Note("the add-in's DLL stays loaded");
            }
        }
        return clean;
    }

  private:
    const StandinOptions& options_;
    Output& out_;
    host::sim::World world_;
    // The Explorer windows' ribbon and the add-in's side of it, over COM.
    host::sim::SimRibbon ribbon_{world_};
    std::unique_ptr<host::sim::XmlParser> parser_ = host::sim::MakeMsXmlParser();
    std::unique_ptr<AddinRibbon> addinRibbon_;
    const LoadedAddin* ribbonOwner_ = nullptr;
    RibbonCallCounts lastRibbon_;
    Server server_;
    std::unique_ptr<StandinSession> session_;
    MessageBoxWatcher watcher_;
    ComPtr<IDispatch> application_;
    std::vector<ComPtr<IDispatch>> instances_;
    std::vector<std::unique_ptr<LoadedAddin>> addins_;
    std::set<const LoadedAddin*> connected_;
    std::uint64_t lastInvokes_ = 0;
    std::uint64_t lastLookups_ = 0;
    struct StartupTime {
        std::string name;
        double loadUs;
        double connectionUs;
    };
    std::vector<StartupTime> startupTimes_;
};

// Interactive input: a reader thread hands over lines, the main thread keeps pumping.
class LineReader {
  public:
    explicit LineReader(std::istream& in) : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        std::thread([this, &in] {
            std::string line;
            while (std::getline(in, line)) {
                push(std::move(line));
            }
            push(std::nullopt);
        }).detach();  // a read cannot be interrupted; the process ends with it blocked
    }
    HANDLE event() const { return event_.get(); }
    // Nothing while no line is there; an empty optional inside for end of input.
    std::optional<std::optional<std::string>> next() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (lines_.empty()) {
            return std::nullopt;
        }
        auto line = std::move(lines_.front());
        lines_.pop_front();
        return line;
    }

  private:
    void push(std::optional<std::string> line) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(std::move(line));
        }
        SetEvent(event_.get());
    }
    win32::UniqueHandle event_;
    std::mutex mutex_;
    std::deque<std::optional<std::string>> lines_;
};

void RunInteractive(Host& host, Output& out, std::istream& in) {
    // Shared with the reader thread until the process ends.
    auto* reader = new LineReader(in);
    int number = 0;
    for (;;) {
        out.Prompt("tessaly> ");
        std::optional<std::optional<std::string>> line;
        while (!(line = reader->next())) {
            const HANDLE event = reader->event();
            MsgWaitForMultipleObjects(1, &event, FALSE, 20, QS_ALLINPUT);
            host.pumpFor(std::chrono::milliseconds(0));
        }
        if (!*line || **line == "quit") {
            return;
        }
        ++number;
        if (**line == "help") {
            out.Prompt(StandinHelpText());
            continue;
        }
        try {
            if (auto command = ParseStandinLine(**line, number)) {
                host.execute(*command);
            }
        } catch (const LineError& e) {
            out.Error("<stdin>:" + std::to_string(e.line()) + ": " + e.what());
        }
        host.flush();
    }
}

}  // namespace

int Run(const std::vector<std::string>& args, Output& out, std::istream& in, bool inIsTerminal) {
    StandinOptions options;
    try {
        options = ParseStandinOptions(args);
    } catch (const frontend::UsageError& e) {
        out.Error(std::string(e.what()) + " (see tessaly-standin --help)");
        return kExitBadInput;
    }
    if (options.help) {
        out.Prompt(StandinHelpText());
        return kExitOk;
    }

    std::string profileName(frontend::kDefaultProfileName);
    std::string profileText(frontend::DefaultProfileText());
    if (options.profile) {
        profileName = *options.profile;
        auto text = ReadFile(profileName, out);
        if (!text) {
            return kExitBadInput;
        }
        profileText = std::move(*text);
    }
    frontend::Profile profile;
    try {
        profile = frontend::ParseProfile(profileText);
    } catch (const LineError& e) {
        out.Error(profileName + ":" + std::to_string(e.line()) + ": " + e.what());
        return kExitBadInput;
    }

    const bool interactive = options.interactive || (!options.script && inIsTerminal);
    std::string scriptName = "<stdin>";
    std::vector<StandinCommand> commands;
    if (!interactive) {
        std::string scriptText;
        if (options.script && *options.script != "-") {
            scriptName = *options.script;
            auto text = ReadFile(scriptName, out);
            if (!text) {
                return kExitBadInput;
            }
            scriptText = std::move(*text);
        } else {
            scriptText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        try {
            commands = ParseStandinScript(scriptText);
        } catch (const LineError& e) {
            out.Error(scriptName + ":" + std::to_string(e.line()) + ": " + e.what());
            return kExitBadInput;
        }
    }

    // Outlives the host, which writes to it until the end.
    frontend::TraceFile trace;
    if (!trace.Open(options.trace, out)) {
        return kExitBadInput;
    }
    OleScope ole;
    // Kept when the add-in left objects behind: they point into the world, and the add-in's
    // DLL may still call them; the process ends without tearing either down.
    auto host = std::make_unique<Host>(profile, options, out, trace.sink());
    int status = kExitOk;
    try {
        host->connect();
        if (interactive) {
            RunInteractive(*host, out, in);
        } else {
            for (const StandinCommand& command : commands) {
                try {
                    host->execute(command);
                } catch (const LineError& e) {
                    host->flush();
                    out.Error(scriptName + ":" + std::to_string(e.line()) + ": " + e.what());
                    return kExitBadInput;
                }
                host->flush();
            }
        }
        host->disconnect();
        host->flush();
    } catch (const AddinFailure& e) {
        host->flush();
        out.Error(std::string("add-in: ") + e.what());
        host->abandon();
        if (!host->shutdownCheck()) {
            host->endTrace();
            static_cast<void>(host.release());
        }
        return kExitAddinFailed;
    }
    if (options.stats) {
        host->printStartupTimes();
        host->printCalls();
    }
    if (!host->shutdownCheck()) {
        host->endTrace();
        static_cast<void>(host.release());
        status = kExitUncleanShutdown;
    }
    return status;
}

}  // namespace tessaly::standin
