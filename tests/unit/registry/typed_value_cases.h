// Values of every type a registry export holds, and what reading them gives: the same table
// runs against the .reg store and against the Windows registry, so both platforms read a value
// alike. Expected results follow what the shell's RegRead gives (checked under Wine): texts
// are cut at their first NUL, only expandable strings are expanded, binary and multi-string
// data (arrays to the shell) and the types it refuses are errors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace tessaly::testing {

// Set by the tests to kTypedValueVariableValue before reading.
inline constexpr char kTypedValueVariable[] = "TESSALY_TYPED_VALUE_TEST";
inline constexpr char16_t kTypedValueVariableValue[] = u"/from env";

struct TypedValueCase {
    const char* name;  // also the value's name
    std::uint32_t type;
    std::string bytes;
    std::optional<platform::RegistryValue> expected;  // nothing: the read is an error
};

inline std::string Utf16Bytes(std::u16string_view text, bool withNul = true) {
    std::string bytes;
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    if (withNul) {
        bytes.append(2, '\0');
    }
    return bytes;
}

inline std::vector<TypedValueCase> TypedValueCases() {
    using platform::RegistryValue;
    using platform::String;
    constexpr std::uint32_t sz = 1, expand = 2, binary = 3, dword = 4, bigEndian = 5, multi = 7,
                            qword = 11, none = 0;
    const String env = kTypedValueVariableValue;
    return {
        {"Sz", sz, Utf16Bytes(u"C:\\Phone\\p.exe"), RegistryValue(String(u"C:\\Phone\\p.exe"))},
        {"SzNotExpanded", sz, Utf16Bytes(u"%TESSALY_TYPED_VALUE_TEST%"),
         RegistryValue(String(u"%TESSALY_TYPED_VALUE_TEST%"))},
        {"SzCutAtNul", sz, Utf16Bytes(u"a") + Utf16Bytes(u"b"), RegistryValue(String(u"a"))},
        {"SzWithoutNul", sz, Utf16Bytes(u"abc", false), RegistryValue(String(u"abc"))},
        {"SzEmpty", sz, "", RegistryValue(String())},
        {"Expand", expand, Utf16Bytes(u"%TESSALY_TYPED_VALUE_TEST%\\x"),
         RegistryValue(env + u"\\x")},
        {"ExpandAnyCase", expand, Utf16Bytes(u"%tessaly_typed_value_test%"), RegistryValue(env)},
        {"ExpandTwice", expand, Utf16Bytes(u"%TESSALY_TYPED_VALUE_TEST%%TESSALY_TYPED_VALUE_TEST%"),
         RegistryValue(env + env)},
        {"ExpandUndefined", expand, Utf16Bytes(u"%TESSALY_UNDEFINED_VARIABLE%\\x"),
         RegistryValue(String(u"%TESSALY_UNDEFINED_VARIABLE%\\x"))},
        {"ExpandScansOnAfterUndefined", expand,
         Utf16Bytes(u"%TESSALY_UNDEFINED_VARIABLE%TESSALY_TYPED_VALUE_TEST%"),
         RegistryValue(String(u"%TESSALY_UNDEFINED_VARIABLE%TESSALY_TYPED_VALUE_TEST%"))},
        {"ExpandPercents", expand, Utf16Bytes(u"50% %% %"), RegistryValue(String(u"50% %% %"))},
        {"ExpandEmpty", expand, Utf16Bytes(u""), RegistryValue(String())},
        {"ExpandCutAtNul", expand, Utf16Bytes(u"%TESSALY_TYPED_VALUE_TEST%") + Utf16Bytes(u"b"),
         RegistryValue(env)},
        {"Dword", dword, std::string("\x07\x01\x00\x80", 4), RegistryValue(0x80000107u)},
        {"DwordTooShort", dword, std::string("\x07\x01\x00", 3), std::nullopt},
        {"Binary", binary, std::string("\x01\x02\xff", 3), std::nullopt},
        {"MultiString", multi, Utf16Bytes(u"a") + Utf16Bytes(u"bc") + Utf16Bytes(u""),
         std::nullopt},
        {"Qword", qword, std::string("\x01\x00\x00\x00\x02\x00\x00\x00", 8), std::nullopt},
        {"None", none, std::string("\x41\x00", 2), std::nullopt},
        {"BigEndianDword", bigEndian, std::string("\x00\x00\x00\x07", 4), std::nullopt},
    };
}

}  // namespace tessaly::testing
