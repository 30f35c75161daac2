// A JSON document in which every value and every object key knows the line it stands on, so
// that a profile's semantic errors can point at the offending element. Built through
// nlohmann's SAX interface, reading through an iterator that counts lines as the lexer
// consumes characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

// The longest message of a LineError; what a script or profile makes longer is cut.
inline constexpr std::size_t kMaxLineErrorText = 400;

// An error at a line of a file; the file name is added by whoever knows it. The message is
// printable whatever input it echoes (see Printable).
class LineError : public std::runtime_error {
  public:
    LineError(int line, const std::string& message)
        : std::runtime_error(Printable(message, kMaxLineErrorText)), line_(line) {}
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

    JsonNode() = default;
    JsonNode(const JsonNode&) = default;
    JsonNode(JsonNode&&) noexcept = default;
    JsonNode& operator=(const JsonNode&) = default;
    JsonNode& operator=(JsonNode&&) noexcept = default;
    // Frees the subtree level by level rather than by recursion, so that no depth of
    // nesting can exhaust the stack.
    ~JsonNode();
};

// Deeper nesting is refused while parsing: a profile needs five levels.
inline constexpr std::size_t kMaxJsonDepth = 64;

// "a string", "an object", ... for error messages.
std::string_view KindName(JsonNode::Kind kind);

// Parses a whole document; throws LineError for malformed JSON (the line where the parser
// stopped, nlohmann's description of the problem) and for arrays and objects nested deeper
// than kMaxJsonDepth.
JsonNode ParseLocatedJson(std::string_view text);

}  // namespace tessaly::frontend
