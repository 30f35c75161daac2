// The ribbon's life in the simulated Outlook: loading the add-in's customisation, the
// IRibbonUI it invalidates through, the per-window queries and the user's actions.
#include "harness/outlook/ribbon.h"

#include <algorithm>
#include <variant>

#include "harness/outlook/internal.h"

namespace tessaly::host::sim {

namespace {

class SimRibbonUI : public RibbonUI {
  public:
    explicit SimRibbonUI(std::weak_ptr<SimRibbon::State> state) : state_(std::move(state)) {}

    void Invalidate() override {
        auto& state = Live("RibbonUI.Invalidate", detail::NoArguments());
        state.dirty.insert(u"*");
        state.invalidated.push_back(u"*");
    }
    void InvalidateControl(const String& controlId) override {
        const auto arguments = detail::args(controlId);
        auto& state = Live("RibbonUI.InvalidateControl", arguments);
        if (state.ids.count(controlId) == 0) {
            state.world->refuse("RibbonUI.InvalidateControl", arguments, kE_INVALIDARG);
        }
        state.dirty.insert(controlId);
        state.invalidated.push_back(controlId);
    }

  private:
    // After the customisation is gone, the object answers every call with an error.
    SimRibbon::State& Live(const std::string& operation, const detail::Arguments& arguments) {
        const auto state = state_.lock();
        if (!state || !state->loaded) {
            throw Error(kE_FAIL, operation + ": the ribbon is gone");
        }
        state->world->check(operation, arguments);
        return *state;
    }
    std::weak_ptr<SimRibbon::State> state_;
};

class SimRibbonControl : public RibbonControl {
  public:
    SimRibbonControl(String id, String tag, std::weak_ptr<SimExplorer> window)
        : id_(std::move(id)), tag_(std::move(tag)), window_(std::move(window)) {}
    String Id() override { return id_; }
    std::shared_ptr<Object> Context() override { return window_.lock(); }
    String Tag() override { return tag_; }

  private:
    String id_;
    String tag_;
    std::weak_ptr<SimExplorer> window_;
};

template <class Kind>
const Kind* CallbackOf(const RibbonControlDefinition& control, const char16_t* attribute) {
    const auto found = control.callbacks.find(attribute);
    return found == control.callbacks.end() ? nullptr : std::get_if<Kind>(&found->second);
}

// An add-in in this process: its callbacks are the entries of its table, each with its one
// signature, found by their exact names.
class TableAddin final : public RibbonAddin {
  public:
    explicit TableAddin(RibbonExtensibility& addin) : addin_(addin) {}
    String GetCustomUI(const String& ribbonId) override { return addin_.GetCustomUI(ribbonId); }
    FoundCallback FindCallback(const String& name, std::optional<std::size_t> kind) override {
        const auto& table = addin_.Callbacks();
        const auto entry = std::find_if(table.begin(), table.end(),
                                        [&](const RibbonCallback& c) { return c.name == name; });
        if (entry == table.end()) {
            return {};
        }
        if (!kind) {
            return {Lookup::Found, std::nullopt};
        }
        if (*kind != entry->call.index()) {
            return {Lookup::WrongSignature, std::nullopt};
        }
        return {Lookup::Found, entry->call};
    }

  private:
    RibbonExtensibility& addin_;
};

String Static(const RibbonControlDefinition& control, const char16_t* attribute) {
    const auto found = control.attributes.find(attribute);
    return found == control.attributes.end() ? String{} : found->second;
}

std::string NameOf(const RibbonControlDefinition& control, const char16_t* attribute) {
    return platform::toPrintableUtf8(attribute) + " of " + platform::toPrintableUtf8(control.id);
}

}  // namespace

SimRibbon::SimRibbon(World& world) : world_(world), state_(std::make_shared<State>()) {
    state_->world = &world;
    world_.setIdleHook([this] { Refresh(); });
}

SimRibbon::~SimRibbon() {
    world_.setIdleHook(nullptr);
}

template <class F>
void SimRibbon::Call(const std::string& what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        Fail(what + " failed: " + e.what());
    }
}

bool SimRibbon::Load(RibbonExtensibility& addin, XmlParser& parser) {
    TableAddin table(addin);
    return Load(table, parser);
}

