// The connect class and the window handlers' lifecycle, driven through the simulated host.
#include <gtest/gtest.h>

#include <algorithm>

#include "addin/tessaly.h"
#include "explorer/explorer_handler.h"
#include "harness/outlook/sim_host.h"
#include "tests/unit/support/call_log.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly {
namespace {

using explorer::ExplorerHandler;
using host::sim::SimExplorer;

class ConnectionTest : public ::testing::Test {
  protected:
    // Outlook always shuts the add-in down; without it the handlers and the connect class
    // would keep each other alive.
    void TearDown() override {
        if (addin) {
            addin->IDTExtensibility2_OnBeginShutdown();
            addin->IDTExtensibility2_OnDisconnection();
        }
    }
    std::shared_ptr<SimExplorer> open(bool ready = true) {
        return world.OpenExplorer(folder, ready);
    }
    void connect() {
        addin->IDTExtensibility2_OnConnection(world.application(), host::ConnectMode::Startup);
        addin->IDTExtensibility2_OnStartupComplete();
    }
    std::size_t handlerCount() const { return addin->handlers() ? addin->handlers()->size() : 0; }
    std::shared_ptr<ExplorerHandler> handlerOf(const std::shared_ptr<SimExplorer>& window) const {
        if (!addin->handlers()) {
            return nullptr;
        }
        for (const auto& h : *addin->handlers()) {
            if (host::SameObject(h->explorer(), window)) {
                return h;
            }
        }
        return nullptr;
    }
    std::size_t callsOf(const std::string& operation) {
        return static_cast<std::size_t>(
            std::count_if(trace.calls().begin(), trace.calls().end(),
                          [&](const auto& c) { return c.operation == operation; }));
    }

