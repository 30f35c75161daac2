#include <algorithm>
#include <cstdlib>
#include <string>

#include "harness/outlook/internal.h"
#include "harness/outlook/mail.h"

namespace tessaly::host::sim {

UpdateMode UpdateModeFromEnvironment() {
    const char* mode = std::getenv("TESSALY_SIM_ON_UPDATE");
    return mode != nullptr && std::string(mode) == "strict" ? UpdateMode::Strict : UpdateMode::Idle;
}

World::World()
    : explorersObject_(std::make_shared<SimExplorers>(*this)),
      application_(std::make_shared<SimApplication>(*this)),
      session_(std::make_shared<SimNameSpace>(*this)) {}

// ---- Profile -----------------------------------------------------------------------------

std::shared_ptr<SimFolder> World::AddFolder(const String& name) {
    auto folder = std::make_shared<SimFolder>(*this, name);
    folders_.push_back(folder);
    return folder;
}

std::shared_ptr<SimFolder> World::FindFolder(const String& name) const {
    for (const auto& folder : folders_) {
        if (folder->name() == name) {
            return folder;
        }
    }
    return nullptr;
}

void World::SetDefaultContactsFolder(std::shared_ptr<SimFolder> folder) {
    contacts_ = std::move(folder);
}

std::shared_ptr<SimContact> World::AddContact(SimFolder& folder, const String& name,
                                              std::map<String, String> numbers) {
    auto contact = std::make_shared<SimContact>(*this, name, std::move(numbers));
    folder.add(contact);
    return contact;
}

std::shared_ptr<SimItem> World::AddItem(SimFolder& folder, const String& typeName,
                                        const String& name) {
    if (typeName == u"MailItem") {
        return AddMail(folder, MailData{name, std::nullopt, {}});
    }
    auto item = std::make_shared<SimItem>(*this, typeName, name);
    folder.add(item);
    return item;
}

void World::SetFlagged(const Item& item, bool flagged) {
    if (flagged) {
        flagged_.insert(&item);
    } else {
        flagged_.erase(&item);
    }
}

bool World::SetProperty(Item& item, const String& property, const String& value) {
    auto* contact = dynamic_cast<SimContact*>(&item);
    return contact != nullptr && contact->setNumber(property, value);
}

// ---- Windows -----------------------------------------------------------------------------

void World::Idle() {
    // A handler may close a window; go by a snapshot.
    const auto open = explorers_;
    for (const auto& explorer : open) {
        if (!explorer->closed_) {
            explorer->bars_->raisePending();
        }
    }
    if (idleHook_) {
        idleHook_();
    }
}

std::shared_ptr<SimExplorer> World::OpenExplorer(std::shared_ptr<SimFolder> folder,
                                                 bool commandBarsReady) {
    Idle();
    auto explorer = std::make_shared<SimExplorer>(*this, std::move(folder), commandBarsReady);
    explorers_.push_back(explorer);
    if (windowHook_) {
        windowHook_(*explorer);
    }
    const auto collection = explorersObject_;
    detail::raiseOn(*this, collection->sinks_, "Explorers.NewExplorer",
                    [&](const ExplorersEvents& sink) {
                        if (sink.NewExplorer) {
                            sink.NewExplorer(explorer);
                        }
                    });
    return explorer;
}

void World::Activate(SimExplorer& explorer) {
    Idle();
    if (explorer.closed_) {
        return;
    }
    explorer.barsReady_ = true;
    explorer.raise("Explorer.Activate", [](const ExplorerEvents& sink) {
        if (sink.Activate) {
            sink.Activate();
        }
    });
}

void World::Select(SimExplorer& explorer, std::vector<std::shared_ptr<Item>> items) {
    Idle();
    if (explorer.closed_) {
        return;
    }
    explorer.selection_ = std::move(items);
    explorer.raise("Explorer.SelectionChange", [](const ExplorerEvents& sink) {
        if (sink.SelectionChange) {
            sink.SelectionChange();
        }
    });
}

void World::SwitchFolder(SimExplorer& explorer, std::shared_ptr<SimFolder> folder) {
    Idle();
    if (explorer.closed_) {
        return;
    }
    explorer.switchFolder(folder);
}

void World::Close(SimExplorer& explorer) {
    Idle();
    if (explorer.closed_) {
        return;
    }
    const auto keepAlive = explorer.shared_from_this();
    explorer.raise("Explorer.Close", [](const ExplorerEvents& sink) {
        if (sink.Close) {
            sink.Close();
        }
    });
    std::erase_if(explorers_, [&](const auto& e) { return e.get() == &explorer; });
    explorer.closed_ = true;
    explorer.bars_->detach();
}

// ---- Using controls ----------------------------------------------------------------------

namespace {

// A user can use only what is shown: an enabled, visible control on a visible bar.
bool usable(const SimControl& control) {
    const auto bar = control.bar();
    return control.alive() && control.enabled() && control.visible() && bar && bar->visible();
}

// Office delivers a control's event to every connected control object that carries the
// same tag, in every window. A control without a tag only reaches its own handlers.
template <class Sim>
std::vector<std::shared_ptr<Sim>> recipients(const std::vector<std::shared_ptr<SimExplorer>>& open,
                                             const std::shared_ptr<Sim>& used) {
    std::vector<std::shared_ptr<Sim>> out;
    if (used->tag().empty()) {
        if (used->connections() > 0) {
            out.push_back(used);
        }
        return out;
    }
    for (const auto& explorer : open) {
        for (const auto& bar : explorer->commandBars()->bars()) {
            for (const auto& control : bar->controls()) {
                if (control->type() != used->type() || control->tag() != used->tag() ||
                    control->connections() == 0) {
                    continue;
                }
                if (auto typed = std::dynamic_pointer_cast<Sim>(control)) {
                    out.push_back(std::move(typed));
                }
            }
        }
    }
    return out;
}

}  // namespace

bool World::Click(const std::shared_ptr<SimButton>& button) {
    Idle();
    if (!button || !usable(*button)) {
        return false;
    }
    bool cancelDefault = false;
    const std::shared_ptr<CommandBarButton> ctrl = button;
    for (const auto& target : recipients(explorers_, button)) {
        target->raiseClick(ctrl, cancelDefault);
    }
    return true;
}

bool World::TypeText(const std::shared_ptr<SimComboBox>& combo, const String& text) {
    Idle();
    if (!combo || !usable(*combo)) {
        return false;
    }
    combo->text_ = text;
    const auto it = std::find(combo->list_.begin(), combo->list_.end(), text);
    combo->listIndex_ =
        it == combo->list_.end() ? 0 : static_cast<std::int32_t>(it - combo->list_.begin()) + 1;
    const std::shared_ptr<CommandBarComboBox> ctrl = combo;
    for (const auto& target : recipients(explorers_, combo)) {
        target->raiseChange(ctrl);
    }
    return true;
}

bool World::Pick(const std::shared_ptr<SimComboBox>& combo, std::int32_t index) {
    Idle();
    if (!combo || !usable(*combo) || index < 1 ||
        index > static_cast<std::int32_t>(combo->list_.size())) {
        return false;
    }
    combo->listIndex_ = index;
    combo->text_ = combo->list_[static_cast<std::size_t>(index - 1)];
    const std::shared_ptr<CommandBarComboBox> ctrl = combo;
    for (const auto& target : recipients(explorers_, combo)) {
        target->raiseChange(ctrl);
    }
    return true;
}

// ---- Customisation -----------------------------------------------------------------------

namespace {

bool belongsTo(const SimExplorer& explorer, const SimControl& control) {
    const auto bar = control.bar();
    return control.alive() && bar && explorer.commandBars()->find(bar->name()) == bar;
}

}  // namespace

bool World::MoveControl(SimExplorer& explorer, const std::shared_ptr<SimControl>& control,
                        const String& barName, std::int32_t before) {
    Idle();
    if (explorer.closed_ || !control || !belongsTo(explorer, *control)) {
        return false;
    }
    auto& bars = *explorer.bars_;
    auto destination = bars.find(barName);
    if (!destination) {
        destination = bars.addBar(barName, true);
        destination->visible_ = true;
    }
    const auto source = control->bar();
    std::int32_t at = before;
    if (source == destination && at > source->indexOf(*control)) {
        --at;  // positions after the control move up once it is taken out
    }
    source->remove(*control);
    destination->insert(control, at);
    bars.changed();
    Idle();
    return true;
}

bool World::DeleteControl(SimExplorer& explorer, const std::shared_ptr<SimControl>& control) {
    Idle();
    if (explorer.closed_ || !control || !belongsTo(explorer, *control)) {
        return false;
    }
    noteRemoved(*control);
    control->bar()->remove(*control);
    control->deleted_ = true;
    explorer.bars_->changed();
    Idle();
    return true;
}

bool World::DeleteBar(SimExplorer& explorer, const String& barName) {
    Idle();
    if (explorer.closed_) {
        return false;
    }
    auto& bars = *explorer.bars_;
    const auto bar = bars.find(barName);
    if (!bar || bar->builtIn()) {
        return false;
    }
    for (const auto& control : bar->controls()) {
        noteRemoved(*control);
    }
    bars.removeBar(*bar);
    bar->markDeleted();
    bars.changed();
    Idle();
    return true;
}

std::shared_ptr<SimControl> World::RestoreControl(SimExplorer& explorer, std::int32_t type,
                                                  const String& tag, const String& barName) {
    Idle();
    if (explorer.closed_ || (type != msoControlButton && type != msoControlComboBox)) {
        return nullptr;
    }
    auto& bars = *explorer.bars_;
    auto bar = bars.find(barName);
    if (!bar) {
        bar = bars.addBar(barName, false);
        bar->visible_ = true;
    }
    std::shared_ptr<SimControl> control;
    if (type == msoControlButton) {
        control = std::make_shared<SimButton>(*this);
    } else {
        control = std::make_shared<SimComboBox>(*this);
    }
    control->tag_ = tag;
    if (const auto it = removedCaptions_.find({type, tag}); it != removedCaptions_.end()) {
        control->caption_ = it->second;
    }
    bar->insert(control, 0);
    bars.changed();
    Idle();
    return control;
}

std::shared_ptr<SimControl> World::CopyControl(SimExplorer& explorer,
                                               const std::shared_ptr<SimControl>& control,
                                               const String& barName, std::int32_t before) {
    if (explorer.closed_ || !control || !belongsTo(explorer, *control)) {
        return nullptr;
    }
    std::shared_ptr<SimControl> copy;
    if (const auto* button = dynamic_cast<const SimButton*>(control.get())) {
        auto made = std::make_shared<SimButton>(*this);
        made->style_ = button->style_;
        made->picture_ = button->picture_;
        made->mask_ = button->mask_;
        copy = std::move(made);
    } else if (const auto* combo = dynamic_cast<const SimComboBox*>(control.get())) {
        auto made = std::make_shared<SimComboBox>(*this);
        made->style_ = combo->style_;
        made->dropDownLines_ = combo->dropDownLines_;
        made->list_ = combo->list_;
        made->listIndex_ = combo->listIndex_;
        made->text_ = combo->text_;
        copy = std::move(made);
    } else {
        return nullptr;
    }
    copy->tag_ = control->tag_;
    copy->visible_ = control->visible_;
    copy->beginGroup_ = control->beginGroup_;
    copy->enabled_ = control->enabled_;
    copy->caption_ = control->caption_;
    copy->tooltipText_ = control->tooltipText_;
    copy->width_ = control->width_;

    auto& bars = *explorer.bars_;
    auto destination = bars.find(barName);
    if (!destination) {
        destination = bars.addBar(barName, false);
        destination->visible_ = true;
    }
    destination->insert(copy, before);
    bars.raiseOnUpdate();
    return copy;
}

void World::RaiseUpdate(SimExplorer& explorer) {
    Idle();
    if (explorer.closed_) {
        return;
    }
    explorer.bars_->raiseOnUpdate();
}

void World::noteRemoved(const SimControl& control) {
    removedCaptions_[{control.type(), control.tag()}] = control.caption();
}

}  // namespace tessaly::host::sim
