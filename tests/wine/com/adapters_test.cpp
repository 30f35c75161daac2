// The Explorer, item and command bar adapters against hand-written Outlook and Office objects:
// what each call sends, which adapter each control gets, events, DISPIDs shared by type,
// failures, and references given back.
#include <gtest/gtest.h>
#include <olectl.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/dispatch/event_sink.h"
#include "host/dispatch/office.h"
#include "host/dispatch/outlook.h"
#include "platform/win32/picture.h"
#include "tests/wine/com/fake_host.h"
#include "tests/wine/com/fake_types.h"

namespace tessaly::testing {
namespace {

namespace d = host::dispatch;

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// A read-write property: a put stores the value, a get returns it.
void Stored(FakeObject& object, const std::wstring& name, DISPID id, const Variant& initial) {
    auto value = std::make_shared<Variant>(initial);
    object.member(name, id, [value](const Call& c, VARIANT* result) {
        if (c.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            *value = c.args.at(0);
            return S_OK;
        }
        return result ? VariantCopy(result, value->get()) : S_OK;
    });
}

// A member answering with another fake; the pointer is read at call time and never held, so
// fakes pointing at each other form no reference cycle.
void Returns(FakeObject& object, const std::wstring& name, DISPID id, IDispatch** target) {
    object.member(name, id, [target](const Call&, VARIANT* result) {
        return VariantCopy(result, DispatchVariant(*target).get());
    });
}

Variant Text(const wchar_t* text) {
    Variant v;
    v->vt = VT_BSTR;
    v->bstrVal = SysAllocString(text);
    return v;
}

Variant BoolRef(VARIANT_BOOL* flag) {
    Variant v;
    v->vt = VT_BOOL | VT_BYREF;
    v->pboolVal = flag;
    return v;
}

// One expected argument, in declared order.
struct A {
    VARTYPE vt;
    long value = 0;
    std::wstring text;
};
A I4(long v) {
    return {VT_I4, v, {}};
}
A Str(const wchar_t* s) {
    return {VT_BSTR, 0, s};
}
A Bool(bool b) {
    return {VT_BOOL, b ? VARIANT_TRUE : VARIANT_FALSE, {}};
}
const A Missing{VT_ERROR, static_cast<long>(DISP_E_PARAMNOTFOUND), {}};
const A Object{VT_DISPATCH, 0, {}};

void ExpectArgs(const Call& call, const std::vector<A>& declared) {
    ASSERT_EQ(call.args.size(), declared.size());
    for (std::size_t i = 0; i < declared.size(); ++i) {
        const VARIANT& v = *call.args[declared.size() - 1 - i].get();
        SCOPED_TRACE(i);
        ASSERT_EQ(v.vt, declared[i].vt);
        switch (v.vt) {
            case VT_I4:
                EXPECT_EQ(v.lVal, declared[i].value);
                break;
            case VT_BOOL:
                EXPECT_EQ(v.boolVal, declared[i].value);
                break;
            case VT_ERROR:
                EXPECT_EQ(v.scode, declared[i].value);
                break;
            case VT_DISPATCH:
                EXPECT_TRUE(v.pdispVal);
                break;
            default:
                EXPECT_EQ(BstrOf(v), declared[i].text);
        }
    }
}

template <class F>
[[nodiscard]] HRESULT ErrorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.code();
    }
    return S_OK;
}

