// The .reg parser and serializer on byte buffers, and the UTF conversions they rest on.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/posix/reg_file.h"
#include "platform/services.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {
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
    EXPECT_THROW(toUtf8(u"a" + std::u16string(1, char16_t{0xDC00})), UtfError);
    EXPECT_EQ(findInvalidUtf16(u"ok" + std::u16string(1, char16_t{0xDBFF})), 2u);
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

RegHive parse(std::string_view bytes) {
    return parseRegFile(bytes, "test.reg");
}

// Keys and values come out sorted without regard to case, in the first spelling, with
// comments dropped and hex data written as regedit does.
TEST(RegFile, SerializesSortedAndReparsesEqual) {
    const auto hive = parse(
        "Windows Registry Editor Version 5.00\n"
        "; about the file\n"
        "\n"
        "[HKCU\\Software\\B]\n"
        "\"Q\"=\"say \\\"hi\\\" \\\\o/\"\n"
        "\"N\" = DWORD:ABC\n"
        "; before the binary\n"
        "\"Bin\"=hex(2):41,00,\\\n"
        "  00,00\n"
        "[hkey_current_user\\software\\a]\n"
        "@=\"default\"\n"
        "[HKCU\\Software\\a\\Empty]\n");
    const std::string expected =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\a]\n"
        "@=\"default\"\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\a\\Empty]\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\B]\n"
        "\"Bin\"=hex(2):41,00,00,00\n"
        "\"N\"=dword:00000abc\n"
        "\"Q\"=\"say \\\"hi\\\" \\\\o/\"\n"
        "\n";
    const auto bytes = serializeRegFile(hive);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(parse(bytes), hive);
}

TEST(RegFile, NewKeysAreWrittenSortedBelowTheirParents) {
    auto hive = parse(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\B]\r\n\r\n"
        "[HKEY_CURRENT_USER\\A\\X\\Deep]\r\n\r\n"
        "[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:0\r\n");
    hive.setValue(u"A\\Y", u"v", std::uint32_t{1});  // after A's subtree, before B
    hive.setValue(u"A\\X", u"v", std::uint32_t{2});  // before its descendant
    hive.setValue(u"C", u"v", std::uint32_t{3});     // unrelated: at the end
    const auto bytes = serializeRegFile(hive);
    const auto at = [&](std::string_view key) { return bytes.find(key); };
    EXPECT_LT(at("[HKEY_CURRENT_USER\\A]"), at("[HKEY_CURRENT_USER\\A\\X]"));
    EXPECT_LT(at("[HKEY_CURRENT_USER\\A\\X]"), at("[HKEY_CURRENT_USER\\A\\X\\Deep]"));
    EXPECT_LT(at("[HKEY_CURRENT_USER\\A\\X\\Deep]"), at("[HKEY_CURRENT_USER\\A\\Y]"));
    EXPECT_LT(at("[HKEY_CURRENT_USER\\A\\Y]"), at("[HKEY_CURRENT_USER\\B]"));
    EXPECT_LT(at("[HKEY_CURRENT_USER\\B]"), at("[HKEY_CURRENT_USER\\C]"));
}

TEST(RegFile, RejectsWhatCannotBeWritten) {
    RegHive hive;
    EXPECT_THROW(hive.setValue(u"A\\\\B", u"v", std::uint32_t{1}), std::invalid_argument);
    EXPECT_THROW(hive.setValue(u"A", u"v", std::u16string(u"two\nlines")), std::invalid_argument);
    EXPECT_THROW(hive.setValue(u"A", u"v\r", std::uint32_t{1}), std::invalid_argument);
    EXPECT_THROW(hive.setValue(std::u16string(256, u'k'), u"v", std::uint32_t{1}),
                 std::invalid_argument);
    EXPECT_EQ(hive, RegHive());
}

TEST(RegFile, BlankInputIsAnEmptyHive) {
    EXPECT_EQ(parse(""), RegHive());
    EXPECT_FALSE(parse(" \r\n\r\n").findKey(u"Software"));
    EXPECT_EQ(serializeRegFile(RegHive()), "Windows Registry Editor Version 5.00\r\n\r\n");
}

}  // namespace
}  // namespace tessaly::platform::posix
