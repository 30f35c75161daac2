#include "host/dispatch/event_sink.h"

#include <ocidl.h>

#include <atomic>

#include "platform/win32/com/dispatch.h"

namespace tessaly::host::dispatch {

namespace {

std::atomic<std::size_t> liveSinks{0};

// A sink counts among the module's objects until it is destroyed.
struct SinkCount {
    SinkCount() noexcept { ++liveSinks; }
    ~SinkCount() { --liveSinks; }
    SinkCount(const SinkCount&) = delete;
    SinkCount& operator=(const SinkCount&) = delete;
};

// Answers for the event dispinterface too, which the source asks for before advising. It
// knows no names: sources call events by DISPID.
class EventSink final
    : public win32::com::Dispatch<win32::com::CountedObject<SinkCount, IDispatch>> {
  public:
    EventSink(const IID& diid, EventHandlers handlers)
        : diid_(diid), handlers_(std::move(handlers)) {}

  private:
    void* resolve(REFIID iid, void* found) noexcept override {
        return iid == diid_ ? static_cast<IDispatch*>(this) : found;
    }
    HRESULT invoke(const win32::com::Invocation& call) override {
        return win32::com::Guard([&]() -> HRESULT {
            auto handler = handlers_.find(call.id());
            if (handler != handlers_.end() && handler->second) {
                handler->second(EventArgs(call.params()));
            }
            return S_OK;
        });
    }

    const IID diid_;
    const EventHandlers handlers_;
};

}  // namespace

const VARIANT& EventArgs::operator[](std::size_t index) const {
    if (index >= params_.cArgs || !params_.rgvarg) {
        throw Error(DISP_E_BADPARAMCOUNT, "the event has fewer arguments");
    }
    return params_.rgvarg[params_.cArgs - 1 - index];
}

host::Subscription AdviseEvents(IUnknown* source, const IID& diid, EventHandlers handlers) {
    if (!source) {
        throw Error(E_POINTER, "no event source");
    }
    ComPtr<IConnectionPointContainer> container;
    win32::com::Check(source->QueryInterface(IID_IConnectionPointContainer, container.putVoid()),
                      "the object raises no events");
    ComPtr<IConnectionPoint> point;
    win32::com::Check(container->FindConnectionPoint(diid, point.put()),
                      "the object lacks these events");
    const auto sink = win32::com::Make<EventSink>(diid, std::move(handlers));
    DWORD cookie = 0;
    win32::com::Check(point->Advise(sink.get(), &cookie), "Advise failed");
    return host::Subscription([point, cookie] { point->Unadvise(cookie); });
}

std::size_t LiveSinks() noexcept {
    return liveSinks.load();
}

}  // namespace tessaly::host::dispatch
