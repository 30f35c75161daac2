#include "platform/posix/command_line.h"

#include <gtest/gtest.h>

#include "tests/unit/process/quote_argument.h"

namespace tessaly::platform::posix {
namespace {

using Args = std::vector<std::u16string>;
constexpr auto kContinues = DoubledQuote::kContinuesQuote;
constexpr auto kEnds = DoubledQuote::kEndsQuote;

struct SplitCase {
    const char* name;
    std::u16string_view line;
    DoubledQuote mode;
    Args expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

const SplitCase kSplitCases[] = {
    // The quote before 555 closes the part opened before /postpone, so the blank between 555
    // and 0199 is outside quotes and separates; the closing `""` is an empty quoted part
    // glued to 0199. To pass `/postpone "555 0199"` as one argument, the inner quotes must
    // be written \".
    {"InnerQuotesNotEscaped",
     u"/opt/p/phone /ap \"/postpone \"555 0199\"\"",
     kContinues,
     {u"/opt/p/phone", u"/ap", u"/postpone 555", u"0199"}},
    {"InnerQuotesEscaped",
     u"/opt/p/phone /ap \"/postpone \\\"555 0199\\\"\"",
     kContinues,
     {u"/opt/p/phone", u"/ap", u"/postpone \"555 0199\""}},
    // A quoted program runs to the next quote and keeps its backslashes; the quoted argument
    // keeps its blank.
    {"QuotedProgramWithBlanks",
     u"\"C:\\Program Files\\P\\p.exe\" /ap \"/postpone 5550199\"",
     kContinues,
     {u"C:\\Program Files\\P\\p.exe", u"/ap", u"/postpone 5550199"}},
    // One backslash before a quote: a literal quote, and the quoted part goes on.
    {"EscapedQuoteInsideQuotes",
     u"p.exe /ap \"/postpone a\\\"b\"",
     kContinues,
     {u"p.exe", u"/ap", u"/postpone a\"b"}},

    // The examples Microsoft documents for the C runtime.
    {"QuotedPartIsOneArgument", u"p \"a b c\" d e", kContinues, {u"p", u"a b c", u"d", u"e"}},
    {"EscapedQuoteAndLoneBackslash",
     u"p \"ab\\\"c\" \"\\\\\" d",
     kContinues,
     {u"p", u"ab\"c", u"\\", u"d"}},
    {"BackslashesWithoutQuoteAreLiteral",
     u"p a\\\\\\b d\"e f\"g h",
     kContinues,
     {u"p", u"a\\\\\\b", u"de fg", u"h"}},
    {"OddBackslashesBeforeQuote", u"p a\\\\\\\"b c d", kContinues, {u"p", u"a\\\"b", u"c", u"d"}},
    {"EvenBackslashesBeforeQuote",
     u"p a\\\\\\\\\"b c\" d e",
     kContinues,
     {u"p", u"a\\\\b c", u"d", u"e"}},
    // `""` inside quotes: the runtimes since 2008 go on quoting, CommandLineToArgvW stops.
    {"DoubledQuoteContinues", u"p a\"b\"\" c d", kContinues, {u"p", u"ab\" c d"}},
    {"DoubledQuoteEnds", u"p a\"b\"\" c d", kEnds, {u"p", u"ab\"", u"c", u"d"}},
    {"TripleQuoteContinues", u"p \"\"\"a b\"", kContinues, {u"p", u"\"a b"}},
    {"TripleQuoteEnds", u"p \"\"\"a b\"", kEnds, {u"p", u"\"a", u"b"}},
    {"EvenBackslashesThenDoubledQuote", u"p \"x\\\\\"\"y\"", kContinues, {u"p", u"x\\\"y"}},

    // The program name.
    {"ProgramBackslashBeforeQuoteIsLiteral", u"\"C:\\dir\\\" x", kContinues, {u"C:\\dir\\", u"x"}},
    {"TextAfterClosingQuoteStartsNextArgument", u"\"a b\"c d", kContinues, {u"a b", u"c", u"d"}},
    {"UnquotedProgramIgnoresQuotes", u"prog\\\"x y", kContinues, {u"prog\\\"x", u"y"}},
    {"LeadingBlankMeansEmptyProgram", u" x", kContinues, {u"", u"x"}},
    {"UnterminatedQuotedProgram", u"\"my prog", kContinues, {u"my prog"}},
    {"EmptyLine", u"", kContinues, {}},

    // Separators and other characters.
    {"EmptyQuotedArgument", u"p \"\" x", kContinues, {u"p", u"", u"x"}},
    {"TabsSeparate", u"p\ta\t\tb", kContinues, {u"p", u"a", u"b"}},
    {"TrailingBlanksAddNothing", u"p a  \t ", kContinues, {u"p", u"a"}},
    {"LineBreaksAreOrdinary", u"p a\nb \"c\r\nd\"", kContinues, {u"p", u"a\nb", u"c\r\nd"}},
    {"UnterminatedQuotedArgument", u"p \"a b", kContinues, {u"p", u"a b"}},
    {"TrailingBackslashes", u"p a\\\\ b\\", kContinues, {u"p", u"a\\\\", u"b\\"}},
    {"ShellCharactersAreOrdinary",
     u"p $(x) `y` a;b|c&d %PATH%",
     kContinues,
     {u"p", u"$(x)", u"`y`", u"a;b|c&d", u"%PATH%"}},
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesTheArgumentsAProgramWouldSee) {
    EXPECT_EQ(SplitCommandLine(GetParam().line, GetParam().mode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Whatever an argument holds, quoting it and splitting the line gives it back.
TEST(SplitRoundTripTest, QuotedArgumentsComeBackUnchanged) {
    const Args args = {u"",       u"plain",    u"two words", u"\"",     u"\\",
                       u"a\\",    u"a\\\\",    u"a\\\"b",    u"\\\\\"", u"tab\there",
                       u"\"\"",   u"x\"\"\"y", u"end\\ ",    u" lead",  u"line\nbreak",
                       u"%PATH%", u"'q'",      u"\u00e9",    u"a b\\\\"};
    std::u16string line = u"prog";
    for (const auto& arg : args) {
        line += u' ' + test::QuoteArgument(arg);
    }
    for (DoubledQuote mode : {kContinues, kEnds}) {
        const Args split = SplitCommandLine(line, mode);
        ASSERT_FALSE(split.empty());
        EXPECT_EQ(Args(split.begin() + 1, split.end()), args);
    }
}

}  // namespace
}  // namespace tessaly::platform::posix
