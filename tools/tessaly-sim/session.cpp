#include "session.h"

#include "utf8.h"

namespace tessaly::sim_tool {

namespace sim = host::sim;

namespace {

constexpr std::u16string_view kFallbackToolbarName = u"Brindle";

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string WindowName(const Command& command) {
    return "window " + std::to_string(*command.window);
}

}  // namespace

Session::Session(const Profile& profile, Output& out, const SessionConfig& config)
    : out_(out), services_(out, config.registryFile, config.launch) {
    windows_ = PopulateWorld(profile, world_);
    library_ = std::make_unique<Library>(services_.services());
    waiter_ = [this](std::uint64_t ms) { loop().Advance(ms); };
}

Session::~Session() {
    // A run stopped by an error still unloads the add-in, as Outlook does when it exits, so
    // that it lets go of its host objects before the world that owns them goes away.
    if (addin_) {
        try {
            addin_->IDTExtensibility2_OnBeginShutdown();
            addin_->IDTExtensibility2_OnDisconnection(host::DisconnectMode::HostShutdown);
        } catch (const std::exception&) {
        }
    }
    addin_.reset();
    windows_.clear();
    library_.reset();
}

template <class F>
void Session::CallAddin(const char* what, F&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        throw AddinFailure(std::string(what) + ": " + e.what());
    }
}

void Session::Connect() {
    CallAddin("Create", [&] { addin_ = Tessaly::Create(*library_); });
    CallAddin("OnConnection", [&] {
        addin_->IDTExtensibility2_OnConnection(world_.application(), host::ConnectMode::Startup);
    });
    CallAddin("OnStartupComplete", [&] { addin_->IDTExtensibility2_OnStartupComplete(); });
}

void Session::Disconnect() {
    if (!addin_) {
        return;
    }
    // Outlook releases the add-in after disconnecting it, whether or not the calls worked.
    const auto addin = std::move(addin_);
    CallAddin("OnBeginShutdown", [&] { addin->IDTExtensibility2_OnBeginShutdown(); });
    CallAddin("OnDisconnection", [&] {
        addin->IDTExtensibility2_OnDisconnection(host::DisconnectMode::HostShutdown);
    });
}

void Session::ReportEventFailures() {
    for (const sim::EventFailure& failure : world_.eventFailures()) {
        out_.Line("event-error: " + failure.event + ": " + failure.what);
    }
    world_.clearEventFailures();
}

sim::SimExplorer& Session::Window(const Command& command) {
    const auto n = static_cast<std::size_t>(*command.window);
    if (n > windows_.size()) {
        throw LineError(command.line, "there is no window " + std::to_string(n));
    }
    sim::SimExplorer& window = *windows_[n - 1];
    if (window.closed()) {
        throw LineError(command.line, "window " + std::to_string(n) + " is closed");
    }
    return window;
}

std::shared_ptr<sim::SimFolder> Session::Folder(const Command& command,
                                                const std::string& name) const {
    if (auto folder = world_.FindFolder(ToUtf16(name))) {
        return folder;
    }
    throw LineError(command.line, "unknown folder " + Quoted(name));
}

std::u16string Session::ToolbarName() const {
    const std::u16string& name = library_->common.sToolbarName;
    return name.empty() ? std::u16string(kFallbackToolbarName) : name;
}

std::shared_ptr<sim::SimControl> Session::FindControl(const sim::SimExplorer& window,
                                                      ControlName control) const {
    const auto& bars = window.commandBars();
    if (!window.commandBarsReady() || !bars) {
        return nullptr;
    }
    // The add-in's own toolbar first: a user may have put a copy elsewhere.
    auto toolbar = bars->find(ToolbarName());
    std::vector<std::shared_ptr<sim::SimCommandBar>> order;
    if (toolbar) {
        order.push_back(toolbar);
    }
    for (const auto& bar : bars->bars()) {
        if (bar != toolbar) {
            order.push_back(bar);
        }
    }
    for (const auto& bar : order) {
        if (!bar->alive()) {
            continue;
        }
        for (const auto& c : bar->controls()) {
            if (c->alive() && ControlOfTag(c->tag()) == control) {
                return c;
            }
        }
    }
    return nullptr;
}

std::shared_ptr<sim::SimControl> Session::RequireControl(const Command& command,
                                                         sim::SimExplorer& window) {
    const std::string verb(VerbName(command.verb));
    if (!window.commandBarsReady()) {
        out_.Note(WindowName(command) + ": command bars not ready yet; " + verb + " has no effect");
        return nullptr;
    }
    auto control = FindControl(window, command.control);
    if (!control) {
        out_.Note(WindowName(command) + " has no " + std::string(NameOf(command.control)) +
                  " control; " + verb + " has no effect");
    }
    return control;
}

void Session::Execute(const Command& command) {
    switch (command.verb) {
        case Verb::Open:
            Open(command);
            break;
        case Verb::Activate:
            world_.Activate(Window(command));
            break;
        case Verb::Select:
            Select(command);
            break;
        case Verb::Folder: {
            sim::SimExplorer& window = Window(command);
            world_.SwitchFolder(window, Folder(command, command.names.front()));
            break;
        }
        case Verb::Click:
            Click(command);
            break;
        case Verb::Type:
        case Verb::Pick:
            TypeOrPick(command);
            break;
        case Verb::Wait:
            waiter_(command.number);
            break;
        case Verb::Customize:
            Customize(command);
            break;
        case Verb::Close:
            world_.Close(Window(command));
            break;
        case Verb::Show:
            Show(command);
            break;
        case Verb::Softphones:
            // Read the registry afresh, as a dial would.
            library_->common.FindSoftphones();
            ShowSoftphones(out_, library_->common);
            break;
        case Verb::Shutdown:
            if (!addin_) {
                out_.Note("the add-in is not connected; shutdown has no effect");
            }
            Disconnect();
            break;
        case Verb::Dial:
            // The same entry point the toolbar uses, so dialing can be tried on its own.
            library_->common.DialNumber(ToUtf16(command.text));
            break;
    }
}

