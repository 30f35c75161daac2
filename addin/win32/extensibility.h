// IDTExtensibility2, the add-in interface through which Office hosts connect an add-in.
// Declared here because the designer library that usually carries it is not everywhere.
#pragma once

#include <oaidl.h>
#include <windows.h>

namespace tessaly::win32 {

enum ext_ConnectMode {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3
};

enum ext_DisconnectMode { ext_dm_HostShutdown = 0, ext_dm_UserClosed = 1 };

// The DISPIDs of the dual interface, in vtable order.
enum ExtensibilityDispId : DISPID {
    kDispOnConnection = 1,
    kDispOnDisconnection = 2,
    kDispOnAddInsUpdate = 3,
    kDispOnStartupComplete = 4,
    kDispOnBeginShutdown = 5,
};

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interfaces' non-virtual destructors are as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application,
                                                   ext_ConnectMode ConnectMode,
                                                   IDispatch* AddInInst,
                                                   SAFEARRAY** custom) noexcept = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                                      SAFEARRAY** custom) noexcept = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) noexcept = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) noexcept = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) noexcept = 0;

  protected:
    ~IDTExtensibility2() = default;
};
#pragma GCC diagnostic pop

}  // namespace tessaly::win32

// IDTExtensibility2's IID, the one every Office COM add-in implements (not ours to choose):
// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}. Declared so that __uuidof finds it.
__CRT_UUID_DECL(tessaly::win32::IDTExtensibility2, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00,
                0xA0, 0xC9, 0x0F, 0x27, 0x44)
