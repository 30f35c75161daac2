// The late-binding helper, the event sink and the Application/Explorers adapters against
// hand-written host objects.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/dispatch/event_sink.h"
#include "host/dispatch/late_binding.h"
#include "host/dispatch/outlook.h"
#include "tests/wine/com/fake_host.h"

namespace tessaly::testing {
namespace {

using host::dispatch::DispatchObject;
using win32::Missing;

class LateBinding : public ::testing::Test {
  protected:
    void SetUp() override {
        fake = MakeFake();
        fake->member(L"Add", 7, [](const Call&, VARIANT*) { return S_OK; });
        fake->member(L"Caption", 8, [](const Call&, VARIANT*) { return S_OK; });
        fake->member(L"Fails", 9, [this](const Call&, VARIANT*) { return failWith; });
    }
    ComPtr<FakeObject> fake;
    HRESULT failWith = E_FAIL;
};

TEST_F(LateBinding, PassesArgumentsLastToFirstWithOmittedAndBooleans) {
    DispatchObject object(fake.get());
    object.call(u"Add", {std::int32_t{1}, u"x", true, Missing{}, false});
    ASSERT_EQ(fake->calls.size(), 1u);
    const auto& args = fake->calls[0].args;
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[4]->vt, VT_I4);
    EXPECT_EQ(args[4]->lVal, 1);
    EXPECT_EQ(BstrOf(*args[3].get()), L"x");
    EXPECT_EQ(args[2]->vt, VT_BOOL);
    EXPECT_EQ(args[2]->boolVal, VARIANT_TRUE);
    EXPECT_EQ(args[1]->vt, VT_ERROR);
    EXPECT_EQ(args[1]->scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(args[0]->vt, VT_BOOL);
    EXPECT_EQ(args[0]->boolVal, VARIANT_FALSE);
    EXPECT_TRUE(fake->calls[0].named.empty());
}

TEST_F(LateBinding, OptionalsWithoutValueAreOmitted) {
    DispatchObject object(fake.get());
    object.call(u"Add", {std::optional<std::int32_t>{}, std::optional<std::int32_t>{4}});
    const auto& args = fake->calls.at(0).args;
    EXPECT_EQ(args.at(1)->vt, VT_ERROR);
    EXPECT_EQ(args.at(0)->lVal, 4);
}

TEST_F(LateBinding, LooksUpEachNameOncePerObject) {
    DispatchObject object(fake.get());
    object.call(u"Add");
    object.call(u"Add");
    object.get(u"Caption");
    EXPECT_EQ(fake->nameLookups, 2);
    DispatchObject another(fake.get());
    another.call(u"Add");
    EXPECT_EQ(fake->nameLookups, 3);
}

TEST_F(LateBinding, PutsAsNamedPropertyPut) {
    DispatchObject object(fake.get());
    object.put(u"Caption", u"Dial");
    const auto& call = fake->calls.at(0);
    EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(call.named.size(), 1u);
    EXPECT_EQ(call.named[0], DISPID_PROPERTYPUT);
}

TEST_F(LateBinding, PutRefFallsBackToPut) {
    fake->member(L"Folder", 10, [](const Call& c, VARIANT*) {
        return c.flags == DISPATCH_PROPERTYPUTREF ? DISP_E_MEMBERNOTFOUND : S_OK;
    });
    DispatchObject object(fake.get());
    object.putRef(u"Folder", static_cast<IDispatch*>(fake.get()));
    ASSERT_EQ(fake->calls.size(), 2u);
    EXPECT_EQ(fake->calls[1].flags, DISPATCH_PROPERTYPUT);
}

TEST_F(LateBinding, FailuresThrowHostErrorsWithTheirCode) {
    DispatchObject object(fake.get());
    for (HRESULT code : {E_FAIL, DISP_E_BADINDEX, static_cast<HRESULT>(0x800A01A8)}) {
        failWith = code;
        try {
            object.call(u"Fails");
            ADD_FAILURE() << "no error for " << std::hex << code;
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), code);
        }
    }
    try {
        object.call(u"NoSuchMember");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), DISP_E_UNKNOWNNAME);
    }
    fake->raise = E_ACCESSDENIED;  // reported through EXCEPINFO
    try {
        object.call(u"Add");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), E_ACCESSDENIED);
    }
}

TEST(Conversions, ReadValuesAndReferences) {
    Variant text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocString(L"42");
    EXPECT_EQ(win32::ToInt32(*text.get()), 42);
    EXPECT_EQ(win32::ToString(*IntVariant(7).get()), u"7");
    EXPECT_THROW(win32::ToDispatch(*text.get()), Error);
    EXPECT_FALSE(win32::ToDispatch(Variant().get()[0]));

    auto fake = MakeFake();
    IDispatch* raw = fake.get();
    EXPECT_EQ(win32::ToDispatch(*DispatchRefVariant(&raw).get()).get(), raw);
    EXPECT_EQ(win32::ToDispatch(*DispatchVariant(raw).get()).get(), raw);
}

// {12345678-1111-2222-3333-444455556666}
constexpr IID kTestEvents = {
    0x12345678, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

class Sink : public ::testing::Test {
  protected:
    void SetUp() override {
        source = MakeFake();
        point = &source->events(kTestEvents);
    }
    host::Subscription advise(host::dispatch::EventHandlers handlers) {
        return host::dispatch::AdviseEvents(static_cast<IDispatch*>(source.get()), kTestEvents,
                                            std::move(handlers));
    }
    ComPtr<FakeObject> source;
    FakeConnectionPoint* point = nullptr;
};

TEST_F(Sink, AnswersForItsInterfaceAndEndsWithTheSubscription) {
    {
        auto subscription = advise({});
        ASSERT_EQ(point->sinks().size(), 1u);
        IDispatch* sink = point->sinks().begin()->second.get();
        ComPtr<IUnknown> other;
        EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, other.putVoid()), E_NOINTERFACE);
        EXPECT_EQ(host::dispatch::LiveSinks(), 1u);
    }
    EXPECT_TRUE(point->sinks().empty());
    EXPECT_EQ(point->unadvises, 1);
    EXPECT_EQ(host::dispatch::LiveSinks(), 0u);
}

