// The enumerators of connection points and of connections: a snapshot of the items as they
// were when it was made, each handed out with a reference of its own.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/win32/com/object.h"

namespace tessaly::harness::com {

using win32::com::ComObject;
using win32::com::Guard;
using win32::com::Make;

inline IUnknown* UnknownOf(IConnectionPoint* item) noexcept {
    return item;
}
inline IUnknown* UnknownOf(const CONNECTDATA& item) noexcept {
    return item.pUnk;
}

// IEnum is IEnumConnectionPoints (Item IConnectionPoint*) or IEnumConnections (CONNECTDATA).
template <class IEnum, class Item>
class Enumerator final : public ComObject<IEnum> {
  public:
    explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
        : items_(std::move(items)), position_(position) {
        for (const Item& item : items_) {
            UnknownOf(item)->AddRef();
        }
    }
    ~Enumerator() override {
        for (const Item& item : items_) {
            UnknownOf(item)->Release();
        }
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) noexcept override {
        // Only a request for a single item may leave out the count of items fetched.
        if (!out || (count != 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG given = 0;
        for (; given < count && position_ < items_.size(); ++given, ++position_) {
            out[given] = items_[position_];
            UnknownOf(out[given])->AddRef();
        }
        if (fetched) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const std::size_t skipped = std::min<std::size_t>(count, items_.size() - position_);
        position_ += skipped;
        return skipped == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        return Guard([&] {
            *out = Make<Enumerator>(items_, position_).detach();
            return S_OK;
        });
    }

  private:
    std::vector<Item> items_;
    std::size_t position_;
};

}  // namespace tessaly::harness::com
