#include "host/dispatch/late_binding.h"

#include <ocidl.h>

#include <map>
#include <mutex>
#include <vector>

namespace tessaly::host::dispatch {

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw Error(hr, what);
    }
}

Arg::Arg(std::int32_t value) {
    v_->vt = VT_I4;
    v_->lVal = value;
}

Arg::Arg(bool value) {
    v_->vt = VT_BOOL;
    v_->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Arg::Arg(std::u16string_view text) {
    BSTR s = SysAllocStringLen(win32::WideView(text).data(), static_cast<UINT>(text.size()));
    if (!s) {
        throw Error(E_OUTOFMEMORY, "out of memory for a string argument");
    }
    v_->vt = VT_BSTR;
    v_->bstrVal = s;
}

Arg::Arg(IDispatch* object) {
    v_->vt = VT_DISPATCH;
    v_->pdispVal = object;
    if (object) {
        object->AddRef();
    }
}

Arg::Arg(Omitted) {
    v_->vt = VT_ERROR;
    v_->scode = DISP_E_PARAMNOTFOUND;
}

class DispIdTable {
  public:
    std::optional<DISPID> find(const std::u16string& name) const {
        std::lock_guard lock(mutex());
        auto found = ids_.find(name);
        if (found == ids_.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    void add(std::u16string name, DISPID id) {
        std::lock_guard lock(mutex());
        ids_.emplace(std::move(name), id);
    }

    // The table of every object of one type. Tables are never removed: there are as many as
    // the add-in uses types, each with a few names.
    static std::shared_ptr<DispIdTable> forType(const std::wstring& key) {
        static std::map<std::wstring, std::shared_ptr<DispIdTable>> tables;
        std::lock_guard lock(mutex());
        auto& table = tables[key];
        if (!table) {
            table = std::make_shared<DispIdTable>();
        }
        return table;
    }

  private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    std::unordered_map<std::u16string, DISPID> ids_;
};

namespace {

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    const int length = StringFromGUID2(guid, text, 40);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

// The name of a type (MEMBERID_NIL), or empty.
std::wstring typeName(ITypeInfo* info, HRESULT* error = nullptr) {
    win32::Bstr name;
    const HRESULT hr = info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    if (error) {
        *error = hr;
    }
    if (FAILED(hr) || !name.get()) {
        return {};
    }
    return std::wstring(name.get(), name.length());
}

}  // namespace

std::wstring TypeKeyOf(IDispatch* object) {
    if (!object) {
        return {};
    }
    UINT count = 0;
    if (FAILED(object->GetTypeInfoCount(&count)) || count == 0) {
        return {};
    }
    ComPtr<ITypeInfo> info;
    if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info) {
        return {};
    }
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)) || !attributes) {
        return {};
    }
    const GUID guid = attributes->guid;
    info->ReleaseTypeAttr(attributes);
    if (guid != GUID_NULL) {
        return guidText(guid);
    }
    std::wstring name = typeName(info.get());
    if (name.empty()) {
        return {};
    }
    std::wstring key = L"name:" + name;
    ComPtr<ITypeLib> library;
    UINT index = 0;
    if (SUCCEEDED(info->GetContainingTypeLib(library.put(), &index)) && library) {
        TLIBATTR* libraryAttributes = nullptr;
        if (SUCCEEDED(library->GetLibAttr(&libraryAttributes)) && libraryAttributes) {
            key += L"@" + guidText(libraryAttributes->guid);
            library->ReleaseTLibAttr(libraryAttributes);
        }
    }
    return key;
}

std::u16string TypeNameOf(IDispatch* object) {
    if (!object) {
        throw Error(E_POINTER, "no object to name");
    }
    if (auto provider = ComPtr<IDispatch>(object).query<IProvideClassInfo>(IID_IProvideClassInfo)) {
        // An object that offers its class and fails to give it has failed the read: its
        // interface's type is no second chance at the same answer.
        ComPtr<ITypeInfo> coclass;
        check(provider->GetClassInfo(coclass.put()), "the object's class is not known");
        std::wstring name = coclass ? typeName(coclass.get()) : std::wstring();
        if (!name.empty()) {
            return FromWide(name.data(), name.size());
        }
    }
    ComPtr<ITypeInfo> info;
    check(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), "the object has no type");
    if (!info) {
        throw Error(E_NOINTERFACE, "the object has no type");
    }
    HRESULT hr = S_OK;
    std::wstring name = typeName(info.get(), &hr);
    check(hr, "the object's type has no name");
    if (!name.empty() && name.front() == L'_') {
        name.erase(0, 1);
    }
    return FromWide(name.data(), name.size());
}

