#include "platform/posix/environment.h"

#include <cstdlib>
#include <optional>

#include "platform/case_fold.h"
#include "platform/utf.h"

extern char** environ;

namespace tessaly::platform::posix {

namespace {

// Windows looks environment variables up without regard to case; here the exact spelling
// wins over another one.
std::optional<String> environmentValue(std::u16string_view name) {
    std::optional<String> found;
    for (char** entry = environ; !name.empty() && entry && *entry; ++entry) {
        const std::string_view pair(*entry);
        const auto equals = pair.find('=');
        try {
            const String key = fromUtf8(pair.substr(0, equals));
            if (equals != pair.npos && equalsIgnoringCase(key, name) && (!found || key == name)) {
                found = fromUtf8(pair.substr(equals + 1));
            }
        } catch (const UtfError&) {  // not a variable a registry value can name
        }
    }
    return found;
}

}  // namespace

String expandEnvironmentStrings(std::u16string_view text) {
    String out;
    for (std::size_t i = 0; i < text.size();) {
        const auto close = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string_view::npos;
        if (close == std::u16string_view::npos) {
            out += text[i++];
            continue;
        }
        const auto value = environmentValue(text.substr(i + 1, close - i - 1));
        out += value ? std::u16string_view(*value) : text.substr(i, close - i + 1);
        i = close + 1;
    }
    return out;
}

}  // namespace tessaly::platform::posix
