// Command bars and controls as the add-in sees them through the host interfaces.
#include <map>
#include <string>
#include <vector>

#include "tests/unit/sim/sim_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

std::vector<String> namesOf(const SimCommandBars& bars) {
    std::vector<String> names;
    for (const auto& bar : bars.bars()) {
        names.push_back(bar->name());
    }
    return names;
}

TEST_F(SimTest, WindowStartsWithTheBuiltInBarsWhichCannotBeDeleted) {
    EXPECT_EQ(namesOf(*window->commandBars()),
              (std::vector<String>{u"Menu Bar", u"Standard", u"Advanced", u"Web"}));
    for (const auto& bar : window->commandBars()->bars()) {
        EXPECT_TRUE(bar->builtIn());
        EXPECT_FALSE(bar->controls().empty());
        EXPECT_THROW(bar->Delete(), Error);
        EXPECT_TRUE(bar->alive());
    }
    EXPECT_EQ(window->commandBars()->bars().size(), 4u);
}

// ---- Item --------------------------------------------------------------------------------

struct ItemCase {
    const char16_t* asked;
    const char16_t* found;  // nullptr: Item fails
};

class ItemTest : public SimTest, public ::testing::WithParamInterface<ItemCase> {};

TEST_P(ItemTest, FindsBarsWithoutRegardToCaseAndFailsForUnknownNames) {
    const auto& param = GetParam();
    if (param.found == nullptr) {
        EXPECT_THROW(window->CommandBars()->Item(param.asked), Error);
        EXPECT_TRUE(trace.calls().back().failed);
        return;
    }
    auto bar = window->CommandBars()->Item(param.asked);
    EXPECT_EQ(bar, window->commandBars()->find(param.found));
    EXPECT_EQ(bar->Name(), param.found);
}

INSTANTIATE_TEST_SUITE_P(Names, ItemTest,
                         ::testing::Values(ItemCase{u"Standard", u"Standard"},
                                           ItemCase{u"standard", u"Standard"},
                                           ItemCase{u"MENU BAR", u"Menu Bar"},
                                           ItemCase{u"wEb", u"Web"},
                                           ItemCase{u"Standard ", nullptr},
                                           ItemCase{u"Stand", nullptr}, ItemCase{u"", nullptr}));

// ---- Add ---------------------------------------------------------------------------------

TEST_F(SimTest, AddCreatesHiddenFloatingBarsAndRefusesTakenNames) {
    auto commandBars = window->CommandBars();
    auto first = std::dynamic_pointer_cast<SimCommandBar>(
        commandBars->Add(u"Tessaly", std::nullopt, std::nullopt, true));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), u"Tessaly");
    EXPECT_FALSE(first->visible());
    EXPECT_EQ(first->position(), 4);
    EXPECT_FALSE(first->builtIn());
    EXPECT_TRUE(first->temporary());
    EXPECT_EQ(commandBars->Item(u"tessaly"), first);

    EXPECT_THROW(commandBars->Add(u"TESSALY", std::nullopt, std::nullopt, true), Error);
    EXPECT_THROW(commandBars->Add(u"Standard", std::nullopt, std::nullopt, std::nullopt), Error);

    auto unnamed1 = commandBars->Add(std::nullopt, msoBarTop, std::nullopt, std::nullopt);
    auto unnamed2 = commandBars->Add(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(unnamed1->Name(), u"Custom 1");
    EXPECT_EQ(unnamed1->Position(), msoBarTop);
    EXPECT_EQ(unnamed2->Name(), u"Custom 2");
    EXPECT_FALSE(std::dynamic_pointer_cast<SimCommandBar>(unnamed2)->temporary());
    EXPECT_EQ(namesOf(*window->commandBars()).back(), u"Custom 2");
}

TEST_F(SimTest, DeletingABarKillsItsControlsAndRemovesIt) {
    auto button = addControl(window, u"Tessaly", u"call");
    auto bar = window->CommandBars()->Item(u"Tessaly");
    bar->Delete();
    EXPECT_FALSE(button->alive());
    EXPECT_FALSE(window->commandBars()->find(u"Tessaly"));
    EXPECT_THROW(window->CommandBars()->Item(u"Tessaly"), Error);
    EXPECT_FALSE(
        window->CommandBars()->FindControl(std::nullopt, std::nullopt, u"call", std::nullopt));
}

// ---- FindControl -------------------------------------------------------------------------

// Bars, in order after the built-in ones:
//   "A" (visible):  button "dup" (hidden), combo "combo"
//   "B" (visible):  button "dup" (visible)
//   "C" (hidden):   button "hiddenbar" (visible)
struct FindCase {
    const char* name;
    std::optional<std::int32_t> type;
    std::optional<std::int32_t> id;
    std::optional<String> tag;
    std::optional<bool> visible;
    const char* expected;  // key in FindTest::controls, or nullptr for nothing
};
// Test names show the case, not its bytes.
void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindTest : public SimTest, public ::testing::WithParamInterface<FindCase> {
  public:
    FindTest() {
        auto a = addControl(window, u"A", u"dup");
        a->SetVisible(false);
        controls["A.dup"] = a;
        controls["A.combo"] = addControl<SimComboBox>(window, u"A", u"combo", msoControlComboBox);
        controls["B.dup"] = addControl(window, u"B", u"dup");
        controls["C.hiddenbar"] = addControl(window, u"C", u"hiddenbar");
        window->commandBars()->find(u"C")->SetVisible(false);
        controls["File"] = window->commandBars()->find(u"Menu Bar")->controls()[0];
    }
    std::map<std::string, std::shared_ptr<SimControl>> controls;
};

