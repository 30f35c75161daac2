#include "harness/frontend/world_commands.h"

#include <cstdint>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

namespace sim = host::sim;

namespace {

std::string WindowName(const Command& command) {
    return "window " + std::to_string(*command.window);
}

}  // namespace

WorldCommands::WorldCommands(sim::World& world,
                             std::vector<std::shared_ptr<sim::SimExplorer>> windows, Output& out,
                             WorldHost& host)
    : world_(world), windows_(std::move(windows)), out_(out), host_(host) {}

sim::SimExplorer& WorldCommands::Window(const Command& command) {
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

std::shared_ptr<sim::SimFolder> WorldCommands::Folder(const Command& command,
                                                      const std::string& name) const {
    if (auto folder = world_.FindFolder(ToUtf16(name))) {
        return folder;
    }
    throw LineError(command.line, "unknown folder " + QuotedEcho(name));
}

std::shared_ptr<sim::SimControl> WorldCommands::FindControl(const sim::SimExplorer& window,
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

std::shared_ptr<sim::SimControl> WorldCommands::RequireControl(const Command& command,
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

void WorldCommands::Execute(const Command& command) {
    if (IsHostCommand(command.verb)) {
        host_.RunHostCommand(command);
        return;
    }
    // A script's commands come one by one from the host's message loop, which gives the
    // window the idle moment Office raises the bars' pending update in.
    world_.Idle();
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
        case Verb::Customize:
            Customize(command);
            break;
        case Verb::Close:
            world_.Close(Window(command));
            break;
        case Verb::Show:
            Show(command);
            break;
        case Verb::Wait:
        case Verb::Softphones:
        case Verb::Shutdown:
        case Verb::Dial:
        case Verb::Fail:
        case Verb::Calls:
            host_.RunHostCommand(command);
            break;
    }
}

void WorldCommands::Open(const Command& command) {
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

void WorldCommands::Select(const Command& command) {
    sim::SimExplorer& window = Window(command);
    std::vector<std::shared_ptr<host::Item>> items;
    for (const std::string& name : command.names) {
        auto item = window.folder() ? window.folder()->findItem(ToUtf16(name)) : nullptr;
        if (!item) {
            throw LineError(command.line,
                            "no item " + QuotedEcho(name) + " in folder " +
                                ToUtf8(window.folder() ? window.folder()->name() : u"") + " of " +
                                WindowName(command));
        }
        items.push_back(std::move(item));
    }
    world_.Select(window, std::move(items));
}

void WorldCommands::UseRibbon(const Command& command) {
    sim::SimExplorer& window = Window(command);
    const std::string name = std::string(kRibbonPrefix) + std::string(NameOf(command.control));
    sim::SimRibbon* ribbon = host_.Ribbon();
    if (!ribbon || !ribbon->loaded()) {
        out_.Note(WindowName(command) + " has no ribbon; " + std::string(VerbName(command.verb)) +
                  " has no effect");
        return;
    }
    std::u16string id;
    for (const auto& control : ribbon->controls()) {
        if (ControlOfTag(control.id) == command.control) {
            id = control.id;
            break;
        }
    }
    sim::RibbonUse use = sim::RibbonUse::NoSuchControl;
    if (!id.empty()) {
        if (command.verb == Verb::Click) {
            use = ribbon->Click(window, id);
        } else if (command.verb == Verb::Type) {
            use = ribbon->TypeText(window, id, ToUtf16(command.text));
        } else {
            use = ribbon->Pick(window, id, static_cast<std::int32_t>(command.number));
        }
    }
    const std::string prefix = WindowName(command) + ": ";
    switch (use) {
        case sim::RibbonUse::Done:
            break;
        case sim::RibbonUse::NoSuchControl:
            out_.Note(prefix + "the ribbon has no " + name + " control");
            break;
        case sim::RibbonUse::Disabled:
            out_.Note(prefix + name + " is disabled");
            break;
        case sim::RibbonUse::NoCallback:
            out_.Note(prefix + name + " has no action");
            break;
        case sim::RibbonUse::NoSuchItem:
            out_.Note(prefix + name + " has no entry " + std::to_string(command.number) +
                      " to pick");
            break;
        case sim::RibbonUse::NoMenu:
        case sim::RibbonUse::NotAButton:
            break;  // only a menu answers these
    }
}

void WorldCommands::Click(const Command& command) {
    if (command.ribbon) {
        UseRibbon(command);
        return;
    }
    sim::SimExplorer& window = Window(command);
    auto control = RequireControl(command, window);
    if (!control) {
        return;
    }
    auto button = std::dynamic_pointer_cast<sim::SimButton>(control);
    const std::string name(NameOf(command.control));
    if (!button) {
        out_.Note(WindowName(command) + ": the " + name +
                  " control is not a button; click has no effect");
        return;
    }
    if (!world_.Click(button)) {
        out_.Note(WindowName(command) + ": the " + name +
                  " button cannot be clicked (disabled, hidden or deleted)");
    }
}

void WorldCommands::TypeOrPick(const Command& command) {
    if (command.ribbon) {
        UseRibbon(command);
        return;
    }
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

void WorldCommands::Customize(const Command& command) {
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
            const std::u16string prefix = host_.TagPrefix(window, toolbar);
            if (prefix.empty()) {
                out_.Note(WindowName(command) + ": no tag prefix known for the " + control +
                          " control; restore has no effect");
                break;
            }
            const std::int32_t type = explorer::InfoOf(command.control).type;
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

void WorldCommands::Show(const Command& command) {
    if (command.window) {
        ShowOne(*command.window, Window(command));
        return;
    }
    ShowAll();
}

void WorldCommands::ShowOne(int number, const sim::SimExplorer& window) {
    ShowWindow(out_, number, window, ToolbarName());
    if (const sim::SimRibbon* ribbon = host_.Ribbon()) {
        ShowRibbon(out_, number, window, *ribbon);
    }
}

void WorldCommands::ShowAll() {
    // Without it, an echo right after a command would show the toolbar already changed by the
    // add-in beside a ribbon that still answers as before the command.
    world_.Idle();
    bool any = false;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (!windows_[i]->closed()) {
            ShowOne(static_cast<int>(i + 1), *windows_[i]);
            any = true;
        }
    }
    if (!any) {
        out_.Line("no windows open");
    }
}

}  // namespace tessaly::frontend
