// What the ribbon model's sources share: reading customUI and menu content, Office's built-in
// tabs, groups and context menus as far as the model knows them, and the objects the add-in's
// callbacks receive.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "harness/outlook/ribbon.h"

namespace tessaly::host::sim {

// ---- Reading XML (ribbon_markup.cpp) ----------------------------------------------------

// A customUI document of the kind of window `ribbonId`, checked and taken in as Office does.
// Throws XmlError when it must be ignored whole; adds to `errors` what Office reports of the
// rest (an element left out, a callback it cannot resolve).
RibbonDocument ReadCustomUI(const XmlElement& root, const String& ribbonId, RibbonAddin& addin,
                            std::vector<std::string>& errors);

// The most entries a dynamic menu's content may have.
inline constexpr std::size_t kMaxMenuEntries = 1000;

// A dynamic menu's content: a `menu` in the customUI namespace holding buttons and
// separators, at most kMaxMenuEntries, ids unique within it. Throws XmlError when Office
// would show nothing of it; adds to `errors` a callback it cannot resolve.
std::vector<RibbonControlDefinition> ReadMenuContent(const XmlElement& root, RibbonAddin& addin,
                                                     std::vector<std::string>& errors);

// ---- Office's built-ins (ribbon_builtins.cpp) -------------------------------------------

// The groups of a built-in tab of a kind of window, in their order; nullptr for a tab that
// kind of window does not have.
const std::vector<std::u16string_view>* BuiltInGroups(std::u16string_view ribbonId,
                                                      std::u16string_view tab);
// Whether the kind of window has a built-in tab of that idMso.
bool HasBuiltInTab(std::u16string_view ribbonId, std::u16string_view tab);
// The built-in controls of a context menu of a kind of window; nullptr for a context menu it
// does not have.
const std::vector<std::u16string_view>* BuiltInContextMenu(std::u16string_view ribbonId,
                                                           std::u16string_view idMso);
// The context menu Office opens for an item of that type; empty when the model knows none.
String ContextMenuFor(std::u16string_view itemType, bool flagged);

// ---- The objects the callbacks receive (ribbon.cpp) -------------------------------------

// An IRibbonControl: its id, its Context and its tag. A window given as the Context is held
// weakly, as Office's windows outlive no control; another Context (a context menu's
// Selection) lives as long as the control.
class SimRibbonControl final : public RibbonControl {
  public:
    SimRibbonControl(String id, String tag, const std::shared_ptr<Object>& context, bool window);
    String Id() override { return id_; }
    std::shared_ptr<Object> Context() override;
    String Tag() override { return tag_; }

  private:
    String id_;
    String tag_;
    std::weak_ptr<Object> window_;
    std::shared_ptr<Object> other_;
};

template <class Kind>
const Kind* CallbackOf(const RibbonControlDefinition& control, const char16_t* attribute) {
    const auto found = control.callbacks.find(attribute);
    return found == control.callbacks.end() ? nullptr : std::get_if<Kind>(&found->second);
}

template <class F>
void SimRibbon::Call(const std::string& what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        Fail(what + " failed: " + e.what());
    }
}

// A static attribute of the control; empty when it has none.
String StaticOf(const RibbonControlDefinition& control, const char16_t* attribute);
// "getLabel of B", how an error names a control's callback.
std::string CallbackName(const RibbonControlDefinition& control, const char16_t* attribute);

}  // namespace tessaly::host::sim
