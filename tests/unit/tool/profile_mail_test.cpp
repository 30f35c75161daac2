// The profile's people: contacts' e-mail addresses, mails' senders and recipients, the
// session's user; how they are read, built into the world, and refused.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/frontend/default_profile.h"
#include "harness/frontend/profile.h"
#include "harness/outlook/mail.h"

namespace tessaly::frontend {
namespace {

namespace sim = host::sim;

// A Contacts folder on line 2, the Inbox's items from line 4 on, then the current user.
std::string WithInbox(const std::string& items, bool withUser = true) {
    return "{ \"folders\": [\n"
           "  { \"name\": \"Contacts\", \"items\": [ { \"type\": \"ContactItem\", \"name\": "
           "\"Ada\" }, { \"type\": \"DistListItem\", \"name\": \"Team\" } ] },\n"
           "  { \"name\": \"Inbox\", \"items\": [\n" +
           items + " ] } ]" +
           (withUser ? ",\n  \"currentUser\": { \"name\": \"Me\", \"address\": \"me@example.com\" }"
                     : "") +
           " }";
}

TEST(MailProfile, ReadsMailsAddressesAndTheUser) {
    const Profile p = ParseProfile(WithInbox(
        R"({ "type": "MailItem", "name": "a", "sender": { "name": "Kai", "address": "/o=X/cn=kai",
             "exchangeUser": { "business": "1", "smtp": "kai@example.com" } },
             "recipients": [ { "name": "Ada", "address": "ada@example.com", "type": "BCC",
                               "contact": "Ada" } ] },
           { "type": "MailItem", "name": "b", "sent": true },
           { "type": "MailItem", "name": "c" })"));
    const auto& items = p.folders[1].items;
    ASSERT_EQ(items.size(), 3u);
    const ProfileMail& received = *items[0].mail;
    ASSERT_TRUE(received.sender);
    EXPECT_EQ(received.sender->type, "EX");
    EXPECT_EQ(received.sender->exchangeUser->business, "1");
    EXPECT_EQ(received.sender->exchangeUser->mobile, "");
    ASSERT_EQ(received.recipients.size(), 1u);
    EXPECT_EQ(received.recipients[0].type, 3);
    EXPECT_EQ(received.recipients[0].entry.type, "SMTP");
    EXPECT_EQ(received.recipients[0].entry.contact, "Ada");
    EXPECT_TRUE(items[1].mail->sent);
    EXPECT_FALSE(items[1].mail->sender);
    EXPECT_FALSE(items[2].mail->sent);
    EXPECT_FALSE(items[2].mail->sender);
    ASSERT_TRUE(p.currentUser);
    EXPECT_EQ(p.currentUser->address, "me@example.com");
}

// A mail may name a contact of a folder that comes after its own.
TEST(MailProfile, BuildsMailsThatPointAtContactsOfLaterFolders) {
    const Profile p = ParseProfile(R"({ "folders": [
      { "name": "Inbox", "items": [
          { "type": "MailItem", "name": "hello",
            "sender": { "name": "Ada", "address": "ada@example.com", "contact": "Ada" } },
          { "type": "MailItem", "name": "mine", "sent": true } ] },
      { "name": "Contacts", "items": [
          { "type": "ContactItem", "name": "Ada", "Email2Address": "Ada@Example.com" } ] } ],
      "currentUser": { "name": "Me", "address": "/o=X/cn=me",
                       "exchangeUser": { "smtp": "me@example.com" } } })");
    sim::World world;
    PopulateWorld(p, world);
    const auto inbox = world.FindFolder(u"Inbox");
    const auto contacts = world.FindFolder(u"Contacts");
    const auto hello = std::dynamic_pointer_cast<sim::SimMail>(inbox->items()[0]);
    ASSERT_TRUE(hello);
    EXPECT_TRUE(host::SameObject(hello->sender()->GetContact(), contacts->items()[0]));
    EXPECT_TRUE(host::SameObject(contacts->Items()->Find(u"[Email2Address] = 'ada@example.com'"),
                                 contacts->items()[0]));

    const auto mine = std::dynamic_pointer_cast<sim::SimMail>(inbox->items()[1]);
    ASSERT_TRUE(mine && mine->sender());
    EXPECT_EQ(mine->sender()->data().address, u"/o=X/cn=me");
    EXPECT_EQ(mine->sender()->GetExchangeUser()->PrimarySmtpAddress(), u"me@example.com");
    EXPECT_FALSE(host::SameObject(mine->sender(), world.currentUser()->entry()));
}

