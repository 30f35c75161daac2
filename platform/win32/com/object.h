// COM objects from a list of interfaces. ComObject<I...> implements IUnknown once for all:
// QueryInterface answers from the interface list (each interface's IID, and IDispatch's and
// IUnknown's where the interface derives from them), and the reference count deletes the
// object when it reaches zero. A counter policy, alive exactly as long as the object, ties
// the objects to a module count (the DLL's DllCanUnloadNow); Uncounted counts nothing.
#pragma once

#include <oaidl.h>
#include <unknwn.h>
#include <windows.h>

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/win32/com/error.h"
#include "platform/win32/com/ptr.h"

namespace tessaly::win32::com {

// The counter policy of objects that no module count needs to know about.
struct Uncounted {};

// COM objects are destroyed by their own Release, never through an interface pointer, so the
// interfaces' non-virtual destructors are as COM intends.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class Counter, class... Interfaces>
class CountedObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM object implements at least one interface");
    static_assert((std::is_base_of_v<IUnknown, Interfaces> && ...),
                  "every listed type must be a COM interface");

  public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = resolve(iid, find(iid));
        if (!*out) {
            return E_NOINTERFACE;
        }
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) {
            finalRelease();
            delete this;
        }
        return left;
    }

    // The references held right now, for reports and tests.
    ULONG references() const noexcept { return references_.load(); }
    // The object's identity: the IUnknown that QueryInterface gives.
    IUnknown* identity() noexcept { return static_cast<First*>(this); }

  protected:
    // The object starts with the one reference its creator holds (see Make).
    CountedObject() = default;
    virtual ~CountedObject() = default;

    // Adjusts what the interface list answers for `iid` (`found`, null when nothing): an
    // object may answer an identifier the list cannot know (a dispinterface, an event
    // interface chosen at run time) with one of its interfaces, or refuse one it offers only
    // while it is of use. Overrides ask their base first.
    virtual void* resolve(REFIID /*iid*/, void* found) noexcept { return found; }
    // Runs when the last reference goes, before the object is deleted.
    virtual void finalRelease() noexcept {}

  private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    template <class I>
    void* entry(REFIID iid) noexcept {
        if (iid == __uuidof(I)) {
            return static_cast<I*>(this);
        }
        if constexpr (std::is_base_of_v<IDispatch, I>) {
            if (iid == IID_IDispatch) {
                return static_cast<IDispatch*>(static_cast<I*>(this));
            }
        }
        return nullptr;
    }
    void* find(REFIID iid) noexcept {
        if (iid == IID_IUnknown) {
            return identity();
        }
        void* found = nullptr;
        ((found = entry<Interfaces>(iid)) || ...);
        return found;
    }

    [[no_unique_address]] Counter counter_;
    std::atomic<ULONG> references_{1};
};

#pragma GCC diagnostic pop

template <class... Interfaces>
using ComObject = CountedObject<Uncounted, Interfaces...>;

// A new object of type T, held by the returned pointer (the object's first reference).
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
    return ComPtr<T>::attach(new T(std::forward<Args>(args)...));
}

// A new object of type T handed out as `iid`, the way class factories answer; what the
// construction throws comes back as its HRESULT.
template <class T, class... Args>
[[nodiscard]] HRESULT MakeAs(REFIID iid, void** out, Args&&... args) noexcept {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return Guard([&] { return Make<T>(std::forward<Args>(args)...)->QueryInterface(iid, out); });
}

}  // namespace tessaly::win32::com
