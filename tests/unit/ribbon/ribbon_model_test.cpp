// The simulated Office's side of a ribbon customisation: what it refuses, how it resolves
// callbacks, and how an invalidation reaches every window with its own Context.
#include <gtest/gtest.h>

#include "harness/outlook/ribbon.h"
#include "tests/unit/ribbon/xml_parser.h"

namespace tessaly::host::sim {
namespace {

using String = std::u16string;
const String kOpen = u"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"";

// An add-in whose XML a test writes, with a callback table that records its calls.
class FakeAddin : public RibbonExtensibility {
  public:
    FakeAddin() {
        table_ = {
            {u"Load", RibbonCallback::Load([this](const auto& ui) { ui_ = ui; })},
            {u"Act", RibbonCallback::Action([this](const auto& c) { acted.push_back(c->Id()); })},
            {u"Label", RibbonCallback::GetString([this](const RibbonControlRef& c) {
                 return labels[c->Context().get()];
             })},
        };
    }
    String GetCustomUI(const String& ribbonId) override {
        return ribbonId == kExplorerRibbonId ? xml : String{};
    }
    const std::vector<RibbonCallback>& Callbacks() const override { return table_; }

    String xml;
    std::shared_ptr<RibbonUI> ui_;
    std::vector<String> acted;
    std::map<const Object*, String> labels;

  private:
    std::vector<RibbonCallback> table_;
};

class RibbonModelTest : public ::testing::Test {
  protected:
    RibbonModelTest() {
        folder = world.AddFolder(u"Contacts");
        first = world.OpenExplorer(folder);
    }
    bool load(const String& body, const String& root = kOpen + u" onLoad=\"Load\">") {
        addin.xml = root + u"<ribbon><tabs><tab id=\"T\" label=\"Tab\"><group id=\"G\">" + body +
                    u"</group></tab></tabs></ribbon></customUI>";
        return ribbon.Load(addin, *parser);
    }

    World world;
    std::shared_ptr<SimFolder> folder;
    std::shared_ptr<SimExplorer> first;
    FakeAddin addin;
    std::unique_ptr<XmlParser> parser = tessaly::testing::MakeXmlParser();
    SimRibbon ribbon{world};
};

TEST_F(RibbonModelTest, RefusesTheWholeCustomisationAsOfficeDoes) {
    struct Case {
        const char* what;
        String body;
        String root;
        const char* error;
    };
    const String button = u"<button id=\"B\" onAction=\"Act\"/>";
    const Case cases[] = {
        {"not well-formed", u"<button id=\"B\">", kOpen + u">", "not well-formed"},
        {"not valid UTF-16", u"<button id=\"B\" label=\"" + String(1, u'\xD800') + u"\"/>",
         kOpen + u">", "not valid UTF-16"},
        {"an id used twice", button + button, kOpen + u">", "the id B is used twice"},
        {"an id of the tab used again", u"<button id=\"T\"/>", kOpen + u">", "used twice"},
        // MSXML finds it itself; pugixml does not, and the model does.
        {"a repeated attribute", u"<button id=\"B\" label=\"a\" label=\"b\"/>", kOpen + u">",
         "not well-formed"},
        {"another namespace", button, u"<customUI xmlns=\"urn:other\">", "not in the customUI"},
        {"an attribute the schema lacks", u"<button id=\"B\" colour=\"red\"/>", kOpen + u">",
         "no attribute colour"},
        {"an element out of place", u"<tab id=\"X\"/>", kOpen + u">", "cannot be inside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ribbon.clearErrors();
        EXPECT_FALSE(load(c.body, c.root));
        EXPECT_FALSE(ribbon.loaded());
        EXPECT_FALSE(addin.ui_) << "onLoad is not called";
        ASSERT_EQ(ribbon.errors().size(), 1u);
        EXPECT_NE(ribbon.errors().front().find(c.error), std::string::npos)
            << ribbon.errors().front();
    }
}

TEST_F(RibbonModelTest, ACallbackThatCannotBeResolvedLeavesOnlyThatControlWithoutIt) {
    ASSERT_TRUE(
        load(u"<button id=\"A\" onAction=\"Missing\"/>"
             u"<button id=\"B\" onAction=\"Act\" getLabel=\"Act\"/>"
             u"<button id=\"C\" onAction=\"Act\"/>"));
    ASSERT_EQ(ribbon.errors().size(), 2u);
    EXPECT_NE(ribbon.errors()[0].find("onAction=\"Missing\" of A: the add-in has no callback"),
              std::string::npos);
    EXPECT_NE(
        ribbon.errors()[1].find("getLabel=\"Act\" of B: the callback has the wrong signature"),
        std::string::npos);
    EXPECT_EQ(ribbon.Click(*first, u"A"), RibbonUse::NoCallback);
    EXPECT_EQ(ribbon.Click(*first, u"B"), RibbonUse::Done);
    EXPECT_EQ(ribbon.Click(*first, u"C"), RibbonUse::Done);
    EXPECT_EQ(addin.acted, (std::vector<String>{u"B", u"C"}));
    EXPECT_TRUE(addin.ui_) << "the rest of the customisation loads";
}

TEST_F(RibbonModelTest, InvalidationRequeriesEveryWindowWithItsOwnContext) {
    auto second = world.OpenExplorer(folder);
    addin.labels[first.get()] = u"one";
    addin.labels[second.get()] = u"two";
    ASSERT_TRUE(load(u"<button id=\"B\" getLabel=\"Label\"/><button id=\"C\" label=\"fixed\"/>"));
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"one");
    EXPECT_EQ(ribbon.values(*second, u"B")->label, u"two");

    addin.labels[first.get()] = u"uno";
    addin.labels[second.get()] = u"due";
    addin.ui_->InvalidateControl(u"B");
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"one") << "queried at the next idle moment";
    world.Idle();
    EXPECT_EQ(ribbon.values(*first, u"B")->label, u"uno");
    EXPECT_EQ(ribbon.values(*second, u"B")->label, u"due");
    EXPECT_EQ(ribbon.values(*second, u"C")->label, u"fixed");

    auto third = world.OpenExplorer(folder);
    world.Idle();
    EXPECT_EQ(ribbon.values(*third, u"B")->label, u"") << "a new window is queried whole";

    EXPECT_THROW(addin.ui_->InvalidateControl(u"Nope"), Error);
    ribbon.Unload();
    EXPECT_THROW(addin.ui_->Invalidate(), Error) << "a held IRibbonUI outlives its ribbon";
}

}  // namespace
}  // namespace tessaly::host::sim
