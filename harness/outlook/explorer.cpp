#include <string>

#include "harness/outlook/internal.h"
#include "host/ribbon.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

namespace {

std::vector<std::shared_ptr<Item>> firstItemOf(const std::shared_ptr<SimFolder>& folder) {
    if (!folder || folder->items().empty()) {
        return {};
    }
    return {folder->items().front()};
}

}  // namespace

// ---- Explorer ----------------------------------------------------------------------------

SimExplorer::SimExplorer(World& world, std::shared_ptr<SimFolder> folder, bool commandBarsReady)
    : world_(world),
      folder_(std::move(folder)),
      selection_(firstItemOf(folder_)),
      bars_(std::make_shared<SimCommandBars>(world)),
      barsReady_(commandBarsReady) {
    bars_->addBuiltInBars();
}

String SimExplorer::ribbonId() const {
    return kExplorerRibbonId;
}

String SimExplorer::shownTab() const {
    // The Home tab, which Outlook swaps for the folder's kind.
    return folder_ && folder_->kind() == FolderKind::Contacts ? u"TabContacts" : u"TabMail";
}

void SimExplorer::call(const std::string& operation, const detail::Arguments& arguments) {
    if (closed_) {
        world_.refuse(operation, arguments);
    }
    world_.check(operation, arguments);
}

std::shared_ptr<host::CommandBars> SimExplorer::CommandBars() {
    if (!closed_ && !barsReady_) {
        // Outlook builds a new window's bars late; until then the property fails.
        world_.refuse("Explorer.CommandBars");
    }
    call("Explorer.CommandBars");
    return returned(world_, bars_);
}

std::shared_ptr<host::Selection> SimExplorer::Selection() {
    call("Explorer.Selection");
    return returned(world_, std::make_shared<SimSelection>(world_, selection_, weak_from_this()));
}

std::shared_ptr<NameSpace> SimExplorer::Session() {
    call("Explorer.Session");
    return returned(world_, world_.session());
}

void SimExplorer::SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder) {
    const auto arguments = args(folder);
    auto target = std::dynamic_pointer_cast<SimFolder>(folder);
    if (!closed_ && !target) {
        world_.refuse("Explorer.CurrentFolder=", arguments, kE_INVALIDARG);
    }
    call("Explorer.CurrentFolder=", arguments);
    switchFolder(target);
}

Subscription SimExplorer::Advise(std::shared_ptr<const Events> sink) {
    call("Explorer.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "Explorer.Advise: no sink");
    }
    return detail::connect(weak_from_this(), sinks_, nextCookie_, std::move(sink),
                           &SimExplorer::sinks_);
}

void SimExplorer::switchFolder(const std::shared_ptr<SimFolder>& folder) {
    const auto keepAlive = shared_from_this();
    bool cancel = false;
    const std::shared_ptr<MAPIFolder> newFolder = folder;
    raise("Explorer.BeforeFolderSwitch", [&](const Events& sink) {
        if (sink.BeforeFolderSwitch) {
            sink.BeforeFolderSwitch(newFolder, cancel);
        }
    });
    if (cancel || closed_) {
        return;
    }
    folder_ = folder;
    selection_ = firstItemOf(folder_);
    raise("Explorer.FolderSwitch", [](const Events& sink) {
        if (sink.FolderSwitch) {
            sink.FolderSwitch();
        }
    });
    raise("Explorer.SelectionChange", [](const Events& sink) {
        if (sink.SelectionChange) {
            sink.SelectionChange();
        }
    });
}

// ---- Explorers and Application -----------------------------------------------------------

std::int32_t SimExplorers::Count() {
    world_.check("Explorers.Count");
    return returned(world_, static_cast<std::int32_t>(world_.explorers().size()));
}

std::shared_ptr<Explorer> SimExplorers::Item(std::int32_t index) {
    const auto arguments = args(index);
    const auto& open = world_.explorers();
    if (index < 1 || index > static_cast<std::int32_t>(open.size())) {
        world_.refuse("Explorers.Item", arguments, kDISP_E_BADINDEX);
    }
    world_.check("Explorers.Item", arguments);
    return returned(world_, open[static_cast<std::size_t>(index - 1)]);
}

Subscription SimExplorers::Advise(std::shared_ptr<const Events> sink) {
    world_.check("Explorers.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "Explorers.Advise: no sink");
    }
    return detail::connect(weak_from_this(), sinks_, nextCookie_, std::move(sink),
                           &SimExplorers::sinks_);
}

std::shared_ptr<host::Explorers> SimApplication::Explorers() {
    world_.check("Application.Explorers");
    return returned(world_, world_.explorersCollection().shared_from_this());
}

}  // namespace tessaly::host::sim
