// The Office ribbon as the add-in meets it: the objects Office hands to the add-in's ribbon
// callbacks (IRibbonUI, IRibbonControl), and what Office asks of the add-in
// (IRibbonExtensibility.GetCustomUI and the callbacks that the ribbon XML names).
//
// Office finds a callback by the name written in the XML (through IDispatch::GetIDsOfNames
// on the connect object) and calls it with arguments that depend on the attribute naming it.
// The add-in therefore publishes its callbacks as a table of names, each with one typed
// signature per kind of attribute; a COM adapter can expose exactly that table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "host/object.h"
#include "host/office.h"

namespace tessaly::host {

// The ribbon's IRibbonUI, given to onLoad. One serves every window of its kind; Office then
// calls the value callbacks again for the invalidated controls, in each window.
class RibbonUI : public Object {
  public:
    virtual void Invalidate() = 0;
    virtual void InvalidateControl(const String& controlId) = 0;
};

// What a control's Context is: the Explorer of an Explorer's ribbon, the Selection an item's
// context menu was opened on, the Inspector of an open item's ribbon.
enum class ContextKind { Explorer, Selection, Inspector };

// The IRibbonControl a callback receives: the control's id, the window it is in (its Context)
// and the control's tag attribute.
class RibbonControl : public Object {
  public:
    virtual String Id() = 0;
    virtual std::shared_ptr<Object> Context() = 0;
    // The Context as the kind the control's place makes it. A host whose objects know their
    // own kind gives the Context itself; a late-bound one must be told what to see it as.
    virtual std::shared_ptr<Object> ContextAs(ContextKind) { return Context(); }
    virtual String Tag() = 0;
};

using RibbonControlRef = std::shared_ptr<RibbonControl>;

// One signature per kind of callback attribute.
struct RibbonCallback {
    // onLoad of customUI.
    using Load = std::function<void(const std::shared_ptr<RibbonUI>& ribbon)>;
    // onAction of a button.
    using Action = std::function<void(const RibbonControlRef& control)>;
    // onChange of a comboBox or editBox: the text the user confirmed or picked.
    using Change = std::function<void(const RibbonControlRef& control, const String& text)>;
    // getText, getLabel, getScreentip, getKeytip, ...
    using GetString = std::function<String(const RibbonControlRef& control)>;
    // getEnabled, getVisible, ...
    using GetBool = std::function<bool(const RibbonControlRef& control)>;
    // getItemCount.
    using GetCount = std::function<std::int32_t(const RibbonControlRef& control)>;
    // getItemLabel, getItemID: the item's 0-based index.
    using GetItemString =
        std::function<String(const RibbonControlRef& control, std::int32_t index)>;
    // getImage: a picture object (IPictureDisp).
    using GetImage = std::function<std::shared_ptr<Picture>(const RibbonControlRef& control)>;

    using Any =
        std::variant<Load, Action, Change, GetString, GetBool, GetCount, GetItemString, GetImage>;

    String name;  // as written in the XML
    Any call;
};

// What Office asks of the add-in for its ribbon.
class RibbonExtensibility {
  public:
    virtual ~RibbonExtensibility() = default;
    // The customUI XML for one kind of window ("Microsoft.Outlook.Explorer", ...); empty for
    // a kind the add-in does not customise.
    virtual String GetCustomUI(const String& ribbonId) = 0;
    // Every callback the XML may name. A position in the table never changes, so that it can
    // serve as a dispatch identifier.
    virtual const std::vector<RibbonCallback>& Callbacks() const = 0;
};

// The ribbon ids of Outlook's Explorer windows, of an open contact and of an open received
// mail.
inline constexpr char16_t kExplorerRibbonId[] = u"Microsoft.Outlook.Explorer";
inline constexpr char16_t kContactRibbonId[] = u"Microsoft.Outlook.Contact";
inline constexpr char16_t kMailReadRibbonId[] = u"Microsoft.Outlook.Mail.Read";
// The namespace of the customUI schema of Office 2010 and later.
inline constexpr char16_t kCustomUINamespace2009[] =
    u"http://schemas.microsoft.com/office/2009/07/customui";

}  // namespace tessaly::host
