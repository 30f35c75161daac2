// The ribbon's callbacks: each finds its window's handler and answers from its state or
// passes the user's action on to it.
#include "explorer/ribbon.h"

#include <string>

#include "explorer/addin_windows.h"
#include "explorer/explorer_handler.h"
#include "platform/error.h"
#include "softphone/text.h"

namespace tessaly::explorer {

using String = std::u16string;

std::shared_ptr<Ribbon> Ribbon::Create(Library& library, std::weak_ptr<AddinWindows> windows) {
    auto self = std::make_shared<Ribbon>(Passkey{}, library, std::move(windows));
    self->makeCallbacks();
    return self;
}

Ribbon::Ribbon(Passkey, Library& library, std::weak_ptr<AddinWindows> windows)
    : library_(library), windows_(std::move(windows)) {}

void Ribbon::makeCallbacks() {
    namespace cb = ribbon_callbacks;
    using C = host::RibbonCallback;
    using host::weakCallback;
    // Office may call after the add-in has let go, and then gets the answer of a window
    // without handler.
    const std::weak_ptr<Ribbon> self = weak_from_this();
    callbacks_ = {
        {cb::kOnLoad, C::Load(weakCallback(self, &Ribbon::Ribbon_OnLoad))},
        {cb::kOnAction, C::Action(weakCallback(self, &Ribbon::Ribbon_OnAction))},
        {cb::kOnChange, C::Change(weakCallback(self, &Ribbon::Ribbon_OnChange))},
        {cb::kGetText, C::GetString(weakCallback(self, &Ribbon::Ribbon_GetText))},
        {cb::kGetEnabled, C::GetBool(weakCallback(self, &Ribbon::Ribbon_GetEnabled))},
        {cb::kGetImage, C::GetImage(weakCallback(self, &Ribbon::Ribbon_GetImage))},
        {cb::kGetItemCount, C::GetCount(weakCallback(self, &Ribbon::Ribbon_GetItemCount))},
        {cb::kGetItemLabel, C::GetItemString(weakCallback(self, &Ribbon::Ribbon_GetItemLabel))},
        {cb::kGetItemID, C::GetItemString(weakCallback(self, &Ribbon::Ribbon_GetItemID))},
    };
}

const RibbonDefinition& Ribbon::Definition() {
    if (definition_) {
        return *definition_;
    }
    if (library_.common.SettingsLoaded()) {
        definition_ = BuildRibbonDefinition(library_.common);
        return *definition_;
    }
    // Nothing in COM makes a client ask after OnConnection: read the string table now, as the
    // connection will, without keeping what no connection loaded.
    softphone::Common settings(library_.services);
    settings.LoadSettings();
    early_ = BuildRibbonDefinition(settings);
    return *early_;
}

String Ribbon::GetCustomUI(const String& ribbonId) {
    return ribbonId == host::kExplorerRibbonId ? Definition().xml : String{};
}

void Ribbon::Invalidate(RibbonItems items) noexcept {
    if (!ribbonUI_ || items == 0) {
        return;
    }
    const auto& ids = Definition().ids;
    for (const RibbonItem item : kRibbonItems) {
        if ((items & Bit(item)) != 0) {
            // A refused invalidation leaves the old value shown; there is nothing better to do.
            step([&] { ribbonUI_->InvalidateControl(ids[static_cast<std::size_t>(item)]); });
        }
    }
}

std::optional<RibbonItem> Ribbon::ItemOf(const host::RibbonControlRef& control) {
    const String id = must(control).Id();
    const auto& ids = Definition().ids;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == id) {
            return kToolbarControls[i].control;
        }
    }
    return std::nullopt;
}

std::shared_ptr<ExplorerHandler> Ribbon::HandlerOf(const host::RibbonControlRef& control) {
    const auto windows = windows_.lock();
    return windows ? windows->HandlerOf(must(control).Context()) : nullptr;
}

void Ribbon::Ribbon_OnLoad(const std::shared_ptr<host::RibbonUI>& ribbon) {
    ribbonUI_ = ribbon;
}

void Ribbon::Ribbon_OnAction(const host::RibbonControlRef& control) {
    const auto item = ItemOf(control);
    if (const auto handler = HandlerOf(control); handler && item) {
        handler->RibbonCommand(*item);
    }
}

void Ribbon::Ribbon_OnChange(const host::RibbonControlRef& control, const String& text) {
    if (const auto handler = HandlerOf(control); handler && ItemOf(control) == RibbonItem::Combo) {
        handler->RibbonComboChange(text);
    }
}

String Ribbon::Ribbon_GetText(const host::RibbonControlRef& control) {
    const auto handler = HandlerOf(control);
    return handler ? handler->ribbonValues().text : String{};
}

bool Ribbon::Ribbon_GetEnabled(const host::RibbonControlRef& control) {
    const auto item = ItemOf(control);
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
    const auto item = ItemOf(control);
    if (!item || InfoOf(*item).buttonRow == 0) {
        return nullptr;
    }
    // The ribbon takes one picture; the face alone, as the toolbar's mask has no place.
    const auto face = library_.common.Button(InfoOf(*item).buttonRow).iPictureId;
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
    // Item ids need only be unique within the combo box.
    return Definition().ids[static_cast<std::size_t>(RibbonItem::Combo)] + u"_Item" +
           softphone::DecimalText(index);
}

}  // namespace tessaly::explorer
