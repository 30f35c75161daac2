// Failures of calls into the host and the system, and the forms in which the add-in's
// procedures handle them.
//
// Every call that reports an HRESULT (a host object's member, a COM call) fails by throwing
// Error. Expected absence is not an error: lookups that find nothing return an empty pointer
// or nothing instead.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace tessaly {

using hresult = std::int32_t;

inline constexpr hresult kE_FAIL = static_cast<hresult>(0x80004005);
inline constexpr hresult kE_INVALIDARG = static_cast<hresult>(0x80070057);
inline constexpr hresult kE_NOINTERFACE = static_cast<hresult>(0x80004002);
inline constexpr hresult kDISP_E_TYPEMISMATCH = static_cast<hresult>(0x80020005);
inline constexpr hresult kDISP_E_BADINDEX = static_cast<hresult>(0x8002000B);
inline constexpr hresult kE_POINTER = static_cast<hresult>(0x80004003);

// A call failed with an HRESULT.
class Error : public std::runtime_error {
  public:
    explicit Error(hresult code, const std::string& what = "host call failed")
        : std::runtime_error(what), code_(code) {}
    hresult code() const noexcept { return code_; }

  private:
    hresult code_;
};

// Calling a member of nothing is an error, as it is for late-bound code, never a crash.
template <class T>
T& must(const std::shared_ptr<T>& object) {
    if (!object) {
        throw Error(kE_POINTER, "object is nothing");
    }
    return *object;
}

// "Continue with the next step": runs one step and forgets its failure.
template <class F>
void step(F&& f) noexcept {
    try {
        f();
    } catch (const std::exception&) {
    }
}

// A condition whose evaluation fails counts as true, so the block it guards runs.
template <class F>
bool trueOnError(F&& condition) noexcept {
    try {
        return condition();
    } catch (const std::exception&) {
        return true;
    }
}

}  // namespace tessaly
