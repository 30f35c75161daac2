// The callbacks of the dial menus: the content when a menu drops, read from the item as it
// stands then; the open item's menu label, which shows its notice; and a click on an entry,
// which dials the number the entry carries through the window the menu belongs to.
#include "explorer/addin_windows.h"
#include "explorer/dial_menu.h"
#include "explorer/explorer_handler.h"
#include "explorer/inspector_window.h"
#include "explorer/ribbon.h"
#include "platform/error.h"

namespace tessaly::explorer {

using String = std::u16string;

DialMenuEntries Ribbon::EntriesOfMenu(const host::RibbonControlRef& control, RibbonPlace place) {
    if (place == RibbonPlace::InspectorMenu) {
        const auto inspector = std::dynamic_pointer_cast<host::Inspector>(
            must(control).ContextAs(host::ContextKind::Inspector));
        return EntriesOfItem(must(inspector).CurrentItem(), [&] { return inspector->Session(); });
    }
    // The item right-clicked: the first of the selection the menu was opened on.
    const auto selection = std::dynamic_pointer_cast<host::Selection>(
        must(control).ContextAs(host::ContextKind::Selection));
    return EntriesOfItem(must(selection).Item(1),
                         [&] { return must(selection->Parent()).Session(); });
}

String Ribbon::Ribbon_GetContent(const host::RibbonControlRef& control) {
    const String id = must(control).Id();
    const auto role = Definition().RoleOf(id);
    if (!role || role->place == RibbonPlace::Group) {
        return {};
    }
    DialMenuEntries entries;
    try {
        entries = EntriesOfMenu(control, role->place);
    } catch (const std::exception&) {
        // An item that cannot be read lists no numbers, as the toolbar resets on one.
        entries = {};
    }
    return DialMenuContent(id, entries, library_.common);
}

String Ribbon::Ribbon_GetLabel(const host::RibbonControlRef& control) {
    const String& label = library_.common.sDialMenuLabel;
    const auto windows = windows_.lock();
    const auto role = RoleOf(control);
    if (!windows || !role || role->place != RibbonPlace::InspectorMenu) {
        return label;
    }
    const auto inspector = std::dynamic_pointer_cast<host::Inspector>(
        control->ContextAs(host::ContextKind::Inspector));
    const auto window = windows->InspectorOf(inspector, false);
    return window ? window->MenuLabel(label) : label;
}

void Ribbon::Ribbon_OnDialNumber(const host::RibbonControlRef& control) {
    const auto windows = windows_.lock();
    const auto menu = Definition().MenuOfEntry(must(control).Id());
    if (!windows || !menu) {
        return;
    }
    // The number shown when the menu dropped, whatever changed since.
    const String number = control->Tag();
    if (menu->place == RibbonPlace::ContextMenu) {
        const auto selection = std::dynamic_pointer_cast<host::Selection>(
            control->ContextAs(host::ContextKind::Selection));
        if (const auto handler = windows->HandlerOf(must(selection).Parent())) {
            handler->RequestDial(number);
        } else {
            library_.common.DialNumber(number);  // a window the add-in could not take charge of
        }
        return;
    }
    const auto inspector = std::dynamic_pointer_cast<host::Inspector>(
        control->ContextAs(host::ContextKind::Inspector));
    if (const auto window = windows->InspectorOf(inspector, true)) {
        window->RequestDial(number);
    } else {
        library_.common.DialNumber(number);
    }
}

}  // namespace tessaly::explorer
