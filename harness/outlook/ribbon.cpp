// The ribbon's life in the simulated Outlook: the customisations asked for each kind of
// window, the IRibbonUI the add-in invalidates through, the per-window queries and the user's
// actions on a window's ribbon.
#include <algorithm>
#include <variant>

#include "harness/outlook/internal.h"
#include "harness/outlook/ribbon_internal.h"

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

}  // namespace

SimRibbonControl::SimRibbonControl(String id, String tag, const std::shared_ptr<Object>& context,
                                   bool window)
    : id_(std::move(id)), tag_(std::move(tag)) {
    if (window) {
        window_ = context;
    } else {
        other_ = context;
    }
}

std::shared_ptr<Object> SimRibbonControl::Context() {
    return other_ ? other_ : window_.lock();
}

String StaticOf(const RibbonControlDefinition& control, const char16_t* attribute) {
    const auto found = control.attributes.find(attribute);
    return found == control.attributes.end() ? String{} : found->second;
}

std::string CallbackName(const RibbonControlDefinition& control, const char16_t* attribute) {
    return platform::toPrintableUtf8(attribute) + " of " + platform::toPrintableUtf8(control.id);
}

const RibbonControlDefinition* RibbonDocument::find(const String& id) const {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const RibbonControlDefinition& c) { return c.id == id; });
    return found == controls.end() ? nullptr : &*found;
}

SimRibbon::SimRibbon(World& world) : world_(world), state_(std::make_shared<State>()) {
    state_->world = &world;
    world_.setIdleHook([this] { Refresh(); });
    world_.setWindowHook([this](SimWindow& window) { Ask(window.ribbonId()); });
}

SimRibbon::~SimRibbon() {
    world_.setIdleHook(nullptr);
    world_.setWindowHook(nullptr);
}

bool SimRibbon::Load(RibbonExtensibility& addin, XmlParser& parser) {
    Unload();
    ownAddin_ = std::make_unique<TableAddin>(addin);
    return Start(*ownAddin_, parser);
}

bool SimRibbon::Load(RibbonAddin& addin, XmlParser& parser) {
    Unload();
    return Start(addin, parser);
}

bool SimRibbon::Start(RibbonAddin& addin, XmlParser& parser) {
    addin_ = &addin;
    parser_ = &parser;
    state_->loaded = true;
    // Outlook asks for the Explorer's right after the connection, whether or not one is open.
    Ask(kExplorerRibbonId);
    for (const auto& window : world_.windows()) {
        Ask(window->ribbonId());
    }
    Refresh();
    return document(kExplorerRibbonId) != nullptr;
}

void SimRibbon::Unload() {
    state_->loaded = false;
    state_->ids.clear();
    state_->dirty.clear();
    ui_.reset();
    menu_.reset();
    windows_.clear();
    documents_.clear();
    askedIds_.clear();
    addin_ = nullptr;
    parser_ = nullptr;
    ownAddin_.reset();
}

bool SimRibbon::loaded() const {
    return !documents_.empty();
}

void SimRibbon::Ask(const String& ribbonId) {
    if (ribbonId.empty() || !addin_ || !askedIds_.insert(ribbonId).second) {
        return;
    }
    const std::string name = platform::toPrintableUtf8(ribbonId);
    String xml;
    std::optional<bool> customised;
    Call("GetCustomUI(" + name + ")", [&] {
        xml = addin_->GetCustomUI(ribbonId);
        customised = !xml.empty();
    });
    asked_.push_back({ribbonId, customised});
    if (xml.empty()) {
        return;
    }
    const std::string ignored = "the ribbon XML of " + name + " is ignored: ";
    try {
        Define(ribbonId, parser_->Parse(xml));
    } catch (const XmlError& e) {
        Fail(ignored + "it is not well-formed: " + e.what());
    } catch (const std::exception& e) {
        Fail(ignored + "it cannot be read: " + e.what());
    }
}

