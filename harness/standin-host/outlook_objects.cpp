#include "outlook_objects.h"

#include <set>
#include <utility>

#include "mail_objects.h"
#include "platform/win32/com/error.h"
#include "platform/win32/text.h"
#include "ribbon_objects.h"
#include "sim_object.h"

namespace tessaly::standin {

namespace sim = host::sim;

namespace {

template <class Get, class Set>
void IntProperty(Call& call, Get&& get, Set&& set) {
    if (call.isPut()) {
        set(call.valueInt());
    } else if (call.isGet()) {
        call.result(static_cast<std::int32_t>(get()));
    } else {
        WrongKind();
    }
}

template <class Get, class Set>
void BoolProperty(Call& call, Get&& get, Set&& set) {
    if (call.isPut()) {
        set(call.valueBool());
    } else if (call.isGet()) {
        call.result(static_cast<bool>(get()));
    } else {
        WrongKind();
    }
}

template <class Get, class Set>
void StringProperty(Call& call, Get&& get, Set&& set) {
    if (call.isPut()) {
        set(call.valueString());
    } else if (call.isGet()) {
        call.result(std::u16string_view(get()));
    } else {
        WrongKind();
    }
}

// What the add-in assigns as a button's picture: the host records only that one was set,
// and keeps no reference into the add-in, whose module may go away before the model does.
class ForeignPicture final : public host::Picture {};
// An object the host does not know, passed where a folder is expected.
class ForeignFolder final : public host::MAPIFolder {
  public:
    std::shared_ptr<host::Items> Items() override {
        throw Error(kE_INVALIDARG, "not a folder of this host");
    }
};

// ---- Application, Explorers, Explorer -------------------------------------------------

class ApplicationObject final : public SimObject<host::Application> {
  public:
    ApplicationObject(Server& server, std::shared_ptr<host::Application> object)
        : SimObject(server, std::move(object), "Application", {dispid::Explorers}) {}

  protected:
    void invokeMember(DISPID, Call& call) override {
        RequireGet(call);
        call.result(wrap(object_->Explorers()));
    }
};

class ExplorersObject final : public CollectionObject<host::Explorers> {
  public:
    ExplorersObject(Server& server, std::shared_ptr<host::Explorers> object)
        : CollectionObject(server, std::move(object), "Explorers") {
        addConnectionPoint(DIID_ExplorersEvents, [this](const ComPtr<IDispatch>& client) {
            auto events = std::make_shared<host::ExplorersEvents>();
            Server* host = &server_;
            events->NewExplorer = [host, client](const std::shared_ptr<host::Explorer>& e) {
                const ComPtr<IDispatch> explorer = host->wrap(e);
                FireEvent(client.get(), kDispNewExplorer, {explorer.get()});
            };
            return object_->Advise(std::move(events));
        });
    }
};

class ExplorerObject final : public SimObject<host::Explorer> {
  public:
    ExplorerObject(Server& server, std::shared_ptr<host::Explorer> object)
        : SimObject(
              server, std::move(object), "Explorer",
              {dispid::CommandBars, dispid::Selection, dispid::Session, dispid::CurrentFolder}) {
        // Both the current and the older outgoing interface: clients try the first, then
        // fall back. The events and their DISPIDs are the same.
        addConnectionPoint(DIID_ExplorerEvents_10,
                           [this](const ComPtr<IDispatch>& client) { return connect(client); });
        addConnectionPoint(DIID_ExplorerEvents,
                           [this](const ComPtr<IDispatch>& client) { return connect(client); });
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        switch (id) {
            case dispid::CommandBars:
                RequireGet(call);
                call.result(wrap(object_->CommandBars()));
                break;
            case dispid::Selection:
                RequireGet(call);
                call.result(wrap(object_->Selection()));
                break;
            case dispid::Session:
                RequireGet(call);
                call.result(wrap(object_->Session()));
                break;
            default: {
                RequirePut(call);
                const ComPtr<IUnknown> value = call.valueObject();
                std::shared_ptr<host::MAPIFolder> folder;
                if (value) {
                    auto* ours = DispatchBase::FromUnknown(value.get());
                    folder = ours ? folderOf(*ours) : nullptr;
                    if (!folder) {
                        folder = std::make_shared<ForeignFolder>();
                    }
                }
                object_->SetCurrentFolder(folder);
                break;
            }
        }
    }

