// The add-in connected to the simulated Outlook, with the shipped string table and bitmaps,
// an in-memory registry and fake services: the base of the toolbar and dialing tests.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "addin/tessaly.h"
#include "explorer/explorer_handler.h"
#include "harness/outlook/sim_host.h"
#include "resources/embedded_resources.h"
#include "tests/unit/support/fake_services.h"

namespace tessaly::testing {

// The shipped string table and bitmaps, with the strings a test sets in `strings` in place
// of the shipped ones.
class ShippedResources : public platform::Resources {
  public:
    std::optional<platform::String> StringResource(std::uint16_t id) override {
        const auto set = strings.find(id);
        return set != strings.end() ? set->second : shipped_.StringResource(id);
    }
    std::shared_ptr<platform::Picture> BitmapPicture(std::int32_t id) override {
        return shipped_.BitmapPicture(id);
    }
    std::map<std::uint16_t, platform::String> strings;

  private:
    resources::EmbeddedResources shipped_;
};

class AddinTest : public ::testing::Test {
  protected:
    using SimExplorer = host::sim::SimExplorer;

    AddinTest() {
        contacts = world.AddFolder(u"Contacts");
        world.SetDefaultContactsFolder(contacts);
        // Timers fire from the host's message loop, which then idles.
        platform.loop.setAfterTimer([this] { world.Idle(); });
    }
    void TearDown() override {
        if (addin) {
            addin->IDTExtensibility2_OnBeginShutdown();
            addin->IDTExtensibility2_OnDisconnection();
        }
    }

    void connect() {
        addin->IDTExtensibility2_OnConnection(world.application());
        addin->IDTExtensibility2_OnStartupComplete();
    }
    std::shared_ptr<SimExplorer> open(bool ready = true) {
        return world.OpenExplorer(contacts, ready);
    }
    std::shared_ptr<host::sim::SimContact> contact(const String& name,
                                                   std::map<String, String> numbers) {
        return world.AddContact(*contacts, name, std::move(numbers));
    }

    std::shared_ptr<explorer::ExplorerHandler> handlerOf(const std::shared_ptr<SimExplorer>& w) {
        if (addin->handlers()) {
            for (const auto& h : *addin->handlers()) {
                if (host::SameObject(h->explorer(), w)) {
                    return h;
                }
            }
        }
        return nullptr;
    }
    std::shared_ptr<host::sim::SimCommandBar> bar(const std::shared_ptr<SimExplorer>& w,
                                                  const String& name = u"Brindle") {
        return w->commandBars()->find(name);
    }
    // The add-in's control with that tag suffix ("_Dial"), on any bar of the window.
    template <class T = host::sim::SimButton>
    std::shared_ptr<T> control(const std::shared_ptr<SimExplorer>& w, const String& suffix) {
        const bool combo = suffix == u"_Combo";
        return std::dynamic_pointer_cast<T>(
            w->commandBars()->findControl(combo ? host::msoControlComboBox : host::msoControlButton,
                                          u"Brindle_OutlookAddIn_" + suffix));
    }
    std::shared_ptr<host::sim::SimComboBox> combo(const std::shared_ptr<SimExplorer>& w) {
        return control<host::sim::SimComboBox>(w, u"_Combo");
    }
    // A registry value of the layout store, under the toolbar's key or a control's subkey.
    std::optional<platform::RegistryValue> stored(const String& name, const String& control = {}) {
        String path = u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\";
        if (!control.empty()) {
            path += u"Brindle_OutlookAddIn_" + control + u"\\";
        }
        return platform.registry.RegRead(path + name);
    }
    void store(const String& name, platform::RegistryValue value, const String& control = {}) {
        String path = u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\";
        if (!control.empty()) {
            path += u"Brindle_OutlookAddIn_" + control + u"\\";
        }
        platform.registry.RegWrite(path + name, value);
    }

    host::sim::World world;
    std::shared_ptr<host::sim::SimFolder> contacts;
    FakePlatform platform;
    ShippedResources resources;
    Library library{platform::Services{platform.registry, platform.registry, platform.files,
                                       platform.versions, platform.launcher, platform.loop,
                                       platform.messages, resources}};
    std::shared_ptr<Tessaly> addin = Tessaly::Create(library);
};

}  // namespace tessaly::testing
