// The people behind a mail as the host interfaces give them: senders of each kind, sent mails
// and drafts, recipients, the session's user, and the trace and faults of each new member.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/unit/sim/mail_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

std::shared_ptr<MailItem> AsMail(const std::shared_ptr<Item>& item) {
    return std::dynamic_pointer_cast<MailItem>(item);
}

// ---- Senders -----------------------------------------------------------------------------

struct SenderCase {
    const char* name;
    std::shared_ptr<SimMail> MailTest::*mail;
    const char16_t* senderName;
    const char16_t* address;
    const char16_t* type;
    std::shared_ptr<SimContact> MailTest::*contact;  // null: GetContact gives nothing
    std::optional<ExchangeUserData> exchangeUser;
};
void PrintTo(const SenderCase& c, std::ostream* os) {
    *os << c.name;
}

class SenderTest : public MailTest, public ::testing::WithParamInterface<SenderCase> {};

TEST_P(SenderTest, GivesTheEntryAndWhatItStandsFor) {
    const SenderCase& c = GetParam();
    const auto mail = AsMail(this->*c.mail);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->TypeName(), u"MailItem");
    const auto sender = mail->Sender();
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->Name(), c.senderName);
    EXPECT_EQ(sender->Address(), c.address);
    EXPECT_EQ(sender->Type(), c.type);
    const auto contact = sender->GetContact();
    if (c.contact) {
        EXPECT_TRUE(SameObject(contact, this->*c.contact));
    } else {
        EXPECT_FALSE(contact);
    }
    const auto exchange = sender->GetExchangeUser();
    ASSERT_EQ(exchange != nullptr, c.exchangeUser.has_value());
    if (exchange) {
        EXPECT_EQ(exchange->BusinessTelephoneNumber(), c.exchangeUser->businessTelephoneNumber);
        EXPECT_EQ(exchange->MobileTelephoneNumber(), c.exchangeUser->mobileTelephoneNumber);
        EXPECT_EQ(exchange->PrimarySmtpAddress(), c.exchangeUser->primarySmtpAddress);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mail, SenderTest,
    ::testing::Values(SenderCase{"Contact", &MailTest::fromContact, u"Alma Reyes",
                                 u"alma@example.com", u"SMTP", &MailTest::alma, std::nullopt},
                      SenderCase{"ExchangeUser", &MailTest::fromExchange, u"Kai Berg",
                                 u"/o=Example/cn=Recipients/cn=kai", u"EX", nullptr,
                                 ExchangeUserData{u"+1 555 0100", u"+1 555 0101",
                                                  u"kai.berg@example.com"}},
                      SenderCase{"SmtpAddressOnly", &MailTest::fromAddress, u"B. Castellani",
                                 u"bruno.c@example.com", u"SMTP", nullptr, std::nullopt},
                      SenderCase{"SentByTheUser", &MailTest::sent, u"Sam Doe", u"sam@example.com",
                                 u"SMTP", nullptr, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

// The add-in can tell a sent mail only by the values: Outlook hands out another object.
TEST_F(MailTest, SentMailsSenderIsTheCurrentUserByValueNotByIdentity) {
    const auto current = world.session()->CurrentUser();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->Name(), u"Sam Doe");
    EXPECT_EQ(current->Address(), u"sam@example.com");
    const auto entry = current->AddressEntry();
    const auto sender = AsMail(sent)->Sender();
    EXPECT_EQ(sender->Address(), entry->Address());
    EXPECT_EQ(sender->Type(), entry->Type());
    EXPECT_FALSE(SameObject(sender, entry));
}

TEST_F(MailTest, RecipientsKeepTheirOrderTypesAndEntries) {
    const auto recipients = AsMail(sent)->Recipients();
    ASSERT_EQ(recipients->Count(), 2);
    EXPECT_EQ(recipients->Item(1)->Type(), olCC);
    const auto to = recipients->Item(2);
    EXPECT_EQ(to->Type(), olTo);
    EXPECT_EQ(to->Name(), u"Alma Reyes");
    EXPECT_EQ(to->Address(), u"alma@example.com");
    EXPECT_TRUE(SameObject(to->AddressEntry()->GetContact(), alma));
    EXPECT_EQ(recipients->Item(1)->AddressEntry()->GetContact(), nullptr);

    for (const std::int32_t index : {0, 3, -1}) {
        try {
            recipients->Item(index);
            FAIL() << "index " << index << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), kDISP_E_BADINDEX);
        }
        EXPECT_TRUE(trace.calls().back().failed);
    }
}

TEST_F(MailTest, DraftHasNoSenderAndTheTraceSaysNothing) {
    trace.clear();
    EXPECT_EQ(AsMail(draft)->Sender(), nullptr);
    ASSERT_EQ(trace.calls().size(), 1u);
    EXPECT_EQ(TraceLine(trace.calls()[0]), "call MailItem.Sender -> Nothing");
    EXPECT_EQ(AsMail(draft)->Recipients()->Count(), 0);
}

// Outlook's mails are mails wherever they come from: a profile's item of type MailItem too.
TEST_F(MailTest, AnItemOfTypeMailItemIsAMailNotSentYet) {
    const auto item = world.AddItem(*inbox, u"MailItem", u"Plain");
    const auto mail = AsMail(item);
    ASSERT_TRUE(mail);
    EXPECT_EQ(item->TypeName(), u"MailItem");
    EXPECT_EQ(mail->Sender(), nullptr);
    EXPECT_TRUE(SameObject(inbox->findItem(u"Plain"), item));
    EXPECT_TRUE(SameObject(inbox->findItem(u"Sent"), sent));
    EXPECT_FALSE(AsMail(world.AddItem(*inbox, u"DistListItem", u"Team")));
}

