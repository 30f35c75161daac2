// The stand-in host's COM objects, driven in-process the way a late-binding client drives
// them: names to DISPIDs, positional arguments, omitted optionals, errors, identity, type
// names and connection-point events over the simulated Outlook.
#include <gtest/gtest.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "outlook_objects.h"
#include "platform/utf.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/text.h"

namespace tessaly::standin {
namespace {

namespace sim = host::sim;
using win32::Variant;

VARIANT Int(int value, VARTYPE type = VT_I4) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    if (type == VT_I2) {
        v.iVal = static_cast<SHORT>(value);
    } else {
        v.lVal = value;
    }
    return v;
}

VARIANT Omitted() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

VARIANT Object(IDispatch* object) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

struct Outcome {
    HRESULT hr = S_OK;
    SCODE scode = 0;
    Variant result;
};

// Calls a member by name; `args` in positional order, borrowed.
Outcome CallByName(IDispatch* object, const wchar_t* name, WORD flags,
                   std::vector<VARIANT> args = {}) {
    Outcome outcome;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    outcome.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(outcome.hr)) {
        return outcome;
    }
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()),
                      put ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argError = 0;
    outcome.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                outcome.result.get(), &exception, &argError);
    outcome.scode = exception.scode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return outcome;
}

ComPtr<IDispatch> Get(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {}) {
    Outcome outcome =
        CallByName(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
    EXPECT_EQ(outcome.hr, S_OK) << "get " << platform::toPrintableUtf8(win32::Utf16View(name));
    if (outcome.result->vt != VT_DISPATCH) {
        return {};
    }
    return ComPtr<IDispatch>(outcome.result->pdispVal);
}

std::wstring Text(const Variant& v) {
    return v->vt == VT_BSTR ? std::wstring(v->bstrVal, SysStringLen(v->bstrVal)) : L"<not text>";
}

// An event sink: answers QueryInterface for one DIID and records every call it gets.
class RecordingSink final : public win32::com::Dispatch<win32::com::ComObject<IDispatch>> {
  public:
    struct Received {
        DISPID id;
        std::vector<VARTYPE> types;  // rgvarg order
        const void* firstObject = nullptr;
    };
    explicit RecordingSink(const IID& iid) : iid_(iid) {}

    HRESULT result = S_OK;
    bool setCancel = false;
    std::vector<Received> received;

  private:
    void* resolve(REFIID iid, void* found) noexcept override {
        return iid == iid_ ? static_cast<IDispatch*>(this) : found;
    }
    HRESULT invoke(const win32::com::Invocation& call) override {
        const DISPPARAMS& params = call.params();
        Received r{call.id(), {}, nullptr};
        for (UINT i = 0; i < params.cArgs; ++i) {
            r.types.push_back(params.rgvarg[i].vt);
        }
        for (UINT i = params.cArgs; i-- > 0;) {
            if (params.rgvarg[i].vt == VT_DISPATCH && params.rgvarg[i].pdispVal) {
                r.firstObject = win32::IdentityOf(params.rgvarg[i].pdispVal);
                break;
            }
        }
        if (setCancel && params.cArgs > 0 && params.rgvarg[0].vt == (VT_BOOL | VT_BYREF)) {
            *params.rgvarg[0].pboolVal = VARIANT_TRUE;
        }
        received.push_back(r);
        return result;
    }

    IID iid_;
};

ComPtr<RecordingSink> MakeSink(const IID& iid) {
    return win32::com::Make<RecordingSink>(iid);
}

// Advises a sink for the lifetime of the object.
class Connection {
  public:
    Connection(IDispatch* source, const IID& iid, IUnknown* sink) {
        auto container = ComPtr<IDispatch>(source).query<IConnectionPointContainer>(
            IID_IConnectionPointContainer);
        if (!container) {
            hr = E_NOINTERFACE;
            return;
        }
        hr = container->FindConnectionPoint(iid, point_.put());
        if (SUCCEEDED(hr)) {
            hr = point_->Advise(sink, &cookie_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (cookie_) {
            point_->Unadvise(cookie_);
        }
    }
    HRESULT hr = S_OK;

  private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

class DispatchServerTest : public ::testing::Test {
  protected:
    DispatchServerTest() : server(world) {
        contacts = world.AddFolder(u"Contacts");
        inbox = world.AddFolder(u"Inbox");
        world.SetDefaultContactsFolder(contacts);
        alma = world.AddContact(*contacts, u"Alma Reyes",
                                {{u"MobileTelephoneNumber", u"+44 7700 900101"}});
        world.AddItem(*inbox, u"MailItem", u"Welcome");
        first = world.OpenExplorer(contacts);
        second = world.OpenExplorer(contacts);
        application = server.application();
    }
    ~DispatchServerTest() override {
        application.reset();
        // Every object handed out in a test must be let go by its end.
        EXPECT_TRUE(server.registry().live().empty());
    }

    ComPtr<IDispatch> explorer(int index) {
        ComPtr<IDispatch> explorers = Get(application.get(), L"Explorers");
        VARIANT i = Int(index);
        return Get(explorers.get(), L"Item", {i});
    }
    // Adds a button with the tag to the window's new bar; returns the button.
    ComPtr<IDispatch> addButton(int window, const wchar_t* tag) {
        ComPtr<IDispatch> bars = Get(explorer(window).get(), L"CommandBars");
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        name.bstrVal = SysAllocString(L"Brindle");
        ComPtr<IDispatch> bar = Get(bars.get(), L"Add", {name, Omitted(), Omitted(), Omitted()});
        VariantClear(&name);
        ComPtr<IDispatch> controls = Get(bar.get(), L"Controls");
        ComPtr<IDispatch> button =
            Get(controls.get(), L"Add", {Int(1), Omitted(), Omitted(), Omitted(), Omitted()});
        VARIANT text;
        VariantInit(&text);
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocString(tag);
        EXPECT_EQ(CallByName(button.get(), L"Tag", DISPATCH_PROPERTYPUT, {text}).hr, S_OK);
        VariantClear(&text);
        return button;
    }

    sim::World world;
    Server server;
    std::shared_ptr<sim::SimFolder> contacts, inbox;
    std::shared_ptr<sim::SimContact> alma;
    std::shared_ptr<sim::SimExplorer> first, second;
    ComPtr<IDispatch> application;
};

TEST_F(DispatchServerTest, NamesResolveWithoutRegardToCaseToFixedDispids) {
    struct Case {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    };
    const ComPtr<IDispatch> explorers = Get(application.get(), L"Explorers");
    for (const Case& c : {Case{L"Item", S_OK, DISPID_VALUE}, Case{L"item", S_OK, DISPID_VALUE},
                          Case{L"COUNT", S_OK, dispid::Count},
                          Case{L"CommandBars", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
                          Case{L"NoSuchMember", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
        DISPID id = 12345;
        LPOLESTR names[1] = {const_cast<LPOLESTR>(c.name)};
        EXPECT_EQ(explorers->GetIDsOfNames(IID_NULL, names, 1, 0, &id), c.hr)
            << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(id, c.id);
    }
}

TEST_F(DispatchServerTest, ItemTypeNamesComeFromClassInfoAndTypeInfo) {
    world.Select(*first, {contacts->items().front(), inbox->items().front()});
    const ComPtr<IDispatch> selection = Get(explorer(1).get(), L"Selection");
    struct Case {
        int index;
        const wchar_t* coclass;
        const wchar_t* dispInterface;
    };
    for (const Case& c :
         {Case{1, L"ContactItem", L"_ContactItem"}, Case{2, L"MailItem", L"_MailItem"}}) {
        const ComPtr<IDispatch> item = Get(selection.get(), L"Item", {Int(c.index)});
        auto classInfo = item.query<IProvideClassInfo>(IID_IProvideClassInfo);
        ASSERT_TRUE(classInfo);
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
        ComPtr<ITypeInfo> interfaceInfo;
        ASSERT_EQ(item->GetTypeInfo(0, 0, interfaceInfo.put()), S_OK);
        for (auto [info, expected] : {std::pair{coclass.get(), c.coclass},
                                      std::pair{interfaceInfo.get(), c.dispInterface}}) {
            win32::Bstr name;
            ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr),
                      S_OK);
            EXPECT_STREQ(name.get(), expected);
        }
    }
}

TEST_F(DispatchServerTest, OneComObjectPerSimObject) {
    const ComPtr<IDispatch> a = explorer(1);
    const ComPtr<IDispatch> b = explorer(1);
    EXPECT_EQ(win32::IdentityOf(a.get()), win32::IdentityOf(b.get()));
    EXPECT_NE(win32::IdentityOf(a.get()), win32::IdentityOf(explorer(2).get()));

    const ComPtr<IDispatch> button = addButton(1, L"T_Dial");
    VARIANT tag;
    VariantInit(&tag);
    tag.vt = VT_BSTR;
    tag.bstrVal = SysAllocString(L"T_Dial");
    const ComPtr<IDispatch> found = Get(Get(explorer(1).get(), L"CommandBars").get(),
                                        L"FindControl", {Omitted(), Omitted(), tag, Omitted()});
    VariantClear(&tag);
    EXPECT_EQ(win32::IdentityOf(found.get()), win32::IdentityOf(button.get()));
}

TEST_F(DispatchServerTest, FailuresComeBackAsExceptionsWithTheHostCode) {
    const ComPtr<IDispatch> explorers = Get(application.get(), L"Explorers");
    Outcome outOfRange = CallByName(explorers.get(), L"Item", DISPATCH_PROPERTYGET, {Int(3)});
    EXPECT_EQ(outOfRange.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(outOfRange.scode, DISP_E_BADINDEX);

    world.faults().Fail("Explorer.CommandBars", 1);
    Outcome injected = CallByName(explorer(1).get(), L"CommandBars", DISPATCH_PROPERTYGET);
    EXPECT_EQ(injected.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(injected.scode, E_FAIL);
    EXPECT_EQ(CallByName(explorer(1).get(), L"CommandBars", DISPATCH_PROPERTYGET).hr, S_OK);

    // A property that can only be written is not a method to call.
    const ComPtr<IDispatch> button = addButton(1, L"T_Dial");
    EXPECT_EQ(CallByName(button.get(), L"Style", DISPATCH_PROPERTYGET).hr, DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchServerTest, ArgumentsAreCoercedAndOmittedOnesLeftOut) {
    const ComPtr<IDispatch> bars = Get(explorer(1).get(), L"CommandBars");
    // Item by number (I2, as some callers pass it) and by name.
    const ComPtr<IDispatch> byNumber = Get(bars.get(), L"Item", {Int(1, VT_I2)});
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(L"menu bar");
    const ComPtr<IDispatch> byName = Get(bars.get(), L"Item", {name});
    VariantClear(&name);
    EXPECT_EQ(win32::IdentityOf(byNumber.get()), win32::IdentityOf(byName.get()));

    const ComPtr<IDispatch> button = addButton(1, L"T_Dial");
    const ComPtr<IDispatch> combo =
        Get(Get(Get(button.get(), L"Parent").get(), L"Controls").get(), L"Add", {Int(4, VT_I2)});
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"+1 555");
    EXPECT_EQ(CallByName(combo.get(), L"AddItem", DISPATCH_METHOD, {text, Omitted()}).hr, S_OK);
    EXPECT_EQ(CallByName(combo.get(), L"AddItem", DISPATCH_METHOD, {text, Int(1)}).hr, S_OK);
    VariantClear(&text);
    Outcome count = CallByName(combo.get(), L"ListCount", DISPATCH_PROPERTYGET);
    EXPECT_EQ(count.result->lVal, 2);
    Outcome entry = CallByName(combo.get(), L"List", DISPATCH_PROPERTYGET, {Int(2)});
    EXPECT_EQ(Text(entry.result), L"+1 555");

    VARIANT yes;
    VariantInit(&yes);
    yes.vt = VT_BOOL;
    yes.boolVal = VARIANT_FALSE;
    EXPECT_EQ(CallByName(button.get(), L"Visible", DISPATCH_PROPERTYPUT, {yes}).hr, S_OK);
    Outcome visible = CallByName(button.get(), L"Visible", DISPATCH_PROPERTYGET);
    EXPECT_EQ(visible.result->vt, VT_BOOL);
    EXPECT_EQ(visible.result->boolVal, VARIANT_FALSE);

    // Any object will do as a picture; the model records that one was set.
    EXPECT_EQ(
        CallByName(button.get(), L"Picture", DISPATCH_PROPERTYPUTREF, {Object(application.get())})
            .hr,
        S_OK);
    const auto& bar = first->commandBars()->find(u"Brindle");
    const auto* simButton = dynamic_cast<const sim::SimButton*>(bar->controls().front().get());
    ASSERT_NE(simButton, nullptr);
    EXPECT_NE(simButton->picture(), nullptr);
}

TEST_F(DispatchServerTest, CurrentFolderByReferenceRaisesTheFolderEvents) {
    const ComPtr<IDispatch> window = explorer(1);
    const auto sink = MakeSink(DIID_ExplorerEvents_10);
    Connection connection(window.get(), DIID_ExplorerEvents_10, sink.get());
    ASSERT_EQ(connection.hr, S_OK);
    const ComPtr<IDispatch> folder =
        Get(Get(window.get(), L"Session").get(), L"GetDefaultFolder", {Int(10)});

    world.SwitchFolder(*first, inbox);
    ASSERT_GE(sink->received.size(), 3u);
    EXPECT_EQ(sink->received[0].id, kDispBeforeFolderSwitch);
    EXPECT_EQ(sink->received[0].types, (std::vector<VARTYPE>{VT_BOOL | VT_BYREF, VT_DISPATCH}));
    EXPECT_EQ(sink->received[1].id, kDispFolderSwitch);
    EXPECT_EQ(sink->received[2].id, kDispSelectionChange);

    sink->received.clear();
    EXPECT_EQ(
        CallByName(window.get(), L"CurrentFolder", DISPATCH_PROPERTYPUTREF, {Object(folder.get())})
            .hr,
        S_OK);
    EXPECT_EQ(first->folder(), contacts);
    ASSERT_FALSE(sink->received.empty());
    EXPECT_EQ(sink->received[0].firstObject, win32::IdentityOf(folder.get()));

    // Cancelling BeforeFolderSwitch keeps the window where it is.
    sink->setCancel = true;
    world.SwitchFolder(*first, inbox);
    EXPECT_EQ(first->folder(), contacts);
}

TEST_F(DispatchServerTest, ClickReachesEveryWindowWithTheControlActuallyUsed) {
    const ComPtr<IDispatch> used = addButton(1, L"T_Mobile");
    const ComPtr<IDispatch> other = addButton(2, L"T_Mobile");
    const auto sinkOne = MakeSink(DIID_CommandBarButtonEvents);
    const auto sinkTwo = MakeSink(DIID_CommandBarButtonEvents);
    Connection one(used.get(), DIID_CommandBarButtonEvents, sinkOne.get());
    Connection two(other.get(), DIID_CommandBarButtonEvents, sinkTwo.get());
    ASSERT_EQ(one.hr, S_OK);
    ASSERT_EQ(two.hr, S_OK);

    const auto clicked = std::dynamic_pointer_cast<sim::SimButton>(
        first->commandBars()->find(u"Brindle")->controls().front());
    clicked->bar()->SetVisible(true);  // a user clicks only on a bar that is shown
    ASSERT_TRUE(world.Click(clicked));
    for (const RecordingSink* sink : {sinkOne.get(), sinkTwo.get()}) {
        ASSERT_EQ(sink->received.size(), 1u);
        EXPECT_EQ(sink->received[0].id, kDispClick);
        EXPECT_EQ(sink->received[0].types, (std::vector<VARTYPE>{VT_BOOL | VT_BYREF, VT_DISPATCH}));
        EXPECT_EQ(sink->received[0].firstObject, win32::IdentityOf(used.get()));
    }
}

TEST_F(DispatchServerTest, HandlerFailuresAreRecordedAndUnadviseEndsDelivery) {
    const ComPtr<IDispatch> window = explorer(1);
    const auto sink = MakeSink(DIID_ExplorerEvents);
    sink->result = E_FAIL;
    {
        Connection connection(window.get(), DIID_ExplorerEvents, sink.get());
        ASSERT_EQ(connection.hr, S_OK);
        EXPECT_EQ(first->connections(), 1u);
        world.Select(*first, {});
        ASSERT_EQ(world.eventFailures().size(), 1u);
        EXPECT_EQ(world.eventFailures()[0].event, "Explorer.SelectionChange");
        EXPECT_EQ(world.eventFailures()[0].code, E_FAIL);
    }
    EXPECT_EQ(first->connections(), 0u);
    EXPECT_EQ(sink->references(), 1u) << "only the test holds the sink";
    world.Select(*first, {});
    EXPECT_EQ(sink->received.size(), 1u);
}

TEST_F(DispatchServerTest, SinksMustAnswerForTheEventInterface) {
    const ComPtr<IDispatch> window = explorer(1);
    const auto wrongInterface = MakeSink(DIID_CommandBarsEvents);
    Connection refused(window.get(), DIID_ExplorerEvents_10, wrongInterface.get());
    EXPECT_EQ(refused.hr, CONNECT_E_CANNOTCONNECT);
    Connection unknown(window.get(), DIID_CommandBarButtonEvents, wrongInterface.get());
    EXPECT_EQ(unknown.hr, CONNECT_E_NOCONNECTION);
}

// An open item's window: its item and session, and Close on either outgoing interface, with
// the Explorer's DISPID; once closed, its calls fail.
TEST_F(DispatchServerTest, AnInspectorGivesItsItemAndRaisesCloseOnEitherInterface) {
    const auto inspector = world.OpenInspector(alma);
    const ComPtr<IDispatch> object = server.wrap(inspector);
    const ComPtr<IDispatch> item = Get(object.get(), L"CurrentItem");
    EXPECT_EQ(win32::IdentityOf(item.get()), win32::IdentityOf(server.wrap(alma).get()));
    const ComPtr<IDispatch> session = Get(object.get(), L"Session");
    EXPECT_EQ(win32::IdentityOf(session.get()),
              win32::IdentityOf(Get(explorer(1).get(), L"Session").get()));

    const auto newer = MakeSink(DIID_InspectorEvents_10);
    const auto older = MakeSink(DIID_InspectorEvents);
    {
        Connection one(object.get(), DIID_InspectorEvents_10, newer.get());
        Connection two(object.get(), DIID_InspectorEvents, older.get());
        ASSERT_EQ(one.hr, S_OK);
        ASSERT_EQ(two.hr, S_OK);
        EXPECT_EQ(inspector->connections(), 2u);
        world.Close(*inspector);
    }
    for (const RecordingSink* sink : {newer.get(), older.get()}) {
        ASSERT_EQ(sink->received.size(), 1u);
        EXPECT_EQ(sink->received[0].id, 0xF008);
        EXPECT_TRUE(sink->received[0].types.empty());
    }
    EXPECT_EQ(inspector->connections(), 0u);
    EXPECT_EQ(CallByName(object.get(), L"CurrentItem", DISPATCH_PROPERTYGET).hr, DISP_E_EXCEPTION);
}

TEST_F(DispatchServerTest, ASelectionGivesTheWindowItIsIn) {
    const ComPtr<IDispatch> window = explorer(2);
    const ComPtr<IDispatch> parent = Get(Get(window.get(), L"Selection").get(), L"Parent");
    EXPECT_EQ(win32::IdentityOf(parent.get()), win32::IdentityOf(window.get()));
}

TEST_F(DispatchServerTest, CallsAreCountedPerObjectAndName) {
    const CallCounts before = server.registry().counts();
    const ComPtr<IDispatch> window = explorer(1);  // Explorers, then Item
    Get(window.get(), L"Selection");
    Get(window.get(), L"selection");
    const CallCounts& after = server.registry().counts();
    EXPECT_EQ(after.invokes - before.invokes, 4u);
    EXPECT_EQ(after.getIdsOfNames - before.getIdsOfNames, 4u);
    const DispatchBase* ours = DispatchBase::FromUnknown(window.get());
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(after.lookups.at({ours->serial(), L"selection"}), 2u);
}

}  // namespace
}  // namespace tessaly::standin
