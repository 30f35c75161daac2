// The simulated Office's side of a ribbon customisation: what it refuses, what it leaves out,
// when it asks for each kind of window's, how it resolves callbacks, the tab each window
// shows, and how an invalidation reaches every window with its own Context.
#include <gtest/gtest.h>

#include "platform/utf.h"
#include "tests/unit/ribbon/ribbon_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

using RibbonModelTest = RibbonFixture;

TEST_F(RibbonModelTest, RefusesTheWholeCustomisationAsOfficeDoes) {
    struct Case {
        const char* what;
        String body;
        String after;  // behind the ribbon
        String root;
        const char* error;
    };
    const String button = u"<button id=\"B\" onAction=\"Act\"/>";
    const String plain = kOpen + u">";
    const auto inMenu = [](const String& controls) {
        return u"<contextMenus><contextMenu idMso=\"ContextMenuContactItem\">" + controls +
               u"</contextMenu></contextMenus>";
    };
    const Case cases[] = {
        {"not well-formed", u"<button id=\"B\">", {}, plain, "not well-formed"},
        {"not valid UTF-16",
         u"<button id=\"B\" label=\"" + String(1, u'\xD800') + u"\"/>",
         {},
         plain,
         "not valid UTF-16"},
        {"an id used twice", button + button, {}, plain, "the id B is used twice"},
        {"an id of the tab used again", u"<button id=\"T\"/>", {}, plain, "used twice"},
        {"an id of a group used again in a context menu", button,
         inMenu(u"<dynamicMenu id=\"B\" getContent=\"Content\"/>"), plain, "used twice"},
        // MSXML finds it itself; pugixml does not, and the model does.
        {"a repeated attribute",
         u"<button id=\"B\" label=\"a\" label=\"b\"/>",
         {},
         plain,
         "not well-formed"},
        {"another namespace", button, {}, u"<customUI xmlns=\"urn:other\">", "not in the customUI"},
        {"an attribute the schema lacks",
         u"<button id=\"B\" colour=\"red\"/>",
         {},
         plain,
         "no attribute colour"},
        {"an element out of place", u"<tab id=\"X\"/>", {}, plain, "cannot be inside"},
        {"an element the model does not know", u"<menu id=\"X\"/>", {}, plain, "cannot be inside"},
        {"a dynamic menu without getContent",
         u"<dynamicMenu id=\"M\"/>",
         {},
         plain,
         "dynamicMenu M has no getContent"},
        {"a size in a menu, which only a group's controls have",
         {},
         inMenu(u"<dynamicMenu id=\"M\" size=\"large\" getContent=\"Content\"/>"),
         plain,
         "no attribute size"},
        {"a context menu without an idMso",
         {},
         u"<contextMenus><contextMenu/></contextMenus>",
         plain,
         "a contextMenu without an idMso"},
        {"context menus in the namespace of 2006",
         {},
         inMenu(button),
         u"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\">",
         "contextMenus needs the customUI namespace of 2009"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ribbon.clearErrors();
        EXPECT_FALSE(load(c.body, c.after, c.root));
        EXPECT_FALSE(ribbon.loaded());
        EXPECT_FALSE(addin.ui_) << "onLoad is not called";
        ASSERT_EQ(ribbon.errors().size(), 1u);
        EXPECT_NE(ribbon.errors().front().find(c.error), std::string::npos)
            << ribbon.errors().front();
    }
    EXPECT_TRUE(load(u"<dynamicMenu id=\"M\" size=\"large\" getContent=\"Content\"/>",
                     inMenu(u"<menuSeparator id=\"S\"/>")))
        << "a group's dynamic menu has a size; a context menu holds separators";
}

// Office reports an idMso it does not know and leaves that element out; the rest stays.
TEST_F(RibbonModelTest, AnUnknownIdMsoLeavesOnlyItsElementOut) {
    struct Case {
        const char* what;
        String ribbon;  // the tabs besides the good one
        String after;   // behind the ribbon
        const char* unknown;
    };
    const auto menu = [](const char* idMso, const String& controls) {
        return u"<contextMenus><contextMenu idMso=\"" + platform::fromUtf8(idMso) + u"\">" +
               controls + u"</contextMenu></contextMenus>";
    };
    const Case cases[] = {
        {"a tab", u"<tab idMso=\"TabNope\"><group id=\"Bad\"/></tab>", {}, "TabNope"},
        {"a tab of another kind of window",
         u"<tab idMso=\"TabContact\"><group id=\"Bad\"/></tab>",
         {},
         "TabContact"},
        {"a group", u"<tab idMso=\"TabMail\"><group idMso=\"GroupNope\"/></tab>", {}, "GroupNope"},
        {"a group's anchor on another tab",
         u"<tab idMso=\"TabMail\"><group id=\"Bad\" insertAfterMso=\"GroupCommunicate\"/></tab>",
         {},
         "GroupCommunicate"},
        {"a group's anchor before",
         u"<tab idMso=\"TabMail\"><group id=\"Bad\" insertBeforeMso=\"GroupNope\"/></tab>",
         {},
         "GroupNope"},
        {"a group's anchor on a tab of the add-in's",
         u"<tab id=\"Own\"><group id=\"Bad\" insertAfterMso=\"GroupMailRespond\"/></tab>",
         {},
         "GroupMailRespond"},
        {"a context menu", {}, menu("ContextMenuNope", u"<button id=\"Bad\"/>"), "ContextMenuNope"},
        {"a control's anchor in a context menu",
         {},
         menu("ContextMenuMailItem", u"<button id=\"Bad\" insertAfterMso=\"DialMenu\"/>"),
         "DialMenu"},
    };
    const String good =
        u"<tab idMso=\"TabContacts\"><group id=\"Good\" insertAfterMso=\"GroupCommunicate\">"
        u"<button id=\"B\" onAction=\"Act\"/></group></tab>";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ribbon.clearErrors();
        addin.xml[kExplorerRibbonId] = kOpen + u"><ribbon><tabs>" + good + c.ribbon +
                                       u"</tabs></ribbon>" + c.after + u"</customUI>";
        ASSERT_TRUE(ribbon.Load(addin, *parser));
        ASSERT_EQ(ribbon.errors().size(), 1u);
        EXPECT_TRUE(reported(std::string("Unknown Office control ID \"") + c.unknown + "\""))
            << ribbon.errors().front();
        const RibbonDocument& document = *ribbon.document(kExplorerRibbonId);
        EXPECT_FALSE(document.find(u"Bad"));
        ASSERT_EQ(document.groups.size(), 1u);
        EXPECT_EQ(document.groups[0].id, u"Good");
        EXPECT_EQ(document.groups[0].position, u"after GroupCommunicate");
        EXPECT_EQ(ribbon.Click(*first, u"B"), RibbonUse::Done);
    }
}