TEST(MailWorld, CurrentUserFailsWithoutOne) {
    World world;
    tessaly::testing::CallLog trace(world);
    EXPECT_THROW(world.session()->CurrentUser(), Error);
    ASSERT_EQ(trace.calls().size(), 1u);
    EXPECT_EQ(TraceLine(trace.calls()[0]), "call NameSpace.CurrentUser -> failed 0x80004005");
}

// ---- Faults and the trace ------------------------------------------------------------------

struct MailCall {
    const char* operation;
    std::function<void(MailTest&)> call;
    const char* result;  // as the trace gives it on a fresh world
};
void PrintTo(const MailCall& c, std::ostream* os) {
    *os << c.operation;
}

class MailCallTest : public MailTest, public ::testing::WithParamInterface<MailCall> {};

TEST_P(MailCallTest, FailsWhenArmedThenRecoversAndIsTraced) {
    const MailCall& c = GetParam();
    world.faults().Fail(c.operation, 1, kE_INVALIDARG);
    trace.clear();
    try {
        c.call(*this);
        FAIL() << "the armed failure did not reach the call";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), kE_INVALIDARG);
    }
    EXPECT_NO_THROW(c.call(*this));
    std::vector<CallRecord> own;
    for (const CallRecord& call : trace.calls()) {
        if (call.operation == c.operation) {
            own.push_back(call);
        }
    }
    ASSERT_EQ(own.size(), 2u);
    EXPECT_TRUE(own[0].failed);
    EXPECT_FALSE(own[1].failed);
    EXPECT_EQ(own[1].result, c.result);
}

ExchangeUser& Kai(MailTest& fx) {
    return *fx.fromExchange->sender()->GetExchangeUser();
}
Recipient& SecondOfSent(MailTest& fx) {
    return *fx.sent->recipients()[1];
}

INSTANTIATE_TEST_SUITE_P(
    Mail, MailCallTest,
    ::testing::Values(
        MailCall{"MailItem.Sender", [](MailTest& fx) { fx.fromContact->Sender(); },
                 "AddressEntry#1"},
        MailCall{"MailItem.Recipients", [](MailTest& fx) { fx.sent->Recipients(); },
                 "Recipients#1"},
        MailCall{"Item.TypeName", [](MailTest& fx) { fx.draft->TypeName(); }, "\"MailItem\""},
        MailCall{"Recipients.Count", [](MailTest& fx) { fx.sent->Recipients()->Count(); }, "2"},
        MailCall{"Recipients.Item", [](MailTest& fx) { fx.sent->Recipients()->Item(2); },
                 "Recipient#1"},
        MailCall{"Recipient.Name", [](MailTest& fx) { SecondOfSent(fx).Name(); }, "\"Alma Reyes\""},
        MailCall{"Recipient.Address", [](MailTest& fx) { SecondOfSent(fx).Address(); },
                 "\"alma@example.com\""},
        MailCall{"Recipient.Type", [](MailTest& fx) { SecondOfSent(fx).Type(); }, "1"},
        MailCall{"Recipient.AddressEntry", [](MailTest& fx) { SecondOfSent(fx).AddressEntry(); },
                 "AddressEntry#1"},
        MailCall{"AddressEntry.Name", [](MailTest& fx) { fx.fromExchange->sender()->Name(); },
                 "\"Kai Berg\""},
        MailCall{"AddressEntry.Address", [](MailTest& fx) { fx.fromAddress->sender()->Address(); },
                 "\"bruno.c@example.com\""},
        MailCall{"AddressEntry.Type", [](MailTest& fx) { fx.fromExchange->sender()->Type(); },
                 "\"EX\""},
        MailCall{"AddressEntry.GetContact",
                 [](MailTest& fx) { fx.fromContact->sender()->GetContact(); }, "ContactItem#1"},
        MailCall{"AddressEntry.GetExchangeUser",
                 [](MailTest& fx) { fx.fromAddress->sender()->GetExchangeUser(); }, "Nothing"},
        MailCall{"ExchangeUser.BusinessTelephoneNumber",
                 [](MailTest& fx) { Kai(fx).BusinessTelephoneNumber(); }, "\"+1 555 0100\""},
        MailCall{"ExchangeUser.MobileTelephoneNumber",
                 [](MailTest& fx) { Kai(fx).MobileTelephoneNumber(); }, "\"+1 555 0101\""},
        MailCall{"ExchangeUser.PrimarySmtpAddress",
                 [](MailTest& fx) { Kai(fx).PrimarySmtpAddress(); }, "\"kai.berg@example.com\""},
        MailCall{"NameSpace.CurrentUser", [](MailTest& fx) { fx.world.session()->CurrentUser(); },
                 "Recipient#1"},
        MailCall{"MAPIFolder.Items", [](MailTest& fx) { fx.contacts->Items(); }, "Items#1"},
        MailCall{"Items.Find",
                 [](MailTest& fx) {
                     fx.contacts->Items()->Find(u"[Email2Address] = 'bruno.c@example.com'");
                 },
                 "ContactItem#1"}),
    [](const auto& p) {
        std::string name = p.param.operation;
        std::erase(name, '.');
        return name;
    });

}  // namespace
}  // namespace tessaly::host::sim::testing