void SimRibbon::Define(const String& ribbonId, const XmlElement& root) {
    std::vector<std::string> reported;
    RibbonDocument read;
    try {
        read = ReadCustomUI(root, ribbonId, *addin_, reported);
    } catch (const XmlError& e) {
        Fail("the ribbon XML of " + platform::toPrintableUtf8(ribbonId) +
             " is ignored: " + e.what());
        return;
    }
    errors_.insert(errors_.end(), reported.begin(), reported.end());
    state_->ids.insert(read.ids.begin(), read.ids.end());
    const RibbonDocument& document = documents_[ribbonId] = std::move(read);
    // A window of this kind seen before is queried whole now.
    for (WindowState& window : windows_) {
        const auto shown = window.window.lock();
        if (shown && shown->ribbonId() == ribbonId) {
            for (const auto& control : document.controls) {
                window.pending.insert(control.id);
            }
        }
    }
    if (document.onLoad) {
        if (!ui_) {
            ui_ = std::make_shared<SimRibbonUI>(state_);
            uiHandedOut_ = ui_;
        }
        const auto onLoad = *document.onLoad;
        Call("onLoad of " + platform::toPrintableUtf8(ribbonId), [&] { onLoad(ui_); });
    }
}

long SimRibbon::ribbonUIReferencesHeldByAddin() const {
    return uiHandedOut_.use_count() - (ui_ ? 1 : 0);
}

const RibbonDocument* SimRibbon::document(const String& ribbonId) const {
    const auto found = documents_.find(ribbonId);
    return found == documents_.end() ? nullptr : &found->second;
}

const RibbonDocument* SimRibbon::DocumentOf(const SimWindow& window) const {
    return document(window.ribbonId());
}

std::vector<const RibbonGroupDefinition*> SimRibbon::GroupsShown(const SimWindow& window) const {
    std::vector<const RibbonGroupDefinition*> shown;
    if (const RibbonDocument* document = DocumentOf(window)) {
        const String tab = window.shownTab();
        for (const RibbonGroupDefinition& group : document->groups) {
            if (!group.builtInTab || group.tab == tab) {
                shown.push_back(&group);
            }
        }
    }
    return shown;
}

const RibbonControlDefinition* SimRibbon::Shown(const SimWindow& window, const String& id,
                                                const char16_t* type) const {
    const RibbonDocument* document = DocumentOf(window);
    for (const RibbonGroupDefinition* group : GroupsShown(window)) {
        for (const std::size_t index : group->controls) {
            const RibbonControlDefinition& control = document->controls[index];
            if (control.id == id && control.type == type) {
                return &control;
            }
        }
    }
    return nullptr;
}

const std::vector<RibbonControlDefinition>& SimRibbon::controls() const {
    static const std::vector<RibbonControlDefinition> none;
    const RibbonDocument* explorer = document(kExplorerRibbonId);
    return explorer ? explorer->controls : none;
}

String SimRibbon::tabLabel() const {
    const RibbonDocument* explorer = document(kExplorerRibbonId);
    return explorer && !explorer->groups.empty() ? explorer->groups.front().tabLabel : String();
}

String SimRibbon::groupLabel() const {
    const RibbonDocument* explorer = document(kExplorerRibbonId);
    return explorer && !explorer->groups.empty() ? explorer->groups.front().label : String();
}

SimRibbon::WindowState& SimRibbon::StateOf(SimWindow& window) {
    if (const std::size_t at = Position(window); at < windows_.size()) {
        return windows_[at];
    }
    WindowState fresh;
    fresh.window = window.window();
    if (const RibbonDocument* document = DocumentOf(window)) {
        for (const auto& control : document->controls) {
            fresh.pending.insert(control.id);
        }
    }
    windows_.push_back(std::move(fresh));
    return windows_.back();
}

void SimRibbon::Refresh() {
    if (!addin_) {
        return;
    }
    std::erase_if(windows_, [](const WindowState& w) {
        const auto window = w.window.lock();
        return !window || window->closed();
    });
    if (menu_ && (menu_->window.expired() || menu_->window.lock()->closed())) {
        menu_.reset();
    }
    const std::set<String> dirty = std::exchange(state_->dirty, {});
    const bool all = dirty.count(u"*") != 0;
    const auto open = world_.windows();
    for (const auto& window : open) {
        WindowState& state = StateOf(*window);
        const RibbonDocument* document = DocumentOf(*window);
        if (!document) {
            continue;
        }
        for (const auto& control : document->controls) {
            if (all || dirty.count(control.id) != 0) {
                state.pending.insert(control.id);
                state.content.erase(control.id);
            }
        }
    }
    for (const auto& window : open) {
        QueryShown(StateOf(*window));
    }
}

