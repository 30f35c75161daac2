#include "harness/frontend/profile_fields.h"

#include <algorithm>
#include <set>
#include <vector>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend::profile_fields {

using Kind = JsonNode::Kind;

std::string Quoted(std::string_view s) {
    return "\"" + Printable(s, kMaxEcho) + "\"";
}

void Expect(const JsonNode& node, Kind kind, std::string_view what) {
    if (node.kind != kind) {
        throw LineError(node.line, std::string(what) + " must be " + std::string(KindName(kind)) +
                                       ", not " + std::string(KindName(node.kind)));
    }
}

const std::string& NonEmptyString(const JsonNode& node, std::string_view what) {
    Expect(node, Kind::String, what);
    if (node.text.empty()) {
        throw LineError(node.line, std::string(what) + " must not be empty");
    }
    return node.text;
}

Fields::Fields(const JsonNode& object, std::string_view what,
               const std::function<bool(std::string_view)>& allowed)
    : object_(object), what_(what) {
    Expect(object, Kind::Object, what);
    std::set<std::string> seen;
    for (const JsonMember& m : object.members) {
        if (!seen.insert(m.key).second) {
            throw LineError(m.line, "duplicate key " + Quoted(m.key) + " in " + what_);
        }
        if (!allowed(m.key)) {
            throw LineError(m.line, "unknown key " + Quoted(m.key) + " in " + what_);
        }
    }
}

const JsonNode* Fields::find(std::string_view key) const {
    for (const JsonMember& m : object_.members) {
        if (m.key == key) {
            return &m.node();
        }
    }
    return nullptr;
}

const JsonNode& Fields::require(std::string_view key) const {
    if (const JsonNode* n = find(key)) {
        return *n;
    }
    throw LineError(object_.line, what_ + " has no " + Quoted(key));
}

std::function<bool(std::string_view)> OneOf(std::initializer_list<std::string_view> keys) {
    std::vector<std::string_view> list(keys);
    return [list](std::string_view key) {
        return std::find(list.begin(), list.end(), key) != list.end();
    };
}

}  // namespace tessaly::frontend::profile_fields
