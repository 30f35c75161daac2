#include "addin/win32/class_factory.h"

#include <unknwn.h>

#include "addin/win32/connect_object.h"
#include "addin/win32/guids.h"
#include "addin/win32/module.h"

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

// A factory keeps the DLL loaded as any object does: a host may keep it without a lock.
class ClassFactory final : public ModuleComObject<IClassFactory> {
  public:
    explicit ClassFactory(Creator create) : create_(create) {}

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
    Creator create_;
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    for (const auto& entry : kClasses) {
        if (*entry.clsid == clsid) {
            return com::MakeAs<ClassFactory>(iid, out, entry.create);
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace tessaly::win32
