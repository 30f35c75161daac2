// Events raised by the user's actions: who receives them, in which order, and what a
// failing or unsubscribing handler does to the others.
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/sim/sim_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

std::shared_ptr<CommandBarButtonEvents> onClick(
    std::function<void(const std::shared_ptr<CommandBarButton>&, bool&)> handler) {
    auto sink = std::make_shared<CommandBarButtonEvents>();
    sink->Click = std::move(handler);
    return sink;
}

// ---- Click and Change broadcast ----------------------------------------------------------

class BroadcastTest : public SimTest {
  public:
    BroadcastTest() {
        second = world.OpenExplorer(inbox);
        a = addControl(window, u"Tessaly", u"call");
        b = addControl(second, u"Tessaly", u"call");
        notConnected = addControl(second, u"Tessaly", u"call");
        otherTag = addControl(window, u"Tessaly", u"hangup");
        sameTagCombo = addControl<SimComboBox>(window, u"Tessaly", u"call", msoControlComboBox);
        for (const auto& button : {a, b, otherTag}) {
            subscriptions.push_back(button->Advise(record(button)));
        }
        // Connected once, then disconnected again.
        subscriptions.push_back(notConnected->Advise(record(notConnected)));
        subscriptions.back().reset();
        auto comboSink = std::make_shared<CommandBarComboBoxEvents>();
        comboSink->Change = [this](const auto&) { received.push_back({"combo", nullptr}); };
        subscriptions.push_back(sameTagCombo->Advise(comboSink));
    }

    std::shared_ptr<CommandBarButtonEvents> record(const std::shared_ptr<SimButton>& self) {
        const SimButton* raw = self.get();
        return onClick([this, raw](const std::shared_ptr<CommandBarButton>& ctrl, bool&) {
            received.push_back({name(raw), ctrl.get()});
        });
    }
    std::string name(const SimButton* button) const {
        if (button == a.get())
            return "a";
        if (button == b.get())
            return "b";
        if (button == notConnected.get())
            return "notConnected";
        return "otherTag";
    }

    struct Received {
        std::string receiver;
        const CommandBarButton* ctrl;
    };
    std::shared_ptr<SimExplorer> second;
    std::shared_ptr<SimButton> a, b, notConnected, otherTag;
    std::shared_ptr<SimComboBox> sameTagCombo;
    std::vector<Subscription> subscriptions;
    std::vector<Received> received;
};

TEST_F(BroadcastTest, ClickReachesEveryConnectedButtonWithTheTagInEveryWindow) {
    // The one clicked need not be connected itself.
    ASSERT_TRUE(world.Click(notConnected));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].receiver, "a");
    EXPECT_EQ(received[1].receiver, "b");
    for (const auto& r : received) {
        EXPECT_EQ(r.ctrl, static_cast<const CommandBarButton*>(notConnected.get()));
    }

    received.clear();
    ASSERT_TRUE(world.Click(otherTag));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].receiver, "otherTag");
}

TEST_F(BroadcastTest, ClickDoesNotReachButtonsOfAClosedWindow) {
    world.Close(*second);
    ASSERT_TRUE(world.Click(a));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].receiver, "a");
}

struct UnusableCase {
    const char* name;
    std::function<void(SimButton&)> spoil;
};

class UnusableTest : public BroadcastTest, public ::testing::WithParamInterface<UnusableCase> {};

TEST_P(UnusableTest, ButtonCannotBeClicked) {
    GetParam().spoil(*a);
    EXPECT_FALSE(world.Click(a));
    EXPECT_TRUE(received.empty());
}

