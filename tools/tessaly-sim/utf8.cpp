#include "utf8.h"

#include "platform/utf.h"

namespace tessaly::sim_tool {

std::u16string ToUtf16(std::string_view utf8) {
    return platform::fromUtf8(utf8);
}

std::string ToUtf8(std::u16string_view utf16) {
    std::u16string repaired;
    for (;;) {
        const std::size_t bad = platform::findInvalidUtf16(utf16);
        if (bad == std::u16string_view::npos) {
            break;
        }
        if (repaired.empty()) {
            repaired.assign(utf16);
        }
        repaired[bad] = u'\uFFFD';
        utf16 = repaired;
    }
    return platform::toUtf8(utf16);
}

bool IsValidUtf8(std::string_view text) {
    try {
        platform::fromUtf8(text);
        return true;
    } catch (const platform::UtfError&) {
        return false;
    }
}

}  // namespace tessaly::sim_tool
