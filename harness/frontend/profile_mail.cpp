#include "harness/frontend/profile_mail.h"

#include <algorithm>
#include <vector>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend::profile_mail {

namespace {

using Kind = JsonNode::Kind;
using profile_fields::Expect;
using profile_fields::Fields;
using profile_fields::NonEmptyString;
using profile_fields::OneOf;
using profile_fields::Quoted;

constexpr std::string_view kSmtp = "SMTP";
constexpr std::string_view kExchange = "EX";

// name@domain: what Outlook accepts as an SMTP address, and what an Exchange address is not.
bool IsSmtpAddress(std::string_view address) {
    const std::size_t at = address.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < address.size();
}

bool Flag(const JsonNode& node, std::string_view what) {
    Expect(node, Kind::Boolean, what);
    return node.boolean;
}

std::string Text(const JsonNode& node, std::string_view what) {
    Expect(node, Kind::String, what);
    return node.text;
}

ProfileExchangeUser ReadExchangeUser(const JsonNode& node) {
    Fields fields(node, "an \"exchangeUser\"", OneOf({"business", "mobile", "smtp"}));
    ProfileExchangeUser user;
    if (const JsonNode* business = fields.find("business")) {
        user.business = Text(*business, "\"business\"");
    }
    if (const JsonNode* mobile = fields.find("mobile")) {
        user.mobile = Text(*mobile, "\"mobile\"");
    }
    if (const JsonNode* smtp = fields.find("smtp")) {
        user.smtp = Text(*smtp, "\"smtp\"");
        if (!user.smtp.empty() && !IsSmtpAddress(user.smtp)) {
            throw LineError(smtp->line, "\"smtp\" must be an SMTP address (name@domain), not " +
                                            Quoted(user.smtp));
        }
    }
    return user;
}

// The entry's type follows from its address; one given must agree with it.
void CheckDeclaredType(const JsonNode& type, const ProfileAddressEntry& entry, int addressLine) {
    const std::string& declared = NonEmptyString(type, "an entry's \"type\"");
    if (declared != kSmtp && declared != kExchange) {
        throw LineError(type.line,
                        "an entry's \"type\" must be \"SMTP\" or \"EX\", not " + Quoted(declared));
    }
    if (declared == kSmtp && entry.type != kSmtp) {
        throw LineError(addressLine, "an SMTP entry's \"address\" must be name@domain, not " +
                                         Quoted(entry.address));
    }
    if (declared == kExchange && entry.type != kExchange) {
        throw LineError(addressLine,
                        "an Exchange (\"EX\") entry's \"address\" is its Exchange address, not "
                        "the SMTP address " +
                            Quoted(entry.address) + " (that is its exchangeUser's \"smtp\")");
    }
}

// Name, address, contact and Exchange user; `type` is the entry's type, if the element
// declares one (a recipient's "type" is the recipient's own).
ProfileAddressEntry ReadEntry(const JsonNode& node, const Fields& fields, const JsonNode* type) {
    ProfileAddressEntry entry;
    entry.line = node.line;
    entry.name = NonEmptyString(fields.require("name"), "an entry's \"name\"");
    const JsonNode& address = fields.require("address");
    entry.address = NonEmptyString(address, "an entry's \"address\"");
    entry.type = IsSmtpAddress(entry.address) ? kSmtp : kExchange;
    if (type) {
        CheckDeclaredType(*type, entry, address.line);
    }
    if (const JsonNode* contact = fields.find("contact")) {
        entry.contact = NonEmptyString(*contact, "\"contact\"");
        entry.contactLine = contact->line;
    }
    if (const JsonNode* user = fields.find("exchangeUser")) {
        if (entry.type != kExchange) {
            throw LineError(user->line, "only an Exchange (\"EX\") entry has an \"exchangeUser\"");
        }
        entry.exchangeUser = ReadExchangeUser(*user);
    }
    return entry;
}

auto EntryKeys() {
    return OneOf({"name", "address", "type", "contact", "exchangeUser"});
}

ProfileAddressEntry ReadAddressEntry(const JsonNode& node, std::string_view what) {
    Fields fields(node, what, EntryKeys());
    return ReadEntry(node, fields, fields.find("type"));
}

ProfileRecipient ReadRecipient(const JsonNode& node) {
    Fields fields(node, "a recipient", EntryKeys());
    ProfileRecipient recipient{ReadEntry(node, fields, nullptr)};
    if (const JsonNode* type = fields.find("type")) {
        static constexpr std::string_view kTypes[] = {"To", "CC", "BCC"};  // olTo 1, olCC 2, ...
        const std::string& name = NonEmptyString(*type, "a recipient's \"type\"");
        const auto* found = std::find(std::begin(kTypes), std::end(kTypes), name);
        if (found == std::end(kTypes)) {
            throw LineError(type->line,
                            "a recipient's \"type\" must be \"To\", \"CC\" or "
                            "\"BCC\", not " +
                                Quoted(name));
        }
        recipient.type = static_cast<int>(found - std::begin(kTypes)) + 1;
    }
    return recipient;
}

// Who sent the mail: a sender, the current user ("sent"), or nobody yet (a draft, also
// without any of the keys).
void ReadSender(const Fields& fields, ProfileMail& mail) {
    const JsonNode* sender = fields.find("sender");
    const JsonNode* sent = fields.find("sent");
    const JsonNode* draft = fields.find("draft");
    mail.sent = sent && Flag(*sent, "\"sent\"");
    const bool isDraft = draft && Flag(*draft, "\"draft\"");
    if (mail.sent && isDraft) {
        throw LineError(draft->line, "a mail is either \"sent\" or a \"draft\", not both");
    }
    if (sender && mail.sent) {
        throw LineError(sender->line,
                        "a sent mail's sender is the current user: give "
                        "\"sender\" or \"sent\", not both");
    }
    if (sender && isDraft) {
        throw LineError(sender->line, "a draft has no \"sender\"");
    }
    if (sender) {
        mail.sender = ReadAddressEntry(*sender, "a mail's \"sender\"");
    }
    mail.sentLine = sent ? sent->line : 0;
}

ProfileMail ReadMail(const Fields& fields) {
    ProfileMail mail;
    ReadSender(fields, mail);
    if (const JsonNode* list = fields.find("recipients")) {
        Expect(*list, Kind::Array, "\"recipients\"");
        for (const JsonNode& element : list->elements) {
            mail.recipients.push_back(ReadRecipient(element));
        }
    }
    return mail;
}

}  // namespace

