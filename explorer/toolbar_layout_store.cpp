// The toolbar layout store: written when a window closes, read back when a toolbar is built
// (see toolbar_builder.cpp). Every write stands alone: a failure abandons only its own step.
#include "explorer/explorer_handler.h"
#include "explorer/layout_values.h"
#include "platform/error.h"

namespace tessaly::explorer {

void ExplorerHandler::SaveToolbarLayout() {
    // A window that never got its command bars has no layout to report; saving would mark
    // the toolbar as removed for every window from then on.
    if (!oBars) {
        return;
    }
    const platform::RegistryBatch batch(library_.services.registry);  // one save for all values
    // A build that stopped before the toolbar was made (a host call failed) says nothing
    // about what the user wants: the stored toolbar values stay as they are.
    if (toolbarKnown_) {
        SaveToolbarValues();
    }
    using enum ToolbarControl;
    for (const ToolbarControl control : {Dial, Business, Home, Mobile, ShowContacts, Combo}) {
        WithMember(control, [&](const auto& member) { SaveControlLayout(member.get()); });
    }
}

void ExplorerHandler::SaveToolbarValues() {
    auto& common = library_.common;
    const LayoutValues store(library_.services.registry, common.sSettingsKey);
    bool present = false;
    step([&] { present = oBars->Item(common.sToolbarName) != nullptr; });
    if (!present) {
        step([&] { store.WriteDword(u"Exists", std::int32_t{0}); });
        oToolbar = nullptr;
        return;
    }
    step([&] { store.WriteDword(u"Exists", std::int32_t{1}); });
    const auto save = [&](const char16_t* name, auto read) {
        step([&] { store.WriteDword(name, read(must(oToolbar))); });
    };
    save(u"Enabled", [](host::CommandBar& bar) { return bar.Enabled(); });
    save(u"Visible", [](host::CommandBar& bar) { return bar.Visible(); });
    save(u"RowIndex", [](host::CommandBar& bar) { return bar.RowIndex(); });
    save(u"Position", [](host::CommandBar& bar) { return bar.Position(); });
    save(u"Top", [](host::CommandBar& bar) { return bar.Top(); });
    save(u"Left", [](host::CommandBar& bar) { return bar.Left(); });
    save(u"Width", [](host::CommandBar& bar) { return bar.Width(); });
    save(u"Height", [](host::CommandBar& bar) { return bar.Height(); });
}

void ExplorerHandler::SaveControlLayout(std::shared_ptr<host::CommandBarControl> control) {
    // Without its tag the control's key is unknown, and nothing is written for it.
    String key;
    step([&] { key = library_.common.sSettingsKey + must(control).Tag() + u"\\"; });
    if (key.empty()) {
        return;
    }
    const LayoutValues store(library_.services.registry, key);

    std::shared_ptr<host::CommandBar> parent;
    step([&] { parent = control->Parent(); });
    if (!parent) {
        step([&] { store.WriteDword(u"Exists", std::int32_t{0}); });
        return;
    }
    step([&] { store.WriteDword(u"Exists", std::int32_t{1}); });
    step([&] { store.WriteText(u"CommandBarName", parent->Name()); });
    step([&] { store.WriteText(u"BeforePos", control->Index()); });
    step([&] { store.WriteText(u"Visible", control->Visible()); });
    step([&] { store.WriteText(u"BeginGroup", control->BeginGroup()); });
}

}  // namespace tessaly::explorer