TEST_F(RibbonModelTest, ACallbackThatCannotBeResolvedLeavesOnlyThatControlWithoutIt) {
    ASSERT_TRUE(
        load(u"<button id=\"A\" onAction=\"Missing\"/>"
             u"<button id=\"B\" onAction=\"Act\" getLabel=\"Act\"/>"
             u"<button id=\"C\" onAction=\"Act\"/>"));
    ASSERT_EQ(ribbon.errors().size(), 2u);
    EXPECT_NE(ribbon.errors()[0].find("onAction=\"Missing\" of A: the add-in has no callback"),
              std::string::npos);
    EXPECT_NE(
        ribbon.errors()[1].find("getLabel=\"Act\" of B: the callback has the wrong signature"),
        std::string::npos);
    EXPECT_EQ(ribbon.Click(*first, u"A"), RibbonUse::NoCallback);
    EXPECT_EQ(ribbon.Click(*first, u"B"), RibbonUse::Done);
    EXPECT_EQ(ribbon.Click(*first, u"C"), RibbonUse::Done);
    EXPECT_EQ(addin.acted, (std::vector<String>{u"B", u"C"}));
    EXPECT_TRUE(addin.ui_) << "the rest of the customisation loads";
}

TEST_F(RibbonModelTest, InvalidationRequeriesEveryWindowWithItsOwnContext) {
    auto second = world.OpenExplorer(folder);
    addin.labels[first.get()] = u"one";
    addin.labels[second.get()] = u"two";
    ASSERT_TRUE(load(u"<button id=\"B\" getLabel=\"Label\"/><button id=\"C\" label=\"fixed\"/>"));
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"one");
    EXPECT_EQ(ribbon.values(*second, u"B")->label, u"two");

    addin.labels[first.get()] = u"uno";
    addin.labels[second.get()] = u"due";
    addin.ui_->InvalidateControl(u"B");
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"one") << "queried at the next idle moment";
    world.Idle();
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"uno");
    EXPECT_EQ(ribbon.values(*second, u"B")->label, u"due");
    EXPECT_EQ(ribbon.values(*second, u"C")->label, u"fixed");

    auto third = world.OpenExplorer(folder);
    world.Idle();
    EXPECT_EQ(ribbon.values(*third, u"B")->label, u"") << "a new window is queried whole";

    EXPECT_THROW(addin.ui_->InvalidateControl(u"Nope"), Error);
    ribbon.Unload();
    EXPECT_THROW(addin.ui_->Invalidate(), Error) << "a held IRibbonUI outlives its ribbon";
}

