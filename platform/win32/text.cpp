#include "platform/win32/text.h"

#include <windows.h>

#include <string>

#include "platform/utf.h"
#include "platform/win32/raii.h"

namespace tessaly::win32 {

void ThrowSystemError(const char* what, std::u16string_view subject, unsigned long code) {
    UniqueLocalString buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::u16string systemText;
    if (buffer) {
        systemText = FromWide(buffer.get(), length);
        while (!systemText.empty() && (systemText.back() == u'\n' || systemText.back() == u'\r' ||
                                       systemText.back() == u' ' || systemText.back() == u'.')) {
            systemText.pop_back();
        }
    }
    std::string message = std::string(what) + " \"" + platform::toPrintableUtf8(subject) + "\": ";
    message += systemText.empty() ? std::string("error") : platform::toPrintableUtf8(systemText);
    message += " (" + std::to_string(code) + ")";
    throw platform::Error(message);
}

}  // namespace tessaly::win32
