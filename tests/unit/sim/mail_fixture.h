// A profile with the people behind mails: contacts with e-mail addresses, the session's user,
// and an Inbox with a mail of each kind the add-in tells apart.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/outlook/mail.h"
#include "platform/utf.h"
#include "tests/unit/support/call_log.h"

namespace tessaly::host::sim::testing {

class MailTest : public ::testing::Test {
  public:
    MailTest() {
        contacts = world.AddFolder(u"Contacts");
        inbox = world.AddFolder(u"Inbox");
        world.SetDefaultContactsFolder(contacts);
        alma = contact(u"Alma Reyes", u"alma@example.com", 1);
        bruno = contact(u"Bruno Castellani", u"Bruno.C@Example.COM", 2);
        sessionUser =
            world.SetCurrentUser({u"Sam Doe", u"sam@example.com", kSmtpType, nullptr, {}});

        fromContact =
            mail(u"From a contact",
                 AddressEntryData{u"Alma Reyes", u"alma@example.com", kSmtpType, alma, {}});
        fromExchange =
            mail(u"From Exchange",
                 AddressEntryData{
                     u"Kai Berg", u"/o=Example/cn=Recipients/cn=kai", kExchangeType, nullptr,
                     ExchangeUserData{u"+1 555 0100", u"+1 555 0101", u"kai.berg@example.com"}});
        fromAddress = mail(
            u"From an address",
            AddressEntryData{u"B. Castellani", u"bruno.c@example.com", kSmtpType, nullptr, {}});
        MailData sentData{u"Sent", sessionUser->entry()->data(), {}};
        sentData.recipients = {{{u"Chen Wei", u"chen@example.com", kSmtpType, nullptr, {}}, olCC},
                               {{u"Alma Reyes", u"alma@example.com", kSmtpType, alma, {}}, olTo}};
        sent = world.AddMail(*inbox, sentData);
        draft = world.AddMail(*inbox, MailData{u"Draft", std::nullopt, {}});
    }

    std::shared_ptr<SimContact> contact(const String& name, const String& email, std::size_t slot) {
        auto made = world.AddContact(*contacts, name, {{u"MobileTelephoneNumber", u"+1 555"}});
        made->setEmailAddress(slot, email);
        return made;
    }

    std::shared_ptr<SimMail> mail(const String& subject, AddressEntryData sender) {
        return world.AddMail(*inbox, MailData{subject, std::move(sender), {}});
    }

    World world;
    tessaly::testing::CallLog trace{world};
    std::shared_ptr<SimFolder> contacts;
    std::shared_ptr<SimFolder> inbox;
    std::shared_ptr<SimContact> alma;
    std::shared_ptr<SimContact> bruno;
    std::shared_ptr<SimRecipient> sessionUser;
    std::shared_ptr<SimMail> fromContact;
    std::shared_ptr<SimMail> fromExchange;
    std::shared_ptr<SimMail> fromAddress;
    std::shared_ptr<SimMail> sent;
    std::shared_ptr<SimMail> draft;
};

}  // namespace tessaly::host::sim::testing
