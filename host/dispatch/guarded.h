// The boundary between Windows and our C++: no exception may unwind through a COM caller,
// so every method that Windows calls runs its body through guarded().
#pragma once

#include <windows.h>

#include <exception>
#include <new>

#include "host/error.h"

namespace tessaly::host::dispatch {

// Runs `body` (which returns an HRESULT) and turns whatever it throws into an HRESULT:
// a host error keeps its code, running out of memory is E_OUTOFMEMORY, the rest E_FAIL.
template <class F>
HRESULT guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const host::Error& e) {
        return FAILED(e.code()) ? static_cast<HRESULT>(e.code()) : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace tessaly::host::dispatch
