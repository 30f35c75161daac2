#include "tests/wine/com/registry_probe.h"

#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <variant>

#include "addin/registration.h"
#include "addin/win32/guids.h"
#include "platform/utf.h"
#include "platform/win32/raii.h"
#include "platform/win32/text.h"

namespace tessaly::testing {

namespace {

bool typeLibRegistered() {
    BSTR path = nullptr;
    const HRESULT hr = QueryPathOfRegTypeLib(win32::LIBID_BrindleAddin, win32::kTypeLibMajor,
                                             win32::kTypeLibMinor, LOCALE_NEUTRAL, &path);
    SysFreeString(path);
    return SUCCEEDED(hr);
}

}  // namespace

std::vector<std::string> RegistrationProblems(const std::wstring& dllPath) {
    std::vector<std::string> problems;
    for (const auto& row : registration::RegistrationRows(win32::Utf16View(dllPath))) {
        const std::string where =
            platform::toPrintableUtf8(row.key) + " : " + platform::toPrintableUtf8(row.name);
        const std::wstring key = win32::ToWide(row.key);
        const std::wstring name = win32::ToWide(row.name);
        const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
        if (const auto* number = std::get_if<std::uint32_t>(&row.value)) {
            DWORD data = 0;
            DWORD size = sizeof data;
            const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), valueName,
                                                RRF_RT_REG_DWORD, nullptr, &data, &size);
            if (status != ERROR_SUCCESS) {
                problems.push_back(where + ": no DWORD (" + std::to_string(status) + ")");
            } else if (data != *number) {
                problems.push_back(where + ": " + std::to_string(data));
            }
        } else {
            wchar_t data[1024] = {};
            DWORD size = sizeof data;
            const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), valueName,
                                                RRF_RT_REG_SZ, nullptr, data, &size);
            const auto& expected = std::get<std::u16string>(row.value);
            if (status != ERROR_SUCCESS) {
                problems.push_back(where + ": no string (" + std::to_string(status) + ")");
            } else if (std::wstring(data) != win32::ToWide(expected)) {
                problems.push_back(where + ": \"" +
                                   platform::toPrintableUtf8(win32::Utf16View(data)) +
                                   "\" instead of \"" + platform::toPrintableUtf8(expected) + "\"");
            }
        }
    }
    if (!typeLibRegistered()) {
        problems.push_back("type library not registered");
    }
    return problems;
}

std::vector<std::string> LeftoverRegistration() {
    std::vector<std::string> problems;
    for (const auto& key : registration::RegistrationKeys()) {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::ToWide(key).c_str(), 0, KEY_READ, &handle) ==
            ERROR_SUCCESS) {
            RegCloseKey(handle);
            problems.push_back("key still there: " + platform::toPrintableUtf8(key));
        }
    }
    // The keys above the add-in's go as well once nothing else is in them.
    for (const auto& key : registration::ParentKeys()) {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::ToWide(key).c_str(), 0, KEY_READ, &handle) ==
            ERROR_SUCCESS) {
            DWORD subkeys = 0;
            DWORD values = 0;
            RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(handle);
            if (subkeys == 0 && values == 0) {
                problems.push_back("empty parent key left: " + platform::toPrintableUtf8(key));
            }
        }
    }
    if (typeLibRegistered()) {
        problems.push_back("type library still registered");
    }
    return problems;
}

}  // namespace tessaly::testing
