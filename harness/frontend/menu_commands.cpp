// The script commands of open items and menus: opening an item in an Inspector, right-clicking
// an item, dropping a dynamic menu, choosing an entry, and changing an item's property.
#include "harness/frontend/utf8.h"
#include "harness/frontend/world_commands.h"

namespace tessaly::frontend {

namespace sim = host::sim;

namespace {

bool Names(const std::u16string& id, const std::u16string& label, const std::u16string& name) {
    return name.empty() || id == name || label == name ||
           (id.size() > name.size() && id.ends_with(u"_" + name));
}

// The dynamic menu `name` names (its id, the end of its id after "_", or its label; empty:
// the first) in the window's open context menu, or without one, on its ribbon.
std::u16string MenuToDrop(const sim::SimRibbon& ribbon, const sim::SimWindow& window,
                          const std::u16string& name) {
    if (const sim::RibbonMenu* open = ribbon.OpenMenu(window); open && !open->content) {
        for (const sim::RibbonMenuEntry& entry : open->entries) {
            if (entry.type == u"dynamicMenu" && Names(entry.id, entry.values.label, name)) {
                return entry.id;
            }
        }
        return {};
    }
    const sim::RibbonDocument* document = ribbon.document(window.ribbonId());
    for (const sim::RibbonGroupDefinition* group : ribbon.GroupsShown(window)) {
        for (const std::size_t index : group->controls) {
            const sim::RibbonControlDefinition& control = document->controls[index];
            const auto values = ribbon.values(window, control.id);
            if (control.type == u"dynamicMenu" &&
                Names(control.id, values ? values->label : u"", name)) {
                return control.id;
            }
        }
    }
    return {};
}

}  // namespace

void WorldCommands::Inspect(const Command& command) {
    sim::SimExplorer& window = Window(command);
    const auto item = ItemOf(command, window);
    windows_.push_back(world_.OpenInspector(item));
    out_.Note("window " + std::to_string(windows_.size()) + " opened: an inspector of " +
              ToUtf8(sim::ItemTypeName(*item)) + " " + QuotedValue(sim::ItemName(*item)));
}

void WorldCommands::RightClick(const Command& command) {
    sim::SimExplorer& window = Window(command);
    const auto item = ItemOf(command, window);
    sim::SimRibbon* ribbon = host_.Ribbon();
    if (!ribbon) {
        out_.Note(WindowName(command) + " has no ribbon; rightclick has no effect");
        return;
    }
    const auto menu = ribbon->RightClick(window, item);
    if (!menu) {
        out_.Note(WindowName(command) + ": the model knows no context menu of a " +
                  ToUtf8(sim::ItemTypeName(*item)));
        return;
    }
    ShowMenu(out_, *command.window, *menu);
}

void WorldCommands::Drop(const Command& command) {
    sim::SimWindow& window = AnyWindow(command);
    sim::SimRibbon* ribbon = RequireRibbon(command);
    if (!ribbon) {
        return;
    }
    const std::u16string id = MenuToDrop(*ribbon, window, ToUtf16(command.text));
    if (id.empty()) {
        out_.Note(WindowName(command) + " shows no dynamic menu" +
                  (command.text.empty() ? "" : " " + QuotedEcho(command.text)) +
                  "; drop has no effect");
        return;
    }
    const sim::RibbonUse use = ribbon->Drop(window, id);
    if (use == sim::RibbonUse::Done) {
        ShowMenu(out_, *command.window, *ribbon->OpenMenu(window));
    }
    NoteUse(command, use, "dynamic menu " + QuotedValue(id));
}

void WorldCommands::Choose(const Command& command) {
    sim::SimWindow& window = AnyWindow(command);
    sim::SimRibbon* ribbon = host_.Ribbon();
    const auto use = ribbon ? ribbon->Choose(window, command.number) : sim::RibbonUse::NoMenu;
    NoteUse(command, use, "entry " + std::to_string(command.number));
}

void WorldCommands::Set(const Command& command) {
    const std::string& name = command.names.front();
    std::shared_ptr<host::Item> item;
    std::string folders;
    for (const auto& folder : world_.folders()) {
        if (auto found = folder->findItem(ToUtf16(name))) {
            folders += (item ? ", " : "") + QuotedValue(folder->name());
            item = std::move(found);
        }
    }
    if (!item) {
        throw LineError(command.line, "no item " + QuotedEcho(name) + " in any folder");
    }
    if (folders.find(", ") != std::string::npos) {
        throw LineError(command.line, "the item name " + QuotedEcho(name) +
                                          " is in more than one folder (" + folders + ")");
    }
    if (!world_.SetProperty(*item, ToUtf16(command.property), ToUtf16(command.text))) {
        throw LineError(command.line, "a " + ToUtf8(sim::ItemTypeName(*item)) +
                                          " has no property " + QuotedEcho(command.property) +
                                          " that set can change");
    }
}

}  // namespace tessaly::frontend
