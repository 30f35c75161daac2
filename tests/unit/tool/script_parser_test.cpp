#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/output.h"
#include "harness/frontend/script.h"

namespace tessaly::frontend {
namespace {

struct GoodLine {
    GoodLine(const char* line, Verb v, std::optional<int> w, std::vector<std::string> n,
             std::string t = {}, std::uint64_t num = 0)
        : text(line), verb(v), window(w), names(std::move(n)), text_(std::move(t)), number(num) {}
    const char* text;
    Verb verb;
    std::optional<int> window;
    std::vector<std::string> names;
    std::string text_;  // type/dial text, drop's menu, set's value
    std::uint64_t number;
};

class GoodLines : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodLines, Parse) {
    const GoodLine& c = GetParam();
    const auto command = ParseLine(c.text, 4);
    ASSERT_TRUE(command.has_value()) << c.text;
    EXPECT_EQ(command->line, 4);
    EXPECT_EQ(command->verb, c.verb) << c.text;
    EXPECT_EQ(command->window, c.window) << c.text;
    EXPECT_EQ(command->names, c.names) << c.text;
    EXPECT_EQ(command->text, c.text_) << c.text;
    EXPECT_EQ(command->number, c.number) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Script, GoodLines,
    ::testing::Values(
        GoodLine{"open", Verb::Open, std::nullopt, {}, "", 0},
        GoodLine{"  open \"Sent Items\"  # comment", Verb::Open, std::nullopt, {"Sent Items"}},
        GoodLine{"select 2 \"Alma Reyes\" Bob", Verb::Select, 2, {"Alma Reyes", "Bob"}},
        GoodLine{"select 1", Verb::Select, 1, {}},
        GoodLine{"select 1 Nr#1 #rest", Verb::Select, 1, {"Nr#1"}},
        GoodLine{"select 1 \"say \\\"hi\\\" \\\\\"", Verb::Select, 1, {"say \"hi\" \\"}},
        GoodLine{"select 1 \"a # b\"", Verb::Select, 1, {"a # b"}},
        GoodLine{"folder 3 Inbox\r", Verb::Folder, 3, {"Inbox"}},
        // The text of type and dial is verbatim after exactly one blank.
        GoodLine{"type 1 +1 555 # not a comment", Verb::Type, 1, {}, "+1 555 # not a comment"},
        GoodLine{"type 1   lead", Verb::Type, 1, {}, "  lead"},
        GoodLine{"type 1", Verb::Type, 1, {}, ""}, GoodLine{"type 1 ", Verb::Type, 1, {}, ""},
        GoodLine{"dial  0049 #1", Verb::Dial, std::nullopt, {}, " 0049 #1"},
        GoodLine{"pick 2 3", Verb::Pick, 2, {}, "", 3},
        GoodLine{"wait 0", Verb::Wait, std::nullopt, {}, "", 0},
        GoodLine{"wait 1500", Verb::Wait, std::nullopt, {}, "", 1500},
        GoodLine{"customize 1 move Home \"My Bar\" 2", Verb::Customize, 1, {"My Bar"}, "", 2},
        GoodLine{"customize 1 move Combo Standard", Verb::Customize, 1, {"Standard"}, "", 0},
        GoodLine{"show", Verb::Show, std::nullopt, {}}, GoodLine{"show 2", Verb::Show, 2, {}},
        GoodLine{"close 5", Verb::Close, 5, {}},
        GoodLine{"inspect 1 \"Alma Reyes\"", Verb::Inspect, 1, {"Alma Reyes"}},
        GoodLine{"rightclick 2 Bob # menu", Verb::RightClick, 2, {"Bob"}},
        GoodLine{"drop 3", Verb::Drop, 3, {}},
        GoodLine{"drop 1 \"Dial number\"", Verb::Drop, 1, {}, "Dial number"},
        GoodLine{"choose 1 1000", Verb::Choose, 1, {}, "", 1000},
        GoodLine{"set Bob MobileTelephoneNumber \"+1 555 0100\"",
                 Verb::Set,
                 std::nullopt,
                 {"Bob"},
                 "+1 555 0100"},
        GoodLine{"set Bob HomeTelephoneNumber \"\"", Verb::Set, std::nullopt, {"Bob"}, ""},
        GoodLine{"softphones", Verb::Softphones, std::nullopt, {}},
        GoodLine{"shutdown # done", Verb::Shutdown, std::nullopt, {}}));

TEST(ScriptParser, ControlsAndActions) {
    auto click = ParseLine("click 1 showcontacts", 1);
    ASSERT_TRUE(click);
    EXPECT_EQ(click->control, ControlName::ShowContacts);

    auto restore = ParseLine("customize 2 restore Combo", 1);
    ASSERT_TRUE(restore);
    EXPECT_EQ(restore->action, CustomizeAction::Restore);
    EXPECT_EQ(restore->control, ControlName::Combo);

    auto remove = ParseLine("customize 2 remove-toolbar", 1);
    ASSERT_TRUE(remove);
    EXPECT_EQ(remove->action, CustomizeAction::RemoveToolbar);
}

TEST(ScriptParser, RibbonControls) {
    struct Case {
        const char* text;
        ControlName control;
        std::string typed;
        std::uint64_t number;
    };
    for (const Case& c : {Case{"click 1 ribbon:mobile", ControlName::Mobile, "", 0},
                          Case{"pick 2 ribbon:Combo 3", ControlName::Combo, "", 3},
                          Case{"type 1 ribbon:Combo  +1 555 #", ControlName::Combo, " +1 555 #", 0},
                          Case{"type 1 ribbon:Combo", ControlName::Combo, "", 0}}) {
        const auto command = ParseLine(c.text, 1);
        ASSERT_TRUE(command) << c.text;
        EXPECT_TRUE(command->ribbon) << c.text;
        EXPECT_EQ(command->control, c.control) << c.text;
        EXPECT_EQ(command->text, c.typed) << c.text;
        EXPECT_EQ(command->number, c.number) << c.text;
    }
    EXPECT_FALSE(ParseLine("type 1 ribbons", 1)->ribbon) << "only the prefix counts";
    EXPECT_FALSE(ParseLine("click 1 Dial", 1)->ribbon);
}

TEST(ScriptParser, BlankAndCommentLinesGiveNothing) {
    for (const char* text : {"", "   ", "\t", "# note", "   # indented", "\r"}) {
        EXPECT_FALSE(ParseLine(text, 1).has_value()) << '"' << text << '"';
    }
}

struct BadLine {
    const char* text;
    const char* message;
};

class BadLines : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadLines, AreRejectedWithTheirMessage) {
    try {
        ParseLine(GetParam().text, 9);
        FAIL() << "accepted: " << GetParam().text;
    } catch (const LineError& e) {
        EXPECT_EQ(e.line(), 9);
        EXPECT_EQ(std::string(e.what()), GetParam().message) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, BadLines,
    ::testing::Values(
        BadLine{"bogus 1", "unknown command \"bogus\""},
        BadLine{"Open", "unknown command \"Open\""},
        BadLine{"activate", "activate: missing window number"},
        BadLine{"activate 0", "activate: invalid window number \"0\""},
        BadLine{"activate -1", "activate: invalid window number \"-1\""},
        BadLine{"activate 1x", "activate: invalid window number \"1x\""},
        BadLine{"activate 99999999999999999999",
                "activate: invalid window number \"99999999999999999999\""},
        BadLine{"activate 1 2", "activate: unexpected \"2\""},
        BadLine{"open Sent Items",
                "open: unexpected \"Items\" (quote a folder name that has blanks)"},
        BadLine{"folder 1", "folder: missing folder name"},
        BadLine{"select 1 \"Ada", "unterminated quoted name"},
        BadLine{"select 1 \"Ada\"x", "a blank must follow a closing quote"},
        BadLine{"click 1 Combo",
                "click: unknown button \"Combo\" (Business, Mobile, Home, Dial or ShowContacts)"},
        BadLine{"click 1", "click: missing control name"},
        BadLine{"click 1 ribbon:Combo",
                "click: unknown ribbon button \"ribbon:Combo\" (ribbon:Business, ribbon:Mobile, "
                "ribbon:Home, ribbon:Dial or ribbon:ShowContacts)"},
        BadLine{"pick 1 ribbon:Dial 2",
                "pick: unknown ribbon control \"ribbon:Dial\" (ribbon:Combo)"},
        BadLine{"type 1 ribbon:Dial 555",
                "type: unknown ribbon control \"ribbon:Dial\" (ribbon:Combo)"},
        BadLine{"type", "type: missing window number"},
        BadLine{"type x hello", "type: invalid window number \"x\""},
        BadLine{"pick 1 0", "pick: invalid entry number \"0\""},
        BadLine{"pick 1", "pick: missing entry number"},
        BadLine{"wait", "wait: missing milliseconds"},
        BadLine{"wait -5", "wait: invalid milliseconds \"-5\""},
        BadLine{"wait 1.5", "wait: invalid milliseconds \"1.5\""},
        BadLine{"customize 1",
                "customize: missing action (move, delete, restore or remove-toolbar)"},
        BadLine{"customize 1 shrink Dial",
                "customize: unknown action \"shrink\" (move, delete, restore or remove-toolbar)"},
        BadLine{"customize 1 move Dial", "customize: missing bar name"},
        BadLine{"customize 1 move Dial Standard 0", "customize: invalid position \"0\""},
        BadLine{"customize 1 delete Keypad",
                "customize: unknown control \"Keypad\" (Dial, Combo, Business, Mobile, Home or "
                "ShowContacts)"},
        BadLine{"customize 1 remove-toolbar now", "customize: unexpected \"now\""},
        BadLine{"show x", "show: invalid window number \"x\""},
        BadLine{"inspect 1", "inspect: missing item name"},
        BadLine{"rightclick Bob", "rightclick: invalid window number \"Bob\""},
        BadLine{"rightclick 1 Sam Bob", "rightclick: unexpected \"Bob\""},
        BadLine{"drop 1 Dial Mail", "drop: unexpected \"Mail\""},
        BadLine{"choose 1", "choose: missing entry number"},
        BadLine{"choose 1 0", "choose: invalid entry number \"0\""},
        BadLine{"choose 1 1001", "choose: invalid entry number \"1001\""},
        BadLine{"set Bob MobileTelephoneNumber",
                "set: missing value (quote one with blanks; \"\" empties the property)"},
        BadLine{"set Bob MobileTelephoneNumber +1 555", "set: unexpected \"555\""},
        BadLine{"shutdown now", "shutdown: unexpected \"now\""},
        BadLine{"select 1 \xff", "the line is not valid UTF-8"}));

// `fail` is every program's; `calls` is the stand-in host's own: a program that does not list
// it takes it for an unknown word.
TEST(ScriptParser, FailEverywhereCallsOnlyWhereTheProgramTakesIt) {
    static constexpr Verb kOwn[] = {Verb::Calls};
    struct Case {
        const char* text;
        Verb verb;
        std::string operation;
        int times;
    };
    for (const Case& c :
         {Case{"fail Explorer.Advise", Verb::Fail, "Explorer.Advise", -1},
          Case{"fail CommandBarControl.Tag= 3 # twice", Verb::Fail, "CommandBarControl.Tag=", 3},
          Case{"fail Item.TypeName 0", Verb::Fail, "Item.TypeName", 0},
          Case{"calls", Verb::Calls, "", -1}}) {
        const auto command = ParseLine(c.text, 1, kOwn);
        ASSERT_TRUE(command) << c.text;
        EXPECT_EQ(command->verb, c.verb) << c.text;
        EXPECT_EQ(command->operation, c.operation) << c.text;
        EXPECT_EQ(command->times, c.times) << c.text;
    }
    EXPECT_EQ(ParseLine("fail Item.TypeName 1", 1)->times, 1);
    try {
        ParseLine("calls", 1);
        ADD_FAILURE() << "taken without being the program's";
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()), "unknown command \"calls\"");
    }
    for (const BadLine& c : {BadLine{"fail", "usage: fail Interface.Member [TIMES]"},
                             BadLine{"fail Explorer", "usage: fail Interface.Member [TIMES]"},
                             BadLine{"fail A.B 1 2", "usage: fail Interface.Member [TIMES]"},
                             BadLine{"fail A.B -1", "fail: TIMES must be a whole number from 0"},
                             BadLine{"fail A.B 2x", "fail: TIMES must be a whole number from 0"},
                             BadLine{"calls now", "calls takes no arguments"}}) {
        try {
            ParseLine(c.text, 2, kOwn);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const LineError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

// What a bad line echoes reaches the terminal: control characters come out escaped, a NUL
// does not end the message, and a long word is cut at a character boundary.
std::string Repeat(std::string_view unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += unit;
    }
    return out;
}

struct EchoCase {
    const char* name;
    std::string line;
    std::string message;
};

class EchoedInput : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EchoedInput, IsPrintable) {
    try {
        ParseLine(GetParam().line, 3);
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, EchoedInput,
    ::testing::Values(
        EchoCase{"EscapeSequence", "bogus\x1b[2J", "unknown command \"bogus\\x1b[2J\""},
        EchoCase{"TextAfterNul", std::string("ab\0cd", 5), "unknown command \"ab\\x00cd\""},
        EchoCase{"DeleteAndBell", "click 1 \x7f\x07",
                 "click: unknown button \"\\x7f\\x07\" "
                 "(Business, Mobile, Home, Dial or "
                 "ShowContacts)"},
        EchoCase{"C1Control",
                 "x\xc2\x9b"
                 "31m",
                 "unknown command \"x\\u009b31m\""},
        EchoCase{"NonControlUnicodeKept", "\xc3\xa9t\xc3\xa9",
                 "unknown command \"\xc3\xa9t\xc3\xa9\""},
        EchoCase{"LongWordIsCut", std::string(100000, 'x'),
                 "unknown command \"" + std::string(200, 'x') + "...\""},
        EchoCase{"CutKeepsWholeCharacters", "x" + Repeat("\xc3\xa9", 300),
                 "unknown command \"x" + Repeat("\xc3\xa9", 99) + "...\""}),
    [](const ::testing::TestParamInfo<EchoCase>& param) { return std::string(param.param.name); });

// Error lines carry more than the parser's echoes (file names, option words): the line
// itself keeps the terminal safe.
TEST(ErrorLine, EscapesControlCharacters) {
    std::ostringstream out, err;
    Output output(out, err);
    static constexpr char kMessage[] = "a\x1b]0;title\x07.script:1: x\0y";
    output.Error(std::string(kMessage, sizeof kMessage - 1));
    EXPECT_EQ(err.str(), "error: a\\x1b]0;title\\x07.script:1: x\\x00y\n");
}

TEST(ScriptParser, WholeScriptStopsAtTheFirstBadLine) {
    const std::string script = "# header\n\nopen\r\nshow 1\nclick 1 Dial\nwait x\nbogus\n";
    try {
        ParseScript(script);
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(e.line(), 6);
        EXPECT_EQ(std::string(e.what()), "wait: invalid milliseconds \"x\"");
    }
}

TEST(ScriptParser, WholeScriptKeepsLineNumbers) {
    const auto commands = ParseScript("open\n\n# c\nshow 1\nshutdown");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].line, 1);
    EXPECT_EQ(commands[1].line, 4);
    EXPECT_EQ(commands[2].line, 5);
}

}  // namespace
}  // namespace tessaly::frontend
