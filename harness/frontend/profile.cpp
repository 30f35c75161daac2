#include "harness/frontend/profile.h"

#include <algorithm>
#include <set>

#include "harness/frontend/profile_fields.h"
#include "harness/frontend/profile_mail.h"
#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

namespace {

using Kind = JsonNode::Kind;
using profile_fields::Expect;
using profile_fields::Fields;
using profile_fields::NonEmptyString;
using profile_fields::OneOf;
using profile_fields::Quoted;

bool IsTelephoneProperty(std::string_view key) {
    return std::any_of(std::begin(host::sim::kTelephoneProperties),
                       std::end(host::sim::kTelephoneProperties),
                       [&](const char16_t* p) { return ToUtf8(p) == key; });
}

ProfileItem ReadItem(const JsonNode& node) {
    Fields fields(node, "an item", [](std::string_view key) {
        return key == "type" || key == "name" || key == "flagged" || IsTelephoneProperty(key) ||
               profile_mail::EmailSlot(key) != 0 || profile_mail::IsMailKey(key);
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
    profile_mail::ReadPeopleOf(node, fields, item);
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
    Fields fields(root, "the profile",
                  OneOf({"folders", "defaultContactsFolder", "explorers", "currentUser"}));
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
    if (const JsonNode* user = fields.find("currentUser")) {
        profile.currentUser = profile_mail::ReadCurrentUser(*user);
    }
    profile_mail::CheckPeople(profile);
    return profile;
}

std::vector<std::shared_ptr<host::sim::SimExplorer>> PopulateWorld(const Profile& profile,
                                                                   host::sim::World& world) {
    const profile_mail::ItemMaker maker(profile, world);
    for (const ProfileFolder& f : profile.folders) {
        auto folder = world.AddFolder(ToUtf16(f.name));
        if (f.kind) {
            folder->setKind(*f.kind);
        }
        for (const ProfileItem& item : f.items) {
            maker.add(*folder, item);
            world.SetFlagged(*folder->items().back(), item.flagged);
        }
    }
    maker.setCurrentUser();
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
