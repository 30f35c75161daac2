// Saving the toolbar layout when a window closes, and reading it back, whatever is stored.
#include <gtest/gtest.h>

#include "explorer/layout_values.h"
#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;

using platform::RegistryValue;

class LayoutStoreTest : public testing::AddinTest {};

TEST_F(LayoutStoreTest, CloseSavesTheLayoutAndTheNextBuildRestoresIt) {
    auto first = open();
    connect();
    bar(first)->SetRowIndex(2);
    bar(first)->SetLeft(140);
    ASSERT_TRUE(world.MoveControl(*first, control(first, u"_Home"), u"Standard", 1));
    control(first, u"_Mobile")->SetVisible(false);
    combo(first)->SetBeginGroup(true);
    world.Close(*first);

    EXPECT_EQ(stored(u"Exists"), RegistryValue(1u));
    EXPECT_EQ(stored(u"Visible"), RegistryValue(0xFFFFFFFFu)) << "true is stored as -1";
    EXPECT_EQ(stored(u"Enabled"), RegistryValue(0xFFFFFFFFu));
    EXPECT_EQ(stored(u"RowIndex"), RegistryValue(2u));
    EXPECT_EQ(stored(u"Position"), RegistryValue(1u));
    EXPECT_EQ(stored(u"CommandBarName", u"_Home"), RegistryValue(String(u"Standard")));
    EXPECT_EQ(stored(u"BeforePos", u"_Home"), RegistryValue(String(u"1")));
    EXPECT_EQ(stored(u"Visible", u"_Mobile"), RegistryValue(String(u"False")));
    EXPECT_EQ(stored(u"BeginGroup", u"_Combo"), RegistryValue(String(u"True")));
    EXPECT_EQ(stored(u"Exists", u"_Dial"), RegistryValue(1u));
    EXPECT_FALSE(stored(u"Exists", u"_ShowContacts")) << "never built, never saved";
    EXPECT_EQ(platform.registry.batches, 1) << "one save for the whole layout";
    EXPECT_EQ(platform.registry.unbatchedWrites, 0u);

    auto second = open();
    EXPECT_EQ(bar(second)->rowIndex(), 2);
    EXPECT_EQ(bar(second)->left(), 140);
    EXPECT_EQ(control(second, u"_Home")->bar()->name(), u"Standard");
    EXPECT_EQ(control(second, u"_Home")->bar()->indexOf(*control(second, u"_Home")), 1);
    EXPECT_FALSE(control(second, u"_Mobile")->visible());
    EXPECT_TRUE(combo(second)->beginGroup());
}

TEST_F(LayoutStoreTest, RemovedToolbarIsRecordedAndBuiltAgainAfterItsControlsBringItBack) {
    auto first = open();
    connect();
    ASSERT_TRUE(world.DeleteBar(*first, u"Brindle"));
    world.Close(*first);
    EXPECT_EQ(stored(u"Exists"), RegistryValue(0u));
    EXPECT_FALSE(stored(u"Visible")) << "only the removal is recorded";

    // Nothing was written for the controls, so they come back on a bar of that name,
    // which the next save records as present again.
    auto second = open();
    ASSERT_TRUE(bar(second));
    EXPECT_FALSE(bar(second)->visible());
    world.Close(*second);
    EXPECT_EQ(stored(u"Exists"), RegistryValue(1u));
}

// Whether the bars' update comes once the window is idle or after every call, a bar made
// only to hold a control while the toolbar is stored as removed is not taken for the
// toolbar: its hidden, floating placement is not saved over the user's.
class RemovedToolbarTest : public testing::AddinTest,
                           public ::testing::WithParamInterface<host::sim::UpdateMode> {
  public:
    RemovedToolbarTest() { world.setUpdateMode(GetParam()); }
};

TEST_P(RemovedToolbarTest, ComesBackWhereItWasAfterAControlBroughtItsBarBack) {
    store(u"Exists", 0u);
    store(u"Visible", 0xFFFFFFFFu);
    store(u"Position", 3u);  // docked at the bottom
    store(u"RowIndex", 2u);
    store(u"CommandBarName", String(u"Brindle"), u"_Dial");
    auto first = open();
    connect();
    ASSERT_TRUE(bar(first));
    world.Idle();
    world.Close(*first);
    EXPECT_EQ(stored(u"Exists"), RegistryValue(1u));
    EXPECT_EQ(stored(u"Visible"), RegistryValue(0xFFFFFFFFu));
    EXPECT_EQ(stored(u"Position"), RegistryValue(3u));

    auto second = open();
    ASSERT_TRUE(bar(second));
    EXPECT_TRUE(bar(second)->visible());
    EXPECT_EQ(bar(second)->position(), 3);
    EXPECT_EQ(bar(second)->rowIndex(), 2);
    EXPECT_EQ(control(second, u"_Dial")->bar(), bar(second));
}

