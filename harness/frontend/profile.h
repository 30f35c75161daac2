// The profile: the simulated Outlook's folders and items, its default contacts folder and
// the windows open at start. Read from JSON (format in README.md and --help); every
// element remembers its line so that later errors can point at it.
#pragma once

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

struct ProfileItem {
    std::string type;
    std::string name;
    std::map<std::string, std::string> numbers;  // telephone property name -> number
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
};

// Throws LineError for malformed JSON and for any element that breaks the format.
Profile ParseProfile(std::string_view text);

// Fills an empty world with the profile's folders and items and opens its windows, in
// order. Returns the windows opened.
std::vector<std::shared_ptr<host::sim::SimExplorer>> PopulateWorld(const Profile& profile,
                                                                   host::sim::World& world);

}  // namespace tessaly::frontend
