// Splitting a Windows command line into its arguments, so that a program started here gets
// the argv it would get on Windows from the same line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::platform::posix {

// What a pair of double quotes inside a quoted part means. Both variants give a literal `"`;
// they differ in whether the quoted part goes on.
enum class DoubledQuote {
    // The C runtime of programs built since 2008 (msvcrt 9 and later, the UCRT): the quoted
    // part continues. `"a""b c"` is one argument, `a"b c`. This is what the started program
    // sees when it takes argv from its startup code, so it is the default.
    kContinuesQuote,
    // CommandLineToArgvW and the older C runtimes: the quoted part ends. `"a""b c"` gives
    // `a"b` and `c`.
    kEndsQuote,
};

// Splits `commandLine` the way Windows programs do:
//  - The first argument, the program, is special: when it starts with `"` it runs to the next
//    `"` (or the end), backslashes and all; otherwise to the first space or tab. Whatever
//    follows a closing quote starts the next argument. A line starting with whitespace has an
//    empty program name.
//  - After it, spaces and tabs separate arguments outside quotes; `"` starts and ends quoted
//    parts, which may be embedded in an argument (`a"b c"d` is `ab cd`); `""` gives an empty
//    argument. 2n backslashes before a `"` give n backslashes and the quote keeps its meaning;
//    2n+1 backslashes before a `"` give n backslashes and a literal `"`; other backslashes are
//    literal. An unterminated quoted part runs to the end of the line.
//  - Line breaks and every other character are ordinary characters.
// An empty line gives no arguments (CommandLineToArgvW would substitute the caller's own
// path, which means nothing here).
std::vector<std::u16string> SplitCommandLine(
    std::u16string_view commandLine, DoubledQuote doubledQuote = DoubledQuote::kContinuesQuote);

}  // namespace tessaly::platform::posix