// The bundled profile shows a mail of each kind the add-in tells apart.
TEST(MailProfile, BundledInboxHasAMailOfEachKind) {
    sim::World world;
    PopulateWorld(ParseProfile(DefaultProfileText()), world);
    const auto inbox = world.FindFolder(u"Inbox");
    const auto mail = [&](const char16_t* name) {
        return std::dynamic_pointer_cast<sim::SimMail>(inbox->findItem(name));
    };
    const auto contacts = world.defaultContactsFolder();

    EXPECT_TRUE(host::SameObject(mail(u"Welcome to the team")->sender()->GetContact(),
                                 contacts->findItem(u"Alma Reyes")));
    const auto exchange = mail(u"Quarterly figures")->sender();
    EXPECT_EQ(exchange->Type(), u"EX");
    EXPECT_EQ(exchange->GetExchangeUser()->BusinessTelephoneNumber(), u"+1 212 555 0142");

    const auto address = mail(u"Order 4711")->sender();
    EXPECT_FALSE(address->GetContact());
    const host::String quoted = u"'" + address->Address() + u"'";
    EXPECT_TRUE(host::SameObject(
        contacts->Items()->Find(u"[Email1Address] = " + quoted + u" OR [Email2Address] = " +
                                quoted + u" OR [Email3Address] = " + quoted),
        contacts->findItem(u"Bruno Castellani")));

    const auto sent = mail(u"Re: Travel plans");
    EXPECT_EQ(sent->sender()->Address(), world.session()->CurrentUser()->Address());
    ASSERT_EQ(sent->recipients().size(), 2u);
    EXPECT_EQ(sent->recipients()[0]->type(), sim::olCC);
    EXPECT_TRUE(host::SameObject(sent->recipients()[1]->entry()->GetContact(),
                                 contacts->findItem(u"Chen Wei")));
    EXPECT_FALSE(mail(u"Notes for Monday")->sender());
}

// The example --help gives is a profile the loader takes, mails and all.
TEST(MailProfile, HelpExampleIsAValidProfile) {
    const std::string help = ProfileSummary();
    const std::size_t start = help.find('{');
    const std::size_t end = help.find("\n  \"folders\" (required)");
    ASSERT_NE(end, std::string::npos);
    sim::World world;
    PopulateWorld(ParseProfile(help.substr(start, end - start)), world);
    const auto inbox = world.FindFolder(u"Inbox");
    ASSERT_TRUE(inbox);
    EXPECT_EQ(inbox->items().size(), 4u);
}

struct BadPeople {
    const char* name;
    std::string text;
    int line;
    const char* message;  // a prefix of the message
};
void PrintTo(const BadPeople& c, std::ostream* os) {
    *os << c.name;
}

class BadPeopleProfiles : public ::testing::TestWithParam<BadPeople> {};

TEST_P(BadPeopleProfiles, AreRejectedAtTheOffendingLine) {
    try {
        ParseProfile(GetParam().text);
        FAIL() << "accepted";
    } catch (const LineError& e) {
        EXPECT_EQ(e.line(), GetParam().line) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().message, 0), 0u) << e.what();
    }
}

// A mail on line 4 with a sender whose keys follow on line 5.
std::string Sender(const std::string& keys) {
    return WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"sender\": {\n" + keys + " } }");
}

