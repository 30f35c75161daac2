// The DLL's entry points. Each answers with an HRESULT and lets no exception out.
#include <windows.h>

#include "addin/win32/class_factory.h"
#include "addin/win32/module.h"
#include "addin/win32/registrar.h"

using namespace tessaly::win32;

extern "C" {

// Only remembers the handle: anything more would run under the loader lock.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module::SetHandle(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
    return module::CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return RegisterServer();
}

STDAPI DllUnregisterServer() {
    return UnregisterServer();
}

// regsvr32 /i[:user] and /n /i[:user]: only per-user installation exists. Some regsvr32
// versions pass an empty string for a missing ":cmd", which means the same.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    if (commandLine && *commandLine &&
        CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) != CSTR_EQUAL) {
        return E_INVALIDARG;
    }
    return install ? RegisterServer() : UnregisterServer();
}

}  // extern "C"
