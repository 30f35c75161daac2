#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "harness/outlook/sim_host.h"
#include "session.h"

namespace tessaly::sim_tool {
namespace {

using frontend::LineError;
using frontend::Output;
using frontend::ParseLine;
using frontend::ParseProfile;
using frontend::Profile;

namespace sim = host::sim;

// A session on a two-folder profile, not connected: the commands act on the model alone, and
// the tests put controls on the bars the way the add-in would.
class SessionTest : public ::testing::Test {
  protected:
    SessionTest() : out_(text_, errors_) {}

    void Start(const char* profileText = kProfile) {
        profile_ = ParseProfile(profileText);
        SessionConfig config;
        config.registryFile = ::testing::TempDir() + "tool_session_test.reg";
        config.options.noLaunch = true;
        session_ = std::make_unique<InProcessSession>(profile_, out_, config);
    }

    void Run(const char* line, int number = 1) {
        auto command = ParseLine(line, number);
        ASSERT_TRUE(command) << line;
        session_->Execute(*command);
        session_->Report();
    }
    std::string RunError(const char* line, int number = 1) {
        try {
            Run(line, number);
        } catch (const LineError& e) {
            EXPECT_EQ(e.line(), number);
            return e.what();
        }
        return "(no error)";
    }

    std::shared_ptr<sim::SimExplorer> Explorer(int window) {
        return std::dynamic_pointer_cast<sim::SimExplorer>(
            session_->windows().at(static_cast<std::size_t>(window - 1)));
    }

    template <class T = sim::SimButton>
    std::shared_ptr<T> AddControl(int window, const std::u16string& bar, const std::u16string& tag,
                                  std::int32_t type = host::msoControlButton) {
        auto bars = Explorer(window)->commandBars();
        auto target = bars->find(bar);
        if (!target) {
            target = std::dynamic_pointer_cast<sim::SimCommandBar>(
                bars->Add(bar, std::nullopt, std::nullopt, true));
            target->SetVisible(true);  // a user can only use a bar that is shown
        }
        auto control = target->Controls()->Add(type, std::nullopt, std::nullopt, true);
        control->SetTag(tag);
        return std::dynamic_pointer_cast<T>(control);
    }

    static constexpr const char* kProfile = R"({
      "folders": [
        { "name": "Contacts", "items": [ { "type": "ContactItem", "name": "Alma Reyes" },
                                         { "type": "ContactItem", "name": "Bob" } ] },
        { "name": "Inbox", "items": [ { "type": "MailItem", "name": "Hello" } ] } ],
      "defaultContactsFolder": "Contacts",
      "explorers": [ { "folder": "Contacts" } ] })";

    std::ostringstream text_;
    std::ostringstream errors_;
    Output out_;
    Profile profile_;
    std::unique_ptr<InProcessSession> session_;
};

TEST_F(SessionTest, WindowsAreNumberedInOpeningOrderAndNeverReused) {
    Start();
    Run("open");
    Run("open Inbox");
    EXPECT_NE(text_.str().find("note: window 2 opened on folder \"Contacts\""), std::string::npos);
    EXPECT_NE(text_.str().find("note: window 3 opened on folder \"Inbox\""), std::string::npos);
    Run("close 2");
    EXPECT_EQ(RunError("activate 2", 7), "window 2 is closed");
    EXPECT_EQ(RunError("show 4", 8), "there is no window 4");
    Run("open");
    EXPECT_NE(text_.str().find("note: window 4 opened"), std::string::npos);
}

TEST_F(SessionTest, RuntimeErrorsNameWhatIsMissing) {
    Start();
    EXPECT_EQ(RunError("folder 1 Drafts", 3), "unknown folder \"Drafts\"");
    EXPECT_EQ(RunError("select 1 Ada", 4), "no item \"Ada\" in folder Contacts of window 1");
    Run("select 1 \"Alma Reyes\" Bob");
    EXPECT_EQ(Explorer(1)->selection().size(), 2u);
}

TEST_F(SessionTest, OpenWithoutDefaultContactsFolderIsAnError) {
    Start(R"({ "folders": [ { "name": "Inbox" } ] })");
    EXPECT_EQ(RunError("open", 2), "the profile has no default contacts folder");
}

TEST_F(SessionTest, ClickFindsTheButtonByTagOnAnyBarAndRaisesItsEvent) {
    Start();
    auto button = AddControl(1, u"Standard", u"Prefix__Dial");
    int clicks = 0;
    auto sink = std::make_shared<host::CommandBarButtonEvents>();
    sink->Click = [&](const std::shared_ptr<host::CommandBarButton>&, bool&) { ++clicks; };
    auto subscription = button->Advise(sink);
    Run("click 1 dial");
    EXPECT_EQ(clicks, 1);

    button->SetEnabled(false);
    Run("click 1 Dial");
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(text_.str().find("the Dial button cannot be clicked"), std::string::npos);

    // A user cannot reach a button on a bar that is not shown.
    button->SetEnabled(true);
    button->bar()->SetVisible(false);
    text_.str("");
    Run("click 1 Dial");
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(text_.str().find("note: window 1: the Dial button cannot be clicked"),
              std::string::npos);
}