// Office asks for a kind of window's customisation when the first such window shows, once.
TEST_F(RibbonModelTest, EachKindOfWindowIsAskedForOnceWhenItsFirstWindowShows) {
    addin.xml[kContact] =
        kOpen +
        u" onLoad=\"Load\"><ribbon><tabs><tab idMso=\"TabContact\"><group id=\"G\" "
        u"insertAfterMso=\"GroupCommunicate\"><button id=\"B\"/></group></tab></tabs>"
        u"</ribbon></customUI>";
    ASSERT_FALSE(ribbon.Load(addin, *parser)) << "no Explorer customisation";
    EXPECT_EQ(addin.asked, std::vector<String>{kExplorerRibbonId}) << "asked at connection";
    EXPECT_FALSE(ribbon.loaded());

    world.OpenInspector(alice);
    world.OpenInspector(bob);
    world.OpenInspector(world.AddItem(*folder, u"DistListItem", u"Team"));
    addin.failing = u"Microsoft.Outlook.Mail.Read";
    world.OpenInspector(mail);
    world.OpenInspector(mail);
    EXPECT_EQ(addin.asked,
              (std::vector<String>{kExplorerRibbonId, kContact, u"Microsoft.Outlook.Mail.Read"}));
    const auto asked = ribbon.TakeAsked();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].customised, false);
    EXPECT_EQ(asked[1].customised, true);
    EXPECT_EQ(asked[2].customised, std::nullopt) << "GetCustomUI failed";
    EXPECT_TRUE(reported("GetCustomUI(Microsoft.Outlook.Mail.Read) failed: the add-in broke"));
    EXPECT_TRUE(ribbon.TakeAsked().empty());
    EXPECT_TRUE(ribbon.loaded());
    EXPECT_EQ(addin.loads, 1) << "the Contact customisation's onLoad";

    addin.xml[kExplorerRibbonId] = Document(u"<button id=\"E\"/>");
    ASSERT_TRUE(ribbon.Load(addin, *parser));
    EXPECT_EQ(addin.asked.size(), 6u) << "a new connection asks anew, for every open kind";
    EXPECT_EQ(addin.loads, 3) << "each document's onLoad";
}

