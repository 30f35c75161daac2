// Late binding on IDispatch, the way the host's objects are called: members by name (the
// DISPID looked up once per object and name), positional arguments, omitted optionals passed
// as "parameter not found", and failures thrown as host::Error.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "host/error.h"
#include "platform/win32/raii.h"

namespace tessaly::host::dispatch {

using win32::ComPtr;
using win32::Variant;

std::wstring ToWide(std::u16string_view text);
std::u16string FromWide(const wchar_t* text, std::size_t length);

// Throws host::Error(hr) when hr is a failure.
void check(HRESULT hr, const char* what);

// An optional argument that the caller leaves out.
struct Omitted {};

// One positional argument, owning its VARIANT.
class Arg {
  public:
    Arg(std::int32_t value);
    Arg(bool value);
    Arg(std::u16string_view text);
    Arg(const char16_t* text) : Arg(std::u16string_view(text)) {}
    Arg(const std::u16string& text) : Arg(std::u16string_view(text)) {}
    Arg(IDispatch* object);  // null passes Nothing
    Arg(Omitted);
    template <class T>
    Arg(const std::optional<T>& value) : Arg(Omitted{}) {
        if (value) {
            *this = Arg(*value);
        }
    }

    const VARIANT& get() const noexcept { return *v_.get(); }

  private:
    Variant v_;
};

// One host object called by name. Not thread-safe: host objects live on the UI thread.
class DispatchObject {
  public:
    // Throws host::Error(E_POINTER) for a null object.
    explicit DispatchObject(ComPtr<IDispatch> object);

    IDispatch* get() const noexcept { return object_.get(); }
    // The object's IUnknown pointer: equal for every reference to the same COM object.
    const void* identity() const noexcept { return identity_; }

    DISPID dispId(std::u16string_view name);

    // A property read, or a method called for its result (hosts accept either flag).
    Variant get(std::u16string_view name, std::initializer_list<Arg> args = {});
    Variant call(std::u16string_view name, std::initializer_list<Arg> args = {});
    void put(std::u16string_view name, const Arg& value);
    // Assigns an object by reference; hosts that only know a plain put get that instead.
    void putRef(std::u16string_view name, const Arg& value);

    Variant invoke(DISPID id, WORD flags, std::initializer_list<Arg> args,
                   bool propertyPut = false);

  private:
    ComPtr<IDispatch> object_;
    const void* identity_ = nullptr;
    std::unordered_map<std::u16string, DISPID> dispIds_;
};

// The COM identity (IUnknown pointer) of an object; null for null.
const void* IdentityOf(IUnknown* object) noexcept;

// Conversions of results and event arguments. By-reference variants are read through; a
// value of the wrong kind throws host::Error(DISP_E_TYPEMISMATCH or the conversion's code).
std::int32_t ToInt32(const VARIANT& value);
bool ToBool(const VARIANT& value);
std::u16string ToString(const VARIANT& value);
// Nothing (empty, null or a null object) gives an empty pointer.
ComPtr<IDispatch> ToDispatch(const VARIANT& value);

}  // namespace tessaly::host::dispatch
