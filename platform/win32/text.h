// Conversions between the core's UTF-16 strings and the wide strings of the Win32 API. On
// Windows wchar_t is a UTF-16 code unit, so both are the same units under another type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace tessaly::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

// The same units seen as the other type, without a copy.
inline std::wstring_view WideView(std::u16string_view text) noexcept {
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string_view Utf16View(std::wstring_view text) noexcept {
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// A NUL-terminated copy for the API; embedded NULs are kept (the API stops at the first).
inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(WideView(text));
}

inline platform::String FromWide(const wchar_t* text, std::size_t length) {
    return platform::String(Utf16View({text, length}));
}

inline bool HasNul(std::u16string_view text) noexcept {
    return text.find(u'\0') != std::u16string_view::npos;
}

// platform::Error "<what> \"<subject>\": <system message> (<code>)".
[[noreturn]] void ThrowSystemError(const char* what, std::u16string_view subject,
                                   unsigned long code);

}  // namespace tessaly::win32
