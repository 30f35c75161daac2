// Items.Find over a contacts folder: what matches, what Outlook would refuse, and that a
// search is one call of the object model however large the folder.
#include <string>

#include "tests/unit/sim/mail_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

// A folder whose first item is no contact, with two addresses that differ only by a quote,
// and one address held by two contacts.
class ItemsFindTest : public ::testing::Test {
  public:
    ItemsFindTest() {
        folder = world.AddFolder(u"Contacts");
        world.AddItem(*folder, u"DistListItem", u"Team");
        add(u"Alma Reyes", 1, u"alma@example.com");
        add(u"Bruno Castellani", 2, u"Bruno.C@Example.COM");
        add(u"O'Brien", 1, u"o'brien@x.example");
        add(u"OBrien", 1, u"obrien@x.example");
        add(u"Olaf", 3, u"\u00d6laf@example.com");
        add(u"Alma Twin", 3, u"alma@example.com");
    }

    void add(const String& name, std::size_t slot, const String& address) {
        world.AddContact(*folder, name, {})->setEmailAddress(slot, address);
    }

    std::shared_ptr<Item> find(const String& filter) { return folder->Items()->Find(filter); }

    World world;
    tessaly::testing::CallLog trace{world};
    std::shared_ptr<SimFolder> folder;
};

// The add-in's own condition: the address in any of the three properties.
String AnyAddress(const String& quoted) {
    return u"[Email1Address] = " + quoted + u" OR [Email2Address] = " + quoted +
           u" OR [Email3Address] = " + quoted;
}

struct Match {
    const char* name;
    String filter;
    const char16_t* found;  // the contact's name; null: nothing
};
void PrintTo(const Match& c, std::ostream* os) {
    *os << c.name;
}

class FindMatchTest : public ItemsFindTest, public ::testing::WithParamInterface<Match> {};

