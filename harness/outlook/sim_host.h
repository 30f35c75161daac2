// An in-memory Outlook: folders and items, Explorer windows with selections, each window's
// command bars with controls, the events of those objects, and fault injection. While a
// trace is attached it reports every call the add-in makes and every event raised; it
// keeps every failure that an event handler returned to it.
//
// The host interfaces (host/outlook.h, host/office.h) are what the add-in sees. The World
// API below is what a test or tessaly-sim uses to act as the user and to inspect the model;
// it bypasses fault injection and the trace.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/office.h"
#include "host/outlook.h"

namespace tessaly::host::sim {

class World;
class SimWindow;
class SimInspector;
class SimCommandBars;
class SimCommandBar;
class SimControl;
class SimExplorer;
class SimMail;
class SimRecipient;
struct AddressEntryData;
struct MailData;

// ---- Fault injection and the trace ------------------------------------------------------

namespace detail {

// A call's arguments, formatted only when the trace or an armed failure asks for them, so
// that a call costs no formatting otherwise (see internal.h for the calls' own lists).
class Arguments {
  public:
    virtual ~Arguments() = default;
    virtual std::string text(World& world) const = 0;  // the world names model objects
};

class NoArguments final : public Arguments {
  public:
    std::string text(World&) const override { return {}; }
};

}  // namespace detail

// Operation names are "Interface.Member" for property reads and methods and
// "Interface.Member=" for property writes, with the interface that declares the member in
// host/office.h or host/outlook.h: "Explorer.CommandBars", "CommandBars.Add",
// "CommandBarControl.Tag=", "CommandBarComboBox.Text", "ContactItem.MobileTelephoneNumber".
// A failure armed for an operation with its arguments as the trace shows them,
// "Explorers.Item(2)", "CommandBars.Item(\"Brindle\")", fails only the calls with exactly
// those arguments.
class Faults {
  public:
    // The next `times` calls of the operation fail with `code` (times < 0: every call).
    void Fail(const std::string& operation, int times = -1, hresult code = kE_FAIL);
    void Clear(const std::string& operation);
    void ClearAll();
    // Throws Error when a failure is armed for the operation (and counts it down).
    void Check(const std::string& operation);
    bool empty() const { return armed_.empty(); }

  private:
    struct Armed {
        int remaining;
        hresult code;
    };
    std::map<std::string, Armed> armed_;
};

// When OnUpdate of a window's command bars is raised after the bars changed. Office raises
// it once the window is idle again, for a whole batch of changes (Idle); Strict raises it
// synchronously at the end of every changing call, re-entering the caller, so that tests
// can prove the add-in copes with an update between any two of its steps.
enum class UpdateMode { Idle, Strict };

// The mode named by the environment variable TESSALY_SIM_ON_UPDATE ("strict" or "idle";
// anything else: Idle), so that a whole test run can be held to the strict mode.
UpdateMode UpdateModeFromEnvironment();

// One call of the add-in as the trace reports it. Values are written as in Visual Basic:
// strings quoted (with \" \\ \n \r \t escaped), True and False, Nothing; a model object as
// its type and a number given at its first mention, "CommandBar#2".
struct CallRecord {
    std::string operation;  // as for Faults
    std::string arguments;  // separated by ", "; an omitted optional argument is empty
    std::string result;     // the value returned, if any
    bool failed = false;
    hresult code = 0;  // the failure's
};

// Where the trace goes: each call once it has returned (or failed), each event as it starts.
// A call made by a handler of an event raised inside another call (the strict OnUpdate)
// comes after that call, which is then reported without its result.
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    virtual void Call(const CallRecord& call) = 0;
    virtual void Event(const std::string& event) = 0;  // "CommandBars.OnUpdate"
};

// The trace as text, one line each, written as it comes:
//   call CommandBars.Add("Brindle", 1, , True) -> CommandBar#2
//   call CommandBar.Visible = True
//   call CommandBars.Item("Brindle") -> failed 0x80070057
//   event CommandBars.OnUpdate
std::string TraceLine(const CallRecord& call);
class TraceWriter : public TraceSink {
  public:
    explicit TraceWriter(std::ostream& out) : out_(out) {}
    void Call(const CallRecord& call) override;
    void Event(const std::string& event) override;

  private:
    std::ostream& out_;
};

