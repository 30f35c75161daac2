// The DLL's ribbon as an outside client reaches it: IRibbonExtensibility through the vtable
// and through IDispatch, every callback name of its XML resolved by GetIDsOfNames, and the
// callbacks called through Invoke as Office calls them.
#include <gtest/gtest.h>
#include <ocidl.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "addin/win32/connect_object.h"
#include "harness/outlook/win32/msxml_parser.h"
#include "host/dispatch/late_binding.h"
#include "host/dispatch/ribbon_interfaces.h"
#include "tests/wine/com/com_server_fixture.h"
#include "tests/wine/com/fake_host.h"

namespace tessaly::testing {
namespace {

namespace ids = host::dispatch::ribbon_ids;
using host::dispatch::IRibbonExtensibility;

constexpr wchar_t kExplorer[] = L"Microsoft.Outlook.Explorer";
const std::wstring kPrefix = L"Brindle_OutlookAddIn_";

// The callback attributes of the customUI schema: "on..." and "get..." (and loadImage).
void CollectCallbacks(const host::sim::XmlElement& element, std::set<std::wstring>& names) {
    for (const auto& [attribute, value] : element.attributes) {
        if (attribute.starts_with(u"on") || attribute.starts_with(u"get") ||
            attribute == u"loadImage") {
            names.insert(std::wstring(value.begin(), value.end()));
        }
    }
    for (const auto& child : element.children) {
        CollectCallbacks(child, names);
    }
}

// The add-in connected to a host without windows, as Office asks for the ribbon: after
// OnConnection, which loads the settings the XML is built from.
class Ribbon : public ComServer {
  protected:
    void SetUp() override {
        ComServer::SetUp();
        explorers = MakeFake();
        explorers->property(L"Count", 1, IntVariant(0));
        explorers->events(host::dispatch::DIID_ExplorersEvents);
        application = MakeFake();
        application->property(L"Explorers", 2, DispatchVariant(explorers.get()));
        addin = createAddin();
        ASSERT_TRUE(addin);
        ASSERT_EQ(addin->OnConnection(application.get(), win32::ext_cm_Startup, nullptr, nullptr),
                  S_OK);
        ribbon = addin.query<IRibbonExtensibility>(ids::IID_IRibbonExtensibility);
        ASSERT_TRUE(ribbon);
    }
    void TearDown() override {
        ribbon.reset();
        if (addin) {
            EXPECT_EQ(addin->OnDisconnection(win32::ext_dm_HostShutdown, nullptr), S_OK);
        }
        addin.reset();
        ComServer::TearDown();
    }

    std::wstring customUI(const wchar_t* id, HRESULT expected = S_OK) {
        win32::Bstr ribbonId(id);
        win32::Bstr xml;
        EXPECT_EQ(ribbon->GetCustomUI(ribbonId.get(), xml.put()), expected);
        return xml.get() ? std::wstring(xml.get(), xml.length()) : std::wstring();
    }
    DISPID idOf(const std::wstring& name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << name.c_str();
        return id;
    }
    // Invoke as Office calls a callback: a method, the arguments last to first.
    HRESULT call(DISPID id, std::vector<Variant> argsLastFirst, Variant* result = nullptr,
                 EXCEPINFO* exception = nullptr, UINT* argError = nullptr) {
        std::vector<VARIANT> raw;
        for (auto& v : argsLastFirst) {
            raw.push_back(*v.get());
        }
        DISPPARAMS params{raw.empty() ? nullptr : raw.data(), nullptr,
                          static_cast<UINT>(raw.size()), 0};
        return addin->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params,
                             result ? result->get() : nullptr, exception, argError);
    }
    // An IRibbonControl of Office's: its Id, and a Context that no handler serves.
    static ComPtr<FakeObject> control(const std::wstring& suffix) {
        auto fake = MakeFake();
        Variant id;
        id->vt = VT_BSTR;
        id->bstrVal = SysAllocString((kPrefix + suffix).c_str());
        fake->property(L"Id", ids::kDispRibbonControlId, id);
        fake->property(L"Context", ids::kDispRibbonControlContext, Variant());
        return fake;
    }

