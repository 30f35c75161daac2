// Inspectors, the windows of open items: what the add-in may ask of one, and how one opens and
// closes. Which customisation Office asks for an Inspector, and the tab it shows, follow from
// the item's type.
#include <string>

#include "harness/outlook/internal.h"

namespace tessaly::host::sim {

using detail::returned;

namespace {

struct InspectorKind {
    const char16_t* itemType;
    const char16_t* ribbonId;
    const char16_t* tab;  // the idMso of the tab in front
};

// The kinds of Inspector the model knows; Office asks an add-in for no other.
constexpr InspectorKind kInspectorKinds[] = {
    {u"ContactItem", u"Microsoft.Outlook.Contact", u"TabContact"},
    {u"MailItem", u"Microsoft.Outlook.Mail.Read", u"TabReadMessage"},
};

const InspectorKind* KindOf(const Item& item) {
    const String type = ItemTypeName(item);
    for (const InspectorKind& kind : kInspectorKinds) {
        if (type == kind.itemType) {
            return &kind;
        }
    }
    return nullptr;
}

}  // namespace

SimInspector::SimInspector(World& world, std::shared_ptr<host::Item> item)
    : world_(world), item_(std::move(item)) {}

void SimInspector::call(const std::string& operation, const detail::Arguments& arguments) {
    if (closed_) {
        world_.refuse(operation, arguments);
    }
    world_.check(operation, arguments);
}

std::shared_ptr<host::Item> SimInspector::CurrentItem() {
    call("Inspector.CurrentItem");
    return returned(world_, item_);
}

std::shared_ptr<NameSpace> SimInspector::Session() {
    call("Inspector.Session");
    return returned(world_, world_.session());
}

Subscription SimInspector::Advise(std::shared_ptr<const Events> sink) {
    call("Inspector.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "Inspector.Advise: no sink");
    }
    return detail::connect(weak_from_this(), sinks_, nextCookie_, std::move(sink),
                           &SimInspector::sinks_);
}

String SimInspector::ribbonId() const {
    const InspectorKind* kind = KindOf(*item_);
    return kind ? kind->ribbonId : String();
}

String SimInspector::shownTab() const {
    const InspectorKind* kind = KindOf(*item_);
    return kind ? kind->tab : String();
}

std::shared_ptr<SimInspector> World::OpenInspector(std::shared_ptr<Item> item) {
    Idle();
    auto inspector = std::make_shared<SimInspector>(*this, std::move(item));
    inspectors_.push_back(inspector);
    if (windowHook_) {
        windowHook_(*inspector);
    }
    return inspector;
}

void World::Close(SimInspector& inspector) {
    Idle();
    if (inspector.closed_) {
        return;
    }
    const auto keepAlive = inspector.shared_from_this();
    detail::raiseOn(*this, inspector.sinks_, "Inspector.Close", [](const InspectorEvents& sink) {
        if (sink.Close) {
            sink.Close();
        }
    });
    std::erase_if(inspectors_, [&](const auto& i) { return i.get() == &inspector; });
    inspector.closed_ = true;
}

std::vector<std::shared_ptr<SimWindow>> World::windows() const {
    std::vector<std::shared_ptr<SimWindow>> open(explorers_.begin(), explorers_.end());
    open.insert(open.end(), inspectors_.begin(), inspectors_.end());
    return open;
}

}  // namespace tessaly::host::sim
