// The portable text helpers below every service: UTF conversions, the two case folds, and the
// text form of the shell's registry paths.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/case_fold.h"
#include "platform/shell_registry.h"
#include "platform/utf.h"

namespace tessaly::platform {
namespace {

TEST(Utf, ConvertsBothWaysIncludingSurrogatePairs) {
    const std::u16string text = u"A\u00e9\u20ac\U0001D11E";
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";
    EXPECT_EQ(toUtf8(text), utf8);
    EXPECT_EQ(fromUtf8(utf8), text);
}

struct BadUtf8 {
    std::string bytes;
    std::size_t offset;
};

class InvalidUtf8 : public ::testing::TestWithParam<BadUtf8> {};

TEST_P(InvalidUtf8, ThrowsWithOffsetOfTheBadSequence) {
    try {
        fromUtf8(GetParam().bytes);
        FAIL() << "accepted invalid UTF-8";
    } catch (const UtfError& e) {
        EXPECT_EQ(e.offset(), GetParam().offset);
    }
}

INSTANTIATE_TEST_SUITE_P(Utf, InvalidUtf8,
                         ::testing::Values(BadUtf8{"ab\x80", 2},            // stray continuation
                                           BadUtf8{"a\xC0\xAF", 1},         // overlong '/'
                                           BadUtf8{"\xE0\x80\xAF", 0},      // overlong, 3 bytes
                                           BadUtf8{"x\xED\xA0\x80", 1},     // encoded surrogate
                                           BadUtf8{"\xF4\x90\x80\x80", 0},  // above U+10FFFF
                                           BadUtf8{"abc\xE2\x82", 3},       // truncated
                                           BadUtf8{"\xC3\x28", 0}));        // bad continuation

TEST(Utf, UnpairedSurrogatesAreRejected) {
    EXPECT_THROW(toUtf8(std::u16string(1, char16_t{0xD800})), UtfError);
    EXPECT_THROW(toUtf8(u"a\xDC00"), UtfError);
    EXPECT_EQ(findInvalidUtf16(u"ok\xDBFF"), 2u);
    EXPECT_EQ(findInvalidUtf16(u"\U0001F600"), std::u16string_view::npos);
}

TEST(CaseFolding, OrdersTheWayTheRegistryEnumerates) {
    const CaseInsensitiveLess less;
    EXPECT_TRUE(less(u"apple", u"Banana"));
    EXPECT_FALSE(less(u"Banana", u"apple"));
    EXPECT_TRUE(less(u"ab", u"ABC"));
    // '_' sorts after upper-case letters because names are compared upper-cased.
    EXPECT_TRUE(less(u"Z", u"_"));
    EXPECT_TRUE(less(u"a", u"_"));
    EXPECT_TRUE(equalsIgnoringCase(u"\u00e9t\u00e9 \u0434\u0430", u"\u00c9T\u00c9 \u0414\u0410"));
    EXPECT_TRUE(equalsIgnoringCase(u"\u0142\u017e", u"\u0141\u017d"));
    EXPECT_FALSE(equalsIgnoringCase(u"a", u"b"));
}

TEST(Utf, PrintableTextReplacesOnlyUnpairedSurrogates) {
    // A hex escape gives a lone code unit; the literal is split where a letter follows one.
    const std::u16string_view text =
        u"a\xD800"
        u"b\U0001D11E\xDC00";
    EXPECT_EQ(toPrintableUtf8(text),
              "a\xEF\xBF\xBD"
              "b\xF0\x9D\x84\x9E\xEF\xBF\xBD");
}

TEST(Utf, QuotedTextEscapesWhatWouldEndOrBreakTheLine) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", "\"\""},
        {u"Alma Reyes", "\"Alma Reyes\""},
        {u"say \"hi\"", "\"say \\\"hi\\\"\""},
        {u"C:\\dir", "\"C:\\\\dir\""},
        {u"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {u"\u00e9\xD800", "\"\u00e9\uFFFD\""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(quotedUtf8(text), expected);
    }
}

TEST(Utf, Utf16LeBytesKeepEveryUnitAndDropAnOddByte) {
    const std::u16string text = u"A\u20ac\xD800";
    const std::string bytes("A\0\xAC\x20\0\xD8", 6);
    EXPECT_EQ(toUtf16Le(text), bytes);
    EXPECT_EQ(fromUtf16Le(bytes), text);
    EXPECT_EQ(fromUtf16Le(std::string_view("A\0\xAC\x20\0\xD8x", 7)), text);
}

