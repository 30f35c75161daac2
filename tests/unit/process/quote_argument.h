// Quotes one argument so that the Windows splitting rules give it back unchanged: the inverse
// of SplitCommandLine for every argument after the program.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::test {

inline std::u16string QuoteArgument(std::u16string_view arg) {
    if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string_view::npos) {
        return std::u16string(arg);  // backslashes are literal when no quote follows
    }
    std::u16string out = u"\"";
    std::size_t backslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped by one more.
        out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, u'\\');  // they precede the closing quote
    out.push_back(u'"');
    return out;
}

}  // namespace tessaly::test
