// One table of command lines for both process launchers: each must start the same lines,
// find the same program for them, and refuse the same ones. The Linux and the Wine test
// each put their own recorder program where a row's ProgramAt says and run every row.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::test {

using namespace std::string_view_literals;

// Where the recorder program is, and how the line names it.
enum class ProgramAt {
    kAbsolutePath,      // its full path, in quotes
    kWorkingDirectory,  // a bare name; a copy in the working directory, none on PATH
    kHostDirectory,     // a bare name; a copy beside the running test program only
    kSubdirectory,      // "child programs" and its name, relative to the working directory
    kNowhere,           // a bare name that no directory searched holds
    kMissingPath,       // a full path to nothing
    kNoProgram,         // the line is only its arguments
};

enum class Outcome { kStarts, kFails };

struct LaunchCase {
    const char* name;
    ProgramAt program;
    std::u16string_view arguments;  // after the program; `#` is grown into digits, see below
    std::size_t lineLength;         // when not 0, `#` grows until the line has this length
    Outcome outcome;
    std::vector<std::u16string> received;  // the started program's arguments after its name
};

inline const LaunchCase kLaunchCases[] = {
    {"PlainNumber",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone 5550199\""sv,
     0,
     Outcome::kStarts,
     {u"/ap", u"/postpone 5550199"}},
    {"NumberInItsOwnQuotes",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone \"555 0199\"\""sv,
     0,
     Outcome::kStarts,
     {u"/ap", u"/postpone 555", u"0199"}},

    // Windows would see the line up to the NUL only.
    {"NulInTheNumber",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone 555\0 0199\""sv,
     0,
     Outcome::kFails,
     {}},
    {"NulAtTheEnd",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone 5550199\"\0"sv,
     0,
     Outcome::kFails,
     {}},

    // 32,767 characters with the terminating NUL is the most CreateProcessW takes.
    {"LongestLine",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone #\""sv,
     32766,
     Outcome::kStarts,
     {u"/ap", u"/postpone #"}},
    {"OneCharacterTooLong",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone #\""sv,
     32767,
     Outcome::kFails,
     {}},
    {"FortyThousandDigits",
     ProgramAt::kAbsolutePath,
     u" /ap \"/postpone #\""sv,
     40200,
     Outcome::kFails,
     {}},

    // A relative AppPath: found where CreateProcessW finds it.
    {"BareNameInTheWorkingDirectory",
     ProgramAt::kWorkingDirectory,
     u" here"sv,
     0,
     Outcome::kStarts,
     {u"here"}},
    {"BareNameBesideTheRunningProgram",
     ProgramAt::kHostDirectory,
     u" beside"sv,
     0,
     Outcome::kStarts,
     {u"beside"}},
    {"PathRelativeToTheWorkingDirectory",
     ProgramAt::kSubdirectory,
     u" below"sv,
     0,
     Outcome::kStarts,
     {u"below"}},
    {"BareNameFoundNowhere", ProgramAt::kNowhere, u" x"sv, 0, Outcome::kFails, {}},
    {"MissingProgram", ProgramAt::kMissingPath, u" /ap \"/postpone 1\""sv, 0, Outcome::kFails, {}},
    {"EmptyLine", ProgramAt::kNoProgram, u""sv, 0, Outcome::kFails, {}},
};

inline void PrintTo(const LaunchCase& c, std::ostream* os) {
    *os << c.name;
}

// The row's `#` as digits 0 to 9 over and over, as many as make a line of `lineLength`
// characters after a program named `program`; none when the row has no length.
inline std::u16string DigitsFor(const LaunchCase& c, std::u16string_view program) {
    const std::size_t fixed = program.size() + c.arguments.size() - 1;
    std::u16string digits;
    for (std::size_t i = 0; c.lineLength > fixed && i < c.lineLength - fixed; ++i) {
        digits.push_back(static_cast<char16_t>(u'0' + i % 10));
    }
    return digits;
}

inline std::u16string WithDigits(std::u16string_view text, std::u16string_view digits) {
    std::u16string out(text);
    if (const auto at = out.find(u'#'); at != std::u16string::npos) {
        out.replace(at, 1, digits);
    }
    return out;
}

// The line to start, with `program` as the row names it on this platform.
inline std::u16string LineFor(const LaunchCase& c, std::u16string_view program) {
    return std::u16string(program) + WithDigits(c.arguments, DigitsFor(c, program));
}

inline std::vector<std::u16string> ReceivedFor(const LaunchCase& c, std::u16string_view program) {
    std::vector<std::u16string> received;
    for (const auto& argument : c.received) {
        received.push_back(WithDigits(argument, DigitsFor(c, program)));
    }
    return received;
}

}  // namespace tessaly::test
