// The order in which each procedure walks the six toolbar controls: the host sees its calls,
// and the registry its writes, in that order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "addin/tessaly.h"
#include "explorer/explorer_handler.h"
#include "host/sim/sim_host.h"
#include "resources/string_table.h"
#include "tests/unit/support/call_log.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly {
namespace {

using String = std::u16string;
using Suffixes = std::vector<std::string>;

const std::string kTagPrefix = "Brindle_OutlookAddIn_";

class ControlOrderTest : public ::testing::Test {
  protected:
    ControlOrderTest() {
        world.setUpdateMode(host::sim::UpdateMode::Idle);
        for (std::uint16_t id = 1000; id < 1100; ++id) {
            if (auto text = resources::FindString(id)) {
                platform.resources.strings[id] = String(*text);
            }
        }
        // The shipped table leaves the show-contacts button without a caption, and so unbuilt.
        platform.resources.strings[1066] = u"&Contacts";
        platform.resources.strings[1067] = u"Show the contacts";
    }
    void TearDown() override {
        addin->IDTExtensibility2_OnBeginShutdown();
        addin->IDTExtensibility2_OnDisconnection();
    }
    void connect() {
        addin->IDTExtensibility2_OnConnection(world.application());
        addin->IDTExtensibility2_OnStartupComplete();
    }
    std::shared_ptr<explorer::ExplorerHandler> handlerOf(
        const std::shared_ptr<host::sim::SimExplorer>& window) {
        for (const auto& handler : *addin->handlers()) {
            if (host::SameObject(handler->explorer(), window)) {
                return handler;
            }
        }
        return nullptr;
    }
    // The control suffixes named by the quoted tags in the arguments of the calls of
    // `operation`, in call order.
    Suffixes suffixesCalled(const std::string& operation) {
        Suffixes suffixes;
        for (const auto& call : trace.calls()) {
            const auto at = call.arguments.find("\"" + kTagPrefix);
            if (call.operation == operation && at != std::string::npos) {
                const auto start = at + 1 + kTagPrefix.size();
                suffixes.push_back(
                    call.arguments.substr(start, call.arguments.find('"', start) - start));
            }
        }
        return suffixes;
    }

    host::sim::World world;
    testing::CallLog trace{world};
    std::shared_ptr<host::sim::SimFolder> folder = world.AddFolder(u"Contacts");
    testing::FakePlatform platform;
    Library library{platform.services()};
    std::shared_ptr<Tessaly> addin = Tessaly::Create(library);
};

TEST_F(ControlOrderTest, BuildPlacesTheControlsShowContactsFirst) {
    world.OpenExplorer(folder);
    connect();
    EXPECT_EQ(suffixesCalled("CommandBarControl.Tag="),
              (Suffixes{"_ShowContacts", "_Dial", "_Combo", "_Business", "_Mobile", "_Home"}));
}

TEST_F(ControlOrderTest, TrackingLooksTheControlsUpComboLast) {
    world.OpenExplorer(folder);
    connect();
    trace.clear();
    world.Idle();
    ASSERT_EQ(trace.events(), std::vector<std::string>{"CommandBars.OnUpdate"});
    EXPECT_EQ(suffixesCalled("CommandBars.FindControl"),
              (Suffixes{"_ShowContacts", "_Dial", "_Business", "_Home", "_Mobile", "_Combo"}));
}

TEST_F(ControlOrderTest, CloseSavesTheControlsDialFirstComboLast) {
    auto window = world.OpenExplorer(folder);
    connect();
    platform.registry.writes.clear();
    world.Close(*window);

    const String key = u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Brindle_OutlookAddIn_";
    Suffixes saved;
    for (const String& path : platform.registry.writes) {
        if (path.starts_with(key)) {
            const String suffix =
                path.substr(key.size(), path.find(u'\\', key.size()) - key.size());
            const std::string narrow(suffix.begin(), suffix.end());
            if (saved.empty() || saved.back() != narrow) {
                saved.push_back(narrow);
            }
        }
    }
    EXPECT_EQ(saved,
              (Suffixes{"_Dial", "_Business", "_Home", "_Mobile", "_ShowContacts", "_Combo"}));
}

// Clear goes on past a failed deletion: when the first k deletions fail, exactly the first k
// controls of its order stay on the toolbar.
TEST_F(ControlOrderTest, ClearDeletesTheControlsDialFirstComboLast) {
    const Suffixes order{"_Dial", "_Business", "_Home", "_Mobile", "_ShowContacts", "_Combo"};
    connect();
    for (int failing = 0; failing <= static_cast<int>(order.size()); ++failing) {
        SCOPED_TRACE(failing);
        auto window = world.OpenExplorer(folder);
        const auto toolbar = window->commandBars()->find(u"Brindle");
        ASSERT_TRUE(toolbar);
        ASSERT_EQ(toolbar->controls().size(), order.size());
        world.faults().Fail("CommandBarControl.Delete", failing);
        handlerOf(window)->Clear();
        world.faults().ClearAll();

        std::set<std::string> left;
        for (const auto& control : toolbar->controls()) {
            const std::u16string tag = control->tag();
            left.insert(std::string(tag.begin() + static_cast<std::ptrdiff_t>(kTagPrefix.size()),
                                    tag.end()));
        }
        EXPECT_EQ(left, std::set<std::string>(order.begin(), order.begin() + failing));
    }
}

}  // namespace
}  // namespace tessaly
