#include "harness/frontend/located_json.h"

#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>

namespace tessaly::frontend {

namespace {

// The line of the character the lexer read last. A newline belongs to the line it ends,
// because the lexer reads one character past a number: "5\n" must still report 5's line.
struct LineCounter {
    int line = 1;
    bool afterNewline = false;
};

class CountingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* p, LineCounter* counter) : p_(p), counter_(counter) {}
    reference operator*() const { return *p_; }
    CountingIterator& operator++() {
        if (counter_->afterNewline) {
            ++counter_->line;
        }
        counter_->afterNewline = *p_ == '\n';
        ++p_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    friend bool operator==(const CountingIterator& a, const CountingIterator& b) {
        return a.p_ == b.p_;
    }

  private:
    const char* p_;
    LineCounter* counter_;
};

using Json = nlohmann::json;

class TreeBuilder final : public nlohmann::json_sax<Json> {
  public:
    explicit TreeBuilder(const LineCounter& counter) : counter_(counter) {}

    bool null() override { return add(Make(JsonNode::Kind::Null)); }
    bool boolean(bool val) override {
        JsonNode n = Make(JsonNode::Kind::Boolean);
        n.boolean = val;
        return add(std::move(n));
    }
    bool number_integer(number_integer_t val) override { return number(std::to_string(val)); }
    bool number_unsigned(number_unsigned_t val) override { return number(std::to_string(val)); }
    bool number_float(number_float_t, const string_t& s) override { return number(s); }
    bool string(string_t& val) override {
        JsonNode n = Make(JsonNode::Kind::String);
        n.text = std::move(val);
        return add(std::move(n));
    }
    bool binary(binary_t&) override { return false; }  // not produced by the JSON parser
    bool start_object(std::size_t) override { return open(Make(JsonNode::Kind::Object)); }
    bool key(string_t& val) override {
        JsonMember m;
        m.key = std::move(val);
        m.line = counter_.line;
        stack_.back()->members.push_back(std::move(m));
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Make(JsonNode::Kind::Array)); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        throw LineError(counter_.line, Describe(ex.what()));
    }

    JsonNode take() { return std::move(root_); }

  private:
    JsonNode Make(JsonNode::Kind kind) const {
        JsonNode n;
        n.kind = kind;
        n.line = counter_.line;
        return n;
    }

    // nlohmann's text is "[json.exception.parse_error.101] parse error at line L, column C:
    // syntax error ..."; the position is ours to report, the rest is kept.
    static std::string Describe(std::string what) {
        if (auto column = what.find("column "); column != std::string::npos) {
            if (auto colon = what.find(": ", column); colon != std::string::npos) {
                return what.substr(colon + 2);
            }
        }
        if (auto bracket = what.find("] "); bracket != std::string::npos) {
            return what.substr(bracket + 2);
        }
        return what;
    }

    // Where the next value goes: the root, the open array, or the last key's slot.
    JsonNode* add(JsonNode node) {
        if (stack_.empty()) {
            root_ = std::move(node);
            return &root_;
        }
        JsonNode& parent = *stack_.back();
        if (parent.kind == JsonNode::Kind::Array) {
            parent.elements.push_back(std::move(node));
            return &parent.elements.back();
        }
        parent.members.back().value.push_back(std::move(node));
        return &parent.members.back().value.back();
    }
    bool number(std::string text) {
        JsonNode n = Make(JsonNode::Kind::Number);
        n.text = std::move(text);
        return add(std::move(n));
    }
    bool open(JsonNode node) {
        if (stack_.size() >= kMaxJsonDepth) {
            throw LineError(counter_.line, "arrays and objects nested deeper than " +
                                               std::to_string(kMaxJsonDepth) + " levels");
        }
        // Pointers into vectors stay valid: a container only grows while it is the top of
        // the stack, and then nothing below it is referenced.
        stack_.push_back(add(std::move(node)));
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }

    const LineCounter& counter_;
    JsonNode root_;
    std::vector<JsonNode*> stack_;
};

}  // namespace

JsonNode::~JsonNode() {
    if (elements.empty() && members.empty()) {
        return;
    }
    // Children are moved out into one list before their parent goes, so each node is
    // destroyed with no children of its own.
    std::vector<JsonNode> pending;
    auto adopt = [&pending](JsonNode& node) {
        for (JsonNode& element : node.elements) {
            pending.push_back(std::move(element));
        }
        node.elements.clear();
        for (JsonMember& member : node.members) {
            for (JsonNode& value : member.value) {
                pending.push_back(std::move(value));
            }
        }
        node.members.clear();
    };
    adopt(*this);
    while (!pending.empty()) {
        JsonNode node = std::move(pending.back());
        pending.pop_back();
        adopt(node);
    }
}

std::string_view KindName(JsonNode::Kind kind) {
    switch (kind) {
        case JsonNode::Kind::Null:
            return "null";
        case JsonNode::Kind::Boolean:
            return "a boolean";
        case JsonNode::Kind::Number:
            return "a number";
        case JsonNode::Kind::String:
            return "a string";
        case JsonNode::Kind::Array:
            return "an array";
        case JsonNode::Kind::Object:
            return "an object";
    }
    return "a value";
}

JsonNode ParseLocatedJson(std::string_view text) {
    LineCounter counter;
    TreeBuilder builder(counter);
    CountingIterator first(text.data(), &counter);
    CountingIterator last(text.data() + text.size(), &counter);
    Json::sax_parse(first, last, &builder);
    return builder.take();
}

}  // namespace tessaly::frontend