  private:
    static std::shared_ptr<host::MAPIFolder> folderOf(DispatchBase& object);

    host::Subscription connect(const ComPtr<IDispatch>& client) {
        auto events = std::make_shared<host::ExplorerEvents>();
        Server* host = &server_;
        const auto simple = [client](DISPID id) {
            return [client, id] { FireEvent(client.get(), id); };
        };
        events->Activate = simple(kDispActivate);
        events->FolderSwitch = simple(kDispFolderSwitch);
        events->SelectionChange = simple(kDispSelectionChange);
        events->Close = simple(kDispClose);
        events->BeforeFolderSwitch = [host, client](const std::shared_ptr<host::MAPIFolder>& f,
                                                    bool& cancel) {
            const ComPtr<IDispatch> folder = f ? host->wrap(f) : ComPtr<IDispatch>();
            VARIANT_BOOL flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
            FireEvent(client.get(), kDispBeforeFolderSwitch,
                      {folder.get(), win32::Variant::ByRef(&flag)});
            cancel = flag != VARIANT_FALSE;
        };
        return object_->Advise(std::move(events));
    }
};

// ---- Selection, NameSpace, folders and items ------------------------------------------

class SelectionObject final : public CollectionObject<host::Selection> {
  public:
    SelectionObject(Server& server, std::shared_ptr<host::Selection> object)
        : CollectionObject(server, std::move(object), "Selection", {dispid::Parent}) {}

  protected:
    void invokeMember(DISPID id, Call& call) override {
        if (id != dispid::Parent) {
            return CollectionObject::invokeMember(id, call);
        }
        RequireGet(call);
        call.result(wrap(object_->Parent()));
    }
};

// An open item's window; its events on both outgoing interfaces, as an Explorer's.
class InspectorObject final : public SimObject<host::Inspector> {
  public:
    InspectorObject(Server& server, std::shared_ptr<host::Inspector> object)
        : SimObject(server, std::move(object), "Inspector",
                    {dispid::CurrentItem, dispid::Session}) {
        addConnectionPoint(DIID_InspectorEvents_10,
                           [this](const ComPtr<IDispatch>& client) { return connect(client); });
        addConnectionPoint(DIID_InspectorEvents,
                           [this](const ComPtr<IDispatch>& client) { return connect(client); });
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::CurrentItem) {
            call.result(wrap(object_->CurrentItem()));
        } else {
            call.result(wrap(object_->Session()));
        }
    }

  private:
    host::Subscription connect(const ComPtr<IDispatch>& client) {
        auto events = std::make_shared<host::InspectorEvents>();
        events->Close = [client] { FireEvent(client.get(), kDispClose); };
        return object_->Advise(std::move(events));
    }
};

class NameSpaceObject final : public SimObject<host::NameSpace> {
  public:
    NameSpaceObject(Server& server, std::shared_ptr<host::NameSpace> object)
        : SimObject(server, std::move(object), "NameSpace",
                    {dispid::GetDefaultFolder, dispid::CurrentUser}) {}

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::CurrentUser) {
            call.result(wrap(object_->CurrentUser()));
        } else {
            call.result(wrap(object_->GetDefaultFolder(call.requiredInt(0))));
        }
    }
};

class FolderObject final : public SimObject<host::MAPIFolder> {
  public:
    FolderObject(Server& server, std::shared_ptr<host::MAPIFolder> object)
        : SimObject(server, std::move(object), "MAPIFolder", {dispid::Name, dispid::Items}) {}
    const std::shared_ptr<host::MAPIFolder>& folder() const { return object_; }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::Items) {
            return call.result(wrap(object_->Items()));
        }
        const auto* folder = dynamic_cast<const sim::SimFolder*>(object_.get());
        call.result(std::u16string_view(folder ? folder->name() : std::u16string()));
    }
};

std::shared_ptr<host::MAPIFolder> ExplorerObject::folderOf(DispatchBase& object) {
    auto* folder = dynamic_cast<FolderObject*>(&object);
    return folder ? folder->folder() : nullptr;
}

