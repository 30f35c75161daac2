// A profile with a contacts folder and a second folder, and one ready Explorer window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/outlook/sim_host.h"
#include "tests/unit/support/call_log.h"

namespace tessaly::host::sim::testing {

class SimTest : public ::testing::Test {
  public:
    SimTest() {
        contacts = world.AddFolder(u"Contacts");
        inbox = world.AddFolder(u"Inbox");
        world.SetDefaultContactsFolder(contacts);
        alice = world.AddContact(*contacts, u"Alice", {{u"MobileTelephoneNumber", u"+1 555"}});
        world.AddContact(*contacts, u"Bob", {});
        mail = world.AddItem(*inbox, u"MailItem", u"Hello");
        window = world.OpenExplorer(contacts);
    }

    std::shared_ptr<SimCommandBars> bars(const std::shared_ptr<SimExplorer>& e) {
        return std::dynamic_pointer_cast<SimCommandBars>(e->CommandBars());
    }

    // Adds a control through the host interface, as the add-in does.
    template <class T = SimButton>
    std::shared_ptr<T> addControl(const std::shared_ptr<SimExplorer>& e, const String& bar,
                                  const String& tag, std::int32_t type = msoControlButton) {
        auto b = bars(e)->find(bar);
        if (!b) {
            b = std::dynamic_pointer_cast<SimCommandBar>(
                bars(e)->Add(bar, std::nullopt, std::nullopt, true));
            b->SetVisible(true);
        }
        auto control = b->Controls()->Add(type, std::nullopt, std::nullopt, true);
        control->SetTag(tag);
        return std::dynamic_pointer_cast<T>(control);
    }

    // The Inspector of Alice, opened at the first call.
    std::shared_ptr<SimInspector> inspector() {
        if (!inspector_) {
            inspector_ = world.OpenInspector(alice);
        }
        return inspector_;
    }

    World world;
    tessaly::testing::CallLog trace{world};
    std::shared_ptr<SimFolder> contacts;
    std::shared_ptr<SimFolder> inbox;
    std::shared_ptr<SimContact> alice;
    std::shared_ptr<SimItem> mail;
    std::shared_ptr<SimExplorer> window;

  private:
    std::shared_ptr<SimInspector> inspector_;
};

}  // namespace tessaly::host::sim::testing
