// The ribbon of the simulated Outlook's windows, as Office runs an add-in's customisation.
//
// Office asks the add-in for the customUI XML of a kind of window (a ribbon id) when the
// first window of that kind shows: the Explorer's right after OnConnection, a contact's
// Inspector when the first contact is opened, and so on, once per ribbon id. It checks each
// document as Office does: one that is not well-formed, not valid customUI (as far as the
// model knows the schema) or repeats an id is ignored whole; an idMso Office does not know
// (a tab, a group, a context menu, an insertAfterMso or insertBeforeMso anchor) is reported
// and leaves only that element out. It resolves every callback the XML names in the add-in
// (a name it cannot find leaves that control without it) and calls onLoad with its one
// IRibbonUI, which serves every window.
//
// Each window shows the add-in's groups on its built-in tab in front (an Explorer's Home
// tab for its folder's kind, an Inspector's tab for its item) and on tabs of the add-in's
// own; their controls' value callbacks are queried when the window first shows them, with
// Context = the window. An invalidation marks controls in every window (Explorers and
// Inspectors), queried again at the next idle moment where they are shown.
//
// Menus: right-clicking an item in an Explorer opens the item's context menu, whose add-in
// controls are queried with Context = a Selection of that item; dropping a dynamicMenu
// calls its getContent (again at every drop with invalidateContentOnDrop, else only after
// an invalidation), checks the content as Office does (an error leaves the menu empty) and
// shows its entries; choosing an entry calls its onAction with its tag and the same
// Context. One menu is open at a time.
//
// Problems an add-in causes are recorded as add-in errors, as Office reports them when asked
// to show add-in user interface errors. The add-in is reached through RibbonAddin:
// in-process through its table of callbacks, or, in the stand-in host, over COM, where a
// callback is a name its IDispatch resolves.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "harness/outlook/sim_host.h"
#include "harness/outlook/xml.h"
#include "host/ribbon.h"

namespace tessaly::host::sim {

// What the model asks of an add-in: its customUI XML and the callbacks the XML names.
class RibbonAddin {
  public:
    virtual ~RibbonAddin() = default;

    // The customUI XML for a kind of window; empty for none. May throw.
    virtual String GetCustomUI(const String& ribbonId) = 0;

    enum class Lookup { Found, NoSuchName, WrongSignature };
    struct FoundCallback {
        Lookup lookup = Lookup::NoSuchName;
        // With Found, when a signature was asked for: the callback with that signature.
        std::optional<RibbonCallback::Any> call;
    };
    // The callback `name` for an attribute that calls it with the signature `kind` (an index
    // of RibbonCallback::Any); for an attribute the model never calls (`kind` nothing) only
    // whether the name exists. May throw, which counts as a name that cannot be found.
    virtual FoundCallback FindCallback(const String& name, std::optional<std::size_t> kind) = 0;
};

// One control of a customisation or of a dynamic menu's content, as the XML defines it.
struct RibbonControlDefinition {
    String id;
    String type;  // the element's name: "button", "comboBox", "dynamicMenu", "menuSeparator"
    String tag;
    std::map<String, String> attributes;              // static ones, by name
    std::map<String, RibbonCallback::Any> callbacks;  // resolved ones, by attribute
};

// A group of the add-in's on a tab: one of Office's (by idMso) or one of the add-in's own.
struct RibbonGroupDefinition {
    String tab;  // the built-in tab's idMso, or the id of the add-in's tab
    bool builtInTab = false;
    String tabLabel;  // of a tab of the add-in's own
    String id;
    String label;
    String position;                    // "after GroupX", "before GroupX"; empty: at the end
    std::vector<std::size_t> controls;  // into RibbonDocument::controls, in order
};

// The add-in's controls in one of Office's context menus.
struct RibbonContextMenuDefinition {
    String idMso;
    std::vector<std::size_t> controls;  // into RibbonDocument::controls, in order
};

// One kind of window's customisation, as far as Office took it in.
struct RibbonDocument {
    String ribbonId;
    std::vector<RibbonControlDefinition> controls;
    std::vector<RibbonGroupDefinition> groups;
    std::vector<RibbonContextMenuDefinition> contextMenus;
    std::set<String> ids;  // every id of the document, kept elements or not
    std::optional<RibbonCallback::Load> onLoad;