class ItemObject final : public SimObject<host::Item> {
  public:
    ItemObject(Server& server, std::shared_ptr<host::Item> object)
        : SimObject(server, std::move(object), "Item", {}),
          contact_(std::dynamic_pointer_cast<host::ContactItem>(object_)),
          kind_(kindOf(*object_)) {
        if (contact_) {
            for (DISPID id = dispid::BusinessTelephoneNumber;
                 id <= dispid::CompanyMainTelephoneNumber; ++id) {
                members_.insert(id);
            }
        }
    }

    // The item's class, which a type name read asks for first: the model's Item.TypeName,
    // asked each time, as Outlook's objects answer for themselves.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override {
        return ItemClassInfo(registry(), *object_, out);
    }

  protected:
    // The type information of its interface (GetTypeInfo, which clients also ask to cache
    // names, and an error's source) is its kind's, as Outlook's comes from its type library:
    // no call of the item.
    std::wstring coclassName() override { return kind_; }

    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        host::ContactItem& c = *contact_;
        switch (id) {
            case dispid::BusinessTelephoneNumber:
                return call.result(std::u16string_view(c.BusinessTelephoneNumber()));
            case dispid::Business2TelephoneNumber:
                return call.result(std::u16string_view(c.Business2TelephoneNumber()));
            case dispid::MobileTelephoneNumber:
                return call.result(std::u16string_view(c.MobileTelephoneNumber()));
            case dispid::HomeTelephoneNumber:
                return call.result(std::u16string_view(c.HomeTelephoneNumber()));
            case dispid::Home2TelephoneNumber:
                return call.result(std::u16string_view(c.Home2TelephoneNumber()));
            case dispid::CallbackTelephoneNumber:
                return call.result(std::u16string_view(c.CallbackTelephoneNumber()));
            case dispid::CarTelephoneNumber:
                return call.result(std::u16string_view(c.CarTelephoneNumber()));
            case dispid::AssistantTelephoneNumber:
                return call.result(std::u16string_view(c.AssistantTelephoneNumber()));
            default:
                return call.result(std::u16string_view(c.CompanyMainTelephoneNumber()));
        }
    }

  private:
    static std::wstring kindOf(const host::Item& item) {
        if (const auto* other = dynamic_cast<const sim::SimItem*>(&item)) {
            return win32::ToWide(other->typeName());
        }
        return dynamic_cast<const sim::SimContact*>(&item) ? L"ContactItem" : L"Item";
    }

    std::shared_ptr<host::ContactItem> contact_;
    std::wstring kind_;
};

// ---- Command bars ---------------------------------------------------------------------

class CommandBarsObject final : public SimObject<host::CommandBars> {
  public:
    CommandBarsObject(Server& server, std::shared_ptr<host::CommandBars> object)
        : SimObject(server, std::move(object), "CommandBars",
                    {dispid::Item, dispid::Add, dispid::FindControl, dispid::AdaptiveMenus}) {
        addConnectionPoint(DIID_CommandBarsEvents, [this](const ComPtr<IDispatch>& client) {
            auto events = std::make_shared<host::CommandBarsEvents>();
            events->OnUpdate = [client] { FireEvent(client.get(), kDispOnUpdate); };
            return object_->Advise(std::move(events));
        });
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        switch (id) {
            case dispid::Item:
                RequireGet(call);
                call.result(wrap(object_->Item(barName(call))));
                break;
            case dispid::Add:
                RequireGet(call);
                call.result(wrap(object_->Add(call.optString(0), call.optInt(1), call.optBool(2),
                                              call.optBool(3))));
                break;
            case dispid::FindControl:
                RequireGet(call);
                call.result(wrap(object_->FindControl(call.optInt(0), call.optInt(1),
                                                      call.optString(2), call.optBool(3))));
                break;
            default:
                RequirePut(call);
                object_->SetAdaptiveMenus(call.valueBool());
                break;
        }
    }

  private:
    // Item takes a bar's name or its 1-based number.
    std::u16string barName(const Call& call) {
        const VARIANT* index = call.arg(0);
        if (!index) {
            throw ArgumentError(DISP_E_PARAMNOTFOUND, 0, "CommandBars.Item needs an index");
        }
        if (win32::TypeOf(*index) == VT_BSTR) {
            return *call.optString(0);
        }
        const std::int32_t number = call.requiredInt(0);
        const auto* bars = dynamic_cast<const sim::SimCommandBars*>(object_.get());
        if (!bars || number < 1 || static_cast<std::size_t>(number) > bars->bars().size()) {
            throw Error(DISP_E_BADINDEX, "there is no command bar " + std::to_string(number));
        }
        return bars->bars()[static_cast<std::size_t>(number - 1)]->name();
    }
};