INSTANTIATE_TEST_SUITE_P(
    States, UnusableTest,
    ::testing::Values(UnusableCase{"Deleted", [](SimButton& x) { x.Delete(std::nullopt); }},
                      UnusableCase{"Disabled", [](SimButton& x) { x.SetEnabled(false); }},
                      UnusableCase{"Hidden", [](SimButton& x) { x.SetVisible(false); }},
                      UnusableCase{"OnAHiddenBar",
                                   [](SimButton& x) { x.bar()->SetVisible(false); }}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimTest, TypeTextAndPickSetTheComboThenRaiseChangeOnSameTagCombos) {
    auto second = world.OpenExplorer(inbox);
    auto used = addControl<SimComboBox>(window, u"Tessaly", u"number", msoControlComboBox);
    auto other = addControl<SimComboBox>(second, u"Tessaly", u"number", msoControlComboBox);
    used->AddItem(u"111", std::nullopt);
    used->AddItem(u"222", std::nullopt);
    std::vector<std::pair<String, const CommandBarComboBox*>> seen;  // (text then, ctrl)
    auto sink = std::make_shared<CommandBarComboBoxEvents>();
    sink->Change = [&](const std::shared_ptr<CommandBarComboBox>& ctrl) {
        seen.emplace_back(ctrl->Text(), ctrl.get());
    };
    auto s1 = used->Advise(sink);
    auto s2 = other->Advise(sink);

    ASSERT_TRUE(world.TypeText(used, u"222"));
    EXPECT_EQ(used->listIndex(), 2);
    ASSERT_TRUE(world.Pick(used, 1));
    EXPECT_EQ(used->text(), u"111");
    EXPECT_FALSE(world.Pick(used, 3));
    other->SetEnabled(false);  // an unusable receiver still hears the used one's change
    ASSERT_TRUE(world.TypeText(used, u"typed"));
    EXPECT_EQ(used->listIndex(), 0);
    EXPECT_FALSE(world.TypeText(other, u"x"));

    const CommandBarComboBox* u = used.get();
    using Seen = std::vector<std::pair<String, const CommandBarComboBox*>>;
    EXPECT_EQ(
        seen,
        (Seen{{u"222", u}, {u"222", u}, {u"111", u}, {u"111", u}, {u"typed", u}, {u"typed", u}}));
    EXPECT_EQ(other->text(), u"");
}

// ---- Handlers that fail or unsubscribe ---------------------------------------------------

TEST_F(SimTest, FailingHandlersAreRecordedAndLaterSinksStillRun) {
    auto button = addControl(window, u"Tessaly", u"call");
    std::vector<int> ran;
    auto s1 = button->Advise(onClick([&](const auto&, bool&) {
        ran.push_back(1);
        throw Error(kE_INVALIDARG, "first");
    }));
    auto s2 = button->Advise(onClick([&](const auto&, bool&) {
        ran.push_back(2);
        throw std::runtime_error("second");
    }));
    auto s3 = button->Advise(onClick([&](const auto&, bool&) {
        ran.push_back(3);
        throw 42;
    }));
    auto s4 = button->Advise(onClick([&](const auto&, bool&) { ran.push_back(4); }));

    EXPECT_NO_THROW(world.Click(button));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(world.eventFailures().size(), 3u);
    EXPECT_EQ(world.eventFailures()[0].event, "CommandBarButton.Click");
    EXPECT_EQ(world.eventFailures()[0].code, kE_INVALIDARG);
    EXPECT_EQ(world.eventFailures()[0].what, "first");
    EXPECT_EQ(world.eventFailures()[1].code, kE_FAIL);
    world.clearEventFailures();
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(SimTest, EmptySlotsAreSkipped) {
    auto button = addControl(window, u"Tessaly", u"call");
    auto s1 = button->Advise(std::make_shared<CommandBarButtonEvents>());
    auto s2 = window->Advise(std::make_shared<ExplorerEvents>());
    EXPECT_TRUE(world.Click(button));
    world.SwitchFolder(*window, inbox);
    EXPECT_TRUE(world.eventFailures().empty());
}

TEST_F(SimTest, HandlerMayEndSubscriptionsDuringTheEvent) {
    auto button = addControl(window, u"Tessaly", u"call");
    std::vector<int> ran;
    Subscription s1, s2, s3;
    s1 = button->Advise(onClick([&](const auto&, bool&) {
        ran.push_back(1);
        s1.reset();  // itself
        s2.reset();  // a later one: it no longer hears this event
    }));
    s2 = button->Advise(onClick([&](const auto&, bool&) { ran.push_back(2); }));
    s3 = button->Advise(onClick([&](const auto&, bool&) { ran.push_back(3); }));
    ASSERT_EQ(button->connections(), 3u);

    world.Click(button);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    EXPECT_EQ(button->connections(), 1u);
    world.Click(button);
    EXPECT_EQ(ran, (std::vector<int>{1, 3, 3}));
}

TEST_F(SimTest, HandlerMayDeleteTheButtonBeingClicked) {
    auto bar = window->CommandBars()->Add(u"Tessaly", std::nullopt, std::nullopt, true);
    bar->SetVisible(true);
    auto button = std::dynamic_pointer_cast<SimButton>(
        bar->Controls()->Add(msoControlButton, std::nullopt, std::nullopt, true));
    std::weak_ptr<SimButton> weak = button;
    int runs = 0;
    auto s = button->Advise(onClick([&](const std::shared_ptr<CommandBarButton>& ctrl, bool&) {
        ++runs;
        ctrl->Delete(std::nullopt);
    }));
    auto s2 = button->Advise(onClick([&](const auto&, bool&) { ++runs; }));
    world.Click(std::exchange(button, nullptr));
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(weak.expired());
}

TEST(SimLifetime, SubscriptionsMayOutliveTheWorld) {
    Subscription explorerSub, buttonSub, barsSub, explorersSub;
    {
        World world;
        auto window = world.OpenExplorer(world.AddFolder(u"Inbox"));
        auto bars = window->CommandBars();
        auto button = bars->Item(u"Standard")
                          ->Controls()
                          ->Add(msoControlButton, std::nullopt, std::nullopt, true);
        explorerSub = window->Advise(std::make_shared<ExplorerEvents>());
        buttonSub = std::dynamic_pointer_cast<SimButton>(button)->Advise(
            std::make_shared<CommandBarButtonEvents>());
        barsSub = bars->Advise(std::make_shared<CommandBarsEvents>());
        explorersSub =
            world.application()->Explorers()->Advise(std::make_shared<ExplorersEvents>());
    }
    explorerSub.reset();
    buttonSub.reset();
    barsSub.reset();
    explorersSub.reset();
    EXPECT_FALSE(explorerSub.active());
}

// ---- Explorer events ---------------------------------------------------------------------

class ExplorerEventsTest : public SimTest {
  public:
    ExplorerEventsTest() {
        sink = std::make_shared<ExplorerEvents>();
        sink->BeforeFolderSwitch = [this](const std::shared_ptr<MAPIFolder>& folder, bool& cancel) {
            log.push_back("BeforeFolderSwitch:" + folderName(folder) + ":from " +
                          folderName(window->folder()));
            cancel = cancelSwitch;
        };
        sink->FolderSwitch = [this] {
            log.push_back("FolderSwitch:" + folderName(window->folder()));
        };
        sink->SelectionChange = [this] {
            const auto selection = window->Selection();
            log.push_back("SelectionChange:" + std::to_string(selection->Count()));
        };
        sink->Activate = [this] {
            log.push_back("Activate");
            window->CommandBars();  // ready by now
        };
        sink->Close = [this] {
            log.push_back("Close:" + std::to_string(world.application()->Explorers()->Count()));
        };
        subscription = window->Advise(sink);
    }
    static std::string folderName(const std::shared_ptr<MAPIFolder>& folder) {
        auto sim = std::dynamic_pointer_cast<SimFolder>(folder);
        return sim ? std::string(sim->name().begin(), sim->name().end()) : "none";
    }

    std::shared_ptr<ExplorerEvents> sink;
    Subscription subscription;
    std::vector<std::string> log;
    bool cancelSwitch = false;
};

using SwitchFolder = std::function<void(ExplorerEventsTest&, const std::shared_ptr<SimFolder>&)>;

class FolderSwitchTest : public ExplorerEventsTest,
                         public ::testing::WithParamInterface<SwitchFolder> {};

TEST_P(FolderSwitchTest, RaisesBeforeFolderSwitchThenSwitchesThenFolderSwitchAndSelection) {
    GetParam()(*this, inbox);
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeFolderSwitch:Inbox:from Contacts",
                                             "FolderSwitch:Inbox", "SelectionChange:1"}));
    EXPECT_EQ(window->selection(), (std::vector<std::shared_ptr<Item>>{mail}));

    log.clear();
    GetParam()(*this, world.AddFolder(u"Empty"));
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeFolderSwitch:Empty:from Inbox",
                                             "FolderSwitch:Empty", "SelectionChange:0"}));
}

