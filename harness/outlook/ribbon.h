// The ribbon of the simulated Outlook's Explorer windows, as Office runs an add-in's
// customisation: it asks the add-in for its XML after OnConnection, checks it as Office
// does (a document that is not well-formed, not valid customUI or repeats an id is ignored
// whole), resolves every callback the XML names in the add-in's table (a name it cannot
// find leaves that control without it), calls onLoad with its IRibbonUI, and queries each
// control's value callbacks once per open window. An invalidation marks controls in every
// window; they are queried again at the next idle moment, each window with its own Context.
// Problems an add-in causes are recorded as add-in errors, as Office reports them when
// asked to show add-in user interface errors.
//
// The add-in is reached through RibbonAddin: in-process through its table of callbacks, or,
// in the stand-in host, over COM, where a callback is a name its IDispatch resolves.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
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

// One control of the customisation, as the XML defines it.
struct RibbonControlDefinition {
    String id;
    String type;  // the element's name: "button", "comboBox"
    String tag;
    std::map<String, String> attributes;              // static ones, by name
    std::map<String, RibbonCallback::Any> callbacks;  // resolved ones, by attribute
};

// What one control shows in one window, from its callbacks or its static attributes.
struct RibbonControlValues {
    String label;
    bool enabled = true;
    bool image = false;  // a picture was given
    String text;
    std::vector<String> items;  // the labels of a combo box's items
};

enum class RibbonUse {
    Done,
    NoSuchControl,  // no control of that id and type in the customisation
    Disabled,       // the control is disabled in that window
    NoCallback,     // the control has no action (its callback could not be resolved)
    NoSuchItem,     // pick: the combo box has no item of that number
};

class SimRibbon {
  public:
    explicit SimRibbon(World& world);
    SimRibbon(const SimRibbon&) = delete;
    SimRibbon& operator=(const SimRibbon&) = delete;
    ~SimRibbon();

    // What Outlook does after OnConnection: GetCustomUI for the Explorer, parsed and checked,
    // callbacks resolved, onLoad called, and every open window's controls queried. Returns
    // false when there is no customisation (no XML, or XML refused).
    bool Load(RibbonAddin& addin, XmlParser& parser);
    // The same for an add-in in this process, whose callbacks are its table's.
    bool Load(RibbonExtensibility& addin, XmlParser& parser);
    // The add-in is disconnected: its customisation, its callbacks and the IRibbonUI go.
    void Unload();
    bool loaded() const { return !controls_.empty(); }

    // Queries what was invalidated, in every open window; a window opened since the last
    // call is queried whole, a closed one forgotten. The world's idle moments call it.
    void Refresh();

    // The user's actions on a window's ribbon. Each begins at an idle moment and ends with
    // the refresh Office does after an action.
    RibbonUse Click(SimExplorer& window, const String& id);
    RibbonUse TypeText(SimExplorer& window, const String& id, const String& text);
    RibbonUse Pick(SimExplorer& window, const String& id, std::int32_t index);  // 1-based

    // Inspection.
    const String& tabLabel() const { return tabLabel_; }
    const String& groupLabel() const { return groupLabel_; }
    const std::vector<RibbonControlDefinition>& controls() const { return controls_; }
    // The control's values in the window, as last queried; nothing before the first query.
    std::optional<RibbonControlValues> values(const SimExplorer& window, const String& id) const;
    // The add-in errors so far ("Ribbon_GetText of control X failed: ...").
    const std::vector<std::string>& errors() const { return errors_; }
    void clearErrors() { errors_.clear(); }
    // The ids the add-in invalidated, in order ("*" for Invalidate).
    const std::vector<String>& invalidations() const { return state_->invalidated; }
    void clearInvalidations() { state_->invalidated.clear(); }
    // How often a value callback was called for the window.
    std::size_t queries(const SimExplorer& window) const;
    // References to the IRibbonUI held outside this model (by the add-in).
    long ribbonUIReferencesHeldByAddin() const;

    // Shared with the IRibbonUI the add-in holds, which may outlive the customisation.
    struct State {
        World* world;
        bool loaded = false;
        std::set<String> ids;
        std::set<String> dirty;  // invalidated since the last refresh; "*": every control
        std::vector<String> invalidated;
    };

  private:
    struct WindowState {
        std::weak_ptr<SimExplorer> explorer;
        std::map<String, RibbonControlValues> values;
        std::set<String> pending;  // to be queried at the next refresh
        std::size_t queries = 0;
    };

    bool Define(const XmlElement& root, RibbonAddin& addin);
    void Query(WindowState& window, const RibbonControlDefinition& control);
    WindowState& StateOf(SimExplorer& window);  // created, to be queried whole, when new
    const WindowState* Known(const SimExplorer& window) const;
    std::size_t Position(const SimExplorer& window) const;  // windows_.size() when unknown
    const RibbonControlDefinition* Find(const String& id, const char16_t* type) const;
    std::shared_ptr<RibbonControl> ControlFor(SimExplorer& window,
                                              const RibbonControlDefinition& control) const;
    template <class F>
    void Call(const std::string& what, F&& f);
    void Fail(const std::string& what) { errors_.push_back(what); }

    World& world_;
    std::shared_ptr<State> state_;
    std::shared_ptr<RibbonUI> ui_;
    std::weak_ptr<RibbonUI> uiHandedOut_;  // outlives ui_ while the add-in holds it
    std::vector<RibbonControlDefinition> controls_;
    std::optional<RibbonCallback::Load> onLoad_;
    String tabLabel_;
    String groupLabel_;
    std::vector<WindowState> windows_;
    std::vector<std::string> errors_;
};

}  // namespace tessaly::host::sim
