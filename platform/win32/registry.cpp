// ShellRegistry and RegistryKeys on the Windows registry.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell_registry.h"
#include "platform/utf.h"
#include "platform/win32/raii.h"
#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

using platform::RegistryRoot;
using platform::ShellPath;

namespace {

HKEY RootKey(RegistryRoot root) noexcept {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return HKEY_CURRENT_USER;
}

ShellPath ParseOrThrow(const char* operation, std::u16string_view path) {
    const auto parsed = platform::ParseShellPath(path);
    if (!parsed) {
        throw platform::Error(std::string(operation) + ": not a registry path: \"" +
                              platform::toPrintableUtf8(path) + "\"");
    }
    return *parsed;
}

bool IsMissing(LSTATUS status) noexcept {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

platform::String Expanded(const platform::String& text, std::u16string_view path) {
    const std::wstring source = ToWide(text);
    std::wstring target(source.size() + 1, L'\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), target.data(),
                                                       static_cast<DWORD>(target.size()));
        if (needed == 0) {
            ThrowSystemError("RegRead: cannot expand", path, GetLastError());
        }
        if (needed <= target.size()) {
            return FromWide(target.c_str(), needed - 1);
        }
        target.assign(needed, L'\0');
    }
}

// The key of `target` opened for reading values; empty when it does not exist. `path` names
// it in errors.
UniqueHKey OpenForReading(const ShellPath& target, std::u16string_view path) {
    UniqueHKey key;
    const LSTATUS status = RegOpenKeyExW(RootKey(target.root), ToWide(target.key).c_str(), 0,
                                         KEY_QUERY_VALUE, key.put());
    if (IsMissing(status)) {
        return {};
    }
    if (status != ERROR_SUCCESS) {
        ThrowSystemError("RegRead: cannot open the key of", path, status);
    }
    return key;
}

// The value `valueName` of an opened key as RegRead gives it; `path` names it in errors.
std::optional<platform::RegistryValue> ReadValue(HKEY key, const std::wstring& valueName,
                                                 std::u16string_view path) {
    std::vector<BYTE> data(256);
    DWORD type = REG_NONE;
    LSTATUS status = ERROR_SUCCESS;
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            // Another process may make the value longer between two calls; ask again.
            data.resize(std::max<std::size_t>(size, data.size() * 2));
            continue;
        }
        if (status == ERROR_SUCCESS) {
            data.resize(size);
        }
        break;
    }
    if (IsMissing(status)) {
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
        ThrowSystemError("RegRead: cannot read", path, status);
    }

    return platform::ShellValue(
        type, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), path,
        [path](const platform::String& text) { return Expanded(text, path); });
}

class Win32OpenedKey final : public platform::OpenedKey {
  public:
    Win32OpenedKey(UniqueHKey key, std::u16string_view keyPath)
        : key_(std::move(key)), keyPath_(keyPath) {}

    std::optional<platform::RegistryValue> Read(std::u16string_view name) override {
        const platform::String path = keyPath_ + u"\\" + platform::String(name);
        if (!platform::IsValueName(name)) {
            throw platform::Error("RegRead: not a value name: \"" +
                                  platform::toPrintableUtf8(path) + "\"");
        }
        return ReadValue(key_.get(), ToWide(name), path);
    }

  private:
    UniqueHKey key_;
    platform::String keyPath_;
};

}  // namespace

std::optional<platform::RegistryValue> Win32Registry::RegRead(std::u16string_view path) {
    const ShellPath target = ParseOrThrow("RegRead", path);
    const UniqueHKey key = OpenForReading(target, path);
    if (!key) {
        return std::nullopt;
    }
    return ReadValue(key.get(), ToWide(target.value), path);
}

std::unique_ptr<platform::OpenedKey> Win32Registry::OpenKey(std::u16string_view keyPath) {
    // Parsed as the path of the key's default value, which splits off the same key as any
    // value path below it.
    const platform::String path = platform::String(keyPath) + u"\\";
    const ShellPath target = ParseOrThrow("RegRead", path);
    UniqueHKey key = OpenForReading(target, path);
    if (!key) {
        return nullptr;
    }
    return std::make_unique<Win32OpenedKey>(std::move(key), keyPath);
}

void Win32Registry::RegWrite(std::u16string_view path, const platform::RegistryValue& value) {
    const ShellPath target = ParseOrThrow("RegWrite", path);
    UniqueHKey key;
    LSTATUS status =
        RegCreateKeyExW(RootKey(target.root), ToWide(target.key).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        ThrowSystemError("RegWrite: cannot create the key of", path, status);
    }
    const std::wstring valueName = ToWide(target.value);
    if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        const DWORD data = *number;
        status = RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&data), sizeof data);
    } else {
        const std::wstring text = ToWide(std::get<platform::String>(value));
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);  // with the NUL
        if (bytes > MAXDWORD) {
            throw platform::Error("RegWrite: the value for \"" + platform::toPrintableUtf8(path) +
                                  "\" is too long");
        }
        status =
            RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
    }
    if (status != ERROR_SUCCESS) {
        ThrowSystemError("RegWrite: cannot write", path, status);
    }
}

std::optional<platform::SubkeyList> Win32Registry::SubkeyNames(std::u16string_view key) {
    const std::u16string_view relative = platform::CurrentUserRelativeKey(key);
    if (HasNul(relative)) {
        return std::nullopt;
    }
    UniqueHKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(relative).c_str(), 0, KEY_READ, opened.put()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    platform::SubkeyList list;
    std::vector<wchar_t> name(256);  // a key name has at most 255 characters
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status = RegEnumKeyExW(opened.get(), index, name.data(), &length, nullptr,
                                             nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            return list;
        }
        if (status == ERROR_MORE_DATA && name.size() < 32768) {
            name.resize(name.size() * 2);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            // The subkeys before this index were enumerated and stay usable.
            list.failure = "SubkeyNames: cannot enumerate \"" + platform::toPrintableUtf8(key) +
                           "\" at index " + std::to_string(index) + ": error " +
                           std::to_string(status);
            return list;
        }
        list.names.push_back(FromWide(name.data(), length));
        ++index;
    }
}

}  // namespace tessaly::win32