// The ASCII fold pairs only a-z with A-Z; the registry's also pairs the letters of the other
// scripts that users type into names.
TEST(CaseFolding, AsciiFoldLeavesOtherLettersAlone) {
    EXPECT_TRUE(equalsIgnoringAsciiCase(u"StringFileInfo", u"STRINGFILEINFO"));
    EXPECT_TRUE(equalsIgnoringAsciiCase(std::string_view("ShowContacts"), "showcontacts"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"abc", u"ab"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"@[", u"`{"));  // the neighbours of the letters
    EXPECT_FALSE(equalsIgnoringAsciiCase(u"\u00e9", u"\u00c9"));
    EXPECT_TRUE(equalsIgnoringCase(u"\u00e9", u"\u00c9"));
    EXPECT_FALSE(equalsIgnoringCase(u"\u0131", u"I"));  // the dotless i has no ASCII partner
}

struct PathCase {
    std::u16string_view path;
    RegistryRoot root;
    std::u16string_view key;
    std::u16string_view value;
};

TEST(ShellPathTest, SplitsRootKeyAndValue) {
    const PathCase cases[] = {
        {u"HKCU\\Software\\X\\Name", RegistryRoot::CurrentUser, u"Software\\X", u"Name"},
        {u"HKEY_CURRENT_USER\\Software\\X\\Name", RegistryRoot::CurrentUser, u"Software\\X",
         u"Name"},
        {u"hkcu\\Software\\X\\", RegistryRoot::CurrentUser, u"Software\\X", u""},
        {u"HKCU\\Name", RegistryRoot::CurrentUser, u"", u"Name"},
        {u"HKCU\\", RegistryRoot::CurrentUser, u"", u""},
        {u"HKLM\\Software\\A b\\C d", RegistryRoot::LocalMachine, u"Software\\A b", u"C d"},
        {u"HKEY_LOCAL_MACHINE\\K\\V", RegistryRoot::LocalMachine, u"K", u"V"},
        {u"HKCR\\.txt\\", RegistryRoot::ClassesRoot, u".txt", u""},
        {u"HKEY_CLASSES_ROOT\\.txt\\", RegistryRoot::ClassesRoot, u".txt", u""},
        {u"HKU\\.DEFAULT\\V", RegistryRoot::Users, u".DEFAULT", u"V"},
        {u"HKEY_USERS\\.DEFAULT\\V", RegistryRoot::Users, u".DEFAULT", u"V"},
        {u"HKCC\\System\\V", RegistryRoot::CurrentConfig, u"System", u"V"},
        {u"HKEY_CURRENT_CONFIG\\System\\V", RegistryRoot::CurrentConfig, u"System", u"V"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toPrintableUtf8(c.path));
        const auto parsed = ParseShellPath(c.path);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->root, c.root);
        EXPECT_EQ(parsed->key, c.key);
        EXPECT_EQ(parsed->value, c.value);
    }
}

TEST(ShellPathTest, RejectsWhatNamesNoRegistryLocation) {
    using namespace std::string_view_literals;
    for (const std::u16string_view path :
         {u""sv, u"HKCU"sv, u"Software\\X\\Name"sv, u"HKXX\\Software\\Name"sv, u"HKCUX\\A\\B"sv,
          u"\\HKCU\\A"sv, u"HKCU\\A\0B\\C"sv, u"HKCU\\A\\B\0"sv}) {
        EXPECT_FALSE(ParseShellPath(path).has_value()) << toPrintableUtf8(path);
    }
}

TEST(ShellPathTest, CurrentUserRelativeKeyDropsRootAndTrailingBackslash) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"Software\\X", u"Software\\X"},
        {u"Software\\X\\", u"Software\\X"},
        {u"HKCU\\Software\\X", u"Software\\X"},
        {u"hkey_current_user\\Software\\X\\", u"Software\\X"},
        {u"HKCU", u""},
        {u"HKCU\\", u""},
        {u"HKCUSoftware", u"HKCUSoftware"},
        {u"HKLM\\Software", u"HKLM\\Software"},
    };
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(CurrentUserRelativeKey(key), expected) << toPrintableUtf8(key);
    }
}

}  // namespace
}  // namespace tessaly::platform