INSTANTIATE_TEST_SUITE_P(
    Profile, BadPeopleProfiles,
    ::testing::Values(
        BadPeople{
            "EmailOnMail",
            WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"Email1Address\": \"a@b\" }"), 4,
            "e-mail addresses belong to a ContactItem, not a MailItem"},
        BadPeople{"EmailNotString",
                  WithInbox("{ \"type\": \"ContactItem\", \"name\": \"c\",\n"
                            "\"Email2Address\": 2 }"),
                  5, "\"Email2Address\" must be a string, not a number"},
        BadPeople{"SenderOnContact",
                  WithInbox("{ \"type\": \"ContactItem\", \"name\": \"c\",\n\"sent\": true }"), 5,
                  "\"sent\" belongs to a MailItem, not a ContactItem"},
        BadPeople{"SenderWithoutAddress", Sender("\"name\": \"x\""), 4,
                  "a mail's \"sender\" has no \"address\""},
        BadPeople{"UnknownSenderKey", Sender("\"name\": \"x\", \"phone\": \"1\""), 5,
                  "unknown key \"phone\" in a mail's \"sender\""},
        BadPeople{"BadEntryType",
                  Sender("\"name\": \"x\", \"address\": \"a@b\", \"type\": \"X400\""), 5,
                  "an entry's \"type\" must be \"SMTP\" or \"EX\", not \"X400\""},
        BadPeople{"SmtpTypeWithExchangeAddress",
                  Sender("\"name\": \"x\", \"type\": \"SMTP\",\n\"address\": \"/o=X/cn=x\""), 6,
                  "an SMTP entry's \"address\" must be name@domain"},
        BadPeople{"ExchangeTypeWithSmtpAddress",
                  Sender("\"name\": \"x\", \"type\": \"EX\",\n\"address\": \"x@example.com\""), 6,
                  "an Exchange (\"EX\") entry's \"address\" is its Exchange address"},
        BadPeople{"ExchangeUserOnSmtp",
                  Sender("\"name\": \"x\", \"address\": \"x@example.com\",\n"
                         "\"exchangeUser\": {} "),
                  6, "only an Exchange (\"EX\") entry has an \"exchangeUser\""},
        BadPeople{"ExchangeUserBadSmtp",
                  Sender("\"name\": \"x\", \"address\": \"/o=X\", \"exchangeUser\": {\n"
                         "\"smtp\": \"x\" }"),
                  6, "\"smtp\" must be an SMTP address (name@domain), not \"x\""},
        BadPeople{"UnknownExchangeUserKey",
                  Sender("\"name\": \"x\", \"address\": \"/o=X\", \"exchangeUser\": {\n"
                         "\"fax\": \"1\" }"),
                  6, "unknown key \"fax\" in an \"exchangeUser\""},
        BadPeople{"RecipientBadType",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"recipients\": [\n"
                            "{ \"name\": \"x\", \"address\": \"x@b.c\", \"type\": \"Bcc\" } ] }"),
                  5, "a recipient's \"type\" must be \"To\", \"CC\" or \"BCC\", not \"Bcc\""},
        BadPeople{"RecipientsNotArray",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\",\n\"recipients\": {} }"), 5,
                  "\"recipients\" must be an array, not an object"},
        BadPeople{"SentAndSender",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"sent\": true,\n"
                            "\"sender\": { \"name\": \"x\", \"address\": \"x@b.c\" } }"),
                  5, "a sent mail's sender is the current user: give \"sender\" or \"sent\""},
        BadPeople{"SentAndDraft",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"sent\": true,\n"
                            "\"draft\": true }"),
                  5, "a mail is either \"sent\" or a \"draft\", not both"},
        BadPeople{"DraftWithSender",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\", \"draft\": true,\n"
                            "\"sender\": { \"name\": \"x\", \"address\": \"x@b.c\" } }"),
                  5, "a draft has no \"sender\""},
        BadPeople{"SentNotBoolean",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\",\n\"sent\": \"yes\" }"), 5,
                  "\"sent\" must be a boolean, not a string"},
        BadPeople{"SentWithoutUser",
                  WithInbox("{ \"type\": \"MailItem\", \"name\": \"m\",\n\"sent\": true }", false),
                  5, "a sent mail's sender is the current user, and the profile has no"},
        BadPeople{"UnknownContact",
                  Sender("\"name\": \"x\", \"address\": \"x@b.c\",\n\"contact\": \"Ghost\""), 6,
                  "no contact \"Ghost\" in the profile"},
        BadPeople{"ContactNamesAnotherType",
                  Sender("\"name\": \"x\", \"address\": \"x@b.c\",\n\"contact\": \"Team\""), 6,
                  "\"contact\" names \"Team\", a DistListItem, not a ContactItem"},
        BadPeople{
            "ContactInTwoFolders",
            WithInbox("{ \"type\": \"ContactItem\", \"name\": \"Ada\" },\n"
                      "{ \"type\": \"MailItem\", \"name\": \"m\", \"recipients\": [ {\n"
                      "\"name\": \"Ada\", \"address\": \"a@b.c\", \"contact\": \"Ada\" } ] }"),
            6, "\"contact\" names \"Ada\", and more than one folder has a contact"},
        BadPeople{"CurrentUserNotObject", "{ \"folders\": [],\n\"currentUser\": \"me\" }", 2,
                  "\"currentUser\" must be an object, not a string"},
        BadPeople{"CurrentUserWithoutName",
                  "{ \"folders\": [],\n\"currentUser\": { \"address\": \"me@b.c\" } }", 2,
                  "\"currentUser\" has no \"name\""},
        BadPeople{"CurrentUserUnknownContact",
                  "{ \"folders\": [], \"currentUser\": { \"name\": \"Me\",\n"
                  "\"address\": \"me@b.c\", \"contact\": \"Me\" } }",
                  2, "no contact \"Me\" in the profile"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tessaly::frontend
