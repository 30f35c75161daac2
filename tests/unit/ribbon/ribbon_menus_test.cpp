// Menus of the simulated Office: an item's context menu with the add-in's controls, a dynamic
// menu's content asked for when it drops and checked as Office checks it, and choosing an
// entry, with the Context each callback gets.
#include <gtest/gtest.h>

#include "platform/utf.h"
#include "tests/unit/ribbon/ribbon_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

const String kMenuOpen = u"<menu xmlns=\"" + kNamespace2009 + u"\">";

String Menu(const String& entries) {
    return kMenuOpen + entries + u"</menu>";
}

class RibbonMenuTest : public RibbonFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            load(u"<button id=\"B\"/>",
                 u"<contextMenus>"
                 u"<contextMenu idMso=\"ContextMenuContactItem\"><dynamicMenu id=\"Dial\" "
                 u"label=\"Dial\" insertAfterMso=\"DialMenu\" getContent=\"Content\" "
                 u"invalidateContentOnDrop=\"true\"/></contextMenu>"
                 u"<contextMenu idMso=\"ContextMenuFlaggedContactItem\"><dynamicMenu id=\"Kept\" "
                 u"getLabel=\"Label\" getContent=\"Content\"/><menuSeparator id=\"S\"/>"
                 u"<dynamicMenu id=\"Off\" enabled=\"false\" getContent=\"Content\"/></contextMenu>"
                 u"<contextMenu idMso=\"ContextMenuMailItem\"><button id=\"Reply2\" label=\"Hi\" "
                 u"onAction=\"Act\"/></contextMenu>"
                 u"</contextMenus>"));
        ASSERT_TRUE(ribbon.errors().empty()) << ribbon.errors().front();
    }

    // The right-click's Selection as the add-in sees it.
    static void ExpectSelectionOf(const std::shared_ptr<Object>& context,
                                  const std::shared_ptr<Item>& item,
                                  const std::shared_ptr<SimExplorer>& window) {
        const auto selection = std::dynamic_pointer_cast<Selection>(context);
        ASSERT_TRUE(selection);
        ASSERT_EQ(selection->Count(), 1);
        EXPECT_TRUE(SameObject(selection->Item(1), item));
        EXPECT_TRUE(SameObject(selection->Parent(), window));
    }
    std::vector<String> ids() const {
        std::vector<String> out;
        for (const auto& entry : ribbon.OpenMenu(*first)->entries) {
            out.push_back(entry.id);
        }
        return out;
    }
};

TEST_F(RibbonMenuTest, ARightClickOpensTheItemsContextMenuWithASelectionOfItAsContext) {
    world.SetFlagged(*bob, true);
    const auto menu = ribbon.RightClick(*first, alice);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->name, u"ContextMenuContactItem");
    ASSERT_EQ(menu->entries.size(), 1u);
    EXPECT_EQ(menu->entries[0].type, u"dynamicMenu");
    EXPECT_EQ(menu->entries[0].values.label, u"Dial");

    const auto flagged = ribbon.RightClick(*first, bob);
    EXPECT_EQ(flagged->name, u"ContextMenuFlaggedContactItem");
    EXPECT_EQ(ids(), (std::vector<String>{u"Kept", u"Off"}));
    ASSERT_EQ(addin.contexts.size(), 1u) << "getLabel of Kept";
    ExpectSelectionOf(addin.contexts[0], bob, first);
    EXPECT_EQ(first->selection(), std::vector<std::shared_ptr<Item>>{alice})
        << "the window's selection stays";

    auto mailWindow = world.OpenExplorer(inbox);
    EXPECT_EQ(ribbon.RightClick(*mailWindow, mail)->name, u"ContextMenuMailItem");
    EXPECT_FALSE(ribbon.OpenMenu(*first)) << "one menu is open at a time";
    EXPECT_EQ(ribbon.Choose(*mailWindow, 1), RibbonUse::Done);
    ExpectSelectionOf(addin.contexts.back(), mail, mailWindow);
    EXPECT_FALSE(ribbon.RightClick(*first, world.AddItem(*folder, u"DistListItem", u"Team")))
        << "no context menu the model knows";
}

