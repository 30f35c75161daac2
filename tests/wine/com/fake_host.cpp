#include "tests/wine/com/fake_host.h"

#include <cstring>

#include "host/dispatch/late_binding.h"

namespace tessaly::testing {

HRESULT FakeConnectionPoint::QueryInterface(REFIID iid, void** out) noexcept {
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeConnectionPoint::Release() noexcept {
    // Owned by its FakeObject; references from callers only count.
    return --refs_;
}

HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    *iid = iid_;
    return S_OK;
}

HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) noexcept {
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
}

HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (FAILED(adviseResult)) {
        return adviseResult;
    }
    // A real source asks the sink for the event interface itself.
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(iid_, events.putVoid()))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie_++;
    sinks[*cookie] = events;
    ++advises;
    return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) noexcept {
    if (sinks.erase(cookie) == 0) {
        return CONNECT_E_NOCONNECTION;
    }
    ++unadvises;
    return S_OK;
}

HRESULT FakeConnectionPoint::EnumConnections(IEnumConnections** out) noexcept {
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeConnectionPoint::fire(DISPID id, std::vector<Variant> argsLastFirst) {
    std::vector<VARIANT> raw;
    for (auto& v : argsLastFirst) {
        raw.push_back(*v.get());
    }
    DISPPARAMS params{raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()),
                      0};
    HRESULT first = S_OK;
    auto copy = sinks;
    for (auto& [cookie, sink] : copy) {
        const HRESULT hr =
            sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        if (FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
        }
    }
    return first;
}

FakeObject::~FakeObject() {
    for (auto& [iid, point] : points_) {
        delete point;
    }
}

void FakeObject::member(const std::wstring& name, DISPID id, Member body) {
    names_[name] = id;
    members_[id] = std::move(body);
}

void FakeObject::property(const std::wstring& name, DISPID id, const Variant& value) {
    member(name, id, [value](const Call&, VARIANT* result) {
        return result ? VariantCopy(result, const_cast<VARIANT*>(value.get())) : S_OK;
    });
}

FakeConnectionPoint& FakeObject::events(const IID& iid) {
    auto& point = points_[iid];
    if (!point) {
        point = new FakeConnectionPoint(*this, iid);
    }
    return *point;
}

HRESULT FakeObject::QueryInterface(REFIID iid, void** out) noexcept {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (iid == IID_IConnectionPointContainer && !points_.empty()) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IProvideClassInfo && classInfo) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG FakeObject::Release() noexcept {
    const ULONG left = --refs_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT FakeObject::GetTypeInfoCount(UINT* count) noexcept {
    *count = typeInfo ? 1 : 0;
    return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    *info = ComPtr<ITypeInfo>(typeInfo).detach();
    return typeInfo ? S_OK : E_NOTIMPL;
}

HRESULT FakeObject::GetClassInfo(ITypeInfo** out) noexcept {
    *out = ComPtr<ITypeInfo>(classInfo).detach();
    return classInfo ? S_OK : E_NOTIMPL;
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    ++nameLookups;
    for (UINT i = 0; i < count; ++i) {
        auto found = names_.find(names[i]);
        ids[i] = found == names_.end() ? DISPID_UNKNOWN : found->second;
        if (found == names_.end()) {
            return DISP_E_UNKNOWNNAME;
        }
    }
    return S_OK;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT*) noexcept {
    Call call{id, flags, {}, {}};
    for (UINT i = 0; i < params->cArgs; ++i) {
        Variant v;
        VariantCopy(v.get(), &params->rgvarg[i]);
        call.args.push_back(v);
    }
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        call.named.push_back(params->rgdispidNamedArgs[i]);
    }
    calls.push_back(call);
    if (FAILED(raise)) {
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = raise;
        }
        return DISP_E_EXCEPTION;
    }
    auto member = members_.find(id);
    if (member == members_.end()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    return member->second(call, result);
}

HRESULT FakeObject::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept {
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept {
    auto found = points_.find(iid);
    if (found == points_.end()) {
        *out = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *out = found->second;
    found->second->AddRef();
    return S_OK;
}

Variant DispatchVariant(IDispatch* object) {
    Variant v;
    v->vt = VT_DISPATCH;
    v->pdispVal = object;
    if (object) {
        object->AddRef();
    }
    return v;
}

Variant DispatchRefVariant(IDispatch** object) {
    Variant v;
    v->vt = VT_DISPATCH | VT_BYREF;
    v->ppdispVal = object;
    return v;
}

Variant IntVariant(int value) {
    Variant v;
    v->vt = VT_I4;
    v->lVal = value;
    return v;
}

std::wstring BstrOf(const VARIANT& v) {
    return v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<not a BSTR>";
}

const void* IdOf(FakeObject* object) {
    return host::dispatch::IdentityOf(static_cast<IDispatch*>(object));
}

}  // namespace tessaly::testing
