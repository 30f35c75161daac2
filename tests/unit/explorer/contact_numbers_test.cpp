// The combo box and the three number buttons follow the contact selected in the window.
#include <gtest/gtest.h>

#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;

using Numbers = std::map<String, String>;

class ContactNumbersTest : public testing::AddinTest {
  protected:
    void SetUp() override {
        window = open();
        connect();
        handler = handlerOf(window);
    }
    void select(std::vector<std::shared_ptr<host::Item>> items) {
        world.Select(*window, std::move(items));
    }
    bool enabled(const String& suffix) { return control(window, suffix)->enabled(); }

    std::shared_ptr<host::sim::SimExplorer> window;
    std::shared_ptr<explorer::ExplorerHandler> handler;
};

TEST_F(ContactNumbersTest, ListOrderTrimmingAndDuplicates) {
    struct Case {
        const char* what;
        Numbers numbers;
        std::vector<String> list;
        String business, mobile, home;
    };
    const Case cases[] = {
        {"all groups in order",
         {{u"CompanyMainTelephoneNumber", u"9"},
          {u"HomeTelephoneNumber", u"3"},
          {u"MobileTelephoneNumber", u"2"},
          {u"BusinessTelephoneNumber", u"1"}},
         {u"1", u"2", u"3", u"9"},
         u"1",
         u"2",
         u"3"},
        {"blanks trimmed, duplicate within a group dropped",
         {{u"BusinessTelephoneNumber", u" 555 0100 "}, {u"Business2TelephoneNumber", u"555 0100"}},
         {u"555 0100"},
         u"555 0100",
         u"",
         u""},
        {"duplicates across groups kept",
         {{u"BusinessTelephoneNumber", u"7"}, {u"HomeTelephoneNumber", u"7"}},
         {u"7", u"7"},
         u"7",
         u"",
         u"7"},
        {"second business number when the first is empty",
         {{u"Business2TelephoneNumber", u"8"}},
         {u"8"},
         u"8",
         u"",
         u""},
        {"blanks only count as empty; a tab stays",
         {{u"MobileTelephoneNumber", u"   "}, {u"HomeTelephoneNumber", u"\t5"}},
         {u"\t5"},
         u"",
         u"",
         u"\t5"},
        {"only an assistant's number",
         {{u"AssistantTelephoneNumber", u"4"}},
         {u"4"},
         u"",
         u"",
         u""},
        {"no numbers", {}, {}, u"", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        select({contact(u"C", c.numbers)});
        EXPECT_EQ(combo(window)->list(), c.list);
        const String shown = c.list.empty() ? String{} : c.list.front();
        EXPECT_EQ(combo(window)->text(), shown);
        EXPECT_EQ(handler->comboText(), shown);
        EXPECT_EQ(enabled(u"_Dial"), !shown.empty());
        EXPECT_EQ(handler->businessNumber(), c.business);
        EXPECT_EQ(handler->mobileNumber(), c.mobile);
        EXPECT_EQ(handler->homeNumber(), c.home);
        EXPECT_EQ(enabled(u"_Business"), !c.business.empty());
        EXPECT_EQ(enabled(u"_Mobile"), !c.mobile.empty());
        EXPECT_EQ(enabled(u"_Home"), !c.home.empty());
    }
}

TEST_F(ContactNumbersTest, OnlyTheFirstSelectedItemCounts) {
    auto first = contact(u"First", {{u"MobileTelephoneNumber", u"1"}});
    auto second = contact(u"Second", {{u"MobileTelephoneNumber", u"2"}});
    select({first, second});
    EXPECT_EQ(combo(window)->list(), std::vector<String>{u"1"});

    select({contact(u"Full", {{u"HomeTelephoneNumber", u"3"}})});
    select({world.AddItem(*contacts, u"DistListItem", u"Team"), first});
    EXPECT_TRUE(combo(window)->list().empty()) << "a list first: reset";
    EXPECT_EQ(combo(window)->text(), u"3") << "the reset leaves the text";
    EXPECT_EQ(handler->homeNumber(), u"");
    EXPECT_FALSE(enabled(u"_Home"));
    EXPECT_TRUE(enabled(u"_Dial")) << "and the Dial button's state";
}

TEST_F(ContactNumbersTest, FailureOnTheWayResetsEverything) {
    world.faults().Fail("ContactItem.HomeTelephoneNumber", 1);
    select({contact(u"C", {{u"BusinessTelephoneNumber", u"1"}, {u"HomeTelephoneNumber", u"3"}})});
    EXPECT_TRUE(combo(window)->list().empty());
    EXPECT_EQ(handler->businessNumber(), u"") << "numbers stored earlier are cleared too";
    EXPECT_FALSE(enabled(u"_Business"));
}

TEST_F(ContactNumbersTest, FolderSwitchAndEmptySelectionReset) {
    select({contact(u"C", {{u"MobileTelephoneNumber", u"2"}})});
    auto empty = world.AddFolder(u"Empty");
    world.SwitchFolder(*window, empty);
    EXPECT_TRUE(combo(window)->list().empty());
    EXPECT_EQ(handler->mobileNumber(), u"");
}

TEST_F(ContactNumbersTest, WithoutComboBoxOnlyTheNumbersAreEmptied) {
    select({contact(u"C", {{u"MobileTelephoneNumber", u"2"}})});
    ASSERT_TRUE(world.DeleteControl(*window, combo(window)));
    select({contact(u"D", {{u"MobileTelephoneNumber", u"5"}})});
    EXPECT_EQ(handler->mobileNumber(), u"");
    EXPECT_FALSE(enabled(u"_Mobile"));
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(ContactNumbersTest, NumberPropertiesWithoutTheirButtons) {
    ASSERT_TRUE(world.DeleteControl(*window, control(window, u"_Business")));
    handler->BusinessNumber(u"  555  ");
    EXPECT_EQ(handler->businessNumber(), u"555");
}

}  // namespace
}  // namespace tessaly
