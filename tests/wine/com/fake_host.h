// Hand-written stand-ins for the host's objects: an IDispatch object with named members and
// connection points, which records what it was asked and lets tests count its references.
#pragma once

#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness/com/connection_point.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/raii.h"

namespace tessaly::testing {

using win32::ComPtr;
using win32::Variant;

struct Call {
    DISPID id;
    WORD flags;
    std::vector<Variant> args;  // as DISPPARAMS holds them: last argument first
    std::vector<DISPID> named;
};

class FakeObject;

class FakeConnectionPoint final : public harness::com::ConnectionPoint {
  public:
    using harness::com::ConnectionPoint::ConnectionPoint;

    // Counted apart from the fake that owns it, unlike a real source's points: the tests
    // tell by the fake's count whether a subscription holds the object itself.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return --references_; }

    // Raises an event on every advised sink; returns the first failure.
    [[nodiscard]] HRESULT fire(DISPID id, std::vector<Variant> argsLastFirst);

    int advises = 0;
    int unadvises = 0;
    HRESULT adviseResult = S_OK;

  private:
    HRESULT connect(DWORD cookie, const ComPtr<IDispatch>& sink) override;
    void disconnect(DWORD cookie) noexcept override;

    ULONG references_ = 0;
};

using FakeObjectBase = win32::com::Dispatch<harness::com::ConnectionPoints<
    win32::com::ComObject<IDispatch, IConnectionPointContainer, IProvideClassInfo>>>;

class FakeObject final : public FakeObjectBase {
  public:
    using Member = std::function<HRESULT(const Call& call, VARIANT* result)>;

    // A member answering by name; `body` sees each call.
    void member(const std::wstring& name, DISPID id, Member body);
    // A read-only property with a fixed value.
    void property(const std::wstring& name, DISPID id, Variant value);
    FakeConnectionPoint& events(const IID& iid);

    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override;

    ULONG refs() const { return references(); }
    std::vector<Call> calls;
    int nameLookups = 0;
    // When set, Invoke fails this way with an EXCEPINFO carrying the code.
    HRESULT raise = S_OK;
    // When set, GetTypeInfo answers with it (and GetTypeInfoCount with 1).
    ComPtr<ITypeInfo> typeInfo;
    // When set, the object offers IProvideClassInfo answering with it.
    ComPtr<ITypeInfo> classInfo;

  private:
    void* resolve(REFIID iid, void* found) noexcept override;
    UINT typeInfoCount() const noexcept override { return typeInfo ? 1 : 0; }
    HRESULT getTypeInfo(ITypeInfo** out) override;
    DISPID memberId(std::wstring_view name) override;
    HRESULT invoke(const win32::com::Invocation& call) override;

    struct Named {
        std::wstring name;
        DISPID id;
    };
    std::vector<Named> names_;
    std::map<DISPID, Member> members_;
};

// A fresh fake held by the test (one reference).
inline ComPtr<FakeObject> MakeFake() {
    return win32::com::Make<FakeObject>();
}

Variant DispatchVariant(IDispatch* object);
Variant DispatchRefVariant(IDispatch** object);
Variant IntVariant(int value);
std::wstring BstrOf(const VARIANT& v);
// The COM identity of a fake.
const void* IdOf(FakeObject* object);

}  // namespace tessaly::testing
