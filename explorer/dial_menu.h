// The content of a dial menu, which Office asks for when the menu drops: one entry for each
// of the person's numbers, labelled with its kind, the number in the entry's tag so that a
// click dials what was shown; a menu without numbers says so in one disabled entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "explorer/contact_numbers.h"
#include "explorer/mail_person.h"
#include "host/outlook.h"
#include "softphone/common.h"

namespace tessaly::explorer {

// What a dial menu lists: whose numbers (a mail's person; empty for a contact) and which.
struct DialMenuEntries {
    std::u16string person;
    std::vector<ContactNumber> numbers;
};

// For a contact, its numbers in the toolbar's order; for a mail, those of the person behind
// it; nothing for other items.
DialMenuEntries EntriesOfItem(const std::shared_ptr<host::Item>& item, const SessionOf& session);

// The <menu> of the entries; their ids are `menuId`, "_" and their position, and each names
// the person in its screentip.
std::u16string DialMenuContent(const std::u16string& menuId, const DialMenuEntries& entries,
                               const softphone::Common& texts);

}  // namespace tessaly::explorer
