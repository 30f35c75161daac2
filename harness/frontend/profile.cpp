#include "harness/frontend/profile.h"

#include <algorithm>
#include <functional>
#include <set>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

namespace {

using Kind = JsonNode::Kind;

// The input's text as a message echoes it: printable, and cut when long.
std::string Quoted(std::string_view s) {
    return "\"" + Printable(s, kMaxEcho) + "\"";
}

void Expect(const JsonNode& node, Kind kind, std::string_view what) {
    if (node.kind != kind) {
        throw LineError(node.line, std::string(what) + " must be " + std::string(KindName(kind)) +
                                       ", not " + std::string(KindName(node.kind)));
    }
}

const std::string& NonEmptyString(const JsonNode& node, std::string_view what) {
    Expect(node, Kind::String, what);
    if (node.text.empty()) {
        throw LineError(node.line, std::string(what) + " must not be empty");
    }
    return node.text;
}

bool IsTelephoneProperty(std::string_view key) {
    return std::any_of(std::begin(host::sim::kTelephoneProperties),
                       std::end(host::sim::kTelephoneProperties),
                       [&](const char16_t* p) { return ToUtf8(p) == key; });
}

// Checks an object's keys against the allowed ones (duplicates are errors too) and gives
// access to the members by key.
class Fields {
  public:
    Fields(const JsonNode& object, std::string_view what,
           const std::function<bool(std::string_view)>& allowed)
        : object_(object), what_(what) {
        Expect(object, Kind::Object, what);
        std::set<std::string> seen;
        for (const JsonMember& m : object.members) {
            if (!seen.insert(m.key).second) {
                throw LineError(m.line, "duplicate key " + Quoted(m.key) + " in " + what_);
            }
            if (!allowed(m.key)) {
                throw LineError(m.line, "unknown key " + Quoted(m.key) + " in " + what_);
            }
        }
    }

    const JsonNode* find(std::string_view key) const {
        for (const JsonMember& m : object_.members) {
            if (m.key == key) {
                return &m.node();
            }
        }
        return nullptr;
    }
    const JsonNode& require(std::string_view key) const {
        if (const JsonNode* n = find(key)) {
            return *n;
        }
        throw LineError(object_.line, what_ + " has no " + Quoted(key));
    }

