#include "harness/frontend/control_names.h"

#include <algorithm>
#include <vector>

#include "platform/case_fold.h"

namespace tessaly::frontend {

namespace {

using explorer::InfoOf;
using explorer::kToolbarControls;
using explorer::ToolbarControlInfo;

bool EndsWith(std::u16string_view s, std::u16string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

std::string_view NameOf(ControlName control) {
    return InfoOf(control).name;
}

bool IsButton(ControlName control) {
    return InfoOf(control).type == host::msoControlButton;
}

std::string NameList(bool buttonsOnly, std::string_view prefix) {
    std::vector<ToolbarControlInfo> listed;
    std::copy_if(
        kToolbarControls.begin(), kToolbarControls.end(), std::back_inserter(listed),
        [&](const ToolbarControlInfo& info) { return !buttonsOnly || IsButton(info.control); });
    if (buttonsOnly) {
        std::sort(listed.begin(), listed.end(),
                  [](const auto& a, const auto& b) { return a.buttonRow < b.buttonRow; });
    }
    std::string list;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        list += i == 0 ? "" : i + 1 == listed.size() ? " or " : ", ";
        list += std::string(prefix) + std::string(listed[i].name);
    }
    return list;
}

std::optional<ControlName> ParseControlName(std::string_view text) {
    for (const ToolbarControlInfo& info : kToolbarControls) {
        if (platform::equalsIgnoringAsciiCase(info.name, text)) {
            return info.control;
        }
    }
    return std::nullopt;
}

std::optional<ControlName> ControlOfTag(std::u16string_view tag) {
    for (const ToolbarControlInfo& info : kToolbarControls) {
        if (EndsWith(tag, info.suffix)) {
            return info.control;
        }
    }
    return std::nullopt;
}

std::optional<ControlName> ControlOfRibbonId(std::u16string_view id) {
    if (auto control = ControlOfTag(id)) {
        return control;
    }
    const auto last = id.rfind(u'_');
    return last == std::u16string_view::npos ? std::nullopt : ControlOfTag(id.substr(0, last));
}

std::optional<std::u16string> PrefixOfTag(std::u16string_view tag) {
    if (auto c = ControlOfTag(tag)) {
        return std::u16string(
            tag.substr(0, tag.size() - std::u16string_view(InfoOf(*c).suffix).size()));
    }
    return std::nullopt;
}

std::u16string TagFor(std::u16string_view prefix, ControlName control) {
    return std::u16string(prefix) + InfoOf(control).suffix;
}

}  // namespace tessaly::frontend
