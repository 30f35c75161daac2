// The library's resources where there is no Windows resource section: the string table
// compiled in from the same source as the resource script.
#pragma once

#include "platform/services.h"

namespace tessaly::resources {

class EmbeddedResources : public platform::Resources {
  public:
    std::optional<platform::String> StringResource(std::uint16_t id) override;
    std::shared_ptr<host::Picture> BitmapPicture(std::int32_t id) override;
};

}  // namespace tessaly::resources
