// What the stand-in's COM objects over sim objects share: the base that wraps one sim object
// and answers a fixed set of members, the checks of a call's kind, and an item's class.
#pragma once

#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "dispatch_base.h"
#include "host/outlook.h"
#include "outlook_objects.h"
#include "platform/win32/com/error.h"
#include "platform/win32/com/object.h"
#include "platform/win32/text.h"

namespace tessaly::standin {

inline void RequireGet(const Call& call) {
    if (!call.isGet() || call.isPut()) {
        WrongKind();
    }
}

inline void RequirePut(const Call& call) {
    if (!call.isPut()) {
        WrongKind();
    }
}

// A COM object over one sim object of interface T.
template <class T>
class SimObject : public DispatchBase {
  public:
    const void* key() const override { return key_; }

  protected:
    SimObject(Server& server, std::shared_ptr<T> object, std::string typeName,
              std::initializer_list<DISPID> members)
        : DispatchBase(server.registry(), std::move(typeName)),
          server_(server),
          object_(std::move(object)),
          key_(dynamic_cast<const void*>(object_.get())),
          members_(members) {}
    bool hasMember(DISPID id) const noexcept override { return members_.count(id) != 0; }
    void finalRelease() noexcept override { server_.forget(key_); }
    ComPtr<IDispatch> wrap(const std::shared_ptr<host::Object>& object) {
        return server_.wrap(object);
    }

    Server& server_;
    std::shared_ptr<T> object_;
    const void* key_;
    std::set<DISPID> members_;
};

// A collection of Outlook's, Count and Item(index from 1) read-only; `more` members are the
// derived class's to answer.
template <class T>
class CollectionObject : public SimObject<T> {
  protected:
    CollectionObject(Server& server, std::shared_ptr<T> object, std::string typeName,
                     std::initializer_list<DISPID> more = {})
        : SimObject<T>(server, std::move(object), std::move(typeName),
                       {dispid::Count, dispid::Item}) {
        this->members_.insert(more.begin(), more.end());
    }
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::Count) {
            call.result(this->object_->Count());
        } else {
            call.result(this->wrap(this->object_->Item(call.requiredInt(0))));
        }
    }
};

// An item's class, which a type name read asks for first (IProvideClassInfo): the model's
// Item.TypeName, asked each time, as Outlook's items answer for themselves.
inline HRESULT ItemClassInfo(ObjectRegistry& registry, host::Item& item, ITypeInfo** out) noexcept {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return win32::com::Guard([&] {
        *out = MakeNamedTypeInfo(registry, win32::ToWide(item.TypeName())).detach();
        return S_OK;
    });
}

// The COM object of type Wrapper for a sim object of interface Interface; empty for any
// other object.
template <class Wrapper, class Interface>
ComPtr<DispatchBase> MakeIf(Server& server, const std::shared_ptr<host::Object>& object) {
    if (auto typed = std::dynamic_pointer_cast<Interface>(object)) {
        return win32::com::Make<Wrapper>(server, std::move(typed));
    }
    return {};
}

}  // namespace tessaly::standin
