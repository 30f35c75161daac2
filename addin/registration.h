// The registry entries that make the add-in known to COM and to Outlook, as data: the DLL's
// registration writes these rows and its unregistration deletes these keys. Everything lives
// in the current user's hive, so neither needs administrator rights.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace tessaly::registration {

using String = std::u16string;

inline constexpr std::u16string_view kProgId = u"BrindleAddin.Tessaly";
// Must match addin/win32/guids.h and resources/BrindleAddin.idl; the Wine tests compare them.
inline constexpr std::u16string_view kClsidTessaly = u"{77A93BD5-642A-486A-95E4-93077930DBAE}";
inline constexpr std::u16string_view kLibId = u"{BC59B8F3-285E-489D-B844-DBF403C984A9}";
inline constexpr std::u16string_view kTypeLibVersion = u"1.0";

// One value to write. The key is relative to HKEY_CURRENT_USER; an empty name is the key's
// default value.
struct Row {
    String key;
    String name;
    platform::RegistryValue value;

    bool operator==(const Row&) const = default;
};

// The values to write for the DLL at `dllPath` (its full path, stored verbatim), parents
// before children. Throws std::invalid_argument when the path is empty.
std::vector<Row> RegistrationRows(std::u16string_view dllPath);

// The keys, relative to HKEY_CURRENT_USER, that unregistration deletes with all they hold.
// Together they cover every row above and nothing else.
std::vector<String> RegistrationKeys();

// The keys above those that writing the rows may have created (in a fresh profile none of
// them exists), deepest first. Unregistration removes each one that is empty again; the
// shared roots Software and Software\Microsoft are never among them.
std::vector<String> ParentKeys();

enum class Bitness { Win32, Win64 };

// The values that registering the type library for the user writes, as Windows writes them
// for the library in the DLL at `dllPath` whose folder is `helpDir`: the TypeLib key and one
// Interface key per dispatch interface, relative to HKEY_CURRENT_USER. The DLL leaves this to
// the system's RegisterTypeLibForUser, which reads the library itself; installers that cannot
// call it write these rows. Throws std::invalid_argument when the path is empty.
std::vector<Row> TypeLibRows(std::u16string_view dllPath, std::u16string_view helpDir,
                             Bitness bitness);

}  // namespace tessaly::registration
