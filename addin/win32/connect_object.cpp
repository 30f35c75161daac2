#include "addin/win32/connect_object.h"

#include <oleauto.h>

#include <string_view>

#include "addin/win32/guids.h"
#include "addin/win32/ribbon_callbacks.h"
#include "explorer/ribbon.h"
#include "host/dispatch/late_binding.h"
#include "host/dispatch/outlook.h"

namespace tessaly::win32 {

using com::Guard;

namespace {

// The type library embedded in this DLL.
[[nodiscard]] HRESULT loadTypeInfo(REFGUID guid, ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    ComPtr<ITypeLib> library;
    const std::wstring path = module::Path();
    const HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) {
        return hr;
    }
    return library->GetTypeInfoOfGuid(guid, info);
}

// Reads the argument at `position` with `convert`; false, with the position marked for the
// caller, when it has the wrong type.
template <class T, class Convert>
bool readArgument(const com::Invocation& call, UINT position, Convert convert, T& value) noexcept {
    try {
        value = convert(call.arg(position));
        return true;
    } catch (...) {
        call.markArgument(position);
        return false;
    }
}

}  // namespace

HRESULT ConnectObject::Create(REFIID iid, void** out) noexcept {
    return Guard([&]() -> HRESULT {
        *out = nullptr;
        auto core = Tessaly::Create(module::Context());
        return com::Make<ConnectObject>(std::move(core))->QueryInterface(iid, out);
    });
}

ConnectObject::ConnectObject(std::shared_ptr<Tessaly> core) : core_(std::move(core)) {}

std::span<const ConnectObject::Method> ConnectObject::Methods() {
    static constexpr Method kMethods[] = {
        {L"OnConnection", kDispOnConnection, 4, &ConnectObject::callOnConnection},
        {L"OnDisconnection", kDispOnDisconnection, 2, &ConnectObject::callOnDisconnection},
        {L"OnAddInsUpdate", kDispOnAddInsUpdate, 1, &ConnectObject::callOnAddInsUpdate},
        {L"OnStartupComplete", kDispOnStartupComplete, 1, &ConnectObject::callOnStartupComplete},
        {L"OnBeginShutdown", kDispOnBeginShutdown, 1, &ConnectObject::callOnBeginShutdown},
        {L"OnExplorerClose", kDispOnExplorerClose, 1, &ConnectObject::callOnExplorerClose},
        // IRibbonExtensibility numbers its member 1 as IDTExtensibility2 does OnConnection;
        // the count of arguments tells the two apart.
        {L"GetCustomUI", host::dispatch::kDispGetCustomUI, 1, &ConnectObject::callGetCustomUI},
    };
    return kMethods;
}

// _Tessaly is the class's own dispinterface; the one IDispatch answers for it.
void* ConnectObject::resolve(REFIID iid, void* found) noexcept {
    return iid == DIID__Tessaly ? static_cast<IDTExtensibility2*>(this) : found;
}

HRESULT ConnectObject::getTypeInfo(ITypeInfo** out) {
    // The class's own dispatch interface. IDTExtensibility2 is described by the host's
    // designer library, which this library only refers to; its members still answer here.
    return loadTypeInfo(DIID__Tessaly, out);
}

HRESULT ConnectObject::GetClassInfo(ITypeInfo** info) noexcept {
    return Guard([&] { return loadTypeInfo(CLSID_Tessaly, info); });
}

DISPID ConnectObject::memberId(std::wstring_view name) {
    const Method* method = com::FindName(Methods(), name);
    return method ? method->id : RibbonCallbackId(core_->ribbon().Callbacks(), name);
}

HRESULT ConnectObject::invoke(const com::Invocation& call) {
    if (const auto* callback = RibbonCallbackOf(core_->ribbon().Callbacks(), call.id())) {
        return InvokeRibbonCallback(*callback, call);
    }
    return com::CallMethod(*this, Methods(), call);
}