TEST_F(RibbonMenuTest, ChoosingAnEntryCallsItsActionWithItsTagAndTheDropsContext) {
    addin.content = Menu(
        u"<button id=\"a\" label=\"Mobile +1 555\" tag=\"+1 555\" onAction=\"Act\"/>"
        u"<menuSeparator id=\"s\"/>"
        u"<button id=\"b\" label=\"Off\" enabled=\"false\" onAction=\"Act\"/>"
        u"<button id=\"c\" label=\"None\"/>");
    ribbon.RightClick(*first, alice);
    ASSERT_EQ(ribbon.Drop(*first, u"Dial"), RibbonUse::Done);
    const RibbonMenu* open = ribbon.OpenMenu(*first);
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->content);
    EXPECT_EQ(open->name, u"Dial");
    EXPECT_EQ(ids(), (std::vector<String>{u"a", u"s", u"b", u"c"}));
    EXPECT_EQ(open->entries[0].tag, u"+1 555");
    EXPECT_EQ(open->entries[1].type, u"menuSeparator");
    EXPECT_FALSE(open->entries[2].values.enabled);

    EXPECT_EQ(ribbon.Choose(*first, 2), RibbonUse::NotAButton);
    EXPECT_EQ(ribbon.Choose(*first, 3), RibbonUse::Disabled);
    EXPECT_EQ(ribbon.Choose(*first, 5), RibbonUse::NoSuchItem);
    ASSERT_TRUE(ribbon.OpenMenu(*first)) << "still open";
    EXPECT_EQ(ribbon.Choose(*first, 1), RibbonUse::Done);
    EXPECT_EQ(addin.acted, std::vector<String>{u"a"});
    EXPECT_EQ(addin.actedTags, std::vector<String>{u"+1 555"});
    ASSERT_EQ(addin.contexts.size(), 2u);
    EXPECT_EQ(addin.contexts[0], addin.contexts[1]) << "the drop's Selection, the same object";
    ExpectSelectionOf(addin.contexts[1], alice, first);
    EXPECT_FALSE(ribbon.OpenMenu(*first)) << "choosing closes the menu";
    EXPECT_EQ(ribbon.Choose(*first, 1), RibbonUse::NoMenu);

    ribbon.RightClick(*first, alice);
    ribbon.Drop(*first, u"Dial");
    EXPECT_EQ(ribbon.Choose(*first, 4), RibbonUse::NoCallback);
}

