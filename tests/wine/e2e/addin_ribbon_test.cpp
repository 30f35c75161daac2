// The stand-in host's side of an add-in's ribbon, in-process with a fake add-in: callbacks
// resolved through the add-in's GetIDsOfNames (each name once) and called with Invoke, the
// host's IRibbonControl and IRibbonUI objects as their arguments, and the add-in errors Office
// reports for a name that cannot be resolved and a callback that fails.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "addin_ribbon.h"
#include "harness/com/type_info.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/text.h"
#include "ribbon_objects.h"
#include "tests/unit/ribbon/xml_parser.h"

namespace tessaly::standin {
namespace {

namespace sim = host::sim;
namespace ids = host::dispatch::ribbon_ids;
using host::dispatch::IRibbonExtensibility;
using win32::Variant;

Variant Property(IDispatch* object, DISPID id) {
    DISPPARAMS none{};
    Variant result;
    EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                             nullptr),
              S_OK);
    return result;
}

// An add-in with a few named callbacks: Load keeps the IRibbonUI, Label answers the control's
// id, Act records the control's id and the identity of its Context, Fail raises an error.
class FakeAddin final : public win32::com::Dispatch<win32::com::ComObject<IRibbonExtensibility>> {
  public:
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR id, BSTR* xmlOut) noexcept override {
        const std::wstring ribbonId(id ? id : L"", SysStringLen(id));
        *xmlOut = ribbonId == L"Microsoft.Outlook.Explorer" ? SysAllocString(xml.c_str()) : nullptr;
        return S_OK;
    }

    std::wstring xml;
    std::wstring content;  // what Content answers
    ComPtr<IDispatch> ui;
    std::vector<std::pair<std::wstring, const void*>> acted;  // control id, Context
    std::vector<std::wstring> tags;                           // of the controls acted on
    ComPtr<IDispatch> context;                                // the last one Act got
    ComPtr<IDispatch> contentContext;                         // held, as an add-in may hold it
    std::map<std::wstring, int> lookups;

  private:
    DISPID memberId(std::wstring_view name) override {
        ++lookups[std::wstring(name)];
        static const std::map<std::wstring, DISPID, std::less<>> kNames = {
            {L"Load", 10}, {L"Label", 11}, {L"Act", 12}, {L"Fail", 13}, {L"Content", 14}};
        const auto found = kNames.find(name);
        return found == kNames.end() ? DISPID_UNKNOWN : found->second;
    }
    HRESULT invoke(const win32::com::Invocation& call) override {
        IDispatch* object = call.count() > 0 ? call.arg(0).pdispVal : nullptr;
        switch (call.id()) {
            case 10:
                ui = object;
                return S_OK;
            case 11:
                return VariantCopy(call.result(),
                                   Property(object, ids::kDispRibbonControlId).get());
            case 12: {
                const Variant id = Property(object, ids::kDispRibbonControlId);
                const Variant given = Property(object, ids::kDispRibbonControlContext);
                const Variant tag = Property(object, ids::kDispRibbonControlTag);
                acted.emplace_back(std::wstring(id->bstrVal, SysStringLen(id->bstrVal)),
                                   win32::IdentityOf(given->pdispVal));
                tags.emplace_back(tag->bstrVal, SysStringLen(tag->bstrVal));
                context = given->pdispVal;
                return S_OK;
            }
            case 14: {
                const Variant given = Property(object, ids::kDispRibbonControlContext);
                contentContext = given->pdispVal;
                Variant answer(win32::FromWide(content.data(), content.size()));
                return VariantCopy(call.result(), answer.get());
            }
            default:
                if (EXCEPINFO* exception = call.exception()) {
                    *exception = EXCEPINFO{};
                    exception->scode = E_ACCESSDENIED;
                    exception->bstrDescription = SysAllocString(L"the callback broke");
                }
                return DISP_E_EXCEPTION;
        }
    }
};

class AddinRibbonTest : public ::testing::Test {
  protected:
    AddinRibbonTest() : server(world) {
        folder = world.AddFolder(u"Contacts");
        first = world.OpenExplorer(folder);
        second = world.OpenExplorer(folder);
        addin = win32::com::Make<FakeAddin>();
        addin->xml =
            L"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\" "
            L"onLoad=\"Load\"><ribbon><tabs><tab id=\"T\" label=\"Tab\"><group id=\"G\">"
            L"<button id=\"A\" getLabel=\"Label\" onAction=\"Act\"/>"
            L"<button id=\"B\" label=\"b\" onAction=\"Missing\"/>"
            L"<button id=\"C\" getLabel=\"Fail\" onAction=\"Act\"/>"
            L"</group></tab></tabs></ribbon></customUI>";
        bridge = AddinRibbon::Query(addin.get(), server);
    }
    ~AddinRibbonTest() override {
        ribbon.Unload();
        bridge.reset();
        addin.reset();
        // The host's ribbon objects are let go with the add-in's references.
        EXPECT_TRUE(server.registry().live().empty());
    }

    sim::World world;
    sim::SimRibbon ribbon{world};
    Server server;
    std::shared_ptr<sim::SimFolder> folder;
    std::shared_ptr<sim::SimExplorer> first, second;
    ComPtr<FakeAddin> addin;
    std::unique_ptr<AddinRibbon> bridge;
    std::unique_ptr<sim::XmlParser> parser = tessaly::testing::MakeXmlParser();
};

