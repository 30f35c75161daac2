#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

#include "addin/registration.h"

namespace tessaly::registration {
namespace {

using platform::RegistryValue;

constexpr std::u16string_view kDll = u"C:\\Program Files\\Tessaly\\TessalyOutlook.dll";

const Row* find(const std::vector<Row>& rows, std::u16string_view key, std::u16string_view name) {
    auto it = std::find_if(rows.begin(), rows.end(),
                           [&](const Row& r) { return r.key == key && r.name == name; });
    return it == rows.end() ? nullptr : &*it;
}

// The values Outlook and COM read, written out literally so that a changed constant shows.
struct Expected {
    std::u16string_view key;
    std::u16string_view name;
    RegistryValue value;
};

const std::vector<Expected>& expectedRows() {
    static const std::vector<Expected> rows = {
        {u"Software\\Classes\\BrindleAddin.Tessaly", u"", String(u"Tessaly")},
        {u"Software\\Classes\\BrindleAddin.Tessaly\\CLSID", u"",
         String(u"{77A93BD5-642A-486A-95E4-93077930DBAE}")},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}", u"",
         String(u"Tessaly")},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\ProgID", u"",
         String(u"BrindleAddin.Tessaly")},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\InprocServer32", u"",
         String(kDll)},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\InprocServer32",
         u"ThreadingModel", String(u"Apartment")},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\TypeLib", u"",
         String(u"{BC59B8F3-285E-489D-B844-DBF403C984A9}")},
        {u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\Version", u"",
         String(u"1.0")},
        {u"Software\\Microsoft\\Office\\Outlook\\Addins\\BrindleAddin.Tessaly", u"FriendlyName",
         String(u"Brindle Add-in")},
        {u"Software\\Microsoft\\Office\\Outlook\\Addins\\BrindleAddin.Tessaly", u"Description",
         String(u"Tessaly Add-In for Microsoft Outlook")},
        {u"Software\\Microsoft\\Office\\Outlook\\Addins\\BrindleAddin.Tessaly", u"LoadBehavior",
         std::uint32_t{3}},
        {u"Software\\Microsoft\\Office\\Outlook\\Addins\\BrindleAddin.Tessaly", u"CommandLineSafe",
         std::uint32_t{0}},
    };
    return rows;
}

TEST(RegistrationRows, HoldExactlyTheExpectedValues) {
    const auto rows = RegistrationRows(kDll);
    for (const auto& e : expectedRows()) {
        const Row* row = find(rows, e.key, e.name);
        ASSERT_NE(row, nullptr) << "missing value in key of length " << e.key.size();
        EXPECT_EQ(row->value, e.value);
    }
    EXPECT_EQ(rows.size(), expectedRows().size()) << "rows beyond the expected ones";
}

TEST(RegistrationRows, EachValueIsWrittenOnce) {
    const auto rows = RegistrationRows(kDll);
    std::set<std::pair<String, String>> seen;
    for (const auto& row : rows) {
        EXPECT_TRUE(seen.emplace(row.key, row.name).second);
    }
}

TEST(RegistrationRows, KeepTheDllPathVerbatim) {
    for (std::u16string_view path :
         {std::u16string_view(u"D:\\a b\\c.dll"), std::u16string_view(u"\\\\server\\share\\x.dll"),
          std::u16string_view(u"C:\\Benutzer\\J\u00FCrgen\\TessalyOutlook.dll")}) {
        const auto rows = RegistrationRows(path);
        const Row* server = find(
            rows,
            u"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\InprocServer32",
            u"");
        ASSERT_NE(server, nullptr);
        EXPECT_EQ(server->value, RegistryValue(String(path)));
    }
}

TEST(RegistrationRows, RefuseAnEmptyPath) {
    EXPECT_THROW(RegistrationRows(u""), std::invalid_argument);
}

bool isUnder(std::u16string_view key, std::u16string_view root) {
    return key == root || (key.size() > root.size() && key.substr(0, root.size()) == root &&
                           key[root.size()] == u'\\');
}

