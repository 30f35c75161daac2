// Event subscriptions: an RAII handle, and the member type that subscribes its owner
// whenever an object is assigned to it.
#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace tessaly::host {

// Ends one event subscription when destroyed or reset. Move-only.
class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> unsubscribe)
        : unsubscribe_(std::move(unsubscribe)) {}
    Subscription(Subscription&& other) noexcept
        : unsubscribe_(std::exchange(other.unsubscribe_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            unsubscribe_ = std::exchange(other.unsubscribe_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() noexcept {
        if (auto u = std::exchange(unsubscribe_, {})) {
            try {
                u();
            } catch (...) {
                // The source may already be gone; there is nothing left to end.
            }
        }
    }
    bool active() const noexcept { return static_cast<bool>(unsubscribe_); }

  private:
    std::function<void()> unsubscribe_;
};

// Wraps a member function of an object owned by shared_ptr as a callback that holds only a
// weak reference: the caller (an event source, Office's ribbon) never keeps the owner alive,
// but the owner stays alive for the duration of every call it receives. Once the owner is
// gone, a call does nothing and returns a value-initialised result.
template <class Owner, class R, class... Args>
std::function<R(Args...)> weakCallback(const std::weak_ptr<Owner>& owner,
                                       R (Owner::*method)(Args...)) {
    return [owner, method](Args... args) -> R {
        if (auto self = owner.lock()) {
            return ((*self).*method)(std::forward<Args>(args)...);
        }
        if constexpr (!std::is_void_v<R>) {
            return R{};
        }
    };
}

// A member "held with events": assigning an object subscribes the sink to its events and
// ends the previous subscription; assigning nothing ends it. If subscribing fails the
// exception propagates and the member keeps its previous object.
template <class T>
class WithEvents {
  public:
    using Events = typename T::Events;

    WithEvents() = default;
    WithEvents(const WithEvents&) = delete;
    WithEvents& operator=(const WithEvents&) = delete;

    // The sink is handed to every object assigned later.
    void setSink(std::shared_ptr<const Events> sink) { sink_ = std::move(sink); }

    WithEvents& operator=(std::shared_ptr<T> object) {
        Subscription subscription;
        if (object && sink_) {
            subscription = object->Advise(sink_);
        }
        subscription_ = std::move(subscription);
        object_ = std::move(object);
        return *this;
    }
    WithEvents& operator=(std::nullptr_t) {
        reset();
        return *this;
    }
    void reset() noexcept {
        subscription_.reset();
        object_.reset();
    }

    const std::shared_ptr<T>& get() const noexcept { return object_; }
    T* operator->() const noexcept { return object_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(object_); }

  private:
    std::shared_ptr<const Events> sink_;
    std::shared_ptr<T> object_;
    Subscription subscription_;
};

}  // namespace tessaly::host
