// The controls of the add-in's toolbar, one row each. Building, tracking, saving and clearing
// the toolbar, the ribbon group and tessaly-sim's names all read this table. Each procedure
// walks the controls in an order of its own, which it lists where it runs: the host calls
// and the registry writes follow that order.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "host/office.h"
#include "softphone/common.h"

namespace tessaly::explorer {

enum class ToolbarControl : std::uint8_t { Dial, Combo, Business, Mobile, Home, ShowContacts };

struct ToolbarControlInfo {
    ToolbarControl control;
    std::string_view name;   // as scripts name the control
    const char16_t* suffix;  // of the control's tag, after the tag prefix: "_" and the name
    std::int32_t type;       // the host's control type
    int buttonRow;           // the control's row of the button table (1-based); 0 for none
};

// One row for each ToolbarControl, in its order.
inline constexpr auto kToolbarControls = std::to_array<ToolbarControlInfo>({
    {ToolbarControl::Dial, "Dial", u"_Dial", host::msoControlButton, 4},
    {ToolbarControl::Combo, "Combo", u"_Combo", host::msoControlComboBox, 0},
    {ToolbarControl::Business, "Business", u"_Business", host::msoControlButton, 1},
    {ToolbarControl::Mobile, "Mobile", u"_Mobile", host::msoControlButton, 2},
    {ToolbarControl::Home, "Home", u"_Home", host::msoControlButton, 3},
    {ToolbarControl::ShowContacts, "ShowContacts", u"_ShowContacts", host::msoControlButton, 5},
});

constexpr const ToolbarControlInfo& InfoOf(ToolbarControl control) {
    return kToolbarControls[static_cast<std::size_t>(control)];
}

namespace detail {

constexpr bool RowsInEnumOrder() {
    for (std::size_t i = 0; i < kToolbarControls.size(); ++i) {
        if (static_cast<std::size_t>(kToolbarControls[i].control) != i) {
            return false;
        }
    }
    return true;
}

constexpr bool SuffixIsTheName(const ToolbarControlInfo& info) {
    const std::u16string_view suffix(info.suffix);
    return suffix.size() == info.name.size() + 1 && suffix[0] == u'_' &&
           std::equal(info.name.begin(), info.name.end(), suffix.begin() + 1,
                      [](char a, char16_t b) { return static_cast<char16_t>(a) == b; });
}

// Every button has a row of the button table of its own, and every row has its button.
constexpr bool EachButtonRowOnce() {
    std::array<int, softphone::kButtonRows + 1> uses{};
    for (const ToolbarControlInfo& info : kToolbarControls) {
        const bool button = info.type == host::msoControlButton;
        if (button != (info.buttonRow != 0) || info.buttonRow < 0 ||
            info.buttonRow > static_cast<int>(softphone::kButtonRows)) {
            return false;
        }
        ++uses[static_cast<std::size_t>(info.buttonRow)];
    }
    return std::all_of(uses.begin() + 1, uses.end(), [](int n) { return n == 1; });
}

}  // namespace detail

static_assert(detail::RowsInEnumOrder(), "kToolbarControls is indexed by ToolbarControl");
static_assert(std::all_of(kToolbarControls.begin(), kToolbarControls.end(),
                          detail::SuffixIsTheName),
              "a tag suffix is \"_\" and the control's name");
static_assert(detail::EachButtonRowOnce(), "each button has one row of the button table");

}  // namespace tessaly::explorer
