// The library's resources where there is no Windows resource section: the string table
// compiled in from the same source as the resource script.
#pragma once

#include <span>

#include "platform/services.h"

namespace tessaly::resources {

// A bitmap resource held as the bytes of its .bmp file.
class EmbeddedPicture : public platform::Picture {
  public:
    EmbeddedPicture(std::int32_t id, std::span<const unsigned char> bmp) : id_(id), bmp_(bmp) {}
    std::int32_t id() const { return id_; }
    std::span<const unsigned char> bmp() const { return bmp_; }

  private:
    std::int32_t id_;
    std::span<const unsigned char> bmp_;
};

class EmbeddedResources : public platform::Resources {
  public:
    std::optional<platform::String> StringResource(std::uint16_t id) override;
    std::shared_ptr<platform::Picture> BitmapPicture(std::int32_t id) override;
};

}  // namespace tessaly::resources
