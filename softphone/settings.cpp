// The fixed settings, loaded from the library's string table.
#include <string>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "softphone/common.h"

namespace tessaly::softphone {
namespace {

// Settings read as numbers must be whole decimal numbers; anything else fails the load.
template <class Int>
Int ToInteger(std::u16string_view text) {
    if (auto value = ParseDecimal<Int>(text)) {
        return *value;
    }
    throw std::invalid_argument("not a number");
}

}  // namespace

String TrimAtNull(std::u16string_view s) {
    return String(s.substr(0, s.find(u'\0')));
}

String Common::LoadString(std::uint16_t id) {
    auto text = services_.resources.StringResource(id);
    if (!text) {
        throw std::out_of_range("no string resource " + std::to_string(id));
    }
    return std::move(*text);
}

bool Common::InitSettings() {
    settingsLoaded_ = true;
    try {
        if (!LoadSettings()) {
            return false;
        }
        colPhones.clear();
        lSelectedPhone = -1;
        FindSoftphones();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Common::LoadSettings() {
    try {
        const auto required = [&](std::uint16_t id, String& target) {
            target = TrimAtNull(LoadString(id));
            if (target.empty()) {
                throw std::invalid_argument("empty setting " + std::to_string(id));
            }
        };
        required(1000, sTagPrefix);
        required(1001, sSettingsKey);
        required(1002, sSoftphoneKey);
        required(1003, sToolbarName);

        // A button field that is missing or not a number keeps what it had.
        for (int row = 1; row <= static_cast<int>(kButtonRows); ++row) {
            ButtonInfo& button = Button(row);
            const auto id = static_cast<std::uint16_t>(1050 + 4 * (row - 1));
            step([&] { button.sCaption = TrimAtNull(LoadString(id)); });
            step([&] { button.sTooltipText = TrimAtNull(LoadString(id + 1)); });
            step([&] { button.iPictureId = ToInteger<std::int16_t>(LoadString(id + 2)); });
            step([&] { button.iMaskId = ToInteger<std::int16_t>(LoadString(id + 3)); });
        }

        sPreferredGUIDs = TrimAtNull(LoadString(1004));
        bUseFirstFound = false;
        bUseFirstFound = platform::equalsIgnoringAsciiCase(TrimAtNull(LoadString(1005)), u"true");
        sNoVersionsMessage = TrimAtNull(LoadString(1007));
        sMessageTitle = TrimAtNull(LoadString(1008));
        sEnterNumberText = TrimAtNull(LoadString(1009));
        sDialingText = TrimAtNull(LoadString(1010));
        lDialingTextDelay = ToInteger<std::int32_t>(TrimAtNull(LoadString(1011)));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace tessaly::softphone
