// Splits arbitrary command lines and checks, for the arguments after the program, that
// quoting them again and splitting the result gives the same arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/posix/command_line.h"
#include "tests/unit/process/quote_argument.h"

namespace posix = tessaly::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the rule for `""`; the rest is the line in UTF-16LE, so that every
    // unit, surrogates and NULs included, can occur.
    const auto mode =
        (data[0] & 1) != 0 ? posix::DoubledQuote::kEndsQuote : posix::DoubledQuote::kContinuesQuote;
    std::u16string line;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        line.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }

    const auto args = posix::SplitCommandLine(line, mode);
    if (line.empty() != args.empty()) {
        std::abort();
    }
    if (args.empty()) {
        return 0;
    }
    // An unquoted program name ends at the first blank.
    if (line[0] != u'"' && args[0].find_first_of(u" \t") != std::u16string::npos) {
        std::abort();
    }
    std::u16string rebuilt = u"p";
    for (std::size_t i = 1; i < args.size(); ++i) {
        rebuilt += u' ' + tessaly::test::QuoteArgument(args[i]);
    }
    for (auto again : {posix::DoubledQuote::kContinuesQuote, posix::DoubledQuote::kEndsQuote}) {
        const auto resplit = posix::SplitCommandLine(rebuilt, again);
        if (resplit.size() != args.size() ||
            !std::equal(args.begin() + 1, args.end(), resplit.begin() + 1)) {
            std::abort();
        }
    }
    return 0;
}
