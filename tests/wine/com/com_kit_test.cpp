// The COM kit on its own: the interface table behind QueryInterface, reference counting with
// a counter policy, IDispatch from a name table and called through Invoke, connection points
// with their enumerators, VARIANTs made and read, and exceptions turned into HRESULTs.
#include <gtest/gtest.h>
#include <olectl.h>

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "harness/com/connection_point.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/com/invoke.h"
#include "platform/win32/raii.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct ITestDual : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Ping() = 0;

  protected:
    ~ITestDual() = default;
};
#pragma GCC diagnostic pop
// {6E1F2A0C-3B8D-4C5E-9F70-1A2B3C4D5E6F}
__CRT_UUID_DECL(ITestDual, 0x6E1F2A0C, 0x3B8D, 0x4C5E, 0x9F, 0x70, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,
                0x6F)

namespace tessaly::win32::com {
namespace {

using harness::com::ConnectionPoint;
using harness::com::ConnectionPoints;

int liveProbes = 0;
struct ProbeCount {
    ProbeCount() { ++liveProbes; }
    ~ProbeCount() { --liveProbes; }
};

// IDispatch only through a derived interface, beside one that has nothing to do with it.
class Probe final : public Dispatch<CountedObject<ProbeCount, IProvideClassInfo, ITestDual>> {
  public:
    explicit Probe(bool* finalReleased = nullptr) : finalReleased_(finalReleased) {}

    HRESULT STDMETHODCALLTYPE Ping() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo**) noexcept override { return E_NOTIMPL; }

    std::vector<std::wstring> arguments;  // as declared, first to last
    EXCEPINFO raising{};                  // what Raise fills in, handed over

  private:
    using Method = com::Method<Probe>;
    static std::span<const Method> Methods() {
        static constexpr Method kMethods[] = {
            {L"Ping", 7, 0, &Probe::callPing},
            {L"Echo", 8, 2, &Probe::callEcho},
            {L"Fail", 9, 0, &Probe::callFail},
            {L"Raise", 10, 0, &Probe::callRaise},
        };
        return kMethods;
    }
    DISPID memberId(std::wstring_view name) override {
        const Method* method = FindName(Methods(), name);
        return method ? method->id : DISPID_UNKNOWN;
    }
    HRESULT invoke(const Invocation& call) override { return CallMethod(*this, Methods(), call); }
    void finalRelease() noexcept override {
        if (finalReleased_) {
            *finalReleased_ = true;
        }
    }

    HRESULT callPing(const Invocation&) { return Ping(); }
    HRESULT callEcho(const Invocation& call) {
        for (UINT i = 0; i < call.count(); ++i) {
            arguments.emplace_back(call.arg(i).bstrVal);
        }
        return S_OK;
    }
    HRESULT callFail(const Invocation&) { throw Error(E_ACCESSDENIED, "refused"); }
    HRESULT callRaise(const Invocation& call) {
        *call.exception() = std::exchange(raising, EXCEPINFO{});
        return DISP_E_EXCEPTION;
    }

