// The add-in's toolbar controls as scripts name them. A control is recognised by its tag,
// which ends in "_" and the name ("…__Dial"), whatever prefix the add-in chose.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::sim_tool {

enum class ControlName { Dial, Combo, Business, Mobile, Home, ShowContacts };

inline constexpr std::array<ControlName, 6> kAllControls = {
    ControlName::Dial,   ControlName::Combo, ControlName::Business,
    ControlName::Mobile, ControlName::Home,  ControlName::ShowContacts};

std::string_view NameOf(ControlName control);
// Without regard to case; nothing for an unknown name.
std::optional<ControlName> ParseControlName(std::string_view text);
// The tag's control, when the tag ends in "_<Name>".
std::optional<ControlName> ControlOfTag(std::u16string_view tag);
// The part of the tag before "_<Name>" ("Tessaly_" for "Tessaly__Dial").
std::optional<std::u16string> PrefixOfTag(std::u16string_view tag);
std::u16string TagFor(std::u16string_view prefix, ControlName control);

}  // namespace tessaly::sim_tool
