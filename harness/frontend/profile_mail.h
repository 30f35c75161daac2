// The profile's people: contacts' e-mail addresses, mails' senders and recipients, the
// session's user. Read with the item they belong to, checked against the whole profile once
// it is read (an entry may name a contact of any folder), and built into the world.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "harness/frontend/profile.h"
#include "harness/frontend/profile_fields.h"
#include "harness/outlook/mail.h"

namespace tessaly::frontend::profile_mail {

// 1 to 3 for "Email1Address" to "Email3Address", else 0.
std::size_t EmailSlot(std::string_view key);
// "sender", "recipients", "sent", "draft".
bool IsMailKey(std::string_view key);

// Reads a contact's e-mail addresses or a mail's people into `item`, whose type and name
// are read already; either kind of key on another type of item is an error.
void ReadPeopleOf(const JsonNode& node, const profile_fields::Fields& fields, ProfileItem& item);

// The "currentUser" element: an address book entry.
ProfileAddressEntry ReadCurrentUser(const JsonNode& node);

// What the people point at across the profile: each contact an entry names exists once,
// and a sent mail has a current user to be sent by.
void CheckPeople(const Profile& profile);

// Adds the profile's items to the world's folders. Every contact is made first, so that a
// mail's entry can point at a contact of a folder that comes later.
class ItemMaker {
  public:
    ItemMaker(const Profile& profile, host::sim::World& world);
    void add(host::sim::SimFolder& folder, const ProfileItem& item) const;
    void setCurrentUser() const;

  private:
    host::sim::AddressEntryData entryOf(const ProfileAddressEntry& entry) const;
    host::sim::MailData mailOf(const ProfileItem& item) const;

    const Profile& profile_;
    host::sim::World& world_;
    std::map<const ProfileItem*, std::shared_ptr<host::sim::SimContact>> contacts_;
    std::map<std::string, std::shared_ptr<host::sim::SimContact>> byName_;
};

}  // namespace tessaly::frontend::profile_mail
