// The module-level state of the add-in: the fixed settings loaded from the string table,
// the toolbar's button table, and the softphone installations found in the registry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "softphone/text.h"

namespace tessaly::softphone {

using String = std::u16string;

// The rows of the toolbar's button table: Business, Mobile, Home, Dial, show contacts.
inline constexpr std::size_t kButtonRows = 5;

struct ButtonInfo {
    String sCaption;
    String sTooltipText;
    std::int16_t iPictureId = 0;
    std::int16_t iMaskId = 0;
};

struct PhoneInfo {
    String sGUID;
    String sPath;
    String sCmdLineParams;
    String sAdditionalValue;
};

class Common {
  public:
    explicit Common(platform::Services& services) : services_(services) {}
    Common(const Common&) = delete;
    Common& operator=(const Common&) = delete;

    // Reloads every setting from the string table and reruns the softphone discovery.
    bool InitSettings();
    // Loads the settings from the string table, without the discovery; false when a required
    // one is missing or malformed (what was loaded before it stays).
    bool LoadSettings();
    // Whether InitSettings has run: until then every setting holds its default.
    bool SettingsLoaded() const { return settingsLoaded_; }
    // Finds the installed softphones in the registry, preferred ones first, and selects one.
    void FindSoftphones();
    // A value of the selected softphone executable's version resource; empty when missing.
    String GetPhoneFileInfo(const String& query);
    String GetPhoneVersion();
    // The selected executable's path, quoted when it holds a blank; empty when none.
    String GetPhonePath();
    // Cleans a number and starts the selected softphone with the dial command line.
    void DialNumber(String number);

    String sTagPrefix;
    String sSettingsKey;
    String sSoftphoneKey;
    String sToolbarName;
    String sPreferredGUIDs;
    bool bUseFirstFound = false;
    String sNoVersionsMessage;
    String sMessageTitle;
    String sEnterNumberText;
    String sDialingText;
    std::int32_t lDialingTextDelay = 0;
    // Rows 1 to kButtonRows; see Button().
    std::array<ButtonInfo, kButtonRows> aButtons{};

    std::vector<PhoneInfo> colPhones;
    std::int32_t lSelectedPhone = 0;

    // 1-based access to aButtons.
    ButtonInfo& Button(int row) { return aButtons.at(static_cast<std::size_t>(row - 1)); }
    const ButtonInfo& Button(int row) const {
        return aButtons.at(static_cast<std::size_t>(row - 1));
    }

    platform::Services& services() { return services_; }

  private:
    const PhoneInfo* SelectedPhone() const;
    // The installations the registry lists that can dial, in enumeration order.
    std::vector<PhoneInfo> ListInstallations();
    std::optional<PhoneInfo> ReadInstallation(const String& prefix, const String& name);
    void SelectPhone(const String& previousGUID);
    String LoadString(std::uint16_t id);

    platform::Services& services_;
    bool settingsLoaded_ = false;
};

// The part of a text before its first NUL character.
String TrimAtNull(std::u16string_view s);
// Strips every leading "/" and "-".
String TrimSwitchChars(std::u16string_view s);
// Escapes quotes and the backslashes before them; quotes the whole when it holds a blank.
String QuoteArgument(std::u16string_view s);

}  // namespace tessaly::softphone
