// The root of every host object the add-in holds.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"

namespace tessaly::host {

using String = std::u16string;

class Object {
  public:
    virtual ~Object() = default;

    // Two references denote the same host object exactly when their identities are equal.
    // Adapters that wrap one host object in several C++ objects return the host's own
    // identity (for COM, the IUnknown pointer).
    virtual const void* Identity() const noexcept { return this; }
};

inline bool SameObject(const Object* a, const Object* b) noexcept {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return a->Identity() == b->Identity();
}

template <class A, class B>
bool SameObject(const std::shared_ptr<A>& a, const std::shared_ptr<B>& b) noexcept {
    return SameObject(static_cast<const Object*>(a.get()), static_cast<const Object*>(b.get()));
}

}  // namespace tessaly::host
