// The Brindle group on the ribbon of the simulated Outlook: its definition, dialing from it,
// its windows, and what the add-in invalidates.
#include <gtest/gtest.h>

#include "explorer/ribbon.h"
#include "harness/outlook/ribbon.h"
#include "tests/unit/ribbon/xml_parser.h"
#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;
using host::sim::RibbonUse;

const String kId = u"Brindle_OutlookAddIn_";

class RibbonTest : public testing::AddinTest {
  protected:
    void SetUp() override {
        platform.registry.RegWrite(
            u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\G\\AppPath",
            String(u"/opt/phone"));
        platform.files.attributes[u"/opt/phone"] = 0x20;
        ada = contact(u"Ada", {{u"BusinessTelephoneNumber", u"555 0100"},
                               {u"MobileTelephoneNumber", u"555 0199"}});
        bob = contact(u"Bob", {{u"MobileTelephoneNumber", u"777"}});
        window = open();
        connect();
        ASSERT_TRUE(ribbon.Load(addin->ribbon(), *parser));
        ASSERT_TRUE(ribbon.errors().empty()) << ::testing::PrintToString(ribbon.errors());
        world.Select(*window, {ada});
        ribbon.clearInvalidations();
    }

    // The id of the control in the copy of the group the window shows (one per Home tab).
    String idIn(const SimExplorer& w, const String& suffix) const {
        for (const auto* group : ribbon.GroupsShown(w)) {
            for (const String& copy : {String(u"_Mail"), String(u"_Contacts")}) {
                if (group->id == kId + u"_Group" + copy) {
                    return kId + suffix + copy;
                }
            }
        }
        return {};
    }
    host::sim::RibbonControlValues shown(const String& suffix,
                                         const std::shared_ptr<SimExplorer>& w = nullptr) {
        world.Idle();
        const SimExplorer& in = w ? *w : *window;
        return ribbon.values(in, idIn(in, suffix)).value();
    }
    RibbonUse click(const String& suffix, const std::shared_ptr<SimExplorer>& w = nullptr) {
        SimExplorer& in = w ? *w : *window;
        return ribbon.Click(in, idIn(in, suffix));
    }
    // Both copies' ids of the controls, sorted.
    static std::vector<String> copies(std::initializer_list<const char16_t*> suffixes) {
        std::vector<String> ids;
        for (const char16_t* suffix : suffixes) {
            ids.push_back(kId + suffix + u"_Contacts");
            ids.push_back(kId + suffix + u"_Mail");
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    std::vector<String> invalidatedSorted() {
        auto ids = invalidated();
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    std::vector<String> launched() { return std::exchange(platform.launcher.started, {}); }
    std::vector<String> invalidated() {
        auto ids = ribbon.invalidations();
        ribbon.clearInvalidations();
        return ids;
    }

    std::unique_ptr<host::sim::XmlParser> parser = tessaly::testing::MakeXmlParser();
    host::sim::SimRibbon ribbon{world};
    std::shared_ptr<host::sim::SimContact> ada;
    std::shared_ptr<host::sim::SimContact> bob;
    std::shared_ptr<SimExplorer> window;
};

TEST_F(RibbonTest, TheGroupStandsOnBothHomeTabsInTheCustomUI2009Namespace) {
    const auto root = parser->Parse(addin->ribbon().GetCustomUI(host::kExplorerRibbonId));
    EXPECT_EQ(root.name, u"customUI");
    EXPECT_EQ(root.attributes.front(),
              std::make_pair(String(u"xmlns"), String(host::kCustomUINamespace2009)));

    std::vector<String> places;
    for (const auto& group : ribbon.document(host::kExplorerRibbonId)->groups) {
        places.push_back(group.tab + u" " + group.position + u" " + group.label);
    }
    EXPECT_EQ(places, (std::vector<String>{u"TabMail after GroupMailRespond Brindle",
                                           u"TabContacts after GroupCommunicate Brindle"}));
    std::vector<String> labels;
    for (const auto* group : ribbon.GroupsShown(*window)) {
        for (const std::size_t i : group->controls) {
            const auto& control = ribbon.document(host::kExplorerRibbonId)->controls[i];
            labels.push_back(control.id.substr(kId.size()) + u"=" +
                             ribbon.values(*window, control.id).value().label);
        }
    }
    // No show-contacts button: the shipped strings do not dress it, as on the toolbar.
    EXPECT_EQ(labels,
              (std::vector<String>{u"_Dial_Contacts=Dial", u"_Combo_Contacts=Enter number to dial",
                                   u"_Business_Contacts=Business", u"_Mobile_Contacts=Mobile",
                                   u"_Home_Contacts=Home"}));
    EXPECT_TRUE(shown(u"_Dial").image) << "the keypad face";
    EXPECT_FALSE(shown(u"_Business").image);
}

TEST_F(RibbonTest, ShowsTheSelectedContactAndEnablesOnlyItsNumbers) {
    const auto combo = shown(u"_Combo");
    EXPECT_EQ(combo.text, u"555 0100");
    EXPECT_EQ(combo.items, (std::vector<String>{u"555 0100", u"555 0199"}));
    EXPECT_TRUE(shown(u"_Dial").enabled);
    EXPECT_TRUE(shown(u"_Business").enabled);
    EXPECT_TRUE(shown(u"_Mobile").enabled);
    EXPECT_FALSE(shown(u"_Home").enabled);
    EXPECT_EQ(click(u"_Home"), RibbonUse::Disabled);
}

TEST_F(RibbonTest, TheRoadOfOneDialAndItsNoticeSeenThroughInvalidation) {
    ASSERT_EQ(click(u"_Mobile"), RibbonUse::Done);
    EXPECT_EQ(launched(), std::vector<String>{u"/opt/phone /ap \"/postpone \"555 0199\"\""});
    EXPECT_EQ(invalidatedSorted(), copies({u"_Combo"})) << "only the text changed";
    EXPECT_EQ(shown(u"_Combo").text, u"Dialing number 555 0199");
    EXPECT_EQ(combo(window)->text(), u"Dialing number 555 0199") << "the toolbar shows it too";

    EXPECT_EQ(click(u"_Dial"), RibbonUse::Done);
    world.Click(control(window, u"_Business"));
    EXPECT_TRUE(launched().empty()) << "one dial per notice, whichever view asks";

    platform.loop.Advance(1499);
    EXPECT_TRUE(invalidated().empty());
    platform.loop.Advance(1);
    EXPECT_EQ(invalidatedSorted(), copies({u"_Combo"}));
    EXPECT_EQ(shown(u"_Combo").text, u"555 0199");
    ASSERT_EQ(click(u"_Business"), RibbonUse::Done);
    EXPECT_EQ(launched().size(), 1u) << "the next dial is accepted";
    EXPECT_TRUE(world.eventFailures().empty());
    EXPECT_TRUE(ribbon.errors().empty());
}

TEST_F(RibbonTest, ComboBoxEntries) {
    struct Case {
        const char* what;
        std::function<RibbonUse()> act;
        std::vector<String> launches;
    };
    const Case cases[] = {
        {"the item already shown",
         [&] { return ribbon.Pick(*window, idIn(*window, u"_Combo"), 1); },
         {}},
        {"another item",
         [&] { return ribbon.Pick(*window, idIn(*window, u"_Combo"), 2); },
         {u"/opt/phone /ap \"/postpone \"555 0199\"\""}},
        {"a typed number",
         [&] { return ribbon.TypeText(*window, idIn(*window, u"_Combo"), u"123"); },
         {u"/opt/phone /ap \"/postpone 123\""}},
        {"the Dial button after typing",
         [&] { return click(u"_Dial"); },
         {u"/opt/phone /ap \"/postpone 123\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.act(), RibbonUse::Done);
        EXPECT_EQ(launched(), c.launches);
        platform.loop.Advance(1500);
    }
    EXPECT_EQ(shown(u"_Combo").text, u"123");
    EXPECT_EQ(ribbon.Pick(*window, idIn(*window, u"_Combo"), 3), RibbonUse::NoSuchItem);
}

TEST_F(RibbonTest, ANumberTypedDuringTheNoticeStaysUntilItEnds) {
    click(u"_Mobile");
    launched();
    ribbon.TypeText(*window, idIn(*window, u"_Combo"), u"123");
    EXPECT_TRUE(launched().empty());
    EXPECT_EQ(shown(u"_Combo").text, u"123");
    platform.loop.Advance(1500);
    EXPECT_EQ(shown(u"_Combo").text, u"555 0199");
    EXPECT_EQ(handlerOf(window)->comboText(), u"555 0199");
}

TEST_F(RibbonTest, TwoWindowsShowTheirOwnNumbersAndDialOncePerClick) {
    auto other = open();
    world.Select(*other, {bob});
    EXPECT_EQ(shown(u"_Combo", other).items, std::vector<String>{u"777"});
    EXPECT_EQ(shown(u"_Combo").items, (std::vector<String>{u"555 0100", u"555 0199"}));
    EXPECT_FALSE(shown(u"_Business", other).enabled);

    click(u"_Mobile");
    click(u"_Mobile", other);
    EXPECT_EQ(launched(), (std::vector<String>{u"/opt/phone /ap \"/postpone \"555 0199\"\"",
                                               u"/opt/phone /ap \"/postpone 777\""}))
        << "a notice in one window does not block the other";
    EXPECT_EQ(shown(u"_Combo").text, u"Dialing number 555 0199");
    EXPECT_EQ(shown(u"_Combo", other).text, u"Dialing number 777");
}

TEST_F(RibbonTest, ASelectionChangeInvalidatesOnlyWhatChangedForThatWindow) {
    auto other = open();
    world.Select(*other, {ada});
    world.Idle();
    invalidated();
    const auto otherBefore = shown(u"_Combo", other);

    world.Select(*window, {bob});
    EXPECT_EQ(invalidatedSorted(), copies({u"_Business", u"_Combo"}))
        << "Dial and Mobile stay enabled, Home disabled";
    EXPECT_EQ(shown(u"_Combo").items, std::vector<String>{u"777"});
    EXPECT_FALSE(shown(u"_Business").enabled);
    EXPECT_EQ(shown(u"_Combo", other).items, otherBefore.items) << "the other window's own";

    const std::size_t otherQueries = ribbon.queries(*other);
    world.Select(*other, {ada});
    world.Idle();
    EXPECT_TRUE(invalidated().empty()) << "nothing the other window shows changed";
    EXPECT_EQ(ribbon.queries(*other), otherQueries);

    world.SwitchFolder(*window, world.AddFolder(u"Inbox"));
    EXPECT_EQ(invalidatedSorted(), copies({u"_Combo", u"_Mobile"}));
    EXPECT_TRUE(shown(u"_Combo").items.empty());
    EXPECT_EQ(shown(u"_Combo").text, u"777") << "a reset keeps the text, as on the toolbar";
}

// The dial menus dial through their window's handler: a window's notice blocks a second dial
// from that window, whichever surface asks, and no other window's.
TEST_F(RibbonTest, AMenuDialsOncePerNoticeOfItsWindow) {
    const String contactMenu = kId + u"_DialMenu_ContactItem";
    const String inspectorMenu = kId + u"_DialMenu_Inspector";
    auto inspector = world.OpenInspector(bob);
    world.Idle();
    const auto fromContextMenu = [&](std::size_t entry) {
        ribbon.RightClick(*window, ada);
        EXPECT_EQ(ribbon.Drop(*window, contactMenu), RibbonUse::Done);
        return ribbon.Choose(*window, entry);
    };
    const auto fromInspector = [&] {
        EXPECT_EQ(ribbon.Drop(*inspector, inspectorMenu), RibbonUse::Done);
        return ribbon.Choose(*inspector, 1);
    };
    struct Step {
        const char* what;
        std::function<RibbonUse()> act;
        std::vector<String> launches;
        String inspectorLabel;
    };
    const String ada2 = u"/opt/phone /ap \"/postpone \"555 0199\"\"";
    const String bob1 = u"/opt/phone /ap \"/postpone 777\"";
    const Step steps[] = {
        {"the contact's menu", [&] { return fromContextMenu(2); }, {ada2}, u"Dial"},
        {"again during the notice", [&] { return fromContextMenu(1); }, {}, u"Dial"},
        {"the toolbar during it", [&] { return click(u"_Business"); }, {}, u"Dial"},
        {"the open contact meanwhile", fromInspector, {bob1}, u"Dialing number 777"},
        {"the open contact again", fromInspector, {}, u"Dialing number 777"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.act(), RibbonUse::Done);
        EXPECT_EQ(launched(), step.launches);
        world.Idle();
        EXPECT_EQ(ribbon.values(*inspector, inspectorMenu).value().label, step.inspectorLabel);
    }
    platform.loop.Advance(1500);
    world.Idle();
    EXPECT_EQ(ribbon.values(*inspector, inspectorMenu).value().label, u"Dial");
    EXPECT_EQ(fromContextMenu(2), RibbonUse::Done);
    EXPECT_EQ(fromInspector(), RibbonUse::Done);
    EXPECT_EQ(launched(), (std::vector<String>{ada2, bob1})) << "both notices ended";
    EXPECT_TRUE(ribbon.errors().empty()) << ::testing::PrintToString(ribbon.errors());
}

// A client may ask before OnConnection: it gets the definition of the connected add-in, and
// what it got is not what the add-in keeps once connected.
using RibbonBeforeConnection = testing::AddinTest;

TEST_F(RibbonBeforeConnection, IsTheDefinitionOfTheConnectedAddin) {
    const String before = addin->ribbon().GetCustomUI(host::kExplorerRibbonId);
    EXPECT_NE(before.find(kId + u"_Business_Mail\""), String::npos)
        << "the buttons need the settings";
    open();
    connect();
    EXPECT_EQ(addin->ribbon().GetCustomUI(host::kExplorerRibbonId), before);
}

TEST_F(RibbonTest, UnloadsCleanly) {
    EXPECT_EQ(ribbon.ribbonUIReferencesHeldByAddin(), 1);
    addin->IDTExtensibility2_OnBeginShutdown();
    addin->IDTExtensibility2_OnDisconnection();
    EXPECT_EQ(ribbon.ribbonUIReferencesHeldByAddin(), 0) << "no IRibbonUI after OnDisconnection";
    EXPECT_FALSE(addin->ribbon().holdsRibbonUI());
    // Office may still call a callback of a window it is tearing down.
    EXPECT_EQ(click(u"_Dial"), RibbonUse::Done);
    EXPECT_TRUE(launched().empty());
    ribbon.Unload();
    addin.reset();
}

}  // namespace
}  // namespace tessaly
