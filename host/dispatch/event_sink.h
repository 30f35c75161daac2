// One reusable connection-point sink: a small COM object that answers for an event
// dispinterface and routes each DISPID to a handler. The subscription it returns unadvises
// when it ends; the sink itself holds no reference back to whoever subscribed.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstddef>
#include <functional>
#include <map>

#include "host/dispatch/late_binding.h"
#include "host/events.h"

namespace tessaly::host::dispatch {

// The arguments of one event, in their declared order (DISPPARAMS holds them reversed).
class EventArgs {
  public:
    explicit EventArgs(const DISPPARAMS& params) noexcept : params_(params) {}
    std::size_t count() const noexcept { return params_.cArgs; }
    // Throws Error(DISP_E_BADPARAMCOUNT) past the last argument.
    const VARIANT& operator[](std::size_t index) const;
    // An object argument, passed as VT_DISPATCH or VT_DISPATCH|VT_BYREF.
    ComPtr<IDispatch> object(std::size_t index) const { return win32::ToDispatch((*this)[index]); }

  private:
    const DISPPARAMS& params_;
};

// A handler may throw; the event source then gets the error's HRESULT.
using EventHandler = std::function<void(const EventArgs&)>;
using EventHandlers = std::map<DISPID, EventHandler>;

// Subscribes to the events `diid` of `source` through its IConnectionPointContainer. Events
// without a handler are accepted and ignored. Throws Error when the source cannot be
// advised.
host::Subscription AdviseEvents(IUnknown* source, const IID& diid, EventHandlers handlers);

// Sinks still alive (the host may hold one after unadvising); the DLL stays loaded meanwhile.
std::size_t LiveSinks() noexcept;

}  // namespace tessaly::host::dispatch