TEST_F(SessionTest, MissingControlsAreNotesNotErrors) {
    Start();
    Run("click 1 Home");
    Run("type 1 123");
    Run("customize 1 delete Mobile");
    EXPECT_NE(text_.str().find("note: window 1 has no Home control; click has no effect"),
              std::string::npos);
    EXPECT_NE(text_.str().find("note: window 1 has no Combo control; type has no effect"),
              std::string::npos);
    EXPECT_NE(text_.str().find("note: window 1 has no Mobile control; customize has no effect"),
              std::string::npos);
}

TEST_F(SessionTest, TypeConfirmsTheVerbatimTextInTheCombo) {
    Start();
    auto combo = AddControl<sim::SimComboBox>(1, u"Brindle", u"P__Combo", host::msoControlComboBox);
    Run("type 1  +1 555 # kept");
    EXPECT_EQ(combo->text(), u" +1 555 # kept");
}

TEST_F(SessionTest, HandlerFailuresAreReportedAsEventErrors) {
    Start();
    auto button = AddControl(1, u"Brindle", u"P__Business");
    auto sink = std::make_shared<host::CommandBarButtonEvents>();
    sink->Click = [](const std::shared_ptr<host::CommandBarButton>&, bool&) {
        throw Error(kE_FAIL, "boom");
    };
    auto subscription = button->Advise(sink);
    Run("click 1 Business");
    EXPECT_NE(text_.str().find("event-error: CommandBarButton.Click: boom\n"), std::string::npos);
}

TEST_F(SessionTest, RestoreTakesThePrefixFromASibling) {
    Start();
    AddControl(1, u"Brindle", u"Tag_Prefix__Combo", host::msoControlComboBox);
    Run("customize 1 restore Dial");
    auto bar = Explorer(1)->commandBars()->find(u"Brindle");
    ASSERT_TRUE(bar);
    bool found = false;
    for (const auto& c : bar->controls()) {
        found = found || c->tag() == u"Tag_Prefix__Dial";
    }
    EXPECT_TRUE(found);
}

TEST_F(SessionTest, ShowListsTheToolbarAndOurControlsElsewhere) {
    Start();
    auto dial = AddControl(1, u"Brindle", u"P__Dial");
    dial->SetCaption(u"Dia&l");
    AddControl(1, u"Standard", u"P__Home");
    AddControl(1, u"Standard", u"SomeoneElse");
    Run("show 1");
    const std::string shown = text_.str();
    EXPECT_NE(shown.find("window 1: folder \"Contacts\", selection [\"Alma Reyes\"]"),
              std::string::npos);
    EXPECT_NE(shown.find("  toolbar \"Brindle\": "), std::string::npos);
    EXPECT_NE(shown.find("    1: button caption=\"Dia&l\" icon=no"), std::string::npos);
    EXPECT_NE(shown.find("  on bar \"Standard\": "), std::string::npos);
    EXPECT_NE(shown.find("tag=\"P__Home\""), std::string::npos);
    EXPECT_EQ(shown.find("SomeoneElse"), std::string::npos);
}

// Inspectors are numbered with the Explorers and take only the commands a window of any kind
// takes; an Explorer's own commands on one are errors. (Not connected: nothing customises.)
TEST_F(SessionTest, InspectorsShareTheWindowNumbers) {
    Start();
    Run("inspect 1 Bob");
    Run("show 2");
    EXPECT_EQ(text_.str(),
              "note: window 2 opened: an inspector of ContactItem \"Bob\"\n"
              "window 2: inspector of ContactItem \"Bob\"\n"
              "ribbon 2: none\n");
    EXPECT_EQ(RunError("select 2 Bob", 5),
              "window 2 is an Inspector; select needs an Explorer window");
    EXPECT_EQ(RunError("rightclick 2 Bob", 6),
              "window 2 is an Inspector; rightclick needs an Explorer window");
    EXPECT_EQ(RunError("inspect 1 Nobody", 7), "no item \"Nobody\" in folder Contacts of window 1");
    Run("close 2");
    EXPECT_EQ(RunError("show 2", 8), "window 2 is closed");
    text_.str("");
    Run("open");
    EXPECT_EQ(text_.str(), "note: window 3 opened on folder \"Contacts\"\n");
}

