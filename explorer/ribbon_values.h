// What one window's ribbon group shows, as its ExplorerHandler holds it: the controls of the
// group and the values their callbacks answer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::explorer {

// The controls of the ribbon group, in the order the group shows them.
enum class RibbonItem : std::uint8_t { Dial, Combo, Business, Mobile, Home, ShowContacts };

struct RibbonItemSpec {
    RibbonItem item;
    const char16_t* suffix;  // the same tag suffix as the toolbar control's
    int buttonRow;           // the row of the button table (1-based); 0 for the combo box
};

inline constexpr std::array<RibbonItemSpec, 6> kRibbonItems = {{
    {RibbonItem::Dial, u"_Dial", 4},
    {RibbonItem::Combo, u"_Combo", 0},
    {RibbonItem::Business, u"_Business", 1},
    {RibbonItem::Mobile, u"_Mobile", 2},
    {RibbonItem::Home, u"_Home", 3},
    {RibbonItem::ShowContacts, u"_ShowContacts", 5},
}};

// A set of ribbon items, one bit per item.
using RibbonItems = std::uint8_t;
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
