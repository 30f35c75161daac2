#include "addin/win32/class_factory.h"

#include <unknwn.h>

#include <atomic>
#include <iterator>

#include "addin/win32/connect_object.h"
#include "addin/win32/guids.h"
#include "addin/win32/module.h"
#include "host/dispatch/guarded.h"

namespace tessaly::win32 {

namespace {

using Creator = HRESULT (*)(REFIID iid, void** out);

struct CreatableClass {
    const CLSID* clsid;
    Creator create;
};

// ExplorerHandler objects are made by the connect class alone, so only Tessaly is here.
constexpr CreatableClass kClasses[] = {
    {&CLSID_Tessaly, &ConnectObject::Create},
};

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interfaces' non-virtual destructors are as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public IClassFactory {
  public:
    explicit ClassFactory(Creator create) : create_(create) {}
    virtual ~ClassFactory() = default;
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                             void** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        return create_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        module::Lock(lock != FALSE);
        return S_OK;
    }

  private:
    // A factory keeps the DLL loaded as any object does: a host may keep it without a lock.
    ModuleObject moduleObject_;
    std::atomic<ULONG> refs_{1};
    Creator create_;
};
#pragma GCC diagnostic pop

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    for (const auto& entry : kClasses) {
        if (*entry.clsid == clsid) {
            return host::dispatch::guarded([&]() -> HRESULT {
                auto* factory = new ClassFactory(entry.create);
                const HRESULT hr = factory->QueryInterface(iid, out);
                factory->Release();
                return hr;
            });
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace tessaly::win32
