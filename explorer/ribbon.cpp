// The ribbon's customisation and its callbacks' table: what Office asks for each kind of
// window, how a callback finds its control and window, and the invalidations.
#include "explorer/ribbon.h"

#include "explorer/addin_windows.h"
#include "explorer/explorer_handler.h"
#include "platform/error.h"

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
        {cb::kGetContent, C::GetString(weakCallback(self, &Ribbon::Ribbon_GetContent))},
        {cb::kGetLabel, C::GetString(weakCallback(self, &Ribbon::Ribbon_GetLabel))},
        {cb::kOnDialNumber, C::Action(weakCallback(self, &Ribbon::Ribbon_OnDialNumber))},
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
    if (ribbonId == host::kExplorerRibbonId) {
        return Definition().explorerXml;
    }
    if (ribbonId == host::kContactRibbonId) {
        return Definition().contactXml;
    }
    if (ribbonId == host::kMailReadRibbonId) {
        return Definition().readMailXml;
    }
    return {};
}

void Ribbon::InvalidateControl(const String& id) noexcept {
    if (ribbonUI_) {
        // A refused invalidation leaves the old value shown; there is nothing better to do.
        step([&] { ribbonUI_->InvalidateControl(id); });
    }
}

void Ribbon::Invalidate(RibbonItems items) noexcept {
    if (!ribbonUI_ || items == 0) {
        return;
    }
    step([&] {
        for (const auto& copy : Definition().groupIds) {
            for (const RibbonItem item : kRibbonItems) {
                if ((items & Bit(item)) != 0) {
                    InvalidateControl(copy[static_cast<std::size_t>(item)]);
                }
            }
        }
    });
}

void Ribbon::InvalidateInspectorMenu() noexcept {
    if (ribbonUI_) {
        step([&] { InvalidateControl(Definition().inspectorMenuId); });
    }
}

std::optional<RibbonControlRole> Ribbon::RoleOf(const host::RibbonControlRef& control) {
    return Definition().RoleOf(must(control).Id());
}

std::optional<RibbonItem> Ribbon::GroupItemOf(const host::RibbonControlRef& control) {
    const auto role = RoleOf(control);
    return role && role->place == RibbonPlace::Group ? std::optional(role->item) : std::nullopt;
}

std::shared_ptr<ExplorerHandler> Ribbon::HandlerOf(const host::RibbonControlRef& control) {
    const auto windows = windows_.lock();
    return windows ? windows->HandlerOf(must(control).ContextAs(host::ContextKind::Explorer))
                   : nullptr;
}

}  // namespace tessaly::explorer
