#include "host/dispatch/late_binding.h"

#include <ocidl.h>

#include <map>
#include <mutex>

#include "platform/win32/com/invoke.h"

namespace tessaly::host::dispatch {

using win32::com::Check;

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
        Check(provider->GetClassInfo(coclass.put()), "the object's class is not known");
        std::wstring name = coclass ? typeName(coclass.get()) : std::wstring();
        if (!name.empty()) {
            return FromWide(name.data(), name.size());
        }
    }
    ComPtr<ITypeInfo> info;
    Check(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), "the object has no type");
    if (!info) {
        throw Error(E_NOINTERFACE, "the object has no type");
    }
    HRESULT hr = S_OK;
    std::wstring name = typeName(info.get(), &hr);
    Check(hr, "the object's type has no name");
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
    const DISPID id = win32::com::IdOfName(*object_.get(), win32::WideView(name));
    ids.add(std::move(key), id);
    return id;
}

Variant DispatchObject::invoke(DISPID id, WORD flags, std::initializer_list<Variant> args) {
    return invokeWith(id, flags, {args.begin(), args.size()});
}

Variant DispatchObject::invokeWith(DISPID id, WORD flags, std::span<const Variant> args) {
    win32::com::Invoked call = win32::com::Invoke(*object_.get(), id, flags, args);
    if (call.failed()) {
        // An exception the object raised carries the code the caller cares about.
        throw Error(call.code, call.raised ? "the host object raised an error" : "Invoke failed");
    }
    return std::move(call.value);
}

Variant DispatchObject::get(std::u16string_view name, std::initializer_list<Variant> args) {
    return invoke(dispId(name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

Variant DispatchObject::call(std::u16string_view name, std::initializer_list<Variant> args) {
    return invoke(dispId(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

void DispatchObject::put(std::u16string_view name, const Variant& value) {
    invokeWith(dispId(name), DISPATCH_PROPERTYPUT, {&value, 1});
}

void DispatchObject::putRef(std::u16string_view name, const Variant& value) {
    const DISPID id = dispId(name);
    try {
        invokeWith(id, DISPATCH_PROPERTYPUTREF, {&value, 1});
    } catch (const Error& e) {
        // Objects that know no put by reference say so in one of these ways.
        if (e.code() != DISP_E_MEMBERNOTFOUND && e.code() != E_NOTIMPL &&
            e.code() != E_INVALIDARG) {
            throw;
        }
        invokeWith(id, DISPATCH_PROPERTYPUT, {&value, 1});
    }
}

}  // namespace tessaly::host::dispatch