// A small Outlook window: its command bars with one bar, a button, a second button with the
// same tag, a combo box and a popup; a selection holding one contact; the session.
class Outlook : public ::testing::Test {
  protected:
    void SetUp() override {
        contactType = MakeType(L"_ContactItem");
        buttonType = MakeType(L"_CommandBarButton");
        for (auto* f : {&explorer, &bars, &bar, &controls, &button, &button2, &combo, &popup,
                        &selection, &contact, &session, &folder}) {
            *f = MakeFake();
        }
        Returns(*explorer.get(), L"CommandBars", 1, &raw.bars);
        Returns(*explorer.get(), L"Selection", 2, &raw.selection);
        Returns(*explorer.get(), L"Session", 3, &raw.session);
        explorer->member(L"CurrentFolder", 4, [this](const Call& c, VARIANT*) {
            return c.flags == DISPATCH_PROPERTYPUTREF ? putRefResult : S_OK;
        });
        explorer->typeInfo = MakeType(L"_Explorer").get();

        bars->member(L"Item", DISPID_VALUE, [this](const Call& c, VARIANT* result) {
            if (BstrOf(*c.args.at(0).get()) != L"Tessaly") {
                return E_INVALIDARG;
            }
            return VariantCopy(result, DispatchVariant(raw.bar).get());
        });
        Returns(*bars.get(), L"Add", 1, &raw.bar);
        Returns(*bars.get(), L"FindControl", 2, &raw.found);
        Stored(*bars.get(), L"AdaptiveMenus", 3, {});
        bars->events(d::DIID_CommandBarsEvents);

        Stored(*bar.get(), L"Name", 1, Text(L"Tessaly"));
        Returns(*bar.get(), L"Controls", 2, &raw.controls);
        bar->member(L"Delete", 3, [](const Call&, VARIANT*) { return S_OK; });
        Returns(*bar.get(), L"FindControl", 4, &raw.found);
        Stored(*bar.get(), L"Position", 5, IntVariant(1));
        Stored(*bar.get(), L"Visible", 6, {});

        controls->property(L"Count", 1, IntVariant(3));
        Returns(*controls.get(), L"Add", 2, &raw.found);

        for (FakeObject* control : {button.get(), button2.get(), combo.get(), popup.get()}) {
            control->property(L"Type", 1,
                              IntVariant(control == combo.get()   ? host::msoControlComboBox
                                         : control == popup.get() ? 10
                                                                  : host::msoControlButton));
            Returns(*control, L"Parent", 2, &raw.bar);
            control->member(L"Move", 3, [](const Call&, VARIANT*) { return S_OK; });
            control->member(L"Delete", 4, [](const Call&, VARIANT*) { return S_OK; });
            Stored(*control, L"Tag", 5, Text(L"Tessaly.Dial"));
            Stored(*control, L"Enabled", 6, {});
            Stored(*control, L"Caption", 7, {});
            Stored(*control, L"Style", 8, {});
        }
        for (FakeObject* b : {button.get(), button2.get()}) {
            b->typeInfo = buttonType.get();
            Stored(*b, L"Picture", 9, {});
            Stored(*b, L"Mask", 10, {});
            b->events(d::DIID_CommandBarButtonEvents);
        }
        combo->member(L"Clear", 20, [this](const Call&, VARIANT*) {
            list.clear();
            return S_OK;
        });
        combo->member(L"AddItem", 21, [this](const Call& c, VARIANT*) {
            list.push_back(BstrOf(*c.args.at(1).get()));
            return S_OK;
        });
        combo->member(L"ListCount", 22, [this](const Call&, VARIANT* result) {
            return VariantCopy(result, IntVariant(static_cast<int>(list.size())).get());
        });
        combo->member(L"List", 23, [this](const Call& c, VARIANT* result) {
            return VariantCopy(result, Text(list.at(c.args.at(0)->lVal - 1).c_str()).get());
        });
        Stored(*combo.get(), L"ListIndex", 24, IntVariant(0));
        Stored(*combo.get(), L"Text", 25, Text(L""));
        combo->events(d::DIID_CommandBarComboBoxEvents);
        combo->typeInfo = MakeType(L"_CommandBarComboBox").get();

        selection->property(L"Count", 1, IntVariant(1));
        Returns(*selection.get(), L"Item", 2, &raw.contact);
        selection->typeInfo = MakeType(L"_Selection").get();
        DISPID id = 1;
        for (const wchar_t* name :
             {L"BusinessTelephoneNumber", L"Business2TelephoneNumber", L"MobileTelephoneNumber",
              L"HomeTelephoneNumber", L"Home2TelephoneNumber", L"CallbackTelephoneNumber",
              L"CarTelephoneNumber", L"AssistantTelephoneNumber", L"CompanyMainTelephoneNumber"}) {
            const bool set = id % 2 == 1;
            contact->property(name, id++, Text(set ? L"+1 555 0100" : L""));
        }
        contact->property(L"MobileTelephoneNumber", 3, Text(L"+1 555 0199"));
        contact->typeInfo = contactType.get();

        Returns(*session.get(), L"GetDefaultFolder", 1, &raw.folder);

        raw = {explorer.get(),  bars.get(),    bar.get(),     controls.get(), button.get(),
               selection.get(), contact.get(), session.get(), folder.get()};
        for (auto* f : all()) {
            startRefs.push_back(f->refs());
        }
    }
    void TearDown() override {
        forget();  // the recorded arguments hold references of their own
        const auto fakes = all();
        for (std::size_t i = 0; i < fakes.size(); ++i) {
            EXPECT_EQ(fakes[i]->refs(), startRefs[i]) << "fake " << i << " kept a reference";
        }
        EXPECT_EQ(d::LiveSinks(), 0u);
        EXPECT_EQ(contactType->attributesHeld, 0);
        EXPECT_EQ(buttonType->attributesHeld, 0);
    }
    std::vector<FakeObject*> all() const {
        return {explorer.get(),  bars.get(),    bar.get(),     controls.get(),
                button.get(),    button2.get(), combo.get(),   popup.get(),
                selection.get(), contact.get(), session.get(), folder.get()};
    }
    std::size_t invokes() const {
        std::size_t n = 0;
        for (auto* f : all()) {
            n += f->calls.size();
        }
        return n;
    }
    int nameLookups() const {
        int n = 0;
        for (auto* f : all()) {
            n += f->nameLookups;
        }
        return n;
    }
    void forget() {
        for (auto* f : all()) {
            f->calls.clear();
            f->nameLookups = 0;
        }
    }
    std::shared_ptr<host::CommandBarControl> find(FakeObject* control) {
        raw.found = control;
        return d::WrapCommandBar(bar.get())->FindControl({}, {}, {}, {}, {});
    }

