// The order in which each procedure walks the six toolbar controls: the host sees its calls,
// and the registry its writes, in that order.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "tests/unit/support/addin_fixture.h"
#include "tests/unit/support/call_log.h"

namespace tessaly {
namespace {

using String = std::u16string;
using Suffixes = std::vector<std::string>;

const std::string kTagPrefix = "Brindle_OutlookAddIn_";

class ControlOrderTest : public testing::AddinTest {
  protected:
    ControlOrderTest() {
        world.setUpdateMode(host::sim::UpdateMode::Idle);
        // The shipped table leaves the show-contacts button without a caption, and so unbuilt.
        resources.strings[1066] = u"&Contacts";
        resources.strings[1067] = u"Show the contacts";
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

    testing::CallLog trace{world};
};

TEST_F(ControlOrderTest, BuildPlacesTheControlsShowContactsFirst) {
    open();
    connect();
    EXPECT_EQ(suffixesCalled("CommandBarControl.Tag="),
              (Suffixes{"_ShowContacts", "_Dial", "_Combo", "_Business", "_Mobile", "_Home"}));
}

TEST_F(ControlOrderTest, TrackingLooksTheControlsUpComboLast) {
    open();
    connect();
    trace.clear();
    world.Idle();
    ASSERT_EQ(trace.events(), std::vector<std::string>{"CommandBars.OnUpdate"});
    EXPECT_EQ(suffixesCalled("CommandBars.FindControl"),
              (Suffixes{"_ShowContacts", "_Dial", "_Business", "_Home", "_Mobile", "_Combo"}));
}

TEST_F(ControlOrderTest, CloseSavesTheControlsDialFirstComboLast) {
    auto window = open();
    connect();
    platform.registry.writes.clear();
    world.Close(*window);

    const String key = u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Brindle_OutlookAddIn_";
    Suffixes saved;
    for (const String& path : platform.registry.writes) {
        if (path.starts_with(key)) {
            const std::string suffix = platform::toUtf8(
                path.substr(key.size(), path.find(u'\\', key.size()) - key.size()));
            if (saved.empty() || saved.back() != suffix) {
                saved.push_back(suffix);
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
        auto window = open();
        const auto toolbar = bar(window);
        ASSERT_TRUE(toolbar);
        ASSERT_EQ(toolbar->controls().size(), order.size());
        world.faults().Fail("CommandBarControl.Delete", failing);
        handlerOf(window)->Clear();
        world.faults().ClearAll();

        std::set<std::string> left;
        for (const auto& control : toolbar->controls()) {
            left.insert(platform::toUtf8(control->tag()).substr(kTagPrefix.size()));
        }
        EXPECT_EQ(left, std::set<std::string>(order.begin(), order.begin() + failing));
    }
}

}  // namespace
}  // namespace tessaly
