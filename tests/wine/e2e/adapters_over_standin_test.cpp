// The add-in's IDispatch adapters (host/dispatch) over the stand-in host's COM objects: each
// call the add-in makes is one call of the simulated Outlook, so that a host call failing once
// fails the add-in's call once, as it does in tessaly-sim, where the add-in calls the model
// directly.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/dispatch/outlook.h"
#include "outlook_objects.h"

namespace tessaly::standin {
namespace {

namespace d = host::dispatch;
namespace sim = host::sim;

// How often each operation of the model was called while attached.
class CallCounter final : public sim::TraceSink {
  public:
    void Call(const sim::CallRecord& call) override { ++calls[call.operation]; }
    void Event(const std::string&) override {}
    std::map<std::string, int> calls;
};

class AdaptersOverStandin : public ::testing::Test {
  protected:
    AdaptersOverStandin() : server(world) {
        contacts = world.AddFolder(u"Contacts");
        world.AddContact(*contacts, u"Alma Reyes",
                         {{u"MobileTelephoneNumber", u"+44 7700 900101"}});
        window = world.OpenExplorer(contacts);
        world.setTrace(&counter);
    }
    ~AdaptersOverStandin() override { world.setTrace(nullptr); }

    std::shared_ptr<host::Explorer> explorer() { return d::WrapExplorer(server.wrap(window)); }
    std::shared_ptr<host::ContactItem> contact() {
        return std::dynamic_pointer_cast<host::ContactItem>(
            d::WrapItem(server.wrap(contacts->items().front())));
    }

    sim::World world;
    CallCounter counter;
    Server server;
    std::shared_ptr<sim::SimFolder> contacts;
    std::shared_ptr<sim::SimExplorer> window;
};

// The subscription to a window's events and the item's type name each have a second way in
// COM (the older event interface; the interface's type instead of the class): a refusal of
// the first is the add-in's failure, not a reason to ask Outlook again.
TEST_F(AdaptersOverStandin, OneFailingHostCallIsOneFailingAddinCall) {
    struct Case {
        const char* operation;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"Explorer.Advise", [&] { explorer()->Advise(std::make_shared<host::ExplorerEvents>()); }},
        {"Item.TypeName", [&] { EXPECT_EQ(contact()->TypeName(), u"ContactItem"); }},
        {"Explorer.CommandBars", [&] { explorer()->CommandBars(); }},
        {"ContactItem.MobileTelephoneNumber",
         [&] { EXPECT_EQ(contact()->MobileTelephoneNumber(), u"+44 7700 900101"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        counter.calls.clear();
        world.faults().Fail(c.operation, 1);
        EXPECT_THROW(c.call(), Error);
        EXPECT_EQ(counter.calls[c.operation], 1) << "Outlook asked more than once";
        c.call();
        world.flushTrace();  // a call that returns nothing is reported with the next one
        EXPECT_EQ(counter.calls[c.operation], 2);
    }
    EXPECT_EQ(window->connections(), 0u) << "a subscription outlived its adapter";
}

// The adapters look names up once per type, through the item's type information: that is no
// call of Outlook's object model, and no failure armed for the type name is spent on it.
TEST_F(AdaptersOverStandin, ReadingAnItemAsksNoTypeName) {
    world.faults().Fail("Item.TypeName", 1);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(contact()->MobileTelephoneNumber(), u"+44 7700 900101");
    }
    EXPECT_EQ(counter.calls["Item.TypeName"], 0);
    EXPECT_THROW(contact()->TypeName(), Error);
}

}  // namespace
}  // namespace tessaly::standin