TEST_F(RibbonMenuTest, ContentOfficeWouldNotShowIsAnErrorAndAnEmptyMenu) {
    struct Case {
        const char* what;
        String content;
        const char* error;
    };
    String tooMany;
    for (int i = 0; i <= 1000; ++i) {
        tooMany += u"<button id=\"e" + platform::fromUtf8(std::to_string(i)) + u"\"/>";
    }
    const Case cases[] = {
        {"not well-formed", kMenuOpen + u"<button id=\"a\">", "not well-formed"},
        {"another namespace", u"<menu xmlns=\"urn:other\"><button id=\"a\"/></menu>",
         "not in the customUI namespace"},
        {"another root", kOpen + u"><button id=\"a\"/></customUI>", "unexpected element"},
        {"an element a menu cannot hold", Menu(u"<checkBox id=\"a\"/>"), "cannot be inside"},
        {"an attribute the schema lacks", Menu(u"<button id=\"a\" colour=\"red\"/>"),
         "no attribute colour"},
        {"a size, which a menu's entries lack", Menu(u"<button id=\"a\" size=\"large\"/>"),
         "no attribute size"},
        {"an id used twice", Menu(u"<button id=\"a\"/><button id=\"a\"/>"), "a is used twice"},
        {"an entry without an id", Menu(u"<button label=\"x\"/>"), "a button without an id"},
        {"more than 1000 entries", Menu(tooMany), "1001 entries, more than 1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ribbon.clearErrors();
        addin.content = c.content;
        ribbon.RightClick(*first, alice);
        ASSERT_EQ(ribbon.Drop(*first, u"Dial"), RibbonUse::Done);
        EXPECT_TRUE(ribbon.OpenMenu(*first)->entries.empty());
        ASSERT_EQ(ribbon.errors().size(), 1u);
        EXPECT_TRUE(reported("the content of dynamic menu Dial is ignored: ")) << c.error;
        EXPECT_TRUE(reported(c.error)) << ribbon.errors().front();
    }
    ribbon.clearErrors();
    addin.content = Menu(tooMany.substr(tooMany.find(u"/>") + 2));
    ribbon.RightClick(*first, alice);
    ribbon.Drop(*first, u"Dial");
    EXPECT_EQ(ribbon.OpenMenu(*first)->entries.size(), 1000u) << "1000 entries are shown";
    addin.content.clear();
    ribbon.RightClick(*first, alice);
    ribbon.Drop(*first, u"Dial");
    EXPECT_TRUE(ribbon.OpenMenu(*first)->entries.empty());
    EXPECT_TRUE(ribbon.errors().empty()) << "no content is no error";
}

TEST_F(RibbonMenuTest, ContentIsAskedForAtEveryDropOnlyWhenTheMenuSaysSo) {
    addin.content = Menu(u"<button id=\"a\" label=\"+1 555\"/>");
    const auto drop = [&](const String& id) {
        ribbon.RightClick(*first, alice);
        EXPECT_EQ(ribbon.Drop(*first, id), RibbonUse::Done);
        return ribbon.OpenMenu(*first)->entries.at(0).values.label;
    };
    EXPECT_EQ(drop(u"Dial"), u"+1 555");
    addin.content = Menu(u"<button id=\"a\" label=\"+1 777\"/>");
    EXPECT_EQ(drop(u"Dial"), u"+1 777") << "invalidateContentOnDrop: the numbers as they stand";
    EXPECT_EQ(addin.contentCalls, 2);

    world.SetFlagged(*alice, true);
    EXPECT_EQ(drop(u"Kept"), u"+1 777");
    addin.content = Menu(u"<button id=\"a\" label=\"+1 999\"/>");
    EXPECT_EQ(drop(u"Kept"), u"+1 777") << "Office keeps the content";
    EXPECT_EQ(addin.contentCalls, 3);
    addin.ui_->InvalidateControl(u"Kept");
    EXPECT_EQ(drop(u"Kept"), u"+1 999") << "until the add-in invalidates the menu";
    EXPECT_EQ(addin.contentCalls, 4);

    ribbon.RightClick(*first, alice);
    EXPECT_EQ(ribbon.Drop(*first, u"Off"), RibbonUse::Disabled);
    EXPECT_EQ(ribbon.Drop(*first, u"Nope"), RibbonUse::NoSuchControl);
}

TEST_F(RibbonMenuTest, ContentCallbacksThatFailOrCannotBeFoundAreAddinErrors) {
    addin.content = Menu(u"<button id=\"a\" onAction=\"Missing\"/>");
    ribbon.RightClick(*first, alice);
    ASSERT_EQ(ribbon.Drop(*first, u"Dial"), RibbonUse::Done);
    EXPECT_TRUE(reported("onAction=\"Missing\" of a: the add-in has no callback of that name"));
    EXPECT_EQ(ribbon.Choose(*first, 1), RibbonUse::NoCallback);

    ribbon.clearErrors();
    world.faults().Fail("Selection.Parent");
    addin.content = Menu(u"<button id=\"a\" onAction=\"Act\"/>");
    ribbon.RightClick(*first, alice);
    ribbon.Drop(*first, u"Dial");
    ribbon.Choose(*first, 1);
    const auto selection = std::dynamic_pointer_cast<Selection>(addin.contexts.back());
    EXPECT_THROW(selection->Parent(), Error) << "the Selection's calls go through the faults";
}

TEST_F(RibbonMenuTest, AnInspectorsDynamicMenuDropsWithTheInspectorAsContext) {
    addin.xml[kContact] =
        kOpen +
        u"><ribbon><tabs><tab idMso=\"TabContact\"><group id=\"G\">"
        u"<dynamicMenu id=\"M\" getContent=\"Content\"/></group></tab></tabs></ribbon>"
        u"</customUI>";
    auto inspector = world.OpenInspector(alice);
    addin.content = Menu(u"<button id=\"a\" tag=\"+1 555\" onAction=\"Act\"/>");
    world.Idle();
    ribbon.RightClick(*first, alice);
    ASSERT_EQ(ribbon.Drop(*inspector, u"M"), RibbonUse::Done) << "from the ribbon";
    EXPECT_FALSE(ribbon.OpenMenu(*first));
    EXPECT_EQ(ribbon.Choose(*inspector, 1), RibbonUse::Done);
    EXPECT_EQ(addin.contexts.back(), inspector);
    EXPECT_EQ(addin.actedTags, std::vector<String>{u"+1 555"});

    ribbon.Drop(*inspector, u"M");
    world.Close(*inspector);
    EXPECT_EQ(ribbon.Choose(*inspector, 1), RibbonUse::NoMenu) << "the window's menu went";
}

}  // namespace
}  // namespace tessaly::host::sim::testing
