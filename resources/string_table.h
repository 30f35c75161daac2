// The string table compiled into the library, for platforms that have no resource section.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly::resources {

// The text of a string resource, or std::nullopt when the table has no such id.
std::optional<std::u16string_view> FindString(std::uint16_t id);

}  // namespace tessaly::resources
