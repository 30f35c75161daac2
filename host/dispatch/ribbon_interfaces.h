// Office's ribbon interfaces, as the add-in and the stand-in host meet them. The add-in's
// connect object implements IRibbonExtensibility, which Office calls through its vtable;
// Office hands IRibbonControl and IRibbonUI to the callbacks the ribbon XML names, and the
// add-in calls them through IDispatch by their interfaces' DISPIDs. All three are dual and
// Office's own (the GUIDs end in C000-000000000046); without an Office SDK they are declared
// here.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "host/dispatch/event_ids.h"

namespace tessaly::host::dispatch {

inline namespace ribbon_ids {

inline constexpr IID IID_IRibbonControl = OfficeIid(0x000C0395);
inline constexpr IID IID_IRibbonExtensibility = OfficeIid(0x000C0396);
inline constexpr IID IID_IRibbonUI = OfficeIid(0x000C03A7);

// IRibbonExtensibility.
inline constexpr DISPID kDispGetCustomUI = 1;
// IRibbonControl's properties.
inline constexpr DISPID kDispRibbonControlId = 1;
inline constexpr DISPID kDispRibbonControlContext = 2;
inline constexpr DISPID kDispRibbonControlTag = 3;
// IRibbonUI's methods.
inline constexpr DISPID kDispInvalidate = 1;
inline constexpr DISPID kDispInvalidateControl = 2;

}  // namespace ribbon_ids

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interface's non-virtual destructor is as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IRibbonExtensibility : public IDispatch {
    // The customUI XML for a kind of window; a null string for a kind not customised.
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) noexcept = 0;

  protected:
    ~IRibbonExtensibility() = default;
};
#pragma GCC diagnostic pop

}  // namespace tessaly::host::dispatch

// {000C0396-0000-0000-C000-000000000046}, declared so that __uuidof finds it.
__CRT_UUID_DECL(tessaly::host::dispatch::IRibbonExtensibility, 0x000C0396, 0x0000, 0x0000, 0xC0,
                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
