// Reads a value of the selected softphone executable's version resource.
#include "softphone/common.h"

namespace tessaly::softphone {

String Common::GetPhoneFileInfo(const String& query) {
    const PhoneInfo* phone = SelectedPhone();
    if (!phone) {
        return {};
    }
    try {
        const auto value = services_.versions.QueryValue(phone->sPath, query);
        return value ? TrimAtNull(*value) : String{};
    } catch (const std::exception&) {
        return {};
    }
}

String Common::GetPhoneVersion() {
    return GetPhoneFileInfo(u"\\StringFileInfo\\040904b0\\ProductVersion");
}

}  // namespace tessaly::softphone
