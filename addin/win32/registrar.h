// Writes and removes the add-in's registration (addin/registration.h) in the current
// user's hive, and registers its type library for the user.
#pragma once

#include <windows.h>

namespace tessaly::win32 {

[[nodiscard]] HRESULT RegisterServer() noexcept;
// Removes exactly what RegisterServer wrote. What is already gone counts as removed, so
// unregistering twice succeeds.
[[nodiscard]] HRESULT UnregisterServer() noexcept;

}  // namespace tessaly::win32
