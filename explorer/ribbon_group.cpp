// The callbacks of the Explorer's group: each finds its window's handler and answers from its
// state or passes the user's action on to it.
#include "explorer/ribbon.h"

#include <string>

#include "explorer/addin_windows.h"
#include "explorer/explorer_handler.h"
#include "platform/error.h"
#include "softphone/text.h"

namespace tessaly::explorer {

using String = std::u16string;

void Ribbon::Ribbon_OnLoad(const std::shared_ptr<host::RibbonUI>& ribbon) {
    ribbonUI_ = ribbon;
}

void Ribbon::Ribbon_OnAction(const host::RibbonControlRef& control) {
    const auto item = GroupItemOf(control);
    if (const auto handler = HandlerOf(control); handler && item) {
        handler->RibbonCommand(*item);
    }
}

void Ribbon::Ribbon_OnChange(const host::RibbonControlRef& control, const String& text) {
    if (const auto handler = HandlerOf(control);
        handler && GroupItemOf(control) == RibbonItem::Combo) {
        handler->RibbonComboChange(text);
    }
}

String Ribbon::Ribbon_GetText(const host::RibbonControlRef& control) {
    const auto handler = HandlerOf(control);
    return handler ? handler->ribbonValues().text : String{};
}

bool Ribbon::Ribbon_GetEnabled(const host::RibbonControlRef& control) {
    const auto item = GroupItemOf(control);
    const auto handler = HandlerOf(control);
    if (!handler || !item) {
        return false;
    }
    const RibbonValues values = handler->ribbonValues();
    switch (*item) {
        case RibbonItem::Dial:
            return values.dial;
        case RibbonItem::Business:
            return values.business;
        case RibbonItem::Mobile:
            return values.mobile;
        case RibbonItem::Home:
            return values.home;
        case RibbonItem::Combo:
        case RibbonItem::ShowContacts:
            return true;
    }
    return false;
}

std::shared_ptr<host::Picture> Ribbon::Ribbon_GetImage(const host::RibbonControlRef& control) {
    // A dial menu shows the Dial button's face.
    const auto role = RoleOf(control);
    if (!role || InfoOf(role->item).buttonRow == 0) {
        return nullptr;
    }
    // The ribbon takes one picture; the face alone, as the toolbar's mask has no place.
    const auto face = library_.common.Button(InfoOf(role->item).buttonRow).iPictureId;
    return face > 0 ? library_.services.resources.BitmapPicture(face) : nullptr;
}

std::int32_t Ribbon::Ribbon_GetItemCount(const host::RibbonControlRef& control) {
    const auto handler = HandlerOf(control);
    return handler ? static_cast<std::int32_t>(handler->ribbonValues().list.size()) : 0;
}

String Ribbon::Ribbon_GetItemLabel(const host::RibbonControlRef& control, std::int32_t index) {
    const auto handler = HandlerOf(control);
    if (!handler) {
        return {};
    }
    const auto list = handler->ribbonValues().list;
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        throw Error(kDISP_E_BADINDEX, "no such combo box item");
    }
    return list[static_cast<std::size_t>(index)];
}

String Ribbon::Ribbon_GetItemID(const host::RibbonControlRef&, std::int32_t index) {
    // Item ids need only be unique within the combo box: both copies' items share them.
    return Definition().groupIds.front()[static_cast<std::size_t>(RibbonItem::Combo)] + u"_Item" +
           softphone::DecimalText(index);
}

}  // namespace tessaly::explorer
