// A JSON document in which every value and every object key knows the line it stands on, so
// that a profile's semantic errors can point at the offending element. Built through
// nlohmann's SAX interface, reading through an iterator that counts lines as the lexer
// consumes characters.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::sim_tool {

// An error at a line of a file; the file name is added by whoever knows it.
class LineError : public std::runtime_error {
  public:
    LineError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const noexcept { return line_; }

  private:
    int line_;
};

struct JsonNode;

struct JsonMember {
    std::string key;
    int line = 0;                 // of the key
    std::vector<JsonNode> value;  // exactly one element (a vector keeps JsonNode incomplete-safe)
    const JsonNode& node() const { return value.front(); }
};

struct JsonNode {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    int line = 0;  // where the value starts
    bool boolean = false;
    std::string text;                 // a string's value, or a number as written
    std::vector<JsonNode> elements;   // Array
    std::vector<JsonMember> members;  // Object, in document order, duplicates kept
};

// "a string", "an object", ... for error messages.
std::string_view KindName(JsonNode::Kind kind);

// Parses a whole document; throws LineError for malformed JSON (the line where the parser
// stopped, nlohmann's description of the problem).
JsonNode ParseLocatedJson(std::string_view text);

}  // namespace tessaly::sim_tool
