// The customUI XML: the "Brindle" group on the Home tabs of the Mail and Contacts modules,
// a "Dial" menu in a contact's and a mail's right-click menus, and a "Dial" menu in the group
// of an open contact and of an open mail; dressed from the same string table as the toolbar.
#include <string_view>

#include "explorer/ribbon_definition.h"
#include "explorer/xml_text.h"
#include "host/ribbon.h"
#include "platform/case_fold.h"

namespace tessaly::explorer {
namespace {

using String = std::u16string;
namespace cb = ribbon_callbacks;

// Where an element of the add-in's stands among Office's: the tab or menu (idMso), the
// element of Office's it follows (nothing: at the end), and the suffix of its ids, since ids
// are unique across a customUI document.
struct Place {
    const char16_t* idMso;
    const char16_t* after;
    const char16_t* suffix;
};

// The group on each Home tab, after the group Outlook's own call command is in.
constexpr Place kHomeTabs[] = {
    {u"TabMail", u"GroupMailRespond", u"_Mail"},
    {u"TabContacts", u"GroupCommunicate", u"_Contacts"},
};

// The right-click menus of an item that get a dial menu; after Outlook's own where it has one.
constexpr Place kContextMenus[] = {
    {u"ContextMenuContactItem", u"DialMenu", u"_ContactItem"},
    {u"ContextMenuFlaggedContactItem", nullptr, u"_FlaggedContactItem"},
    {u"ContextMenuMailItem", nullptr, u"_MailItem"},
    {u"ContextMenuFlaggedMailItem", nullptr, u"_FlaggedMailItem"},
};

// The open item's windows that get a group with a dial menu, after their own respond or
// communicate group.
constexpr Place kContactTab = {u"TabContact", u"GroupCommunicate", u"_Contact"};
constexpr Place kReadMessageTab = {u"TabReadMessage", u"GroupRespond", u"_Message"};

// A toolbar caption marks its access key with "&" ("&&" is an ampersand). The ribbon shows
// the label without the marks and offers the marked letter as the key tip.
struct Caption {
    String label;
    String keytip;
};

Caption SplitCaption(std::u16string_view caption) {
    Caption out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&' || i + 1 == caption.size()) {
            out.label.push_back(caption[i]);
            continue;
        }
        const char16_t next = caption[++i];
        out.label.push_back(next);
        if (next != u'&' && out.keytip.empty()) {
            out.keytip.push_back(platform::upperAscii(next));
        }
    }
    return out;
}

// The toolbar builds a button only when it has a caption, or both a face and a mask.
bool Dressed(const softphone::ButtonInfo& button) {
    return !button.sCaption.empty() || (button.iPictureId != 0 && button.iMaskId != 0);
}

bool HasFace(const softphone::ButtonInfo& button) {
    return button.iPictureId != 0 && button.iPictureId != -1;
}

String Image(const softphone::ButtonInfo& info) {
    return HasFace(info) ? XmlAttribute(u"getImage", cb::kGetImage)
                         : XmlAttribute(u"showImage", u"false");
}

String Button(const String& id, const softphone::ButtonInfo& info) {
    const Caption caption = SplitCaption(info.sCaption);
    String xml = u"<button" + XmlAttribute(u"id", id) + XmlAttribute(u"label", caption.label);
    if (!caption.keytip.empty()) {
        xml += XmlAttribute(u"keytip", caption.keytip);
    }
    if (!info.sTooltipText.empty()) {
        xml += XmlAttribute(u"screentip", info.sTooltipText);
    }
    return xml + Image(info) + XmlAttribute(u"getEnabled", cb::kGetEnabled) +
           XmlAttribute(u"onAction", cb::kOnAction) + u"/>";
}

String ComboBox(const String& id, const softphone::Common& common) {
    String xml = u"<comboBox" + XmlAttribute(u"id", id) +
                 XmlAttribute(u"label", common.sEnterNumberText) +
                 XmlAttribute(u"showLabel", u"false");
    if (!common.sEnterNumberText.empty()) {
        xml += XmlAttribute(u"screentip", common.sEnterNumberText);
    }
    // About as wide as the toolbar's combo box (220 pixels).
    return xml + XmlAttribute(u"sizeString", u"+00 (000) 0000 0000 0000") +
           XmlAttribute(u"getText", cb::kGetText) +
           XmlAttribute(u"getItemCount", cb::kGetItemCount) +
           XmlAttribute(u"getItemLabel", cb::kGetItemLabel) +
           XmlAttribute(u"getItemID", cb::kGetItemID) + XmlAttribute(u"onChange", cb::kOnChange) +
           u"/>";
}

// The group's controls, their ids ending in `suffix`.
String GroupControls(const softphone::Common& common, const String& suffix,
                     std::array<String, kToolbarControls.size()>& ids) {
    String controls;
    for (const RibbonItem item : kRibbonItems) {
        const ToolbarControlInfo& control = InfoOf(item);
        const String id = common.sTagPrefix + control.suffix + suffix;
        ids[static_cast<std::size_t>(item)] = id;
        if (control.type == host::msoControlComboBox) {
            controls += ComboBox(id, common);
        } else if (const auto& info = common.Button(control.buttonRow); Dressed(info)) {
            controls += Button(id, info);
        }
    }
    return controls;
}