TEST_P(FindMatchTest, FindsTheFirstMatchingContactInFolderOrder) {
    const auto found = std::dynamic_pointer_cast<SimContact>(find(GetParam().filter));
    if (GetParam().found == nullptr) {
        EXPECT_FALSE(found);
    } else {
        ASSERT_TRUE(found);
        EXPECT_EQ(found->name(), GetParam().found);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Find, FindMatchTest,
    ::testing::Values(
        Match{"AnyAddressFirstInFolder", AnyAddress(u"'alma@example.com'"), u"Alma Reyes"},
        Match{"Email3Only", u"[Email3Address] = 'alma@example.com'", u"Alma Twin"},
        Match{"Email2InAnotherCase", AnyAddress(u"'bruno.c@example.com'"), u"Bruno Castellani"},
        Match{"OtherPropertyDoesNotMatch", u"[Email1Address] = 'bruno.c@example.com'", nullptr},
        Match{"DoubledQuote", AnyAddress(u"'o''brien@x.example'"), u"O'Brien"},
        Match{"WithoutQuoteNotTheQuotedOne", AnyAddress(u"'obrien@x.example'"), u"OBrien"},
        Match{"TwoQuotesMatchNeither", AnyAddress(u"'o''''brien@x.example'"), nullptr},
        Match{"DoubleQuotedString", u"[Email1Address] = \"o'brien@x.example\"", u"O'Brien"},
        Match{"DoubledDoubleQuote", u"[Email1Address] = \"o\"\"brien@x.example\"", nullptr},
        Match{"NonAsciiCase", u"[Email3Address] = '\u00f6LAF@EXAMPLE.COM'", u"Olaf"},
        Match{"NamesAndKeywordsInAnyCase",
              u"[email1address] = 'ALMA@example.com' or [EMAIL2ADDRESS] = 'x'", u"Alma Reyes"},
        Match{"EmptyValueSkipsItemsWithoutTheProperty", u"[Email2Address] = ''", u"Alma Reyes"},
        Match{"And", u"[Email1Address] = 'alma@example.com' AND [Email2Address] = ''",
              u"Alma Reyes"},
        Match{"AndFails", u"[Email1Address] = 'alma@example.com' AND [Email2Address] = 'x'",
              nullptr},
        Match{"AndBindsCloserThanOr",
              u"[Email1Address] = 'x' AND [Email2Address] = 'x' OR [Email1Address] = "
              u"'obrien@x.example'",
              u"OBrien"},
        Match{"Parentheses",
              u"[Email1Address] = 'x' AND ([Email2Address] = 'x' OR [Email1Address] = "
              u"'obrien@x.example')",
              nullptr},
        Match{"Blanks", u" \t( [Email1Address]='alma@example.com' )\r\n", u"Alma Reyes"},
        Match{"NoMatch", AnyAddress(u"'nobody@example.com'"), nullptr}),
    [](const auto& p) { return std::string(p.param.name); });

struct Refusal {
    const char* name;
    String filter;
    const char* why;  // part of the message
};
void PrintTo(const Refusal& c, std::ostream* os) {
    *os << c.name;
}

class FindRefusalTest : public ItemsFindTest, public ::testing::WithParamInterface<Refusal> {};

// As Outlook refuses a condition it cannot parse: the call fails with its arguments traced.
TEST_P(FindRefusalTest, FailsWithInvalidArgumentAndSaysWhy) {
    const Refusal& c = GetParam();
    const auto items = folder->Items();
    trace.clear();
    try {
        items->Find(c.filter);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), kE_INVALIDARG);
        EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
    }
    ASSERT_EQ(trace.calls().size(), 1u);
    const CallRecord& call = trace.calls()[0];
    EXPECT_EQ(call.operation, "Items.Find");
    EXPECT_EQ(call.arguments, platform::quotedUtf8(c.filter));
    EXPECT_TRUE(call.failed);
    EXPECT_EQ(call.code, kE_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(
    Find, FindRefusalTest,
    ::testing::Values(
        Refusal{"Empty", u"", "a property in brackets"},
        Refusal{"NoBrackets", u"Email1Address = 'a'", "a property in brackets"},
        Refusal{"UnclosedBracket", u"[Email1Address = 'a'", "without its \"]\""},
        Refusal{"UnknownProperty", u"[FullName] = 'Alma'", "\"FullName\" is not one"},
        Refusal{"OtherOperator", u"[Email1Address] <> 'a'", "only with \"=\""},
        Refusal{"NoOperator", u"[Email1Address] 'a'", "\"=\" expected"},
        Refusal{"UnquotedValue", u"[Email1Address] = a@example.com", "a string in quotes"},
        Refusal{"UnclosedString", u"[Email1Address] = 'a", "closing quote"},
        Refusal{"QuoteNotDoubled", u"[Email1Address] = 'o'brien@x.example'", "more text"},
        Refusal{"DanglingOr", u"[Email1Address] = 'a' OR", "a property in brackets"},
        Refusal{"UnknownKeyword", u"[Email1Address] = 'a' XOR [Email2Address] = 'a'", "more text"},
        Refusal{"KeywordGluedToAWord", u"[Email1Address] = 'a' ORDER", "more text"},
        Refusal{"TwoConditionsWithoutKeyword", u"[Email1Address] = 'a' [Email2Address] = 'a'",
                "more text"},
        Refusal{"UnclosedParenthesis", u"([Email1Address] = 'a'", "without its \")\""},
        Refusal{"ExtraParenthesis", u"[Email1Address] = 'a')", "without its \"(\""},
        Refusal{"QuerySyntaxOfAnotherKind", u"@SQL=\"urn:schemas:contacts:email1\" = 'a'",
                "a property in brackets"},
        Refusal{"TooDeep", String(17, u'(') + u"[Email1Address] = 'a'" + String(17, u')'),
                "nested deeper than 16"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ItemsFindTest, NestingUpToTheLimitIsRead) {
    EXPECT_TRUE(
        find(String(16, u'(') + u"[Email1Address] = 'alma@example.com'" + String(16, u')')));
}

// A failure armed with the call's arguments fails only the search with that condition.
TEST_F(ItemsFindTest, FaultWithArgumentsFailsOnlyThatCondition) {
    world.faults().Fail("Items.Find(\"[Email1Address] = 'alma@example.com'\")", 1);
    const auto items = folder->Items();
    EXPECT_TRUE(items->Find(u"[Email1Address] = 'obrien@x.example'"));
    EXPECT_THROW(items->Find(u"[Email1Address] = 'alma@example.com'"), Error);
    EXPECT_TRUE(items->Find(u"[Email1Address] = 'alma@example.com'"));
}

// What makes the add-in's lookup cheap: the folder is searched inside Outlook, never walked
// item by item through the object model.
TEST(FindCost, TenThousandContactsAreOneCall) {
    World world;
    const auto folder = world.AddFolder(u"Contacts");
    for (int i = 0; i < 10000; ++i) {
        const String n(platform::fromUtf8(std::to_string(i)));
        world.AddContact(*folder, u"Contact " + n, {})
            ->setEmailAddress(2, u"c" + n + u"@x.example");
    }
    const auto items = folder->Items();
    tessaly::testing::CallLog trace(world);
    const auto found = items->Find(AnyAddress(u"'C9999@X.EXAMPLE'"));
    ASSERT_TRUE(found);
    EXPECT_TRUE(SameObject(found, folder->items().back()));
    ASSERT_EQ(trace.calls().size(), 1u);
    EXPECT_EQ(trace.calls()[0].operation, "Items.Find");
    EXPECT_EQ(trace.calls()[0].result, "ContactItem#1");
}

}  // namespace
}  // namespace tessaly::host::sim::testing