// What the trace calls a model object: its type and the number it got at its first mention.
class ModelObject {
  public:
    virtual ~ModelObject() = default;
    virtual std::string traceType() const = 0;

  private:
    friend class World;
    mutable std::uint64_t traceNumber_ = 0;
};

struct EventFailure {
    std::string event;  // "Explorer.SelectionChange", "CommandBarButton.Click", ...
    hresult code;
    std::string what;
};

// ---- Outlook items and folders ---------------------------------------------------------

// What a folder holds, which decides the Home tab an Explorer on it shows.
enum class FolderKind { Mail, Contacts };

class SimFolder : public MAPIFolder,
                  public ModelObject,
                  public std::enable_shared_from_this<SimFolder> {
  public:
    SimFolder(World& world, String name) : world_(world), name_(std::move(name)) {}
    std::string traceType() const override { return "MAPIFolder"; }
    // A new collection at every call, as Outlook's; searched with Find (mail.h).
    std::shared_ptr<host::Items> Items() override;
    const String& name() const { return name_; }
    const std::vector<std::shared_ptr<Item>>& items() const { return items_; }
    void add(std::shared_ptr<Item> item) { items_.push_back(std::move(item)); }
    std::shared_ptr<Item> findItem(const String& name) const;
    // Unless set, the default contacts folder holds contacts and every other folder mail.
    FolderKind kind() const;
    void setKind(FolderKind kind) { kind_ = kind; }

  private:
    World& world_;
    String name_;
    std::vector<std::shared_ptr<Item>> items_;
    std::optional<FolderKind> kind_;
};

// The item's type as Visual Basic's TypeName gives it ("ContactItem", "MailItem", ...), and
// its name in the profile, read from the model without a call of the add-in's.
String ItemTypeName(const Item& item);
String ItemName(const Item& item);

// An item of any type other than a contact ("MailItem", "DistListItem", ...). Item is a
// virtual base, so that an item kind with members of its own (SimMail, mail.h) is one too.
class SimItem : public virtual Item, public ModelObject {
  public:
    SimItem(World& world, String typeName, String name);
    String TypeName() override;
    std::string traceType() const override;
    const String& name() const { return name_; }
    const String& typeName() const { return typeName_; }

  private:
    World& world_;
    String typeName_;
    String name_;
};

// The nine telephone properties, by their Outlook names.
inline constexpr const char16_t* kTelephoneProperties[] = {
    u"BusinessTelephoneNumber", u"Business2TelephoneNumber", u"MobileTelephoneNumber",
    u"HomeTelephoneNumber",     u"Home2TelephoneNumber",     u"CallbackTelephoneNumber",
    u"CarTelephoneNumber",      u"AssistantTelephoneNumber", u"CompanyMainTelephoneNumber"};

class SimContact : public ContactItem, public ModelObject {
  public:
    // `numbers` maps property names of kTelephoneProperties to values; others are empty.
    SimContact(World& world, String name, std::map<String, String> numbers);
    std::string traceType() const override { return "ContactItem"; }
    String TypeName() override;
    String BusinessTelephoneNumber() override;
    String Business2TelephoneNumber() override;
    String MobileTelephoneNumber() override;
    String HomeTelephoneNumber() override;
    String Home2TelephoneNumber() override;
    String CallbackTelephoneNumber() override;
    String CarTelephoneNumber() override;
    String AssistantTelephoneNumber() override;
    String CompanyMainTelephoneNumber() override;
    const String& name() const { return name_; }
    String number(const String& property) const;
    // False when `property` is not one of kTelephoneProperties.
    bool setNumber(const String& property, const String& value);
    // Email1Address to Email3Address (slot 1 to 3): only Items.Find reads them, the add-in
    // never does, so they are not on the host interface.
    const String& emailAddress(std::size_t slot) const { return emails_.at(slot - 1); }
    void setEmailAddress(std::size_t slot, String address) {
        emails_.at(slot - 1) = std::move(address);
    }

  private:
    String read(const char* operation, const char16_t* property);
    World& world_;
    String name_;
    std::map<String, String> numbers_;
    std::array<String, 3> emails_;
};

// The three e-mail properties of a contact, by their Outlook names, slot 1 first.
inline constexpr const char16_t* kEmailProperties[] = {u"Email1Address", u"Email2Address",
                                                       u"Email3Address"};

