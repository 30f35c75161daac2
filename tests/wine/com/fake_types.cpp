#include "tests/wine/com/fake_types.h"

namespace tessaly::testing {

HRESULT FakeTypeInfo::GetTypeAttr(TYPEATTR** out) noexcept {
    const HRESULT hr = NamedTypeInfo::GetTypeAttr(out);
    if (SUCCEEDED(hr)) {
        ++attributesHeld;
    }
    return hr;
}

void FakeTypeInfo::ReleaseTypeAttr(TYPEATTR* attributes) noexcept {
    --attributesHeld;
    NamedTypeInfo::ReleaseTypeAttr(attributes);
}

HRESULT FakeTypeInfo::GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                       BSTR* helpFile) noexcept {
    ++documentationCalls;
    return NamedTypeInfo::GetDocumentation(id, name, doc, context, helpFile);
}

win32::ComPtr<FakeTypeInfo> MakeType(const std::wstring& name, TYPEKIND kind) {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) {
        return {};
    }
    return win32::com::Make<FakeTypeInfo>(name, guid, kind);
}

win32::ComPtr<FakeTypeInfo> MakeNamedType(const std::wstring& name) {
    return win32::com::Make<FakeTypeInfo>(name);
}

}  // namespace tessaly::testing
