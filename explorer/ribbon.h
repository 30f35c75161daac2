// The add-in's ribbon: the "Brindle" group of the Explorer windows, a second view of each
// window's ExplorerHandler beside its toolbar. One ribbon definition and one IRibbonUI serve
// every window, so each callback finds its window's handler, through the add-in's windows,
// from the control's Context.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "explorer/library.h"
#include "explorer/ribbon_values.h"
#include "host/ribbon.h"

namespace tessaly::explorer {

class AddinWindows;
class ExplorerHandler;

// The customUI XML of the Explorer ribbon, with the ids of its controls.
struct RibbonDefinition {
    std::u16string xml;
    std::array<std::u16string, kToolbarControls.size()> ids;  // by RibbonItem
};
RibbonDefinition BuildRibbonDefinition(const softphone::Common& common);

// The callback names the XML uses.
namespace ribbon_callbacks {
inline constexpr char16_t kOnLoad[] = u"Ribbon_OnLoad";
inline constexpr char16_t kOnAction[] = u"Ribbon_OnAction";
inline constexpr char16_t kOnChange[] = u"Ribbon_OnChange";
inline constexpr char16_t kGetText[] = u"Ribbon_GetText";
inline constexpr char16_t kGetEnabled[] = u"Ribbon_GetEnabled";
inline constexpr char16_t kGetImage[] = u"Ribbon_GetImage";
inline constexpr char16_t kGetItemCount[] = u"Ribbon_GetItemCount";
inline constexpr char16_t kGetItemLabel[] = u"Ribbon_GetItemLabel";
inline constexpr char16_t kGetItemID[] = u"Ribbon_GetItemID";
}  // namespace ribbon_callbacks

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

    // A window's values changed: Office is asked to query those controls again.
    void Invalidate(RibbonItems items) noexcept;
    // The add-in is disconnected: nothing of Office's ribbon may be held any longer.
    void Release() noexcept { ribbonUI_.reset(); }
    bool holdsRibbonUI() const { return static_cast<bool>(ribbonUI_); }

  private:
    void Ribbon_OnLoad(const std::shared_ptr<host::RibbonUI>& ribbon);
    void Ribbon_OnAction(const host::RibbonControlRef& control);
    void Ribbon_OnChange(const host::RibbonControlRef& control, const std::u16string& text);
    std::u16string Ribbon_GetText(const host::RibbonControlRef& control);
    bool Ribbon_GetEnabled(const host::RibbonControlRef& control);
    std::shared_ptr<host::Picture> Ribbon_GetImage(const host::RibbonControlRef& control);
    std::int32_t Ribbon_GetItemCount(const host::RibbonControlRef& control);
    std::u16string Ribbon_GetItemLabel(const host::RibbonControlRef& control, std::int32_t index);
    std::u16string Ribbon_GetItemID(const host::RibbonControlRef& control, std::int32_t index);

    void makeCallbacks();
    const RibbonDefinition& Definition();
    std::optional<RibbonItem> ItemOf(const host::RibbonControlRef& control);
    std::shared_ptr<ExplorerHandler> HandlerOf(const host::RibbonControlRef& control);

    Library& library_;
    std::weak_ptr<AddinWindows> windows_;
    std::optional<RibbonDefinition> definition_;
    // The last definition built before the settings were loaded; never served once they are.
    std::optional<RibbonDefinition> early_;
    std::vector<host::RibbonCallback> callbacks_;
    std::shared_ptr<host::RibbonUI> ribbonUI_;
};

}  // namespace tessaly::explorer