TEST_F(Sink, RoutesByDispIdAndIgnoresOthers) {
    auto arg = MakeFake();
    std::vector<const void*> seen;
    auto subscription = advise({{0xF001, [&](const host::dispatch::EventArgs& a) {
                                     seen.push_back(host::dispatch::IdentityOf(a.object(0).get()));
                                 }}});
    IDispatch* raw = arg.get();
    EXPECT_EQ(point->fire(0xF001, {DispatchVariant(raw)}), S_OK);
    EXPECT_EQ(point->fire(0xF001, {DispatchRefVariant(&raw)}), S_OK);
    EXPECT_EQ(point->fire(0x1234, {IntVariant(1)}), S_OK);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], host::dispatch::IdentityOf(raw));
    EXPECT_EQ(seen[1], seen[0]);
}

TEST_F(Sink, TurnsHandlerFailuresIntoHresults) {
    struct Case {
        std::function<void()> fail;
        HRESULT expected;
    };
    const Case cases[] = {
        {[] { throw Error(E_ABORT); }, E_ABORT},
        {[] { throw std::runtime_error("boom"); }, E_FAIL},
        {[] { throw 42; }, E_FAIL},
        {[] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
    };
    for (const auto& c : cases) {
        auto subscription = advise({{1, [&](const host::dispatch::EventArgs&) { c.fail(); }}});
        EXPECT_EQ(point->fire(1, {}), c.expected);
    }
}

TEST_F(Sink, MissingArgumentIsAnErrorNotACrash) {
    auto subscription =
        advise({{1, [](const host::dispatch::EventArgs& a) { (void)a.object(0); }}});
    EXPECT_EQ(point->fire(1, {}), DISP_E_BADPARAMCOUNT);
}

TEST_F(Sink, AdviseFailureIsReportedAndLeavesNothingBehind) {
    point->adviseResult = CONNECT_E_ADVISELIMIT;
    try {
        advise({});
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), CONNECT_E_ADVISELIMIT);
    }
    EXPECT_EQ(host::dispatch::LiveSinks(), 0u);
    auto plain = MakeFake();  // no connection points at all
    EXPECT_THROW(
        host::dispatch::AdviseEvents(static_cast<IDispatch*>(plain.get()), kTestEvents, {}), Error);
}

class Adapters : public ::testing::Test {
  protected:
    void SetUp() override {
        explorer = MakeFake();
        explorers = MakeFake();
        explorers->property(L"Count", 1, IntVariant(2));
        explorers->member(L"Item", 2, [this](const Call& c, VARIANT* result) {
            lastIndex = c.args.at(0)->lVal;
            return VariantCopy(result, DispatchVariant(explorer.get()).get());
        });
        explorers->events(host::dispatch::DIID_ExplorersEvents);
        application = MakeFake();
        application->property(L"Explorers", 3, DispatchVariant(explorers.get()));
    }
    ComPtr<FakeObject> explorer, explorers, application;
    int lastIndex = 0;
};

TEST_F(Adapters, ReachTheExplorersAndTheirItems) {
    auto app = host::dispatch::WrapApplication(application.get());
    auto list = app->Explorers();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Identity(), IdOf(explorers.get()));
    EXPECT_EQ(list->Count(), 2);
    auto item = list->Item(2);
    EXPECT_EQ(lastIndex, 2);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Identity(), IdOf(explorer.get()));
    // The window is not ready: its failure comes back as the host's error.
    EXPECT_THROW(item->CommandBars(), Error);
}

TEST_F(Adapters, NewExplorerReachesTheSinkWithoutHoldingIt) {
    auto list = host::dispatch::WrapApplication(application.get())->Explorers();
    auto events = std::make_shared<host::ExplorersEvents>();
    const void* got = nullptr;
    events->NewExplorer = [&](const std::shared_ptr<host::Explorer>& e) { got = e->Identity(); };
    const ULONG explorerRefs = explorer->refs();
    auto& point = explorers->events(host::dispatch::DIID_ExplorersEvents);
    {
        auto subscription = list->Advise(events);
        list.reset();
        EXPECT_EQ(point.fire(host::dispatch::kDispNewExplorer, {DispatchVariant(explorer.get())}),
                  S_OK);
        EXPECT_EQ(got, IdOf(explorer.get()));
    }
    EXPECT_EQ(point.advises, point.unadvises);
    EXPECT_EQ(explorer->refs(), explorerRefs);
    EXPECT_EQ(events.use_count(), 1);
}

TEST(Identity, IsTheSameThroughEveryInterface) {
    auto fake = MakeFake();
    fake->events(kTestEvents);
    IConnectionPointContainer* container = fake.get();
    IDispatch* dispatch = fake.get();
    EXPECT_NE(static_cast<void*>(container), static_cast<void*>(dispatch));
    EXPECT_EQ(host::dispatch::IdentityOf(container), host::dispatch::IdentityOf(dispatch));
    EXPECT_EQ(DispatchObject(dispatch).identity(), host::dispatch::IdentityOf(container));
}

}  // namespace
}  // namespace tessaly::testing
