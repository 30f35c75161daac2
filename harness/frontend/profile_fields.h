// What every element of the profile is read with: kind checks, non-empty strings, and an
// object's keys checked against the ones allowed, each failure a LineError at the element.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "harness/frontend/located_json.h"

namespace tessaly::frontend::profile_fields {

// The input's text as a message echoes it: printable, and cut when long.
std::string Quoted(std::string_view s);

void Expect(const JsonNode& node, JsonNode::Kind kind, std::string_view what);
const std::string& NonEmptyString(const JsonNode& node, std::string_view what);

// Checks an object's keys against the allowed ones (duplicates are errors too) and gives
// access to the members by key.
class Fields {
  public:
    Fields(const JsonNode& object, std::string_view what,
           const std::function<bool(std::string_view)>& allowed);
    const JsonNode* find(std::string_view key) const;
    const JsonNode& require(std::string_view key) const;

  private:
    const JsonNode& object_;
    std::string what_;
};

std::function<bool(std::string_view)> OneOf(std::initializer_list<std::string_view> keys);

}  // namespace tessaly::frontend::profile_fields
