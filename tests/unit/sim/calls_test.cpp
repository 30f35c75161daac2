// Fault injection, the call log, and calls on objects that no longer exist.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/sim/sim_fixture.h"

namespace tessaly::host::sim::testing {
namespace {

using Call = std::function<void(SimTest&)>;

std::vector<CallRecord> callsOf(tessaly::testing::CallLog& trace, const std::string& operation) {
    std::vector<CallRecord> out;
    for (const auto& call : trace.calls()) {
        if (call.operation == operation) {
            out.push_back(call);
        }
    }
    return out;
}

// ---- Faults ----------------------------------------------------------------------------

struct FaultCase {
    const char* operation;
    Call call;
};
// Test names show the case, not its bytes.
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.operation;
}

class FaultTest : public SimTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, FailsTheArmedNumberOfTimesThenRecoversAndLogsEveryCall) {
    const auto& param = GetParam();
    world.faults().Fail(param.operation, 2, kE_INVALIDARG);
    trace.clear();
    for (int i = 0; i < 2; ++i) {
        try {
            param.call(*this);
            FAIL() << "call " << i << " should have failed";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), kE_INVALIDARG);
        }
    }
    EXPECT_NO_THROW(param.call(*this));
    EXPECT_NO_THROW(param.call(*this));

    const auto log = callsOf(trace, param.operation);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(log[0].failed);
    EXPECT_TRUE(log[1].failed);
    EXPECT_FALSE(log[2].failed);
    EXPECT_FALSE(log[3].failed);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FaultTest,
    ::testing::Values(
        FaultCase{"Explorer.CommandBars", [](SimTest& fx) { fx.window->CommandBars(); }},
        FaultCase{"CommandBars.Add",
                  [](SimTest& fx) {
                      fx.window->CommandBars()->Add(std::nullopt, std::nullopt, std::nullopt, true);
                  }},
        FaultCase{"CommandBarControl.Tag=",
                  [](SimTest& fx) {
                      fx.window->commandBars()->find(u"Standard")->controls()[0]->SetTag(u"x");
                  }},
        FaultCase{"ContactItem.MobileTelephoneNumber",
                  [](SimTest& fx) { EXPECT_EQ(fx.alice->MobileTelephoneNumber(), u"+1 555"); }},
        FaultCase{"Explorers.Item",
                  [](SimTest& fx) { fx.world.application()->Explorers()->Item(1); }},
        FaultCase{"NameSpace.GetDefaultFolder",
                  [](SimTest& fx) { fx.window->Session()->GetDefaultFolder(olFolderContacts); }},
        FaultCase{"CommandBarButton.Advise",
                  [](SimTest& fx) {
                      auto button = std::dynamic_pointer_cast<SimButton>(
                          fx.window->commandBars()->find(u"Standard")->controls()[0]);
                      button->Advise(std::make_shared<CommandBarButtonEvents>());
                  }},
        FaultCase{"Selection.Parent",
                  [](SimTest& fx) {
                      EXPECT_TRUE(SameObject(fx.window->Selection()->Parent(), fx.window));
                  }},
        FaultCase{
            "Inspector.CurrentItem",
            [](SimTest& fx) { EXPECT_TRUE(SameObject(fx.inspector()->CurrentItem(), fx.alice)); }},
        FaultCase{"Inspector.Session",
                  [](SimTest& fx) {
                      EXPECT_TRUE(SameObject(fx.inspector()->Session(), fx.world.session()));
                  }},
        FaultCase{"Inspector.Advise", [](SimTest& fx) {
                      fx.inspector()->Advise(std::make_shared<InspectorEvents>());
                  }}));

TEST_F(SimTest, FaultArmedForeverFailsUntilClearedAndLeavesOtherOperationsAlone) {
    world.faults().Fail("Explorer.Selection");
    for (int i = 0; i < 5; ++i) {
        EXPECT_THROW(window->Selection(), Error);
    }
    EXPECT_NO_THROW(window->Session());
    world.faults().Clear("Explorer.Selection");
    EXPECT_NO_THROW(window->Selection());

    world.faults().Fail("Explorer.Selection");
    world.faults().Fail("Explorer.Session");
    world.faults().ClearAll();
    EXPECT_NO_THROW(window->Selection());
    EXPECT_NO_THROW(window->Session());
}

