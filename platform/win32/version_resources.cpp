// VersionResources through the version library (GetFileVersionInfoW and VerQueryValueW).
#include <windows.h>

#include <winver.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/case_fold.h"
#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

namespace {

// VerQueryValueW reports string lengths in characters but binary values (the root block,
// VarFileInfo) in bytes, so only string queries can be turned into text.
bool NamesAString(std::u16string_view query) {
    while (query.starts_with(u'\\')) {
        query.remove_prefix(1);
    }
    constexpr std::u16string_view kStrings = u"StringFileInfo\\";
    return query.size() > kStrings.size() &&
           platform::equalsIgnoringAsciiCase(query.substr(0, kStrings.size()), kStrings);
}

}  // namespace

std::optional<platform::String> Win32VersionResources::QueryValue(std::u16string_view file,
                                                                  std::u16string_view queryPath) {
    if (file.empty() || HasNul(file) || HasNul(queryPath) || !NamesAString(queryPath)) {
        return std::nullopt;
    }
    const std::wstring fileName = ToWide(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(fileName.c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), ToWide(queryPath).c_str(), &value, &length) ||
        value == nullptr) {
        return std::nullopt;
    }
    // The length comes from the file; a damaged one must not take us past the block.
    const auto* text = static_cast<const BYTE*>(value);
    const BYTE* end = block.data() + block.size();
    if (text < block.data() || text > end) {
        return std::nullopt;
    }
    const auto available = static_cast<std::size_t>(end - text) / sizeof(wchar_t);
    const std::size_t units = std::min<std::size_t>(length, available);
    platform::String result(units, u'\0');
    std::memcpy(result.data(), text, units * sizeof(char16_t));
    return result;
}

}  // namespace tessaly::win32
