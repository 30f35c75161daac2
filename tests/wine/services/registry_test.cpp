// The registry services against Wine's real registry, under a scratch key of the current user.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "test_support.h"
#include "tests/unit/registry/typed_value_cases.h"

namespace tessaly::win32 {
namespace {

using platform::RegistryValue;
using platform::String;
using testing::U16;

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        scratch_ = L"Software\\TessalyTest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(random());
        base_ = u"HKCU\\" + U16(scratch_);
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TessalyTest");  // only when empty
    }

    UniqueHKey OpenScratch(const std::wstring& sub = {}) const {
        UniqueHKey key;
        const std::wstring path = sub.empty() ? scratch_ : scratch_ + L"\\" + sub;
        RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
        return key;
    }
    // Writes a value the way another program would, for types the service never writes.
    void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) const {
        UniqueHKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, scratch_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    Win32Platform platform_{GetModuleHandleW(nullptr)};
    platform::ShellRegistry& registry_ = platform_.services().registry;
    platform::RegistryKeys& keys_ = platform_.services().registryKeys;
    std::wstring scratch_;  // relative to HKCU
    String base_;           // "HKCU\<scratch>"
};

TEST_F(RegistryTest, ValuesSurviveTheRoundTripWithTheirRegistryType) {
    const std::pair<const char16_t*, RegistryValue> cases[] = {
        {u"Zero", RegistryValue(std::uint32_t{0})},
        {u"One", RegistryValue(std::uint32_t{1})},
        {u"High bit", RegistryValue(std::uint32_t{0x80000000u})},
        {u"All bits", RegistryValue(std::uint32_t{0xFFFFFFFFu})},
        {u"Empty", RegistryValue(String())},
        {u"Plain", RegistryValue(String(u"C:\\Program Files\\Phone\\phone.exe"))},
        {u"Non-ASCII", RegistryValue(String(u"Gr\u00fc\u00dfe \u03a9 \U0001F600"))},
        // Longer than the first read buffer, so the read has to grow it.
        {u"Long", RegistryValue(String(5000, u'x'))},
    };
    for (const auto& [name, value] : cases) {
        registry_.RegWrite(base_ + u"\\" + name, value);
    }
    const UniqueHKey key = OpenScratch();
    ASSERT_TRUE(key);
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(platform::toPrintableUtf8(name));
        EXPECT_EQ(registry_.RegRead(base_ + u"\\" + name), value);

        DWORD type = 0;
        DWORD size = 0;
        ASSERT_EQ(RegQueryValueExW(key.get(), win32::WideView(name).data(), nullptr, &type, nullptr,
                                   &size),
                  ERROR_SUCCESS);
        if (const auto* text = std::get_if<String>(&value)) {
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(size, (text->size() + 1) * sizeof(wchar_t)) << "stored with its NUL";
        } else {
            EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
            EXPECT_EQ(size, sizeof(DWORD));
        }
    }
}

TEST_F(RegistryTest, RewritingAValueReplacesItsType) {
    registry_.RegWrite(base_ + u"\\V", std::uint32_t{7});
    registry_.RegWrite(base_ + u"\\V", String(u"seven"));
    EXPECT_EQ(registry_.RegRead(base_ + u"\\V"), RegistryValue(String(u"seven")));
    registry_.RegWrite(base_ + u"\\V", std::uint32_t{8});
    EXPECT_EQ(registry_.RegRead(base_ + u"\\V"), RegistryValue(std::uint32_t{8}));
}

TEST_F(RegistryTest, MissingValuesAndKeysReadAsNothing) {
    registry_.RegWrite(base_ + u"\\Present", std::uint32_t{1});
    EXPECT_EQ(registry_.RegRead(base_ + u"\\Absent"), std::nullopt);
    EXPECT_EQ(registry_.RegRead(base_ + u"\\No such key\\Value"), std::nullopt);
    EXPECT_EQ(registry_.RegRead(base_ + u"\\No\\such\\path\\"), std::nullopt);
    // The key exists but its default value was never set.
    EXPECT_EQ(registry_.RegRead(base_ + u"\\"), std::nullopt);
}