bool SimRibbon::Load(RibbonAddin& addin, XmlParser& parser) {
    Unload();
    String xml;
    Call("GetCustomUI", [&] { xml = addin.GetCustomUI(kExplorerRibbonId); });
    if (xml.empty()) {
        return false;
    }
    XmlElement root;
    try {
        root = parser.Parse(xml);
    } catch (const XmlError& e) {
        Fail(std::string("the ribbon XML of ") + platform::toPrintableUtf8(kExplorerRibbonId) +
             " is ignored: it is not well-formed: " + e.what());
        return false;
    } catch (const std::exception& e) {
        Fail(std::string("the ribbon XML of ") + platform::toPrintableUtf8(kExplorerRibbonId) +
             " is ignored: it cannot be read: " + e.what());
        return false;
    }
    if (!Define(root, addin)) {
        return false;
    }
    state_->loaded = true;
    if (onLoad_) {
        ui_ = std::make_shared<SimRibbonUI>(state_);
        uiHandedOut_ = ui_;
        Call("onLoad", [&] { (*onLoad_)(ui_); });
    }
    Refresh();
    return true;
}

void SimRibbon::Unload() {
    state_->loaded = false;
    state_->ids.clear();
    state_->dirty.clear();
    ui_.reset();
    onLoad_.reset();
    controls_.clear();
    windows_.clear();
    tabLabel_.clear();
    groupLabel_.clear();
}

long SimRibbon::ribbonUIReferencesHeldByAddin() const {
    return uiHandedOut_.use_count() - (ui_ ? 1 : 0);
}

SimRibbon::WindowState& SimRibbon::StateOf(SimExplorer& window) {
    if (const std::size_t at = Position(window); at < windows_.size()) {
        return windows_[at];
    }
    WindowState fresh;
    fresh.explorer = window.shared_from_this();
    for (const auto& control : controls_) {
        fresh.pending.insert(control.id);
    }
    windows_.push_back(std::move(fresh));
    return windows_.back();
}

void SimRibbon::Refresh() {
    if (!state_->loaded) {
        return;
    }
    std::erase_if(windows_, [](const WindowState& w) {
        const auto explorer = w.explorer.lock();
        return !explorer || explorer->closed();
    });
    const std::set<String> dirty = std::exchange(state_->dirty, {});
    const bool all = dirty.count(u"*") != 0;
    const auto open = world_.explorers();
    for (const auto& explorer : open) {
        WindowState& window = StateOf(*explorer);
        for (const auto& control : controls_) {
            if (all || dirty.count(control.id) != 0) {
                window.pending.insert(control.id);
            }
        }
    }
    for (const auto& explorer : open) {
        WindowState& window = StateOf(*explorer);
        const std::set<String> pending = std::exchange(window.pending, {});
        for (const auto& control : controls_) {
            if (pending.count(control.id) != 0) {
                Query(window, control);
            }
        }
    }
}

void SimRibbon::Query(WindowState& window, const RibbonControlDefinition& control) {
    const auto explorer = window.explorer.lock();
    if (!explorer) {
        return;
    }
    const auto ctrl = ControlFor(*explorer, control);
    RibbonControlValues result;
    result.label = Static(control, u"label");
    result.enabled = Static(control, u"enabled") != u"false";
    result.image = !Static(control, u"image").empty() || !Static(control, u"imageMso").empty();
    const auto ask = [&](const char16_t* attribute, auto&& call) {
        ++window.queries;
        Call(NameOf(control, attribute), call);
    };
    using C = RibbonCallback;
    if (const auto* f = CallbackOf<C::GetString>(control, u"getLabel")) {
        ask(u"getLabel", [&] { result.label = (*f)(ctrl); });
    }
    if (const auto* f = CallbackOf<C::GetBool>(control, u"getEnabled")) {
        ask(u"getEnabled", [&] { result.enabled = (*f)(ctrl); });
    }
    if (const auto* f = CallbackOf<C::GetImage>(control, u"getImage")) {
        ask(u"getImage", [&] { result.image = (*f)(ctrl) != nullptr; });
    }
    if (const auto* f = CallbackOf<C::GetString>(control, u"getText")) {
        ask(u"getText", [&] { result.text = (*f)(ctrl); });
    }
    std::int32_t count = 0;
    if (const auto* f = CallbackOf<C::GetCount>(control, u"getItemCount")) {
        ask(u"getItemCount", [&] { count = std::max((*f)(ctrl), 0); });
    }
    const auto* label = CallbackOf<C::GetItemString>(control, u"getItemLabel");
    const auto* itemId = CallbackOf<C::GetItemString>(control, u"getItemID");
    for (std::int32_t i = 0; i < count; ++i) {
        String text;
        if (label) {
            ask(u"getItemLabel", [&] { text = (*label)(ctrl, i); });
        }
        if (itemId) {
            ask(u"getItemID", [&] { (*itemId)(ctrl, i); });
        }
        result.items.push_back(std::move(text));
    }
    window.values[control.id] = std::move(result);
}

