#include "explorer/mail_person.h"

#include "platform/case_fold.h"
#include "platform/error.h"
#include "softphone/text.h"

namespace tessaly::explorer {
namespace {

using String = std::u16string;

bool SentByTheUser(host::AddressEntry& sender, const SessionOf& session) {
    const auto user = must(session()).CurrentUser();
    return user && platform::equalsIgnoringAsciiCase(sender.Address(), user->Address());
}

std::shared_ptr<host::AddressEntry> FirstToRecipient(host::MailItem& mail) {
    const auto recipients = mail.Recipients();
    const std::int32_t count = must(recipients).Count();
    for (std::int32_t i = 1; i <= count; ++i) {
        const auto recipient = recipients->Item(i);
        if (must(recipient).Type() == host::olTo) {
            return recipient->AddressEntry();
        }
    }
    return nullptr;
}

void AddNumber(std::vector<ContactNumber>& numbers, NumberKind kind, const String& read) {
    if (String number = softphone::TrimBlanks(read); !number.empty()) {
        numbers.push_back({kind, std::move(number)});
    }
}

std::vector<ContactNumber> NumbersOfExchangeUser(host::ExchangeUser& user) {
    std::vector<ContactNumber> numbers;
    AddNumber(numbers, NumberKind::Business, user.BusinessTelephoneNumber());
    AddNumber(numbers, NumberKind::Mobile, user.MobileTelephoneNumber());
    return numbers;
}

// The contact that holds the address, found by Outlook in one search of the folder.
std::vector<ContactNumber> NumbersByAddress(const String& address, const SessionOf& session) {
    if (address.empty()) {
        return {};
    }
    const auto folder = must(session()).GetDefaultFolder(host::olFolderContacts);
    const auto found = must(must(folder).Items()).Find(ContactByAddressFilter(address));
    const auto contact = found ? ContactOf(found) : nullptr;
    return contact ? ReadContactNumbers(*contact) : std::vector<ContactNumber>{};
}

}  // namespace

std::shared_ptr<host::AddressEntry> PersonOfMail(host::MailItem& mail, const SessionOf& session) {
    const auto sender = mail.Sender();
    if (!sender) {
        return nullptr;
    }
    return SentByTheUser(*sender, session) ? FirstToRecipient(mail) : sender;
}

std::vector<ContactNumber> NumbersOfPerson(host::AddressEntry& person, const SessionOf& session) {
    if (const auto contact = person.GetContact()) {
        if (auto numbers = ReadContactNumbers(*contact); !numbers.empty()) {
            return numbers;
        }
    }
    const auto user = person.GetExchangeUser();
    if (user) {
        if (auto numbers = NumbersOfExchangeUser(*user); !numbers.empty()) {
            return numbers;
        }
    }
    // An Exchange address is no internet address: the user's primary one stands for it.
    String address;
    if (user) {
        address = user->PrimarySmtpAddress();
    } else if (platform::equalsIgnoringAsciiCase(person.Type(), u"SMTP")) {
        address = person.Address();
    }
    return NumbersByAddress(address, session);
}

String ContactByAddressFilter(const String& address) {
    String quoted;
    for (char16_t c : address) {
        quoted.push_back(c);
        if (c == u'\'') {
            quoted.push_back(c);
        }
    }
    String filter;
    for (const char16_t* field : {u"[Email1Address]", u"[Email2Address]", u"[Email3Address]"}) {
        filter += (filter.empty() ? u"" : u" OR ") + String(field) + u" = '" + quoted + u"'";
    }
    return filter;
}

}  // namespace tessaly::explorer
