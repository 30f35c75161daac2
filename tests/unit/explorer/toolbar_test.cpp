// Building the toolbar in a window, with and without a stored layout.
#include <gtest/gtest.h>

#include "platform/utf.h"
#include "tests/unit/support/addin_fixture.h"

namespace tessaly {
namespace {

using String = std::u16string;

using host::sim::SimButton;

class ToolbarTest : public testing::AddinTest {};

TEST_F(ToolbarTest, FirstRunBuildsTheDefaultToolbar) {
    auto window = open();
    connect();

    auto toolbar = bar(window);
    ASSERT_TRUE(toolbar);
    EXPECT_TRUE(toolbar->temporary());
    EXPECT_TRUE(toolbar->visible());
    EXPECT_EQ(toolbar->position(), host::msoBarTop);
    EXPECT_TRUE(toolbar->adaptiveMenu());
    EXPECT_EQ(toolbar->protection() & host::msoBarNoCustomize, host::msoBarNoCustomize);

    struct Expected {
        std::int32_t type;
        const char16_t* tag;
        const char16_t* caption;
        std::int32_t style;
    };
    const Expected expected[] = {
        {host::msoControlButton, u"Brindle_OutlookAddIn__Dial", u"Dia&l", 3},
        {host::msoControlComboBox, u"Brindle_OutlookAddIn__Combo", u"", 0},
        {host::msoControlButton, u"Brindle_OutlookAddIn__Business", u"&Business", 2},
        {host::msoControlButton, u"Brindle_OutlookAddIn__Mobile", u"&Mobile", 2},
        {host::msoControlButton, u"Brindle_OutlookAddIn__Home", u"&Home", 2},
    };
    const auto& controls = toolbar->controls();
    ASSERT_EQ(controls.size(), std::size(expected));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(controls[i]->type(), expected[i].type);
        EXPECT_EQ(controls[i]->tag(), expected[i].tag);
        EXPECT_EQ(controls[i]->caption(), expected[i].caption);
        EXPECT_TRUE(controls[i]->temporary());
        if (auto button = std::dynamic_pointer_cast<SimButton>(controls[i])) {
            EXPECT_EQ(button->style(), expected[i].style);
            EXPECT_TRUE(button->beginGroup());
        }
    }
    auto dial = control(window, u"_Dial");
    EXPECT_TRUE(dial->picture() && dial->mask());
    EXPECT_FALSE(dial->enabled()) << "the combo box is empty";
    EXPECT_EQ(dial->tooltipText(), u"Dial selected phone number");
    auto numbers = combo(window);
    EXPECT_EQ(numbers->width(), 220);
    EXPECT_EQ(numbers->dropDownLines(), 6);
    EXPECT_EQ(numbers->tooltipText(), u"Enter number to dial");
    EXPECT_FALSE(numbers->beginGroup());
    EXPECT_FALSE(control(window, u"_ShowContacts")) << "the shipped strings do not dress it";
}

TEST_F(ToolbarTest, ExistingProtectionBitsAreKept) {
    auto window = open();
    auto existing = window->commandBars()->Add(u"Brindle", std::nullopt, std::nullopt, true);
    existing->SetProtection(4);
    connect();
    EXPECT_EQ(bar(window)->protection(), 5);
    EXPECT_EQ(window->commandBars()->bars().back()->name(), u"Brindle") << "reused, not added";
}

TEST_F(ToolbarTest, StoredPositionsInsertOrAppend) {
    // Business before index 1, Home far beyond the end.
    store(u"BeforePos", String(u"1"), u"_Business");
    store(u"BeforePos", String(u"99"), u"_Home");
    auto window = open();
    connect();
    std::vector<String> tags;
    for (const auto& c : bar(window)->controls()) {
        tags.push_back(c->tag().substr(std::size(u"Brindle_OutlookAddIn_") - 1));
    }
    EXPECT_EQ(tags, (std::vector<String>{u"_Business", u"_Dial", u"_Combo", u"_Mobile", u"_Home"}));
}

TEST_F(ToolbarTest, StoredPositionsOutsideTheBarAppend) {
    connect();
    // Office refuses a Before outside 1..Count+1: these would lose the control for good.
    for (const char16_t* stored : {u"0", u"-5", u"-1", u"2147483647"}) {
        SCOPED_TRACE(platform::toPrintableUtf8(stored));
        store(u"BeforePos", String(stored), u"_Business");
        auto window = open();
        std::vector<String> tags;
        for (const auto& c : bar(window)->controls()) {
            tags.push_back(c->tag().substr(std::size(u"Brindle_OutlookAddIn_") - 1));
        }
        EXPECT_EQ(tags,
                  (std::vector<String>{u"_Dial", u"_Combo", u"_Business", u"_Mobile", u"_Home"}));
    }
}

TEST_F(ToolbarTest, ControlStoredOnABuiltInBarGoesThere) {
    store(u"CommandBarName", String(u"Standard"), u"_Mobile");
    store(u"BeforePos", String(u"2"), u"_Mobile");
    auto window = open();
    connect();
    auto mobile = control(window, u"_Mobile");
    ASSERT_TRUE(mobile);
    EXPECT_EQ(mobile->bar()->name(), u"Standard");
    EXPECT_EQ(mobile->bar()->indexOf(*mobile), 2);
    EXPECT_EQ(bar(window)->controls().size(), 4u);
}

TEST_F(ToolbarTest, RemovedControlIsNotBuilt) {
    store(u"Exists", 0u, u"_Dial");
    store(u"Exists", 0u, u"_Home");
    auto window = open();
    connect();
    EXPECT_FALSE(control(window, u"_Dial"));
    EXPECT_FALSE(combo(window)) << "no combo box without the Dial button";
    EXPECT_FALSE(control(window, u"_Home"));
    EXPECT_TRUE(control(window, u"_Business"));
}

TEST_F(ToolbarTest, RemovedToolbarIsNotBuiltButItsControlsStillAre) {
    store(u"Exists", 0u);
    store(u"CommandBarName", String(u"Brindle"), u"_Dial");
    auto window = open();
    connect();
    auto holder = bar(window);
    ASSERT_TRUE(holder) << "a temporary bar of that name holds the controls";
    EXPECT_FALSE(holder->visible());
    EXPECT_EQ(holder->controls().size(), 5u);
    EXPECT_FALSE(handlerOf(window)->toolbar());
}

TEST_F(ToolbarTest, ShutdownDeletesTheControlsFromEveryWindowAndKeepsTheToolbar) {
    auto first = open();
    auto second = open();
    connect();
    ASSERT_TRUE(world.MoveControl(*second, control(second, u"_Home"), u"Standard", 1));

    addin->IDTExtensibility2_OnBeginShutdown();
    addin->IDTExtensibility2_OnDisconnection();
    for (const auto& window : {first, second}) {
        ASSERT_TRUE(bar(window)) << "the toolbar stays";
        EXPECT_TRUE(bar(window)->controls().empty());
        for (const char16_t* suffix : {u"_Dial", u"_Combo", u"_Business", u"_Mobile", u"_Home"}) {
            EXPECT_FALSE(control<host::sim::SimControl>(window, suffix)) << "wherever it was";
        }
    }
}

TEST_F(ToolbarTest, HostFailuresAbandonOnlyTheirOwnStep) {
    const char* operations[] = {"CommandBars.Add",        "CommandBar.Visible=",
                                "CommandBarControls.Add", "CommandBarButton.Picture=",
                                "CommandBarControl.Tag=", "CommandBarComboBox.DropDownLines=",
                                "CommandBar.Protection=", "CommandBarControl.Caption="};
    for (const char* operation : operations) {
        SCOPED_TRACE(operation);
        world.faults().ClearAll();
        world.faults().Fail(operation);
        auto window = open();
        if (!addin->handlers()) {
            connect();
        }
        auto handler = handlerOf(window);
        ASSERT_TRUE(handler) << "the window is kept whatever failed";
        EXPECT_TRUE(handler->attached());
        EXPECT_TRUE(world.eventFailures().empty());
    }
}

}  // namespace
}  // namespace tessaly