TEST_F(RegistryTest, TrailingBackslashNamesTheDefaultValue) {
    registry_.RegWrite(base_ + u"\\Sub\\", String(u"the default"));
    registry_.RegWrite(base_ + u"\\Sub\\Named", String(u"named"));
    EXPECT_EQ(registry_.RegRead(base_ + u"\\Sub\\"), RegistryValue(String(u"the default")));

    const UniqueHKey key = OpenScratch(L"Sub");
    ASSERT_TRUE(key);
    wchar_t data[32] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(
        RegQueryValueExW(key.get(), L"", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, L"the default");
}

TEST_F(RegistryTest, RootSpellingsAreEquivalent) {
    const String tail = U16(scratch_) + u"\\Spelled";
    registry_.RegWrite(u"HKEY_CURRENT_USER\\" + tail, std::uint32_t{42});
    for (const String root :
         {u"HKCU\\", u"HKEY_CURRENT_USER\\", u"hkcu\\", u"Hkey_Current_User\\"}) {
        EXPECT_EQ(registry_.RegRead(root + tail), RegistryValue(std::uint32_t{42}))
            << platform::toPrintableUtf8(root);
    }
}

TEST_F(RegistryTest, WritingCreatesTheMissingKeys) {
    registry_.RegWrite(base_ + u"\\One\\Two\\Three\\Value", String(u"deep"));
    EXPECT_TRUE(OpenScratch(L"One\\Two\\Three"));
    EXPECT_EQ(registry_.RegRead(base_ + u"\\One\\Two\\Three\\Value"),
              RegistryValue(String(u"deep")));
}

TEST_F(RegistryTest, StringsReadAsTheShellGivesThem) {
    // Expandable strings come back expanded.
    const wchar_t expandable[] = L"%SystemRoot%\\tessaly";
    WriteRaw(L"Expand", REG_EXPAND_SZ, expandable, sizeof expandable);
    wchar_t expected[MAX_PATH] = {};
    ASSERT_GT(ExpandEnvironmentStringsW(expandable, expected, MAX_PATH), 0u);
    ASSERT_STRNE(expected, expandable);
    EXPECT_EQ(registry_.RegRead(base_ + u"\\Expand"), RegistryValue(U16(std::wstring(expected))));

    // A string ends at its first NUL.
    const wchar_t embedded[] = L"before\0after";
    WriteRaw(L"Embedded", REG_SZ, embedded, sizeof embedded);
    EXPECT_EQ(registry_.RegRead(base_ + u"\\Embedded"), RegistryValue(String(u"before")));

    // Data written without a terminating NUL loses no character.
    WriteRaw(L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    EXPECT_EQ(registry_.RegRead(base_ + u"\\Unterminated"), RegistryValue(String(u"abc")));
}

// The table the .reg store runs too: both platforms read every type alike.
TEST_F(RegistryTest, ValuesOfEveryTypeReadAsInTheRegFileStore) {
    ASSERT_TRUE(SetEnvironmentVariableA(tessaly::testing::kTypedValueVariable, "/from env"));
    SetEnvironmentVariableA("TESSALY_UNDEFINED_VARIABLE", nullptr);
    const auto cases = tessaly::testing::TypedValueCases();
    for (const auto& c : cases) {
        const std::wstring name(c.name, c.name + std::strlen(c.name));
        WriteRaw(name.c_str(), c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
    }
    // Each value is also read through the key opened once, as discovery reads them.
    const auto key = registry_.OpenKey(base_);
    ASSERT_NE(key, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const String name = U16(std::wstring(c.name, c.name + std::strlen(c.name)));
        const String path = base_ + u"\\" + name;
        if (c.expected) {
            EXPECT_EQ(registry_.RegRead(path), c.expected);
            EXPECT_EQ(key->Read(name), c.expected);
        } else {
            EXPECT_THROW(registry_.RegRead(path), platform::Error);
            EXPECT_THROW(key->Read(name), platform::Error);
        }
    }
}

// An opened key answers as RegRead of its paths does: missing keys and values, other roots,
// root spellings and the default value; a name RegRead could not address is an error.
TEST_F(RegistryTest, OpenedKeysReadAsRegReadDoes) {
    registry_.RegWrite(base_ + u"\\Sub\\", String(u"default"));
    registry_.RegWrite(base_ + u"\\Sub\\Name", std::uint32_t{7});
    EXPECT_EQ(registry_.OpenKey(base_ + u"\\Missing"), nullptr);
    const auto machine =
        registry_.OpenKey(u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion");
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->Read(u"CurrentVersion"),
              registry_.RegRead(
                  u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion"));
    const String tail = U16(scratch_) + u"\\Sub";
    for (const String& spelling : {u"HKCU\\" + tail, u"hkey_current_user\\" + tail}) {
        const auto key = registry_.OpenKey(spelling);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->Read(u"name"), RegistryValue(std::uint32_t{7}));
        EXPECT_EQ(key->Read(u""), RegistryValue(String(u"default")));
        EXPECT_EQ(key->Read(u"Absent"), std::nullopt);
        EXPECT_THROW(key->Read(u"Sub\\Name"), platform::Error);
        EXPECT_THROW(key->Read(String(u"Na\0me", 5)), platform::Error);
    }
    EXPECT_THROW(registry_.OpenKey(u"HKXX\\Software"), platform::Error);
}

TEST_F(RegistryTest, ValuesOfOtherTypesAreErrors) {
    const BYTE binary[] = {1, 2, 3};
    WriteRaw(L"Binary", REG_BINARY, binary, sizeof binary);
    const wchar_t multi[] = L"a\0b\0";
    WriteRaw(L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_THROW(registry_.RegRead(base_ + u"\\Binary"), platform::Error);
    EXPECT_THROW(registry_.RegRead(base_ + u"\\Multi"), platform::Error);
}

TEST_F(RegistryTest, PathsOutsideTheRegistryAreErrors) {
    for (const String path : {u"NoBackslash", u"HKXX\\Software\\V", u"Software\\Tessaly\\V"}) {
        EXPECT_THROW(registry_.RegRead(path), platform::Error);
        EXPECT_THROW(registry_.RegWrite(path, std::uint32_t{1}), platform::Error);
    }
}

TEST_F(RegistryTest, ReadsOtherRoots) {
    const auto version =
        registry_.RegRead(u"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion");
    ASSERT_TRUE(version.has_value());
    ASSERT_TRUE(std::holds_alternative<String>(*version));
    EXPECT_FALSE(std::get<String>(*version).empty());
}

TEST_F(RegistryTest, SubkeyNamesListsWhatWasCreated) {
    // Created out of alphabetical order, with blanks, dots, non-ASCII, and the longest
    // name a key can have.
    const std::vector<String> created = {u"Zeta",   u"alpha",     u"Mid Key",
                                         u"beta.2", u"\u00dcber", String(255, u'k')};
    for (const auto& name : created) {
        registry_.RegWrite(base_ + u"\\Phones\\" + name + u"\\AppPath", String(u"x"));
    }
    registry_.RegWrite(base_ + u"\\Phones\\NotAKey", std::uint32_t{1});

    const String relative = U16(scratch_) + u"\\Phones";
    const auto listed = keys_.SubkeyNames(relative);
    ASSERT_TRUE(listed.has_value());
    EXPECT_FALSE(listed->failure.has_value());
    const auto& names = listed->names;
    std::string order;
    for (const auto& name : names) {
        for (const char16_t c : name.substr(0, 8)) {
            order += c < 0x80 ? static_cast<char>(c) : '?';
        }
        order += ' ';
    }
    ::testing::Test::RecordProperty("enumeration_order", order);
    std::cout << "[ INFO     ] Wine enumerates subkeys as: " << order << "\n";

    auto sortedNames = names;
    auto sortedCreated = created;
    std::sort(sortedNames.begin(), sortedNames.end());
    std::sort(sortedCreated.begin(), sortedCreated.end());
    EXPECT_EQ(sortedNames, sortedCreated);

    // Every spelling of the same key gives the same list in the same order.
    for (const String& spelling :
         {relative + u"\\", u"HKCU\\" + relative, u"HKEY_CURRENT_USER\\" + relative + u"\\"}) {
        EXPECT_EQ(keys_.SubkeyNames(spelling), listed);
    }
}

TEST_F(RegistryTest, SubkeyNamesOfAKeyWithoutSubkeysIsEmpty) {
    registry_.RegWrite(base_ + u"\\Leaf\\Value", std::uint32_t{1});
    const auto names = keys_.SubkeyNames(U16(scratch_) + u"\\Leaf");
    ASSERT_TRUE(names.has_value());
    EXPECT_TRUE(names->names.empty());
}

TEST_F(RegistryTest, SubkeyNamesOfAMissingKeyIsNothing) {
    EXPECT_EQ(keys_.SubkeyNames(U16(scratch_) + u"\\Missing"), std::nullopt);
    EXPECT_EQ(keys_.SubkeyNames(u"HKCU\\" + U16(scratch_) + u"\\Missing\\"), std::nullopt);
}

}  // namespace
}  // namespace tessaly::win32
