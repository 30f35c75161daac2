#include "host/dispatch/outlook.h"

#include <olectl.h>

#include "host/dispatch/event_sink.h"
#include "host/dispatch/mail.h"
#include "host/dispatch/office.h"

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
    return wrap<Explorer, host::Explorer>(std::move(object));
}

std::shared_ptr<host::Selection> WrapSelection(ComPtr<IDispatch> object) {
    return wrap<Selection, host::Selection>(std::move(object));
}

std::shared_ptr<host::Item> WrapItem(ComPtr<IDispatch> object) {
    return wrap<OutlookItem, host::Item>(std::move(object));
}

std::shared_ptr<host::ContactItem> WrapContact(ComPtr<IDispatch> object) {
    return wrap<OutlookItem, host::ContactItem>(std::move(object));
}

std::shared_ptr<host::NameSpace> WrapNameSpace(ComPtr<IDispatch> object) {
    return wrap<NameSpace, host::NameSpace>(std::move(object));
}

std::shared_ptr<host::MAPIFolder> WrapFolder(ComPtr<IDispatch> object) {
    return wrap<MAPIFolder, host::MAPIFolder>(std::move(object));
}

std::shared_ptr<host::Inspector> WrapInspector(ComPtr<IDispatch> object) {
    return wrap<Inspector, host::Inspector>(std::move(object));
}

std::shared_ptr<host::Explorers> Application::Explorers() {
    return WrapExplorers(object_.get(u"Explorers").toDispatch());
}

std::int32_t Explorers::Count() {
    return object_.get(u"Count").toInt32();
}

std::shared_ptr<host::Explorer> Explorers::Item(std::int32_t index) {
    return WrapExplorer(object_.call(u"Item", {index}).toDispatch());
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

// Explorer

std::shared_ptr<host::CommandBars> Explorer::CommandBars() {
    return WrapCommandBars(object_.get(u"CommandBars").toDispatch());
}

std::shared_ptr<host::Selection> Explorer::Selection() {
    return WrapSelection(object_.get(u"Selection").toDispatch());
}

std::shared_ptr<host::NameSpace> Explorer::Session() {
    return WrapNameSpace(object_.get(u"Session").toDispatch());
}

void Explorer::SetCurrentFolder(const std::shared_ptr<host::MAPIFolder>& folder) {
    const auto* adapter = dynamic_cast<const MAPIFolder*>(folder.get());
    if (!adapter) {
        throw Error(E_INVALIDARG, "not a folder of this host");
    }
    object_.putRef(u"CurrentFolder", adapter->get());
}

namespace {

template <class Events>
EventHandler plainEvent(const std::shared_ptr<const Events>& sink,
                        std::function<void()> Events::*event) {
    return [sink, event](const EventArgs&) {
        if (const auto& handler = (*sink).*event) {
            handler();
        }
    };
}

// Outlook before 2002 raises only the older interface of a window's events. A window that
// offers the newer one and refuses the connection has refused the subscription: asking again
// through the older interface would turn Outlook's one failure into none.
Subscription AdviseNewerOrOlder(IDispatch* object, const IID& newer, const IID& older,
                                EventHandlers handlers) {
    try {
        return AdviseEvents(object, newer, handlers);
    } catch (const Error& e) {
        if (e.code() != CONNECT_E_NOCONNECTION) {
            throw;
        }
        return AdviseEvents(object, older, std::move(handlers));
    }
}

}  // namespace

Subscription Explorer::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    EventHandlers handlers;
    handlers[kDispActivate] = plainEvent(sink, &ExplorerEvents::Activate);
    handlers[kDispFolderSwitch] = plainEvent(sink, &ExplorerEvents::FolderSwitch);
    handlers[kDispSelectionChange] = plainEvent(sink, &ExplorerEvents::SelectionChange);
    handlers[kDispClose] = plainEvent(sink, &ExplorerEvents::Close);
    return AdviseNewerOrOlder(object_.get(), DIID_ExplorerEvents_10, DIID_ExplorerEvents,
                              std::move(handlers));
}

// Selection

std::int32_t Selection::Count() {
    return object_.get(u"Count").toInt32();
}

std::shared_ptr<host::Item> Selection::Item(std::int32_t index) {
    return WrapItem(object_.call(u"Item", {index}).toDispatch());
}

std::shared_ptr<host::Explorer> Selection::Parent() {
    return WrapExplorer(object_.get(u"Parent").toDispatch());
}

// OutlookItem

String OutlookItem::TypeName() {
    if (!typeName_) {
        typeName_ = TypeNameOf(object_.get());
    }
    return *typeName_;
}

String OutlookItem::text(std::u16string_view name) {
    return object_.get(name).toString();
}

String OutlookItem::BusinessTelephoneNumber() {
    return text(u"BusinessTelephoneNumber");
}
String OutlookItem::Business2TelephoneNumber() {
    return text(u"Business2TelephoneNumber");
}
String OutlookItem::MobileTelephoneNumber() {
    return text(u"MobileTelephoneNumber");
}
String OutlookItem::HomeTelephoneNumber() {
    return text(u"HomeTelephoneNumber");
}
String OutlookItem::Home2TelephoneNumber() {
    return text(u"Home2TelephoneNumber");
}
String OutlookItem::CallbackTelephoneNumber() {
    return text(u"CallbackTelephoneNumber");
}
String OutlookItem::CarTelephoneNumber() {
    return text(u"CarTelephoneNumber");
}
String OutlookItem::AssistantTelephoneNumber() {
    return text(u"AssistantTelephoneNumber");
}
String OutlookItem::CompanyMainTelephoneNumber() {
    return text(u"CompanyMainTelephoneNumber");
}

std::shared_ptr<host::AddressEntry> OutlookItem::Sender() {
    return WrapAddressEntry(object_.get(u"Sender").toDispatch());
}

std::shared_ptr<host::Recipients> OutlookItem::Recipients() {
    return WrapRecipients(object_.get(u"Recipients").toDispatch());
}

// NameSpace

std::shared_ptr<host::MAPIFolder> NameSpace::GetDefaultFolder(std::int32_t folderType) {
    return WrapFolder(object_.call(u"GetDefaultFolder", {folderType}).toDispatch());
}

std::shared_ptr<host::Recipient> NameSpace::CurrentUser() {
    return WrapRecipient(object_.get(u"CurrentUser").toDispatch());
}

// MAPIFolder, Items

std::shared_ptr<host::Items> MAPIFolder::Items() {
    return wrap<dispatch::Items, host::Items>(object_.get(u"Items").toDispatch());
}

std::shared_ptr<host::Item> Items::Find(const String& filter) {
    return WrapItem(object_.call(u"Find", {filter}).toDispatch());
}

// Inspector

std::shared_ptr<host::Item> Inspector::CurrentItem() {
    return WrapItem(object_.get(u"CurrentItem").toDispatch());
}

std::shared_ptr<host::NameSpace> Inspector::Session() {
    return WrapNameSpace(object_.get(u"Session").toDispatch());
}

Subscription Inspector::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    EventHandlers handlers;
    handlers[kDispClose] = plainEvent(sink, &InspectorEvents::Close);
    return AdviseNewerOrOlder(object_.get(), DIID_InspectorEvents_10, DIID_InspectorEvents,
                              std::move(handlers));
}

}  // namespace tessaly::host::dispatch