// The custom arrays and the add-in instance are not used: they are not even read.
HRESULT ConnectObject::callOnConnection(const com::Invocation& call) {
    ComPtr<IDispatch> application;
    std::int32_t mode = ext_cm_Startup;
    if (!readArgument(call, 0, ToDispatch, application) || !readArgument(call, 1, ToInt32, mode)) {
        return DISP_E_TYPEMISMATCH;
    }
    return OnConnection(application.get(), static_cast<ext_ConnectMode>(mode), nullptr, nullptr);
}

HRESULT ConnectObject::callOnDisconnection(const com::Invocation& call) {
    std::int32_t mode = ext_dm_HostShutdown;
    if (!readArgument(call, 0, ToInt32, mode)) {
        return DISP_E_TYPEMISMATCH;
    }
    return OnDisconnection(static_cast<ext_DisconnectMode>(mode), nullptr);
}

HRESULT ConnectObject::callOnAddInsUpdate(const com::Invocation&) {
    return OnAddInsUpdate(nullptr);
}

HRESULT ConnectObject::callOnStartupComplete(const com::Invocation&) {
    return OnStartupComplete(nullptr);
}

HRESULT ConnectObject::callOnBeginShutdown(const com::Invocation&) {
    return OnBeginShutdown(nullptr);
}

// Handlers report their closing to the core directly; an object passed from outside cannot
// be one of the live handlers, so there is nothing to remove.
HRESULT ConnectObject::callOnExplorerClose(const com::Invocation&) {
    return S_OK;
}

HRESULT ConnectObject::callGetCustomUI(const com::Invocation& call) {
    std::u16string ribbonId;
    if (!readArgument(call, 0, ToString, ribbonId)) {
        return DISP_E_TYPEMISMATCH;
    }
    const Bstr id(reinterpret_cast<const wchar_t*>(ribbonId.data()),
                  static_cast<UINT>(ribbonId.size()));
    Bstr xml;
    const HRESULT hr = GetCustomUI(id.get(), xml.put());
    if (SUCCEEDED(hr)) {
        call.answer(Variant(std::move(xml)));
    }
    return hr;
}

HRESULT ConnectObject::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) noexcept {
    if (!RibbonXml) {
        return E_POINTER;
    }
    *RibbonXml = nullptr;
    return Guard([&]() -> HRESULT {
        const std::u16string xml =
            core_->ribbon().GetCustomUI(FromWide(RibbonID, SysStringLen(RibbonID)));
        if (!xml.empty()) {
            *RibbonXml =
                Bstr(reinterpret_cast<const wchar_t*>(xml.data()), static_cast<UINT>(xml.size()))
                    .detach();
        }
        return S_OK;
    });
}

HRESULT ConnectObject::OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch*,
                                    SAFEARRAY**) noexcept {
    return Guard([&]() -> HRESULT {
        // The Application object is needed during connection only; the adapter goes with it.
        core_->IDTExtensibility2_OnConnection(
            host::dispatch::WrapApplication(ComPtr<IDispatch>(Application)),
            static_cast<host::ConnectMode>(ConnectMode));
        return S_OK;
    });
}

HRESULT ConnectObject::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**) noexcept {
    return Guard([&]() -> HRESULT {
        core_->IDTExtensibility2_OnDisconnection(static_cast<host::DisconnectMode>(RemoveMode));
        return S_OK;
    });
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY**) noexcept {
    return Guard([&]() -> HRESULT {
        core_->IDTExtensibility2_OnAddInsUpdate();
        return S_OK;
    });
}

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY**) noexcept {
    return Guard([&]() -> HRESULT {
        core_->IDTExtensibility2_OnStartupComplete();
        return S_OK;
    });
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY**) noexcept {
    return Guard([&]() -> HRESULT {
        core_->IDTExtensibility2_OnBeginShutdown();
        return S_OK;
    });
}

}  // namespace tessaly::win32
