// TessalyOutlook.dll end to end: registration, activation from the per-user registration,
// and the connection cycle through the vtable and through IDispatch.
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>

#include "addin/win32/connect_object.h"
#include "addin/win32/guids.h"
#include "host/dispatch/outlook.h"
#include "tests/wine/com/com_server_fixture.h"
#include "tests/wine/com/fake_host.h"
#include "tests/wine/com/registry_probe.h"

namespace tessaly::testing {
namespace {

using win32::IDTExtensibility2;

std::string join(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) {
        all += l + "\n";
    }
    return all;
}

std::wstring modulePath(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

using Registration = ComServer;

TEST_F(Registration, WritesTheValuesAndRemovesThemAgain) {
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(join(RegistrationProblems(modulePath(dll))), "");
    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(join(LeftoverRegistration()), "");
    EXPECT_EQ(unregisterServer(), S_OK) << "unregistering twice";
    EXPECT_EQ(join(LeftoverRegistration()), "");
}

TEST_F(Registration, LeavesOtherAddinsAlone) {
    const wchar_t* other = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Connect";
    const DWORD three = 3;
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, other, L"LoadBehavior", REG_DWORD, &three, sizeof three),
        ERROR_SUCCESS);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(unregisterServer(), S_OK);
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, other, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
              ERROR_SUCCESS);
    RegDeleteTreeW(HKEY_CURRENT_USER, other);
    EXPECT_EQ(unregisterServer(), S_OK) << "now the emptied parents go";
    EXPECT_EQ(join(LeftoverRegistration()), "");
}

// A parent key that holds a value of someone else's stays; the empty ones below it go.
TEST_F(Registration, KeepsAParentThatHoldsAValue) {
    const wchar_t* outlook = L"Software\\Microsoft\\Office\\Outlook";
    const DWORD one = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, outlook, L"Other", REG_DWORD, &one, sizeof one),
              ERROR_SUCCESS);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_EQ(unregisterServer(), S_OK);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Outlook\\Addins", 0,
                            KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, outlook, L"Other", RRF_RT_REG_DWORD, nullptr, &value,
                           &size),
              ERROR_SUCCESS);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, outlook, L"Other");
    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(join(LeftoverRegistration()), "");
}

TEST_F(Registration, DllInstallAcceptsOnlyPerUser) {
    using Install = HRESULT(WINAPI*)(BOOL, LPCWSTR);
    const auto install = entry<Install>("DllInstall");
    ASSERT_NE(install, nullptr);
    struct Case {
        BOOL install;
        const wchar_t* commandLine;
        HRESULT expected;
        bool registeredAfter;
    };
    const Case cases[] = {
        {TRUE, nullptr, S_OK, true},
        {FALSE, nullptr, S_OK, false},
        {TRUE, L"", S_OK, true},
        {FALSE, L"", S_OK, false},
        {TRUE, L"user", S_OK, true},
        {FALSE, L"USER", S_OK, false},
        {TRUE, L"User", S_OK, true},
        {FALSE, L"uSeR", S_OK, false},
        {TRUE, L"machine", E_INVALIDARG, false},
        {TRUE, L"user ", E_INVALIDARG, false},
        {TRUE, L"users", E_INVALIDARG, false},
        {FALSE, L"all", E_INVALIDARG, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine
                         ? std::string(c.commandLine, c.commandLine + wcslen(c.commandLine))
                         : std::string("(null)"));
        EXPECT_EQ(install(c.install, c.commandLine), c.expected);
        if (c.registeredAfter) {
            EXPECT_EQ(join(RegistrationProblems(modulePath(dll))), "");
        } else {
            EXPECT_EQ(join(LeftoverRegistration()), "");
        }
    }
}

using ClassFactory = ComServer;

TEST_F(ClassFactory, RefusesClassesThatAreNotOurs) {
    const CLSID unknown = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    win32::ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, factory.putVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(factory);
    EXPECT_EQ(getClassObject(win32::CLSID_ExplorerHandler, IID_IClassFactory, factory.putVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(win32::CLSID_Tessaly, IID_IDispatch, factory.putVoid()),
              E_NOINTERFACE);
}

TEST_F(ClassFactory, FactoriesLocksAndObjectsKeepTheModuleLoaded) {
    win32::ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(win32::CLSID_Tessaly, IID_IClassFactory, factory.putVoid()), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->LockServer(TRUE);
    auto* raw = factory.detach();
    raw->Release();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "locked";
    ASSERT_EQ(getClassObject(win32::CLSID_Tessaly, IID_IClassFactory, factory.putVoid()), S_OK);
    factory->LockServer(FALSE);
    win32::ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid()), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "object alive";
    win32::ComPtr<IUnknown> outer = object;
    ASSERT_EQ(getClassObject(win32::CLSID_Tessaly, IID_IClassFactory, factory.putVoid()), S_OK);
    win32::ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, aggregated.putVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, aggregated.putVoid()),
              E_NOINTERFACE);
}

