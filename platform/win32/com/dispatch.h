// IDispatch from a table of names. Dispatch<Base> answers GetIDsOfNames through memberId()
// (names compare without regard to case, as automation requires), passes each Invoke to
// invoke() as an Invocation, and lets nothing a member throws reach the caller. For objects
// whose members are methods of their own class, Method tables and CallMethod do the rest:
// adding a named callback is adding a row.
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <span>
#include <string_view>
#include <type_traits>

#include "platform/win32/com/error.h"
#include "platform/win32/com/object.h"
#include "platform/win32/com/variant.h"

namespace tessaly::win32::com {

// One call through IDispatch::Invoke. Arguments are read by their declared position;
// DISPPARAMS holds them last to first.
class Invocation {
  public:
    Invocation(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
               EXCEPINFO* exception, UINT* argError) noexcept
        : id_(id),
          flags_(flags),
          params_(params),
          result_(result),
          exception_(exception),
          argError_(argError) {}

    DISPID id() const noexcept { return id_; }
    WORD flags() const noexcept { return flags_; }
    bool isMethod() const noexcept { return (flags_ & DISPATCH_METHOD) != 0; }
    const DISPPARAMS& params() const noexcept { return params_; }
    UINT count() const noexcept { return params_.cArgs; }
    // The rgvarg index of a declared position; the position must be below count().
    UINT slot(UINT position) const noexcept { return params_.cArgs - 1 - position; }
    const VARIANT& arg(UINT position) const noexcept { return params_.rgvarg[slot(position)]; }
    // Tells the caller which argument was refused (puArgErr holds its rgvarg index).
    void markArgument(UINT position) const noexcept {
        if (argError_) {
            *argError_ = slot(position);
        }
    }
    // Where the result goes (null when the caller wants none); initialised before the call.
    VARIANT* result() const noexcept { return result_; }
    EXCEPINFO* exception() const noexcept { return exception_; }
    UINT* argError() const noexcept { return argError_; }

    // Gives the caller the member's value, when it asked for one.
    void answer(Variant value) const noexcept {
        if (result_) {
            value.moveTo(*result_);
        }
    }

    // Describes a failure to a caller that asked for EXCEPINFO: the code with the source and
    // description texts (each left out when empty or when it cannot be allocated), and
    // DISP_E_EXCEPTION for the call; to a caller that did not, the code itself.
    [[nodiscard]] HRESULT raise(HRESULT code, std::wstring_view source,
                                std::wstring_view description) const noexcept {
        if (!exception_) {
            return code;
        }
        *exception_ = EXCEPINFO{};
        exception_->scode = code;
        exception_->bstrSource = allocated(source);
        exception_->bstrDescription = allocated(description);
        return DISP_E_EXCEPTION;
    }

  private:
    static BSTR allocated(std::wstring_view text) noexcept {
        return text.empty() ? nullptr
                            : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }

    DISPID id_;
    WORD flags_;
    const DISPPARAMS& params_;
    VARIANT* result_;
    EXCEPINFO* exception_;
    UINT* argError_;
};

// Automation names compare code unit by code unit, without regard to case.
inline bool SameName(std::wstring_view a, std::wstring_view b) noexcept {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The entry of `table` (anything with .name and .id) named `name`, or null.
template <class Entry>
const Entry* FindName(std::span<const Entry> table, std::wstring_view name) noexcept {
    for (const Entry& entry : table) {
        if (SameName(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

// A member that is a method of Owner, called with exactly `arguments` positional arguments.
template <class Owner>
struct Method {
    std::wstring_view name;
    DISPID id;
    UINT arguments;
    HRESULT (Owner::*body)(const Invocation& call);
};

// The method of `table` that a call of `id` with `count` arguments means. An object whose one
// IDispatch serves two dual interfaces may have two members of one DISPID (each interface
// numbers its own from 1); their numbers of arguments tell them apart. Failing that, the
// first of the DISPID, or null.
template <class Owner>
const Method<Owner>* FindMethod(std::span<const Method<Owner>> table, DISPID id,
                                UINT count) noexcept {
    const Method<Owner>* first = nullptr;
    for (const Method<Owner>& method : table) {
        if (method.id != id) {
            continue;
        }
        if (method.arguments == count) {
            return &method;
        }
        if (!first) {
            first = &method;
        }
    }
    return first;
}

// Calls the method of `table` that `call` names. Only as a method, never with named
// arguments, and with exactly the arguments the method declares.
template <class Owner>
[[nodiscard]] HRESULT CallMethod(Owner& owner, std::span<const Method<Owner>> table,
                                 const Invocation& call) {
    const Method<Owner>* method = FindMethod(table, call.id(), call.count());
    if (!method || !call.isMethod()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (call.params().cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (call.count() != method->arguments || (call.count() != 0 && !call.params().rgvarg)) {
        return DISP_E_BADPARAMCOUNT;
    }
    return (owner.*(method->body))(call);
}

template <class Base>
class Dispatch : public Base {
    static_assert(std::is_base_of_v<IDispatch, Base>, "Dispatch implements IDispatch");

  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) {
            return E_POINTER;
        }
        *count = typeInfoCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        return Guard([&] { return getTypeInfo(out); });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (!names || !ids || count == 0) {
            return E_INVALIDARG;
        }
        // Only the member is named: the callers pass their arguments by position.
        DISPID id = DISPID_UNKNOWN;
        const HRESULT hr = Guard([&] {
            id = memberId(names[0] ? std::wstring_view(names[0]) : std::wstring_view());
            return S_OK;
        });
        if (FAILED(hr)) {
            return hr;
        }
        ids[0] = id;
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        return id != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) noexcept override {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (result) {
            VariantInit(result);
        }
        // A strong reference for the call: a member may drop the caller's last one.
        const ComPtr<IUnknown> self(this->identity());
        const DISPPARAMS none{};
        return Guard([&] {
            return invoke(
                Invocation(id, flags, params ? *params : none, result, exception, argError));
        });
    }

  protected:
    using Base::Base;

    // The type information GetTypeInfo(0) gives; none unless an object says otherwise.
    virtual UINT typeInfoCount() const noexcept { return 0; }
    [[nodiscard]] virtual HRESULT getTypeInfo(ITypeInfo** /*out*/) { return E_NOTIMPL; }
    // The DISPID of a member name, DISPID_UNKNOWN for none.
    virtual DISPID memberId(std::wstring_view /*name*/) { return DISPID_UNKNOWN; }
    // May throw: what it throws comes back as an HRESULT (see Guard).
    [[nodiscard]] virtual HRESULT invoke(const Invocation& call) = 0;
};

}  // namespace tessaly::win32::com
