#include "control_names.h"

#include "platform/case_fold.h"
#include "utf8.h"

namespace tessaly::sim_tool {

namespace {

std::u16string Suffix(ControlName control) {
    return u"_" + ToUtf16(NameOf(control));
}

bool EndsWith(std::u16string_view s, std::u16string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

std::string_view NameOf(ControlName control) {
    switch (control) {
        case ControlName::Dial:
            return "Dial";
        case ControlName::Combo:
            return "Combo";
        case ControlName::Business:
            return "Business";
        case ControlName::Mobile:
            return "Mobile";
        case ControlName::Home:
            return "Home";
        case ControlName::ShowContacts:
            return "ShowContacts";
    }
    return "?";
}

std::optional<ControlName> ParseControlName(std::string_view text) {
    for (ControlName c : kAllControls) {
        if (platform::equalsIgnoringAsciiCase(NameOf(c), text)) {
            return c;
        }
    }
    return std::nullopt;
}

std::optional<ControlName> ControlOfTag(std::u16string_view tag) {
    for (ControlName c : kAllControls) {
        if (EndsWith(tag, Suffix(c))) {
            return c;
        }
    }
    return std::nullopt;
}

std::optional<std::u16string> PrefixOfTag(std::u16string_view tag) {
    if (auto c = ControlOfTag(tag)) {
        return std::u16string(tag.substr(0, tag.size() - Suffix(*c).size()));
    }
    return std::nullopt;
}

std::u16string TagFor(std::u16string_view prefix, ControlName control) {
    return std::u16string(prefix) + Suffix(control);
}

}  // namespace tessaly::sim_tool