String GroupName(const softphone::Common& common) {
    return common.sToolbarName.empty() ? String(u"Brindle") : common.sToolbarName;
}

// A dial menu: its entries are asked for at every drop, so that they are the item's numbers
// as they stand then. `label` is the static label or the getLabel callback.
String DialMenu(const String& id, const softphone::Common& common, const String& label,
                const String& placement) {
    String xml = u"<dynamicMenu" + XmlAttribute(u"id", id) + label + placement;
    if (!common.sDialMenuScreentip.empty()) {
        xml += XmlAttribute(u"screentip", common.sDialMenuScreentip);
    }
    return xml + Image(common.Button(InfoOf(RibbonItem::Dial).buttonRow)) +
           XmlAttribute(u"getContent", cb::kGetContent) +
           XmlAttribute(u"invalidateContentOnDrop", u"true") + u"/>";
}

String CustomUI(const String& ribbon, const String& contextMenus = {}) {
    return String(u"<customUI") + XmlAttribute(u"xmlns", host::kCustomUINamespace2009) +
           XmlAttribute(u"onLoad", cb::kOnLoad) + u"><ribbon><tabs>" + ribbon +
           u"</tabs></ribbon>" + contextMenus + u"</customUI>";
}

// The "Brindle" group holding `controls` on one of Office's tabs.
String GroupOnTab(const softphone::Common& common, const Place& tab, const String& controls) {
    return u"<tab" + XmlAttribute(u"idMso", tab.idMso) + u"><group" +
           XmlAttribute(u"id", common.sTagPrefix + u"_Group" + tab.suffix) +
           XmlAttribute(u"label", GroupName(common)) + XmlAttribute(u"insertAfterMso", tab.after) +
           u">" + controls + u"</group></tab>";
}

String ExplorerTabs(const softphone::Common& common, RibbonDefinition& definition) {
    String tabs;
    for (const Place& tab : kHomeTabs) {
        auto& ids = definition.groupIds.emplace_back();
        tabs += GroupOnTab(common, tab, GroupControls(common, tab.suffix, ids));
    }
    return tabs;
}

String ContextMenus(const softphone::Common& common, RibbonDefinition& definition) {
    String menus;
    for (const Place& menu : kContextMenus) {
        const String id = common.sTagPrefix + u"_DialMenu" + menu.suffix;
        definition.contextMenuIds.push_back(id);
        const String placement =
            menu.after ? XmlAttribute(u"insertAfterMso", menu.after) : String{};
        menus += u"<contextMenu" + XmlAttribute(u"idMso", menu.idMso) + u">" +
                 DialMenu(id, common, XmlAttribute(u"label", common.sDialMenuLabel), placement) +
                 u"</contextMenu>";
    }
    return u"<contextMenus>" + menus + u"</contextMenus>";
}

// One menu id serves every open item's window: each answers for its own Inspector.
String InspectorGroup(const softphone::Common& common, const Place& tab, const String& menuId) {
    return GroupOnTab(common, tab,
                      DialMenu(menuId, common, XmlAttribute(u"getLabel", cb::kGetLabel),
                               XmlAttribute(u"size", u"large")));
}

}  // namespace

RibbonDefinition BuildRibbonDefinition(const softphone::Common& common) {
    RibbonDefinition definition;
    const String tabs = ExplorerTabs(common, definition);
    definition.explorerXml = CustomUI(tabs, ContextMenus(common, definition));
    definition.inspectorMenuId = common.sTagPrefix + u"_DialMenu_Inspector";
    definition.contactXml =
        CustomUI(InspectorGroup(common, kContactTab, definition.inspectorMenuId));
    definition.readMailXml =
        CustomUI(InspectorGroup(common, kReadMessageTab, definition.inspectorMenuId));
    return definition;
}

std::optional<RibbonControlRole> RibbonDefinition::RoleOf(const std::u16string& id) const {
    for (const auto& copy : groupIds) {
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (copy[i] == id) {
                return RibbonControlRole{RibbonPlace::Group, kToolbarControls[i].control};
            }
        }
    }
    for (const auto& menu : contextMenuIds) {
        if (menu == id) {
            return RibbonControlRole{RibbonPlace::ContextMenu, RibbonItem::Dial};
        }
    }
    if (id == inspectorMenuId) {
        return RibbonControlRole{RibbonPlace::InspectorMenu, RibbonItem::Dial};
    }
    return std::nullopt;
}

std::optional<RibbonControlRole> RibbonDefinition::MenuOfEntry(
    const std::u16string& entryId) const {
    const auto separator = entryId.rfind(u'_');
    if (separator == std::u16string::npos) {
        return std::nullopt;
    }
    const auto role = RoleOf(entryId.substr(0, separator));
    if (role && role->place != RibbonPlace::Group) {
        return role;
    }
    return std::nullopt;
}

}  // namespace tessaly::explorer
