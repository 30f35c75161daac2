// Toolbar construction: finds or creates the add-in's toolbar and its controls, restoring
// the stored layout. Every step stands alone: a failure abandons only its own step.
#include "explorer/explorer_handler.h"
#include "explorer/layout_values.h"
#include "platform/error.h"

namespace tessaly::explorer {
namespace {

constexpr std::int16_t kNoPicture = -1;

}  // namespace

void ExplorerHandler::BuildToolbar() {
    auto& common = library_.common;
    const LayoutValues stored(library_.services.registry, common.sSettingsKey);
    const bool exists = stored.ReadBoolean(u"Exists").value_or(true);
    step([&] { oToolbar = must(oBars.get()).Item(common.sToolbarName); });
    if (exists) {
        step([&] {
            if (!oToolbar) {
                oToolbar =
                    must(oBars.get()).Add(common.sToolbarName, std::nullopt, std::nullopt, true);
            }
        });
        toolbarKnown_ = static_cast<bool>(oToolbar);
        RestoreToolbarPlacement(stored);
    } else {
        toolbarKnown_ = true;
        if (oToolbar) {
            // The user removed the toolbar: remove one the window still has, build none.
            step([&] { oToolbar->Delete(); });
            oToolbar = nullptr;
        }
    }

    using enum ToolbarControl;
    for (const ToolbarControl control : {ShowContacts, Dial, Combo, Business, Mobile, Home}) {
        // The combo box holds the Dial button's number: it is made only beside the button.
        if (control != Combo || oComboButton) {
            WithMember(control, [&](auto& member) {
                step([&] { CreateControl(member, InfoOf(control)); });
            });
        }
    }

    step([&] {
        if (oComboButton) {
            oComboButton->SetEnabled(oComboBox && !oComboBox->Text().empty());
        }
    });
    step([&] {
        auto& bar = must(oToolbar);
        bar.SetProtection(bar.Protection() | host::msoBarNoCustomize);
    });
}

// Each property is a step of its own, and a missing value skips only its own step, so a
// toolbar without stored values is visible and docked at the top.
void ExplorerHandler::RestoreToolbarPlacement(const LayoutValues& stored) {
    const auto onToolbar = [&](auto&& action) { step([&] { action(must(oToolbar)); }); };
    onToolbar([](host::CommandBar& bar) { bar.SetAdaptiveMenu(true); });
    if (const auto enabled = stored.ReadBoolean(u"Enabled")) {
        onToolbar([&](host::CommandBar& bar) { bar.SetEnabled(*enabled); });
    }
    onToolbar([](host::CommandBar& bar) { bar.SetVisible(true); });
    if (const auto visible = stored.ReadBoolean(u"Visible")) {
        onToolbar([&](host::CommandBar& bar) { bar.SetVisible(*visible); });
    }
    if (const auto row = stored.ReadInt32(u"RowIndex")) {
        onToolbar([&](host::CommandBar& bar) { bar.SetRowIndex(*row); });
    }
    onToolbar([](host::CommandBar& bar) { bar.SetPosition(host::msoBarTop); });
    using Setter = void (host::CommandBar::*)(std::int32_t);
    const std::pair<const char16_t*, Setter> geometry[] = {
        {u"Position", &host::CommandBar::SetPosition},
        {u"Top", &host::CommandBar::SetTop},
        {u"Left", &host::CommandBar::SetLeft},
        {u"Width", &host::CommandBar::SetWidth},
        {u"Height", &host::CommandBar::SetHeight}};
    for (const auto& entry : geometry) {
        if (const auto value = stored.ReadInt32(entry.first)) {
            onToolbar([&](host::CommandBar& bar) { (bar.*entry.second)(*value); });
        }
    }
}

std::shared_ptr<host::CommandBarControl> ExplorerHandler::FindOrAddControl(std::int32_t type,
                                                                           const String& suffix) {
    auto& common = library_.common;
    const String tag = common.sTagPrefix + suffix;
    const LayoutValues stored(library_.services.registry, common.sSettingsKey + tag + u"\\");
    if (!stored.ReadBoolean(u"Exists").value_or(true)) {
        RemoveControlEverywhere(type, tag);
        return nullptr;
    }
    StoredPlace place = ReadStoredPlace(stored);
    auto control = FindOrAddOnBar(type, tag, place);
    if (control) {
        PlaceAsStored(*control, tag, place, stored);
    }
    return control;
}

void ExplorerHandler::RemoveControlEverywhere(std::int32_t type, const String& tag) {
    // The user removed this control: remove it from wherever the window holds it.
    step([&] {
        if (auto found = must(oBars.get()).FindControl(type, std::nullopt, tag, std::nullopt)) {
            found->Delete(std::nullopt);
        }
    });
}

ExplorerHandler::StoredPlace ExplorerHandler::ReadStoredPlace(const LayoutValues& stored) {
    StoredPlace place;
    place.position = stored.ReadInt32(u"BeforePos").value_or(-1);
    // Office numbers positions from 1 and refuses any other Before; a stored position below
    // that (hand-edited, or from another version) would lose the control for good, so it
    // appends like a missing one.
    if (place.position < 1) {
        place.position = -1;
    }
    place.barName = stored.ReadString(u"CommandBarName").value_or(String{});
    if (place.barName.empty() && oToolbar) {
        step([&] { place.barName = oToolbar->Name(); });
    }
    if (place.barName.empty()) {
        place.barName = library_.common.sToolbarName;
    }
    return place;
}

std::shared_ptr<host::CommandBarControl> ExplorerHandler::FindOrAddOnBar(std::int32_t type,
                                                                         const String& tag,
                                                                         StoredPlace& place) {
    // A control stored on another bar goes back there; the bar is made when missing.
    step([&] { place.bar = must(oBars.get()).Item(place.barName); });
    if (!place.bar) {
        step([&] {
            place.bar = must(oBars.get()).Add(place.barName, std::nullopt, std::nullopt, true);
        });
    }
    // The bar's number of controls, asked of the host once: for the place of an appended
    // control and for the Before of an added one.
    std::optional<std::int32_t> count;
    std::shared_ptr<host::CommandBarControls> controls;
    const auto countControls = [&] {
        if (!count) {
            controls = must(place.bar).Controls();
            count = must(controls).Count();
        }
        return *count;
    };
    if (place.position == -1) {
        // Without a stored place the control goes to the end, after the controls the bar
        // has now. Taking the index of the present last control instead would have the
        // host's move put each new control in front of the previous one.
        step([&] { place.position = countControls() + 1; });
    }
    std::shared_ptr<host::CommandBarControl> control;
    step([&] {
        control = must(place.bar).FindControl(type, std::nullopt, tag, std::nullopt, std::nullopt);
    });
    if (!control) {
        step([&] {
            std::optional<std::int32_t> before;
            step([&] {
                if (place.position != -1 && place.position < countControls()) {
                    before = place.position;
                }
            });
            if (!controls) {
                controls = must(place.bar).Controls();
            }
            control = must(controls).Add(type, std::nullopt, before, true);
        });
    }
    return control;
}

void ExplorerHandler::PlaceAsStored(host::CommandBarControl& control, const String& tag,
                                    const StoredPlace& place, const LayoutValues& stored) {
    const bool misplaced = trueOnError([&] {
        return must(control.Parent()).Name() != place.barName || control.Index() != place.position;
    });
    if (misplaced) {
        // Office takes the destination as a bar object and refuses a name.
        step([&] {
            must(place.bar);
            control.Move(place.bar, place.position);
        });
    }
    step([&] { control.SetTag(tag); });
    if (const auto visible = stored.ReadBoolean(u"Visible")) {
        step([&] { control.SetVisible(*visible); });
    }
    if (const auto beginGroup = stored.ReadBoolean(u"BeginGroup")) {
        step([&] { control.SetBeginGroup(*beginGroup); });
    }
}

void ExplorerHandler::CreateControl(host::WithEvents<host::CommandBarButton>& button,
                                    const ToolbarControlInfo& info) {
    button = CreateButton(info.suffix, info.buttonRow);
}

void ExplorerHandler::CreateControl(host::WithEvents<host::CommandBarComboBox>& combo,
                                    const ToolbarControlInfo&) {
    combo = CreateComboBox();
}

std::shared_ptr<host::CommandBarButton> ExplorerHandler::CreateButton(const String& suffix,
                                                                      int index) {
    const softphone::ButtonInfo& info = library_.common.Button(index);
    // A button needs a caption, or both a face and a mask.
    if (info.sCaption.empty() && (info.iPictureId == 0 || info.iMaskId == 0)) {
        return nullptr;
    }
    auto button = std::dynamic_pointer_cast<host::CommandBarButton>(
        FindOrAddControl(host::msoControlButton, suffix));
    if (!button) {
        return nullptr;
    }

    const auto load = [&](std::int16_t id) {
        std::shared_ptr<host::Picture> picture;
        if (id != 0 && id != kNoPicture) {
            step([&] { picture = library_.services.resources.BitmapPicture(id); });
        }
        return picture;
    };
    const auto face = load(info.iPictureId);
    const auto mask = load(info.iMaskId);

    step([&] { button->SetBeginGroup(true); });
    step([&] { button->SetCaption(info.sCaption); });
    if (face && mask) {
        step([&] { button->SetStyle(host::msoButtonIconAndCaption); });
        step([&] { button->SetPicture(face); });
        step([&] { button->SetMask(mask); });
    } else {
        step([&] { button->SetStyle(host::msoButtonCaption); });
    }
    step([&] { button->SetTooltipText(info.sTooltipText); });
    return button;
}

std::shared_ptr<host::CommandBarComboBox> ExplorerHandler::CreateComboBox() {
    auto combo = std::dynamic_pointer_cast<host::CommandBarComboBox>(
        FindOrAddControl(host::msoControlComboBox, InfoOf(ToolbarControl::Combo).suffix));
    if (combo) {
        step([&] { combo->SetTooltipText(library_.common.sEnterNumberText); });
        step([&] { combo->SetStyle(host::msoComboNormal); });
        step([&] { combo->SetDropDownLines(6); });
        step([&] { combo->SetWidth(220); });
    }
    return combo;
}

}  // namespace tessaly::explorer
