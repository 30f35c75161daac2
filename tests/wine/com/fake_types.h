// A stand-in for the type information host objects describe themselves with: a name and a
// GUID, and counters of what was asked.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "harness/com/type_info.h"
#include "platform/win32/raii.h"

namespace tessaly::testing {

// Counts what is asked of it; the rest is a named type's.
class FakeTypeInfo final : public harness::com::NamedTypeInfo {
  public:
    using NamedTypeInfo::NamedTypeInfo;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** out) noexcept override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                               BSTR* helpFile) noexcept override;

    ULONG refs() const { return references(); }
    int documentationCalls = 0;
    int attributesHeld = 0;  // GetTypeAttr not yet given back
};

// A type of its own for each call: the DISPID tables are shared by type for the whole
// program, so tests that count lookups must not meet each other's types.
win32::ComPtr<FakeTypeInfo> MakeType(const std::wstring& name, TYPEKIND kind = TKIND_DISPATCH);
// A type without a GUID, known by its name only.
win32::ComPtr<FakeTypeInfo> MakeNamedType(const std::wstring& name);

}  // namespace tessaly::testing
