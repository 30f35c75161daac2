#include <string>

#include "harness/outlook/find_filter.h"
#include "harness/outlook/internal.h"
#include "harness/outlook/mail.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

std::shared_ptr<host::Items> SimFolder::Items() {
    world_.check("MAPIFolder.Items");
    return returned(world_, std::shared_ptr<host::Items>(
                                std::make_shared<SimItems>(world_, shared_from_this())));
}

std::shared_ptr<Item> SimItems::Find(const String& filter) {
    const auto arguments = args(filter);
    std::optional<FindFilter> condition;
    try {
        condition = FindFilter::Parse(filter);
    } catch (const Error& e) {
        world_.refuse("Items.Find", arguments, e.code(), e.what());
    }
    world_.check("Items.Find", arguments);
    std::shared_ptr<Item> found;
    for (const auto& item : folder_->items()) {
        if (condition->Matches(*item)) {
            found = item;
            break;
        }
    }
    return returned(world_, found);
}

}  // namespace tessaly::host::sim
