// The add-in's toolbar controls as scripts name them. A control is recognised by its tag,
// which ends in "_" and the name ("…__Dial"), whatever prefix the add-in chose.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "explorer/toolbar_controls.h"

namespace tessaly::frontend {

using ControlName = explorer::ToolbarControl;

std::string_view NameOf(ControlName control);
bool IsButton(ControlName control);
// "Dial, Combo, … or ShowContacts": every control's name, or the buttons' alone in the order
// of the button table, each after `prefix`.
std::string NameList(bool buttonsOnly, std::string_view prefix = {});
// Without regard to case; nothing for an unknown name.
std::optional<ControlName> ParseControlName(std::string_view text);
// The tag's control, when the tag ends in "_<Name>".
std::optional<ControlName> ControlOfTag(std::u16string_view tag);
// The control a ribbon id names: as a tag does, or with one more "_<copy>" after the name, as
// the copies of one control on several tabs carry ("…__Dial_Mail", "…__Dial_Contacts").
std::optional<ControlName> ControlOfRibbonId(std::u16string_view id);
// The part of the tag before "_<Name>" ("Tessaly_" for "Tessaly__Dial").
std::optional<std::u16string> PrefixOfTag(std::u16string_view tag);
std::u16string TagFor(std::u16string_view prefix, ControlName control);

}  // namespace tessaly::frontend
