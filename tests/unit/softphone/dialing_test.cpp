// Cleaning a number and the command line that starts the softphone.
#include <gtest/gtest.h>

#include "softphone/common.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly::softphone {
namespace {

TEST(QuoteArgument, EscapesQuotesAndTheBackslashesBeforeThem) {
    const std::pair<String, String> cases[] = {
        {u"a\"b", u"a\\\"b"},           {u"a\\\"b", u"a\\\\\\\"b"},
        {u"a\\\\b", u"a\\\\\\b"},       {u"a\\b", u"a\\b"},
        {u"555 0199", u"\"555 0199\""}, {u"", u""},
        {u"trailing\\", u"trailing\\"}, {u" x", u"\" x\""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(QuoteArgument(input), expected);
    }
}

TEST(TrimSwitchChars, StripsOnlyLeadingSlashesAndDashes) {
    const std::pair<String, String> cases[] = {
        {u"--/5550199", u"5550199"},
        {u"555-0199", u"555-0199"},
        {u"- 555", u" 555"},
        {u"/-/-", u""},
        {u"", u""},
        {u"5/-", u"5/-"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(TrimSwitchChars(input), expected);
    }
}

class DialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        common.sSoftphoneKey = u"Software\\Phone";
        common.sMessageTitle = u"Brindle outlook add-in";
        common.sNoVersionsMessage = u"No Brindle versions found!";
        common.bUseFirstFound = true;
    }
    void install(const String& path) {
        platform.registry.values[u"HKCU\\Software\\Phone\\G\\AppPath"] = path;
        platform.files.attributes[path] = 0x20;
    }
    String dial(const String& number) {
        platform.launcher.started.clear();
        common.DialNumber(number);
        return platform.launcher.started.empty() ? u"<nothing>" : platform.launcher.started.back();
    }

    testing::FakePlatform platform;
    platform::Services services = platform.services();
    Common common{services};
};

TEST_F(DialTest, CommandLines) {
    install(u"C:\\Apps\\Phone\\phone.exe");
    const std::pair<String, String> cases[] = {
        {u" -555 0199", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone \"555 0199\"\""},
        {u"5550199", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone 5550199\""},
        {u"--/5550199", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone 5550199\""},
        {u"555-0199", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone 555-0199\""},
        {u"- 555", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone \" 555\"\""},
        {u"55\"5", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone 55\\\"5\""},
        {u"555\r\n0199", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone 5550199\""},
        {u"\t555 ", u"C:\\Apps\\Phone\\phone.exe /ap \"/postpone \t555\""},
    };
    for (const auto& [number, expected] : cases) {
        EXPECT_EQ(dial(number), expected);
    }
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(DialTest, PathWithABlankIsQuoted) {
    install(u"C:\\Program Files\\Phone\\phone.exe");
    EXPECT_EQ(dial(u"5550199"),
              u"\"C:\\Program Files\\Phone\\phone.exe\" /ap \"/postpone 5550199\"");
}

TEST_F(DialTest, NothingToDialIsSilent) {
    install(u"/p");
    for (const String number : {u"", u"   ", u"\r\n", u" \r \n "}) {
        EXPECT_EQ(dial(number), u"<nothing>");
    }
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(DialTest, OnlySwitchCharactersAreReported) {
    install(u"/p");
    EXPECT_EQ(dial(u" -/- "), u"<nothing>");
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text,
              u"There number you trying to dial is empty or contains erronous symbols only!");
    EXPECT_EQ(platform.messages.shown[0].title, u"Brindle outlook add-in");
}

TEST_F(DialTest, NoInstallationIsReportedOnEveryDial) {
    EXPECT_EQ(dial(u"5550199"), u"<nothing>");
    EXPECT_EQ(dial(u"5550100"), u"<nothing>");
    ASSERT_EQ(platform.messages.shown.size(), 2u);
    EXPECT_EQ(platform.messages.shown[1].text, u"No Brindle versions found!");
}

TEST_F(DialTest, RegistryIsReadAfreshForEveryDial) {
    EXPECT_EQ(dial(u"1"), u"<nothing>");
    install(u"/new/phone");
    EXPECT_EQ(dial(u"1"), u"/new/phone /ap \"/postpone 1\"");
}

TEST_F(DialTest, FailedStartIsSilent) {
    install(u"/p");
    platform.launcher.fail = true;
    dial(u"1");
    EXPECT_EQ(platform.launcher.started.size(), 1u);
    EXPECT_TRUE(platform.messages.shown.empty());
}

}  // namespace
}  // namespace tessaly::softphone