// Office asks only for what a window shows; an invalidated control on a tab in the back is
// asked for when its tab comes to the front.
void SimRibbon::QueryShown(WindowState& state) {
    const auto window = state.window.lock();
    const RibbonDocument* document = window ? DocumentOf(*window) : nullptr;
    if (!document) {
        return;
    }
    for (const RibbonGroupDefinition* group : GroupsShown(*window)) {
        for (const std::size_t index : group->controls) {
            const RibbonControlDefinition& control = document->controls[index];
            if (state.pending.erase(control.id) != 0) {
                state.values[control.id] =
                    Query(control, ControlFor(*window, control), state.queries);
            }
        }
    }
}

RibbonControlValues SimRibbon::Query(const RibbonControlDefinition& control,
                                     const std::shared_ptr<RibbonControl>& ctrl,
                                     std::size_t& queries) {
    RibbonControlValues result;
    result.label = StaticOf(control, u"label");
    result.enabled = StaticOf(control, u"enabled") != u"false";
    result.image = !StaticOf(control, u"image").empty() || !StaticOf(control, u"imageMso").empty();
    const auto ask = [&](const char16_t* attribute, auto&& call) {
        ++queries;
        Call(CallbackName(control, attribute), call);
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
    return result;
}

std::shared_ptr<RibbonControl> SimRibbon::ControlFor(SimWindow& window,
                                                     const RibbonControlDefinition& control) const {
    return std::make_shared<SimRibbonControl>(control.id, control.tag, window.context(), true);
}

std::size_t SimRibbon::Position(const SimWindow& window) const {
    std::size_t at = 0;
    while (at < windows_.size() && windows_[at].window.lock().get() != &window) {
        ++at;
    }
    return at;
}

const SimRibbon::WindowState* SimRibbon::Known(const SimWindow& window) const {
    const std::size_t at = Position(window);
    return at < windows_.size() ? &windows_[at] : nullptr;
}

std::optional<RibbonControlValues> SimRibbon::values(const SimWindow& window,
                                                     const String& id) const {
    const WindowState* state = Known(window);
    if (!state) {
        return std::nullopt;
    }
    const auto found = state->values.find(id);
    return found == state->values.end() ? std::nullopt
                                        : std::optional<RibbonControlValues>(found->second);
}

std::size_t SimRibbon::queries(const SimWindow& window) const {
    const WindowState* state = Known(window);
    return state ? state->queries : 0;
}

RibbonUse SimRibbon::Click(SimWindow& window, const String& id) {
    world_.Idle();
    menu_.reset();
    const RibbonControlDefinition* control = Shown(window, id, u"button");
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
    Call(CallbackName(*control, u"onAction"), [&] { (*action)(ctrl); });
    Refresh();
    return RibbonUse::Done;
}

RibbonUse SimRibbon::TypeText(SimWindow& window, const String& id, const String& text) {
    world_.Idle();
    menu_.reset();
    const RibbonControlDefinition* control = Shown(window, id, u"comboBox");
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
    Call(CallbackName(*control, u"onChange"), [&] { (*change)(ctrl, text); });
    Refresh();
    return RibbonUse::Done;
}

RibbonUse SimRibbon::Pick(SimWindow& window, const String& id, std::int32_t index) {
    world_.Idle();
    const auto shown = values(window, id);
    if (!shown || !Shown(window, id, u"comboBox")) {
        return RibbonUse::NoSuchControl;
    }
    if (index < 1 || static_cast<std::size_t>(index) > shown->items.size()) {
        return RibbonUse::NoSuchItem;
    }
    return TypeText(window, id, shown->items[static_cast<std::size_t>(index - 1)]);
}

}  // namespace tessaly::host::sim
