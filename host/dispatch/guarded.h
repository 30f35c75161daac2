// The boundary between Windows and our C++: no exception may unwind through a COM caller,
// so every method that Windows calls runs its body through guarded().
#pragma once

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/com/error.h"

namespace tessaly::host::dispatch {

// Runs `body` (which returns an HRESULT) and turns whatever it throws into an HRESULT:
// a host error keeps its code, and the rest as win32::com::Guard says (E_OUTOFMEMORY for
// running out of memory, E_FAIL for anything unknown).
template <class F>
[[nodiscard]] HRESULT guarded(F&& body) noexcept {
    return win32::com::Guard([&]() -> HRESULT {
        try {
            return body();
        } catch (const Error& e) {
            return FAILED(e.code()) ? static_cast<HRESULT>(e.code()) : E_FAIL;
        }
    });
}

}  // namespace tessaly::host::dispatch