std::size_t EmailSlot(std::string_view key) {
    for (std::size_t slot = 1; slot <= std::size(host::sim::kEmailProperties); ++slot) {
        if (ToUtf8(host::sim::kEmailProperties[slot - 1]) == key) {
            return slot;
        }
    }
    return 0;
}

bool IsMailKey(std::string_view key) {
    return key == "sender" || key == "recipients" || key == "sent" || key == "draft";
}

void ReadPeopleOf(const JsonNode& node, const Fields& fields, ProfileItem& item) {
    for (const JsonMember& m : node.members) {
        if (const std::size_t slot = EmailSlot(m.key)) {
            if (item.type != kContactType) {
                throw LineError(m.line,
                                "e-mail addresses belong to a ContactItem, not a " + item.type);
            }
            item.emails[slot] = Text(m.node(), Quoted(m.key));
        } else if (IsMailKey(m.key) && item.type != kMailType) {
            throw LineError(m.line, Quoted(m.key) + " belongs to a MailItem, not a " + item.type);
        }
    }
    if (item.type == kMailType) {
        item.mail = ReadMail(fields);
    }
}

ProfileAddressEntry ReadCurrentUser(const JsonNode& node) {
    return ReadAddressEntry(node, "\"currentUser\"");
}

namespace {

// The one contact of the profile with that name, whatever its folder.
void CheckContact(const Profile& profile, const ProfileAddressEntry& entry) {
    if (!entry.contact) {
        return;
    }
    const std::string& name = *entry.contact;
    const ProfileItem* found = nullptr;
    for (const ProfileFolder& folder : profile.folders) {
        for (const ProfileItem& item : folder.items) {
            if (item.name != name) {
                continue;
            }
            if (item.type != kContactType) {
                throw LineError(entry.contactLine, "\"contact\" names " + Quoted(name) + ", a " +
                                                       item.type + ", not a ContactItem");
            }
            if (found) {
                throw LineError(entry.contactLine,
                                "\"contact\" names " + Quoted(name) +
                                    ", and more than one folder has a contact of that name");
            }
            found = &item;
        }
    }
    if (!found) {
        throw LineError(entry.contactLine, "no contact " + Quoted(name) + " in the profile");
    }
}

}  // namespace