class CommandBarObject final : public SimObject<host::CommandBar> {
  public:
    CommandBarObject(Server& server, std::shared_ptr<host::CommandBar> object)
        : SimObject(server, std::move(object), "CommandBar",
                    {dispid::Name, dispid::Controls, dispid::Delete, dispid::FindControl,
                     dispid::AdaptiveMenu, dispid::Enabled, dispid::Visible, dispid::RowIndex,
                     dispid::Position, dispid::Top, dispid::Left, dispid::Width, dispid::Height,
                     dispid::Protection}) {}
    std::shared_ptr<host::CommandBar> bar() const { return object_; }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        host::CommandBar& b = *object_;
        switch (id) {
            case dispid::Name:
                RequireGet(call);
                return call.result(std::u16string_view(b.Name()));
            case dispid::Controls:
                RequireGet(call);
                return call.result(wrap(b.Controls()));
            case dispid::Delete:
                RequireGet(call);
                return b.Delete();
            case dispid::FindControl:
                RequireGet(call);
                return call.result(
                    wrap(b.FindControl(call.optInt(0), call.optInt(1), call.optString(2),
                                       call.optBool(3), call.optBool(4))));
            case dispid::AdaptiveMenu:
                return BoolProperty(
                    call, [&] { return b.AdaptiveMenu(); }, [&](bool v) { b.SetAdaptiveMenu(v); });
            case dispid::Enabled:
                return BoolProperty(
                    call, [&] { return b.Enabled(); }, [&](bool v) { b.SetEnabled(v); });
            case dispid::Visible:
                return BoolProperty(
                    call, [&] { return b.Visible(); }, [&](bool v) { b.SetVisible(v); });
            case dispid::RowIndex:
                return IntProperty(
                    call, [&] { return b.RowIndex(); }, [&](std::int32_t v) { b.SetRowIndex(v); });
            case dispid::Position:
                return IntProperty(
                    call, [&] { return b.Position(); }, [&](std::int32_t v) { b.SetPosition(v); });
            case dispid::Top:
                return IntProperty(
                    call, [&] { return b.Top(); }, [&](std::int32_t v) { b.SetTop(v); });
            case dispid::Left:
                return IntProperty(
                    call, [&] { return b.Left(); }, [&](std::int32_t v) { b.SetLeft(v); });
            case dispid::Width:
                return IntProperty(
                    call, [&] { return b.Width(); }, [&](std::int32_t v) { b.SetWidth(v); });
            case dispid::Height:
                return IntProperty(
                    call, [&] { return b.Height(); }, [&](std::int32_t v) { b.SetHeight(v); });
            default:
                return IntProperty(
                    call, [&] { return b.Protection(); },
                    [&](std::int32_t v) { b.SetProtection(v); });
        }
    }
};

class ControlsObject final : public SimObject<host::CommandBarControls> {
  public:
    ControlsObject(Server& server, std::shared_ptr<host::CommandBarControls> object)
        : SimObject(server, std::move(object), "CommandBarControls", {dispid::Count, dispid::Add}) {
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::Count) {
            call.result(object_->Count());
        } else {
            // Parameter (the third) is a variant the model has no use for.
            call.result(wrap(
                object_->Add(call.optInt(0), call.optInt(1), call.optInt(3), call.optBool(4))));
        }
    }
};

// The members every control has; T is the button or combo box interface.
template <class T>
class ControlObject : public SimObject<T> {
  protected:
    using Base = SimObject<T>;
    ControlObject(Server& server, std::shared_ptr<T> object, std::string typeName,
                  std::initializer_list<DISPID> own)
        : Base(server, std::move(object), std::move(typeName),
               {dispid::Type, dispid::Parent, dispid::Index, dispid::Move, dispid::Delete,
                dispid::Tag, dispid::Visible, dispid::BeginGroup, dispid::Enabled, dispid::Caption,
                dispid::TooltipText, dispid::Width}) {
        this->members_.insert(own.begin(), own.end());
    }