TEST_P(FindTest, CommandBarsFindControlReturnsTheFirstMatchOverAllBars) {
    const auto& p = GetParam();
    auto found = window->CommandBars()->FindControl(p.type, p.id, p.tag, p.visible);
    if (p.expected == nullptr) {
        EXPECT_FALSE(found);
    } else {
        EXPECT_EQ(found, std::shared_ptr<CommandBarControl>(controls.at(p.expected)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, FindTest,
    ::testing::Values(
        FindCase{"TagFirstInBarOrder", msoControlButton, std::nullopt, u"dup", std::nullopt,
                 "A.dup"},
        FindCase{"VisibleSkipsHiddenControl", msoControlButton, std::nullopt, u"dup", true,
                 "B.dup"},
        FindCase{"VisibleFalseDoesNotRestrict", msoControlButton, std::nullopt, u"dup", false,
                 "A.dup"},
        FindCase{"TypeMustMatch", msoControlComboBox, std::nullopt, u"dup", std::nullopt, nullptr},
        FindCase{"TagOnly", std::nullopt, std::nullopt, u"combo", std::nullopt, "A.combo"},
        FindCase{"TagIsCaseSensitive", std::nullopt, std::nullopt, u"DUP", std::nullopt, nullptr},
        FindCase{"IdNeverMatches", msoControlButton, 1, u"dup", std::nullopt, nullptr},
        FindCase{"HiddenBarFoundWithoutVisible", std::nullopt, std::nullopt, u"hiddenbar",
                 std::nullopt, "C.hiddenbar"},
        FindCase{"HiddenBarSkippedWithVisible", std::nullopt, std::nullopt, u"hiddenbar", true,
                 nullptr},
        FindCase{"UnknownTag", std::nullopt, std::nullopt, u"nope", std::nullopt, nullptr},
        FindCase{"NoCriteria", std::nullopt, std::nullopt, std::nullopt, std::nullopt, "File"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(FindTest, CommandBarFindControlSearchesOnlyThatBar) {
    auto b = window->CommandBars()->Item(u"B");
    EXPECT_EQ(b->FindControl(std::nullopt, std::nullopt, u"dup", std::nullopt, true),
              std::shared_ptr<CommandBarControl>(controls["B.dup"]));
    EXPECT_FALSE(b->FindControl(std::nullopt, std::nullopt, u"combo", std::nullopt, true));
    EXPECT_FALSE(window->CommandBars()->Item(u"A")->FindControl(std::nullopt, std::nullopt, u"dup",
                                                                true, std::nullopt));
}

TEST_F(FindTest, ObjectsKeepTheirIdentity) {
    auto bars1 = window->CommandBars();
    EXPECT_EQ(bars1, window->CommandBars());
    auto first = bars1->FindControl(std::nullopt, std::nullopt, u"dup", std::nullopt);
    auto again = bars1->FindControl(std::nullopt, std::nullopt, u"dup", std::nullopt);
    EXPECT_TRUE(SameObject(first, again));
    EXPECT_EQ(first.get(), again.get());
    auto bar = bars1->Item(u"A");
    EXPECT_TRUE(SameObject(first->Parent(), bar));
    EXPECT_EQ(bar->Controls(), bar->Controls());
    EXPECT_FALSE(SameObject(first, bars1->FindControl(std::nullopt, std::nullopt, u"dup", true)));
}

// ---- Controls.Add and positions ----------------------------------------------------------

struct AddCase {
    const char* name;
    std::optional<std::int32_t> type;
    std::optional<std::int32_t> before;
    std::int32_t expectedIndex;  // 0: Add fails
};
// Test names show the case, not its bytes.
void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlsAddTest : public SimTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(ControlsAddTest, InsertsBeforeTheGivenPositionOrAppends) {
    const auto& p = GetParam();
    addControl(window, u"Tessaly", u"one");
    addControl(window, u"Tessaly", u"two");
    auto controls = window->CommandBars()->Item(u"Tessaly")->Controls();
    if (p.expectedIndex == 0) {
        EXPECT_THROW(controls->Add(p.type, std::nullopt, p.before, true), Error);
        EXPECT_TRUE(trace.calls().back().failed);
        EXPECT_EQ(controls->Count(), 2);
        return;
    }
    auto added = controls->Add(p.type, std::nullopt, p.before, true);
    EXPECT_EQ(added->Index(), p.expectedIndex);
    EXPECT_EQ(added->Type(), p.type.value_or(msoControlButton));
    EXPECT_EQ(controls->Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Positions, ControlsAddTest,
                         ::testing::Values(AddCase{"Append", msoControlButton, std::nullopt, 3},
                                           AddCase{"First", msoControlButton, 1, 1},
                                           AddCase{"Middle", msoControlComboBox, 2, 2},
                                           AddCase{"CountPlusOne", msoControlButton, 3, 3},
                                           AddCase{"TypeOmitted", std::nullopt, 1, 1},
                                           AddCase{"Zero", msoControlButton, 0, 0},
                                           AddCase{"BeyondEnd", msoControlButton, 4, 0},
                                           AddCase{"Popup", 10, std::nullopt, 0},
                                           AddCase{"EditBox", 2, std::nullopt, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimTest, ControlDeleteAndMove) {
    auto one = addControl(window, u"Tessaly", u"one");
    auto two = addControl(window, u"Tessaly", u"two");
    auto three = addControl(window, u"Tessaly", u"three");

    const auto tessaly = window->CommandBars()->Item(u"Tessaly");
    one->Move(nullptr, std::nullopt);  // to the end
    EXPECT_EQ(one->Index(), 3);
    one->Move(tessaly, 1);
    EXPECT_EQ(one->Index(), 1);
    one->Move(nullptr, 3);  // before "three"
    EXPECT_EQ(two->Index(), 1);
    EXPECT_EQ(one->Index(), 2);
    EXPECT_EQ(three->Index(), 3);
    EXPECT_THROW(one->Move(nullptr, 5), Error);

    // To another bar of the window, given as the bar object Office expects.
    const auto standard = window->CommandBars()->Item(u"Standard");
    one->Move(standard, 1);
    EXPECT_EQ(one->Parent(), standard);
    EXPECT_EQ(one->Index(), 1);
    one->Move(tessaly, 3);
    EXPECT_EQ(one->Parent(), tessaly);
    EXPECT_EQ(one->Index(), 3);
    const auto otherWindow = world.OpenExplorer(inbox);
    EXPECT_THROW(one->Move(otherWindow->CommandBars()->Item(u"Standard"), 1), Error)
        << "a bar of another window cannot take it";
    EXPECT_EQ(one->Parent(), tessaly);

    two->Delete(true);
    EXPECT_FALSE(two->alive());
    EXPECT_EQ(one->Index(), 2);
    EXPECT_EQ(window->CommandBars()->Item(u"Tessaly")->Controls()->Count(), 2);
}

// ---- Combo box ---------------------------------------------------------------------------

class ComboTest : public SimTest {
  public:
    ComboTest() {
        combo = addControl<SimComboBox>(window, u"Tessaly", u"number", msoControlComboBox);
        combo->AddItem(u"111", std::nullopt);
        combo->AddItem(u"333", std::nullopt);
        combo->AddItem(u"222", 2);
    }
    std::shared_ptr<SimComboBox> combo;
};

TEST_F(ComboTest, AddItemAppendsOrInsertsAndListIsOneBased) {
    EXPECT_EQ(combo->ListCount(), 3);
    EXPECT_EQ(combo->list(), (std::vector<String>{u"111", u"222", u"333"}));
    EXPECT_EQ(combo->List(1), u"111");
    EXPECT_EQ(combo->List(3), u"333");
    EXPECT_THROW(combo->List(0), Error);
    EXPECT_THROW(combo->List(4), Error);
    EXPECT_THROW(combo->AddItem(u"x", 5), Error);
    EXPECT_THROW(combo->AddItem(u"x", 0), Error);
    EXPECT_EQ(combo->ListCount(), 3);
}

TEST_F(ComboTest, ListIndexAndTextFollowEachOther) {
    EXPECT_EQ(combo->ListIndex(), 0);
    combo->SetListIndex(2);
    EXPECT_EQ(combo->Text(), u"222");
    combo->AddItem(u"000", 1);  // the chosen entry moves down with it
    EXPECT_EQ(combo->ListIndex(), 3);

    combo->SetText(u"333");
    EXPECT_EQ(combo->ListIndex(), 4);
    combo->SetText(u"typed");
    EXPECT_EQ(combo->ListIndex(), 0);
    EXPECT_EQ(combo->Text(), u"typed");

    combo->SetListIndex(1);
    combo->SetListIndex(0);
    EXPECT_EQ(combo->ListIndex(), 0);
    EXPECT_EQ(combo->Text(), u"");
    EXPECT_THROW(combo->SetListIndex(5), Error);
    EXPECT_THROW(combo->SetListIndex(-1), Error);

    combo->SetText(u"111");
    combo->Clear();
    EXPECT_EQ(combo->ListCount(), 0);
    EXPECT_EQ(combo->ListIndex(), 0);
    EXPECT_EQ(combo->Text(), u"111");
}

TEST_F(ComboTest, SettingPropertiesRaisesNoChange) {
    int changes = 0;
    auto sink = std::make_shared<CommandBarComboBoxEvents>();
    sink->Change = [&](const auto&) { ++changes; };
    auto subscription = combo->Advise(sink);
    combo->SetText(u"x");
    combo->SetListIndex(1);
    combo->AddItem(u"y", std::nullopt);
    combo->Clear();
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace tessaly::host::sim::testing
