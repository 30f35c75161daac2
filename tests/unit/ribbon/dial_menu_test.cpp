// A dial menu's content as Office reads it when the menu drops, and the filter that finds
// the person behind a mail by address.
#include <gtest/gtest.h>

#include "explorer/dial_menu.h"
#include "explorer/mail_person.h"
#include "host/ribbon.h"
#include "tests/unit/ribbon/xml_parser.h"
#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;
using explorer::ContactNumber;
using explorer::NumberKind;

String Attribute(const host::sim::XmlElement& element, const String& name) {
    for (const auto& [key, value] : element.attributes) {
        if (key == name) {
            return value;
        }
    }
    return u"(none)";
}

class DialMenuContentTest : public testing::AddinTest {
  protected:
    void SetUp() override { library.common.InitSettings(); }

    std::vector<std::vector<String>> entries(const explorer::DialMenuEntries& menu) {
        const auto root = parser->Parse(explorer::DialMenuContent(u"M", menu, library.common));
        EXPECT_EQ(root.name, u"menu");
        EXPECT_EQ(Attribute(root, u"xmlns"), host::kCustomUINamespace2009);
        std::vector<std::vector<String>> rows;
        for (const auto& button : root.children) {
            rows.push_back({button.name, Attribute(button, u"id"), Attribute(button, u"label"),
                            Attribute(button, u"tag"), Attribute(button, u"onAction"),
                            Attribute(button, u"enabled"), Attribute(button, u"screentip")});
        }
        return rows;
    }

    std::unique_ptr<host::sim::XmlParser> parser = testing::MakeXmlParser();
};

TEST_F(DialMenuContentTest, OneEntryPerNumberWithItsKindAndTheNumberInItsTag) {
    const std::vector<ContactNumber> numbers = {{NumberKind::Business, u"+44 20 7946 0101"},
                                                {NumberKind::Home2, u"555 \"0199\" & <1>"},
                                                {NumberKind::CompanyMain, u"0"}};
    const std::vector<std::vector<String>> expected = {
        {u"button", u"M_1", u"Business: +44 20 7946 0101", u"+44 20 7946 0101",
         u"Ribbon_OnDialNumber", u"(none)", u"Ada Lovelace"},
        {u"button", u"M_2", u"Home 2: 555 \"0199\" & <1>", u"555 \"0199\" & <1>",
         u"Ribbon_OnDialNumber", u"(none)", u"Ada Lovelace"},
        {u"button", u"M_3", u"Company: 0", u"0", u"Ribbon_OnDialNumber", u"(none)",
         u"Ada Lovelace"},
    };
    EXPECT_EQ(entries({u"Ada Lovelace", numbers}), expected);
    // A contact's menu names nobody: the contact is what was clicked.
    EXPECT_EQ(entries({{}, {numbers.front()}}).front().back(), u"(none)");
}

TEST_F(DialMenuContentTest, WithoutNumbersOneDisabledEntrySaysSo) {
    const std::vector<std::vector<String>> expected = {
        {u"button", u"M_0", u"No telephone numbers", u"(none)", u"(none)", u"false", u"(none)"}};
    EXPECT_EQ(entries({}), expected);
}

TEST(ContactByAddressFilter, TheAddressIsDataWhateverItHolds) {
    const std::pair<String, String> cases[] = {
        {u"a@example.com",
         u"[Email1Address] = 'a@example.com' OR [Email2Address] = 'a@example.com' OR "
         u"[Email3Address] = 'a@example.com'"},
        {u"o'brien@example.com",
         u"[Email1Address] = 'o''brien@example.com' OR [Email2Address] = "
         u"'o''brien@example.com' OR [Email3Address] = 'o''brien@example.com'"},
        {u"x' OR [Email1Address] <> '",
         u"[Email1Address] = 'x'' OR [Email1Address] <> ''' OR [Email2Address] = 'x'' OR "
         u"[Email1Address] <> ''' OR [Email3Address] = 'x'' OR [Email1Address] <> '''"},
    };
    for (const auto& [address, filter] : cases) {
        EXPECT_EQ(explorer::ContactByAddressFilter(address), filter);
    }
}

}  // namespace
}  // namespace tessaly
