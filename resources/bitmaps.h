// The bitmap resources compiled into the library, for platforms without a resource section.
#pragma once

#include <cstdint>
#include <span>

namespace tessaly::resources {

// The .bmp file of bitmap resource `id` (102 the keypad face, 103 its mask); empty if none.
std::span<const unsigned char> FindBitmap(std::int32_t id);

}  // namespace tessaly::resources
