// The profile: the simulated Outlook's folders and items, its default contacts folder and
// the windows open at start. Read from JSON (format in README.md and --help); every
// element remembers its line so that later errors can point at it.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/located_json.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::frontend {

inline constexpr std::string_view kContactType = "ContactItem";
inline constexpr std::string_view kMailType = "MailItem";

struct ProfileExchangeUser {
    std::string business;
    std::string mobile;
    std::string smtp;  // PrimarySmtpAddress
};

// An address book entry: a mail's sender or recipient, or the session's user.
struct ProfileAddressEntry {
    std::string name;
    std::string address;
    std::string type;                    // "SMTP" or "EX"
    std::optional<std::string> contact;  // the name of the ContactItem it stands for
    std::optional<ProfileExchangeUser> exchangeUser;
    int line = 0;
    int contactLine = 0;
};

struct ProfileRecipient {
    ProfileAddressEntry entry;
    int type = 1;  // olTo 1, olCC 2, olBCC 3
};

struct ProfileMail {
    std::optional<ProfileAddressEntry> sender;  // nothing: not sent yet, or sent (below)
    bool sent = false;                          // the sender is the current user
    int sentLine = 0;
    std::vector<ProfileRecipient> recipients;
};

struct ProfileItem {
    std::string type;
    std::string name;
    std::map<std::string, std::string> numbers;  // telephone property name -> number
    std::map<std::size_t, std::string> emails;   // a contact's EmailNAddress: N -> address
    std::optional<ProfileMail> mail;             // for a MailItem
    bool flagged = false;
    int line = 0;
};

struct ProfileFolder {
    std::string name;
    std::optional<host::sim::FolderKind> kind;  // absent: the model's default
    std::vector<ProfileItem> items;
    int line = 0;
};

struct ProfileWindow {
    std::string folder;
    // Absent: the window starts with Outlook's default selection (the folder's first item).
    std::optional<std::vector<std::string>> selection;
    bool commandBarsReady = true;
    int line = 0;
};

struct Profile {
    std::vector<ProfileFolder> folders;
    std::optional<std::string> defaultContactsFolder;
    std::vector<ProfileWindow> windows;
    std::optional<ProfileAddressEntry> currentUser;
};

// Throws LineError for malformed JSON and for any element that breaks the format.
Profile ParseProfile(std::string_view text);

// The profile's format as both programs' --help describe it.
const char* ProfileSummary();

// Fills an empty world with the profile's folders and items and opens its windows, in
// order. Returns the windows opened.
std::vector<std::shared_ptr<host::sim::SimExplorer>> PopulateWorld(const Profile& profile,
                                                                   host::sim::World& world);

}  // namespace tessaly::frontend
