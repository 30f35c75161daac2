// Cleans a number and starts the softphone with the command line that dials it.
#include <algorithm>
#include <utility>

#include "softphone/common.h"

namespace tessaly::softphone {
String TrimSwitchChars(std::u16string_view s) {
    const auto first = s.find_first_not_of(u"/-");
    return first == std::u16string_view::npos ? String{} : String(s.substr(first));
}

namespace {

// Enclosed in double quotes when it holds a blank anywhere; quotes it may carry already are
// not looked for.
String QuotedIfBlank(String s) {
    return s.find(u' ') == String::npos ? s : u"\"" + s + u"\"";
}

}  // namespace

String QuoteArgument(std::u16string_view s) {
    String out;
    out.reserve(s.size() + 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        const char16_t next = i + 1 < s.size() ? s[i + 1] : u'\0';
        if (c == u'"') {
            out += u"\\\"";
        } else if (c == u'\\' && (next == u'"' || next == u'\\')) {
            out += u"\\\\";
        } else {
            out += c;
        }
    }
    return QuotedIfBlank(std::move(out));
}

String Common::GetPhonePath() {
    const PhoneInfo* phone = SelectedPhone();
    if (!phone) {
        return {};
    }
    return QuotedIfBlank(phone->sPath);
}

void Common::DialNumber(String number) {
    number.erase(std::remove_if(number.begin(), number.end(),
                                [](char16_t c) { return c == u'\r' || c == u'\n'; }),
                 number.end());
    number = TrimBlanks(number);
    if (number.empty()) {
        return;
    }
    number = QuoteArgument(TrimSwitchChars(number));
    if (number.empty()) {
        services_.messages.ShowMessage(
            u"There number you trying to dial is empty or contains erronous symbols only!",
            sMessageTitle);
        return;
    }
    try {
        // The registry is read afresh for every dial, so installations that appeared or
        // vanished since start-up are noticed.
        FindSoftphones();
        const String path = GetPhonePath();
        if (path.empty()) {
            services_.messages.ShowMessage(sNoVersionsMessage, sMessageTitle);
            return;
        }
        // Read although nothing uses it: the add-in has always read the executable's version
        // just before starting it, and what a dial does to the softphone's files stays as it
        // was. A missing or unreadable version answers nothing and never stops the dial.
        GetPhoneVersion();
        services_.processes.Start(path + u" /ap \"/postpone " + number + u"\"");
    } catch (const std::exception&) {
        // Nothing more is said to the user once a number has been accepted.
    }
}

}  // namespace tessaly::softphone
