// When OnUpdate of a window's command bars is raised after the add-in's own changes: once
// per batch when the window is idle again, or at once after every changing call.
#include <functional>
#include <string>
#include <vector>

#include "harness/outlook/event_loop.h"
#include "tests/unit/sim/sim_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

class OnUpdateTest : public SimTest {
  public:
    OnUpdateTest() {
        world.setUpdateMode(UpdateMode::Idle);
        toolbar = std::dynamic_pointer_cast<SimCommandBar>(
            bars(window)->Add(u"Tessaly", std::nullopt, std::nullopt, true));
        button = addControl(window, u"Tessaly", u"call");
        combo = addControl<SimComboBox>(window, u"Tessaly", u"number", msoControlComboBox);
        world.Idle();  // the set-up's changes are not what the tests count
        auto sink = std::make_shared<CommandBarsEvents>();
        sink->OnUpdate = [this] {
            ++updates;
            if (onUpdate) {
                onUpdate();
            }
        };
        subscription = window->CommandBars()->Advise(sink);
    }

    std::shared_ptr<SimCommandBar> toolbar;
    std::shared_ptr<SimButton> button;
    std::shared_ptr<SimComboBox> combo;
    int updates = 0;
    std::function<void()> onUpdate;
    Subscription subscription;
};

struct BarCall {
    const char* name;
    std::function<void(OnUpdateTest&)> call;
    bool changes;
};

class CallTest : public OnUpdateTest, public ::testing::WithParamInterface<BarCall> {};

TEST_P(CallTest, ChangingCallsRaiseOnceAtIdleOrAtOnceInStrictMode) {
    GetParam().call(*this);
    EXPECT_EQ(updates, 0) << "nothing until the window is idle";
    world.Idle();
    EXPECT_EQ(updates, GetParam().changes ? 1 : 0);

    world.setUpdateMode(UpdateMode::Strict);
    updates = 0;
    GetParam().call(*this);
    EXPECT_EQ(updates, GetParam().changes ? 1 : 0) << "raised inside the call";
    world.Idle();
    EXPECT_EQ(updates, GetParam().changes ? 1 : 0) << "nothing left for the idle moment";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CallTest,
    ::testing::Values(
        BarCall{"AddBar",
                [](OnUpdateTest& fx) {
                    static int n = 0;
                    fx.bars(fx.window)->Add(u"Bar" + std::u16string(1, u'a' + n++), std::nullopt,
                                            std::nullopt, true);
                },
                true},
        BarCall{"AddControl",
                [](OnUpdateTest& fx) {
                    fx.toolbar->Controls()->Add(msoControlButton, std::nullopt, std::nullopt, true);
                },
                true},
        BarCall{"BarVisible", [](OnUpdateTest& fx) { fx.toolbar->SetVisible(true); }, true},
        BarCall{"BarPosition", [](OnUpdateTest& fx) { fx.toolbar->SetPosition(msoBarTop); }, true},
        BarCall{"ControlTag", [](OnUpdateTest& fx) { fx.button->SetTag(u"call"); }, true},
        BarCall{"ComboText", [](OnUpdateTest& fx) { fx.combo->SetText(u"123"); }, true},
        BarCall{"MoveControl", [](OnUpdateTest& fx) { fx.button->Move(nullptr, 1); }, true},
        BarCall{"ReadsChangeNothing",
                [](OnUpdateTest& fx) {
                    fx.toolbar->Visible();
                    fx.button->Index();
                    fx.bars(fx.window)->FindControl(msoControlButton, std::nullopt, u"call",
                                                    std::nullopt);
                },
                false},
        BarCall{"RefusedCallChangesNothing",
                [](OnUpdateTest& fx) { EXPECT_THROW(fx.toolbar->SetPosition(7), Error); }, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(OnUpdateTest, ABatchOfChangesIsReportedOnce) {
    toolbar->SetVisible(true);
    toolbar->SetPosition(msoBarTop);
    button->Delete(std::nullopt);
    world.Idle();
    world.Idle();
    EXPECT_EQ(updates, 1);
}

TEST_F(OnUpdateTest, StrictModeRaisesBeforeTheCallReturnsWithTheChangeMade) {
    world.setUpdateMode(UpdateMode::Strict);
    std::vector<bool> visibleSeen;
    onUpdate = [&] { visibleSeen.push_back(toolbar->Visible()); };
    toolbar->SetVisible(true);
    toolbar->SetVisible(false);
    EXPECT_EQ(visibleSeen, (std::vector<bool>{true, false}));
}

TEST_F(OnUpdateTest, AHandlerThatChangesTheBarsIsNotReentered) {
    world.setUpdateMode(UpdateMode::Strict);
    int depth = 0;
    int deepest = 0;
    onUpdate = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (updates == 1) {
            toolbar->SetVisible(true);
        }
        --depth;
    };
    toolbar->SetVisible(false);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(deepest, 1);
    world.Idle();
    EXPECT_EQ(updates, 2) << "the handler's own change is reported at the next idle moment";
}

TEST_F(OnUpdateTest, UserActionsReportPendingChangesFirstAndTheirOwnAfter) {
    std::vector<std::string> order;
    onUpdate = [&] { order.push_back("update"); };
    auto windowEvents = std::make_shared<ExplorerEvents>();
    windowEvents->SelectionChange = [&] { order.push_back("selection"); };
    auto s = window->Advise(windowEvents);
    toolbar->SetVisible(true);
    world.Select(*window, {});
    EXPECT_EQ(order, (std::vector<std::string>{"update", "selection"}));
    ASSERT_TRUE(world.DeleteControl(*window, button));
    EXPECT_EQ(updates, 2) << "a customisation is reported when it is done";
}

TEST_F(OnUpdateTest, OnlyTheChangedWindowIsReported) {
    auto second = world.OpenExplorer(inbox);
    int otherUpdates = 0;
    auto sink = std::make_shared<CommandBarsEvents>();
    sink->OnUpdate = [&] { ++otherUpdates; };
    auto s = second->CommandBars()->Advise(sink);
    toolbar->SetVisible(true);
    world.Idle();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(otherUpdates, 0);
}

TEST(EventLoopIdle, TheHostIdlesAfterEveryTimer) {
    EventLoop loop;
    std::vector<std::string> order;
    loop.setAfterTimer([&] { order.push_back("idle"); });
    const auto first = loop.SetTimer(10, [&](std::uint32_t) { order.push_back("a"); });
    loop.SetTimer(10, [&](std::uint32_t) { order.push_back("b"); });
    loop.Advance(10);
    loop.KillTimer(first);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "idle", "b", "idle"}));
}

}  // namespace
}  // namespace tessaly::host::sim::testing