// ---- Command bars ----------------------------------------------------------------------

// A control of a bar. Once deleted (or its bar deleted) every host call on it fails, as
// Office's do on a deleted control.
class SimControl : public virtual CommandBarControl,
                   public ModelObject,
                   public std::enable_shared_from_this<SimControl> {
  public:
    SimControl(World& world, std::int32_t type);

    // host::CommandBarControl
    std::int32_t Type() override;
    std::shared_ptr<CommandBar> Parent() override;
    std::int32_t Index() override;
    // To another bar of the same window, or (nothing) within the control's own bar.
    void Move(const std::shared_ptr<CommandBar>& bar, std::optional<std::int32_t> before) override;
    void Delete(std::optional<bool> temporary) override;
    String Tag() override;
    void SetTag(const String& value) override;
    bool Visible() override;
    void SetVisible(bool value) override;
    bool BeginGroup() override;
    void SetBeginGroup(bool value) override;
    bool Enabled() override;
    void SetEnabled(bool value) override;
    String Caption() override;
    void SetCaption(const String& value) override;
    String TooltipText() override;
    void SetTooltipText(const String& value) override;
    std::int32_t Width() override;
    void SetWidth(std::int32_t value) override;

    // Inspection (no faults, no log).
    std::int32_t type() const { return type_; }
    std::shared_ptr<SimCommandBar> bar() const { return bar_.lock(); }
    bool alive() const { return !bar_.expired() && !deleted_; }
    bool temporary() const { return temporary_; }
    const String& tag() const { return tag_; }
    bool visible() const { return visible_; }
    bool beginGroup() const { return beginGroup_; }
    bool enabled() const { return enabled_; }
    const String& caption() const { return caption_; }
    const String& tooltipText() const { return tooltipText_; }
    std::int32_t width() const { return width_; }
    // Event connections currently advised on this object.
    virtual std::size_t connections() const = 0;

  protected:
    friend class SimCommandBar;
    friend class SimCommandBars;
    friend class SimControls;
    friend class World;
    // Throws when the control is no longer on a bar; then checks faults and logs.
    void call(const std::string& operation,
              const detail::Arguments& arguments = detail::NoArguments());
    // The control's state changed: its window's bars report an update.
    void changed();
    World& world_;
    std::int32_t type_;
    std::weak_ptr<SimCommandBar> bar_;
    bool deleted_ = false;
    bool temporary_ = false;
    String tag_;
    bool visible_ = true;
    bool beginGroup_ = false;
    bool enabled_ = true;
    String caption_;
    String tooltipText_;
    std::int32_t width_ = 23;
};

