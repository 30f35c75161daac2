// The edge between COM callers and C++ that throws: a failed HRESULT carried as an Error
// (platform/error.h) on the way in, and every exception turned back into an HRESULT on the
// way out.
#pragma once

#include <windows.h>

#include <exception>
#include <new>
#include <utility>

#include "platform/error.h"

namespace tessaly::win32::com {

// Throws Error(hr) when hr is a failure.
inline void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw Error(hr, what);
    }
}

namespace detail {

// What the caller gets for a failure with a text, as `raise` says; should `raise` fail
// itself (out of memory for the text), the code alone.
template <class Raise>
HRESULT Raised(Raise& raise, HRESULT code, const std::exception& failure) noexcept {
    try {
        return raise(code, failure);
    } catch (...) {
        return code;
    }
}

}  // namespace detail

// Runs `body` (which returns an HRESULT) so that nothing unwinds into the COM caller: an
// Error keeps its code (one that is no failure becomes E_FAIL), running out of memory is
// E_OUTOFMEMORY, anything else E_FAIL. `raise(code, exception)` sees every failure that
// carries a text (an Error, any other std::exception) and returns what the caller gets, so
// that a member called through IDispatch can describe it (see Invocation::raise).
template <class F, class Raise>
[[nodiscard]] HRESULT Guard(F&& body, Raise&& raise) noexcept {
    try {
        return body();
    } catch (const Error& e) {
        return detail::Raised(raise, FAILED(e.code()) ? e.code() : E_FAIL, e);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        return detail::Raised(raise, E_FAIL, e);
    } catch (...) {
        return E_FAIL;
    }
}

template <class F>
[[nodiscard]] HRESULT Guard(F&& body) noexcept {
    return Guard(std::forward<F>(body), [](HRESULT code, const std::exception&) { return code; });
}

}  // namespace tessaly::win32::com
