#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "harness/frontend/default_profile.h"
#include "harness/frontend/profile.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::frontend {
namespace {

TEST(ProfileLoader, ReadsFoldersItemsAndWindows) {
    const Profile p = ParseProfile(R"({
  "folders": [
    { "name": "Contacts", "items": [
        { "type": "ContactItem", "name": "Ada", "MobileTelephoneNumber": "+1 555" },
        { "type": "DistListItem", "name": "Team" } ] },
    { "name": "Inbox" }
  ],
  "defaultContactsFolder": "Contacts",
  "explorers": [
    { "folder": "Inbox", "commandBarsReady": false },
    { "folder": "Contacts", "selection": ["Team", "Ada"] }
  ]
})");
    ASSERT_EQ(p.folders.size(), 2u);
    ASSERT_EQ(p.folders[0].items.size(), 2u);
    EXPECT_EQ(p.folders[0].items[0].numbers.at("MobileTelephoneNumber"), "+1 555");
    EXPECT_EQ(p.folders[0].items[1].type, "DistListItem");
    EXPECT_EQ(p.folders[0].items[1].line, 5);
    EXPECT_EQ(p.defaultContactsFolder, "Contacts");
    ASSERT_EQ(p.windows.size(), 2u);
    EXPECT_FALSE(p.windows[0].commandBarsReady);
    EXPECT_FALSE(p.windows[0].selection.has_value());
    EXPECT_EQ(p.windows[1].selection, (std::vector<std::string>{"Team", "Ada"}));
}

TEST(ProfileLoader, BundledProfileBuildsAWorld) {
    const Profile p = ParseProfile(DefaultProfileText());
    host::sim::World world;
    const auto windows = PopulateWorld(p, world);
    ASSERT_EQ(windows.size(), 1u);
    ASSERT_TRUE(world.defaultContactsFolder());
    EXPECT_EQ(world.defaultContactsFolder()->name(), u"Contacts");
    EXPECT_EQ(world.folders().size(), 2u);
    ASSERT_EQ(windows[0]->selection().size(), 1u);
    auto contact = std::dynamic_pointer_cast<host::sim::SimContact>(windows[0]->selection()[0]);
    ASSERT_TRUE(contact);
    EXPECT_EQ(contact->name(), u"Alma Reyes");
    EXPECT_EQ(contact->number(u"MobileTelephoneNumber"), u"+44 7700 900101");
}

// A folder's kind decides the Home tab its Explorers show; a flag the item's context menu.
TEST(ProfileLoader, FolderKindsAndFlagsReachTheWorld) {
    const Profile p = ParseProfile(R"({
  "folders": [
    { "name": "Contacts", "items": [
        { "type": "ContactItem", "name": "Ada", "flagged": true },
        { "type": "MailItem", "name": "Hi", "flagged": false } ] },
    { "name": "Leads", "kind": "contacts" },
    { "name": "Archive", "kind": "mail" },
    { "name": "Inbox" }
  ],
  "defaultContactsFolder": "Archive"
})");
    host::sim::World world;
    PopulateWorld(p, world);
    using host::sim::FolderKind;
    EXPECT_EQ(world.FindFolder(u"Contacts")->kind(), FolderKind::Mail) << "not the default";
    EXPECT_EQ(world.FindFolder(u"Leads")->kind(), FolderKind::Contacts);
    EXPECT_EQ(world.FindFolder(u"Archive")->kind(), FolderKind::Mail) << "its kind wins";
    EXPECT_EQ(world.FindFolder(u"Inbox")->kind(), FolderKind::Mail);
    const auto& items = world.FindFolder(u"Contacts")->items();
    EXPECT_TRUE(world.flagged(*items[0]));
    EXPECT_FALSE(world.flagged(*items[1]));
}

struct BadProfile {
    const char* name;
    const char* text;
    int line;
    const char* message;  // a prefix of the message
};

class BadProfiles : public ::testing::TestWithParam<BadProfile> {};