    bool* finalReleased_;
};

TEST(KitComObject, AnswersEveryListedInterfaceAndItsBasesWithOneIdentity) {
    const auto probe = Make<Probe>();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(probe->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
    struct Case {
        const IID* iid;
        HRESULT hr;
    };
    for (const Case& c :
         {Case{&IID_IUnknown, S_OK}, Case{&IID_IDispatch, S_OK}, Case{&__uuidof(ITestDual), S_OK},
          Case{&IID_IProvideClassInfo, S_OK}, Case{&IID_IClassFactory, E_NOINTERFACE},
          Case{&IID_IConnectionPointContainer, E_NOINTERFACE}}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(probe->QueryInterface(*c.iid, &out), c.hr);
        if (FAILED(c.hr)) {
            EXPECT_EQ(out, nullptr);
            continue;
        }
        const auto held = ComPtr<IUnknown>::attach(static_cast<IUnknown*>(out));
        ComPtr<IUnknown> back;
        ASSERT_EQ(held->QueryInterface(IID_IUnknown, back.putVoid()), S_OK);
        EXPECT_EQ(back.get(), identity.get());
    }
    EXPECT_EQ(probe->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(KitComObject, CountsItselfUntilTheLastReferenceGoes) {
    bool finalReleased = false;
    {
        auto probe = Make<Probe>(&finalReleased);
        EXPECT_EQ(liveProbes, 1);
        EXPECT_EQ(probe->references(), 1u);
        ComPtr<IDispatch> other = probe.query<IDispatch>(IID_IDispatch);
        EXPECT_EQ(probe->references(), 2u);
        probe.reset();
        EXPECT_EQ(liveProbes, 1) << "another interface still holds it";
        EXPECT_FALSE(finalReleased);
    }
    EXPECT_TRUE(finalReleased);
    EXPECT_EQ(liveProbes, 0);
}

// A call by name, arguments in declared order.
HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<const wchar_t*> args,
                   WORD flags = DISPATCH_METHOD, UINT named = 0) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id); FAILED(hr)) {
        return hr;
    }
    std::vector<Variant> values(args.size());
    std::vector<VARIANT> raw;
    for (std::size_t i = args.size(); i-- > 0;) {
        values[i]->vt = VT_BSTR;
        values[i]->bstrVal = SysAllocString(args[i]);
        raw.push_back(*values[i].get());
    }
    DISPID namedIds[1] = {DISPID_PROPERTYPUT};
    DISPPARAMS params{raw.data(), named ? namedIds : nullptr, static_cast<UINT>(raw.size()), named};
    return object->Invoke(id, IID_NULL, 0, flags, &params, nullptr, nullptr, nullptr);
}

