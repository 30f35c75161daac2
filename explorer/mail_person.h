// The person behind a mail and their telephone numbers, found when a dial menu drops: never
// on a selection change, so that flicking through mail costs nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "explorer/contact_numbers.h"
#include "host/mail.h"

namespace tessaly::explorer {

// Asked for the session only when the person's lookup needs it.
using SessionOf = std::function<std::shared_ptr<host::NameSpace>()>;

// The mail's sender; for a mail the user sent, its first recipient of type To; nothing for a
// mail without either (a draft).
std::shared_ptr<host::AddressEntry> PersonOfMail(host::MailItem& mail, const SessionOf& session);

// The person's numbers from the first source that has any: the contact the entry stands
// for; the Exchange user's business and mobile numbers; the first contact of the default
// Contacts folder that holds the person's internet address.
std::vector<ContactNumber> NumbersOfPerson(host::AddressEntry& person, const SessionOf& session);

// The filter that finds a contact holding `address` as any of its three e-mail addresses.
// The address is data: its quotes are doubled, so that nothing in it can end the string.
std::u16string ContactByAddressFilter(const std::u16string& address);

}  // namespace tessaly::explorer