// The add-in's copies of a group on the Home tabs of mail and of contacts: a window shows the
// one on its folder's tab, and a copy in the back is asked for when its tab comes to the front.
TEST_F(RibbonModelTest, AWindowShowsTheGroupOnTheHomeTabOfItsFolder) {
    auto second = world.OpenExplorer(inbox);
    addin.labels[first.get()] = u"one";
    addin.xml[kExplorerRibbonId] =
        kOpen +
        u" onLoad=\"Load\"><ribbon><tabs>"
        u"<tab idMso=\"TabMail\"><group id=\"G_Mail\" label=\"Brindle\" "
        u"insertAfterMso=\"GroupMailRespond\"><button id=\"D_Mail\" getLabel=\"Label\" "
        u"onAction=\"Act\"/></group></tab>"
        u"<tab idMso=\"TabContacts\"><group id=\"G_Contacts\" label=\"Brindle\" "
        u"insertAfterMso=\"GroupCommunicate\"><button id=\"D_Contacts\" "
        u"getLabel=\"Label\" onAction=\"Act\"/></group></tab>"
        u"</tabs></ribbon></customUI>";
    ASSERT_TRUE(ribbon.Load(addin, *parser));
    const auto shown = [&](const SimExplorer& window) {
        const auto groups = ribbon.GroupsShown(window);
        return groups.size() == 1 ? groups[0]->id : u"?";
    };
    EXPECT_EQ(shown(*first), u"G_Contacts");
    EXPECT_EQ(shown(*second), u"G_Mail");
    EXPECT_EQ(ribbon.values(*first, u"D_Contacts")->label, u"one");
    EXPECT_FALSE(ribbon.values(*first, u"D_Mail")) << "its tab is in the back";
    EXPECT_EQ(ribbon.Click(*first, u"D_Mail"), RibbonUse::NoSuchControl);
    EXPECT_EQ(ribbon.Click(*first, u"D_Contacts"), RibbonUse::Done);

    const std::size_t before = ribbon.queries(*first);
    addin.labels[first.get()] = u"uno";
    addin.ui_->Invalidate();
    world.Idle();
    EXPECT_EQ(ribbon.queries(*first), before + 1) << "the copy shown, not the one in the back";
    world.SwitchFolder(*first, inbox);
    EXPECT_EQ(shown(*first), u"G_Mail");
    world.Idle();
    EXPECT_EQ(ribbon.values(*first, u"D_Mail")->label, u"uno");
    EXPECT_EQ(ribbon.Click(*first, u"D_Mail"), RibbonUse::Done);
}

TEST_F(RibbonModelTest, AnInspectorsControlsAreQueriedWithTheInspectorAsContext) {
    ASSERT_TRUE(load(u"<button id=\"E\" getLabel=\"Label\"/>"));
    addin.xml[kContact] =
        kOpen +
        u"><ribbon><tabs><tab idMso=\"TabContact\"><group id=\"G\" label=\"Brindle\">"
        u"<dynamicMenu id=\"M\" size=\"large\" getLabel=\"Label\" getContent=\"Content\"/>"
        u"</group></tab></tabs></ribbon></customUI>";
    auto inspector = world.OpenInspector(alice);
    addin.labels[inspector.get()] = u"Alice's";
    auto other = world.OpenInspector(bob);  // an idle moment first, when Alice's is queried
    world.Idle();
    EXPECT_EQ(ribbon.values(*inspector, u"M")->label, u"Alice's");
    EXPECT_EQ(ribbon.values(*other, u"M")->label, u"");

    addin.labels[inspector.get()] = u"Dialing number +1 555";
    addin.labels[first.get()] = u"changed";
    addin.ui_->InvalidateControl(u"M");
    world.Idle();
    EXPECT_EQ(ribbon.values(*inspector, u"M")->label, u"Dialing number +1 555");
    EXPECT_EQ(ribbon.values(*first, u"E")->label, u"") << "only the control invalidated";
    addin.ui_->Invalidate();
    world.Idle();
    EXPECT_EQ(ribbon.values(*first, u"E")->label, u"changed") << "every window, every kind";

    world.Close(*inspector);
    world.Idle();
    EXPECT_FALSE(ribbon.values(*inspector, u"M")) << "a closed window is forgotten";
}

}  // namespace
}  // namespace tessaly::host::sim::testing
