// Type information that describes only a type's name and attributes. TypeInfoStub answers
// every member of ITypeInfo with E_NOTIMPL; NamedTypeInfo adds what callers ask to learn an
// object's type. The stand-in host's objects and the test fakes hand these out.
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <utility>

#include "platform/win32/com/object.h"

namespace tessaly::harness::com {

using win32::com::ComObject;

class TypeInfoStub : public ComObject<ITypeInfo> {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID, BSTR*, UINT, UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*,
                                          WORD*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library,
                                                   UINT* index) noexcept override {
        if (library) {
            *library = nullptr;
        }
        if (index) {
            *index = 0;
        }
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC*) noexcept override {}
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) noexcept override {}
};

// Type information as callers read it to learn an object's type: its name (the
// documentation of MEMBERID_NIL) and its attributes (a GUID, null for a type known by name
// only, and the kind).
class NamedTypeInfo : public TypeInfoStub {
  public:
    explicit NamedTypeInfo(std::wstring name, const GUID& guid = GUID_NULL,
                           TYPEKIND kind = TKIND_DISPATCH)
        : name_(std::move(name)) {
        attributes_.guid = guid;
        attributes_.typekind = kind;
        attributes_.memidConstructor = MEMBERID_NIL;
        attributes_.memidDestructor = MEMBERID_NIL;
    }

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = static_cast<TYPEATTR*>(CoTaskMemAlloc(sizeof(TYPEATTR)));
        if (!*out) {
            return E_OUTOFMEMORY;
        }
        **out = attributes_;
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) noexcept override {
        CoTaskMemFree(attributes);
    }
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                               BSTR* helpFile) noexcept override {
        if (id != MEMBERID_NIL) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        if (name) {
            *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
            if (!*name) {
                return E_OUTOFMEMORY;
            }
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

  private:
    std::wstring name_;
    TYPEATTR attributes_{};
};

}  // namespace tessaly::harness::com
