#include "resources/embedded_resources.h"

#include "resources/bitmaps.h"
#include "resources/string_table.h"

namespace tessaly::resources {

std::optional<platform::String> EmbeddedResources::StringResource(std::uint16_t id) {
    if (auto text = FindString(id)) {
        return platform::String(*text);
    }
    return std::nullopt;
}

std::shared_ptr<platform::Picture> EmbeddedResources::BitmapPicture(std::int32_t id) {
    const auto bmp = FindBitmap(id);
    if (bmp.empty()) {
        return nullptr;
    }
    return std::make_shared<EmbeddedPicture>(id, bmp);
}

}  // namespace tessaly::resources
