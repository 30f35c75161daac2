// A stand-in for the type information host objects describe themselves with: a name and a
// GUID, and counters of what was asked.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "platform/win32/raii.h"
#include "platform/win32/type_info_stub.h"

namespace tessaly::testing {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class FakeTypeInfo final : public win32::TypeInfoStub {
  public:
    FakeTypeInfo(std::wstring name, const GUID& guid, TYPEKIND kind);
    virtual ~FakeTypeInfo() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** out) noexcept override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR*) noexcept override { --attributesHeld; }
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                               BSTR* helpFile) noexcept override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** out, UINT* index) noexcept override;

    ULONG refs() const { return refs_; }
    int documentationCalls = 0;
    int attributesHeld = 0;  // GetTypeAttr not yet given back

  private:
    ULONG refs_ = 1;
    std::wstring name_;
    TYPEATTR attributes_{};
};

#pragma GCC diagnostic pop

// A type of its own for each call: the DISPID tables are shared by type for the whole
// program, so tests that count lookups must not meet each other's types.
win32::ComPtr<FakeTypeInfo> MakeType(const std::wstring& name, TYPEKIND kind = TKIND_DISPATCH);
// A type without a GUID, known by its name only.
win32::ComPtr<FakeTypeInfo> MakeNamedType(const std::wstring& name);

}  // namespace tessaly::testing