    ComPtr<FakeTypeInfo> contactType, buttonType;
    ComPtr<FakeObject> explorer, bars, bar, controls, button, button2, combo, popup, selection,
        contact, session, folder;
    struct Raw {
        IDispatch *explorer, *bars, *bar, *controls, *found, *selection, *contact, *session,
            *folder;
    } raw{};
    std::vector<std::wstring> list;
    HRESULT putRefResult = S_OK;
    std::vector<ULONG> startRefs;
};

TEST_F(Outlook, SendsArgumentsInDeclaredOrderWithOmittedOptionals) {
    auto bs = d::WrapCommandBars(bars.get());
    auto b = d::WrapCommandBar(bar.get());
    auto cs = b->Controls();
    auto box = std::dynamic_pointer_cast<host::CommandBarComboBox>(find(combo.get()));
    auto ns = d::WrapExplorer(explorer.get())->Session();
    ASSERT_TRUE(box && ns);
    struct Case {
        const char* what;
        std::function<void()> act;
        FakeObject* target;
        DISPID id;
        WORD flags;
        std::vector<A> args;
    };
    const Case cases[] = {
        {"Bars.Item",
         [&] { bs->Item(u"Tessaly"); },
         bars.get(),
         DISPID_VALUE,
         kGet,
         {Str(L"Tessaly")}},
        {"Bars.Add",
         [&] { bs->Add(u"Tessaly", host::msoBarTop, false, true); },
         bars.get(),
         1,
         kGet,
         {Str(L"Tessaly"), I4(1), Bool(false), Bool(true)}},
        {"Bars.Add omitted",
         [&] { bs->Add({}, {}, {}, {}); },
         bars.get(),
         1,
         kGet,
         {Missing, Missing, Missing, Missing}},
        {"Bars.FindControl",
         [&] { bs->FindControl(1, {}, u"T", {}); },
         bars.get(),
         2,
         kGet,
         {I4(1), Missing, Str(L"T"), Missing}},
        {"Bars.AdaptiveMenus",
         [&] { bs->SetAdaptiveMenus(false); },
         bars.get(),
         3,
         DISPATCH_PROPERTYPUT,
         {Bool(false)}},
        {"Bar.FindControl",
         [&] { b->FindControl(4, {}, u"T", true, false); },
         bar.get(),
         4,
         kGet,
         {I4(4), Missing, Str(L"T"), Bool(true), Bool(false)}},
        {"Bar.Position", [&] { b->SetPosition(1); }, bar.get(), 5, DISPATCH_PROPERTYPUT, {I4(1)}},
        {"Controls.Add",
         [&] { cs->Add(1, {}, 3, true); },
         controls.get(),
         2,
         kGet,
         {I4(1), Missing, Missing, I4(3), Bool(true)}},
        {"Control.Move", [&] { box->Move(b, 2); }, combo.get(), 3, kGet, {Object, I4(2)}},
        {"Control.Move omitted",
         [&] { box->Move({}, {}); },
         combo.get(),
         3,
         kGet,
         {Missing, Missing}},
        {"Control.Delete", [&] { box->Delete({}); }, combo.get(), 4, kGet, {Missing}},
        {"Control.Tag",
         [&] { box->SetTag(u"x"); },
         combo.get(),
         5,
         DISPATCH_PROPERTYPUT,
         {Str(L"x")}},
        {"Combo.AddItem",
         [&] { box->AddItem(u"5", {}); },
         combo.get(),
         21,
         kGet,
         {Str(L"5"), Missing}},
        {"Combo.List", [&] { box->List(1); }, combo.get(), 23, kGet, {I4(1)}},
        {"NameSpace.GetDefaultFolder",
         [&] { ns->GetDefaultFolder(host::olFolderContacts); },
         session.get(),
         1,
         kGet,
         {I4(10)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.target->calls.clear();
        c.act();
        ASSERT_EQ(c.target->calls.size(), 1u);
        const Call& call = c.target->calls[0];
        EXPECT_EQ(call.id, c.id);
        EXPECT_EQ(call.flags, c.flags);
        EXPECT_EQ(call.named.size(), c.flags == DISPATCH_PROPERTYPUT ? 1u : 0u);
        ExpectArgs(call, c.args);
    }
}

TEST_F(Outlook, AssignsTheFolderByReferenceFallingBackToAPut) {
    auto window = d::WrapExplorer(explorer.get());
    auto contacts = window->Session()->GetDefaultFolder(host::olFolderContacts);
    ASSERT_TRUE(contacts);
    EXPECT_EQ(contacts->Identity(), IdOf(folder.get()));
    for (HRESULT refusal : {S_OK, DISP_E_MEMBERNOTFOUND, E_NOTIMPL}) {
        explorer->calls.clear();
        putRefResult = refusal;
        window->SetCurrentFolder(contacts);
        ASSERT_EQ(explorer->calls.size(), refusal == S_OK ? 1u : 2u);
        EXPECT_EQ(explorer->calls[0].flags, DISPATCH_PROPERTYPUTREF);
        EXPECT_EQ(explorer->calls.back().flags,
                  refusal == S_OK ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT);
        const VARIANT& arg = *explorer->calls.back().args.at(0).get();
        ASSERT_EQ(arg.vt, VT_DISPATCH);
        EXPECT_EQ(d::IdentityOf(arg.pdispVal), IdOf(folder.get()));
    }
    putRefResult = DISP_E_TYPEMISMATCH;  // a real failure is not retried
    EXPECT_EQ(ErrorOf([&] { window->SetCurrentFolder(contacts); }), DISP_E_TYPEMISMATCH);
}

TEST_F(Outlook, GivesEachControlTheAdapterOfItsType) {
    struct Case {
        FakeObject* control;
        std::int32_t type;
        bool button, combo;
    };
    const Case cases[] = {{button.get(), 1, true, false},
                          {combo.get(), 4, false, true},
                          {popup.get(), 10, false, false}};
    auto bs = d::WrapCommandBars(bars.get());
    auto cs = d::WrapCommandBar(bar.get())->Controls();
    for (const auto& c : cases) {
        raw.found = c.control;
        for (const auto& control :
             {find(c.control), bs->FindControl({}, {}, {}, {}), bs->FindControl(c.type, {}, {}, {}),
              cs->Add(c.type, {}, {}, {}), cs->Add({}, {}, {}, {})}) {
            ASSERT_TRUE(control);
            EXPECT_EQ(control->Identity(), IdOf(c.control));
            EXPECT_EQ(!!std::dynamic_pointer_cast<host::CommandBarButton>(control), c.button);
            EXPECT_EQ(!!std::dynamic_pointer_cast<host::CommandBarComboBox>(control), c.combo);
        }
    }
    raw.found = nullptr;  // Nothing
    EXPECT_FALSE(find(nullptr));
    EXPECT_FALSE(bs->FindControl({}, {}, {}, {}));
}

// The host finds and adds only controls of the type it is given: such a control is wrapped
// without a call for its type, which a connection would otherwise make once per control.
TEST_F(Outlook, AControlOfTheTypeAskedForCostsNoCallForItsType) {
    button2->member(L"Type", 1, [](const Call&, VARIANT*) { return E_FAIL; });
    raw.found = button2.get();
    auto cs = d::WrapCommandBar(bar.get())->Controls();
    for (const auto& control :
         {cs->Add(1, {}, {}, true), d::WrapCommandBars(bars.get())->FindControl(1, {}, {}, {})}) {
        EXPECT_TRUE(std::dynamic_pointer_cast<host::CommandBarButton>(control));
    }
}

TEST_F(Outlook, AddedControlThatCannotBeReadIsDeletedAgain) {
    int deletes = 0;
    button2->member(L"Type", 1, [](const Call&, VARIANT*) { return E_FAIL; });
    button2->member(L"Delete", 4, [&](const Call&, VARIANT*) {
        ++deletes;
        return S_OK;
    });
    raw.found = button2.get();
    auto cs = d::WrapCommandBar(bar.get())->Controls();
    EXPECT_EQ(ErrorOf([&] { cs->Add({}, {}, {}, true); }), E_FAIL);
    EXPECT_EQ(deletes, 1) << "no blank, untagged control may stay on the bar";
}

TEST_F(Outlook, WrappersOfOneObjectShareItsIdentity) {
    auto first = find(button.get());
    auto second = find(button.get());
    auto other = find(button2.get());
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(host::SameObject(first, second));
    EXPECT_FALSE(host::SameObject(first, other));
    EXPECT_TRUE(
        host::SameObject(first->Parent(), d::WrapCommandBars(bars.get())->Item(u"Tessaly")));
}

TEST_F(Outlook, TypeNameComesFromTheClassElseTheInterfaceWithoutOneUnderscore) {
    struct Case {
        const wchar_t* coclass;  // null: no IProvideClassInfo
        const wchar_t* type;
        std::u16string expected;
    };
    const Case cases[] = {
        {L"ContactItem", L"_Ignored", u"ContactItem"},
        {nullptr, L"_ContactItem", u"ContactItem"},
        {nullptr, L"__Odd", u"_Odd"},
        {nullptr, L"MailItem", u"MailItem"},
    };
    for (const auto& c : cases) {
        auto item = MakeFake();
        auto type = MakeType(c.type);
        item->typeInfo = type.get();
        if (c.coclass) {
            item->classInfo = MakeType(c.coclass, TKIND_COCLASS).get();
        }
        auto wrapped = d::WrapItem(item.get());
        EXPECT_EQ(wrapped->TypeName(), c.expected);
        const int asked = type->documentationCalls;
        EXPECT_EQ(wrapped->TypeName(), c.expected);
        EXPECT_EQ(type->documentationCalls, asked) << "the name is asked once per item";
    }
    auto nameless = MakeFake();
    EXPECT_TRUE(FAILED(ErrorOf([&] { d::WrapItem(nameless.get())->TypeName(); })));
}

TEST_F(Outlook, ButtonClickRoutesTheClickedControlAndWritesCancelDefaultBack) {
    auto subscribed = std::dynamic_pointer_cast<host::CommandBarButton>(find(button.get()));
    auto clicked = find(button2.get());
    ASSERT_TRUE(subscribed);
    struct Case {
        VARIANT_BOOL before;
        bool set;
        VARIANT_BOOL after;
    };
    for (const Case c :
         {Case{VARIANT_FALSE, true, VARIANT_TRUE}, Case{VARIANT_TRUE, false, VARIANT_FALSE}}) {
        auto events = std::make_shared<host::CommandBarButtonEvents>();
        std::shared_ptr<host::CommandBarButton> ctrl;
        bool seen = !c.before;
        events->Click = [&](const std::shared_ptr<host::CommandBarButton>& b, bool& cancel) {
            ctrl = b;
            seen = cancel;
            cancel = c.set;
        };
        auto subscription = subscribed->Advise(events);
        VARIANT_BOOL cancelDefault = c.before;
        IDispatch* sender = button2.get();
        EXPECT_EQ(button->events(d::DIID_CommandBarButtonEvents)
                      .fire(d::kDispClick, {BoolRef(&cancelDefault), DispatchVariant(sender)}),
                  S_OK);
        EXPECT_EQ(seen, c.before != VARIANT_FALSE);
        EXPECT_EQ(cancelDefault, c.after);
        EXPECT_TRUE(host::SameObject(ctrl, clicked));
        EXPECT_EQ(button->events(d::DIID_CommandBarButtonEvents).fire(0x77, {}), S_OK);
    }
}

TEST_F(Outlook, ComboChangeAndOnUpdateReachTheirSinks) {
    auto box = std::dynamic_pointer_cast<host::CommandBarComboBox>(find(combo.get()));
    auto changes = std::make_shared<host::CommandBarComboBoxEvents>();
    const void* changed = nullptr;
    changes->Change = [&](const std::shared_ptr<host::CommandBarComboBox>& b) {
        changed = b->Identity();
    };
    auto updates = std::make_shared<host::CommandBarsEvents>();
    int updated = 0;
    updates->OnUpdate = [&] { ++updated; };
    auto s1 = box->Advise(changes);
    auto s2 = d::WrapCommandBars(bars.get())->Advise(updates);
    IDispatch* sender = combo.get();
    EXPECT_EQ(combo->events(d::DIID_CommandBarComboBoxEvents)
                  .fire(d::kDispChange, {DispatchRefVariant(&sender)}),
              S_OK);
    EXPECT_EQ(bars->events(d::DIID_CommandBarsEvents).fire(d::kDispOnUpdate, {}), S_OK);
    EXPECT_EQ(changed, IdOf(combo.get()));
    EXPECT_EQ(updated, 1);
    // While subscribed, the sinks hold the core's event structs but neither the adapters nor
    // the objects they wrap.
    box.reset();
    forget();
    EXPECT_EQ(changes.use_count(), 2);
    EXPECT_EQ(combo->refs(), startRefs[6]);
}

// The events the add-in handles arrive; the others (BeforeFolderSwitch, ViewSwitch,
// BeforeViewSwitch, Deactivate, and ones this build does not know) are acknowledged and
// leave their arguments alone.
TEST_F(Outlook, ExplorerEventsTheAddInHandlesArrive) {
    auto window = d::WrapExplorer(explorer.get());
    auto& point = explorer->events(d::DIID_ExplorerEvents_10);
    std::map<std::string, int> seen;
    auto events = std::make_shared<host::ExplorerEvents>();
    events->Activate = [&] { ++seen["Activate"]; };
    events->FolderSwitch = [&] { ++seen["FolderSwitch"]; };
    events->BeforeFolderSwitch = [&](const std::shared_ptr<host::MAPIFolder>&, bool&) {
        ++seen["BeforeFolderSwitch"];
    };
    events->SelectionChange = [&] { ++seen["SelectionChange"]; };
    events->Close = [&] { ++seen["Close"]; };
    auto subscription = window->Advise(events);
    VARIANT_BOOL folderCancel = VARIANT_FALSE, viewCancel = VARIANT_FALSE;
    IDispatch* target = folder.get();
    for (DISPID id : {0xF001, 0xF002, 0xF004, 0xF006, 0xF007, 0xF008, 0xFA11}) {
        EXPECT_EQ(point.fire(id, {}), S_OK);
    }
    EXPECT_EQ(point.fire(0xF003, {BoolRef(&folderCancel), DispatchRefVariant(&target)}), S_OK);
    EXPECT_EQ(point.fire(0xF005, {BoolRef(&viewCancel), Text(L"Cards")}), S_OK);
    EXPECT_EQ(seen,
              (std::map<std::string, int>{
                  {"Activate", 1}, {"Close", 1}, {"FolderSwitch", 1}, {"SelectionChange", 1}}));
    EXPECT_EQ(folderCancel, VARIANT_FALSE);
    EXPECT_EQ(viewCancel, VARIANT_FALSE);
    window.reset();
    forget();
    EXPECT_EQ(explorer->refs(), startRefs[0]) << "the subscription holds no window";
}

TEST_F(Outlook, ExplorerAdvisesOnTheNewerEventsElseTheOlderOnes) {
    auto window = d::WrapExplorer(explorer.get());
    auto events = std::make_shared<host::ExplorerEvents>();
    int activated = 0;
    events->Activate = [&] { ++activated; };
    EXPECT_TRUE(FAILED(ErrorOf([&] { window->Advise(events); })));  // no events at all

    auto& older = explorer->events(d::DIID_ExplorerEvents);
    {
        auto subscription = window->Advise(events);
        EXPECT_EQ(older.advises, 1);
        EXPECT_EQ(older.fire(d::kDispActivate, {}), S_OK);
        EXPECT_EQ(activated, 1);
    }
    EXPECT_EQ(older.unadvises, 1);
    auto& newer = explorer->events(d::DIID_ExplorerEvents_10);
    auto subscription = window->Advise(events);
    EXPECT_EQ(newer.advises, 1);
    EXPECT_EQ(older.advises, 1);
}

TEST_F(Outlook, NamesAreLookedUpOncePerTypeNotPerObject) {
    // Two buttons of one type, one combo box whose type numbers its members differently.
    combo->member(L"Caption", 99, [](const Call&, VARIANT*) { return S_OK; });
    for (int round = 0; round < 2; ++round) {
        for (FakeObject* b : {button.get(), button2.get()}) {
            auto control = find(b);
            control->SetCaption(u"Dial");
            control->SetEnabled(true);
        }
    }
    EXPECT_EQ(button->nameLookups + button2->nameLookups, 3);  // Type, Caption, Enabled
    find(combo.get())->SetCaption(u"Numbers");
    EXPECT_EQ(combo->calls.back().id, 99);

    // A type without a GUID is known by its name.
    const std::wstring name = L"_Nameless" + std::to_wstring(GetTickCount());
    auto first = MakeFake(), second = MakeFake();
    for (FakeObject* f : {first.get(), second.get()}) {
        f->typeInfo = MakeNamedType(name).get();
        f->property(L"Count", 1, IntVariant(0));
        d::WrapSelection(f)->Count();
    }
    EXPECT_EQ(first->nameLookups + second->nameLookups, 1);
}

TEST_F(Outlook, SelectionRefreshStaysCheap) {
    auto window = d::WrapExplorer(explorer.get());
    auto box = std::dynamic_pointer_cast<host::CommandBarComboBox>(find(combo.get()));
    std::vector<std::shared_ptr<host::CommandBarControl>> buttons = {
        find(button.get()), find(button.get()), find(button.get()), find(button2.get())};
    auto refresh = [&] {
        auto picked = window->Selection();
        ASSERT_EQ(picked->Count(), 1);
        auto item = picked->Item(1);
        ASSERT_EQ(item->TypeName(), u"ContactItem");
        auto person = std::dynamic_pointer_cast<host::ContactItem>(item);
        ASSERT_TRUE(person);
        using C = host::ContactItem;
        std::vector<std::u16string> numbers;
        for (auto getter :
             {&C::BusinessTelephoneNumber, &C::Business2TelephoneNumber, &C::MobileTelephoneNumber,
              &C::HomeTelephoneNumber, &C::Home2TelephoneNumber, &C::CallbackTelephoneNumber,
              &C::CarTelephoneNumber, &C::AssistantTelephoneNumber,
              &C::CompanyMainTelephoneNumber}) {
            auto n = ((*person).*getter)();
            if (!n.empty() && std::find(numbers.begin(), numbers.end(), n) == numbers.end()) {
                numbers.push_back(n);
            }
        }
        box->Clear();
        for (const auto& n : numbers) {
            box->AddItem(n, std::nullopt);
        }
        for (std::size_t i = 0; i < 3; ++i) {
            buttons[i]->SetEnabled(true);
        }
        ASSERT_EQ(box->ListCount(), 2);
        box->SetListIndex(1);
        box->SetText(box->List(1));
        EXPECT_EQ(box->Text(), u"+1 555 0100");
        buttons[3]->SetEnabled(!box->Text().empty());
    };
    forget();
    refresh();
    // Selection, Count, Item, 9 numbers, Clear, 2 AddItem, 3 Enabled, ListCount,
    // ListIndex, List, Text put, 2 Text gets, Enabled.
    EXPECT_EQ(invokes(), 25u);
    forget();
    refresh();
    EXPECT_EQ(invokes(), 25u);
    EXPECT_EQ(nameLookups(), 0) << "new wrappers of known types look nothing up";
}

TEST_F(Outlook, PicturesMustComeFromThisAddIn) {
    auto face = std::dynamic_pointer_cast<host::CommandBarButton>(find(button.get()));
    ComPtr<IPictureDisp> made;
    ASSERT_EQ(OleCreatePictureIndirect(nullptr, IID_IPictureDisp, TRUE, made.putVoid()), S_OK);
    auto picture = std::make_shared<win32::Win32Picture>(made);
    face->SetPicture(picture);
    face->SetMask(picture);
    ASSERT_EQ(button->calls.size(), 3u);  // Type, Picture, Mask
    for (std::size_t i : {1u, 2u}) {
        const VARIANT& arg = *button->calls[i].args.at(0).get();
        ASSERT_EQ(arg.vt, VT_DISPATCH);
        EXPECT_EQ(d::IdentityOf(arg.pdispVal), picture->Identity());
    }
    struct Foreign : host::Picture {};
    EXPECT_EQ(ErrorOf([&] { face->SetPicture(std::make_shared<Foreign>()); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { face->SetMask(nullptr); }), E_INVALIDARG);
}

TEST_F(Outlook, FailuresComeBackWithTheirHresult) {
    auto bs = d::WrapCommandBars(bars.get());
    auto window = d::WrapExplorer(explorer.get());
    auto control = find(combo.get());
    auto notContact = d::WrapItem(folder.get());
    struct Foreign : host::MAPIFolder {
        std::shared_ptr<host::Items> Items() override { return nullptr; }
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no such bar", [&] { bs->Item(u"Other"); }, E_INVALIDARG},
        {"bar is Nothing",
         [&] {
             bars->member(L"Item", DISPID_VALUE, [](const Call&, VARIANT*) { return S_OK; });
             bs->Item(u"Tessaly");
         },
         DISP_E_BADINDEX},
        {"raised by the control",
         [&] {
             combo->raise = static_cast<HRESULT>(0x800A01A8);
             control->Caption();
         },
         static_cast<HRESULT>(0x800A01A8)},
        {"type name without type information", [&] { notContact->TypeName(); }, E_NOTIMPL},
        {"phone of a non-contact",
         [&] { std::dynamic_pointer_cast<host::ContactItem>(notContact)->HomeTelephoneNumber(); },
         DISP_E_UNKNOWNNAME},
        {"foreign folder", [&] { window->SetCurrentFolder(std::make_shared<Foreign>()); },
         E_INVALIDARG},
        {"no events",
         [&] {
             d::WrapButton(popup.get())->Advise(std::make_shared<host::CommandBarButtonEvents>());
         },
         E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf(c.act), c.expected) << c.what;
    }
    combo->raise = S_OK;
}

}  // namespace
}  // namespace tessaly::testing