TEST_F(ClassFactory, ObjectAnswersForItsInterfacesWithOneIdentity) {
    auto addin = createAddin();
    ASSERT_TRUE(addin);
    const void* identity = host::dispatch::IdentityOf(addin.get());
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &win32::IID_IDTExtensibility2,
                           &win32::DIID__Tessaly, &IID_IProvideClassInfo}) {
        win32::ComPtr<IUnknown> other;
        ASSERT_EQ(addin->QueryInterface(*iid, other.putVoid()), S_OK);
        EXPECT_EQ(host::dispatch::IdentityOf(other.get()), identity);
    }
    win32::ComPtr<IUnknown> none;
    EXPECT_EQ(addin->QueryInterface(IID_IClassFactory, none.putVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);
}

// A host that connects the add-in: resolves the per-user registration itself (as COM does
// on Windows, and Wine does not), and drives the object either through its vtable or
// through IDispatch::Invoke.
class Connection : public ComServer, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ComServer::SetUp();
        explorers = MakeFake();
        explorers->property(L"Count", 1, IntVariant(0));
        point = &explorers->events(host::dispatch::DIID_ExplorersEvents);
        application = MakeFake();
        application->member(L"Explorers", 2, [this](const Call&, VARIANT* result) {
            return FAILED(explorersResult)
                       ? explorersResult
                       : VariantCopy(result, DispatchVariant(explorers.get()).get());
        });
        appRefs = application->refs();
        explorersRefs = explorers->refs();
    }

    bool viaInvoke() const { return GetParam(); }

    [[nodiscard]] HRESULT invoke(IDTExtensibility2* addin, DISPID id,
                                 std::vector<Variant> argsLastFirst) {
        std::vector<VARIANT> raw;
        for (auto& v : argsLastFirst) {
            raw.push_back(*v.get());
        }
        DISPPARAMS params{raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
        Variant result;
        return addin->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.get(), nullptr,
                             nullptr);
    }
    static Variant omitted() {
        Variant v;
        v->vt = VT_ERROR;
        v->scode = DISP_E_PARAMNOTFOUND;
        return v;
    }

    [[nodiscard]] HRESULT connect(IDTExtensibility2* addin) {
        if (!viaInvoke()) {
            return addin->OnConnection(application.get(), win32::ext_cm_Startup, nullptr, nullptr);
        }
        return invoke(addin, 1,
                      {omitted(), Variant(), IntVariant(win32::ext_cm_Startup),
                       DispatchVariant(application.get())});
    }
    [[nodiscard]] HRESULT simple(IDTExtensibility2* addin, DISPID id) {
        if (viaInvoke()) {
            return id == 2 ? invoke(addin, 2, {omitted(), IntVariant(0)})
                           : invoke(addin, id, {omitted()});
        }
        switch (id) {
            case 2:
                return addin->OnDisconnection(win32::ext_dm_HostShutdown, nullptr);
            case 3:
                return addin->OnAddInsUpdate(nullptr);
            case 4:
                return addin->OnStartupComplete(nullptr);
            default:
                return addin->OnBeginShutdown(nullptr);
        }
    }

    // Resolves ProgID -> CLSID -> InprocServer32 from HKCU\Software\Classes.
    win32::ComPtr<IDTExtensibility2> createFromRegistration() {
        wchar_t clsidText[64] = {};
        DWORD size = sizeof clsidText;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\BrindleAddin.Tessaly\\CLSID",
                               nullptr, RRF_RT_REG_SZ, nullptr, clsidText, &size),
                  ERROR_SUCCESS);
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromString(clsidText, &clsid), S_OK);
        wchar_t server[MAX_PATH] = {};
        size = sizeof server;
        const std::wstring key =
            std::wstring(L"Software\\Classes\\CLSID\\") + clsidText + L"\\InprocServer32";
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                               server, &size),
                  ERROR_SUCCESS);
        HMODULE module = LoadLibraryW(server);
        EXPECT_EQ(module, dll) << "the registered path names another file";
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        win32::ComPtr<IClassFactory> factory;
        win32::ComPtr<IDTExtensibility2> addin;
        if (get && SUCCEEDED(get(clsid, IID_IClassFactory, factory.putVoid()))) {
            factory->CreateInstance(nullptr, win32::IID_IDTExtensibility2, addin.putVoid());
        }
        FreeLibrary(module);
        return addin;
    }

    ComPtr<FakeObject> application, explorers;
    FakeConnectionPoint* point = nullptr;
    HRESULT explorersResult = S_OK;
    ULONG appRefs = 0;
    ULONG explorersRefs = 0;
};

