// What one window's ribbon group shows, as its ExplorerHandler holds it: the controls of the
// group and the values their callbacks answer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "explorer/toolbar_controls.h"

namespace tessaly::explorer {

// The controls of the ribbon group are the toolbar's, each with the same tag suffix and row
// of the button table.
using RibbonItem = ToolbarControl;

// In the order the group shows them.
inline constexpr auto kRibbonItems =
    std::to_array({RibbonItem::Dial, RibbonItem::Combo, RibbonItem::Business, RibbonItem::Mobile,
                   RibbonItem::Home, RibbonItem::ShowContacts});
static_assert(kRibbonItems.size() == kToolbarControls.size(), "the group shows every control");

// A set of ribbon items, one bit per item.
using RibbonItems = std::uint8_t;
static_assert(kRibbonItems.size() <= 8 * sizeof(RibbonItems), "one bit per ribbon item");
constexpr RibbonItems Bit(RibbonItem item) {
    return static_cast<RibbonItems>(1u << static_cast<unsigned>(item));
}

struct RibbonValues {
    std::u16string text;               // the combo box's text
    std::vector<std::u16string> list;  // the combo box's items
    bool dial = false;                 // the buttons' enabled states
    bool business = false;
    bool mobile = false;
    bool home = false;

    // The items whose callbacks answer differently in `other`.
    RibbonItems DifferingFrom(const RibbonValues& other) const {
        RibbonItems items = 0;
        if (text != other.text || list != other.list) {
            items |= Bit(RibbonItem::Combo);
        }
        if (dial != other.dial) {
            items |= Bit(RibbonItem::Dial);
        }
        if (business != other.business) {
            items |= Bit(RibbonItem::Business);
        }
        if (mobile != other.mobile) {
            items |= Bit(RibbonItem::Mobile);
        }
        if (home != other.home) {
            items |= Bit(RibbonItem::Home);
        }
        return items;
    }
};

}  // namespace tessaly::explorer
