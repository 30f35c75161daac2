#include "host/dispatch/event_sink.h"

#include <ocidl.h>

#include <atomic>

#include "host/dispatch/guarded.h"

namespace tessaly::host::dispatch {

namespace {

std::atomic<std::size_t> liveSinks{0};

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interfaces' non-virtual destructors are as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class EventSink final : public IDispatch {
  public:
    EventSink(const IID& diid, EventHandlers handlers)
        : diid_(diid), handlers_(std::move(handlers)) {
        ++liveSinks;
    }
    virtual ~EventSink() { --liveSinks; }
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == diid_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (info) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        for (UINT i = 0; ids && i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) noexcept override {
        return guarded([&]() -> HRESULT {
            if (result) {
                VariantInit(result);
            }
            auto handler = handlers_.find(id);
            if (handler == handlers_.end() || !handler->second) {
                return S_OK;
            }
            const DISPPARAMS none{};
            // Keep the sink alive even if the handler ends its own subscription.
            ComPtr<IDispatch> self(this);
            handler->second(EventArgs(params ? *params : none));
            return S_OK;
        });
    }

  private:
    std::atomic<ULONG> refs_{1};
    const IID diid_;
    const EventHandlers handlers_;
};
#pragma GCC diagnostic pop

}  // namespace

const VARIANT& EventArgs::operator[](std::size_t index) const {
    if (index >= params_.cArgs || !params_.rgvarg) {
        throw host::Error(DISP_E_BADPARAMCOUNT, "the event has fewer arguments");
    }
    return params_.rgvarg[params_.cArgs - 1 - index];
}

void SetByRef(const VARIANT& argument, bool value) noexcept {
    const VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (argument.vt == (VT_BOOL | VT_BYREF) && argument.pboolVal) {
        *argument.pboolVal = flag;
    } else if (argument.vt == (VT_VARIANT | VT_BYREF) && argument.pvarVal) {
        VARIANT& inner = *argument.pvarVal;
        if (inner.vt == (VT_BOOL | VT_BYREF) && inner.pboolVal) {
            *inner.pboolVal = flag;
        } else if (!(inner.vt & VT_BYREF)) {
            VariantClear(&inner);
            inner.vt = VT_BOOL;
            inner.boolVal = flag;
        }
    }
}

host::Subscription AdviseEvents(IUnknown* source, const IID& diid, EventHandlers handlers) {
    if (!source) {
        throw host::Error(E_POINTER, "no event source");
    }
    ComPtr<IConnectionPointContainer> container;
    check(source->QueryInterface(IID_IConnectionPointContainer, container.putVoid()),
          "the object raises no events");
    ComPtr<IConnectionPoint> point;
    check(container->FindConnectionPoint(diid, point.put()), "the object lacks these events");
    auto sink = ComPtr<IDispatch>::attach(new EventSink(diid, std::move(handlers)));
    DWORD cookie = 0;
    check(point->Advise(sink.get(), &cookie), "Advise failed");
    return host::Subscription([point, cookie] { point->Unadvise(cookie); });
}

std::size_t LiveSinks() noexcept {
    return liveSinks.load();
}

}  // namespace tessaly::host::dispatch