void CheckPeople(const Profile& profile) {
    if (profile.currentUser) {
        CheckContact(profile, *profile.currentUser);
    }
    for (const ProfileFolder& folder : profile.folders) {
        for (const ProfileItem& item : folder.items) {
            if (!item.mail) {
                continue;
            }
            if (item.mail->sent && !profile.currentUser) {
                throw LineError(item.mail->sentLine,
                                "a sent mail's sender is the current user, and the profile "
                                "has no \"currentUser\"");
            }
            if (item.mail->sender) {
                CheckContact(profile, *item.mail->sender);
            }
            for (const ProfileRecipient& recipient : item.mail->recipients) {
                CheckContact(profile, recipient.entry);
            }
        }
    }
}

// ---- Building the world ------------------------------------------------------------------

ItemMaker::ItemMaker(const Profile& profile, host::sim::World& world)
    : profile_(profile), world_(world) {
    for (const ProfileFolder& folder : profile.folders) {
        for (const ProfileItem& item : folder.items) {
            if (item.type != kContactType) {
                continue;
            }
            std::map<std::u16string, std::u16string> numbers;
            for (const auto& [property, number] : item.numbers) {
                numbers[ToUtf16(property)] = ToUtf16(number);
            }
            auto contact =
                std::make_shared<host::sim::SimContact>(world, ToUtf16(item.name), numbers);
            for (const auto& [slot, address] : item.emails) {
                contact->setEmailAddress(slot, ToUtf16(address));
            }
            contacts_.emplace(&item, contact);
            byName_.emplace(item.name, std::move(contact));
        }
    }
}

void ItemMaker::add(host::sim::SimFolder& folder, const ProfileItem& item) const {
    if (const auto contact = contacts_.find(&item); contact != contacts_.end()) {
        folder.add(contact->second);
    } else if (item.mail) {
        world_.AddMail(folder, mailOf(item));
    } else {
        world_.AddItem(folder, ToUtf16(item.type), ToUtf16(item.name));
    }
}

void ItemMaker::setCurrentUser() const {
    if (profile_.currentUser) {
        world_.SetCurrentUser(entryOf(*profile_.currentUser));
    }
}

host::sim::AddressEntryData ItemMaker::entryOf(const ProfileAddressEntry& entry) const {
    host::sim::AddressEntryData data;
    data.name = ToUtf16(entry.name);
    data.address = ToUtf16(entry.address);
    data.type = ToUtf16(entry.type);
    if (entry.contact) {
        data.contact = byName_.at(*entry.contact);
    }
    if (entry.exchangeUser) {
        data.exchangeUser = host::sim::ExchangeUserData{ToUtf16(entry.exchangeUser->business),
                                                        ToUtf16(entry.exchangeUser->mobile),
                                                        ToUtf16(entry.exchangeUser->smtp)};
    }
    return data;
}

// A sent mail's sender is another entry with the current user's values, as in Outlook,
// where the two are different objects.
host::sim::MailData ItemMaker::mailOf(const ProfileItem& item) const {
    const ProfileMail& mail = *item.mail;
    host::sim::MailData data;
    data.subject = ToUtf16(item.name);
    if (mail.sent) {
        data.sender = entryOf(*profile_.currentUser);
    } else if (mail.sender) {
        data.sender = entryOf(*mail.sender);
    }
    for (const ProfileRecipient& recipient : mail.recipients) {
        data.recipients.push_back({entryOf(recipient.entry), recipient.type});
    }
    return data;
}

}  // namespace tessaly::frontend::profile_mail
