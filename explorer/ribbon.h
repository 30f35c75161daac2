// The add-in's ribbon: the "Brindle" group of the Explorer windows, a second view of each
// window's ExplorerHandler beside its toolbar; the dial menus of an item's right-click menu
// and of an open contact. One customUI per kind of window and one IRibbonUI serve every
// window, so each callback finds its window, through the add-in's windows, from the
// control's Context.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "explorer/dial_menu.h"
#include "explorer/library.h"
#include "explorer/ribbon_definition.h"
#include "explorer/ribbon_values.h"
#include "host/outlook.h"
#include "host/ribbon.h"

namespace tessaly::explorer {

class AddinWindows;
class ExplorerHandler;

class Ribbon : public host::RibbonExtensibility, public std::enable_shared_from_this<Ribbon> {
    struct Passkey {};

  public:
    // The windows are held weakly: they own the ribbon.
    static std::shared_ptr<Ribbon> Create(Library& library, std::weak_ptr<AddinWindows> windows);
    Ribbon(Passkey, Library& library, std::weak_ptr<AddinWindows> windows);
    Ribbon(const Ribbon&) = delete;
    Ribbon& operator=(const Ribbon&) = delete;

    // IRibbonExtensibility. The XML is built once, from the settings loaded at connection;
    // asked before them, it is built from the string table as it stands and not kept.
    std::u16string GetCustomUI(const std::u16string& ribbonId) override;
    const std::vector<host::RibbonCallback>& Callbacks() const override { return callbacks_; }

    // A window's values changed: Office is asked to query those controls again, in every
    // copy of the group.
    void Invalidate(RibbonItems items) noexcept;
    // An open item's notice began or ended: its dial menu's label is asked again.
    void InvalidateInspectorMenu() noexcept;
    // The add-in is disconnected: nothing of Office's ribbon may be held any longer.
    void Release() noexcept { ribbonUI_.reset(); }
    bool holdsRibbonUI() const { return static_cast<bool>(ribbonUI_); }

  private:
    // The group's callbacks (ribbon_group.cpp).
    void Ribbon_OnLoad(const std::shared_ptr<host::RibbonUI>& ribbon);
    void Ribbon_OnAction(const host::RibbonControlRef& control);
    void Ribbon_OnChange(const host::RibbonControlRef& control, const std::u16string& text);
    std::u16string Ribbon_GetText(const host::RibbonControlRef& control);
    bool Ribbon_GetEnabled(const host::RibbonControlRef& control);
    std::shared_ptr<host::Picture> Ribbon_GetImage(const host::RibbonControlRef& control);
    std::int32_t Ribbon_GetItemCount(const host::RibbonControlRef& control);
    std::u16string Ribbon_GetItemLabel(const host::RibbonControlRef& control, std::int32_t index);
    std::u16string Ribbon_GetItemID(const host::RibbonControlRef& control, std::int32_t index);

    // The dial menus' callbacks (dial_menus.cpp).
    std::u16string Ribbon_GetContent(const host::RibbonControlRef& control);
    std::u16string Ribbon_GetLabel(const host::RibbonControlRef& control);
    void Ribbon_OnDialNumber(const host::RibbonControlRef& control);

    void makeCallbacks();
    const RibbonDefinition& Definition();
    std::optional<RibbonControlRole> RoleOf(const host::RibbonControlRef& control);
    std::optional<RibbonItem> GroupItemOf(const host::RibbonControlRef& control);
    std::shared_ptr<ExplorerHandler> HandlerOf(const host::RibbonControlRef& control);
    // What a dial menu lists, from the item of its Context.
    DialMenuEntries EntriesOfMenu(const host::RibbonControlRef& control, RibbonPlace place);
    void InvalidateControl(const std::u16string& id) noexcept;

    Library& library_;
    std::weak_ptr<AddinWindows> windows_;
    std::optional<RibbonDefinition> definition_;
    // The last definition built before the settings were loaded; never served once they are.
    std::optional<RibbonDefinition> early_;
    std::vector<host::RibbonCallback> callbacks_;
    std::shared_ptr<host::RibbonUI> ribbonUI_;
};

}  // namespace tessaly::explorer
