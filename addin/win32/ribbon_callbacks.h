// The ribbon's callbacks over IDispatch. Office resolves the names the ribbon XML gives
// through the connect object's GetIDsOfNames and calls them with Invoke: each entry of the
// core's table has a DISPID from its position, its arguments come as VARIANTs (the
// IRibbonControl, the IRibbonUI, a text, an index) and a value callback answers in
// pVarResult.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "host/ribbon.h"
#include "platform/win32/com/dispatch.h"

namespace tessaly::win32 {

// The DISPID of the table's first callback; the others follow in table order. Clear of
// IDTExtensibility2's 1 to 5 and of _Tessaly's members (0x60030000), since one IDispatch
// serves them all.
inline constexpr DISPID kDispFirstRibbonCallback = 0x60040000;

// The DISPID of the callback named `name`, compared as automation compares names (without
// regard to case); DISPID_UNKNOWN when the table has none.
DISPID RibbonCallbackId(const std::vector<host::RibbonCallback>& table,
                        std::wstring_view name) noexcept;

// The callback of that DISPID, or null when the DISPID is none of the table's.
const host::RibbonCallback* RibbonCallbackOf(const std::vector<host::RibbonCallback>& table,
                                             DISPID id) noexcept;

// Calls `callback` with the arguments of `call`, exactly as many as its signature has, and
// puts its value in the call's result. A failure of the callback is raised to the caller
// with its code and text (Invocation::raise: DISP_E_EXCEPTION, or the code itself for a
// caller that takes no description); an argument of the wrong type is DISP_E_TYPEMISMATCH,
// marked.
[[nodiscard]] HRESULT InvokeRibbonCallback(const host::RibbonCallback& callback,
                                           const com::Invocation& call) noexcept;

}  // namespace tessaly::win32
