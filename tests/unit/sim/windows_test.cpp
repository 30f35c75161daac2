// The windows besides Explorers (Inspectors of open items), what each kind of window shows on
// the ribbon, and the profile's folder kinds, flags and the user's edits of an item.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/sim/sim_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

std::shared_ptr<InspectorEvents> onClose(std::function<void()> handler) {
    auto sink = std::make_shared<InspectorEvents>();
    sink->Close = std::move(handler);
    return sink;
}

TEST_F(SimTest, AnInspectorRaisesCloseOnceWhileStillOpenThenIsGone) {
    auto first = world.OpenInspector(alice);
    auto second = world.OpenInspector(mail);
    EXPECT_EQ(world.windows(), (std::vector<std::shared_ptr<SimWindow>>{window, first, second}));
    int closes = 0;
    auto subscription = first->Advise(onClose([&] {
        ++closes;
        EXPECT_TRUE(SameObject(first->CurrentItem(), alice)) << "the item is still there";
    }));
    trace.clear();
    world.Close(*first);
    world.Close(*first);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(trace.events(), std::vector<std::string>{"Inspector.Close"});
    EXPECT_TRUE(first->closed());
    EXPECT_EQ(world.inspectors(), std::vector<std::shared_ptr<SimInspector>>{second});
    EXPECT_EQ(world.windows(), (std::vector<std::shared_ptr<SimWindow>>{window, second}));
    EXPECT_EQ(first->connections(), 1u) << "closing ends no subscription";
    subscription.reset();
    EXPECT_EQ(first->connections(), 0u);
}

TEST_F(SimTest, TheWindowHookRunsWhenAWindowShowsBeforeItsFirstEvent) {
    std::vector<std::string> seen;
    world.setWindowHook([&](SimWindow& shown) { seen.push_back("shown " + shown.traceType()); });
    auto sink = std::make_shared<ExplorersEvents>();
    sink->NewExplorer = [&](const auto&) { seen.push_back("NewExplorer"); };
    auto subscription = world.application()->Explorers()->Advise(sink);
    world.OpenExplorer(inbox);
    world.OpenInspector(alice);
    EXPECT_EQ(seen, (std::vector<std::string>{"shown Explorer", "NewExplorer", "shown Inspector"}));
}

struct ShownCase {
    const char* what;
    std::function<std::shared_ptr<SimWindow>(SimTest&)> open;
    const char16_t* ribbonId;
    const char16_t* tab;
};
void PrintTo(const ShownCase& c, std::ostream* os) {
    *os << c.what;
}

class WindowKindTest : public SimTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(WindowKindTest, GivesTheRibbonIdAndTheTabInFront) {
    const auto shown = GetParam().open(*this);
    EXPECT_EQ(shown->ribbonId(), GetParam().ribbonId);
    EXPECT_EQ(shown->shownTab(), GetParam().tab);
    EXPECT_EQ(shown->context().get(), dynamic_cast<Object*>(shown.get()))
        << "a control in the window gives the window as its Context";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowKindTest,
    ::testing::Values(
        ShownCase{"the default contacts folder", [](SimTest& fx) { return fx.window; },
                  u"Microsoft.Outlook.Explorer", u"TabContacts"},
        ShownCase{"another folder", [](SimTest& fx) { return fx.world.OpenExplorer(fx.inbox); },
                  u"Microsoft.Outlook.Explorer", u"TabMail"},
        ShownCase{"a folder of contacts by its kind",
                  [](SimTest& fx) {
                      fx.inbox->setKind(FolderKind::Contacts);
                      return fx.world.OpenExplorer(fx.inbox);
                  },
                  u"Microsoft.Outlook.Explorer", u"TabContacts"},
        ShownCase{"the default contacts folder set to mail",
                  [](SimTest& fx) {
                      fx.contacts->setKind(FolderKind::Mail);
                      return fx.window;
                  },
                  u"Microsoft.Outlook.Explorer", u"TabMail"},
        ShownCase{"a switch to another folder",
                  [](SimTest& fx) {
                      fx.world.SwitchFolder(*fx.window, fx.inbox);
                      return fx.window;
                  },
                  u"Microsoft.Outlook.Explorer", u"TabMail"},
        ShownCase{"a contact opened", [](SimTest& fx) { return fx.world.OpenInspector(fx.alice); },
                  u"Microsoft.Outlook.Contact", u"TabContact"},
        ShownCase{"a mail opened", [](SimTest& fx) { return fx.world.OpenInspector(fx.mail); },
                  u"Microsoft.Outlook.Mail.Read", u"TabReadMessage"},
        ShownCase{"a distribution list opened",
                  [](SimTest& fx) {
                      return fx.world.OpenInspector(
                          fx.world.AddItem(*fx.contacts, u"DistListItem", u"Team"));
                  },
                  u"", u""}),
    [](const auto& p) {
        std::string name = p.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(SimTest, FlagsAndTheUsersEditsAreTheModelsOwnAndUntraced) {
    EXPECT_FALSE(world.flagged(*alice));
    world.SetFlagged(*alice, true);
    EXPECT_TRUE(world.flagged(*alice));
    EXPECT_FALSE(world.flagged(*mail));
    world.SetFlagged(*alice, false);
    EXPECT_FALSE(world.flagged(*alice));

    trace.clear();
    EXPECT_TRUE(world.SetProperty(*alice, u"MobileTelephoneNumber", u"+1 777"));
    EXPECT_TRUE(world.SetProperty(*alice, u"HomeTelephoneNumber", u"+1 888"));
    EXPECT_FALSE(world.SetProperty(*alice, u"FullName", u"Alice Liddell"));
    EXPECT_FALSE(world.SetProperty(*mail, u"MobileTelephoneNumber", u"+1 999"));
    EXPECT_TRUE(trace.calls().empty());
    EXPECT_EQ(alice->MobileTelephoneNumber(), u"+1 777") << "read as it stands now";
    EXPECT_EQ(alice->number(u"HomeTelephoneNumber"), u"+1 888");

    EXPECT_EQ(ItemTypeName(*alice), u"ContactItem");
    EXPECT_EQ(ItemTypeName(*mail), u"MailItem");
    EXPECT_EQ(ItemName(*mail), u"Hello");
}

}  // namespace
}  // namespace tessaly::host::sim::testing
