// The edge between COM callers and C++ that throws: a failed HRESULT carried as an exception
// on the way in, and every exception turned back into an HRESULT on the way out.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>
#include <string>

namespace tessaly::win32::com {

// A COM call failed; code() is its HRESULT.
class Error : public std::runtime_error {
  public:
    explicit Error(HRESULT code, const std::string& what = "COM call failed")
        : std::runtime_error(what), code_(code) {}
    HRESULT code() const noexcept { return code_; }

  private:
    HRESULT code_;
};

// Throws Error(hr) when hr is a failure.
inline void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw Error(hr, what);
    }
}

// Runs `body` (which returns an HRESULT) so that nothing unwinds into the COM caller: an
// Error keeps its code, running out of memory is E_OUTOFMEMORY, anything else E_FAIL.
template <class F>
[[nodiscard]] HRESULT Guard(F&& body) noexcept {
    try {
        return body();
    } catch (const Error& e) {
        return FAILED(e.code()) ? e.code() : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace tessaly::win32::com