TEST_F(SessionTest, SetChangesTheItemWhereverItIsAndRefusesWhatItCannot) {
    Start(R"({ "folders": [
        { "name": "Contacts", "items": [ { "type": "ContactItem", "name": "Bob" },
                                         { "type": "ContactItem", "name": "Twin" } ] },
        { "name": "Inbox", "items": [ { "type": "MailItem", "name": "Hello" },
                                      { "type": "MailItem", "name": "Twin" } ] } ] })");
    Run("set Bob MobileTelephoneNumber \"+1 555 0100\"");
    const auto bob = std::dynamic_pointer_cast<sim::SimContact>(
        session_->world().FindFolder(u"Contacts")->findItem(u"Bob"));
    EXPECT_EQ(bob->number(u"MobileTelephoneNumber"), u"+1 555 0100");
    Run("set Bob MobileTelephoneNumber \"\"");
    EXPECT_EQ(bob->number(u"MobileTelephoneNumber"), u"");
    EXPECT_EQ(RunError("set Nobody MobileTelephoneNumber 1", 2),
              "no item \"Nobody\" in any folder");
    EXPECT_EQ(RunError("set Twin MobileTelephoneNumber 1", 3),
              "the item name \"Twin\" is in more than one folder (\"Contacts\", \"Inbox\")");
    EXPECT_EQ(RunError("set Hello MobileTelephoneNumber 1", 4),
              "a MailItem has no property \"MobileTelephoneNumber\" that set can change");
    EXPECT_EQ(RunError("set Bob FaxNumber 1", 5),
              "a ContactItem has no property \"FaxNumber\" that set can change");
}

// Without the add-in's customisation a context menu has nothing of it and nothing drops; the
// menu stays open until another command.
TEST_F(SessionTest, MenusWithoutACustomisation) {
    Start();
    Run("rightclick 1 Bob");
    Run("drop 1");
    Run("choose 1 1");
    Run("select 1 Bob");
    Run("choose 1 1");
    EXPECT_EQ(text_.str(),
              "menu 1: ContextMenuContactItem\n"
              "menu 1: (nothing of the add-in)\n"
              "note: window 1 has no ribbon; drop has no effect\n"
              "note: window 1: the menu has no entry 1 to choose\n"
              "note: window 1: no menu is open; choose has no effect\n");
}

TEST_F(SessionTest, WaitAdvancesVirtualTime) {
    Start();
    int fired = 0;
    const auto id = session_->loop().SetTimer(500, [&](std::uint32_t) { ++fired; });
    Run("wait 499");
    EXPECT_EQ(fired, 0);
    Run("wait 1001");
    EXPECT_EQ(fired, 3);
    session_->loop().KillTimer(id);
}

TEST(SimServicesTest, MessagesAndLaunchesArePrintedOnOneLine) {
    std::ostringstream text;
    std::ostringstream errors;
    Output out(text, errors);
    SimServices services(out, ::testing::TempDir() + "tool_services_test.reg", false);
    auto s = services.services();
    s.messages.ShowMessage(u"first\r\nsecond\nthird", u"Title");
    EXPECT_TRUE(s.processes.Start(u"\"C:\\Phone\\phone.exe\" /dial:123"));
    EXPECT_EQ(text.str(),
              "message: Title: first\\nsecond\\nthird\n"
              "launch: \"C:\\Phone\\phone.exe\" /dial:123\n");
}

// A start that fails, or a line every launcher refuses, is printed as such, with or without
// --no-launch; the user sees nothing either way.
TEST(SimServicesTest, FailedStartsArePrintedAsFailed) {
    using namespace std::string_literals;
    struct Case {
        bool launch;
        std::u16string line;
        bool started;
        std::string printed;
    };
    const Case cases[] = {
        {true, u"/nonexistent/tessaly/phone /ap \"/postpone 1\"", false,
         "launch failed: /nonexistent/tessaly/phone /ap \"/postpone 1\"\n"},
        {false, u"phone /ap \"/postpone 1\"", true, "launch: phone /ap \"/postpone 1\"\n"},
        {false, u"phone 1\0 2"s, false, "launch failed: phone 1"},
        {false, u"phone " + std::u16string(40000, u'5'), false, "launch failed: phone 555"},
    };
    for (const Case& c : cases) {
        std::ostringstream text;
        std::ostringstream errors;
        Output out(text, errors);
        SimServices services(out, ::testing::TempDir() + "tool_services_test.reg", c.launch);
        EXPECT_EQ(services.services().processes.Start(c.line), c.started) << c.printed;
        EXPECT_EQ(text.str().substr(0, c.printed.size()), c.printed);
    }
}

}  // namespace
}  // namespace tessaly::sim_tool
