// File attributes from stat(2), mapped to the Windows attribute bits the core asks for.
#pragma once

#include "platform/services.h"

namespace tessaly::platform::posix {

inline constexpr std::uint32_t kFileAttributeArchive = 0x20;

class PosixFileSystem final : public FileSystem {
  public:
    // kFileAttributeDirectory for a directory, kFileAttributeArchive for anything else that
    // exists. Symbolic links are followed, so a dangling link counts as missing. std::nullopt
    // when the path does not exist, cannot be reached, or is not valid UTF-16.
    std::optional<std::uint32_t> FileAttributesOf(std::u16string_view path) override;
};

}  // namespace tessaly::platform::posix