DispatchObject::DispatchObject(ComPtr<IDispatch> object) : object_(std::move(object)) {
    if (!object_) {
        throw Error(E_POINTER, "no host object");
    }
    identity_ = IdentityOf(object_.get());
}

DispatchObject::~DispatchObject() = default;

DispIdTable& DispatchObject::table() {
    if (!table_) {
        const std::wstring key = TypeKeyOf(object_.get());
        table_ = key.empty() ? std::make_shared<DispIdTable>() : DispIdTable::forType(key);
    }
    return *table_;
}

DISPID DispatchObject::dispId(std::u16string_view name) {
    std::u16string key(name);
    DispIdTable& ids = table();
    if (auto found = ids.find(key)) {
        return *found;
    }
    std::wstring wide = ToWide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    check(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
          "GetIDsOfNames failed");
    ids.add(std::move(key), id);
    return id;
}

Variant DispatchObject::invoke(DISPID id, WORD flags, std::initializer_list<Arg> args,
                               bool propertyPut) {
    // DISPPARAMS holds the arguments last to first. The VARIANTs stay owned by the Args.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) {
        reversed.push_back(it->get());
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (propertyPut) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       propertyPut ? nullptr : result.get(), &exception, &argError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION) {
        // The object reported its own error: that is the code the caller cares about.
        HRESULT code = exception.scode;
        if (!FAILED(code)) {
            code = exception.wCode
                       ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, exception.wCode)
                       : E_FAIL;
        }
        throw Error(code, "the host object raised an error");
    }
    check(hr, "Invoke failed");
    return result;
}

Variant DispatchObject::get(std::u16string_view name, std::initializer_list<Arg> args) {
    return invoke(dispId(name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

Variant DispatchObject::call(std::u16string_view name, std::initializer_list<Arg> args) {
    return invoke(dispId(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

void DispatchObject::put(std::u16string_view name, const Arg& value) {
    invoke(dispId(name), DISPATCH_PROPERTYPUT, {value}, true);
}

void DispatchObject::putRef(std::u16string_view name, const Arg& value) {
    const DISPID id = dispId(name);
    try {
        invoke(id, DISPATCH_PROPERTYPUTREF, {value}, true);
    } catch (const Error& e) {
        // Objects that know no put by reference say so in one of these ways.
        if (e.code() != DISP_E_MEMBERNOTFOUND && e.code() != E_NOTIMPL &&
            e.code() != E_INVALIDARG) {
            throw;
        }
        invoke(id, DISPATCH_PROPERTYPUT, {value}, true);
    }
}

namespace {

// The value itself, with one level of VT_BYREF read through.
Variant dereferenced(const VARIANT& value) {
    Variant copy;
    check(VariantCopyInd(copy.get(), const_cast<VARIANT*>(&value)), "cannot read the value");
    return copy;
}

Variant changed(const VARIANT& value, VARTYPE type) {
    Variant source = dereferenced(value);
    Variant result;
    const HRESULT hr = VariantChangeType(result.get(), source.get(), 0, type);
    if (FAILED(hr)) {
        throw Error(hr == DISP_E_TYPEMISMATCH ? hr : DISP_E_TYPEMISMATCH,
                    "the value has the wrong type");
    }
    return result;
}

}  // namespace

std::int32_t ToInt32(const VARIANT& value) {
    return changed(value, VT_I4)->lVal;
}

bool ToBool(const VARIANT& value) {
    return changed(value, VT_BOOL)->boolVal != VARIANT_FALSE;
}

std::u16string ToString(const VARIANT& value) {
    Variant s = changed(value, VT_BSTR);
    return FromWide(s->bstrVal, SysStringLen(s->bstrVal));
}

ComPtr<IDispatch> ToDispatch(const VARIANT& value) {
    Variant v = dereferenced(value);
    switch (v->vt) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_DISPATCH:
            return ComPtr<IDispatch>(v->pdispVal);
        case VT_UNKNOWN: {
            if (!v->punkVal) {
                return {};
            }
            ComPtr<IDispatch> object;
            check(v->punkVal->QueryInterface(IID_IDispatch, object.putVoid()),
                  "the object has no IDispatch");
            return object;
        }
        default:
            throw Error(DISP_E_TYPEMISMATCH, "an object was expected");
    }
}

}  // namespace tessaly::host::dispatch