TEST_P(FolderSwitchTest, CancelKeepsTheFolderAndRaisesNothingElse) {
    cancelSwitch = true;
    GetParam()(*this, inbox);
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeFolderSwitch:Inbox:from Contacts"}));
    EXPECT_EQ(window->folder(), contacts);
    EXPECT_EQ(window->selection(), (std::vector<std::shared_ptr<Item>>{alice}));
}

INSTANTIATE_TEST_SUITE_P(UserOrAddIn, FolderSwitchTest,
                         ::testing::Values(
                             [](ExplorerEventsTest& fx, const std::shared_ptr<SimFolder>& f) {
                                 fx.world.SwitchFolder(*fx.window, f);
                             },
                             [](ExplorerEventsTest& fx, const std::shared_ptr<SimFolder>& f) {
                                 fx.window->SetCurrentFolder(f);
                             }));

TEST_F(ExplorerEventsTest, CloseRaisesCloseThenRemovesTheWindow) {
    auto second = world.OpenExplorer(inbox);
    auto explorers = world.application()->Explorers();
    ASSERT_EQ(explorers->Count(), 2);
    world.Close(*window);
    EXPECT_EQ(log, (std::vector<std::string>{"Close:2"}));
    EXPECT_TRUE(window->closed());
    EXPECT_EQ(explorers->Count(), 1);
    EXPECT_TRUE(SameObject(explorers->Item(1), second));
    EXPECT_THROW(explorers->Item(2), Error);
    EXPECT_THROW(window->CommandBars(), Error);
    world.Close(*window);  // nothing more happens
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(SimTest, OpenExplorerAppendsThenRaisesNewExplorer) {
    auto explorers = world.application()->Explorers();
    std::vector<std::int32_t> countsSeen;
    std::shared_ptr<Explorer> announced;
    auto sink = std::make_shared<ExplorersEvents>();
    sink->NewExplorer = [&](const std::shared_ptr<Explorer>& e) {
        countsSeen.push_back(explorers->Count());
        announced = e;
    };
    auto subscription = explorers->Advise(sink);
    auto second = world.OpenExplorer(inbox);
    EXPECT_EQ(countsSeen, (std::vector<std::int32_t>{2}));
    EXPECT_TRUE(SameObject(announced, second));
    EXPECT_TRUE(SameObject(explorers->Item(2), second));
    EXPECT_EQ(second->selection(), (std::vector<std::shared_ptr<Item>>{mail}));
}

TEST_F(ExplorerEventsTest, CommandBarsAreNotReadyUntilActivate) {
    auto late = world.OpenExplorer(inbox, false);
    trace.clear();
    EXPECT_THROW(late->CommandBars(), Error);
    ASSERT_EQ(trace.calls().size(), 1u);
    EXPECT_EQ(trace.calls()[0].operation, "Explorer.CommandBars");
    EXPECT_TRUE(trace.calls()[0].failed);

    // The window's sink reads CommandBars inside Activate.
    subscription = late->Advise(sink);
    window = late;
    world.Activate(*late);
    EXPECT_EQ(log, (std::vector<std::string>{"Activate"}));
    EXPECT_TRUE(world.eventFailures().empty());
    EXPECT_TRUE(late->CommandBars());
}

// ---- Customisation -----------------------------------------------------------------------

struct CustomiseCase {
    const char* name;
    std::function<bool(SimTest&, const std::shared_ptr<SimButton>&)> act;
    bool possible;
    int updates = possible ? 1 : 0;
};

class CustomiseTest : public SimTest, public ::testing::WithParamInterface<CustomiseCase> {};

TEST_P(CustomiseTest, ChangesRaiseOnUpdateOfTheWindowsBars) {
    auto second = world.OpenExplorer(inbox);
    auto button = addControl(window, u"Tessaly", u"call");
    button->SetCaption(u"Call");
    world.Idle();  // the set-up's own changes are reported before the sinks connect
    int updates = 0;
    int otherUpdates = 0;
    auto sink = std::make_shared<CommandBarsEvents>();
    sink->OnUpdate = [&] { ++updates; };
    auto otherSink = std::make_shared<CommandBarsEvents>();
    otherSink->OnUpdate = [&] { ++otherUpdates; };
    auto s1 = window->CommandBars()->Advise(sink);
    auto s2 = second->CommandBars()->Advise(otherSink);

    EXPECT_EQ(GetParam().act(*this, button), GetParam().possible);
    EXPECT_EQ(updates, GetParam().updates);
    EXPECT_EQ(otherUpdates, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, CustomiseTest,
    ::testing::Values(
        CustomiseCase{"MoveToExistingBar",
                      [](SimTest& fx, const auto& b) {
                          EXPECT_TRUE(fx.world.MoveControl(*fx.window, b, u"standard", 1));
                          EXPECT_EQ(b->bar()->name(), u"Standard");
                          EXPECT_EQ(b->Index(), 1);
                          return true;
                      },
                      true},
        CustomiseCase{"MoveToNewBar",
                      [](SimTest& fx, const auto& b) {
                          EXPECT_TRUE(fx.world.MoveControl(*fx.window, b, u"Elsewhere", 0));
                          const auto bar = fx.window->commandBars()->find(u"Elsewhere");
                          EXPECT_TRUE(bar && bar->visible() && bar->temporary());
                          EXPECT_EQ(b->bar(), bar);
                          return true;
                      },
                      true},
        CustomiseCase{"DeleteControl",
                      [](SimTest& fx, const auto& b) {
                          EXPECT_TRUE(fx.world.DeleteControl(*fx.window, b));
                          EXPECT_FALSE(b->alive());
                          return true;
                      },
                      true},
        CustomiseCase{"DeleteBar",
                      [](SimTest& fx, const auto& b) {
                          EXPECT_TRUE(fx.world.DeleteBar(*fx.window, u"Tessaly"));
                          EXPECT_FALSE(b->alive());
                          return true;
                      },
                      true},
        CustomiseCase{"RestoreControl",
                      [](SimTest& fx, const auto& b) {
                          b->Delete(std::nullopt);
                          auto copy = fx.world.RestoreControl(*fx.window, msoControlButton, u"call",
                                                              u"Tessaly");
                          EXPECT_TRUE(copy && copy->alive());
                          EXPECT_EQ(copy->caption(), u"Call");
                          EXPECT_EQ(copy->connections(), 0u);
                          EXPECT_EQ(fx.window->CommandBars()->FindControl(
                                        msoControlButton, std::nullopt, u"call", std::nullopt),
                                    std::shared_ptr<CommandBarControl>(copy));
                          return copy != nullptr;
                      },
                      true, 2},  // the deletion through the host, then the restore
        CustomiseCase{"RaiseUpdate",
                      [](SimTest& fx, const auto&) {
                          fx.world.RaiseUpdate(*fx.window);
                          return true;
                      },
                      true},
        CustomiseCase{
            "DeleteBuiltInBarRefused",
            [](SimTest& fx, const auto&) { return fx.world.DeleteBar(*fx.window, u"Standard"); },
            false},
        CustomiseCase{"DeleteMissingBarRefused",
                      [](SimTest& fx, const auto&) { return fx.world.DeleteBar(*fx.window, u"X"); },
                      false},
        CustomiseCase{"ControlOfOtherWindowRefused",
                      [](SimTest& fx, const auto& b) {
                          return fx.world.DeleteControl(*fx.world.explorers()[1], b);
                      },
                      false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tessaly::host::sim::testing