    ComPtr<FakeObject> application, explorers;
    win32::ComPtr<win32::IDTExtensibility2> addin;
    win32::ComPtr<IRibbonExtensibility> ribbon;
};

TEST_F(Ribbon, OnlyTheExplorerIsCustomisedThroughTheVtableAndThroughInvoke) {
    EXPECT_EQ(host::dispatch::IdentityOf(ribbon.get()), host::dispatch::IdentityOf(addin.get()));
    const std::wstring xml = customUI(kExplorer);
    EXPECT_TRUE(xml.starts_with(L"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/"));
    for (const wchar_t* other : {L"Microsoft.Outlook.Mail.Read", L"Microsoft.Outlook.Contact",
                                 L"microsoft.outlook.explorer", L""}) {
        EXPECT_EQ(customUI(other), L"") << "nothing for " << other;
    }
    EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);

    // One IDispatch serves IDTExtensibility2 too: DISPID 1 with one argument is GetCustomUI.
    EXPECT_EQ(idOf(L"GetCustomUI"), ids::kDispGetCustomUI);
    Variant id;
    id->vt = VT_BSTR;
    id->bstrVal = SysAllocString(kExplorer);
    Variant result;
    ASSERT_EQ(call(ids::kDispGetCustomUI, {id}, &result), S_OK);
    EXPECT_EQ(BstrOf(*result.get()), xml);
    ASSERT_EQ(call(ids::kDispGetCustomUI, {IntVariant(7)}, &result), S_OK)
        << "a number is a ribbon id like any other";
    EXPECT_EQ(result->vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(result->bstrVal), 0u);
}

// A client may ask for the ribbon before any OnConnection (nothing in COM forbids it): it
// gets what the connected add-in answers, built from the DLL's own string table.
class RibbonBeforeConnection : public Ribbon {
  protected:
    static void SetUpTestSuite() {
        freshlyLoaded = GetModuleHandleW(DllPath().c_str()) == nullptr;
        Ribbon::SetUpTestSuite();
    }
    void SetUp() override {
        ComServer::SetUp();
        ASSERT_TRUE(freshlyLoaded) << "the DLL's settings may be loaded already";
        early = createAddin();
        auto earlyRibbon = early.query<IRibbonExtensibility>(ids::IID_IRibbonExtensibility);
        ASSERT_TRUE(earlyRibbon);
        win32::Bstr id(kExplorer);
        win32::Bstr xml;
        ASSERT_EQ(earlyRibbon->GetCustomUI(id.get(), xml.put()), S_OK);
        before.assign(xml.get(), xml.length());
        Ribbon::SetUp();
    }
    void TearDown() override {
        early.reset();
        Ribbon::TearDown();
    }

    static inline bool freshlyLoaded = false;
    win32::ComPtr<win32::IDTExtensibility2> early;
    std::wstring before;
};

TEST_F(RibbonBeforeConnection, GetsTheSameXmlAsAfterIt) {
    EXPECT_NE(before.find(kPrefix + L"_Business\""), std::wstring::npos);
    EXPECT_EQ(customUI(kExplorer), before);
}