class SimButton : public SimControl, public CommandBarButton {
  public:
    explicit SimButton(World& world);
    std::string traceType() const override { return "CommandBarButton"; }
    void SetStyle(std::int32_t value) override;
    void SetPicture(const std::shared_ptr<Picture>& value) override;
    void SetMask(const std::shared_ptr<Picture>& value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;

    std::int32_t style() const { return style_; }
    const std::shared_ptr<Picture>& picture() const { return picture_; }
    const std::shared_ptr<Picture>& mask() const { return mask_; }
    std::size_t connections() const override { return sinks_.size(); }
    // Raises Click on this object's connections (World::Click raises it on all of them).
    void raiseClick(const std::shared_ptr<CommandBarButton>& ctrl, bool& cancelDefault);

  private:
    friend class World;
    std::int32_t style_ = 0;  // msoButtonAutomatic
    std::shared_ptr<Picture> picture_;
    std::shared_ptr<Picture> mask_;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

class SimComboBox : public SimControl, public CommandBarComboBox {
  public:
    explicit SimComboBox(World& world);
    std::string traceType() const override { return "CommandBarComboBox"; }
    void SetStyle(std::int32_t value) override;
    void SetDropDownLines(std::int32_t value) override;
    void Clear() override;
    void AddItem(const String& text, std::optional<std::int32_t> index) override;
    std::int32_t ListCount() override;
    std::int32_t ListIndex() override;
    void SetListIndex(std::int32_t value) override;
    String List(std::int32_t index) override;
    String Text() override;
    void SetText(const String& value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;

    std::int32_t style() const { return style_; }
    std::int32_t dropDownLines() const { return dropDownLines_; }
    const std::vector<String>& list() const { return list_; }
    std::int32_t listIndex() const { return listIndex_; }
    const String& text() const { return text_; }
    std::size_t connections() const override { return sinks_.size(); }
    void raiseChange(const std::shared_ptr<CommandBarComboBox>& ctrl);

  private:
    friend class World;
    std::int32_t style_ = 0;
    std::int32_t dropDownLines_ = 0;
    std::vector<String> list_;
    std::int32_t listIndex_ = 0;  // 0: no entry chosen
    String text_;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

class SimControls : public CommandBarControls, public ModelObject {
  public:
    explicit SimControls(std::weak_ptr<SimCommandBar> bar, World& world);
    std::string traceType() const override { return "CommandBarControls"; }
    std::int32_t Count() override;
    // Types 1 (button) and 4 (combo box); Before from 1 to Count + 1, omitted = append.
    std::shared_ptr<CommandBarControl> Add(std::optional<std::int32_t> type,
                                           std::optional<std::int32_t> id,
                                           std::optional<std::int32_t> before,
                                           std::optional<bool> temporary) override;

  private:
    std::weak_ptr<SimCommandBar> bar_;
    World& world_;
};

class SimCommandBar : public CommandBar,
                      public ModelObject,
                      public std::enable_shared_from_this<SimCommandBar> {
  public:
    SimCommandBar(World& world, std::weak_ptr<SimCommandBars> owner, String name, bool builtIn,
                  bool temporary);
    std::string traceType() const override { return "CommandBar"; }

    String Name() override;
    std::shared_ptr<CommandBarControls> Controls() override;
    void Delete() override;  // built-in bars cannot be deleted
    std::shared_ptr<CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                   std::optional<std::int32_t> id,
                                                   std::optional<String> tag,
                                                   std::optional<bool> visible,
                                                   std::optional<bool> recursive) override;
    bool AdaptiveMenu() override;
    void SetAdaptiveMenu(bool value) override;
    bool Enabled() override;
    void SetEnabled(bool value) override;
    bool Visible() override;
    void SetVisible(bool value) override;
    std::int32_t RowIndex() override;
    void SetRowIndex(std::int32_t value) override;
    std::int32_t Position() override;
    void SetPosition(std::int32_t value) override;
    std::int32_t Top() override;
    void SetTop(std::int32_t value) override;
    std::int32_t Left() override;
    void SetLeft(std::int32_t value) override;
    std::int32_t Width() override;
    void SetWidth(std::int32_t value) override;
    std::int32_t Height() override;
    void SetHeight(std::int32_t value) override;
    std::int32_t Protection() override;
    void SetProtection(std::int32_t value) override;

    // Inspection and the model's own operations.
    const String& name() const { return name_; }
    bool alive() const { return !deleted_ && !owner_.expired(); }
    bool builtIn() const { return builtIn_; }
    bool temporary() const { return temporary_; }
    const std::vector<std::shared_ptr<SimControl>>& controls() const { return controls_; }
    bool adaptiveMenu() const { return adaptiveMenu_; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    std::int32_t rowIndex() const { return rowIndex_; }
    std::int32_t position() const { return position_; }
    std::int32_t top() const { return top_; }
    std::int32_t left() const { return left_; }
    std::int32_t width() const { return width_; }
    std::int32_t protection() const { return protection_; }
    // Inserts an existing control (1-based; 0 or beyond the end appends) / takes it out.
    void insert(const std::shared_ptr<SimControl>& control, std::int32_t before);
    void remove(const SimControl& control);
    std::int32_t indexOf(const SimControl& control) const;  // 0 when absent
    void markDeleted();
    // The bar or one of its controls changed: the window's bars report an update.
    void changed();

  private:
    friend class SimControl;
    friend class SimControls;
    friend class SimCommandBars;
    friend class World;
    void call(const std::string& operation,
              const detail::Arguments& arguments = detail::NoArguments());
    World& world_;
    std::weak_ptr<SimCommandBars> owner_;
    std::shared_ptr<SimControls> controlsObject_;  // one Controls object per bar
    String name_;
    bool builtIn_;
    bool temporary_;
    bool deleted_ = false;
    std::vector<std::shared_ptr<SimControl>> controls_;
    bool adaptiveMenu_ = false;
    bool enabled_ = true;
    bool visible_ = false;  // a new bar is hidden until made visible, as in Office
    std::int32_t rowIndex_ = 0;
    std::int32_t position_ = 4;  // msoBarFloating
    std::int32_t top_ = 0;
    std::int32_t left_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t protection_ = 0;
};

class SimCommandBars : public CommandBars,
                       public ModelObject,
                       public std::enable_shared_from_this<SimCommandBars> {
  public:
    explicit SimCommandBars(World& world);
    std::string traceType() const override { return "CommandBars"; }
    // Adds the built-in bars every window has ("Menu Bar", "Standard", "Advanced", "Web").
    void addBuiltInBars();

    std::shared_ptr<CommandBar> Item(const String& name) override;  // name without regard to case
    std::shared_ptr<CommandBar> Add(std::optional<String> name,
                                    std::optional<std::int32_t> position,
                                    std::optional<bool> menuBar,
                                    std::optional<bool> temporary) override;
    std::shared_ptr<CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                   std::optional<std::int32_t> id,
                                                   std::optional<String> tag,
                                                   std::optional<bool> visible) override;
    void SetAdaptiveMenus(bool value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;

    const std::vector<std::shared_ptr<SimCommandBar>>& bars() const { return bars_; }
    std::shared_ptr<SimCommandBar> find(const String& name) const;  // without regard to case
    std::shared_ptr<SimControl> findControl(std::int32_t type, const String& tag) const;
    bool adaptiveMenus() const { return adaptiveMenus_; }
    std::size_t connections() const { return sinks_.size(); }
    void removeBar(const SimCommandBar& bar);
    // Raises OnUpdate now, on the sinks connected when it starts.
    void raiseOnUpdate();
    // A change to these bars: raised now (strict mode) or at the next idle moment.
    void changed();
    // Raises the update the last changes are waiting for, if any (once for all of them).
    void raisePending();
    // Appends a bar that is not built in (the model's own operation: no faults, no log).
    std::shared_ptr<SimCommandBar> addBar(const String& name, bool temporary);
    // The window is gone: every bar and control dies, and later calls fail.
    void detach();
    bool detached() const { return detached_; }

  private:
    void call(const std::string& operation,
              const detail::Arguments& arguments = detail::NoArguments());
    World& world_;
    bool detached_ = false;
    bool updatePending_ = false;
    int raising_ = 0;  // OnUpdate handlers running; a change they make waits for idle
    std::vector<std::shared_ptr<SimCommandBar>> bars_;
    bool adaptiveMenus_ = false;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

// ---- Outlook windows -------------------------------------------------------------------

// What Explorers and Inspectors share as windows the ribbon shows in: the kind of window Office
// asks an add-in's customisation for, the built-in tab in front, and the object a ribbon
// control in the window gives as its Context.
class SimWindow : public ModelObject {
  public:
    virtual bool closed() const = 0;
    // "Microsoft.Outlook.Explorer", "Microsoft.Outlook.Contact", ...; empty when Office asks no
    // add-in for this kind of window.
    virtual String ribbonId() const = 0;
    // The idMso of the built-in tab the window shows: an Explorer's Home tab for its folder's
    // kind, an Inspector's tab for its item.
    virtual String shownTab() const = 0;
    virtual std::shared_ptr<Object> context() = 0;
    virtual std::shared_ptr<SimWindow> window() = 0;
};

class SimSelection : public Selection, public ModelObject {
  public:
    SimSelection(World& world, std::vector<std::shared_ptr<host::Item>> items,
                 std::weak_ptr<SimExplorer> parent);
    std::string traceType() const override { return "Selection"; }
    std::int32_t Count() override;
    std::shared_ptr<host::Item> Item(std::int32_t index) override;
    std::shared_ptr<Explorer> Parent() override;

  private:
    World& world_;
    std::vector<std::shared_ptr<host::Item>> items_;
    std::weak_ptr<SimExplorer> parent_;
};

class SimNameSpace : public NameSpace, public ModelObject {
  public:
    explicit SimNameSpace(World& world) : world_(world) {}
    std::string traceType() const override { return "NameSpace"; }
    // Type 10 gives the default contacts folder; fails when the profile has none.
    std::shared_ptr<MAPIFolder> GetDefaultFolder(std::int32_t folderType) override;
    std::shared_ptr<Recipient> CurrentUser() override;

  private:
    World& world_;
};

class SimExplorer : public Explorer,
                    public SimWindow,
                    public std::enable_shared_from_this<SimExplorer> {
  public:
    SimExplorer(World& world, std::shared_ptr<SimFolder> folder, bool commandBarsReady);
    std::string traceType() const override { return "Explorer"; }

    std::shared_ptr<host::CommandBars> CommandBars() override;  // fails while not ready
    std::shared_ptr<host::Selection> Selection() override;
    std::shared_ptr<NameSpace> Session() override;
    // Switches the folder and raises BeforeFolderSwitch, FolderSwitch and SelectionChange.
    void SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;

    const std::shared_ptr<SimFolder>& folder() const { return folder_; }
    const std::vector<std::shared_ptr<host::Item>>& selection() const { return selection_; }
    const std::shared_ptr<SimCommandBars>& commandBars() const { return bars_; }
    bool commandBarsReady() const { return barsReady_; }
    void setCommandBarsReady(bool ready) { barsReady_ = ready; }
    bool closed() const override { return closed_; }
    std::size_t connections() const { return sinks_.size(); }
    String ribbonId() const override;
    String shownTab() const override;  // TabMail or TabContacts
    std::shared_ptr<Object> context() override { return shared_from_this(); }
    std::shared_ptr<SimWindow> window() override { return shared_from_this(); }

  private:
    friend class World;
    void call(const std::string& operation,
              const detail::Arguments& arguments = detail::NoArguments());
    template <class F>
    void raise(const char* event, F&& invoke);
    // BeforeFolderSwitch (which may cancel), the switch, FolderSwitch, SelectionChange.
    void switchFolder(const std::shared_ptr<SimFolder>& folder);
    World& world_;
    std::shared_ptr<SimFolder> folder_;
    std::vector<std::shared_ptr<host::Item>> selection_;
    std::shared_ptr<SimCommandBars> bars_;
    bool barsReady_;
    bool closed_ = false;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

// The window of an open item. Office asks the add-in's customisation for the item's kind of
// window: a contact's ("Microsoft.Outlook.Contact") or a received mail's
// ("Microsoft.Outlook.Mail.Read"); for another item it asks for none.
class SimInspector : public Inspector,
                     public SimWindow,
                     public std::enable_shared_from_this<SimInspector> {
  public:
    SimInspector(World& world, std::shared_ptr<host::Item> item);
    std::string traceType() const override { return "Inspector"; }

    std::shared_ptr<host::Item> CurrentItem() override;
    std::shared_ptr<NameSpace> Session() override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;

    const std::shared_ptr<host::Item>& item() const { return item_; }
    bool closed() const override { return closed_; }
    std::size_t connections() const { return sinks_.size(); }
    String ribbonId() const override;
    String shownTab() const override;  // TabContact, TabReadMessage; empty for others
    std::shared_ptr<Object> context() override { return shared_from_this(); }
    std::shared_ptr<SimWindow> window() override { return shared_from_this(); }

  private:
    friend class World;
    void call(const std::string& operation,
              const detail::Arguments& arguments = detail::NoArguments());
    World& world_;
    std::shared_ptr<host::Item> item_;
    bool closed_ = false;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

class SimExplorers : public Explorers,
                     public ModelObject,
                     public std::enable_shared_from_this<SimExplorers> {
  public:
    explicit SimExplorers(World& world) : world_(world) {}
    std::string traceType() const override { return "Explorers"; }
    std::int32_t Count() override;
    std::shared_ptr<Explorer> Item(std::int32_t index) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    std::size_t connections() const { return sinks_.size(); }

  private:
    friend class World;
    World& world_;
    std::map<std::uint64_t, std::shared_ptr<const Events>> sinks_;
    std::uint64_t nextCookie_ = 1;
};

class SimApplication : public Application, public ModelObject {
  public:
    explicit SimApplication(World& world) : world_(world) {}
    std::string traceType() const override { return "Application"; }
    std::shared_ptr<host::Explorers> Explorers() override;

  private:
    World& world_;
};

// ---- The session -----------------------------------------------------------------------

class World {
  public:
    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Profile.
    std::shared_ptr<SimFolder> AddFolder(const String& name);
    std::shared_ptr<SimFolder> FindFolder(const String& name) const;
    const std::vector<std::shared_ptr<SimFolder>>& folders() const { return folders_; }
    void SetDefaultContactsFolder(std::shared_ptr<SimFolder> folder);
    const std::shared_ptr<SimFolder>& defaultContactsFolder() const { return contacts_; }
    std::shared_ptr<SimContact> AddContact(SimFolder& folder, const String& name,
                                           std::map<String, String> numbers);
    // A "MailItem" is a SimMail not sent yet, with no recipients.
    std::shared_ptr<SimItem> AddItem(SimFolder& folder, const String& typeName, const String& name);
    // A follow-up flag on an item, which gives it the flagged item's context menu.
    void SetFlagged(const Item& item, bool flagged);
    bool flagged(const Item& item) const { return flagged_.count(&item) != 0; }
    // Changes a property of an item as the user editing it would (no event the add-in hears):
    // a contact's telephone numbers. False for a property the item does not have.
    bool SetProperty(Item& item, const String& property, const String& value);
    // Mails and the session's user (mail.h declares the data and the objects).
    std::shared_ptr<SimMail> AddMail(SimFolder& folder, const MailData& mail);
    // The user NameSpace.CurrentUser returns; without one that call fails.
    std::shared_ptr<SimRecipient> SetCurrentUser(const AddressEntryData& user);
    const std::shared_ptr<SimRecipient>& currentUser() const { return currentUser_; }

    std::shared_ptr<Application> application() const { return application_; }
    // The one MAPI session of the profile, as Explorer.Session returns it.
    std::shared_ptr<SimNameSpace> session() const { return session_; }

    // Windows. A window opened while the add-in is connected raises NewExplorer. The
    // selection of a new window is the first item of its folder, if any.
    std::shared_ptr<SimExplorer> OpenExplorer(std::shared_ptr<SimFolder> folder,
                                              bool commandBarsReady = true);
    const std::vector<std::shared_ptr<SimExplorer>>& explorers() const { return explorers_; }
    // Opens an item in a window of its own, as a double click does.
    std::shared_ptr<SimInspector> OpenInspector(std::shared_ptr<Item> item);
    const std::vector<std::shared_ptr<SimInspector>>& inspectors() const { return inspectors_; }
    // Every open window: the Explorers, then the Inspectors, each in opening order.
    std::vector<std::shared_ptr<SimWindow>> windows() const;
    // Runs when a window shows, before any event of it: Office's ribbon asks for the
    // customisation of its kind then.
    void setWindowHook(std::function<void(SimWindow&)> hook) { windowHook_ = std::move(hook); }

    // OnUpdate: when it is raised after a change to a window's command bars (by default the
    // mode the environment names, see UpdateModeFromEnvironment).
    void setUpdateMode(UpdateMode mode) { updateMode_ = mode; }
    UpdateMode updateMode() const { return updateMode_; }
    // The host's message loop has nothing else to do: every window whose bars changed since
    // the last idle moment gets one OnUpdate. Each user action below begins with it (the
    // user acts from an idle window) and each customisation also ends with it.
    void Idle();
    // Also runs at every idle moment, after the bars' updates: Office's ribbon refreshes
    // what was invalidated then.
    void setIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }

    // The user's actions. Each raises the events Outlook would raise.
    void Activate(SimExplorer& explorer);  // makes the command bars ready first
    void Select(SimExplorer& explorer, std::vector<std::shared_ptr<Item>> items);
    void SwitchFolder(SimExplorer& explorer, std::shared_ptr<SimFolder> folder);
    void Close(SimExplorer& explorer);    // raises Close, then the window is gone
    void Close(SimInspector& inspector);  // the same for an Inspector
    // Click raises Click on every connected button with the clicked button's tag, in every
    // window, with Ctrl = the clicked button. False when the button cannot be clicked
    // (deleted, disabled or hidden).
    bool Click(const std::shared_ptr<SimButton>& button);
    // Typing confirms the text; picking chooses a list entry (1-based). Both raise Change on
    // every connected combo box with the same tag. False when not possible.
    bool TypeText(const std::shared_ptr<SimComboBox>& combo, const String& text);
    bool Pick(const std::shared_ptr<SimComboBox>& combo, std::int32_t index);
    // Customisation by the user; each raises OnUpdate of the window's command bars.
    bool MoveControl(SimExplorer& explorer, const std::shared_ptr<SimControl>& control,
                     const String& barName, std::int32_t before);  // adds the bar if missing
    bool DeleteControl(SimExplorer& explorer, const std::shared_ptr<SimControl>& control);
    bool DeleteBar(SimExplorer& explorer, const String& barName);
    // Puts a copy of a control back on a bar (same type, tag, caption), as restoring it from
    // the customisation dialog would.
    std::shared_ptr<SimControl> RestoreControl(SimExplorer& explorer, std::int32_t type,
                                               const String& tag, const String& barName);
    // Ctrl+drag in customisation: a copy of one of the window's controls (type, tag,
    // caption, style, faces, list) on a bar of that window (added if missing), before the
    // 1-based position `before` (0 appends). The copy is not connected to any handler.
    std::shared_ptr<SimControl> CopyControl(SimExplorer& explorer,
                                            const std::shared_ptr<SimControl>& control,
                                            const String& barName, std::int32_t before);
    void RaiseUpdate(SimExplorer& explorer);

    // Fault injection and failures returned by the add-in's event handlers.
    Faults& faults() { return faults_; }
    const std::vector<EventFailure>& eventFailures() const { return eventFailures_; }
    void clearEventFailures() { eventFailures_.clear(); }

    // The trace: nothing is kept or formatted for it while no sink is attached. The sink
    // must outlive the attachment; detaching (nullptr) reports a call still waiting for its
    // result first.
    void setTrace(TraceSink* sink);
    bool tracing() const { return trace_ != nullptr; }
    // Reports the call still waiting for its result (without it).
    void flushTrace();

    // Used by the model's objects. A call's arguments are formatted only when the trace or
    // an armed failure needs them.
    void check(const std::string& operation,
               const detail::Arguments& arguments = detail::NoArguments());
    // Reports the call as failed and throws: the object cannot serve it (deleted, closed, ...),
    // or its arguments are not what Outlook takes (`why`, when given, says how).
    [[noreturn]] void refuse(const std::string& operation,
                             const detail::Arguments& arguments = detail::NoArguments(),
                             hresult code = kE_FAIL, const std::string& why = {});
    // The value the call being traced returns.
    void setResult(std::string value);
    void traceEvent(const char* event);
    // "CommandBar#2", numbered per type in the order of first mention.
    std::string traceName(const ModelObject& object);
    // Remembers a control taken off its bar, so that RestoreControl can put a copy back.
    void noteRemoved(const SimControl& control);
    // Runs an event handler; a failure is recorded and goes no further, as Office does.
    template <class F>
    void dispatch(const char* event, F&& handler) noexcept {
        try {
            handler();
        } catch (const Error& e) {
            eventFailures_.push_back({event, e.code(), e.what()});
        } catch (const std::exception& e) {
            eventFailures_.push_back({event, kE_FAIL, e.what()});
        } catch (...) {
            eventFailures_.push_back({event, kE_FAIL, "unknown exception"});
        }
    }
    std::vector<std::shared_ptr<SimExplorer>>& openExplorers() { return explorers_; }
    SimExplorers& explorersCollection() { return *explorersObject_; }

  private:
    void traceCall(CallRecord call);
    Faults faults_;
    UpdateMode updateMode_ = UpdateModeFromEnvironment();
    TraceSink* trace_ = nullptr;
    std::optional<CallRecord> pendingCall_;              // reported once its result is known
    std::map<std::string, std::uint64_t> traceNumbers_;  // the last number of each type
    std::vector<EventFailure> eventFailures_;
    std::vector<std::shared_ptr<SimFolder>> folders_;
    std::shared_ptr<SimFolder> contacts_;
    std::vector<std::shared_ptr<SimExplorer>> explorers_;
    std::vector<std::shared_ptr<SimInspector>> inspectors_;
    std::set<const Item*> flagged_;
    std::function<void(SimWindow&)> windowHook_;
    std::shared_ptr<SimExplorers> explorersObject_;
    std::shared_ptr<SimApplication> application_;
    std::shared_ptr<SimNameSpace> session_;
    std::shared_ptr<SimRecipient> currentUser_;
    std::map<std::pair<std::int32_t, String>, String> removedCaptions_;  // (type, tag) -> caption
    std::function<void()> idleHook_;
};

}  // namespace tessaly::host::sim