    // False when the member is not a common one.
    bool invokeCommon(DISPID id, Call& call) {
        host::CommandBarControl& c = *this->object_;
        switch (id) {
            case dispid::Type:
                RequireGet(call);
                call.result(c.Type());
                return true;
            case dispid::Parent:
                RequireGet(call);
                call.result(this->wrap(c.Parent()));
                return true;
            case dispid::Index:
                RequireGet(call);
                call.result(c.Index());
                return true;
            case dispid::Move:
                RequireGet(call);
                c.Move(barArg(call), call.optInt(1));
                return true;
            case dispid::Delete:
                RequireGet(call);
                c.Delete(call.optBool(0));
                return true;
            case dispid::Tag:
                StringProperty(
                    call, [&] { return c.Tag(); }, [&](const std::u16string& v) { c.SetTag(v); });
                return true;
            case dispid::Visible:
                BoolProperty(
                    call, [&] { return c.Visible(); }, [&](bool v) { c.SetVisible(v); });
                return true;
            case dispid::BeginGroup:
                BoolProperty(
                    call, [&] { return c.BeginGroup(); }, [&](bool v) { c.SetBeginGroup(v); });
                return true;
            case dispid::Enabled:
                BoolProperty(
                    call, [&] { return c.Enabled(); }, [&](bool v) { c.SetEnabled(v); });
                return true;
            case dispid::Caption:
                StringProperty(
                    call, [&] { return c.Caption(); },
                    [&](const std::u16string& v) { c.SetCaption(v); });
                return true;
            case dispid::TooltipText:
                StringProperty(
                    call, [&] { return c.TooltipText(); },
                    [&](const std::u16string& v) { c.SetTooltipText(v); });
                return true;
            case dispid::Width:
                IntProperty(
                    call, [&] { return c.Width(); }, [&](std::int32_t v) { c.SetWidth(v); });
                return true;
            default:
                return false;
        }
    }

  private:
    // Office's Move takes the destination bar as an object and refuses anything else,
    // a bar's name included.
    static std::shared_ptr<host::CommandBar> barArg(const Call& call) {
        if (!call.arg(0)) {
            return nullptr;
        }
        const ComPtr<IUnknown> object = call.optObject(0);
        auto* ours = object
                         ? dynamic_cast<CommandBarObject*>(DispatchBase::FromUnknown(object.get()))
                         : nullptr;
        if (!ours || !ours->bar()) {
            throw ArgumentError(DISP_E_TYPEMISMATCH, 0, "the bar is not a command bar");
        }
        return ours->bar();
    }
};

class ButtonObject final : public ControlObject<host::CommandBarButton> {
  public:
    ButtonObject(Server& server, std::shared_ptr<host::CommandBarButton> object)
        : ControlObject(server, std::move(object), "CommandBarButton",
                        {dispid::Style, dispid::Picture, dispid::Mask}) {
        addConnectionPoint(DIID_CommandBarButtonEvents, [this](const ComPtr<IDispatch>& client) {
            auto events = std::make_shared<host::CommandBarButtonEvents>();
            Server* host = &server_;
            events->Click = [host, client](const std::shared_ptr<host::CommandBarButton>& ctrl,
                                           bool& cancelDefault) {
                const ComPtr<IDispatch> used = host->wrap(ctrl);
                VARIANT_BOOL flag = cancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
                FireEvent(client.get(), kDispClick, {used.get(), win32::Variant::ByRef(&flag)});
                cancelDefault = flag != VARIANT_FALSE;
            };
            return object_->Advise(std::move(events));
        });
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        if (invokeCommon(id, call)) {
            return;
        }
        RequirePut(call);
        if (id == dispid::Style) {
            object_->SetStyle(call.valueInt());
            return;
        }
        const std::shared_ptr<host::Picture> picture =
            call.valueObject() ? std::make_shared<ForeignPicture>() : nullptr;
        if (id == dispid::Picture) {
            object_->SetPicture(picture);
        } else {
            object_->SetMask(picture);
        }
    }
};

