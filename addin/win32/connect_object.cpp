#include "addin/win32/connect_object.h"

#include <oleauto.h>

#include <array>
#include <string_view>

#include "addin/win32/guids.h"
#include "host/dispatch/guarded.h"
#include "host/dispatch/late_binding.h"
#include "host/dispatch/outlook.h"

namespace tessaly::win32 {

using host::dispatch::guarded;

namespace {

struct Member {
    std::wstring_view name;
    DISPID id;
    UINT arguments;
};

constexpr std::array<Member, 6> kMembers = {{
    {L"OnConnection", kDispOnConnection, 4},
    {L"OnDisconnection", kDispOnDisconnection, 2},
    {L"OnAddInsUpdate", kDispOnAddInsUpdate, 1},
    {L"OnStartupComplete", kDispOnStartupComplete, 1},
    {L"OnBeginShutdown", kDispOnBeginShutdown, 1},
    {L"OnExplorerClose", kDispOnExplorerClose, 1},
}};

const Member* memberById(DISPID id) {
    for (const auto& m : kMembers) {
        if (m.id == id) {
            return &m;
        }
    }
    return nullptr;
}

// Automation names are case-insensitive.
const Member* memberByName(const wchar_t* name) {
    if (!name) {
        return nullptr;
    }
    for (const auto& m : kMembers) {
        if (CompareStringOrdinal(name, -1, m.name.data(), static_cast<int>(m.name.size()), TRUE) ==
            CSTR_EQUAL) {
            return &m;
        }
    }
    return nullptr;
}

// The type library embedded in this DLL.
HRESULT loadTypeInfo(REFGUID guid, ITypeInfo** info) {
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

// An argument by its declared position, reporting its position on a type mismatch.
struct Arguments {
    const DISPPARAMS& params;
    UINT* argError;

    UINT slot(UINT position) const { return params.cArgs - 1 - position; }
    const VARIANT& at(UINT position) const { return params.rgvarg[slot(position)]; }

    ComPtr<IDispatch> object(UINT position) const {
        try {
            return host::dispatch::ToDispatch(at(position));
        } catch (...) {
            markError(position);
            throw;
        }
    }
    std::int32_t number(UINT position) const {
        try {
            return host::dispatch::ToInt32(at(position));
        } catch (...) {
            markError(position);
            throw;
        }
    }
    void markError(UINT position) const {
        if (argError) {
            *argError = slot(position);
        }
    }
};

}  // namespace

HRESULT ConnectObject::Create(REFIID iid, void** out) noexcept {
    return guarded([&]() -> HRESULT {
        *out = nullptr;
        auto core = Tessaly::Create(module::Context());
        auto* object = new ConnectObject(std::move(core));
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    });
}

ConnectObject::ConnectObject(std::shared_ptr<Tessaly> core) : core_(std::move(core)) {}

HRESULT ConnectObject::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDTExtensibility2 ||
        iid == DIID__Tessaly) {
        *out = static_cast<IDTExtensibility2*>(this);
    } else if (iid == IID_IProvideClassInfo) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ConnectObject::AddRef() noexcept {
    return ++refs_;
}

ULONG ConnectObject::Release() noexcept {
    const ULONG left = --refs_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (info) {
        *info = nullptr;
    }
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    // The class's own dispatch interface. IDTExtensibility2 is described by the host's
    // designer library, which this library only refers to; its members still answer here.
    return guarded([&] { return loadTypeInfo(DIID__Tessaly, info); });
}

HRESULT ConnectObject::GetClassInfo(ITypeInfo** info) noexcept {
    return guarded([&] { return loadTypeInfo(CLSID_Tessaly, info); });
}

HRESULT ConnectObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                     DISPID* ids) noexcept {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (!names || !ids || count == 0) {
        return E_INVALIDARG;
    }
    // Only the member is named here; the hosts pass arguments by position.
    const Member* member = memberByName(names[0]);
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    return member && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO*, UINT* argError) noexcept {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (!params) {
        return E_INVALIDARG;
    }
    const Member* member = memberById(id);
    if (!member || !(flags & DISPATCH_METHOD)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (params->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs != member->arguments || !params->rgvarg) {
        return DISP_E_BADPARAMCOUNT;
    }
    if (result) {
        VariantInit(result);
    }
    return invokeExtensibility(id, *params, argError);
}

HRESULT ConnectObject::invokeExtensibility(DISPID id, const DISPPARAMS& params, UINT* argError) {
    const Arguments args{params, argError};
    // The custom arrays and the add-in instance are not used: they are not even read.
    switch (id) {
        case kDispOnConnection: {
            HRESULT hr = S_OK;
            ComPtr<IDispatch> application;
            std::int32_t mode = ext_cm_Startup;
            hr = guarded([&]() -> HRESULT {
                application = args.object(0);
                mode = args.number(1);
                return S_OK;
            });
            if (FAILED(hr)) {
                return DISP_E_TYPEMISMATCH;
            }
            return OnConnection(application.get(), static_cast<ext_ConnectMode>(mode), nullptr,
                                nullptr);
        }
        case kDispOnDisconnection: {
            std::int32_t mode = ext_dm_HostShutdown;
            if (FAILED(guarded([&]() -> HRESULT {
                    mode = args.number(0);
                    return S_OK;
                }))) {
                return DISP_E_TYPEMISMATCH;
            }
            return OnDisconnection(static_cast<ext_DisconnectMode>(mode), nullptr);
        }
        case kDispOnAddInsUpdate:
            return OnAddInsUpdate(nullptr);
        case kDispOnStartupComplete:
            return OnStartupComplete(nullptr);
        case kDispOnBeginShutdown:
            return OnBeginShutdown(nullptr);
        case kDispOnExplorerClose:
            // Handlers report their closing to the core directly; an object passed from
            // outside cannot be one of the live handlers, so there is nothing to remove.
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT ConnectObject::OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch*,
                                    SAFEARRAY**) noexcept {
    return guarded([&]() -> HRESULT {
        // The Application object is needed during connection only; the adapter goes with it.
        core_->IDTExtensibility2_OnConnection(
            host::dispatch::WrapApplication(ComPtr<IDispatch>(Application)),
            static_cast<host::ConnectMode>(ConnectMode));
        return S_OK;
    });
}

HRESULT ConnectObject::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**) noexcept {
    return guarded([&]() -> HRESULT {
        core_->IDTExtensibility2_OnDisconnection(static_cast<host::DisconnectMode>(RemoveMode));
        return S_OK;
    });
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY**) noexcept {
    return guarded([&]() -> HRESULT {
        core_->IDTExtensibility2_OnAddInsUpdate();
        return S_OK;
    });
}

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY**) noexcept {
    return guarded([&]() -> HRESULT {
        core_->IDTExtensibility2_OnStartupComplete();
        return S_OK;
    });
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY**) noexcept {
    return guarded([&]() -> HRESULT {
        core_->IDTExtensibility2_OnBeginShutdown();
        return S_OK;
    });
}

}  // namespace tessaly::win32
