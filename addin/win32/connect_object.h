// The COM face of the connect class: IDTExtensibility2 through its vtable and through
// IDispatch, forwarding to the portable tessaly::Tessaly.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <atomic>
#include <memory>

#include "addin/tessaly.h"
#include "addin/win32/extensibility.h"
#include "addin/win32/module.h"

namespace tessaly::win32 {

// The DISPID of _Tessaly.OnExplorerClose, clear of IDTExtensibility2's 1 to 5 since one
// IDispatch serves both.
inline constexpr DISPID kDispOnExplorerClose = 0x60030000;

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interfaces' non-virtual destructors are as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ConnectObject final : public IDTExtensibility2, public IProvideClassInfo {
  public:
    // The class factory's creator: a new object asked for as `iid`.
    static HRESULT Create(REFIID iid, void** out) noexcept;

    explicit ConnectObject(std::shared_ptr<Tessaly> core);
    virtual ~ConnectObject() = default;
    ConnectObject(const ConnectObject&) = delete;
    ConnectObject& operator=(const ConnectObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) noexcept override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                           IDispatch* AddInInst,
                                           SAFEARRAY** custom) noexcept override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                              SAFEARRAY** custom) noexcept override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) noexcept override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) noexcept override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) noexcept override;

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override;

  private:
    HRESULT invokeExtensibility(DISPID id, const DISPPARAMS& params, UINT* argError);

    ModuleObject moduleObject_;
    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Tessaly> core_;
};
#pragma GCC diagnostic pop

}  // namespace tessaly::win32
