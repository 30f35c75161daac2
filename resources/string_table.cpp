#include "resources/string_table.h"

#include <algorithm>
#include <array>

namespace tessaly::resources {
namespace {

struct Entry {
    std::uint16_t id;
    std::u16string_view text;
};

// The u"" prefix makes each narrow literal of the shared source a UTF-16 one.
constexpr Entry kTable[] = {
#define TESSALY_STRING(id, text) {id, u"" text},
#include "resources/strings.def"
#undef TESSALY_STRING
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }),
              "keep the string table sorted by id");

}  // namespace

std::optional<std::u16string_view> FindString(std::uint16_t id) {
    const auto* found =
        std::lower_bound(std::begin(kTable), std::end(kTable), id,
                         [](const Entry& e, std::uint16_t key) { return e.id < key; });
    if (found == std::end(kTable) || found->id != id) {
        return std::nullopt;
    }
    return found->text;
}

}  // namespace tessaly::resources
