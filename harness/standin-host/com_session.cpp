#include "com_session.h"

#include <ole2.h>

#include "harness/frontend/control_names.h"
#include "harness/outlook/win32/msxml_parser.h"
#include "launch_tracker.h"
#include "platform/win32/text.h"
#include "standin_console.h"

namespace tessaly::standin {

namespace sim = host::sim;
using frontend::Command;
using frontend::Verb;

namespace {

// Names the add-in in a failure of one of its calls, which ends the run.
template <class F>
decltype(auto) guarded(const std::string& name, F&& call) {
    try {
        return call();
    } catch (const AddinFailure& e) {
        throw frontend::AddinFailure(name + ": " + e.what());
    }
}

}  // namespace

OleScope::OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}

OleScope::~OleScope() {
    if (ok_) {
        OleUninitialize();
    }
}

ComSession::ComSession(const frontend::Profile& profile, const frontend::CommonOptions& options,
                       const StandinOptions& own, frontend::Output& out, sim::TraceSink* trace,
                       std::istream& in)
    : Session(profile, options, out, trace),
      own_(own),
      launch_(!options.noLaunch),
      in_(in),
      parser_(sim::MakeMsXmlParser()),
      server_(world_) {
    if (own.noRibbon) {
        hideRibbon();
    }
}

ComSession::~ComSession() {
    // A run that stops early still holds the add-in's callbacks: they go while the objects
    // the add-in lets go of with them are still there.
    ribbon_.Unload();
    addinRibbon_.reset();
    world_.setTrace(nullptr);
}

void ComSession::Connect() {
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
        connect(registration);
    }
}

void ComSession::connect(const AddinRegistration& registration) {
    const std::string name = Narrow(registration.progId);
    out_.Line("addin: " + name + ": loading " + Narrow(registration.dllPath));
    auto addin = guarded(
        name, [&] { return std::make_unique<LoadedAddin>(registration, own_.invoke, launch_); });
    addins_.push_back(std::move(addin));
    LoadedAddin& loaded = *addins_.back();
    instances_.push_back(server_.makeAddInObject(
        win32::FromWide(registration.progId.data(), registration.progId.size()),
        win32::FromWide(registration.description.data(), registration.description.size())));
    const double ms = guarded(
        name, [&] { return loaded.OnConnection(application_.get(), instances_.back().get()); });
    out_.Line("startup: OnConnection took " + std::to_string(static_cast<long>(ms)) + " ms");
    startupTimes_.push_back({name, loaded.loadMicroseconds(), ms * 1000});
    Report();
    if (!own_.noRibbon) {
        loadRibbon(loaded, name);
    }
    guarded(name, [&] { return loaded.OnStartupComplete(); });
    Report();
}

// What Outlook asks of an add-in right after its connection: its ribbon, through
// IRibbonExtensibility, which the model keeps for the kinds of window that open later. Only
// one add-in's ribbon is shown.
void ComSession::loadRibbon(LoadedAddin& addin, const std::string& name) {
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
    // The Explorer's customisation now; another kind of window's when the first one opens.
    ribbon_.Load(*addinRibbon_, *parser_);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    Report();
    out_.Line("startup: the ribbon took " + std::to_string(static_cast<long>(ms)) + " ms");
}

// Outlook drops the add-in's customisation with its connection; the add-in must have let go
// of the IRibbonUI by then.
void ComSession::unloadRibbon(const LoadedAddin& addin, bool checkHeld) {
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

void ComSession::Disconnect() {
    world_.Idle();
    for (auto& addin : addins_) {
        if (!disconnected_.insert(addin.get()).second) {
            continue;
        }
        const std::string name = Narrow(addin->registration().progId);
        guarded(name, [&] { return addin->OnBeginShutdown(); });
        Report();
        const double ms = guarded(name, [&] { return addin->OnDisconnection(); });
        out_.Line("shutdown: OnDisconnection took " + std::to_string(static_cast<long>(ms)) +
                  " ms");
        unloadRibbon(*addin, true);
        Report();
        addin->Release();
    }
    instances_.clear();
    application_.reset();
}

// After a call into an add-in failed: Outlook lets go of every add-in it still holds without
// calling it again, so the shutdown check measures what the failure left.
void ComSession::abandon() {
    for (auto& addin : addins_) {
        unloadRibbon(*addin, false);
        if (disconnected_.insert(addin.get()).second) {
            addin->Release();
        }
    }
    instances_.clear();
    application_.reset();
}

void ComSession::Execute(const Command& command) {
    Session::Execute(command);
    if (!frontend::IsHostCommand(command.verb)) {
        pumpFor(std::chrono::milliseconds(0));
    }
}

void ComSession::RunProgramCommand(const Command& command) {
    switch (command.verb) {
        case Verb::Wait:
            pumpFor(std::chrono::milliseconds(command.number));
            break;
        case Verb::Softphones:
        case Verb::Dial:
            out_.Note(std::string(frontend::VerbName(command.verb)) +
                      " is not available in the stand-in host: the add-in owns the "
                      "softphone list");
            break;
        case Verb::Calls:
            printCalls();
            break;
        default:
            break;
    }
}

void ComSession::pumpFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // The queue is empty: Office reports the bars' changes now.
        world_.Idle();
        Report();
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<long long>(left, 20)), QS_ALLINPUT);
    }
}

void ComSession::Report() {
    for (const std::string& line : TakeLaunchLines()) {
        out_.Line(line);
    }
    for (const std::string& line : watcher_.take()) {
        out_.Line(line);
    }
    Session::Report();
}

void ComSession::Interact() {
    PumpingLineSource lines(in_, *this);
    frontend::Interact(*this, lines, out_, StandinHelpText(), kOwnVerbs);
}

std::u16string ComSession::ToolbarName() const {
    for (const auto& shown : windows()) {
        const auto* window = dynamic_cast<const sim::SimExplorer*>(shown.get());
        if (!window || window->closed() || !window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            if (bar->builtIn() || !bar->alive()) {
                continue;
            }
            for (const auto& control : bar->controls()) {
                if (frontend::ControlOfTag(control->tag())) {
                    return bar->name();
                }
            }
        }
    }
    return std::u16string(kDefaultToolbarName);
}

std::u16string ComSession::TagPrefix(const sim::SimExplorer& /*window*/,
                                     std::u16string_view /*toolbar*/) const {
    for (const auto& shown : windows()) {
        const auto* window = dynamic_cast<const sim::SimExplorer*>(shown.get());
        if (!window || !window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            for (const auto& control : bar->controls()) {
                if (auto prefix = frontend::PrefixOfTag(control->tag())) {
                    return *prefix;
                }
            }
        }
    }
    return {};
}

}  // namespace tessaly::standin
