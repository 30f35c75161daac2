#include "platform/posix/file_system.h"

#include <sys/stat.h>

#include <string>

#include "platform/utf.h"

namespace tessaly::platform::posix {

std::optional<std::uint32_t> PosixFileSystem::FileAttributesOf(std::u16string_view path) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    std::string native;
    try {
        native = toUtf8(path);
    } catch (const UtfError&) {
        return std::nullopt;  // an unpaired surrogate names no file
    }
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return S_ISDIR(info.st_mode) ? kFileAttributeDirectory : kFileAttributeArchive;
}

}  // namespace tessaly::platform::posix
