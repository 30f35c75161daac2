// The .reg parser and serializer on byte buffers.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/posix/reg_file.h"
#include "platform/services.h"

namespace tessaly::platform::posix {
namespace {

using namespace std::string_view_literals;

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
    // A NUL in a name or string could not be read back: only hex data, bytes, may hold one.
    EXPECT_THROW(hive.setValue(u"A\0B"sv, u"v", std::uint32_t{1}), std::invalid_argument);
    EXPECT_THROW(hive.setValue(u"A", u"v\0"sv, std::uint32_t{1}), std::invalid_argument);
    EXPECT_THROW(hive.setValue(u"A", u"v", std::u16string(u"a\0b"sv)), std::invalid_argument);
    EXPECT_EQ(hive, RegHive());
}

TEST(RegFile, BlankInputIsAnEmptyHive) {
    EXPECT_EQ(parse(""), RegHive());
    EXPECT_FALSE(parse(" \r\n\r\n").findKey(u"Software"));
    EXPECT_EQ(serializeRegFile(RegHive()), "Windows Registry Editor Version 5.00\r\n\r\n");
}

}  // namespace
}  // namespace tessaly::platform::posix
