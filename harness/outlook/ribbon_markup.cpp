// Reading a customisation as Office does: the customUI namespace, the part of the schema
// the model knows, unique ids, and the callbacks resolved by name.
#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "harness/outlook/internal.h"
#include "harness/outlook/ribbon.h"

namespace tessaly::host::sim {
namespace {

constexpr char16_t kCustomUINamespace2006[] =
    u"http://schemas.microsoft.com/office/2006/01/customui";

struct ElementRule {
    std::u16string_view name;
    std::vector<std::u16string_view> children;
    std::vector<std::u16string_view> attributes;
};

const std::vector<std::u16string_view> kCommon = {u"id",
                                                  u"idMso",
                                                  u"idQ",
                                                  u"tag",
                                                  u"label",
                                                  u"getLabel",
                                                  u"keytip",
                                                  u"getKeytip",
                                                  u"visible",
                                                  u"getVisible",
                                                  u"screentip",
                                                  u"getScreentip",
                                                  u"supertip",
                                                  u"getSupertip",
                                                  u"insertAfterMso",
                                                  u"insertBeforeMso"};
const std::vector<std::u16string_view> kControl = {
    u"enabled",   u"getEnabled",   u"image",     u"imageMso",     u"getImage",
    u"showImage", u"getShowImage", u"showLabel", u"getShowLabel", u"description"};

// The elements and attributes of the customUI schema that the model knows; anything else
// makes the document invalid, as schema validation does in Office.
const std::vector<ElementRule>& Rules() {
    static const std::vector<ElementRule> rules = {
        {u"customUI", {u"ribbon"}, {u"onLoad", u"loadImage"}},
        {u"ribbon", {u"tabs"}, {u"startFromScratch"}},
        {u"tabs", {u"tab"}, {}},
        {u"tab", {u"group"}, {}},
        {u"group", {u"button", u"comboBox", u"separator"}, {u"image", u"imageMso", u"getImage"}},
        {u"button", {}, {u"size", u"getSize", u"onAction"}},
        {u"comboBox",
         {u"item"},
         {u"sizeString", u"maxLength", u"getText", u"onChange", u"getItemCount", u"getItemLabel",
          u"getItemID", u"getItemImage", u"getItemScreentip", u"getItemSupertip", u"showItemImage",
          u"showItemLabel"}},
        {u"item", {}, {u"id", u"label", u"image", u"imageMso"}},
        {u"separator", {}, {u"id", u"visible"}},
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

bool Allowed(const ElementRule& rule, std::u16string_view attribute) {
    const auto in = [&](const std::vector<std::u16string_view>& list) {
        return std::find(list.begin(), list.end(), attribute) != list.end();
    };
    const bool control = rule.name == u"button" || rule.name == u"comboBox";
    const bool container = rule.name == u"tab" || rule.name == u"group" || control;
    return in(rule.attributes) || (container && in(kCommon)) || (control && in(kControl));
}

bool IsNamespaceDeclaration(std::u16string_view name) {
    return name == u"xmlns" || name.starts_with(u"xmlns:");
}

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
    static const std::array<std::pair<std::u16string_view, std::size_t>, 14> kinds = {{
        {u"onLoad", kKind<C::Load>},
        {u"onAction", kKind<C::Action>},
        {u"onChange", kKind<C::Change>},
        {u"getText", kKind<C::GetString>},
        {u"getLabel", kKind<C::GetString>},
        {u"getKeytip", kKind<C::GetString>},
        {u"getScreentip", kKind<C::GetString>},
        {u"getSupertip", kKind<C::GetString>},
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

class Reader {
  public:
    Reader(RibbonAddin& addin, std::vector<std::string>& errors) : addin_(addin), errors_(errors) {}

    // Throws XmlError when the document must be ignored whole.
    void Read(const XmlElement& element, std::map<String, String> namespaces) {
        std::set<String> seen;
        for (const auto& [name, value] : element.attributes) {
            if (!seen.insert(name).second) {
                throw XmlError("element " + platform::toPrintableUtf8(element.name) +
                               " repeats attribute " + platform::toPrintableUtf8(name) +
                               " (not well-formed)");
            }
            if (name == u"xmlns") {
                namespaces[u""] = value;
            } else if (name.starts_with(u"xmlns:")) {
                namespaces[name.substr(6)] = value;
            }
        }
        const auto colon = element.name.find(u':');
        const String prefix = colon == String::npos ? String() : element.name.substr(0, colon);
        const String local = colon == String::npos ? element.name : element.name.substr(colon + 1);
        const auto ns = namespaces.find(prefix);
        if (ns == namespaces.end() ||
            (ns->second != kCustomUINamespace2009 && ns->second != kCustomUINamespace2006)) {
            throw XmlError("element " + platform::toPrintableUtf8(element.name) +
                           " is not in the customUI namespace");
        }
        const ElementRule* rule = RuleFor(local);
        if (rule == nullptr || (depth_ == 0) != (local == u"customUI")) {
            throw XmlError("unexpected element " + platform::toPrintableUtf8(element.name));
        }
        for (const auto& [name, value] : element.attributes) {
            if (!IsNamespaceDeclaration(name) && !Allowed(*rule, name)) {
                throw XmlError("element " + platform::toPrintableUtf8(element.name) +
                               " has no attribute " + platform::toPrintableUtf8(name));
            }
            if (name == u"id" && !ids.insert(value).second) {
                throw XmlError("the id " + platform::toPrintableUtf8(value) + " is used twice");
            }
        }
        Note(local, element);
        ++depth_;
        for (const XmlElement& child : element.children) {
            const auto childColon = child.name.find(u':');
            const std::u16string_view childLocal =
                childColon == String::npos ? std::u16string_view(child.name)
                                           : std::u16string_view(child.name).substr(childColon + 1);
            if (std::find(rule->children.begin(), rule->children.end(), childLocal) ==
                rule->children.end()) {
                throw XmlError("element " + platform::toPrintableUtf8(child.name) +
                               " cannot be inside " + platform::toPrintableUtf8(element.name));
            }
            Read(child, namespaces);
        }
        --depth_;
    }

    std::set<String> ids;
    std::vector<RibbonControlDefinition> controls;
    std::map<String, RibbonCallback::Any> rootCallbacks;
    String tabLabel;
    String groupLabel;
    bool sawTab = false;
    bool sawGroup = false;

  private:
    static String Attribute(const XmlElement& element, std::u16string_view name) {
        for (const auto& [n, v] : element.attributes) {
            if (n == name) {
                return v;
            }
        }
        return {};
    }

    void Note(std::u16string_view local, const XmlElement& element) {
        if (local == u"customUI") {
            rootCallbacks = Resolve(element, u"customUI");
        } else if (local == u"tab" && !std::exchange(sawTab, true)) {
            tabLabel = Attribute(element, u"label");
        } else if (local == u"group" && !std::exchange(sawGroup, true)) {
            groupLabel = Attribute(element, u"label");
        } else if (local == u"button" || local == u"comboBox") {
            RibbonControlDefinition control;
            control.id = Attribute(element, u"id");
            if (control.id.empty()) {
                throw XmlError("a " + platform::toPrintableUtf8(local) + " without an id");
            }
            control.type = String(local);
            control.tag = Attribute(element, u"tag");
            for (const auto& [name, value] : element.attributes) {
                if (!IsCallbackAttribute(name)) {
                    control.attributes[name] = value;
                }
            }
            control.callbacks = Resolve(element, control.id);
            controls.push_back(std::move(control));
        }
    }

    // The element's callbacks found in the add-in. One that is missing, or whose signature
    // does not fit the attribute, is an add-in error and leaves the control without it.
    std::map<String, RibbonCallback::Any> Resolve(const XmlElement& element, const String& owner) {
        std::map<String, RibbonCallback::Any> found;
        for (const auto& [attribute, name] : element.attributes) {
            if (!IsCallbackAttribute(attribute)) {
                continue;
            }
            const std::string where = platform::toPrintableUtf8(attribute) + "=\"" +
                                      platform::toPrintableUtf8(name) + "\" of " +
                                      platform::toPrintableUtf8(owner);
            RibbonAddin::FoundCallback callback;
            try {
                callback = addin_.FindCallback(name, KindOf(attribute));
            } catch (const std::exception&) {
                // As a name the add-in does not know.
            }
            switch (callback.lookup) {
                case RibbonAddin::Lookup::NoSuchName:
                    errors_.push_back(where + ": the add-in has no callback of that name");
                    break;
                case RibbonAddin::Lookup::WrongSignature:
                    errors_.push_back(where + ": the callback has the wrong signature");
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

    RibbonAddin& addin_;
    std::vector<std::string>& errors_;
    int depth_ = 0;
};

}  // namespace

bool SimRibbon::Define(const XmlElement& root, RibbonAddin& addin) {
    std::vector<std::string> resolutionErrors;
    Reader reader(addin, resolutionErrors);
    try {
        reader.Read(root, {});
    } catch (const XmlError& e) {
        Fail(std::string("the ribbon XML of ") + platform::toPrintableUtf8(kExplorerRibbonId) +
             " is ignored: " + e.what());
        return false;
    }
    errors_.insert(errors_.end(), resolutionErrors.begin(), resolutionErrors.end());
    controls_ = std::move(reader.controls);
    tabLabel_ = reader.tabLabel;
    groupLabel_ = reader.groupLabel;
    state_->ids = std::move(reader.ids);
    if (const auto onLoad = reader.rootCallbacks.find(u"onLoad");
        onLoad != reader.rootCallbacks.end()) {
        if (const auto* load = std::get_if<RibbonCallback::Load>(&onLoad->second)) {
            onLoad_ = *load;
        }
    }
    return true;
}

}  // namespace tessaly::host::sim