class ComboBoxObject final : public ControlObject<host::CommandBarComboBox> {
  public:
    ComboBoxObject(Server& server, std::shared_ptr<host::CommandBarComboBox> object)
        : ControlObject(server, std::move(object), "CommandBarComboBox",
                        {dispid::Style, dispid::DropDownLines, dispid::ListCount, dispid::ListIndex,
                         dispid::List, dispid::Text, dispid::Clear, dispid::AddItem}) {
        addConnectionPoint(DIID_CommandBarComboBoxEvents, [this](const ComPtr<IDispatch>& client) {
            auto events = std::make_shared<host::CommandBarComboBoxEvents>();
            Server* host = &server_;
            events->Change = [host, client](const std::shared_ptr<host::CommandBarComboBox>& ctrl) {
                const ComPtr<IDispatch> used = host->wrap(ctrl);
                FireEvent(client.get(), kDispChange, {used.get()});
            };
            return object_->Advise(std::move(events));
        });
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        if (invokeCommon(id, call)) {
            return;
        }
        host::CommandBarComboBox& c = *object_;
        switch (id) {
            case dispid::Style:
                RequirePut(call);
                return c.SetStyle(call.valueInt());
            case dispid::DropDownLines:
                RequirePut(call);
                return c.SetDropDownLines(call.valueInt());
            case dispid::ListCount:
                RequireGet(call);
                return call.result(c.ListCount());
            case dispid::ListIndex:
                return IntProperty(
                    call, [&] { return c.ListIndex(); },
                    [&](std::int32_t v) { c.SetListIndex(v); });
            case dispid::List:
                RequireGet(call);
                return call.result(std::u16string_view(c.List(call.requiredInt(0))));
            case dispid::Text:
                return StringProperty(
                    call, [&] { return c.Text(); }, [&](const std::u16string& v) { c.SetText(v); });
            case dispid::Clear:
                RequireGet(call);
                return c.Clear();
            default:
                RequireGet(call);
                return c.AddItem(call.requiredString(0), call.optInt(1));
        }
    }
};

// ---- The add-in's own COMAddIn object -------------------------------------------------

class AddInObject final : public DispatchBase {
  public:
    AddInObject(ObjectRegistry& registry, std::u16string progId, std::u16string description)
        : DispatchBase(registry, "COMAddIn"),
          progId_(std::move(progId)),
          description_(std::move(description)) {}
    const void* key() const override { return this; }

  protected:
    bool hasMember(DISPID id) const noexcept override {
        return id == dispid::ProgId || id == dispid::Description || id == dispid::Connect;
    }
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::ProgId) {
            call.result(std::u16string_view(progId_));
        } else if (id == dispid::Description) {
            call.result(std::u16string_view(description_));
        } else {
            call.result(true);
        }
    }

  private:
    std::u16string progId_;
    std::u16string description_;
};

}  // namespace

ComPtr<IDispatch> Server::wrap(const std::shared_ptr<host::Object>& object) {
    if (!object) {
        return {};
    }
    const void* key = dynamic_cast<const void*>(object.get());
    if (const auto it = cache_.find(key); it != cache_.end()) {
        return ComPtr<IDispatch>(static_cast<IDispatch*>(it->second));
    }
    using Maker = ComPtr<DispatchBase> (*)(Server&, const std::shared_ptr<host::Object>&);
    static constexpr Maker kMakers[] = {
        MakeIf<ApplicationObject, host::Application>,
        MakeIf<ExplorersObject, host::Explorers>,
        MakeIf<ExplorerObject, host::Explorer>,
        MakeIf<SelectionObject, host::Selection>,
        MakeIf<InspectorObject, host::Inspector>,
        MakeIf<NameSpaceObject, host::NameSpace>,
        MakeIf<FolderObject, host::MAPIFolder>,
        MakeMailObject,  // before ItemObject: a mail is an item with members of its own
        MakeIf<ItemObject, host::Item>,
        MakeIf<CommandBarsObject, host::CommandBars>,
        MakeIf<CommandBarObject, host::CommandBar>,
        MakeIf<ControlsObject, host::CommandBarControls>,
        MakeIf<ButtonObject, host::CommandBarButton>,
        MakeIf<ComboBoxObject, host::CommandBarComboBox>,
        MakeRibbonObject,
    };
    for (Maker make : kMakers) {
        if (ComPtr<DispatchBase> created = make(*this, object)) {
            cache_.emplace(key, created.get());
            return ComPtr<IDispatch>(std::move(created));
        }
    }
    throw Error(E_NOINTERFACE, "the host has no COM object for this kind of object");
}

ComPtr<IDispatch> Server::makeAddInObject(const std::u16string& progId,
                                          const std::u16string& description) {
    return win32::com::Make<AddInObject>(registry_, progId, description);
}

}  // namespace tessaly::standin
