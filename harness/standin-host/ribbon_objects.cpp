#include "ribbon_objects.h"

#include <span>

#include "host/dispatch/ribbon_interfaces.h"
#include "host/ribbon.h"
#include "outlook_objects.h"

namespace tessaly::standin {

namespace {

namespace ids = host::dispatch::ribbon_ids;

std::optional<DISPID> FindIn(std::span<const MemberName> table, std::wstring_view name) {
    const MemberName* member = win32::com::FindName(table, name);
    return member ? std::optional(member->id) : std::nullopt;
}

// A COM object over one of the ribbon's sim objects, which leaves the host's cache on its
// final release.
template <class T>
class RibbonObject : public DispatchBase {
  public:
    const void* key() const override { return key_; }

  protected:
    RibbonObject(Server& server, std::shared_ptr<T> object, std::string typeName)
        : DispatchBase(server.registry(), std::move(typeName)),
          server_(server),
          object_(std::move(object)),
          key_(dynamic_cast<const void*>(object_.get())) {}
    void finalRelease() noexcept override { server_.forget(key_); }

    Server& server_;
    std::shared_ptr<T> object_;
    const void* key_;
};

class RibbonControlObject final : public RibbonObject<host::RibbonControl> {
  public:
    RibbonControlObject(Server& server, std::shared_ptr<host::RibbonControl> object)
        : RibbonObject(server, std::move(object), "IRibbonControl") {}

  protected:
    bool hasMember(DISPID id) const noexcept override {
        return id == ids::kDispRibbonControlId || id == ids::kDispRibbonControlContext ||
               id == ids::kDispRibbonControlTag;
    }
    std::optional<DISPID> findMember(std::wstring_view name) const override {
        static constexpr MemberName kMembers[] = {
            {L"Id", ids::kDispRibbonControlId},
            {L"Context", ids::kDispRibbonControlContext},
            {L"Tag", ids::kDispRibbonControlTag},
        };
        return FindIn(kMembers, name);
    }
    void invokeMember(DISPID id, Call& call) override {
        if (!call.isGet() || call.isPut() || call.count() != 0) {
            WrongKind();
        }
        switch (id) {
            case ids::kDispRibbonControlId:
                return call.result(std::u16string_view(object_->Id()));
            case ids::kDispRibbonControlContext:
                return call.result(server_.wrap(object_->Context()));
            default:
                return call.result(std::u16string_view(object_->Tag()));
        }
    }
};

class RibbonUIObject final : public RibbonObject<host::RibbonUI> {
  public:
    RibbonUIObject(Server& server, std::shared_ptr<host::RibbonUI> object)
        : RibbonObject(server, std::move(object), "IRibbonUI") {}

  protected:
    bool hasMember(DISPID id) const noexcept override {
        return id == ids::kDispInvalidate || id == ids::kDispInvalidateControl;
    }
    std::optional<DISPID> findMember(std::wstring_view name) const override {
        static constexpr MemberName kMembers[] = {
            {L"Invalidate", ids::kDispInvalidate},
            {L"InvalidateControl", ids::kDispInvalidateControl},
        };
        return FindIn(kMembers, name);
    }
    void invokeMember(DISPID id, Call& call) override {
        if ((call.flags() & DISPATCH_METHOD) == 0) {
            WrongKind();
        }
        if (id == ids::kDispInvalidate) {
            object_->Invalidate();
        } else {
            object_->InvalidateControl(call.requiredString(0));
        }
    }
};

}  // namespace

ComPtr<DispatchBase> MakeRibbonObject(Server& server, const std::shared_ptr<host::Object>& object) {
    if (auto control = std::dynamic_pointer_cast<host::RibbonControl>(object)) {
        return win32::com::Make<RibbonControlObject>(server, std::move(control));
    }
    if (auto ui = std::dynamic_pointer_cast<host::RibbonUI>(object)) {
        return win32::com::Make<RibbonUIObject>(server, std::move(ui));
    }
    return {};
}

}  // namespace tessaly::standin
