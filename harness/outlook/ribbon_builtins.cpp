// Office's own tabs, groups and context menus that an add-in's customisation may name by idMso,
// as far as the model knows them. Office reports any other idMso as unknown.
#include <algorithm>

#include "harness/outlook/ribbon_internal.h"

namespace tessaly::host::sim {

namespace {

using Names = std::vector<std::u16string_view>;

struct BuiltIn {
    std::u16string_view ribbonId;
    std::u16string_view idMso;
    Names children;  // a tab's groups, a context menu's controls
};

constexpr std::u16string_view kExplorer = u"Microsoft.Outlook.Explorer";

const std::vector<BuiltIn>& Tabs() {
    static const std::vector<BuiltIn> tabs = {
        {kExplorer,
         u"TabMail",
         {u"GroupMailNew", u"GroupMailDelete", u"GroupMailRespond", u"GroupQuickSteps",
          u"GroupMailMove"}},
        {kExplorer, u"TabContacts", {u"GroupContactsNew", u"GroupCommunicate"}},
        {u"Microsoft.Outlook.Contact",
         u"TabContact",
         {u"GroupActions", u"GroupShow", u"GroupCommunicate"}},
        {u"Microsoft.Outlook.Mail.Read",
         u"TabReadMessage",
         {u"GroupRespond", u"GroupQuickSteps", u"GroupMove"}},
    };
    return tabs;
}

// Context menus belong to the Explorer's customisation.
const std::vector<BuiltIn>& ContextMenus() {
    static const std::vector<BuiltIn> menus = {
        {kExplorer, u"ContextMenuContactItem", {u"Copy", u"QuickPrint", u"DialMenu"}},
        {kExplorer, u"ContextMenuFlaggedContactItem", {u"Copy", u"QuickPrint", u"DialMenu"}},
        {kExplorer,
         u"ContextMenuMailItem",
         {u"Copy", u"QuickPrint", u"Reply", u"ReplyAll", u"Forward"}},
        {kExplorer,
         u"ContextMenuFlaggedMailItem",
         {u"Copy", u"QuickPrint", u"Reply", u"ReplyAll", u"Forward"}},
    };
    return menus;
}

const BuiltIn* Find(const std::vector<BuiltIn>& table, std::u16string_view ribbonId,
                    std::u16string_view idMso) {
    const auto found = std::find_if(table.begin(), table.end(), [&](const BuiltIn& b) {
        return b.ribbonId == ribbonId && b.idMso == idMso;
    });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace

const std::vector<std::u16string_view>* BuiltInGroups(std::u16string_view ribbonId,
                                                      std::u16string_view tab) {
    const BuiltIn* found = Find(Tabs(), ribbonId, tab);
    return found ? &found->children : nullptr;
}

bool HasBuiltInTab(std::u16string_view ribbonId, std::u16string_view tab) {
    return Find(Tabs(), ribbonId, tab) != nullptr;
}

const std::vector<std::u16string_view>* BuiltInContextMenu(std::u16string_view ribbonId,
                                                           std::u16string_view idMso) {
    const BuiltIn* found = Find(ContextMenus(), ribbonId, idMso);
    return found ? &found->children : nullptr;
}

String ContextMenuFor(std::u16string_view itemType, bool flagged) {
    if (itemType == u"ContactItem") {
        return flagged ? u"ContextMenuFlaggedContactItem" : u"ContextMenuContactItem";
    }
    if (itemType == u"MailItem") {
        return flagged ? u"ContextMenuFlaggedMailItem" : u"ContextMenuMailItem";
    }
    return {};
}

}  // namespace tessaly::host::sim
