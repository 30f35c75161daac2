// The COM face of the connect class: IDTExtensibility2 and IRibbonExtensibility through their
// vtables and through IDispatch, and the ribbon's callbacks through IDispatch, forwarding to
// the portable tessaly::Tessaly.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <memory>
#include <span>

#include "addin/tessaly.h"
#include "addin/win32/extensibility.h"
#include "addin/win32/module.h"
#include "host/dispatch/ribbon_interfaces.h"
#include "platform/win32/com/dispatch.h"

namespace tessaly::win32 {

// The DISPID of _Tessaly.OnExplorerClose, clear of IDTExtensibility2's 1 to 5 since one
// IDispatch serves both.
inline constexpr DISPID kDispOnExplorerClose = 0x60030000;

// Another interface of the connect class is one more entry in this list (and in
// resolve() when it is a dispinterface); another named member, one more row in the method
// table of connect_object.cpp. The ribbon's callbacks are the core's table's: one more
// there is one more here (see ribbon_callbacks.h).
class ConnectObject final
    : public com::Dispatch<ModuleComObject<IDTExtensibility2, IProvideClassInfo,
                                           host::dispatch::IRibbonExtensibility>> {
  public:
    // The class factory's creator: a new object asked for as `iid`.
    [[nodiscard]] static HRESULT Create(REFIID iid, void** out) noexcept;

    explicit ConnectObject(std::shared_ptr<Tessaly> core);

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

    // IRibbonExtensibility: the Explorer's customUI XML, a null string for other windows.
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) noexcept override;

  private:
    using Method = com::Method<ConnectObject>;
    static std::span<const Method> Methods();

    void* resolve(REFIID iid, void* found) noexcept override;
    UINT typeInfoCount() const noexcept override { return 1; }
    HRESULT getTypeInfo(ITypeInfo** out) override;
    DISPID memberId(std::wstring_view name) override;
    HRESULT invoke(const com::Invocation& call) override;

    // The members as called through Invoke, arguments checked.
    [[nodiscard]] HRESULT callOnConnection(const com::Invocation& call);
    [[nodiscard]] HRESULT callOnDisconnection(const com::Invocation& call);
    [[nodiscard]] HRESULT callOnAddInsUpdate(const com::Invocation& call);
    [[nodiscard]] HRESULT callOnStartupComplete(const com::Invocation& call);
    [[nodiscard]] HRESULT callOnBeginShutdown(const com::Invocation& call);
    [[nodiscard]] HRESULT callOnExplorerClose(const com::Invocation& call);
    [[nodiscard]] HRESULT callGetCustomUI(const com::Invocation& call);

    std::shared_ptr<Tessaly> core_;
};

}  // namespace tessaly::win32