const RibbonControlDefinition* SimRibbon::Find(const String& id, const char16_t* type) const {
    for (const auto& control : controls_) {
        if (control.id == id && control.type == type) {
            return &control;
        }
    }
    return nullptr;
}

std::shared_ptr<RibbonControl> SimRibbon::ControlFor(SimExplorer& window,
                                                     const RibbonControlDefinition& control) const {
    return std::make_shared<SimRibbonControl>(control.id, control.tag, window.shared_from_this());
}

std::size_t SimRibbon::Position(const SimExplorer& window) const {
    std::size_t at = 0;
    while (at < windows_.size() && windows_[at].explorer.lock().get() != &window) {
        ++at;
    }
    return at;
}

const SimRibbon::WindowState* SimRibbon::Known(const SimExplorer& window) const {
    const std::size_t at = Position(window);
    return at < windows_.size() ? &windows_[at] : nullptr;
}

std::optional<RibbonControlValues> SimRibbon::values(const SimExplorer& window,
                                                     const String& id) const {
    const WindowState* state = Known(window);
    if (!state) {
        return std::nullopt;
    }
    const auto found = state->values.find(id);
    return found == state->values.end() ? std::nullopt
                                        : std::optional<RibbonControlValues>(found->second);
}

std::size_t SimRibbon::queries(const SimExplorer& window) const {
    const WindowState* state = Known(window);
    return state ? state->queries : 0;
}

RibbonUse SimRibbon::Click(SimExplorer& window, const String& id) {
    world_.Idle();
    const RibbonControlDefinition* control = Find(id, u"button");
    if (!control || window.closed()) {
        return RibbonUse::NoSuchControl;
    }
    const auto shown = values(window, id);
    if (!shown || !shown->enabled) {
        return RibbonUse::Disabled;
    }
    const auto* action = CallbackOf<RibbonCallback::Action>(*control, u"onAction");
    if (!action) {
        return RibbonUse::NoCallback;
    }
    const auto ctrl = ControlFor(window, *control);
    Call(NameOf(*control, u"onAction"), [&] { (*action)(ctrl); });
    Refresh();
    return RibbonUse::Done;
}

RibbonUse SimRibbon::TypeText(SimExplorer& window, const String& id, const String& text) {
    world_.Idle();
    const RibbonControlDefinition* control = Find(id, u"comboBox");
    if (!control || window.closed()) {
        return RibbonUse::NoSuchControl;
    }
    auto& state = StateOf(window);
    const auto shown = state.values.find(id);
    if (shown == state.values.end() || !shown->second.enabled) {
        return RibbonUse::Disabled;
    }
    // The box shows what the user confirmed until its text is queried again.
    shown->second.text = text;
    const auto* change = CallbackOf<RibbonCallback::Change>(*control, u"onChange");
    if (!change) {
        return RibbonUse::NoCallback;
    }
    const auto ctrl = ControlFor(window, *control);
    Call(NameOf(*control, u"onChange"), [&] { (*change)(ctrl, text); });
    Refresh();
    return RibbonUse::Done;
}

RibbonUse SimRibbon::Pick(SimExplorer& window, const String& id, std::int32_t index) {
    world_.Idle();
    const auto shown = values(window, id);
    if (!shown || !Find(id, u"comboBox")) {
        return RibbonUse::NoSuchControl;
    }
    if (index < 1 || static_cast<std::size_t>(index) > shown->items.size()) {
        return RibbonUse::NoSuchItem;
    }
    return TypeText(window, id, shown->items[static_cast<std::size_t>(index - 1)]);
}

}  // namespace tessaly::host::sim