    const RibbonControlDefinition* find(const String& id) const;
};

// What one control shows in one window, from its callbacks or its static attributes.
struct RibbonControlValues {
    String label;
    bool enabled = true;
    bool image = false;  // a picture was given
    String text;
    std::vector<String> items;  // the labels of a combo box's items
};

// An entry of a menu as the user sees it.
struct RibbonMenuEntry {
    String id;
    String type;  // "button", "dynamicMenu", "menuSeparator"
    String tag;
    RibbonControlValues values;
};

// The menu open in a window: a context menu after a right-click (named by its idMso), or a
// dynamic menu's content after it dropped (named by the dynamic menu's id).
struct RibbonMenu {
    String name;
    bool content = false;
    std::vector<RibbonMenuEntry> entries;
};

enum class RibbonUse {
    Done,
    NoSuchControl,  // no control of that id and kind shown in the window
    Disabled,       // the control is disabled in that window
    NoCallback,     // the control has no action (its callback could not be resolved)
    NoSuchItem,     // pick, choose: no item or entry of that number
    NoMenu,         // choose: no menu is open in the window
    NotAButton,     // choose: the entry is a separator or a dynamic menu
};

class SimRibbon {
  public:
    explicit SimRibbon(World& world);
    SimRibbon(const SimRibbon&) = delete;
    SimRibbon& operator=(const SimRibbon&) = delete;
    ~SimRibbon();

    // What Outlook does after OnConnection: it keeps the add-in (which must outlive the
    // customisation) and the parser, and asks for the Explorer's customisation; every open
    // window's controls are queried. Returns whether the Explorer has one.
    bool Load(RibbonAddin& addin, XmlParser& parser);
    // The same for an add-in in this process, whose callbacks are its table's.
    bool Load(RibbonExtensibility& addin, XmlParser& parser);
    // The add-in is disconnected: its customisations, its callbacks, the open menu and the
    // IRibbonUI go.
    void Unload();
    // Some customisation is in effect.
    bool loaded() const;

    // Queries what was invalidated, in every open window where it is shown; a window opened
    // since the last call is queried whole, a closed one forgotten. The world's idle moments
    // call it.
    void Refresh();

    // The ribbon ids asked since the last call, in order, each with whether the add-in gave
    // XML for it (nothing: GetCustomUI failed).
    struct Asked {
        String ribbonId;
        std::optional<bool> customised;
    };
    std::vector<Asked> TakeAsked() { return std::exchange(asked_, {}); }
    // The customisation of a kind of window, once asked and accepted.
    const RibbonDocument* document(const String& ribbonId) const;
    // The add-in's groups the window shows, in the document's order.
    std::vector<const RibbonGroupDefinition*> GroupsShown(const SimWindow& window) const;

    // The user's actions on a window's ribbon. Each begins at an idle moment and ends with
    // the refresh Office does after an action.
    RibbonUse Click(SimWindow& window, const String& id);
    RibbonUse TypeText(SimWindow& window, const String& id, const String& text);
    RibbonUse Pick(SimWindow& window, const String& id, std::int32_t index);  // 1-based

    // Opens the context menu of an item of the window's folder; nothing when Office has none
    // the model knows for the item. Closes any other menu first.
    std::optional<RibbonMenu> RightClick(SimExplorer& window, const std::shared_ptr<Item>& item);
    // Drops the dynamic menu `id` of the context menu open in the window, or without one, of
    // the window's ribbon. Its content becomes the open menu (empty after an error).
    RibbonUse Drop(SimWindow& window, const String& id);
    // The menu open in the window, if any.
    const RibbonMenu* OpenMenu(const SimWindow& window) const;
    // Clicks entry `index` (1-based) of the menu open in the window, which then closes.
    RibbonUse Choose(SimWindow& window, std::size_t index);
    // Any other action of the user closes the open menu.
    void CloseMenu() { menu_.reset(); }

