#include "harness/tessaly-sim/softphones.h"

namespace tessaly::sim_tool {

using frontend::QuotedValue;

namespace {

// Read for every installation, not only the selected one, since support staff compare them.
std::u16string ProductVersion(softphone::Common& common, const std::u16string& path) {
    try {
        const auto value = common.services().versions.QueryValue(
            path, u"\\StringFileInfo\\040904b0\\ProductVersion");
        return value ? softphone::TrimAtNull(*value) : std::u16string{};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

void ShowSoftphones(frontend::Output& out, softphone::Common& common) {
    if (common.colPhones.empty()) {
        out.Line("softphones: none");
        return;
    }
    const auto selected = common.lSelectedPhone;
    out.Line("softphones: " + std::to_string(common.colPhones.size()) + " found, selected " +
             (selected >= 1 && static_cast<std::size_t>(selected) <= common.colPhones.size()
                  ? std::to_string(selected)
                  : "none"));
    int index = 0;
    for (const auto& phone : common.colPhones) {
        ++index;
        out.Line("  " + std::to_string(index) + ": guid=" + QuotedValue(phone.sGUID) + " path=" +
                 QuotedValue(phone.sPath) + " params=" + QuotedValue(phone.sCmdLineParams) +
                 " data=" + QuotedValue(phone.sAdditionalValue) +
                 " version=" + QuotedValue(ProductVersion(common, phone.sPath)) +
                 (index == selected ? " (selected)" : ""));
    }
}

}  // namespace tessaly::sim_tool
