#include "host/dispatch/outlook.h"

#include "host/dispatch/event_sink.h"

namespace tessaly::host::dispatch {

std::shared_ptr<host::Application> WrapApplication(ComPtr<IDispatch> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<Application>(std::move(object));
}

std::shared_ptr<host::Explorers> WrapExplorers(ComPtr<IDispatch> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<Explorers>(std::move(object));
}

std::shared_ptr<host::Explorer> WrapExplorer(ComPtr<IDispatch> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<PlaceholderExplorer>(std::move(object));
}

std::shared_ptr<host::Explorers> Application::Explorers() {
    return WrapExplorers(ToDispatch(*object_.get(u"Explorers").get()));
}

std::int32_t Explorers::Count() {
    return ToInt32(*object_.get(u"Count").get());
}

std::shared_ptr<host::Explorer> Explorers::Item(std::int32_t index) {
    return WrapExplorer(ToDispatch(*object_.call(u"Item", {index}).get()));
}

Subscription Explorers::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    // The handler holds the core's event struct only, never this adapter: the host keeps
    // the sink, and the sink must not keep the add-in's objects alive.
    EventHandlers handlers;
    handlers[kDispNewExplorer] = [sink](const EventArgs& args) {
        if (sink->NewExplorer) {
            sink->NewExplorer(WrapExplorer(args.object(0)));
        }
    };
    return AdviseEvents(object_.get(), DIID_ExplorersEvents, std::move(handlers));
}

namespace {
[[noreturn]] void notYet() {
    throw host::Error(E_NOTIMPL, "Explorer is not adapted yet");
}
}  // namespace

std::shared_ptr<host::CommandBars> PlaceholderExplorer::CommandBars() {
    notYet();
}
std::shared_ptr<host::Selection> PlaceholderExplorer::Selection() {
    notYet();
}
std::shared_ptr<NameSpace> PlaceholderExplorer::Session() {
    notYet();
}
void PlaceholderExplorer::SetCurrentFolder(const std::shared_ptr<MAPIFolder>&) {
    notYet();
}
Subscription PlaceholderExplorer::Advise(std::shared_ptr<const Events>) {
    notYet();
}

}  // namespace tessaly::host::dispatch
