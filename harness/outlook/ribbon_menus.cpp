// Menus of the simulated Office: an item's context menu with the add-in's controls in it, a
// dynamic menu's content asked for when it drops, and choosing an entry. One menu is open at
// a time, as on the screen.
#include "harness/outlook/internal.h"
#include "harness/outlook/ribbon_internal.h"

namespace tessaly::host::sim {

namespace {

bool IsTrue(const String& value) {
    return value == u"true" || value == u"1";
}

RibbonMenuEntry EntryOf(const RibbonControlDefinition& control, RibbonControlValues values) {
    return {control.id, control.type, control.tag, std::move(values)};
}

}  // namespace

std::shared_ptr<RibbonControl> SimRibbon::Open::control(const RibbonControlDefinition& of) const {
    return std::make_shared<SimRibbonControl>(of.id, of.tag, context, contextIsWindow);
}

std::optional<RibbonMenu> SimRibbon::RightClick(SimExplorer& window,
                                                const std::shared_ptr<Item>& item) {
    world_.Idle();
    menu_.reset();
    const String name = item ? ContextMenuFor(ItemTypeName(*item), world_.flagged(*item)) : u"";
    if (name.empty() || window.closed()) {
        return std::nullopt;
    }
    Open open;
    open.window = window.window();
    open.context = std::make_shared<SimSelection>(world_, std::vector<std::shared_ptr<Item>>{item},
                                                  window.weak_from_this());
    open.menu.name = name;
    if (const RibbonDocument* document = DocumentOf(window)) {
        WindowState& state = StateOf(window);
        for (const RibbonContextMenuDefinition& menu : document->contextMenus) {
            if (menu.idMso != name) {
                continue;
            }
            for (const std::size_t index : menu.controls) {
                const RibbonControlDefinition& control = document->controls[index];
                // A context menu is built anew at every right-click.
                open.menu.entries.push_back(
                    EntryOf(control, Query(control, open.control(control), state.queries)));
                open.definitions.push_back(control);
            }
        }
    }
    menu_ = std::move(open);
    return menu_->menu;
}

const RibbonMenu* SimRibbon::OpenMenu(const SimWindow& window) const {
    return menu_ && menu_->window.lock().get() == &window && !window.closed() ? &menu_->menu
                                                                              : nullptr;
}

std::optional<SimRibbon::Open> SimRibbon::DropFrom(SimWindow& window, const String& id,
                                                   RibbonControlDefinition& menu, bool& enabled) {
    if (menu_ && !menu_->menu.content && menu_->window.lock().get() == &window) {
        for (std::size_t i = 0; i < menu_->definitions.size(); ++i) {
            if (menu_->definitions[i].id == id && menu_->definitions[i].type == u"dynamicMenu") {
                menu = menu_->definitions[i];
                enabled = menu_->menu.entries[i].values.enabled;
                Open at = *menu_;
                at.definitions.clear();
                at.menu = RibbonMenu{id, true, {}};
                return at;
            }
        }
        return std::nullopt;
    }
    const RibbonControlDefinition* shown = Shown(window, id, u"dynamicMenu");
    if (!shown) {
        return std::nullopt;
    }
    menu = *shown;
    const auto values = this->values(window, id);
    enabled = values && values->enabled;
    return Open{window.window(), window.context(), true, RibbonMenu{id, true, {}}, {}};
}

RibbonUse SimRibbon::Drop(SimWindow& window, const String& id) {
    world_.Idle();
    RibbonControlDefinition menu;
    bool enabled = false;
    auto at = window.closed() ? std::nullopt : DropFrom(window, id, menu, enabled);
    menu_.reset();
    if (!at) {
        return RibbonUse::NoSuchControl;
    }
    if (!enabled) {
        return RibbonUse::Disabled;
    }
    if (!CallbackOf<RibbonCallback::GetString>(menu, u"getContent")) {
        return RibbonUse::NoCallback;
    }
    Content content = ContentOf(StateOf(window), menu, *at);
    for (std::size_t i = 0; i < content.entries.size(); ++i) {
        at->menu.entries.push_back(EntryOf(content.entries[i], content.values[i]));
    }
    at->definitions = std::move(content.entries);
    menu_ = std::move(*at);
    return RibbonUse::Done;
}

// Office keeps a dynamic menu's content in the window until the add-in invalidates the menu,
// unless the menu asks to be filled at every drop.
SimRibbon::Content SimRibbon::ContentOf(WindowState& window, const RibbonControlDefinition& menu,
                                        const Open& at) {
    const bool everyDrop = IsTrue(StaticOf(menu, u"invalidateContentOnDrop"));
    if (const auto kept = window.content.find(menu.id);
        !everyDrop && kept != window.content.end()) {
        return kept->second;
    }
    const auto* getContent = CallbackOf<RibbonCallback::GetString>(menu, u"getContent");
    std::optional<String> xml;
    ++window.queries;
    Call(CallbackName(menu, u"getContent"), [&] { xml = (*getContent)(at.control(menu)); });
    if (!xml) {
        return {};
    }
    auto content = ReadContent(menu, *xml, at, window.queries);
    if (!content) {
        return {};
    }
    return window.content[menu.id] = std::move(*content);
}

std::optional<SimRibbon::Content> SimRibbon::ReadContent(const RibbonControlDefinition& menu,
                                                         const String& xml, const Open& at,
                                                         std::size_t& queries) {
    Content content;
    if (xml.empty()) {
        return content;  // nothing to show, which is no error
    }
    const std::string ignored =
        "the content of dynamic menu " + platform::toPrintableUtf8(menu.id) + " is ignored: ";
    XmlElement root;
    try {
        root = parser_->Parse(xml);
    } catch (const XmlError& e) {
        Fail(ignored + "it is not well-formed: " + e.what());
        return std::nullopt;
    } catch (const std::exception& e) {
        Fail(ignored + "it cannot be read: " + e.what());
        return std::nullopt;
    }
    std::vector<std::string> reported;
    try {
        content.entries = ReadMenuContent(root, *addin_, reported);
    } catch (const XmlError& e) {
        Fail(ignored + e.what());
        return std::nullopt;
    }
    errors_.insert(errors_.end(), reported.begin(), reported.end());
    for (const RibbonControlDefinition& entry : content.entries) {
        content.values.push_back(entry.type == u"button" ? Query(entry, at.control(entry), queries)
                                                         : RibbonControlValues{});
    }
    return content;
}

RibbonUse SimRibbon::Choose(SimWindow& window, std::size_t index) {
    world_.Idle();
    if (!OpenMenu(window)) {
        return RibbonUse::NoMenu;
    }
    if (index < 1 || index > menu_->definitions.size()) {
        return RibbonUse::NoSuchItem;
    }
    const RibbonMenuEntry& entry = menu_->menu.entries[index - 1];
    if (entry.type != u"button") {
        return RibbonUse::NotAButton;
    }
    if (!entry.values.enabled) {
        return RibbonUse::Disabled;  // Office leaves the menu open
    }
    // The menu closes whatever the entry does.
    const Open open = std::move(*menu_);
    menu_.reset();
    const RibbonControlDefinition& chosen = open.definitions[index - 1];
    const auto* action = CallbackOf<RibbonCallback::Action>(chosen, u"onAction");
    if (!action) {
        return RibbonUse::NoCallback;
    }
    Call(CallbackName(chosen, u"onAction"), [&] { (*action)(open.control(chosen)); });
    Refresh();
    return RibbonUse::Done;
}

}  // namespace tessaly::host::sim
