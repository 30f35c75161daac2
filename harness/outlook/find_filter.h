// The conditions Items.Find takes, as far as the model reads them: a contact's e-mail
// addresses compared with strings, joined with OR and AND, in parentheses if need be.
//
//   condition  := or-list
//   or-list    := and-list { "OR" and-list }
//   and-list   := primary { "AND" primary }
//   primary    := "(" or-list ")" | "[" property "]" "=" string
//   property   := "Email1Address" | "Email2Address" | "Email3Address"
//   string     := "'" { character | "''" } "'" | '"' { character | '""' } '"'
//
// Keywords and property names are read without regard to case, blanks may stand between
// the parts, AND binds closer than OR. Outlook reads more (other properties and operators);
// the model refuses what it does not know rather than answer it wrongly.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "host/outlook.h"

namespace tessaly::host::sim {

class FindFilter {
  public:
    // Throws Error(kE_INVALIDARG) saying where and why for a condition it cannot read.
    static FindFilter Parse(std::u16string_view text);
    // Strings compare without regard to case; an item that is no contact has none of the
    // properties and never matches.
    bool Matches(const Item& item) const;

  private:
    struct Step {
        enum class Kind { Compare, And, Or } kind;
        std::size_t slot = 0;  // Compare: the e-mail address 1 to 3
        String value;
    };
    friend class FindFilterParser;
    std::vector<Step> steps_;  // in postfix order
};

}  // namespace tessaly::host::sim
