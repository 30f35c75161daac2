// Late binding on IDispatch, the way the host's objects are called: members by name (the
// DISPID looked up once per interface and name), positional arguments made and results read
// as the COM kit's Variants (an optional without value passed as win32::Missing), and
// failures thrown as Error.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/error.h"
#include "platform/win32/com/error.h"
#include "platform/win32/raii.h"
#include "platform/win32/text.h"

namespace tessaly::host::dispatch {

using win32::ComPtr;
using win32::IdentityOf;
using win32::Variant;

using win32::FromWide;
using win32::ToWide;

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
    Variant get(std::u16string_view name, std::initializer_list<Variant> args = {});
    Variant call(std::u16string_view name, std::initializer_list<Variant> args = {});
    void put(std::u16string_view name, const Variant& value);
    // Assigns an object by reference; hosts that refuse a put by reference get a plain put.
    void putRef(std::u16string_view name, const Variant& value);

    Variant invoke(DISPID id, WORD flags, std::initializer_list<Variant> args);

  private:
    DispIdTable& table();
    // A property put (DISPATCH_PROPERTYPUT or PUTREF) passes its one argument as the value.
    Variant invokeWith(DISPID id, WORD flags, std::span<const Variant> args);

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

// The adapter of type Adapter for `object`, seen as Interface; nothing for nothing.
template <class Adapter, class Interface>
std::shared_ptr<Interface> wrap(ComPtr<IDispatch> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<Adapter>(DispatchObject(std::move(object)));
}

}  // namespace tessaly::host::dispatch
