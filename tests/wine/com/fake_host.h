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

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class FakeConnectionPoint final : public IConnectionPoint {
  public:
    FakeConnectionPoint(FakeObject& owner, const IID& iid) : owner_(owner), iid_(iid) {}
    virtual ~FakeConnectionPoint() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override;

    // Raises an event on every advised sink; returns the first failure.
    HRESULT fire(DISPID id, std::vector<Variant> argsLastFirst);

    std::map<DWORD, ComPtr<IDispatch>> sinks;
    int advises = 0;
    int unadvises = 0;
    HRESULT adviseResult = S_OK;

  private:
    ULONG refs_ = 1;
    FakeObject& owner_;
    IID iid_;
    DWORD nextCookie_ = 1;
};

class FakeObject final : public IDispatch,
                         public IConnectionPointContainer,
                         public IProvideClassInfo {
  public:
    using Member = std::function<HRESULT(const Call& call, VARIANT* result)>;

    FakeObject() = default;
    virtual ~FakeObject();
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    // A member answering by name; `body` sees each call.
    void member(const std::wstring& name, DISPID id, Member body);
    // A read-only property with a fixed value.
    void property(const std::wstring& name, DISPID id, const Variant& value);
    FakeConnectionPoint& events(const IID& iid);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) noexcept override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid,
                                                  IConnectionPoint** out) noexcept override;

    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override;

    ULONG refs() const { return refs_; }
    // References beyond the test's own one (and the connection points' none).
    std::vector<Call> calls;
    int nameLookups = 0;
    // When set, Invoke fails this way with an EXCEPINFO carrying the code.
    HRESULT raise = S_OK;
    // When set, GetTypeInfo answers with it (and GetTypeInfoCount with 1).
    ComPtr<ITypeInfo> typeInfo;
    // When set, the object offers IProvideClassInfo answering with it.
    ComPtr<ITypeInfo> classInfo;

  private:
    ULONG refs_ = 1;
    std::map<std::wstring, DISPID> names_;
    std::map<DISPID, Member> members_;
    std::map<IID, FakeConnectionPoint*, bool (*)(const IID&, const IID&)> points_{
        [](const IID& a, const IID& b) { return memcmp(&a, &b, sizeof(IID)) < 0; }};
};

#pragma GCC diagnostic pop

// A fresh fake held by the test (one reference).
inline ComPtr<FakeObject> MakeFake() {
    return ComPtr<FakeObject>::attach(new FakeObject());
}

Variant DispatchVariant(IDispatch* object);
Variant DispatchRefVariant(IDispatch** object);
Variant IntVariant(int value);
std::wstring BstrOf(const VARIANT& v);
// The COM identity of a fake.
const void* IdOf(FakeObject* object);

}  // namespace tessaly::testing