TEST_F(SimTest, FaultUsesTheArmedCode) {
    world.faults().Fail("Explorers.Count", 1, kDISP_E_BADINDEX);
    try {
        world.application()->Explorers()->Count();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), kDISP_E_BADINDEX);
    }
}

// ---- Trace ------------------------------------------------------------------------------

struct LogCase {
    const char* name;
    Call call;
    const char* operation;
    const char* arguments;
    const char* result;
};
// Test names show the case, not its bytes.
void PrintTo(const LogCase& c, std::ostream* os) {
    *os << c.name;
}

class LogTest : public SimTest, public ::testing::WithParamInterface<LogCase> {};

TEST_P(LogTest, RecordsOperationFormattedArgumentsAndResult) {
    const auto& param = GetParam();
    trace.clear();
    param.call(*this);
    ASSERT_FALSE(trace.calls().empty());
    const auto& last = trace.calls().back();
    EXPECT_EQ(last.operation, param.operation);
    EXPECT_EQ(last.arguments, param.arguments);
    EXPECT_EQ(last.result, param.result);
    EXPECT_FALSE(last.failed);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, LogTest,
    ::testing::Values(
        LogCase{"PropertyRead", [](SimTest& fx) { fx.window->CommandBars(); },
                "Explorer.CommandBars", "", "CommandBars#1"},
        LogCase{"OmittedAndBooleans",
                [](SimTest& fx) {
                    fx.window->CommandBars()->Add(u"Tessaly", std::nullopt, false, true);
                },
                "CommandBars.Add", "\"Tessaly\", , False, True", "CommandBar#1"},
        LogCase{"AllOmitted",
                [](SimTest& fx) {
                    fx.window->CommandBars()->FindControl(std::nullopt, std::nullopt, std::nullopt,
                                                          std::nullopt);
                },
                "CommandBars.FindControl", ", , , ", "CommandBarButton#1"},
        LogCase{"Numbers",
                [](SimTest& fx) {
                    fx.window->commandBars()
                        ->find(u"Standard")
                        ->Controls()
                        ->Add(msoControlComboBox, std::nullopt, 2, std::nullopt);
                },
                "CommandBarControls.Add", "4, , 2, ", "CommandBarComboBox#1"},
        LogCase{"PropertyWriteUtf8",
                [](SimTest& fx) {
                    fx.window->commandBars()
                        ->find(u"Standard")
                        ->controls()[0]
                        ->SetCaption(u"Gr\u00fc\u00dfe \U0001F600 \"q\"\n");
                },
                "CommandBarControl.Caption=",
                "\"Gr\xC3\xBC\xC3\x9F"
                "e \xF0\x9F\x98\x80 \\\"q\\\"\\n\"",
                ""},
        LogCase{"FolderObject", [](SimTest& fx) { fx.window->SetCurrentFolder(fx.inbox); },
                "Explorer.CurrentFolder=", "MAPIFolder#1", ""},
        LogCase{"NullPicture",
                [](SimTest& fx) {
                    std::dynamic_pointer_cast<SimButton>(
                        fx.window->commandBars()->find(u"Standard")->controls()[0])
                        ->SetPicture(nullptr);
                },
                "CommandBarButton.Picture=", "Nothing", ""},
        LogCase{"ContactRead", [](SimTest& fx) { fx.alice->TypeName(); }, "Item.TypeName", "",
                "\"ContactItem\""},
        LogCase{"InspectorItem", [](SimTest& fx) { fx.inspector()->CurrentItem(); },
                "Inspector.CurrentItem", "", "ContactItem#1"},
        LogCase{"SelectionParent", [](SimTest& fx) { fx.window->Selection()->Parent(); },
                "Selection.Parent", "", "Explorer#1"},
        LogCase{"NothingFound",
                [](SimTest& fx) {
                    fx.window->CommandBars()->FindControl(1, std::nullopt, u"none", std::nullopt);
                },
                "CommandBars.FindControl", "1, , \"none\", ", "Nothing"}),
    [](const auto& p) { return std::string(p.param.name); });

struct LineCase {
    CallRecord call;
    const char* line;
};

class TraceLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(TraceLineTest, WritesTheCallAsVisualBasicWould) {
    EXPECT_EQ(TraceLine(GetParam().call), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, TraceLineTest,
    ::testing::Values(LineCase{{"CommandBars.Add", "\"Brindle\", 1, , True", "CommandBar#3"},
                               "call CommandBars.Add(\"Brindle\", 1, , True) -> CommandBar#3"},
                      LineCase{{"CommandBar.Visible=", "True", ""},
                               "call CommandBar.Visible = True"},
                      LineCase{{"Explorer.CommandBars", "", "CommandBars#1"},
                               "call Explorer.CommandBars -> CommandBars#1"},
                      LineCase{{"CommandBar.Delete", "", ""}, "call CommandBar.Delete"},
                      LineCase{{"CommandBars.Item", "\"Brindle\"", "", true, kE_INVALIDARG},
                               "call CommandBars.Item(\"Brindle\") -> failed 0x80070057"}));

// In the strict mode the update is raised inside the changing call: the trace still gives
// that call with its result first, then the event, then what the handler did.
TEST_F(SimTest, TraceKeepsTheOrderOfCallsAndEventsRaisedInsideThem) {
    world.setUpdateMode(UpdateMode::Strict);
    auto commandBars = window->CommandBars();
    auto sink = std::make_shared<CommandBarsEvents>();
    sink->OnUpdate = [&] { commandBars->Item(u"Standard"); };
    auto subscription = commandBars->Advise(sink);

    std::ostringstream out;
    TraceWriter writer(out);
    world.setTrace(&writer);
    auto bar = commandBars->Add(u"Tessaly", std::nullopt, std::nullopt, true);
    bar->SetVisible(true);
    EXPECT_THROW(commandBars->Item(u"nothing"), Error);
    world.setTrace(&trace);

    EXPECT_EQ(out.str(),
              "call CommandBars.Add(\"Tessaly\", , , True) -> CommandBar#1\n"
              "event CommandBars.OnUpdate\n"
              "call CommandBars.Item(\"Standard\") -> CommandBar#2\n"
              "call CommandBar.Visible = True\n"
              "event CommandBars.OnUpdate\n"
              "call CommandBars.Item(\"Standard\") -> CommandBar#2\n"
              "call CommandBars.Item(\"nothing\") -> failed 0x80070057\n");
}

// Without a trace the arguments are formatted only for a failure armed with arguments.
TEST(SimWorld, FailureArmedWithArgumentsHitsOnlyThoseArgumentsWithoutATrace) {
    World world;
    auto window = world.OpenExplorer(world.AddFolder(u"Inbox"));
    world.faults().Fail("CommandBars.Item(\"Standard\")", 1);
    EXPECT_NO_THROW(window->CommandBars()->Item(u"Web"));
    EXPECT_THROW(window->CommandBars()->Item(u"Standard"), Error);
    EXPECT_NO_THROW(window->CommandBars()->Item(u"Standard"));
}

TEST_F(SimTest, UserActionsAndInspectionAreNotLogged) {
    auto button = addControl(window, u"Tessaly", u"call");
    trace.clear();
    world.Click(button);
    world.Select(*window, {alice});
    world.SwitchFolder(*window, inbox);
    world.Activate(*window);
    world.RaiseUpdate(*window);
    (void)button->tag();
    (void)window->commandBars()->find(u"Tessaly");
    (void)alice->number(u"MobileTelephoneNumber");
    EXPECT_TRUE(trace.calls().empty());
}

// ---- Objects that are gone ---------------------------------------------------------------

struct GoneCase {
    const char* name;
    // Makes an object unusable and returns a call on it.
    std::function<Call(SimTest&)> arrange;
};
// Test names show the case, not its bytes.
void PrintTo(const GoneCase& c, std::ostream* os) {
    *os << c.name;
}

class GoneTest : public SimTest, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(GoneTest, CallsFailAndAreLoggedAsFailed) {
    const Call call = GetParam().arrange(*this);
    trace.clear();
    EXPECT_THROW(call(*this), Error);
    ASSERT_EQ(trace.calls().size(), 1u);
    EXPECT_TRUE(trace.calls().back().failed);
}

std::shared_ptr<SimButton> deletedButton(SimTest& fx) {
    auto button = fx.addControl(fx.window, u"Tessaly", u"call");
    button->Delete(std::nullopt);
    return button;
}

INSTANTIATE_TEST_SUITE_P(
    Objects, GoneTest,
    ::testing::Values(GoneCase{"DeletedControlRead",
                               [](SimTest& fx) -> Call {
                                   auto b = deletedButton(fx);
                                   return [b](SimTest&) { b->Tag(); };
                               }},
                      GoneCase{"DeletedControlWrite",
                               [](SimTest& fx) -> Call {
                                   auto b = deletedButton(fx);
                                   return [b](SimTest&) { b->SetCaption(u"x"); };
                               }},
                      GoneCase{"DeletedControlAdvise",
                               [](SimTest& fx) -> Call {
                                   auto b = deletedButton(fx);
                                   return [b](SimTest&) {
                                       b->Advise(std::make_shared<CommandBarButtonEvents>());
                                   };
                               }},
                      GoneCase{"ControlOfDeletedBar",
                               [](SimTest& fx) -> Call {
                                   auto b = fx.addControl(fx.window, u"Tessaly", u"call");
                                   fx.window->CommandBars()->Item(u"Tessaly")->Delete();
                                   return [b](SimTest&) { b->Index(); };
                               }},
                      GoneCase{"DeletedBar",
                               [](SimTest& fx) -> Call {
                                   fx.addControl(fx.window, u"Tessaly", u"call");
                                   auto bar = fx.window->CommandBars()->Item(u"Tessaly");
                                   bar->Delete();
                                   return [bar](SimTest&) { bar->Name(); };
                               }},
                      GoneCase{"ControlsOfDeletedBar",
                               [](SimTest& fx) -> Call {
                                   fx.addControl(fx.window, u"Tessaly", u"call");
                                   auto bar = fx.window->CommandBars()->Item(u"Tessaly");
                                   auto controls = bar->Controls();
                                   bar->Delete();
                                   return [controls](SimTest&) {
                                       controls->Add(msoControlButton, std::nullopt, std::nullopt,
                                                     true);
                                   };
                               }},
                      GoneCase{"ClosedExplorer",
                               [](SimTest& fx) -> Call {
                                   fx.world.Close(*fx.window);
                                   return [](SimTest& s) { s.window->Selection(); };
                               }},
                      GoneCase{"CommandBarsOfClosedExplorer",
                               [](SimTest& fx) -> Call {
                                   auto bars = fx.window->CommandBars();
                                   fx.world.Close(*fx.window);
                                   return [bars](SimTest&) { bars->Item(u"Standard"); };
                               }},
                      GoneCase{"ControlOfClosedExplorer",
                               [](SimTest& fx) -> Call {
                                   auto b = fx.addControl(fx.window, u"Tessaly", u"call");
                                   fx.world.Close(*fx.window);
                                   return [b](SimTest&) { b->SetVisible(false); };
                               }},
                      GoneCase{"ClosedInspector",
                               [](SimTest& fx) -> Call {
                                   auto inspector = fx.inspector();
                                   fx.world.Close(*inspector);
                                   return [inspector](SimTest&) { inspector->CurrentItem(); };
                               }}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- Outlook objects ---------------------------------------------------------------------

TEST_F(SimTest, SessionAndSelection) {
    auto folder = window->Session()->GetDefaultFolder(olFolderContacts);
    EXPECT_TRUE(SameObject(folder, contacts));
    EXPECT_THROW(window->Session()->GetDefaultFolder(6), Error);

    // The selection is a snapshot of the moment it was read.
    auto before = window->Selection();
    world.Select(*window, {});
    ASSERT_EQ(before->Count(), 1);
    EXPECT_TRUE(SameObject(before->Item(1), alice));
    EXPECT_THROW(before->Item(2), Error);
    EXPECT_THROW(before->Item(0), Error);
    EXPECT_EQ(window->Selection()->Count(), 0);
    EXPECT_EQ(mail->TypeName(), u"MailItem");
    EXPECT_EQ(alice->TypeName(), u"ContactItem");
    EXPECT_EQ(alice->HomeTelephoneNumber(), u"");
}

TEST(SimWorld, GetDefaultFolderFailsWithoutContactsFolder) {
    World world;
    auto window = world.OpenExplorer(world.AddFolder(u"Inbox"));
    EXPECT_THROW(window->Session()->GetDefaultFolder(olFolderContacts), Error);
    EXPECT_TRUE(window->Selection()->Count() == 0);
}

}  // namespace
}  // namespace tessaly::host::sim::testing
