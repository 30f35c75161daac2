// The state of the loaded DLL: its handle, the count of live objects and server locks that
// keep it loaded, and the library context that the add-in's objects share.
#pragma once

#include <windows.h>

#include <string>

#include "explorer/library.h"
#include "platform/win32/com/object.h"

namespace tessaly::win32 {

namespace module {

void SetHandle(HMODULE handle) noexcept;
HMODULE Handle() noexcept;
// The DLL's full path, as registration stores it and as the type library is loaded from.
std::wstring Path();

// Every COM object of ours counts itself from construction to destruction.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void Lock(bool lock) noexcept;

// True when nothing keeps the DLL in use: no object of ours (sinks included), no server
// lock and no system timer that could still call into it.
bool CanUnload() noexcept;

// The one platform and library context of the loaded module. Created on first use (the first
// object creation), not in DllMain where the loader lock forbids real work; it then lives as
// long as the module is loaded, so settings and timers survive from one connection to the
// next, and is destroyed with the DLL's other statics when the DLL is unloaded. Throws when
// it cannot be created; the next call tries again.
Library& Context();

}  // namespace module

// A COM object's share of the module count, alive exactly as long as the object.
class ModuleObject {
  public:
    ModuleObject() noexcept { module::ObjectCreated(); }
    ~ModuleObject() { module::ObjectDestroyed(); }
    ModuleObject(const ModuleObject&) = delete;
    ModuleObject& operator=(const ModuleObject&) = delete;
};

// The DLL's COM objects: each keeps the DLL loaded while it lives.
template <class... Interfaces>
using ModuleComObject = com::CountedObject<ModuleObject, Interfaces...>;

}  // namespace tessaly::win32
