// The simulated Office's ribbon with an add-in whose customUI and menu content the tests write,
// in a world of contacts and mail with one Explorer window on the contacts.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness/outlook/ribbon.h"
#include "tests/unit/ribbon/xml_parser.h"

namespace tessaly::host::sim::testing {

using String = std::u16string;

inline const String kNamespace2009 = u"http://schemas.microsoft.com/office/2009/07/customui";
inline const String kOpen = u"<customUI xmlns=\"" + kNamespace2009 + u"\"";
inline const String kContact = u"Microsoft.Outlook.Contact";

// An add-in with a callback table that records its calls: Load keeps the IRibbonUI, Act
// records the control and its Context, Label answers the label set for the Context, Content
// answers `content` and records its Context.
class FakeAddin : public RibbonExtensibility {
  public:
    FakeAddin() {
        table_ = {
            {u"Load", RibbonCallback::Load([this](const auto& ui) {
                 ui_ = ui;
                 ++loads;
             })},
            {u"Act", RibbonCallback::Action([this](const RibbonControlRef& c) {
                 acted.push_back(c->Id());
                 actedTags.push_back(c->Tag());
                 contexts.push_back(c->Context());
             })},
            {u"Label", RibbonCallback::GetString([this](const RibbonControlRef& c) {
                 contexts.push_back(c->Context());
                 return labels[c->Context().get()];
             })},
            {u"Content", RibbonCallback::GetString([this](const RibbonControlRef& c) {
                 ++contentCalls;
                 contexts.push_back(c->Context());
                 return content;
             })},
        };
    }
    String GetCustomUI(const String& ribbonId) override {
        asked.push_back(ribbonId);
        if (ribbonId == failing) {
            throw Error(kE_FAIL, "the add-in broke");
        }
        const auto found = xml.find(ribbonId);
        return found == xml.end() ? String{} : found->second;
    }
    const std::vector<RibbonCallback>& Callbacks() const override { return table_; }

    std::map<String, String> xml;  // by ribbon id
    String failing;                // a ribbon id whose GetCustomUI fails
    std::vector<String> asked;
    std::shared_ptr<RibbonUI> ui_;
    int loads = 0;
    std::vector<String> acted;
    std::vector<String> actedTags;
    std::vector<std::shared_ptr<Object>> contexts;
    std::map<const Object*, String> labels;
    String content;
    int contentCalls = 0;

  private:
    std::vector<RibbonCallback> table_;
};

class RibbonFixture : public ::testing::Test {
  protected:
    RibbonFixture() {
        folder = world.AddFolder(u"Contacts");
        inbox = world.AddFolder(u"Inbox");
        world.SetDefaultContactsFolder(folder);
        alice = world.AddContact(*folder, u"Alice", {{u"MobileTelephoneNumber", u"+1 555"}});
        bob = world.AddContact(*folder, u"Bob", {});
        mail = world.AddItem(*inbox, u"MailItem", u"Hello");
        first = world.OpenExplorer(folder);
    }

    // The Explorer's customUI: `body` in a group on a tab of the add-in's own, `after` behind
    // the ribbon (context menus), under the root element `root`.
    static String Document(const String& body, const String& after = {},
                           const String& root = kOpen + u" onLoad=\"Load\">") {
        return root + u"<ribbon><tabs><tab id=\"T\" label=\"Tab\"><group id=\"G\">" + body +
               u"</group></tab></tabs></ribbon>" + after + u"</customUI>";
    }
    bool load(const String& body, const String& after = {},
              const String& root = kOpen + u" onLoad=\"Load\">") {
        addin.xml[kExplorerRibbonId] = Document(body, after, root);
        return ribbon.Load(addin, *parser);
    }
    // An error the model reported, containing `text`.
    bool reported(const std::string& text) const {
        for (const std::string& error : ribbon.errors()) {
            if (error.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    World world;
    std::shared_ptr<SimFolder> folder;
    std::shared_ptr<SimFolder> inbox;
    std::shared_ptr<SimContact> alice;
    std::shared_ptr<SimContact> bob;
    std::shared_ptr<SimItem> mail;
    std::shared_ptr<SimExplorer> first;
    FakeAddin addin;
    std::unique_ptr<XmlParser> parser = tessaly::testing::MakeXmlParser();
    SimRibbon ribbon{world};
};

}  // namespace tessaly::host::sim::testing