    // Inspection. The Explorer's customisation in short: its controls, its first group's
    // tab and group labels (empty without one).
    const std::vector<RibbonControlDefinition>& controls() const;
    String tabLabel() const;
    String groupLabel() const;
    // The control's values in the window, as last queried; nothing before the first query.
    std::optional<RibbonControlValues> values(const SimWindow& window, const String& id) const;
    // The add-in errors so far ("getText of X failed: ...").
    const std::vector<std::string>& errors() const { return errors_; }
    void clearErrors() { errors_.clear(); }
    // The ids the add-in invalidated, in order ("*" for Invalidate).
    const std::vector<String>& invalidations() const { return state_->invalidated; }
    void clearInvalidations() { state_->invalidated.clear(); }
    // How often a value callback (getContent included) was called for the window.
    std::size_t queries(const SimWindow& window) const;
    // References to the IRibbonUI held outside this model (by the add-in).
    long ribbonUIReferencesHeldByAddin() const;

    // Shared with the IRibbonUI the add-in holds, which may outlive the customisation.
    struct State {
        World* world;
        bool loaded = false;
        std::set<String> ids;    // of every document in effect
        std::set<String> dirty;  // invalidated since the last refresh; "*": every control
        std::vector<String> invalidated;
    };

  private:
    // A dynamic menu's content as Office keeps it in a window between drops.
    struct Content {
        std::vector<RibbonControlDefinition> entries;
        std::vector<RibbonControlValues> values;
    };
    struct WindowState {
        std::weak_ptr<SimWindow> window;
        std::map<String, RibbonControlValues> values;
        std::set<String> pending;  // to be queried once shown
        std::map<String, Content> content;
        std::size_t queries = 0;
    };
    // The menu open now, with what is behind its entries.
    struct Open {
        std::weak_ptr<SimWindow> window;
        std::shared_ptr<Object> context;  // the window's own, or a context menu's Selection
        bool contextIsWindow = false;
        RibbonMenu menu;
        std::vector<RibbonControlDefinition> definitions;  // behind each entry
        std::shared_ptr<RibbonControl> control(const RibbonControlDefinition& of) const;
    };

    bool Start(RibbonAddin& addin, XmlParser& parser);
    // Asks for the customisation of a kind of window unless that was done.
    void Ask(const String& ribbonId);
    void Define(const String& ribbonId, const XmlElement& root);
    void QueryShown(WindowState& window);
    RibbonControlValues Query(const RibbonControlDefinition& control,
                              const std::shared_ptr<RibbonControl>& ctrl, std::size_t& queries);
    WindowState& StateOf(SimWindow& window);  // created, to be queried whole, when new
    const WindowState* Known(const SimWindow& window) const;
    std::size_t Position(const SimWindow& window) const;  // windows_.size() when unknown
    const RibbonDocument* DocumentOf(const SimWindow& window) const;
    // The control of that id and type on a group the window shows.
    const RibbonControlDefinition* Shown(const SimWindow& window, const String& id,
                                         const char16_t* type) const;
    std::shared_ptr<RibbonControl> ControlFor(SimWindow& window,
                                              const RibbonControlDefinition& control) const;
    // The dynamic menu's content for a drop: asked for again unless Office keeps it.
    Content ContentOf(WindowState& window, const RibbonControlDefinition& menu, const Open& at);
    std::optional<Content> ReadContent(const RibbonControlDefinition& menu, const String& xml,
                                       const Open& at, std::size_t& queries);
    // The dynamic menu `id` the window's open context menu or its ribbon shows, with the
    // Context its callbacks get; nothing when there is none.
    std::optional<Open> DropFrom(SimWindow& window, const String& id, RibbonControlDefinition& menu,
                                 bool& enabled);
    template <class F>
    void Call(const std::string& what, F&& f);
    void Fail(const std::string& what) { errors_.push_back(what); }

    World& world_;
    RibbonAddin* addin_ = nullptr;
    std::unique_ptr<RibbonAddin> ownAddin_;  // the table of an add-in in this process
    XmlParser* parser_ = nullptr;
    std::shared_ptr<State> state_;
    std::shared_ptr<RibbonUI> ui_;
    std::weak_ptr<RibbonUI> uiHandedOut_;  // outlives ui_ while the add-in holds it
    std::map<String, RibbonDocument> documents_;
    std::set<String> askedIds_;
    std::vector<Asked> asked_;
    std::vector<WindowState> windows_;
    std::optional<Open> menu_;
    std::vector<std::string> errors_;
};

}  // namespace tessaly::host::sim
