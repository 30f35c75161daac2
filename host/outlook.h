// The Outlook objects the add-in uses. Every call may throw Error.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/events.h"
#include "host/object.h"
#include "host/office.h"

namespace tessaly::host {

inline constexpr std::int32_t olFolderContacts = 10;

// ext_ConnectMode and ext_DisconnectMode of IDTExtensibility2.
enum class ConnectMode : std::int32_t {
    AfterStartup = 0,
    Startup = 1,
    External = 2,
    CommandLine = 3
};
enum class DisconnectMode : std::int32_t { HostShutdown = 0, UserClosed = 1 };

class Items;

class MAPIFolder : public Object {
  public:
    virtual std::shared_ptr<host::Items> Items() = 0;
};

// Any Outlook item; its type name is the one Visual Basic's TypeName would give.
class Item : public Object {
  public:
    virtual String TypeName() = 0;
};

// Item is a virtual base of the item kinds, so that an adapter that cannot tell an item's
// kind without asking the host can be every kind at once.
class ContactItem : public virtual Item {
  public:
    virtual String BusinessTelephoneNumber() = 0;
    virtual String Business2TelephoneNumber() = 0;
    virtual String MobileTelephoneNumber() = 0;
    virtual String HomeTelephoneNumber() = 0;
    virtual String Home2TelephoneNumber() = 0;
    virtual String CallbackTelephoneNumber() = 0;
    virtual String CarTelephoneNumber() = 0;
    virtual String AssistantTelephoneNumber() = 0;
    virtual String CompanyMainTelephoneNumber() = 0;
};

// The items of a folder.
class Items : public Object {
  public:
    // The first item that matches a filter such as "[Email1Address] = 'a@example.com'";
    // nothing when none does. A filter Outlook cannot read fails.
    virtual std::shared_ptr<host::Item> Find(const String& filter) = 0;
};

class Explorer;
class Recipient;

class Selection : public Object {
  public:
    virtual std::int32_t Count() = 0;
    virtual std::shared_ptr<host::Item> Item(std::int32_t index) = 0;  // 1-based
    // The Explorer window the selection is in.
    virtual std::shared_ptr<Explorer> Parent() = 0;
};

class NameSpace : public Object {
  public:
    virtual std::shared_ptr<MAPIFolder> GetDefaultFolder(std::int32_t folderType) = 0;
    // The user of the session, as a recipient.
    virtual std::shared_ptr<Recipient> CurrentUser() = 0;
};

struct ExplorerEvents {
    std::function<void()> Activate;
    std::function<void()> FolderSwitch;
    std::function<void(const std::shared_ptr<MAPIFolder>& NewFolder, bool& Cancel)>
        BeforeFolderSwitch;
    std::function<void()> SelectionChange;
    std::function<void()> Close;
};

class Explorer : public Object {
  public:
    using Events = ExplorerEvents;
    // May fail while the window is not ready yet.
    virtual std::shared_ptr<host::CommandBars> CommandBars() = 0;
    virtual std::shared_ptr<host::Selection> Selection() = 0;
    virtual std::shared_ptr<NameSpace> Session() = 0;
    virtual void SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder) = 0;
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

struct ExplorersEvents {
    std::function<void(const std::shared_ptr<Explorer>& Explorer)> NewExplorer;
};

class Explorers : public Object {
  public:
    using Events = ExplorersEvents;
    virtual std::int32_t Count() = 0;
    virtual std::shared_ptr<Explorer> Item(std::int32_t index) = 0;  // 1-based
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

struct InspectorEvents {
    std::function<void()> Close;
};

// The window of an open item.
class Inspector : public Object {
  public:
    using Events = InspectorEvents;
    virtual std::shared_ptr<Item> CurrentItem() = 0;
    virtual std::shared_ptr<NameSpace> Session() = 0;
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

class Application : public Object {
  public:
    virtual std::shared_ptr<host::Explorers> Explorers() = 0;
};

}  // namespace tessaly::host