  private:
    const JsonNode& object_;
    std::string what_;
};

auto OneOf(std::initializer_list<std::string_view> keys) {
    std::vector<std::string_view> list(keys);
    return [list](std::string_view key) {
        return std::find(list.begin(), list.end(), key) != list.end();
    };
}

ProfileItem ReadItem(const JsonNode& node) {
    Fields fields(node, "an item", [](std::string_view key) {
        return key == "type" || key == "name" || key == "flagged" || IsTelephoneProperty(key);
    });
    ProfileItem item;
    item.line = node.line;
    item.type = NonEmptyString(fields.require("type"), "\"type\"");
    item.name = NonEmptyString(fields.require("name"), "an item's \"name\"");
    if (const JsonNode* flagged = fields.find("flagged")) {
        Expect(*flagged, Kind::Boolean, "\"flagged\"");
        item.flagged = flagged->boolean;
    }
    for (const JsonMember& m : node.members) {
        if (!IsTelephoneProperty(m.key)) {
            continue;
        }
        if (item.type != kContactType) {
            throw LineError(m.line,
                            "telephone numbers belong to a ContactItem, not a " + item.type);
        }
        Expect(m.node(), Kind::String, Quoted(m.key));
        item.numbers[m.key] = m.node().text;
    }
    return item;
}

host::sim::FolderKind ReadKind(const JsonNode& node) {
    const std::string& kind = NonEmptyString(node, "\"kind\"");
    if (kind == "mail") {
        return host::sim::FolderKind::Mail;
    }
    if (kind == "contacts") {
        return host::sim::FolderKind::Contacts;
    }
    throw LineError(node.line, "unknown folder kind " + Quoted(kind) + " (mail or contacts)");
}

ProfileFolder ReadFolder(const JsonNode& node) {
    Fields fields(node, "a folder", OneOf({"name", "kind", "items"}));
    ProfileFolder folder;
    folder.line = node.line;
    folder.name = NonEmptyString(fields.require("name"), "a folder's \"name\"");
    if (const JsonNode* kind = fields.find("kind")) {
        folder.kind = ReadKind(*kind);
    }
    if (const JsonNode* items = fields.find("items")) {
        Expect(*items, Kind::Array, "\"items\"");
        std::set<std::string> names;
        for (const JsonNode& element : items->elements) {
            ProfileItem item = ReadItem(element);
            if (!names.insert(item.name).second) {
                throw LineError(element.line, "duplicate item name " + Quoted(item.name) +
                                                  " in folder " + Quoted(folder.name));
            }
            folder.items.push_back(std::move(item));
        }
    }
    return folder;
}

const ProfileFolder* FindFolder(const Profile& profile, std::string_view name) {
    for (const ProfileFolder& f : profile.folders) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

const ProfileFolder& KnownFolder(const Profile& profile, const JsonNode& node,
                                 std::string_view what) {
    const std::string& name = NonEmptyString(node, what);
    if (const ProfileFolder* f = FindFolder(profile, name)) {
        return *f;
    }
    throw LineError(node.line, "unknown folder " + Quoted(name));
}

ProfileWindow ReadWindow(const Profile& profile, const JsonNode& node) {
    Fields fields(node, "a window", OneOf({"folder", "selection", "commandBarsReady"}));
    ProfileWindow window;
    window.line = node.line;
    const ProfileFolder& folder = KnownFolder(profile, fields.require("folder"), "\"folder\"");
    window.folder = folder.name;
    if (const JsonNode* selection = fields.find("selection")) {
        Expect(*selection, Kind::Array, "\"selection\"");
        window.selection.emplace();
        for (const JsonNode& element : selection->elements) {
            const std::string& name = NonEmptyString(element, "a selected item's name");
            const bool known = std::any_of(folder.items.begin(), folder.items.end(),
                                           [&](const ProfileItem& i) { return i.name == name; });
            if (!known) {
                throw LineError(element.line,
                                "no item " + Quoted(name) + " in folder " + Quoted(folder.name));
            }
            window.selection->push_back(name);
        }
    }
    if (const JsonNode* ready = fields.find("commandBarsReady")) {
        Expect(*ready, Kind::Boolean, "\"commandBarsReady\"");
        window.commandBarsReady = ready->boolean;
    }
    return window;
}

}  // namespace

Profile ParseProfile(std::string_view text) {
    const JsonNode root = ParseLocatedJson(text);
    Fields fields(root, "the profile", OneOf({"folders", "defaultContactsFolder", "explorers"}));
    Profile profile;

    const JsonNode& folders = fields.require("folders");
    Expect(folders, Kind::Array, "\"folders\"");
    for (const JsonNode& element : folders.elements) {
        ProfileFolder folder = ReadFolder(element);
        if (FindFolder(profile, folder.name) != nullptr) {
            throw LineError(element.line, "duplicate folder name " + Quoted(folder.name));
        }
        profile.folders.push_back(std::move(folder));
    }

    if (const JsonNode* contacts = fields.find("defaultContactsFolder")) {
        profile.defaultContactsFolder =
            KnownFolder(profile, *contacts, "\"defaultContactsFolder\"").name;
    }

    if (const JsonNode* windows = fields.find("explorers")) {
        Expect(*windows, Kind::Array, "\"explorers\"");
        for (const JsonNode& element : windows->elements) {
            profile.windows.push_back(ReadWindow(profile, element));
        }
    }
    return profile;
}

std::vector<std::shared_ptr<host::sim::SimExplorer>> PopulateWorld(const Profile& profile,
                                                                   host::sim::World& world) {
    for (const ProfileFolder& f : profile.folders) {
        auto folder = world.AddFolder(ToUtf16(f.name));
        if (f.kind) {
            folder->setKind(*f.kind);
        }
        for (const ProfileItem& item : f.items) {
            std::shared_ptr<host::Item> added;
            if (item.type == kContactType) {
                std::map<std::u16string, std::u16string> numbers;
                for (const auto& [property, number] : item.numbers) {
                    numbers[ToUtf16(property)] = ToUtf16(number);
                }
                added = world.AddContact(*folder, ToUtf16(item.name), std::move(numbers));
            } else {
                added = world.AddItem(*folder, ToUtf16(item.type), ToUtf16(item.name));
            }
            world.SetFlagged(*added, item.flagged);
        }
    }
    if (profile.defaultContactsFolder) {
        world.SetDefaultContactsFolder(world.FindFolder(ToUtf16(*profile.defaultContactsFolder)));
    }

    std::vector<std::shared_ptr<host::sim::SimExplorer>> opened;
    for (const ProfileWindow& w : profile.windows) {
        auto folder = world.FindFolder(ToUtf16(w.folder));
        auto explorer = world.OpenExplorer(folder, w.commandBarsReady);
        if (w.selection) {
            std::vector<std::shared_ptr<host::Item>> items;
            for (const std::string& name : *w.selection) {
                items.push_back(folder->findItem(ToUtf16(name)));
            }
            world.Select(*explorer, std::move(items));
        }
        opened.push_back(std::move(explorer));
    }
    return opened;
}

}  // namespace tessaly::frontend
