#include "platform/posix/command_line.h"

namespace tessaly::platform::posix {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view line, DoubledQuote doubledQuote) {
    std::vector<std::u16string> args;
    if (line.empty()) {
        return args;
    }

    // The program name: Windows finds the program this way, without backslash escapes, as a
    // path may end in a backslash.
    std::size_t i = 0;
    if (line[0] == u'"') {
        const auto close = line.find(u'"', 1);
        args.emplace_back(line.substr(1, close == line.npos ? line.npos : close - 1));
        i = close == line.npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
        args.emplace_back(line.substr(0, i));
    }

    std::u16string current;
    bool inArgument = false;  // something, perhaps only `""`, has been seen since the last blank
    bool quoted = false;
    while (i < line.size()) {
        const char16_t c = line[i];
        if (IsBlank(c) && !quoted) {
            if (inArgument) {
                args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == u'\\') {
            std::size_t run = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++run;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                current.append(run / 2, u'\\');
                if (run % 2 == 1) {
                    current.push_back(u'"');
                    ++i;
                }
                // With an even run, the quote is handled as a quote by the next round.
            } else {
                current.append(run, u'\\');
            }
            continue;
        }
        if (c == u'"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                current.push_back(u'"');
                quoted = doubledQuote == DoubledQuote::kContinuesQuote;
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        current.push_back(c);
        ++i;
    }
    if (inArgument) {
        args.push_back(std::move(current));
    }
    return args;
}

}  // namespace tessaly::platform::posix
