// Text for the customUI XML the add-in hands to Office: attribute values escaped.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::explorer {

std::u16string XmlEscaped(std::u16string_view text);
// ` name="value"`, the value escaped.
std::u16string XmlAttribute(std::u16string_view name, std::u16string_view value);

}  // namespace tessaly::explorer
