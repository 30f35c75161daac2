#include "harness/frontend/world_commands.h"

#include <cstdint>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

namespace sim = host::sim;

std::string WindowName(const Command& command) {
    return "window " + std::to_string(*command.window);
}

namespace {

// A menu stays open while the user looks, waits or picks from it.
bool KeepsMenuOpen(Verb verb) {
    return verb == Verb::Drop || verb == Verb::Choose || verb == Verb::Show || verb == Verb::Wait;
}

// The id of the control the window's ribbon shows for a toolbar control's name.
std::u16string ShownControl(const sim::SimRibbon& ribbon, const sim::SimWindow& window,
                            ControlName name) {
    const sim::RibbonDocument* document = ribbon.document(window.ribbonId());
    for (const sim::RibbonGroupDefinition* group : ribbon.GroupsShown(window)) {
        for (const std::size_t index : group->controls) {
            if (ControlOfRibbonId(document->controls[index].id) == name) {
                return document->controls[index].id;
            }
        }
    }
    return {};
}

}  // namespace

WorldCommands::WorldCommands(sim::World& world,
                             const std::vector<std::shared_ptr<sim::SimExplorer>>& windows,
                             Output& out, WorldHost& host)
    : world_(world), windows_(windows.begin(), windows.end()), out_(out), host_(host) {}

sim::SimWindow& WorldCommands::AnyWindow(const Command& command) {
    const auto n = static_cast<std::size_t>(*command.window);
    if (n > windows_.size()) {
        throw LineError(command.line, "there is no window " + std::to_string(n));
    }
    sim::SimWindow& window = *windows_[n - 1];
    if (window.closed()) {
        throw LineError(command.line, "window " + std::to_string(n) + " is closed");
    }
    return window;
}

sim::SimExplorer& WorldCommands::Window(const Command& command) {
    if (auto* explorer = dynamic_cast<sim::SimExplorer*>(&AnyWindow(command))) {
        return *explorer;
    }
    throw LineError(command.line, WindowName(command) + " is an Inspector; " +
                                      std::string(VerbName(command.verb)) +
                                      " needs an Explorer window");
}

std::shared_ptr<host::Item> WorldCommands::ItemOf(const Command& command,
                                                  const sim::SimExplorer& window) {
    const std::string& name = command.names.front();
    auto item = window.folder() ? window.folder()->findItem(ToUtf16(name)) : nullptr;
    if (!item) {
        throw LineError(command.line, "no item " + QuotedEcho(name) + " in folder " +
                                          ToUtf8(window.folder() ? window.folder()->name() : u"") +
                                          " of " + WindowName(command));
    }
    return item;
}

sim::SimRibbon* WorldCommands::RequireRibbon(const Command& command) {
    sim::SimRibbon* ribbon = host_.Ribbon();
    if (!ribbon || !ribbon->loaded()) {
        out_.Note(WindowName(command) + " has no ribbon; " + std::string(VerbName(command.verb)) +
                  " has no effect");
        return nullptr;
    }
    return ribbon;
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
    // Whatever else the user does closes an open menu first.
    if (sim::SimRibbon* ribbon = host_.Ribbon(); ribbon && !KeepsMenuOpen(command.verb)) {
        ribbon->CloseMenu();
    }
    // A script's commands come one by one from the host's message loop, which gives the
    // window the idle moment Office raises the bars' pending update in.
    world_.Idle();
    using Run = void (WorldCommands::*)(const Command&);
    static constexpr std::pair<Verb, Run> kCommands[] = {
        {Verb::Open, &WorldCommands::Open},
        {Verb::Activate, &WorldCommands::Activate},
        {Verb::Select, &WorldCommands::Select},
        {Verb::Folder, &WorldCommands::SwitchFolder},
        {Verb::Click, &WorldCommands::Click},
        {Verb::Type, &WorldCommands::TypeOrPick},
        {Verb::Pick, &WorldCommands::TypeOrPick},
        {Verb::Inspect, &WorldCommands::Inspect},
        {Verb::RightClick, &WorldCommands::RightClick},
        {Verb::Drop, &WorldCommands::Drop},
        {Verb::Choose, &WorldCommands::Choose},
        {Verb::Set, &WorldCommands::Set},
        {Verb::Customize, &WorldCommands::Customize},
        {Verb::Close, &WorldCommands::Close},
        {Verb::Show, &WorldCommands::Show},
    };
    for (const auto& [verb, run] : kCommands) {
        if (verb == command.verb) {
            (this->*run)(command);
            return;
        }
    }
    // wait, softphones, shutdown, dial: what they do is the program's.
    host_.RunHostCommand(command);
}

void WorldCommands::Activate(const Command& command) {
    world_.Activate(Window(command));
}

void WorldCommands::SwitchFolder(const Command& command) {
    sim::SimExplorer& window = Window(command);
    world_.SwitchFolder(window, Folder(command, command.names.front()));
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
        Command one = command;
        one.names = {name};
        items.push_back(ItemOf(one, window));
    }
    world_.Select(window, std::move(items));
}

void WorldCommands::UseRibbon(const Command& command) {
    sim::SimWindow& window = AnyWindow(command);
    const std::string name = std::string(kRibbonPrefix) + std::string(NameOf(command.control));
    sim::SimRibbon* ribbon = RequireRibbon(command);
    if (!ribbon) {
        return;
    }
    // The copy on the tab the window shows, of the copies the add-in put on several tabs.
    const std::u16string id = ShownControl(*ribbon, window, command.control);
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
    NoteUse(command, use, name);
}

void WorldCommands::NoteUse(const Command& command, sim::RibbonUse use, const std::string& what) {
    const std::string prefix = WindowName(command) + ": ";
    const std::string number = std::to_string(command.number);
    switch (use) {
        case sim::RibbonUse::Done:
            break;
        case sim::RibbonUse::NoSuchControl:
            out_.Note(prefix + "the ribbon has no " + what + " control");
            break;
        case sim::RibbonUse::Disabled:
            out_.Note(prefix + what + " is disabled");
            break;
        case sim::RibbonUse::NoCallback:
            out_.Note(prefix + what + " has no action");
            break;
        case sim::RibbonUse::NoSuchItem:
            out_.Note(prefix + (command.verb == Verb::Choose ? "the menu" : what) +
                      " has no entry " + number + " to " + std::string(VerbName(command.verb)));
            break;
        case sim::RibbonUse::NoMenu:
            out_.Note(prefix + "no menu is open; " + std::string(VerbName(command.verb)) +
                      " has no effect");
            break;
        case sim::RibbonUse::NotAButton:
            out_.Note(prefix + what + " is not a button");
            break;
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

void WorldCommands::Close(const Command& command) {
    sim::SimWindow& window = AnyWindow(command);
    if (auto* explorer = dynamic_cast<sim::SimExplorer*>(&window)) {
        world_.Close(*explorer);
    } else if (auto* inspector = dynamic_cast<sim::SimInspector*>(&window)) {
        world_.Close(*inspector);
    }
}

void WorldCommands::Show(const Command& command) {
    if (command.window) {
        ShowOne(*command.window, AnyWindow(command));
        return;
    }
    ShowAll();
}

void WorldCommands::ShowOne(int number, const sim::SimWindow& window) {
    if (const auto* explorer = dynamic_cast<const sim::SimExplorer*>(&window)) {
        ShowWindow(out_, number, *explorer, ToolbarName());
    } else if (const auto* inspector = dynamic_cast<const sim::SimInspector*>(&window)) {
        ShowInspector(out_, number, *inspector);
    }
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
