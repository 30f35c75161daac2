// The add-in's mail adapters (host/dispatch) over the stand-in host's mail objects: reading a
// mail's people through COM gives what the model gives, with the same calls of the model in
// the same order, so tessaly-sim and the stand-in host agree on mails.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/dispatch/mail.h"
#include "host/dispatch/outlook.h"
#include "outlook_objects.h"
#include "platform/utf.h"
#include "tests/unit/sim/mail_fixture.h"

namespace tessaly::standin {
namespace {

namespace d = host::dispatch;
namespace sim = host::sim;

std::string Utf8(const host::String& text) {
    return platform::toPrintableUtf8(text);
}

// Everything the add-in may read of an address book entry, in one line.
std::string DescribeEntry(host::AddressEntry& entry) {
    std::string out = Utf8(entry.Name()) + " <" + Utf8(entry.Address()) + "> " + Utf8(entry.Type());
    if (const auto contact = entry.GetContact()) {
        out += " contact " + Utf8(contact->MobileTelephoneNumber());
    }
    if (const auto user = entry.GetExchangeUser()) {
        out += " exchange " + Utf8(user->BusinessTelephoneNumber()) + " " +
               Utf8(user->MobileTelephoneNumber()) + " " + Utf8(user->PrimarySmtpAddress());
    }
    return out;
}

std::string DescribeMail(host::MailItem& mail) {
    std::string out = Utf8(mail.TypeName()) + "; from ";
    const auto sender = mail.Sender();
    out += sender ? DescribeEntry(*sender) : "nobody";
    const auto recipients = mail.Recipients();
    const std::int32_t count = recipients->Count();
    for (std::int32_t i = 1; i <= count; ++i) {
        const auto recipient = recipients->Item(i);
        out += "; " + std::to_string(recipient->Type()) + " " + Utf8(recipient->Name()) + " <" +
               Utf8(recipient->Address()) + "> " + DescribeEntry(*recipient->AddressEntry());
    }
    return out;
}

// The model's operations, in order, while attached.
class Operations final : public sim::TraceSink {
  public:
    void Call(const sim::CallRecord& call) override {
        list.push_back(call.operation + "(" + call.arguments + ")" +
                       (call.failed ? " failed" : ""));
    }
    void Event(const std::string&) override {}
    std::vector<std::string> list;
};

class MailOverStandin : public sim::testing::MailTest {
  protected:
    MailOverStandin() : server(world) { world.setTrace(&operations); }
    ~MailOverStandin() override {
        world.setTrace(nullptr);
        EXPECT_TRUE(server.registry().live().empty()) << "a COM object outlived its adapter";
    }

    std::shared_ptr<host::MailItem> overCom(const std::shared_ptr<sim::SimMail>& mail) {
        return std::dynamic_pointer_cast<host::MailItem>(d::WrapItem(server.wrap(mail)));
    }
    // What `read` gives and the operations it costs.
    template <class F>
    std::pair<std::string, std::vector<std::string>> traced(F&& read) {
        operations.list.clear();
        std::string value = read();
        world.flushTrace();
        return {value, operations.list};
    }

    Operations operations;
    Server server;
};

TEST_F(MailOverStandin, EveryKindOfMailReadsAlikeWithTheSameHostCalls) {
    for (const auto& mail : {fromContact, fromExchange, fromAddress, sent, draft}) {
        SCOPED_TRACE(Utf8(mail->name()));
        const auto direct = traced([&] { return DescribeMail(*mail); });
        const auto com = traced([&] { return DescribeMail(*overCom(mail)); });
        EXPECT_EQ(com.first, direct.first);
        EXPECT_EQ(com.second, direct.second);
    }
}

TEST_F(MailOverStandin, FindAndTheCurrentUserReadAlike) {
    const auto read = [](host::NameSpace& session) {
        const auto me = session.CurrentUser();
        std::string out = Utf8(me->Name()) + " " + DescribeEntry(*me->AddressEntry());
        const auto items = session.GetDefaultFolder(host::olFolderContacts)->Items();
        const auto found = std::dynamic_pointer_cast<host::ContactItem>(
            items->Find(u"[Email1Address] = 'x' OR [Email2Address] = 'BRUNO.c@example.com'"));
        out += found ? " found " + Utf8(found->TypeName()) : " none";
        out += items->Find(u"[Email3Address] = 'nobody@example.com'") ? " found" : " none";
        return out;
    };
    const auto direct = traced([&] { return read(*world.session()); });
    const auto com = traced([&] { return read(*d::WrapNameSpace(server.wrap(world.session()))); });
    EXPECT_EQ(com.first, direct.first);
    EXPECT_EQ(com.second, direct.second);
}

// A condition the model refuses, and each new member failing once, fail the add-in's call
// once with the host's code, as they do in tessaly-sim.
TEST_F(MailOverStandin, OneFailingHostCallIsOneFailingAddinCall) {
    struct Case {
        const char* operation;
        std::function<void()> call;
    };
    const auto session = [&] { return d::WrapNameSpace(server.wrap(world.session())); };
    const Case cases[] = {
        {"MailItem.Sender", [&] { overCom(fromContact)->Sender(); }},
        {"MailItem.Recipients", [&] { overCom(sent)->Recipients(); }},
        {"Recipients.Item", [&] { overCom(sent)->Recipients()->Item(2); }},
        {"Recipient.AddressEntry", [&] { overCom(sent)->Recipients()->Item(2)->AddressEntry(); }},
        {"AddressEntry.GetContact", [&] { overCom(fromContact)->Sender()->GetContact(); }},
        {"AddressEntry.GetExchangeUser",
         [&] { overCom(fromExchange)->Sender()->GetExchangeUser(); }},
        {"ExchangeUser.PrimarySmtpAddress",
         [&] { overCom(fromExchange)->Sender()->GetExchangeUser()->PrimarySmtpAddress(); }},
        {"NameSpace.CurrentUser", [&] { session()->CurrentUser(); }},
        {"MAPIFolder.Items", [&] { session()->GetDefaultFolder(host::olFolderContacts)->Items(); }},
        {"Items.Find",
         [&] {
             session()
                 ->GetDefaultFolder(host::olFolderContacts)
                 ->Items()
                 ->Find(u"[Email1Address] = 'alma@example.com'");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        world.faults().Fail(c.operation, 1, kE_INVALIDARG);
        const auto failing = traced([&] {
            try {
                c.call();
            } catch (const Error& e) {
                return std::to_string(e.code());
            }
            return std::string("no failure");
        });
        EXPECT_EQ(failing.first, std::to_string(kE_INVALIDARG));
        EXPECT_EQ(std::count_if(failing.second.begin(), failing.second.end(),
                                [&](const std::string& op) { return op.starts_with(c.operation); }),
                  1)
            << "Outlook asked more than once";
        EXPECT_NO_THROW(c.call());
    }

    const auto items = session()->GetDefaultFolder(host::olFolderContacts)->Items();
    try {
        items->Find(u"[FullName] = 'Alma Reyes'");
        FAIL() << "a condition the model cannot read was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), kE_INVALIDARG);
    }
}

}  // namespace
}  // namespace tessaly::standin
