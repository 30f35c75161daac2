// Calling a member of another object through its IDispatch: the one place that calls
// IDispatch::Invoke and IDispatch::GetIDsOfNames. Arguments go by position in their declared
// order; a failure the object raises comes back read out of its EXCEPINFO, whose strings are
// freed here.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <span>
#include <string>
#include <string_view>

#include "platform/win32/com/variant.h"

namespace tessaly::win32::com {

// What one call gave.
struct Invoked {
    // Invoke's HRESULT; for an exception the object raised (DISP_E_EXCEPTION), the code it
    // raised: its scode when that is a failure, else its wCode as a dispatch error, else
    // E_FAIL.
    HRESULT code = S_OK;
    // The object raised an exception; `description` is its text, empty when it gave none.
    bool raised = false;
    std::wstring description;
    // The member's value; a property put asks for none.
    Variant value;

    bool failed() const noexcept { return FAILED(code); }
};

// Calls member `id` of `object` with `flags`. A property put (DISPATCH_PROPERTYPUT or
// DISPATCH_PROPERTYPUTREF) assigns its one argument, named DISPID_PROPERTYPUT as automation
// requires. Throws only when memory runs out.
[[nodiscard]] Invoked Invoke(IDispatch& object, DISPID id, WORD flags,
                             std::span<const Variant> args = {});

// The DISPID of the member named `name`; throws Error with GetIDsOfNames' code when the
// object knows no such member.
DISPID IdOfName(IDispatch& object, std::wstring_view name);

}  // namespace tessaly::win32::com