    host::sim::World world;
    testing::CallLog trace{world};
    std::shared_ptr<host::sim::SimFolder> folder = world.AddFolder(u"Contacts");
    testing::FakePlatform platform;
    Library library{platform.services()};
    std::shared_ptr<Tessaly> addin = Tessaly::Create(library);
};

TEST_F(ConnectionTest, NoWindowAtConnectionThenOneOpened) {
    connect();
    EXPECT_EQ(handlerCount(), 0u);

    auto window = open();
    ASSERT_EQ(handlerCount(), 1u);
    EXPECT_TRUE(handlerOf(window)->attached());
    EXPECT_EQ(window->connections(), 1u);
}

TEST_F(ConnectionTest, OneHandlerPerWindowOpenAtConnection) {
    auto first = open();
    auto second = open();
    connect();

    ASSERT_EQ(handlerCount(), 2u);
    auto a = handlerOf(first);
    auto b = handlerOf(second);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_TRUE(a->attached());
    EXPECT_TRUE(b->attached());
    EXPECT_EQ(first->commandBars()->connections(), 1u);
    EXPECT_EQ(second->commandBars()->connections(), 1u);
}

TEST_F(ConnectionTest, CommandBarsNotReadyUntilFirstActivation) {
    connect();
    auto window = open(/*ready=*/false);

    auto handler = handlerOf(window);
    ASSERT_TRUE(handler) << "Init succeeds although the command bars cannot be had";
    EXPECT_FALSE(handler->attached());
    EXPECT_EQ(window->commandBars()->connections(), 0u);

    world.Activate(*window);
    EXPECT_TRUE(handler->attached());
    EXPECT_TRUE(window->commandBars()->adaptiveMenus());

    world.Activate(*window);
    EXPECT_EQ(callsOf("Explorer.CommandBars"), 2u) << "one failed read at Init, one at activation";
    EXPECT_EQ(callsOf("CommandBars.AdaptiveMenus="), 1u);
    EXPECT_EQ(window->commandBars()->connections(), 1u);
}

TEST_F(ConnectionTest, AttachFailingAfterCommandBarsAreHeldIsNotRetried) {
    world.faults().Fail("CommandBars.AdaptiveMenus=", 1);
    auto window = open();
    connect();

    auto handler = handlerOf(window);
    ASSERT_TRUE(handler);
    EXPECT_TRUE(handler->attached());
    world.Activate(*window);
    EXPECT_EQ(callsOf("Explorer.CommandBars"), 1u);
}

TEST_F(ConnectionTest, ClosingOneOfTwoWindowsDropsExactlyItsHandler) {
    auto first = open();
    auto second = open();
    connect();
    std::weak_ptr<ExplorerHandler> closedHandler = handlerOf(first);

    world.Close(*first);

    ASSERT_EQ(handlerCount(), 1u);
    EXPECT_TRUE(handlerOf(second));
    EXPECT_TRUE(closedHandler.expired()) << "nothing may keep a closed window's handler alive";
    EXPECT_TRUE(world.eventFailures().empty());
    EXPECT_EQ(second->connections(), 1u);
}

TEST_F(ConnectionTest, ExplorerCloseReportedTwiceChangesNothingMore) {
    open();
    open();
    connect();
    auto handler = addin->handlers()->front();

    addin->OnExplorerClose(handler);
    addin->OnExplorerClose(handler);
    EXPECT_EQ(handlerCount(), 1u);
}

TEST_F(ConnectionTest, ShutdownThenDisconnectionClearsEveryHandlerOnce) {
    auto first = open();
    auto second = open();
    connect();
    std::vector<std::weak_ptr<ExplorerHandler>> handlers(addin->handlers()->begin(),
                                                         addin->handlers()->end());

    addin->IDTExtensibility2_OnBeginShutdown();
    EXPECT_FALSE(addin->handlers().has_value());
    for (const auto& window : {first, second}) {
        EXPECT_EQ(window->connections(), 0u);
        EXPECT_EQ(window->commandBars()->connections(), 0u);
    }
    for (const auto& h : handlers) {
        EXPECT_TRUE(h.expired());
    }

    trace.clear();
    addin->IDTExtensibility2_OnDisconnection(host::DisconnectMode::HostShutdown);
    EXPECT_FALSE(addin->handlers().has_value());
    EXPECT_TRUE(trace.calls().empty()) << "the second release touches nothing";
}

TEST_F(ConnectionTest, WindowOpenedAfterReleaseStillGetsAHandler) {
    connect();
    addin->IDTExtensibility2_OnBeginShutdown();
    open();
    EXPECT_EQ(handlerCount(), 1u);
}

TEST_F(ConnectionTest, FailedInitKeepsNoHandlerAndTheWindowReachesNobody) {
    connect();
    world.faults().Fail("Explorer.Advise", 1);
    auto window = open();

    EXPECT_EQ(handlerCount(), 0u);
    EXPECT_EQ(window->connections(), 0u);
    world.Activate(*window);
    EXPECT_EQ(window->commandBars()->connections(), 0u);
    EXPECT_EQ(handlerCount(), 0u);
}

TEST_F(ConnectionTest, HostFailureDuringConnectionGoesBackToTheHost) {
    open();
    world.faults().Fail("Application.Explorers", 1);
    EXPECT_THROW(addin->IDTExtensibility2_OnConnection(world.application()), Error);
    EXPECT_EQ(handlerCount(), 0u);
}

TEST_F(ConnectionTest, FailedConnectionLeavesNothingBehindWhenTheHostLetsGo) {
    auto first = open();
    auto second = open();
    world.faults().Fail("Explorers.Item(2)", 1);
    EXPECT_THROW(addin->IDTExtensibility2_OnConnection(world.application()), Error);
    ASSERT_EQ(callsOf("Explorer.Advise"), 1u) << "the first window was taken over";

    // Outlook releases an add-in whose connection failed without disconnecting it.
    std::weak_ptr<Tessaly> weakAddin = addin;
    addin.reset();
    EXPECT_TRUE(weakAddin.expired()) << "no handler may keep the add-in alive";
    for (const auto& window : {first, second}) {
        EXPECT_EQ(window->connections(), 0u);
        EXPECT_EQ(window->commandBars()->connections(), 0u);
    }
    EXPECT_EQ(world.explorersCollection().connections(), 0u);
    EXPECT_EQ(platform.loop.liveTimers(), 0u);
}

TEST_F(ConnectionTest, ReleasingTheAddinFreesEverything) {
    auto window = open();
    connect();
    std::weak_ptr<Tessaly> weakAddin = addin;
    std::weak_ptr<ExplorerHandler> handler = handlerOf(window);

    addin->IDTExtensibility2_OnBeginShutdown();
    addin->IDTExtensibility2_OnDisconnection();
    addin.reset();

    EXPECT_TRUE(weakAddin.expired());
    EXPECT_TRUE(handler.expired());
    EXPECT_EQ(world.explorersCollection().connections(), 0u);
}

TEST_F(ConnectionTest, ClearTwiceFindsNothingToDo) {
    auto window = open();
    connect();
    auto handler = handlerOf(window);

    handler->Clear();
    trace.clear();
    handler->Clear();
    EXPECT_TRUE(trace.calls().empty());
    EXPECT_FALSE(handler->attached());
    EXPECT_EQ(window->connections(), 0u);
}

TEST_F(ConnectionTest, NoticeEndingWithoutComboBoxLeavesTheHandlerUsable) {
    auto window = open();
    connect();
    auto handler = handlerOf(window);

    EXPECT_NO_THROW(handler->OnExplorerEventTimedOut());
    EXPECT_TRUE(handler->dialingNumber().empty());
    EXPECT_TRUE(handler->comboText().empty());
}

}  // namespace
}  // namespace tessaly