TEST(KitDispatch, ResolvesNamesWithoutRegardToCase) {
    const auto probe = Make<Probe>();
    struct Case {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    };
    for (const Case& c : {Case{L"Ping", S_OK, 7}, Case{L"PING", S_OK, 7}, Case{L"echo", S_OK, 8},
                          Case{L"Pin", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
                          Case{L"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = 12345;
        EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, names, 1, 0, &id), c.hr);
        EXPECT_EQ(id, c.id);
    }
    // Arguments are never named; asking for a name leaves its DISPID unknown.
    LPOLESTR withArgument[] = {const_cast<LPOLESTR>(L"Echo"), const_cast<LPOLESTR>(L"Text")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, withArgument, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 8);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(probe->GetIDsOfNames(IID_IDispatch, withArgument, 1, 0, ids),
              DISP_E_UNKNOWNINTERFACE);
}

TEST(KitDispatch, CallsMethodsWithTheirDeclaredArgumentsOnly) {
    const auto probe = Make<Probe>();
    EXPECT_EQ(CallByName(probe.get(), L"Echo", {L"first", L"second"}), S_OK);
    EXPECT_EQ(probe->arguments, (std::vector<std::wstring>{L"first", L"second"}));
    struct Case {
        const char* what;
        const wchar_t* name;
        std::vector<const wchar_t*> args;
        WORD flags;
        UINT named;
        HRESULT hr;
    };
    const Case cases[] = {
        {"too few", L"Echo", {L"only"}, DISPATCH_METHOD, 0, DISP_E_BADPARAMCOUNT},
        {"too many", L"Ping", {L"extra"}, DISPATCH_METHOD, 0, DISP_E_BADPARAMCOUNT},
        {"not a property", L"Ping", {}, DISPATCH_PROPERTYGET, 0, DISP_E_MEMBERNOTFOUND},
        {"named", L"Echo", {L"a", L"b"}, DISPATCH_METHOD, 1, DISP_E_NONAMEDARGS},
        {"thrown", L"Fail", {}, DISPATCH_METHOD, 0, E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CallByName(probe.get(), c.name, c.args, c.flags, c.named), c.hr) << c.what;
    }
    EXPECT_EQ(probe->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// A container of two outgoing interfaces; the first refuses every sink it is told to.
class Source final : public ConnectionPoints<ComObject<IConnectionPointContainer>> {
  public:
    class Point final : public ConnectionPoint {
      public:
        Point(IConnectionPointContainer& container, const IID& iid, HRESULT refusal)
            : ConnectionPoint(container, iid), refusal_(refusal) {}
        int disconnected = 0;

      private:
        HRESULT connect(DWORD, const ComPtr<IDispatch>&) override { return refusal_; }
        void disconnect(DWORD) noexcept override { ++disconnected; }
        HRESULT refusal_;
    };
    Source(bool withPoints, HRESULT refusal) {
        if (withPoints) {
            first = &addConnectionPoint<Point>(IID_IDispatch, refusal);
            addConnectionPoint<Point>(__uuidof(ITestDual), S_OK);
        }
    }
    Point* first = nullptr;
};

TEST(KitConnectionPoints, OffersTheContainerOnlyWithPoints) {
    const auto none = Make<Source>(false, S_OK);
    EXPECT_FALSE(none.query<IConnectionPointContainer>(IID_IConnectionPointContainer));
    const auto some = Make<Source>(true, S_OK);
    EXPECT_TRUE(some.query<IConnectionPointContainer>(IID_IConnectionPointContainer));
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(some->FindConnectionPoint(IID_IClassFactory, point.put()), CONNECT_E_NOCONNECTION);
}

TEST(KitConnectionPoints, AdviseKeepsSinksThatAnswerForTheInterface) {
    const auto source = Make<Source>(true, S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(source->FindConnectionPoint(__uuidof(ITestDual), point.put()), S_OK);
    EXPECT_EQ(source->references(), 2u) << "a point's references are its container's";

    const auto probe = Make<Probe>();
    const auto plain = Make<Source>(false, S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(plain.get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    ASSERT_EQ(point->Advise(probe->identity(), &cookie), S_OK);
    EXPECT_EQ(source->connections(), 1u);
    EXPECT_EQ(probe->references(), 2u);
    EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(probe->references(), 1u);
    EXPECT_EQ(source->connections(), 0u);
}

TEST(KitConnectionPoints, ARefusedSinkIsNotKept) {
    const auto source = Make<Source>(true, CONNECT_E_ADVISELIMIT);
    const auto probe = Make<Probe>();
    DWORD cookie = 7;
    EXPECT_EQ(source->first->Advise(probe->identity(), &cookie), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(source->connections(), 0u);
    EXPECT_EQ(probe->references(), 1u);
}

TEST(KitConnectionPoints, EnumeratorsListASnapshotAndHoldWhatTheyList) {
    const auto source = Make<Source>(true, S_OK);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(source->EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    IID iid{};
    EXPECT_EQ(got[1]->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, __uuidof(ITestDual));
    for (ULONG i = 0; i < fetched; ++i) {
        got[i]->Release();
    }
    EXPECT_EQ(points->Next(2, got, nullptr), E_POINTER) << "a count needs somewhere to go";
    EXPECT_EQ(points->Reset(), S_OK);
    EXPECT_EQ(points->Skip(3), S_FALSE);

    const auto probe = Make<Probe>();
    ComPtr<IConnectionPoint> dual;
    ASSERT_EQ(source->FindConnectionPoint(__uuidof(ITestDual), dual.put()), S_OK);
    DWORD first = 0, second = 0;
    ASSERT_EQ(dual->Advise(probe->identity(), &first), S_OK);
    ASSERT_EQ(dual->Advise(probe->identity(), &second), S_OK);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(dual->EnumConnections(connections.put()), S_OK);
    EXPECT_EQ(dual->Unadvise(first), S_OK);
    ComPtr<IEnumConnections> clone;
    CONNECTDATA data{};
    ASSERT_EQ(connections->Next(1, &data, nullptr), S_OK);
    EXPECT_EQ(data.dwCookie, first) << "the list is as it was when it was made";
    data.pUnk->Release();
    ASSERT_EQ(connections->Clone(clone.put()), S_OK);
    ASSERT_EQ(clone->Next(1, &data, &fetched), S_OK);
    EXPECT_EQ(data.dwCookie, second) << "a clone goes on where the original was";
    data.pUnk->Release();
    EXPECT_EQ(probe->references(), 6u) << "the test's, the point's, two in each enumerator";
    connections.reset();
    clone.reset();
    EXPECT_EQ(dual->Unadvise(second), S_OK);
    EXPECT_EQ(probe->references(), 1u);
}

TEST(KitVariant, MovesAndCopiesDeeplyOrReportsWhyNot) {
    Variant text(u"Brindle");
    const Variant copy(text);
    ASSERT_EQ(copy->vt, VT_BSTR);
    EXPECT_NE(copy->bstrVal, text->bstrVal);
    EXPECT_STREQ(copy->bstrVal, L"Brindle");

    const BSTR original = text->bstrVal;
    Variant moved(std::move(text));
    EXPECT_EQ(moved->bstrVal, original);
    EXPECT_EQ(text->vt, VT_EMPTY);  // NOLINT: a moved-from variant is empty

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7FFF;  // no such type
    Variant target(copy);
    EXPECT_TRUE(FAILED(target.assign(bad)));
    EXPECT_EQ(target->vt, VT_EMPTY);
    EXPECT_THROW(Variant{bad}, Error);
}

// What a reader gives, or nothing when it refuses the value as of the wrong type.
template <class Read>
auto ReadOrRefuse(Read read) -> std::optional<decltype(read())> {
    try {
        return read();
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), DISP_E_TYPEMISMATCH);
        return std::nullopt;
    }
}

TEST(KitVariant, ValuesReadBackAsMadeAndConvertAsAutomationDoes) {
    struct Case {
        Variant value;
        VARTYPE type;
        std::optional<std::int32_t> number;
        std::optional<std::u16string> text;
        std::optional<bool> flag;
    };
    const Case cases[] = {
        {std::int32_t{42}, VT_I4, 42, u"42", true},
        {true, VT_BOOL, -1, u"-1", true},  // no VARIANT_ALPHABOOL: not "True"
        {false, VT_BOOL, 0, u"0", false},
        {u"17", VT_BSTR, 17, u"17", true},
        {u"Brindle", VT_BSTR, {}, u"Brindle", {}},
        {u"", VT_BSTR, {}, u"", {}},
        {std::optional<std::int32_t>(5), VT_I4, 5, u"5", true},
        {std::optional<std::int32_t>(), VT_ERROR, {}, {}, {}},
    };
    for (const Case& c : cases) {
        const std::string row =
            ::testing::PrintToString(c.text) + " as type " + std::to_string(c.type);
        EXPECT_EQ(c.value.type(), c.type) << row;
        EXPECT_EQ(ReadOrRefuse([&] { return c.value.toInt32(); }), c.number) << row;
        EXPECT_EQ(ReadOrRefuse([&] { return c.value.toString(); }), c.text) << row;
        EXPECT_EQ(ReadOrRefuse([&] { return c.value.toBool(); }), c.flag) << row;
        EXPECT_EQ(IsMissing(*c.value.get()), c.type == VT_ERROR) << row;
    }
}

TEST(KitVariant, ReadsThroughReferencesAndWritesBackThroughThem) {
    LONG number = 7;
    VARIANT_BOOL flag = VARIANT_FALSE;
    Variant inner(Missing{});
    VARIANT byRef[3] = {};
    byRef[0].vt = VT_I4 | VT_BYREF;
    byRef[0].plVal = &number;
    byRef[1].vt = VT_VARIANT | VT_BYREF;
    byRef[1].pvarVal = inner.get();
    byRef[2] = *Variant::ByRef(&flag).get();  // holds nothing to free
    EXPECT_EQ(ToInt32(byRef[0]), 7);
    EXPECT_EQ(TypeOf(byRef[0]), VT_I4);
    EXPECT_TRUE(IsMissing(byRef[1]));
    EXPECT_EQ(TypeOf(byRef[1]), VT_ERROR);
    SetByRef(byRef[2], true);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_TRUE(ToBool(byRef[2]));
    inner = false;  // a VARIANT by reference takes the value itself
    SetByRef(byRef[1], true);
    EXPECT_TRUE(inner.toBool());
}

TEST(KitVariant, ObjectsReadAsDispatchOrUnknownThroughReferences) {
    const auto probe = Make<Probe>();
    const ComPtr<IDispatch> dispatch = probe.query<IDispatch>(IID_IDispatch);
    IDispatch* raw = dispatch.get();
    IUnknown* identity = probe->identity();
    const auto plain = Make<harness::com::NamedTypeInfo>(L"NoDispatch");  // no IDispatch
    struct Case {
        VARTYPE type;
        void* value;
        IDispatch* asDispatch;
        IUnknown* asUnknown;
        HRESULT refusal;  // what toDispatch throws
    };
    const Case cases[] = {
        {VT_DISPATCH, raw, raw, raw, S_OK},
        {VT_DISPATCH | VT_BYREF, &raw, raw, raw, S_OK},
        {VT_UNKNOWN, identity, raw, identity, S_OK},
        {VT_UNKNOWN | VT_BYREF, &identity, raw, identity, S_OK},
        {VT_DISPATCH, nullptr, nullptr, nullptr, S_OK},
        {VT_EMPTY, nullptr, nullptr, nullptr, S_OK},
        {VT_NULL, nullptr, nullptr, nullptr, S_OK},
        {VT_UNKNOWN, static_cast<IUnknown*>(plain.get()), nullptr, plain.get(), E_NOINTERFACE},
        {VT_I4, nullptr, nullptr, nullptr, DISP_E_TYPEMISMATCH},
    };
    for (const Case& c : cases) {
        VARIANT v{};
        v.vt = c.type;
        v.byref = c.value;
        try {
            EXPECT_EQ(ToDispatch(v).get(), c.asDispatch) << c.type;
            EXPECT_EQ(ToUnknown(v).get(), c.asUnknown) << c.type;
            EXPECT_EQ(c.refusal, S_OK) << c.type;
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.refusal) << c.type;
        }
    }
    EXPECT_EQ(probe->references(), 2u) << "the test's and `dispatch`: the readers hold nothing";
}

// An exception whose code and text come only when the caller asks.
HRESULT STDMETHODCALLTYPE FillInLater(EXCEPINFO* info) {
    info->scode = E_ABORT;
    info->bstrDescription = SysAllocString(L"filled in later");
    return S_OK;
}

TEST(KitInvoke, ReadsTheCodeAndTextAnObjectRaised) {
    const auto probe = Make<Probe>();
    IDispatch& object = *probe.query<IDispatch>(IID_IDispatch).get();
    struct Case {
        SCODE scode;
        WORD wCode;
        const wchar_t* description;
        bool deferred;
        HRESULT code;
        std::wstring text;
    };
    const Case cases[] = {
        {E_ACCESSDENIED, 0, L"refused", false, E_ACCESSDENIED, L"refused"},
        {0, 1000, nullptr, false, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, 1000), L""},
        {S_FALSE, 0, nullptr, false, E_FAIL, L""},
        {0, 0, nullptr, true, E_ABORT, L"filled in later"},
    };
    for (const Case& c : cases) {
        probe->raising.scode = c.scode;
        probe->raising.wCode = c.wCode;
        probe->raising.bstrDescription = c.description ? SysAllocString(c.description) : nullptr;
        probe->raising.pfnDeferredFillIn = c.deferred ? FillInLater : nullptr;
        const Invoked call = Invoke(object, IdOfName(object, L"raise"), DISPATCH_METHOD);
        EXPECT_TRUE(call.raised);
        EXPECT_EQ(call.code, c.code) << c.scode;
        EXPECT_EQ(call.description, c.text);
    }
}

TEST(KitGuard, TurnsEveryExceptionIntoAnHresultAndDescribesThoseWithAText) {
    struct Case {
        const char* what;
        std::function<HRESULT()> body;
        HRESULT plain;
        std::optional<HRESULT> raised;  // what the describing function sees
    };
    const Case cases[] = {
        {"returned", [] { return S_FALSE; }, S_FALSE, {}},
        {"an error", []() -> HRESULT { throw Error(E_ACCESSDENIED, "refused"); }, E_ACCESSDENIED,
         E_ACCESSDENIED},
        {"an error of no failure", []() -> HRESULT { throw Error(S_FALSE); }, E_FAIL, E_FAIL},
        {"out of memory", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY, {}},
        {"another exception", []() -> HRESULT { throw std::runtime_error("x"); }, E_FAIL, E_FAIL},
        {"no exception at all", []() -> HRESULT { throw 42; }, E_FAIL, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Guard(c.body), c.plain) << c.what;
        std::optional<HRESULT> seen;
        const HRESULT described = Guard(c.body, [&](HRESULT code, const std::exception&) {
            seen = code;
            return DISP_E_EXCEPTION;
        });
        EXPECT_EQ(seen, c.raised) << c.what;
        EXPECT_EQ(described, c.raised ? DISP_E_EXCEPTION : c.plain) << c.what;
        // A description that cannot be made leaves the code.
        EXPECT_EQ(Guard(c.body, [](HRESULT, const std::exception&) -> HRESULT { throw 0; }),
                  c.plain)
            << c.what;
    }
}

}  // namespace
}  // namespace tessaly::win32::com
