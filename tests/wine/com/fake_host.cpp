#include "tests/wine/com/fake_host.h"

#include <algorithm>
#include <span>

#include "host/dispatch/late_binding.h"

namespace tessaly::testing {

HRESULT FakeConnectionPoint::connect(DWORD, const ComPtr<IDispatch>&) {
    if (FAILED(adviseResult)) {
        return adviseResult;
    }
    ++advises;
    return S_OK;
}

void FakeConnectionPoint::disconnect(DWORD) noexcept {
    ++unadvises;
}

HRESULT FakeConnectionPoint::fire(DISPID id, std::vector<Variant> argsLastFirst) {
    std::vector<VARIANT> raw;
    for (auto& v : argsLastFirst) {
        raw.push_back(*v.get());
    }
    DISPPARAMS params{raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()),
                      0};
    HRESULT first = S_OK;
    const auto copy = sinks();
    for (const auto& [cookie, sink] : copy) {
        const HRESULT hr =
            sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        if (FAILED(hr) && SUCCEEDED(first)) {
            first = hr;
        }
    }
    return first;
}

void FakeObject::member(const std::wstring& name, DISPID id, Member body) {
    const auto same = std::find_if(names_.begin(), names_.end(),
                                   [&](const Named& named) { return named.name == name; });
    if (same != names_.end()) {
        same->id = id;
    } else {
        names_.push_back({name, id});
    }
    members_[id] = std::move(body);
}

void FakeObject::property(const std::wstring& name, DISPID id, Variant value) {
    member(name, id, [value = std::move(value)](const Call&, VARIANT* result) {
        return result ? VariantCopy(result, const_cast<VARIANT*>(value.get())) : S_OK;
    });
}

FakeConnectionPoint& FakeObject::events(const IID& iid) {
    if (auto* point = findConnectionPoint(iid)) {
        return static_cast<FakeConnectionPoint&>(*point);
    }
    return addConnectionPoint<FakeConnectionPoint>(iid);
}

void* FakeObject::resolve(REFIID iid, void* found) noexcept {
    if (iid == IID_IProvideClassInfo && !classInfo) {
        return nullptr;
    }
    return FakeObjectBase::resolve(iid, found);
}

HRESULT FakeObject::getTypeInfo(ITypeInfo** out) {
    *out = ComPtr<ITypeInfo>(typeInfo).detach();
    return typeInfo ? S_OK : E_NOTIMPL;
}

HRESULT FakeObject::GetClassInfo(ITypeInfo** out) noexcept {
    *out = ComPtr<ITypeInfo>(classInfo).detach();
    return classInfo ? S_OK : E_NOTIMPL;
}

DISPID FakeObject::memberId(std::wstring_view name) {
    ++nameLookups;
    const Named* found = win32::com::FindName(std::span<const Named>(names_), name);
    return found ? found->id : DISPID_UNKNOWN;
}

HRESULT FakeObject::invoke(const win32::com::Invocation& invocation) {
    const DISPPARAMS& params = invocation.params();
    Call call{invocation.id(), invocation.flags(), {}, {}};
    for (UINT i = 0; i < params.cArgs; ++i) {
        call.args.push_back(Variant(params.rgvarg[i]));
    }
    for (UINT i = 0; i < params.cNamedArgs; ++i) {
        call.named.push_back(params.rgdispidNamedArgs[i]);
    }
    calls.push_back(call);
    if (FAILED(raise)) {
        if (EXCEPINFO* exception = invocation.exception()) {
            *exception = EXCEPINFO{};
            exception->scode = raise;
        }
        return DISP_E_EXCEPTION;
    }
    auto member = members_.find(invocation.id());
    if (member == members_.end()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    return member->second(call, invocation.result());
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
