// Finding, ordering and selecting the registered softphone installations.
#include <gtest/gtest.h>

#include "platform/case_fold.h"
#include "softphone/common.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly::softphone {
namespace {

constexpr char16_t kPreferred[] = u"5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90";

class DiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        common.sSoftphoneKey = u"Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone";
        common.sPreferredGUIDs = kPreferred;
        common.bUseFirstFound = true;
    }
    // Registers an installation whose executable exists.
    void install(const String& guid, const String& path = {}) {
        const String exe = path.empty() ? u"/opt/" + guid + u"/phone" : path;
        set(guid, u"AppPath", exe);
        platform.files.attributes[exe] = 0x20;
    }
    void set(const String& guid, const String& value, const String& text) {
        platform.registry.values[u"HKCU\\" + common.sSoftphoneKey + u"\\" + guid + u"\\" + value] =
            text;
    }
    std::vector<String> guids() const {
        std::vector<String> out;
        for (const auto& p : common.colPhones) {
            out.push_back(p.sGUID);
        }
        return out;
    }

    testing::FakePlatform platform;
    platform::Services services = platform.services();
    Common common{services};
};

TEST_F(DiscoveryTest, PreferredFirstThenEnumerationOrder) {
    install(u"A");
    install(kPreferred);
    install(u"B");
    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{kPreferred, u"A", u"B"}));
    EXPECT_EQ(common.lSelectedPhone, 1);
}

TEST_F(DiscoveryTest, WithoutUseFirstFoundThePreviousSelectionIsKept) {
    install(u"A");
    install(kPreferred);
    install(u"B");
    common.bUseFirstFound = false;
    common.colPhones = {{u"B", u"/x", u"", u""}};
    common.lSelectedPhone = 1;
    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{kPreferred, u"A", u"B"}));
    EXPECT_EQ(common.lSelectedPhone, 3);

    platform.registry.values.clear();
    install(u"A");
    common.FindSoftphones();
    EXPECT_EQ(common.lSelectedPhone, 1) << "the previous one vanished";

    platform.registry.values.clear();
    common.FindSoftphones();
    EXPECT_TRUE(common.colPhones.empty());
    EXPECT_EQ(common.lSelectedPhone, 1) << "which readers take as no installation";
    EXPECT_EQ(common.GetPhonePath(), u"");
}

TEST_F(DiscoveryTest, AcceptanceOfEachSubkey) {
    install(u"NoDataDir");
    install(u"EmptyDataDir");
    set(u"EmptyDataDir", u"PersonalDataRootDir", u"");
    install(u"DataDirIsFile");
    set(u"DataDirIsFile", u"PersonalDataRootDir", u"/data/file");
    platform.files.attributes[u"/data/file"] = 0x20;
    install(u"DataDirIsDir");
    set(u"DataDirIsDir", u"PersonalDataRootDir", u"/data/dir");
    platform.files.attributes[u"/data/dir"] = 0x10;
    install(u"DataDirMissing");
    set(u"DataDirMissing", u"PersonalDataRootDir", u"/data/none");
    set(u"ExeMissing", u"AppPath", u"/nowhere/phone");
    set(u"NoAppPath", u"CmdLineParams", u"-x");

    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{u"DataDirIsDir", u"EmptyDataDir", u"NoDataDir"}));
}

TEST_F(DiscoveryTest, SubkeysWithoutAppPathAreSkipped) {
    set(u"1", u"CmdLineParams", u"a");
    set(u"2", u"CmdLineParams", u"b");
    install(u"3");
    set(u"3", u"CmdLineParams", u"--quiet");
    common.FindSoftphones();
    ASSERT_EQ(guids(), (std::vector<String>{u"3"}));
    EXPECT_EQ(common.colPhones[0].sCmdLineParams, u"--quiet");
    EXPECT_EQ(common.colPhones[0].sAdditionalValue, u"");
}

TEST_F(DiscoveryTest, GuidsCompareExactly) {
    String lower = kPreferred;
    for (auto& c : lower) {
        c = platform::lowerAscii(c);
    }
    install(u"0-first");
    install(lower);
    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{u"0-first", lower}));
}

TEST_F(DiscoveryTest, SeveralPreferredInTheirListOrder) {
    common.sPreferredGUIDs = u"X;;Y;Z";
    install(u"Y");
    install(u"X");
    install(u"W");
    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{u"X", u"Y", u"W"}));
}

TEST_F(DiscoveryTest, MissingKeyOrUnreadableStoreFindsNothing) {
    common.FindSoftphones();
    EXPECT_EQ(common.lSelectedPhone, 0);

    install(u"A");
    platform.registry.failReads = true;
    common.FindSoftphones();
    EXPECT_TRUE(common.colPhones.empty());
    EXPECT_EQ(common.lSelectedPhone, 0);
}

// The enumeration fails midway: what was accepted before the failure is kept and ordered as
// usual; what came after it is not looked at.
TEST_F(DiscoveryTest, ListingThatFailsMidwayKeepsWhatCameBefore) {
    struct Case {
        std::size_t failAfter;
        std::vector<String> expected;
    };
    // Enumerated as 1-NoAppPath, 5E0A... (preferred), A, B, C.
    const Case cases[] = {
        {0, {}},
        {1, {}},
        {2, {kPreferred}},
        {4, {kPreferred, u"A", u"B"}},
    };
    for (const Case& c : cases) {
        platform.registry.values.clear();
        set(u"1-NoAppPath", u"CmdLineParams", u"x");
        install(u"A");
        install(u"B");
        install(u"C");
        install(kPreferred);
        platform.registry.failListingAfter = c.failAfter;
        common.FindSoftphones();
        EXPECT_EQ(guids(), c.expected) << "failing after " << c.failAfter;
        EXPECT_EQ(common.lSelectedPhone, c.expected.empty() ? 0 : 1);
    }
}

// An installation whose key cannot be read is passed over; the enumeration goes on.
TEST_F(DiscoveryTest, UnreadableInstallationIsSkipped) {
    install(u"A");
    install(u"B");
    install(u"C");
    platform.registry.unopenableKeys = {u"HKCU\\" + common.sSoftphoneKey + u"\\B"};
    common.FindSoftphones();
    EXPECT_EQ(guids(), (std::vector<String>{u"A", u"C"}));
}

TEST_F(DiscoveryTest, NumericAppPathIsReadAsText) {
    platform.registry.values[u"HKCU\\" + common.sSoftphoneKey + u"\\N\\AppPath"] = 42u;
    platform.files.attributes[u"42"] = 0x20;
    common.FindSoftphones();
    ASSERT_EQ(common.colPhones.size(), 1u);
    EXPECT_EQ(common.colPhones[0].sPath, u"42");
}

TEST_F(DiscoveryTest, VersionOfTheSelectedExecutable) {
    EXPECT_EQ(common.GetPhoneVersion(), u"") << "nothing selected";
    install(u"A", u"/opt/a/phone");
    platform.versions.productVersions[u"/opt/a/phone"] = String(u"7.2.1\0\0", 7);
    common.FindSoftphones();
    EXPECT_EQ(common.GetPhoneVersion(), u"7.2.1");
    for (std::int32_t selection : {0, -1, 2}) {
        common.lSelectedPhone = selection;
        EXPECT_EQ(common.GetPhoneVersion(), u"") << selection;
    }
}

}  // namespace
}  // namespace tessaly::softphone
