// The add-in's customUI: the "Brindle" group on the Explorer's Home tabs, the dial menus of
// the items' right-click menus, and the group of an open contact or mail; with the ids by
// which the callbacks tell their controls apart.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "explorer/ribbon_values.h"
#include "softphone/common.h"

namespace tessaly::explorer {

// What a control of the customUI is.
enum class RibbonPlace : std::uint8_t {
    Group,          // a control of the Explorer's group; Context: the Explorer
    ContextMenu,    // the dial menu of an item's right-click menu; Context: a Selection
    InspectorMenu,  // the dial menu of an open item's group; Context: the Inspector
};

struct RibbonControlRole {
    RibbonPlace place;
    RibbonItem item;  // for a group control
};

struct RibbonDefinition {
    std::u16string explorerXml;
    std::u16string contactXml;
    std::u16string readMailXml;
    // The group's controls in each copy of the group (one per Home tab), by RibbonItem.
    std::vector<std::array<std::u16string, kToolbarControls.size()>> groupIds;
    std::vector<std::u16string> contextMenuIds;
    std::u16string inspectorMenuId;

    // What the control of that id is; nothing for an id not of this customUI.
    std::optional<RibbonControlRole> RoleOf(const std::u16string& id) const;
    // The dial menu an entry of its content belongs to (the entry's id is the menu's, "_" and
    // its number); nothing for another id.
    std::optional<RibbonControlRole> MenuOfEntry(const std::u16string& entryId) const;
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
inline constexpr char16_t kGetContent[] = u"Ribbon_GetContent";
inline constexpr char16_t kGetLabel[] = u"Ribbon_GetLabel";
inline constexpr char16_t kOnDialNumber[] = u"Ribbon_OnDialNumber";
}  // namespace ribbon_callbacks

}  // namespace tessaly::explorer