TEST_P(BadProfiles, AreRejectedAtTheOffendingLine) {
    try {
        ParseProfile(GetParam().text);
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(e.line(), GetParam().line);
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().message, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profile, BadProfiles,
    ::testing::Values(
        BadProfile{"MalformedJson", "{\n  \"folders\": [\n    { \"name\": \"A\" },,\n  ]\n}", 3,
                   "syntax error"},
        BadProfile{"NumberBeforeNewlineKeepsItsLine", "{\n  \"folders\": [ { \"name\": 5\n  } ]\n}",
                   2, "a folder's \"name\" must be a string, not a number"},
        BadProfile{"TruncatedReportsTheLastLine", "{\n  \"folders\": [\n", 2,
                   "syntax error while parsing value - unexpected end of input"},
        BadProfile{"NotAnObject", "[]", 1, "the profile must be an object"},
        BadProfile{"MissingFolders", "{\n}", 1, "the profile has no \"folders\""},
        BadProfile{"UnknownTopKey", "{ \"folders\": [],\n  \"windows\": [] }", 2,
                   "unknown key \"windows\" in the profile"},
        BadProfile{"DuplicateKey", "{ \"folders\": [],\n\"folders\": [] }", 2,
                   "duplicate key \"folders\""},
        BadProfile{"DuplicateFolder",
                   "{ \"folders\": [\n { \"name\": \"A\" },\n { \"name\": \"A\" } ] }", 3,
                   "duplicate folder name \"A\""},
        BadProfile{"DuplicateItem",
                   "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n"
                   "  { \"type\": \"MailItem\", \"name\": \"x\" },\n"
                   "  { \"type\": \"MailItem\", \"name\": \"x\" } ] } ] }",
                   3, "duplicate item name \"x\" in folder \"A\""},
        BadProfile{"UnknownFolderKind",
                   "{ \"folders\": [ { \"name\": \"A\",\n  \"kind\": \"calendar\" } ] }", 2,
                   "unknown folder kind \"calendar\" (mail or contacts)"},
        BadProfile{
            "FlagNotBoolean",
            "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n"
            "  { \"type\": \"MailItem\", \"name\": \"x\",\n    \"flagged\": \"yes\" } ] } ] }",
            3, "\"flagged\" must be a boolean, not a string"},
        BadProfile{"UnknownItemKey",
                   "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n"
                   "  { \"type\": \"ContactItem\", \"name\": \"x\",\n"
                   "    \"FaxNumber\": \"1\" } ] } ] }",
                   3, "unknown key \"FaxNumber\" in an item"},
        BadProfile{"NumberOnMail",
                   "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n"
                   "  { \"type\": \"MailItem\", \"name\": \"x\",\n"
                   "    \"HomeTelephoneNumber\": \"1\" } ] } ] }",
                   3, "telephone numbers belong to a ContactItem"},
        BadProfile{"NumberNotString",
                   "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n"
                   "  { \"type\": \"ContactItem\", \"name\": \"x\",\n"
                   "    \"HomeTelephoneNumber\": 1 } ] } ] }",
                   3, "\"HomeTelephoneNumber\" must be a string"},
        BadProfile{
            "ItemWithoutType",
            "{ \"folders\": [ { \"name\": \"A\", \"items\": [\n  { \"name\": \"x\" } ] } ] }", 2,
            "an item has no \"type\""},
        BadProfile{"UnknownDefaultFolder",
                   "{ \"folders\": [],\n  \"defaultContactsFolder\": \"Contacts\" }", 2,
                   "unknown folder \"Contacts\""},
        BadProfile{"UnknownWindowFolder",
                   "{ \"folders\": [ { \"name\": \"A\" } ],\n  \"explorers\": [\n"
                   "    { \"folder\": \"A\" },\n    { \"folder\": \"B\" } ] }",
                   4, "unknown folder \"B\""},
        BadProfile{"UnknownSelectedItem",
                   "{ \"folders\": [ { \"name\": \"A\" } ],\n  \"explorers\": [\n"
                   "    { \"folder\": \"A\",\n      \"selection\": [\n\"ghost\"] } ] }",
                   5, "no item \"ghost\" in folder \"A\""},
        BadProfile{"ReadyNotBoolean",
                   "{ \"folders\": [ { \"name\": \"A\" } ],\n  \"explorers\": [\n"
                   "    { \"folder\": \"A\", \"commandBarsReady\": \"no\" } ] }",
                   3, "\"commandBarsReady\" must be a boolean"}),
    [](const ::testing::TestParamInfo<BadProfile>& param) {
        return std::string(param.param.name);
    });

// Nesting, one opening per line, so that the error's line tells where the parser stopped.
std::string Nested(std::size_t depth, std::string_view open, std::string_view close) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) {
        text += open;
        text += '\n';
    }
    for (std::size_t i = 0; i < depth; ++i) {
        text += close;
    }
    return text;
}

struct Depth {
    const char* name;
    std::size_t depth;
    const char* open;
    const char* close;
    const char* message;  // a prefix
};

class Nesting : public ::testing::TestWithParam<Depth> {};

// Past the limit the parser stops at the first opening too many, however deep the rest goes
// (a deep tree used to exhaust the stack while it was freed).
TEST_P(Nesting, IsLimited) {
    const Depth& d = GetParam();
    try {
        ParseProfile(Nested(d.depth, d.open, d.close));
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(d.message, 0), 0u) << e.what();
        if (d.depth > kMaxJsonDepth) {
            EXPECT_EQ(e.line(), static_cast<int>(kMaxJsonDepth) + 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profile, Nesting,
    ::testing::Values(Depth{"ArraysAtTheLimit", kMaxJsonDepth, "[", "]",
                            "the profile must be an object"},
                      Depth{"ArraysOneTooDeep", kMaxJsonDepth + 1, "[", "]",
                            "arrays and objects nested deeper than 64 levels"},
                      Depth{"ArraysVeryDeep", 200000, "[", "]",
                            "arrays and objects nested deeper than 64 levels"},
                      Depth{"ObjectsVeryDeep", 200000, "{\"a\":", "}",
                            "arrays and objects nested deeper than 64 levels"},
                      Depth{"UnclosedVeryDeep", 200000, "[", "",
                            "arrays and objects nested deeper than 64 levels"}),
    [](const ::testing::TestParamInfo<Depth>& param) { return std::string(param.param.name); });

// However the tree is built, freeing it takes no stack in proportion to its depth.
TEST(JsonTree, DeepTreeIsFreedWithoutRecursion) {
    auto root = std::make_unique<JsonNode>();
    JsonNode* node = root.get();
    for (int i = 0; i < 300000; ++i) {
        if (i % 2 == 0) {
            node->kind = JsonNode::Kind::Array;
            node = &node->elements.emplace_back();
        } else {
            node->kind = JsonNode::Kind::Object;
            JsonMember& member = node->members.emplace_back();
            member.key = "k";
            node = &member.value.emplace_back();
        }
    }
    root.reset();
    SUCCEED();
}

TEST(ProfileLoader, EchoedKeysArePrintable) {
    try {
        ParseProfile(R"({ "folders": [], "a\u001b[2J\u0000b": 1 })");
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()), "unknown key \"a\\x1b[2J\\x00b\" in the profile");
    }
}

}  // namespace
}  // namespace tessaly::frontend