TEST_P(Connection, FullCycleLeavesTheHostAsItWas) {
    ASSERT_EQ(registerServer(), S_OK);
    auto addin = createFromRegistration();
    ASSERT_TRUE(addin);

    ASSERT_EQ(connect(addin.get()), S_OK);
    EXPECT_EQ(point->sinks().size(), 1u) << "advised on ExplorersEvents";
    EXPECT_EQ(application->refs(), appRefs) << "the Application is not kept";
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    EXPECT_EQ(simple(addin.get(), 4), S_OK);  // OnStartupComplete
    EXPECT_EQ(simple(addin.get(), 3), S_OK);  // OnAddInsUpdate

    // A new window before its adapter exists: the event is taken, and nothing is kept.
    auto window = MakeFake();
    const ULONG windowRefs = window->refs();
    EXPECT_EQ(point->fire(host::dispatch::kDispNewExplorer, {DispatchVariant(window.get())}), S_OK);
    EXPECT_EQ(window->refs(), windowRefs);

    EXPECT_EQ(simple(addin.get(), 5), S_OK);  // OnBeginShutdown
    EXPECT_EQ(simple(addin.get(), 2), S_OK);  // OnDisconnection
    addin.reset();

    EXPECT_TRUE(point->sinks().empty());
    EXPECT_EQ(point->advises, point->unadvises);
    EXPECT_EQ(application->refs(), appRefs);
    EXPECT_EQ(explorers->refs(), explorersRefs);
    EXPECT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(unregisterServer(), S_OK);
}

TEST_P(Connection, HostFailuresComeBackAsTheirHresult) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        HRESULT expected;
    };
    const Case cases[] = {
        {"Explorers fails", [this] { explorersResult = RPC_E_CALL_REJECTED; }, RPC_E_CALL_REJECTED},
        {"Count raises", [this] { explorers->raise = E_ACCESSDENIED; }, E_ACCESSDENIED},
        {"Advise fails", [this] { point->adviseResult = CONNECT_E_ADVISELIMIT; },
         CONNECT_E_ADVISELIMIT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        explorersResult = S_OK;
        explorers->raise = S_OK;
        point->adviseResult = S_OK;
        c.arrange();
        auto addin = createAddin();
        ASSERT_TRUE(addin);
        EXPECT_EQ(connect(addin.get()), c.expected);
        EXPECT_EQ(simple(addin.get(), 2), S_OK);
        addin.reset();
        EXPECT_TRUE(point->sinks().empty());
        EXPECT_EQ(application->refs(), appRefs);
        EXPECT_EQ(explorers->refs(), explorersRefs);
    }
}

TEST_P(Connection, NoApplicationIsAnInvalidArgument) {
    auto addin = createAddin();
    ASSERT_TRUE(addin);
    const HRESULT hr =
        viaInvoke() ? invoke(addin.get(), 1, {omitted(), Variant(), IntVariant(1), Variant()})
                    : addin->OnConnection(nullptr, win32::ext_cm_Startup, nullptr, nullptr);
    EXPECT_EQ(hr, E_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(Calls, Connection, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Invoke" : "Vtable"; });

using Dispatch = Connection;

TEST_F(Dispatch, NamesResolveCaseInsensitively) {
    auto addin = createAddin();
    ASSERT_TRUE(addin);
    struct Case {
        const wchar_t* name;
        DISPID id;
    };
    const Case cases[] = {
        {L"OnConnection", 1},    {L"ondisconnection", 2},
        {L"OnAddInsUpdate", 3},  {L"ONSTARTUPCOMPLETE", 4},
        {L"OnBeginShutdown", 5}, {L"OnExplorerClose", win32::kDispOnExplorerClose}};
    for (const auto& c : cases) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = 0;
        EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, c.id);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"OnConnect")};
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(Dispatch, MalformedCallsAreRefused) {
    auto addin = createAddin();
    ASSERT_TRUE(addin);
    EXPECT_EQ(invoke(addin.get(), 99, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(addin.get(), 1, {IntVariant(1), DispatchVariant(application.get())}),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(addin.get(), 4, {}), DISP_E_BADPARAMCOUNT);

    Variant text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocString(L"Outlook");
    std::vector<VARIANT> raw = {*omitted().get(), VARIANT{}, *IntVariant(1).get(), *text.get()};
    DISPPARAMS params{raw.data(), nullptr, 4, 0};
    UINT argError = 99;
    EXPECT_EQ(addin->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 3u) << "Application is the last of rgvarg";

    DISPID named = 0;
    DISPPARAMS withNames{raw.data(), &named, 4, 1};
    EXPECT_EQ(addin->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &withNames, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(
        addin->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
        DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(point->advises, 0);
}

TEST_F(Dispatch, DescribesItselfFromTheEmbeddedTypeLibrary) {
    auto addin = createAddin();
    ASSERT_TRUE(addin);
    UINT count = 0;
    EXPECT_EQ(addin->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    win32::ComPtr<ITypeInfo> info;
    ASSERT_EQ(addin->GetTypeInfo(0, 0, info.put()), S_OK);
    win32::Bstr name;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.get(), L"_Tessaly");

    auto classInfo = addin.query<IProvideClassInfo>(IID_IProvideClassInfo);
    ASSERT_TRUE(classInfo);
    ASSERT_EQ(classInfo->GetClassInfo(info.put()), S_OK);
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.get(), L"Tessaly");
}

TEST_F(ComServer, CarriesItsStringTable) {
    wchar_t text[64] = {};
    ASSERT_GT(LoadStringW(dll, 1003, text, 64), 0);
    EXPECT_STREQ(text, L"Brindle");
}

}  // namespace
}  // namespace tessaly::testing
