#include "addin/win32/registrar.h"

#include <oleauto.h>

#include <string>
#include <variant>

#include "addin/registration.h"
#include "addin/win32/guids.h"
#include "addin/win32/module.h"
#include "host/dispatch/late_binding.h"
#include "platform/win32/raii.h"
#include "platform/win32/text.h"

// oleaut32 exports these (Windows Vista SP1 and later) but the MinGW headers do not declare
// them.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libId, WORD major, WORD minor, LCID lcid,
                                        SYSKIND sysKind);
}

namespace tessaly::win32 {

namespace {

using com::Guard;
using host::dispatch::ToWide;

[[nodiscard]] HRESULT writeRow(const registration::Row& row) {
    const std::wstring key = ToWide(row.key);
    const std::wstring name = ToWide(row.name);
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    LSTATUS status = ERROR_SUCCESS;
    if (const auto* number = std::get_if<std::uint32_t>(&row.value)) {
        const DWORD data = *number;
        status = RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), valueName, REG_DWORD, &data,
                                 sizeof data);
    } else {
        const std::wstring text = ToWide(std::get<platform::String>(row.value));
        status = RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), valueName, REG_SZ, text.c_str(),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return HRESULT_FROM_WIN32(status);
}

[[nodiscard]] HRESULT deleteKey(const platform::String& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, ToWide(key).c_str());
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    // RegDeleteTreeW empties the key; the key itself goes with RegDeleteKeyW.
    const LSTATUS removed = RegDeleteKeyW(HKEY_CURRENT_USER, ToWide(key).c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND
               ? S_OK
               : HRESULT_FROM_WIN32(removed);
}

// Removes `key` if it holds no value and no subkey: a parent that registration created, or
// that someone else keeps for their own entries (then it is not empty and stays).
[[nodiscard]] HRESULT deleteIfEmpty(const platform::String& key) {
    const std::wstring name = ToWide(key);
    UniqueHKey opened;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, KEY_READ, opened.put());
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    status = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
    // Closed before the key may be deleted.
    opened.reset();
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    if (subkeys != 0 || values != 0) {
        return S_OK;
    }
    status = RegDeleteKeyW(HKEY_CURRENT_USER, name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

[[nodiscard]] HRESULT registerTypeLib(const std::wstring& path) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) {
        return hr;
    }
    std::wstring directory = path.substr(0, path.find_last_of(L'\\') + 1);
    // Windows registers for the user; Wine registers machine-wide, which works as well.
    return RegisterTypeLibForUser(library.get(), const_cast<wchar_t*>(path.c_str()),
                                  directory.empty() ? nullptr : directory.data());
}

bool typeLibRegistered() {
    UniqueTaskString text;
    if (FAILED(StringFromCLSID(LIBID_BrindleAddin, text.put()))) {
        return true;  // cannot tell: let UnRegisterTypeLibForUser decide
    }
    const std::wstring key = std::wstring(L"TypeLib\\") + text.get();
    UniqueHKey opened;
    const LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put());
    return status != ERROR_FILE_NOT_FOUND;
}

[[nodiscard]] HRESULT unregisterTypeLib() {
    if (!typeLibRegistered()) {
        return S_OK;
    }
    const HRESULT hr = UnRegisterTypeLibForUser(LIBID_BrindleAddin, kTypeLibMajor, kTypeLibMinor,
                                                LOCALE_NEUTRAL, kSysKind);
    // A library registered by another build (the other word size) or already gone is not
    // ours to fail on.
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ||
        hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        return S_OK;
    }
    return hr;
}

}  // namespace

HRESULT RegisterServer() noexcept {
    return Guard([]() -> HRESULT {
        const std::wstring path = module::Path();
        if (path.empty()) {
            return HRESULT_FROM_WIN32(GetLastError());
        }
        const auto rows = registration::RegistrationRows(win32::Utf16View(path));
        for (const auto& row : rows) {
            if (const HRESULT hr = writeRow(row); FAILED(hr)) {
                return hr;
            }
        }
        return registerTypeLib(path);
    });
}

HRESULT UnregisterServer() noexcept {
    return Guard([]() -> HRESULT {
        // Remove everything that can be removed, and report the first failure.
        HRESULT first = S_OK;
        for (const auto& key : registration::RegistrationKeys()) {
            if (const HRESULT hr = deleteKey(key); FAILED(hr) && SUCCEEDED(first)) {
                first = hr;
            }
        }
        // Tidying only: a parent that cannot go (Windows keeps the user's classes in a hive
        // of its own, whose root cannot be deleted) leaves the registration removed.
        for (const auto& key : registration::ParentKeys()) {
            static_cast<void>(deleteIfEmpty(key));
        }
        if (const HRESULT hr = unregisterTypeLib(); FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
        }
        return first;
    });
}

}  // namespace tessaly::win32
