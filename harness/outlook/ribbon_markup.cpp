// Reading a customisation as Office does. First the document is checked against the part of
// the customUI schema the model knows (any breach, a repeated id or a missing required
// attribute ignores the document whole); then it is taken in: an idMso Office does not know
// leaves that element out, and the callbacks of what is kept are resolved by name.
#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "harness/outlook/internal.h"
#include "harness/outlook/ribbon_internal.h"

namespace tessaly::host::sim {
namespace {

using Names = std::vector<std::u16string_view>;

constexpr char16_t kCustomUINamespace2006[] =
    u"http://schemas.microsoft.com/office/2006/01/customui";

// The attribute sets the schema's elements share.
enum AttributeSet : unsigned {
    kIdentity = 1,  // id, idMso, idQ, tag
    kLabels = 2,    // label, keytip, screentip, supertip, visible, and their callbacks
    kPosition = 4,  // insertAfterMso, insertBeforeMso, insertAfterQ, insertBeforeQ
    kControl = 8,   // enabled, image, showImage, showLabel, description, and their callbacks
    kSize = 16,     // size, getSize: only a control in a group, not one in a menu
};

const Names& SetNames(AttributeSet set) {
    static const Names identity = {u"id", u"idMso", u"idQ", u"tag"};
    static const Names labels = {u"label",     u"getLabel",     u"keytip",   u"getKeytip",
                                 u"screentip", u"getScreentip", u"supertip", u"getSupertip",
                                 u"visible",   u"getVisible"};
    static const Names position = {u"insertAfterMso", u"insertBeforeMso", u"insertAfterQ",
                                   u"insertBeforeQ"};
    static const Names control = {u"enabled",      u"getEnabled",  u"image",         u"imageMso",
                                  u"getImage",     u"showImage",   u"getShowImage",  u"showLabel",
                                  u"getShowLabel", u"description", u"getDescription"};
    static const Names size = {u"size", u"getSize"};
    switch (set) {
        case kIdentity:
            return identity;
        case kLabels:
            return labels;
        case kPosition:
            return position;
        case kControl:
            return control;
        default:
            return size;
    }
}

struct ElementRule {
    std::u16string_view name;
    Names children;
    unsigned sets;
    Names attributes;  // beyond the sets
};

// The elements of the customUI schema that the model knows, with their children and
// attributes; anything else makes a document invalid, as schema validation does in Office.
// `menu` is the root of a dynamic menu's content.
const std::vector<ElementRule>& Rules() {
    constexpr unsigned kCommon = kIdentity | kLabels | kPosition;
    static const std::vector<ElementRule> rules = {
        {u"customUI", {u"ribbon", u"contextMenus"}, 0, {u"onLoad", u"loadImage"}},
        {u"ribbon", {u"tabs"}, 0, {u"startFromScratch"}},
        {u"tabs", {u"tab"}, 0, {}},
        {u"tab", {u"group"}, kCommon, {}},
        {u"group",
         {u"button", u"comboBox", u"separator", u"dynamicMenu"},
         kCommon,
         {u"image", u"imageMso", u"getImage"}},
        {u"button", {}, kCommon | kControl | kSize, {u"onAction"}},
        {u"comboBox",
         {u"item"},
         kCommon | kControl,
         {u"sizeString", u"maxLength", u"getText", u"onChange", u"getItemCount", u"getItemLabel",
          u"getItemID", u"getItemImage", u"getItemScreentip", u"getItemSupertip", u"showItemImage",
          u"showItemLabel"}},
        {u"item", {}, 0, {u"id", u"label", u"image", u"imageMso"}},
        {u"separator", {}, 0, {u"id", u"visible"}},
        {u"dynamicMenu",
         {},
         kCommon | kControl | kSize,
         {u"getContent", u"invalidateContentOnDrop"}},
        {u"contextMenus", {u"contextMenu"}, 0, {}},
        {u"contextMenu", {u"button", u"dynamicMenu", u"menuSeparator"}, 0, {u"idMso"}},
        {u"menuSeparator", {}, kPosition, {u"id", u"idQ", u"tag", u"title", u"getTitle"}},
        {u"menu", {u"button", u"menuSeparator"}, 0, {u"itemSize"}},
    };
    return rules;
}

const ElementRule* RuleFor(std::u16string_view name) {
    for (const ElementRule& rule : Rules()) {
        if (rule.name == name) {
            return &rule;
        }
    }
    return nullptr;
}

bool In(const Names& list, std::u16string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool Allowed(const ElementRule& rule, std::u16string_view attribute, std::u16string_view parent) {
    if (In(rule.attributes, attribute)) {
        return true;
    }
    for (const AttributeSet set : {kIdentity, kLabels, kPosition, kControl, kSize}) {
        const bool applies = (rule.sets & set) != 0 && (set != kSize || parent == u"group");
        if (applies && In(SetNames(set), attribute)) {
            return true;
        }
    }
    return false;
}

bool IsNamespaceDeclaration(std::u16string_view name) {
    return name == u"xmlns" || name.starts_with(u"xmlns:");
}

std::u16string_view LocalName(std::u16string_view name) {
    const auto colon = name.find(u':');
    return colon == std::u16string_view::npos ? name : name.substr(colon + 1);
}

String AttributeOf(const XmlElement& element, std::u16string_view name) {
    for (const auto& [n, v] : element.attributes) {
        if (n == name) {
            return v;
        }
    }
    return {};
}

bool HasAttribute(const XmlElement& element, std::u16string_view name) {
    return std::any_of(element.attributes.begin(), element.attributes.end(),
                       [&](const auto& a) { return a.first == name; });
}

std::string Utf8(std::u16string_view text) {
    return platform::toPrintableUtf8(text);
}

// Checks a document (or a dynamic menu's content) against the rules; throws XmlError for
// anything that makes Office ignore it whole.
class Validator {
  public:
    explicit Validator(std::u16string_view root) : root_(root) {}

    void Check(const XmlElement& element, std::map<String, String> namespaces,
               std::u16string_view parent) {
        const String ns = Namespace(element, namespaces);
        const std::u16string_view local = LocalName(element.name);
        const ElementRule* rule = RuleFor(local);
        if (rule == nullptr || parent.empty() != (local == root_)) {
            throw XmlError("unexpected element " + Utf8(element.name));
        }
        if (local == u"contextMenus" && ns != kCustomUINamespace2009) {
            throw XmlError("contextMenus needs the customUI namespace of 2009");
        }
        for (const auto& [name, value] : element.attributes) {
            if (!IsNamespaceDeclaration(name) && !Allowed(*rule, name, parent)) {
                throw XmlError("element " + Utf8(element.name) + " has no attribute " + Utf8(name));
            }
            if (name == u"id" && !ids.insert(value).second) {
                throw XmlError("the id " + Utf8(value) + " is used twice");
            }
        }
        Required(element, local);
        for (const XmlElement& child : element.children) {
            if (!In(rule->children, LocalName(child.name))) {
                throw XmlError("element " + Utf8(child.name) + " cannot be inside " +
                               Utf8(element.name));
            }
            Check(child, namespaces, local);
        }
    }

    std::set<String> ids;

  private:
    // Takes in the element's namespace declarations; the element's own namespace.
    static String Namespace(const XmlElement& element, std::map<String, String>& namespaces) {
        std::set<String> seen;
        for (const auto& [name, value] : element.attributes) {
            if (!seen.insert(name).second) {
                throw XmlError("element " + Utf8(element.name) + " repeats attribute " +
                               Utf8(name) + " (not well-formed)");
            }
            if (name == u"xmlns") {
                namespaces[u""] = value;
            } else if (name.starts_with(u"xmlns:")) {
                namespaces[name.substr(6)] = value;
            }
        }
        const auto colon = element.name.find(u':');
        const String prefix = colon == String::npos ? String() : element.name.substr(0, colon);
        const auto ns = namespaces.find(prefix);
        if (ns == namespaces.end() ||
            (ns->second != kCustomUINamespace2009 && ns->second != kCustomUINamespace2006)) {
            throw XmlError("element " + Utf8(element.name) + " is not in the customUI namespace");
        }
        return ns->second;
    }

    // The attributes without which an element means nothing to Office.
    static void Required(const XmlElement& element, std::u16string_view local) {
        const bool control = local == u"button" || local == u"comboBox" || local == u"dynamicMenu";
        if (control && AttributeOf(element, u"id").empty()) {
            throw XmlError("a " + Utf8(local) + " without an id");
        }
        if ((local == u"tab" || local == u"group") && !HasAttribute(element, u"id") &&
            !HasAttribute(element, u"idMso") && !HasAttribute(element, u"idQ")) {
            throw XmlError("a " + Utf8(local) + " without an id or idMso");
        }
        if (local == u"contextMenu" && AttributeOf(element, u"idMso").empty()) {
            throw XmlError("a contextMenu without an idMso");
        }
        if (local == u"dynamicMenu" && !HasAttribute(element, u"getContent")) {
            throw XmlError("dynamicMenu " + Utf8(AttributeOf(element, u"id")) +
                           " has no getContent");
        }
    }

    std::u16string_view root_;
};

template <class Kind, class... Kinds>
constexpr std::size_t IndexIn(const std::variant<Kinds...>*) {
    std::size_t index = 0;
    (void)((std::is_same_v<Kind, Kinds> || (++index, false)) || ...);
    return index;
}
template <class Kind>
constexpr std::size_t kKind = IndexIn<Kind>(static_cast<const RibbonCallback::Any*>(nullptr));

// The callback kind an attribute needs (its index in RibbonCallback::Any), or nothing for a
// callback the model resolves but never calls.
std::optional<std::size_t> KindOf(std::u16string_view attribute) {
    using C = RibbonCallback;
    static const std::array<std::pair<std::u16string_view, std::size_t>, 15> kinds = {{
        {u"onLoad", kKind<C::Load>},
        {u"onAction", kKind<C::Action>},
        {u"onChange", kKind<C::Change>},
        {u"getText", kKind<C::GetString>},
        {u"getLabel", kKind<C::GetString>},
        {u"getKeytip", kKind<C::GetString>},
        {u"getScreentip", kKind<C::GetString>},
        {u"getSupertip", kKind<C::GetString>},
        {u"getContent", kKind<C::GetString>},
        {u"getEnabled", kKind<C::GetBool>},
        {u"getVisible", kKind<C::GetBool>},
        {u"getItemCount", kKind<C::GetCount>},
        {u"getItemLabel", kKind<C::GetItemString>},
        {u"getItemID", kKind<C::GetItemString>},
        {u"getImage", kKind<C::GetImage>},
    }};
    for (const auto& [name, kind] : kinds) {
        if (name == attribute) {
            return kind;
        }
    }
    return std::nullopt;
}

bool IsCallbackAttribute(std::u16string_view name) {
    return name.starts_with(u"on") || name.starts_with(u"get") || name == u"loadImage";
}

// The element's callbacks found in the add-in. One that is missing, or whose signature does
// not fit the attribute, is an add-in error and leaves the element without it.
std::map<String, RibbonCallback::Any> Resolve(const XmlElement& element, const String& owner,
                                              RibbonAddin& addin,
                                              std::vector<std::string>& errors) {
    std::map<String, RibbonCallback::Any> found;
    for (const auto& [attribute, name] : element.attributes) {
        if (!IsCallbackAttribute(attribute)) {
            continue;
        }
        const std::string where = Utf8(attribute) + "=\"" + Utf8(name) + "\" of " + Utf8(owner);
        RibbonAddin::FoundCallback callback;
        try {
            callback = addin.FindCallback(name, KindOf(attribute));
        } catch (const std::exception&) {
            // As a name the add-in does not know.
        }
        switch (callback.lookup) {
            case RibbonAddin::Lookup::NoSuchName:
                errors.push_back(where + ": the add-in has no callback of that name");
                break;
            case RibbonAddin::Lookup::WrongSignature:
                errors.push_back(where + ": the callback has the wrong signature");
                break;
            case RibbonAddin::Lookup::Found:
                if (callback.call) {
                    found.emplace(attribute, std::move(*callback.call));
                }
                break;
        }
    }
    return found;
}

RibbonControlDefinition Define(const XmlElement& element, RibbonAddin& addin,
                               std::vector<std::string>& errors) {
    RibbonControlDefinition control;
    control.id = AttributeOf(element, u"id");
    control.type = String(LocalName(element.name));
    control.tag = AttributeOf(element, u"tag");
    for (const auto& [name, value] : element.attributes) {
        if (!IsCallbackAttribute(name) && !IsNamespaceDeclaration(name)) {
            control.attributes[name] = value;
        }
    }
    control.callbacks = Resolve(element, control.id, addin, errors);
    return control;
}

// Takes in a checked document: its groups and context menus, each control with its callbacks.
class Builder {
  public:
    Builder(const String& ribbonId, RibbonAddin& addin, std::vector<std::string>& errors)
        : addin_(addin), errors_(errors) {
        document.ribbonId = ribbonId;
    }

    void Root(const XmlElement& root) {
        const auto callbacks = Resolve(root, String(LocalName(root.name)), addin_, errors_);
        if (const auto onLoad = callbacks.find(u"onLoad"); onLoad != callbacks.end()) {
            if (const auto* load = std::get_if<RibbonCallback::Load>(&onLoad->second)) {
                document.onLoad = *load;
            }
        }
        for (const XmlElement& part : root.children) {
            for (const XmlElement& list : part.children) {
                if (LocalName(list.name) == u"contextMenu") {
                    ContextMenu(list);
                    continue;
                }
                for (const XmlElement& tab : list.children) {  // ribbon > tabs > tab
                    Tab(tab);
                }
            }
        }
    }

    RibbonDocument document;

  private:
    void Tab(const XmlElement& tab) {
        static const Names none;
        const String idMso = AttributeOf(tab, u"idMso");
        const Names* groups = nullptr;
        if (!idMso.empty()) {
            groups = BuiltInGroups(document.ribbonId, idMso);
            if (!groups) {
                return Unknown(idMso, "idMso of a tab", "tab");
            }
        }
        const String name = idMso.empty() ? AttributeOf(tab, u"id") : idMso;
        if (!Placed(tab, Tabs(), "tab " + Utf8(name), "tab")) {
            return;
        }
        for (const XmlElement& group : tab.children) {
            Group(group, name, !idMso.empty(), AttributeOf(tab, u"label"), groups ? *groups : none);
        }
    }

    void Group(const XmlElement& element, const String& tab, bool builtInTab, const String& label,
               const Names& builtInGroups) {
        if (const String idMso = AttributeOf(element, u"idMso"); !idMso.empty()) {
            // One of Office's own groups: the model shows nothing of it.
            if (!In(builtInGroups, idMso)) {
                Unknown(idMso, "idMso of a group on tab " + Utf8(tab), "group");
            }
            return;
        }
        RibbonGroupDefinition group;
        group.tab = tab;
        group.builtInTab = builtInTab;
        group.tabLabel = label;
        group.id = AttributeOf(element, u"id");
        group.label = AttributeOf(element, u"label");
        if (!Placed(element, builtInGroups, "group " + Utf8(group.id), "group", &group.position)) {
            return;
        }
        for (const XmlElement& child : element.children) {
            if (LocalName(child.name) != u"separator") {
                Control(child, {}, group.controls);
            }
        }
        document.groups.push_back(std::move(group));
    }

    void ContextMenu(const XmlElement& element) {
        const String idMso = AttributeOf(element, u"idMso");
        const Names* builtIn = BuiltInContextMenu(document.ribbonId, idMso);
        if (!builtIn) {
            return Unknown(idMso, "idMso of a context menu", "context menu");
        }
        RibbonContextMenuDefinition menu{idMso, {}};
        for (const XmlElement& child : element.children) {
            if (LocalName(child.name) != u"menuSeparator") {
                Control(child, *builtIn, menu.controls);
            }
        }
        document.contextMenus.push_back(std::move(menu));
    }

    void Control(const XmlElement& element, const Names& builtIn, std::vector<std::size_t>& into) {
        const String id = AttributeOf(element, u"id");
        if (Placed(element, builtIn, Utf8(LocalName(element.name)) + " " + Utf8(id), "control")) {
            into.push_back(document.controls.size());
            document.controls.push_back(Define(element, addin_, errors_));
        }
    }

    // The element's insertAfterMso or insertBeforeMso names one of `known`, or it has none.
    bool Placed(const XmlElement& element, const Names& known, const std::string& what,
                const char* kind, String* position = nullptr) {
        for (const auto& [attribute, word] :
             {std::pair{u"insertAfterMso", "after "}, std::pair{u"insertBeforeMso", "before "}}) {
            if (!HasAttribute(element, attribute)) {
                continue;
            }
            const String anchor = AttributeOf(element, attribute);
            if (!In(known, anchor)) {
                Unknown(anchor, Utf8(attribute) + " of " + what, kind);
                return false;
            }
            if (position) {
                *position = platform::fromUtf8(word) + anchor;
            }
        }
        return true;
    }

    // The built-in tabs of this kind of window, as anchors of a tab.
    Names Tabs() const {
        Names tabs;
        for (const std::u16string_view tab :
             {u"TabMail", u"TabContacts", u"TabContact", u"TabReadMessage"}) {
            if (HasBuiltInTab(document.ribbonId, tab)) {
                tabs.push_back(tab);
            }
        }
        return tabs;
    }

    void Unknown(const String& idMso, const std::string& where, const char* kind) {
        errors_.push_back("the ribbon XML of " + Utf8(document.ribbonId) +
                          ": Unknown Office control ID \"" + Utf8(idMso) + "\" (" + where +
                          "): the " + kind + " is left out");
    }

    RibbonAddin& addin_;
    std::vector<std::string>& errors_;
};

}  // namespace

RibbonDocument ReadCustomUI(const XmlElement& root, const String& ribbonId, RibbonAddin& addin,
                            std::vector<std::string>& errors) {
    Validator validator(u"customUI");
    validator.Check(root, {}, {});
    Builder builder(ribbonId, addin, errors);
    builder.Root(root);
    builder.document.ids = std::move(validator.ids);
    return std::move(builder.document);
}

std::vector<RibbonControlDefinition> ReadMenuContent(const XmlElement& root, RibbonAddin& addin,
                                                     std::vector<std::string>& errors) {
    Validator validator(u"menu");
    validator.Check(root, {}, {});
    if (root.children.size() > kMaxMenuEntries) {
        throw XmlError("it has " + std::to_string(root.children.size()) + " entries, more than " +
                       std::to_string(kMaxMenuEntries));
    }
    std::vector<RibbonControlDefinition> entries;
    for (const XmlElement& child : root.children) {
        entries.push_back(Define(child, addin, errors));
    }
    return entries;
}

}  // namespace tessaly::host::sim