TEST_P(RemovedToolbarTest, AReorderInsideTheToolbarSurvivesARestart) {
    auto first = open();
    connect();
    ASSERT_TRUE(world.MoveControl(*first, control(first, u"_Dial"), u"Brindle", 6));
    world.Close(*first);

    auto second = open();
    world.Idle();
    std::vector<String> order;
    for (const auto& c : bar(second)->controls()) {
        order.push_back(c->tag().substr(String(u"Brindle_OutlookAddIn_").size()));
    }
    EXPECT_EQ(order,
              (std::vector<String>{u"_Combo", u"_Business", u"_Mobile", u"_Home", u"_Dial"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, RemovedToolbarTest,
                         ::testing::Values(host::sim::UpdateMode::Idle,
                                           host::sim::UpdateMode::Strict),
                         [](const auto& p) {
                             return p.param == host::sim::UpdateMode::Idle ? "Idle" : "Strict";
                         });

TEST_F(LayoutStoreTest, WindowThatNeverHadItsToolbarSavesNothing) {
    connect();
    auto window = open(/*ready=*/false);
    world.Close(*window);
    EXPECT_TRUE(platform.registry.writes.empty());
}

TEST_F(LayoutStoreTest, ToolbarThatWasNeverBuiltIsNotRecordedAsRemoved) {
    connect();
    // One host call fails while a window's toolbar is being built, after the command bars
    // were had: the toolbar is never made (or made only as the controls' holder).
    for (const char* operation : {"CommandBars.AdaptiveMenus=", "CommandBars.Add"}) {
        SCOPED_TRACE(operation);
        world.faults().Fail(operation, 1);
        auto failed = open();
        ASSERT_TRUE(handlerOf(failed)->attached());
        world.Close(*failed);
        EXPECT_NE(stored(u"Exists"), RegistryValue(0u));

        auto next = open();
        ASSERT_TRUE(bar(next)) << "later windows still get the toolbar";
        EXPECT_TRUE(bar(next)->visible());
    }
}

TEST_F(LayoutStoreTest, UnwritableStoreLeavesThePreviousLayout) {
    auto window = open();
    connect();
    platform.registry.failWrites = true;
    world.Close(*window);
    EXPECT_TRUE(world.eventFailures().empty());
    EXPECT_FALSE(stored(u"Exists"));
}

TEST_F(LayoutStoreTest, CorruptedValuesCountAsMissing) {
    store(u"Exists", String(u"garbage"));
    store(u"Visible", String(u"maybe"));
    store(u"Position", String(u"top"));
    store(u"BeforePos", String(u"abc"), u"_Dial");
    store(u"CommandBarName", 7u, u"_Business");  // a DWORD where text belongs
    store(u"Visible", String(u""), u"_Home");
    auto window = open();
    connect();
    ASSERT_TRUE(bar(window));
    EXPECT_TRUE(bar(window)->visible());
    EXPECT_EQ(bar(window)->position(), host::msoBarTop);
    EXPECT_EQ(bar(window)->controls().front()->tag(), u"Brindle_OutlookAddIn__Dial");
    EXPECT_EQ(control(window, u"_Business")->bar()->name(), u"7") << "read as its text";
    EXPECT_TRUE(control(window, u"_Home")->visible());
}

TEST(LayoutValues, ConversionsOfWhatMayBeStored) {
    testing::FakeRegistry registry;
    explorer::LayoutValues values(registry, u"HKCU\\K\\");
    struct Case {
        RegistryValue stored;
        std::optional<bool> boolean;
        std::optional<std::int32_t> number;
    };
    const Case cases[] = {
        {0u, false, 0},
        {1u, true, 1},
        {0xFFFFFFFFu, true, -1},
        {String(u"0"), false, 0},
        {String(u"-1"), true, -1},
        {String(u"False"), false, std::nullopt},
        {String(u"TRUE"), true, std::nullopt},
        {String(u" 12 "), true, 12},
        {String(u"1.5"), std::nullopt, std::nullopt},
        {String(u"abc"), std::nullopt, std::nullopt},
        {String(u""), std::nullopt, std::nullopt},
        {String(u"99999999999"), std::nullopt, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        registry.RegWrite(u"HKCU\\K\\V", cases[i].stored);
        EXPECT_EQ(values.ReadBoolean(u"V"), cases[i].boolean);
        EXPECT_EQ(values.ReadInt32(u"V"), cases[i].number);
    }
    EXPECT_EQ(values.ReadBoolean(u"Missing"), std::nullopt);
    registry.failReads = true;
    EXPECT_EQ(values.ReadInt32(u"V"), std::nullopt) << "an unreadable store reads as missing";
}

}  // namespace
}  // namespace tessaly