TEST_F(AddinRibbonTest, CallbacksAreResolvedOnceAndCalledWithTheWindowsOwnControls) {
    ASSERT_TRUE(bridge);
    ASSERT_TRUE(ribbon.Load(*bridge, *parser));
    const auto asked = ribbon.TakeAsked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].ribbonId, u"Microsoft.Outlook.Explorer");
    EXPECT_EQ(asked[0].customised, true);
    EXPECT_EQ(addin->lookups,
              (std::map<std::wstring, int>{
                  {L"Act", 1}, {L"Fail", 1}, {L"Label", 1}, {L"Load", 1}, {L"Missing", 1}}))
        << "each name once, however often the XML uses it";

    ASSERT_EQ(ribbon.errors().size(), 3u);
    EXPECT_NE(ribbon.errors()[0].find("onAction=\"Missing\" of B: the add-in has no callback"),
              std::string::npos)
        << ribbon.errors()[0];
    EXPECT_NE(ribbon.errors()[1].find("getLabel of C failed: the callback broke"),
              std::string::npos)
        << ribbon.errors()[1];
    EXPECT_EQ(ribbon.values(*second, u"A")->label, u"A");
    EXPECT_EQ(ribbon.Click(*first, u"B"), sim::RibbonUse::NoCallback);

    // The add-in holds its windows' Explorers, as Outlook's do.
    const ComPtr<IDispatch> window = server.wrap(second);
    ASSERT_EQ(ribbon.Click(*second, u"A"), sim::RibbonUse::Done);
    ASSERT_EQ(addin->acted.size(), 1u);
    EXPECT_EQ(addin->acted[0].first, L"A");
    EXPECT_EQ(addin->acted[0].second, win32::IdentityOf(window.get()))
        << "Context is the host's own Explorer object of that window";

    ASSERT_TRUE(addin->ui);
    EXPECT_EQ(ribbon.ribbonUIReferencesHeldByAddin(), 1);
    ribbon.clearInvalidations();
    Variant id;
    id->vt = VT_BSTR;
    id->bstrVal = SysAllocString(L"A");
    DISPPARAMS params{id.get(), nullptr, 1, 0};
    EXPECT_EQ(addin->ui->Invoke(ids::kDispInvalidateControl, IID_NULL, 0, DISPATCH_METHOD, &params,
                                nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(ribbon.invalidations(), std::vector<std::u16string>{u"A"});
    addin->ui.reset();
    EXPECT_EQ(ribbon.ribbonUIReferencesHeldByAddin(), 0);
    EXPECT_EQ(bridge->counts().getIdsOfNames, 5u);
}

// An item's context menu over COM: getContent answers a BSTR through Invoke, the entry's
// onAction gets the entry's tag, and both get the host's one Selection object of the
// right-click as Context, whose Parent is the window's Explorer.
TEST_F(AddinRibbonTest, AContextMenusContentAndEntryGoThroughInvoke) {
    const auto alma = world.AddContact(*folder, u"Alma", {});
    addin->xml =
        L"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"><contextMenus>"
        L"<contextMenu idMso=\"ContextMenuContactItem\"><dynamicMenu id=\"D\" label=\"Dial\" "
        L"getContent=\"Content\"/></contextMenu></contextMenus></customUI>";
    addin->content =
        L"<menu xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"><button id=\"e\" "
        L"label=\"Mobile\" tag=\"+1 555\" onAction=\"Act\"/></menu>";
    ASSERT_TRUE(ribbon.Load(*bridge, *parser));
    ASSERT_TRUE(ribbon.RightClick(*first, alma));
    ASSERT_EQ(ribbon.Drop(*first, u"D"), sim::RibbonUse::Done);
    const sim::RibbonMenu* menu = ribbon.OpenMenu(*first);
    ASSERT_EQ(menu->entries.size(), 1u);
    EXPECT_EQ(menu->entries[0].values.label, u"Mobile");
    ASSERT_EQ(ribbon.Choose(*first, 1), sim::RibbonUse::Done);
    EXPECT_TRUE(ribbon.errors().empty()) << ribbon.errors().front();

    ASSERT_EQ(addin->acted.size(), 1u);
    EXPECT_EQ(addin->acted[0].first, L"e");
    EXPECT_EQ(addin->tags, std::vector<std::wstring>{L"+1 555"});
    EXPECT_EQ(addin->acted[0].second, win32::IdentityOf(addin->contentContext.get()))
        << "one Selection, drop and click";
    const Variant parent = Property(addin->context.get(), dispid::Parent);
    EXPECT_EQ(win32::IdentityOf(parent->pdispVal), win32::IdentityOf(server.wrap(first).get()));
    const Variant count = Property(addin->context.get(), dispid::Count);
    EXPECT_EQ(count->lVal, 1);
}

TEST_F(AddinRibbonTest, AnAddinWithoutTheInterfaceHasNoRibbon) {
    const auto plain = win32::com::Make<harness::com::NamedTypeInfo>(L"NotAnAddin");
    EXPECT_EQ(AddinRibbon::Query(plain.get(), server), nullptr);
}

}  // namespace
}  // namespace tessaly::standin
