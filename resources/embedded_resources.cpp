#include "resources/embedded_resources.h"

#include "resources/string_table.h"

namespace tessaly::resources {

std::optional<platform::String> EmbeddedResources::StringResource(std::uint16_t id) {
    if (auto text = FindString(id)) {
        return platform::String(*text);
    }
    return std::nullopt;
}

std::shared_ptr<host::Picture> EmbeddedResources::BitmapPicture(std::int32_t) {
    // The keypad bitmaps are not drawn yet.
    return nullptr;
}

}  // namespace tessaly::resources
