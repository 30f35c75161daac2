// The content of a dial menu, which Office asks for when the menu drops: one entry for each
// of the person's numbers, labelled with its kind, the number in the entry's tag so that a
// click dials what was shown; a menu without numbers says so in one disabled entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "explorer/contact_numbers.h"
#include "host/outlook.h"
#include "softphone/common.h"

namespace tessaly::explorer {

// The numbers a dial menu lists for an item: a contact's, in the toolbar's order; nothing
// for other items.
std::vector<ContactNumber> NumbersOfItem(const std::shared_ptr<host::Item>& item);

// The <menu> of the numbers; the entries' ids are `menuId`, "_" and their position.
std::u16string DialMenuContent(const std::u16string& menuId,
                               const std::vector<ContactNumber>& numbers,
                               const softphone::Common& texts);

}  // namespace tessaly::explorer
