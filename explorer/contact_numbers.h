// A contact's telephone numbers as every view of them lists them: by group (business,
// mobile, home, the others), each trimmed, empty ones and repeats within a group left out.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/outlook.h"

namespace tessaly::explorer {

// The contact's nine number properties, in the order the lists show them.
enum class NumberKind : std::uint8_t {
    Business,
    Business2,
    Mobile,
    Home,
    Home2,
    Callback,
    Car,
    Assistant,
    CompanyMain
};
inline constexpr std::size_t kNumberKinds = 9;

// The first number of each of the first three groups is also its button's number.
enum class NumberGroup : std::uint8_t { Business, Mobile, Home, Other };
inline constexpr std::array kNumberGroups = {NumberGroup::Business, NumberGroup::Mobile,
                                             NumberGroup::Home, NumberGroup::Other};

struct ContactNumber {
    NumberKind kind;
    std::u16string number;

    bool operator==(const ContactNumber&) const = default;
};

// The item as a contact: nothing when its type name is not "ContactItem".
std::shared_ptr<host::ContactItem> ContactOf(const std::shared_ptr<host::Item>& item);

// One group's numbers, read in property order.
std::vector<ContactNumber> ReadNumberGroup(host::ContactItem& contact, NumberGroup group);
// Every group's, one after the other.
std::vector<ContactNumber> ReadContactNumbers(host::ContactItem& contact);

}  // namespace tessaly::explorer
