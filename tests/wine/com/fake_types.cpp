#include "tests/wine/com/fake_types.h"

#include <utility>

namespace tessaly::testing {

FakeTypeInfo::FakeTypeInfo(std::wstring name, const GUID& guid, TYPEKIND kind)
    : name_(std::move(name)) {
    attributes_.guid = guid;
    attributes_.typekind = kind;
    attributes_.memidConstructor = MEMBERID_NIL;
    attributes_.memidDestructor = MEMBERID_NIL;
}

HRESULT FakeTypeInfo::QueryInterface(REFIID iid, void** out) noexcept {
    if (iid == IID_IUnknown || iid == IID_ITypeInfo) {
        *out = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeTypeInfo::Release() noexcept {
    const ULONG left = --refs_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT FakeTypeInfo::GetTypeAttr(TYPEATTR** out) noexcept {
    *out = &attributes_;
    ++attributesHeld;
    return S_OK;
}

HRESULT FakeTypeInfo::GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                       BSTR* helpFile) noexcept {
    ++documentationCalls;
    if (id != MEMBERID_NIL) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (name) {
        *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
    }
    if (doc) {
        *doc = nullptr;
    }
    if (context) {
        *context = 0;
    }
    if (helpFile) {
        *helpFile = nullptr;
    }
    return S_OK;
}

HRESULT FakeTypeInfo::GetContainingTypeLib(ITypeLib** out, UINT* index) noexcept {
    if (out) {
        *out = nullptr;
    }
    if (index) {
        *index = 0;
    }
    return E_NOTIMPL;
}

win32::ComPtr<FakeTypeInfo> MakeType(const std::wstring& name, TYPEKIND kind) {
    GUID guid{};
    CoCreateGuid(&guid);
    return win32::ComPtr<FakeTypeInfo>::attach(new FakeTypeInfo(name, guid, kind));
}

win32::ComPtr<FakeTypeInfo> MakeNamedType(const std::wstring& name) {
    return win32::ComPtr<FakeTypeInfo>::attach(new FakeTypeInfo(name, GUID_NULL, TKIND_DISPATCH));
}

}  // namespace tessaly::testing
