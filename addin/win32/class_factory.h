// The class objects that DllGetClassObject hands out, one per creatable class in a table.
#pragma once

#include <windows.h>

namespace tessaly::win32 {

// The class object of `clsid` asked for as `iid`; CLASS_E_CLASSNOTAVAILABLE for a class
// that is not ours to create.
[[nodiscard]] HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;

}  // namespace tessaly::win32
