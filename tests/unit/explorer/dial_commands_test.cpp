// Dialing from the toolbar: the notice, its end, and which requests are carried out.
#include <gtest/gtest.h>

#include "platform/utf.h"
#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;

class DialTest : public testing::AddinTest {
  protected:
    void SetUp() override {
        platform.registry.RegWrite(
            u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\G\\AppPath",
            String(u"/opt/phone"));
        platform.files.attributes[u"/opt/phone"] = 0x20;
        ada = contact(u"Ada", {{u"BusinessTelephoneNumber", u"555 0100"},
                               {u"MobileTelephoneNumber", u"555 0199"}});
        window = open();
        connect();
        world.Select(*window, {ada});
    }
    bool click(const String& suffix, const std::shared_ptr<SimExplorer>& w = nullptr) {
        return world.Click(control(w ? w : window, suffix));
    }
    std::vector<String> launched() {
        auto started = std::move(platform.launcher.started);
        platform.launcher.started.clear();
        return started;
    }
    String text(const std::shared_ptr<SimExplorer>& w = nullptr) {
        return combo(w ? w : window)->text();
    }

    std::shared_ptr<host::sim::SimContact> ada;
    std::shared_ptr<SimExplorer> window;
};

TEST_F(DialTest, TheRoadOfOneDial) {
    ASSERT_TRUE(click(u"_Mobile"));
    EXPECT_EQ(text(), u"Dialing number 555 0199");
    EXPECT_EQ(launched(), std::vector<String>{u"/opt/phone /ap \"/postpone \"555 0199\"\""});

    platform.loop.Advance(1499);
    EXPECT_EQ(text(), u"Dialing number 555 0199");
    platform.loop.Advance(1);
    EXPECT_EQ(text(), u"555 0199");
    EXPECT_EQ(handlerOf(window)->comboText(), u"555 0199");
    EXPECT_EQ(platform.loop.liveTimers(), 0u);
    EXPECT_EQ(library.timers.waitingCount(), 0u);

    ASSERT_TRUE(click(u"_Business"));
    EXPECT_EQ(launched().size(), 1u) << "the next dial is accepted";
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(DialTest, RequestsDuringTheNoticeAreDropped) {
    click(u"_Dial");
    click(u"_Dial");
    click(u"_Business");
    world.TypeText(combo(window), u"123");
    EXPECT_EQ(launched().size(), 1u);
    EXPECT_EQ(text(), u"123") << "the typed text stays until the notice ends";
    platform.loop.Advance(1500);
    EXPECT_EQ(text(), u"555 0100");
}

TEST_F(DialTest, WithoutDelayEveryRequestDialsAndShowsTheNumber) {
    library.common.lDialingTextDelay = 0;
    click(u"_Mobile");
    click(u"_Mobile");
    EXPECT_EQ(launched().size(), 2u);
    EXPECT_EQ(text(), u"555 0199");
    EXPECT_EQ(platform.loop.liveTimers(), 0u);
}

TEST_F(DialTest, ComboBoxEntries) {
    world.Pick(combo(window), 1);
    EXPECT_TRUE(launched().empty()) << "the entry already shown is not dialed again";

    world.Pick(combo(window), 2);
    EXPECT_EQ(launched(), std::vector<String>{u"/opt/phone /ap \"/postpone \"555 0199\"\""});
    platform.loop.Advance(1500);

    world.TypeText(combo(window), u"");
    EXPECT_FALSE(control(window, u"_Dial")->enabled());
    EXPECT_EQ(text(), u"Dialing number ");
    EXPECT_TRUE(launched().empty()) << "an empty number dials nothing";
    ASSERT_TRUE(click(u"_Business")) << "and blocks nothing";
    EXPECT_EQ(launched().size(), 1u);
    platform.loop.Advance(1500);
    EXPECT_EQ(text(), u"555 0100");
}

TEST_F(DialTest, ClosingTheWindowCancelsItsNotice) {
    click(u"_Mobile");
    world.Close(*window);
    EXPECT_EQ(platform.loop.liveTimers(), 0u);
    EXPECT_EQ(library.timers.waitingCount(), 0u);
    platform.loop.Advance(5000);
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(DialTest, EachWindowDialsOnceAndEndsOnlyItsOwnNotice) {
    auto other = open();
    auto bob = contact(u"Bob", {{u"MobileTelephoneNumber", u"777"}});
    world.Select(*other, {bob});

    click(u"_Mobile");
    EXPECT_EQ(launched().size(), 1u) << "the click reaches both windows' handlers";
    platform.loop.Advance(500);
    click(u"_Mobile", other);
    EXPECT_EQ(launched(), std::vector<String>{u"/opt/phone /ap \"/postpone 777\""});

    platform.loop.Advance(1000);
    EXPECT_EQ(text(), u"555 0199");
    EXPECT_EQ(text(other), u"Dialing number 777");
    platform.loop.Advance(500);
    EXPECT_EQ(text(other), u"777");
}

TEST_F(DialTest, CopiesTheUserMadeDialOnceWithTheirOwnWindowsNumber) {
    auto other = open();
    auto bob = contact(u"Bob", {{u"MobileTelephoneNumber", u"777"}});
    world.Select(*other, {bob});
    const std::vector<String> mobile{u"/opt/phone /ap \"/postpone \"555 0199\"\""};
    struct Case {
        const char16_t* bar;
        std::int32_t before;
    };
    // Appended to the toolbar, the copy is not the control the handler follows; on a bar
    // searched earlier it becomes that control, and the original is the one left over.
    for (const Case& c : {Case{u"Brindle", 0}, Case{u"Standard", 1}}) {
        SCOPED_TRACE(platform::toPrintableUtf8(c.bar));
        auto original = control(window, u"_Mobile");
        auto copy = std::dynamic_pointer_cast<host::sim::SimButton>(
            world.CopyControl(*window, original, c.bar, c.before));
        ASSERT_TRUE(copy);
        for (const auto& used : {copy, original}) {
            ASSERT_TRUE(world.Click(used));
            EXPECT_EQ(launched(), mobile) << "once, with this window's number";
            platform.loop.Advance(1500);
        }
    }

    auto comboCopy = std::dynamic_pointer_cast<host::sim::SimComboBox>(
        world.CopyControl(*window, combo(window), u"Brindle", 0));
    ASSERT_TRUE(world.TypeText(comboCopy, u"123"));
    EXPECT_EQ(launched(), std::vector<String>{u"/opt/phone /ap \"/postpone 123\""});
    EXPECT_EQ(text(other), u"777") << "the other window stays silent";
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(DialTest, ControlsTheUserMovedOrDeleted) {
    ASSERT_TRUE(world.MoveControl(*window, control(window, u"_Dial"), u"Standard", 1));
    ASSERT_TRUE(click(u"_Dial"));
    EXPECT_EQ(launched().size(), 1u) << "a dragged control still dials";
    platform.loop.Advance(1500);

    ASSERT_TRUE(world.DeleteControl(*window, combo(window)));
    EXPECT_TRUE(click(u"_Dial"));
    EXPECT_TRUE(launched().empty()) << "no combo box, nothing to dial";
    click(u"_Mobile");
    click(u"_Mobile");
    EXPECT_EQ(launched().size(), 2u) << "without a combo box there is no notice to wait for";
    EXPECT_TRUE(handlerOf(window)->dialingNumber().empty());
    world.Select(*window, {ada});
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(DialTest, RefusedTimerDialsWithoutANotice) {
    platform.loop.refuseTimers(1);
    click(u"_Mobile");
    EXPECT_EQ(launched().size(), 1u);
    EXPECT_EQ(text(), u"555 0199");
    click(u"_Mobile");
    EXPECT_EQ(launched().size(), 1u) << "the second one has a timer and a notice";
}

TEST_F(DialTest, ShowContactsSwitchesToTheContactsFolder) {
    library.common.Button(5).sCaption = u"&Contacts";
    auto inbox = world.AddFolder(u"Inbox");
    auto second = world.OpenExplorer(inbox);
    ASSERT_TRUE(click(u"_ShowContacts", second));
    EXPECT_EQ(second->folder(), contacts);
    EXPECT_EQ(combo(second)->list().size(), 2u) << "numbers follow the new folder's selection";
}

}  // namespace
}  // namespace tessaly
