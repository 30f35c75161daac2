// Late binding on IDispatch, the way the host's objects are called: members by name (the
// DISPID looked up once per interface and name), positional arguments, omitted optionals
// passed as "parameter not found", and failures thrown as Error.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/error.h"
#include "platform/win32/raii.h"
#include "platform/win32/text.h"

namespace tessaly::host::dispatch {

using win32::ComPtr;
using win32::IdentityOf;
using win32::Variant;

using win32::FromWide;
using win32::ToWide;

// Throws Error(hr) when hr is a failure.
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

// Names already resolved to DISPIDs. DISPIDs belong to an interface, not to one object, so
// every object that describes itself with the same type shares one table; an object without
// type information gets a table of its own.
class DispIdTable;

// One host object called by name. Host objects live on the UI thread; only the shared
// tables of DISPIDs are guarded against other threads.
class DispatchObject {
  public:
    // Throws Error(E_POINTER) for a null object.
    explicit DispatchObject(ComPtr<IDispatch> object);
    DispatchObject(DispatchObject&&) noexcept = default;
    DispatchObject& operator=(DispatchObject&&) noexcept = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;
    ~DispatchObject();

    IDispatch* get() const noexcept { return object_.get(); }
    // The object's IUnknown pointer: equal for every reference to the same COM object.
    const void* identity() const noexcept { return identity_; }

    DISPID dispId(std::u16string_view name);

    // A property read, or a method called for its result (hosts accept either flag).
    Variant get(std::u16string_view name, std::initializer_list<Arg> args = {});
    Variant call(std::u16string_view name, std::initializer_list<Arg> args = {});
    void put(std::u16string_view name, const Arg& value);
    // Assigns an object by reference; hosts that refuse a put by reference get a plain put.
    void putRef(std::u16string_view name, const Arg& value);

    Variant invoke(DISPID id, WORD flags, std::initializer_list<Arg> args,
                   bool propertyPut = false);

  private:
    DispIdTable& table();

    ComPtr<IDispatch> object_;
    const void* identity_ = nullptr;
    // Found on the first lookup: asking for type information costs a call of its own.
    std::shared_ptr<DispIdTable> table_;
};

// The name Visual Basic's TypeName gives an object: the coclass name when the object offers
// IProvideClassInfo, otherwise the name of its dispatch type with one leading underscore
// removed (Outlook describes a contact as "_ContactItem"). Throws Error when the object
// describes itself in neither way, or fails to give the class it offers.
std::u16string TypeNameOf(IDispatch* object);

// What identifies the type an object describes itself with, as the tables of DISPIDs are
// keyed: the type's GUID, or its name (qualified by its library) when the GUID is null.
// Empty when the object offers no type information.
std::wstring TypeKeyOf(IDispatch* object);

// Conversions of results and event arguments. By-reference variants are read through; a
// value of the wrong kind throws Error(DISP_E_TYPEMISMATCH or the conversion's code).
std::int32_t ToInt32(const VARIANT& value);
bool ToBool(const VARIANT& value);
std::u16string ToString(const VARIANT& value);
// Nothing (empty, null or a null object) gives an empty pointer.
ComPtr<IDispatch> ToDispatch(const VARIANT& value);

// The adapter of type Adapter for `object`, seen as Interface; nothing for nothing.
template <class Adapter, class Interface>
std::shared_ptr<Interface> wrap(ComPtr<IDispatch> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<Adapter>(DispatchObject(std::move(object)));
}

}  // namespace tessaly::host::dispatch