TEST_F(Ribbon, EveryCallbackTheXmlNamesResolvesToADispidOfItsOwn) {
    const std::wstring xml = customUI(kExplorer);
    const auto parser = host::sim::MakeMsXmlParser();
    const auto root = parser->Parse(std::u16string(xml.begin(), xml.end()));
    std::set<std::wstring> names;
    CollectCallbacks(root, names);
    EXPECT_GE(names.size(), 9u) << "onLoad, onAction, onChange and six value callbacks";

    std::set<DISPID> dispids;
    for (const std::wstring& name : names) {
        const DISPID id = idOf(name);
        EXPECT_GT(id, 5) << name.c_str() << " clear of IDTExtensibility2's 1 to 5";
        EXPECT_NE(id, win32::kDispOnExplorerClose) << name.c_str();
        dispids.insert(id);
        std::wstring upper = name;
        for (wchar_t& c : upper) {
            c = static_cast<wchar_t>(towupper(c));
        }
        EXPECT_EQ(idOf(upper), id) << "automation names compare without regard to case";
    }
    EXPECT_EQ(dispids.size(), names.size());

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Ribbon_GetLabel")};
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(Ribbon, ValueCallbacksAnswerInTheResult) {
    auto dial = control(L"_Dial");
    auto business = control(L"_Business");
    auto combo = control(L"_Combo");
    Variant result;

    ASSERT_EQ(call(idOf(L"Ribbon_GetImage"), {DispatchVariant(dial.get())}, &result), S_OK);
    ASSERT_EQ(result->vt, VT_DISPATCH);
    ASSERT_NE(result->pdispVal, nullptr);
    ComPtr<IPictureDisp> picture;
    EXPECT_EQ(result->pdispVal->QueryInterface(IID_IPictureDisp, picture.putVoid()), S_OK)
        << "the keypad face as IPictureDisp";
    picture.reset();
    ASSERT_EQ(call(idOf(L"Ribbon_GetImage"), {DispatchVariant(business.get())}, &result), S_OK);
    EXPECT_EQ(result->vt, VT_DISPATCH);
    EXPECT_EQ(result->pdispVal, nullptr) << "a button without face: Nothing";

    ASSERT_EQ(
        call(idOf(L"Ribbon_GetItemID"), {IntVariant(3), DispatchVariant(combo.get())}, &result),
        S_OK);
    EXPECT_EQ(BstrOf(*result.get()), kPrefix + L"_Combo_Item3");

    // No window's handler answers for this control's Context.
    ASSERT_EQ(call(idOf(L"Ribbon_GetText"), {DispatchVariant(combo.get())}, &result), S_OK);
    EXPECT_EQ(BstrOf(*result.get()), L"");
    ASSERT_EQ(call(idOf(L"Ribbon_GetEnabled"), {DispatchVariant(dial.get())}, &result), S_OK);
    EXPECT_EQ(result->vt, VT_BOOL);
    EXPECT_EQ(result->boolVal, VARIANT_FALSE);
    ASSERT_EQ(call(idOf(L"Ribbon_GetItemCount"), {DispatchVariant(combo.get())}, &result), S_OK);
    EXPECT_EQ(result->vt, VT_I4);
    EXPECT_EQ(result->lVal, 0);
}

TEST_F(Ribbon, AFailingCallbackReturnsItsErrorInExcepinfo) {
    auto broken = control(L"_Dial");
    broken->raise = RPC_E_DISCONNECTED;
    EXCEPINFO exception{};
    Variant result;
    EXPECT_EQ(
        call(idOf(L"Ribbon_GetEnabled"), {DispatchVariant(broken.get())}, &result, &exception),
        DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, RPC_E_DISCONNECTED);
    EXPECT_NE(exception.bstrSource, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    EXPECT_EQ(call(idOf(L"Ribbon_GetEnabled"), {DispatchVariant(broken.get())}), RPC_E_DISCONNECTED)
        << "the code itself for a caller without EXCEPINFO";
}

TEST_F(Ribbon, MalformedCallbackCallsAreRefused) {
    auto combo = control(L"_Combo");
    const DISPID change = idOf(L"Ribbon_OnChange");
    EXPECT_EQ(call(change, {DispatchVariant(combo.get())}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(call(idOf(L"Ribbon_GetText"), {}), DISP_E_BADPARAMCOUNT);
    UINT argError = 99;
    EXPECT_EQ(call(change, {DispatchVariant(combo.get()), DispatchVariant(combo.get())}, nullptr,
                   nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u) << "the text: rgvarg[0]";
    argError = 99;
    EXPECT_EQ(call(idOf(L"Ribbon_OnAction"), {IntVariant(1)}, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    EXPECT_EQ(call(idOf(L"Ribbon_GetItemID") + 100, {IntVariant(0), DispatchVariant(combo.get())}),
              DISP_E_MEMBERNOTFOUND);

    const Variant argument = DispatchVariant(combo.get());
    std::vector<VARIANT> raw = {*argument.get()};
    DISPID named = 0;
    DISPPARAMS withNames{raw.data(), &named, 1, 1};
    EXPECT_EQ(addin->Invoke(idOf(L"Ribbon_GetText"), IID_NULL, 0, DISPATCH_METHOD, &withNames,
                            nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
}

// onLoad hands over the IRibbonUI; the add-in lets go of it when it is disconnected.
TEST_F(Ribbon, TheIRibbonUIIsHeldUntilOnDisconnection) {
    auto ui = MakeFake();
    ui->member(L"InvalidateControl", ids::kDispInvalidateControl,
               [](const Call&, VARIANT*) { return S_OK; });
    const ULONG before = ui->refs();
    ASSERT_EQ(call(idOf(L"Ribbon_OnLoad"), {DispatchVariant(ui.get())}), S_OK);
    EXPECT_EQ(ui->refs(), before + 1);

    ASSERT_EQ(addin->OnDisconnection(win32::ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_EQ(ui->refs(), before) << "no IRibbonUI after OnDisconnection";
    EXPECT_TRUE(ui->calls.empty()) << "no window, nothing invalidated";
    addin.reset();
}

}  // namespace
}  // namespace tessaly::testing
