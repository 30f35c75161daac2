// FileSystem through GetFileAttributesW.
#include <windows.h>

#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

std::optional<std::uint32_t> Win32FileSystem::FileAttributesOf(std::u16string_view path) {
    // The API would stop at a NUL and answer for a different, shorter path.
    if (path.empty() || HasNul(path)) {
        return std::nullopt;
    }
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(attributes);
}

}  // namespace tessaly::win32
