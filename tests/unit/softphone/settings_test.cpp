// Loading the fixed settings from the string table.
#include <gtest/gtest.h>

#include "resources/embedded_resources.h"
#include "resources/string_table.h"
#include "softphone/common.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly::softphone {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Start from the shipped table; each test then edits its copy.
        for (std::uint16_t id = 1000; id < 1100; ++id) {
            if (auto text = resources::FindString(id)) {
                platform.resources.strings[id] = String(*text);
            }
        }
    }
    testing::FakePlatform platform;
    platform::Services services = platform.services();
    Common common{services};
};

TEST_F(SettingsTest, ShippedTableLoadsEverySetting) {
    ASSERT_TRUE(common.InitSettings());
    EXPECT_EQ(common.sTagPrefix, u"Brindle_OutlookAddIn_");
    EXPECT_EQ(common.sSettingsKey, u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\");
    EXPECT_EQ(common.sSoftphoneKey, u"Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone");
    EXPECT_EQ(common.sToolbarName, u"Brindle");
    EXPECT_EQ(common.sPreferredGUIDs, u"5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90");
    EXPECT_TRUE(common.bUseFirstFound);
    EXPECT_EQ(common.sNoVersionsMessage, u"No Brindle versions found!");
    EXPECT_EQ(common.sMessageTitle, u"Brindle outlook add-in");
    EXPECT_EQ(common.sEnterNumberText, u"Enter number to dial");
    EXPECT_EQ(common.sDialingText, u"Dialing number");
    EXPECT_EQ(common.lDialingTextDelay, 1500);
    EXPECT_EQ(common.lSelectedPhone, 0) << "discovery ran and found nothing";
}

TEST_F(SettingsTest, ButtonTableRowsOneToFive) {
    ASSERT_TRUE(common.InitSettings());
    struct Row {
        const char16_t* caption;
        const char16_t* tooltip;
        int picture;
        int mask;
    };
    const Row expected[] = {{u"&Business", u"Dial business phone number", 0, 0},
                            {u"&Mobile", u"Dial mobile phone number", 0, 0},
                            {u"&Home", u"Dial home phone number", 0, 0},
                            {u"Dia&l", u"Dial selected phone number", 102, 103},
                            {u"", u"", 0, 0}};
    for (int row = 1; row <= 5; ++row) {
        SCOPED_TRACE(row);
        const Row& want = expected[row - 1];
        EXPECT_EQ(common.Button(row).sCaption, want.caption);
        EXPECT_EQ(common.Button(row).sTooltipText, want.tooltip);
        EXPECT_EQ(common.Button(row).iPictureId, want.picture);
        EXPECT_EQ(common.Button(row).iMaskId, want.mask);
    }
}

TEST_F(SettingsTest, UseFirstFoundFollowsTheWordTrueInAnyCase) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"true", true}, {u"TRUE", true}, {u"tRuE", true},   {u"false", false},
        {u"", false},    {u"yes", false}, {u"true ", false}, {u"1", false}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        platform.resources.strings[1005] = cases[i].first;
        ASSERT_TRUE(common.InitSettings());
        EXPECT_EQ(common.bUseFirstFound, cases[i].second);
    }
}

TEST_F(SettingsTest, TextsAreCutAtTheirFirstNul) {
    platform.resources.strings[1003] = String(u"Bar\0junk", 8);
    platform.resources.strings[1062] = String(u"Di&al\0\0\0", 8);
    ASSERT_TRUE(common.InitSettings());
    EXPECT_EQ(common.sToolbarName, u"Bar");
    EXPECT_EQ(common.Button(4).sCaption, u"Di&al");
}

TEST_F(SettingsTest, FailuresEndTheLoadButKeepWhatWasLoaded) {
    struct Case {
        std::uint16_t id;
        std::optional<String> text;  // nullopt: removed from the table
    };
    const Case cases[] = {{1000, std::nullopt}, {1000, u""},           {1003, String(u"\0x", 2)},
                          {1004, std::nullopt}, {1011, u"fifteen"},    {1011, std::nullopt},
                          {1007, std::nullopt}, {1011, u"99999999999"}};
    for (const auto& c : cases) {
        SetUp();
        if (c.text) {
            platform.resources.strings[c.id] = *c.text;
        } else {
            platform.resources.strings.erase(c.id);
        }
        Common fresh{services};
        fresh.lSelectedPhone = 7;
        EXPECT_FALSE(fresh.InitSettings()) << c.id;
        EXPECT_EQ(fresh.lSelectedPhone, 7) << "no discovery after a failed load";
        if (c.id > 1003) {
            EXPECT_EQ(fresh.sToolbarName, u"Brindle") << "earlier settings stay loaded";
        }
    }
}

TEST_F(SettingsTest, BadButtonFieldKeepsItsValueAndTheLoadGoesOn) {
    platform.resources.strings[1064] = u"face";
    platform.resources.strings.erase(1063);
    platform.resources.strings[1065] = u"40000";  // does not fit 16 bits
    ASSERT_TRUE(common.InitSettings());
    EXPECT_EQ(common.Button(4).iPictureId, 0);
    EXPECT_EQ(common.Button(4).iMaskId, 0);
    EXPECT_EQ(common.Button(4).sTooltipText, u"");
    EXPECT_EQ(common.Button(4).sCaption, u"Dia&l");
    EXPECT_EQ(common.lDialingTextDelay, 1500);
}

TEST_F(SettingsTest, TrimAtNull) {
    EXPECT_EQ(TrimAtNull(String(u"abc") + String(257, u'\0')), u"abc");
    EXPECT_EQ(TrimAtNull(u"no nul"), u"no nul");
    EXPECT_EQ(TrimAtNull(u""), u"");
    EXPECT_EQ(TrimAtNull(String(u"\0abc", 4)), u"");
}

TEST(EmbeddedResources, AbsentIdsFail) {
    resources::EmbeddedResources table;
    for (std::uint16_t id : {1006, 1066, 1067, 999, 1070}) {
        EXPECT_FALSE(table.StringResource(id)) << id;
    }
    EXPECT_EQ(table.StringResource(1011), u"1500");
}

}  // namespace
}  // namespace tessaly::softphone