// Unregistering deletes these keys whole: each must hold something we wrote, and every
// row must lie under one of them, or unregistration would leave values behind.
TEST(RegistrationKeys, CoverEveryRowAndOnlyOurKeys) {
    const auto rows = RegistrationRows(kDll);
    const auto keys = RegistrationKeys();
    for (const auto& row : rows) {
        EXPECT_TRUE(std::any_of(keys.begin(), keys.end(),
                                [&](const String& k) { return isUnder(row.key, k); }));
    }
    for (const auto& key : keys) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                                [&](const Row& r) { return isUnder(r.key, key); }));
    }
}

// Keys that other programs share must never be deleted.
TEST(RegistrationKeys, NeverNameASharedParent) {
    const auto keys = RegistrationKeys();
    for (std::u16string_view shared :
         {u"Software", u"Software\\Classes", u"Software\\Classes\\CLSID",
          u"Software\\Microsoft\\Office\\Outlook",
          u"Software\\Microsoft\\Office\\Outlook\\Addins"}) {
        EXPECT_EQ(std::count(keys.begin(), keys.end(), String(shared)), 0);
    }
    EXPECT_EQ(keys.size(), 3u);
}

TEST(RegistrationRows, ParentKeysAreTheCreatedOnesDeepestFirst) {
    EXPECT_EQ(ParentKeys(), (std::vector<String>{
                                u"Software\\Microsoft\\Office\\Outlook\\Addins",
                                u"Software\\Microsoft\\Office\\Outlook",
                                u"Software\\Classes\\CLSID",
                                u"Software\\Microsoft\\Office",
                                u"Software\\Classes",
                            }));
}

TEST(TypeLibRows, NameTheLibraryForEachBitness) {
    const String lib = u"Software\\Classes\\TypeLib\\{BC59B8F3-285E-489D-B844-DBF403C984A9}\\1.0";
    const struct {
        Bitness bitness;
        std::u16string_view key;
    } cases[] = {{Bitness::Win64, u"\\0\\win64"}, {Bitness::Win32, u"\\0\\win32"}};
    for (const auto& c : cases) {
        const auto rows = TypeLibRows(kDll, u"C:\\Program Files\\Tessaly\\", c.bitness);
        const Row* path = find(rows, lib + String(c.key), u"");
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(path->value, RegistryValue(String(kDll)));
        const Row* description = find(rows, lib, u"");
        ASSERT_NE(description, nullptr);
        EXPECT_EQ(description->value, RegistryValue(String(u"Tessaly Outlook Add-In")));
        const Row* help = find(rows, lib + u"\\HELPDIR", u"");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->value, RegistryValue(String(u"C:\\Program Files\\Tessaly\\")));
    }
    EXPECT_THROW(TypeLibRows(u"", u"", Bitness::Win64), std::invalid_argument);
}

TEST(TypeLibRows, DescribeBothDispatchInterfacesOfTheLibrary) {
    const auto rows = TypeLibRows(kDll, u"C:\\", Bitness::Win64);
    for (const auto* iid :
         {u"{C790B70A-AF7A-4EFE-96F2-1B4238FBD19B}", u"{16193E2F-2A3D-4B74-82E4-E23294F52825}"}) {
        const String key = String(u"Software\\Classes\\Interface\\") + iid;
        const Row* lib = find(rows, key + u"\\TypeLib", u"");
        ASSERT_NE(lib, nullptr);
        EXPECT_EQ(lib->value, RegistryValue(String(u"{BC59B8F3-285E-489D-B844-DBF403C984A9}")));
        const Row* proxy = find(rows, key + u"\\ProxyStubClsid32", u"");
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(proxy->value, RegistryValue(String(u"{00020420-0000-0000-C000-000000000046}")));
    }
    // Never the host's own interface, which another library registers.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const Row& r) { return r.key.find(u"B65AD801") != String::npos; }),
              0);
}

}  // namespace
}  // namespace tessaly::registration