void Session::Open(const Command& command) {
    std::shared_ptr<sim::SimFolder> folder;
    if (command.names.empty()) {
        folder = world_.defaultContactsFolder();
        if (!folder) {
            throw LineError(command.line, "the profile has no default contacts folder");
        }
    } else {
        folder = Folder(command, command.names.front());
    }
    windows_.push_back(world_.OpenExplorer(folder, true));
    out_.Note("window " + std::to_string(windows_.size()) + " opened on folder " +
              QuotedValue(folder->name()));
}

void Session::Select(const Command& command) {
    sim::SimExplorer& window = Window(command);
    std::vector<std::shared_ptr<host::Item>> items;
    for (const std::string& name : command.names) {
        auto item = window.folder() ? window.folder()->findItem(ToUtf16(name)) : nullptr;
        if (!item) {
            throw LineError(command.line,
                            "no item " + Quoted(name) + " in folder " +
                                ToUtf8(window.folder() ? window.folder()->name() : u"") + " of " +
                                WindowName(command));
        }
        items.push_back(std::move(item));
    }
    world_.Select(window, std::move(items));
}

void Session::Click(const Command& command) {
    sim::SimExplorer& window = Window(command);
    auto control = RequireControl(command, window);
    if (!control) {
        return;
    }
    auto button = std::dynamic_pointer_cast<sim::SimButton>(control);
    if (!button) {
        out_.Note(WindowName(command) + ": the " + std::string(NameOf(command.control)) +
                  " control is not a button; click has no effect");
        return;
    }
    if (!world_.Click(button)) {
        out_.Note(WindowName(command) + ": the " + std::string(NameOf(command.control)) +
                  " button cannot be clicked (disabled, hidden or deleted)");
    }
}

void Session::TypeOrPick(const Command& command) {
    sim::SimExplorer& window = Window(command);
    Command lookup = command;
    lookup.control = ControlName::Combo;
    auto control = RequireControl(lookup, window);
    if (!control) {
        return;
    }
    auto combo = std::dynamic_pointer_cast<sim::SimComboBox>(control);
    if (!combo) {
        out_.Note(WindowName(command) + ": the Combo control is not a combo box; " +
                  std::string(VerbName(command.verb)) + " has no effect");
        return;
    }
    if (command.verb == Verb::Type) {
        if (!world_.TypeText(combo, ToUtf16(command.text))) {
            out_.Note(WindowName(command) + ": the combo box does not take text now");
        }
    } else if (!world_.Pick(combo, static_cast<std::int32_t>(command.number))) {
        out_.Note(WindowName(command) + ": the combo box has no entry " +
                  std::to_string(command.number) + " to pick");
    }
}

void Session::Customize(const Command& command) {
    sim::SimExplorer& window = Window(command);
    if (!window.commandBarsReady()) {
        out_.Note(WindowName(command) + ": command bars not ready yet; customize has no effect");
        return;
    }
    const std::u16string toolbar = ToolbarName();
    const std::string control(NameOf(command.control));
    switch (command.action) {
        case CustomizeAction::Move: {
            auto c = RequireControl(command, window);
            if (c && !world_.MoveControl(window, c, ToUtf16(command.names.front()),
                                         static_cast<std::int32_t>(command.number))) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be moved");
            }
            break;
        }
        case CustomizeAction::Delete: {
            auto c = RequireControl(command, window);
            if (c && !world_.DeleteControl(window, c)) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be deleted");
            }
            break;
        }
        case CustomizeAction::Restore: {
            // The tag the add-in would give the control: its prefix, or failing that the one
            // its siblings on the toolbar carry.
            std::u16string prefix = library_->common.sTagPrefix;
            const auto bar = window.commandBars()->find(toolbar);
            if (prefix.empty() && bar) {
                for (const auto& sibling : bar->controls()) {
                    if (auto p = PrefixOfTag(sibling->tag())) {
                        prefix = *p;
                        break;
                    }
                }
            }
            if (prefix.empty()) {
                out_.Note(WindowName(command) + ": no tag prefix known for the " + control +
                          " control; restore has no effect");
                break;
            }
            const std::int32_t type = command.control == ControlName::Combo
                                          ? host::msoControlComboBox
                                          : host::msoControlButton;
            if (!world_.RestoreControl(window, type, TagFor(prefix, command.control), toolbar)) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be restored");
            }
            break;
        }
        case CustomizeAction::RemoveToolbar:
            if (!world_.DeleteBar(window, toolbar)) {
                out_.Note(WindowName(command) + " has no toolbar " + QuotedValue(toolbar) +
                          " to remove");
            }
            break;
    }
}

void Session::Show(const Command& command) {
    if (command.window) {
        ShowWindow(out_, *command.window, Window(command), ToolbarName());
        return;
    }
    ShowAll();
}

void Session::ShowAll() {
    const std::u16string toolbar = ToolbarName();
    bool any = false;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (!windows_[i]->closed()) {
            ShowWindow(out_, static_cast<int>(i + 1), *windows_[i], toolbar);
            any = true;
        }
    }
    if (!any) {
        out_.Line("no windows open");
    }
}

}  // namespace tessaly::sim_tool
