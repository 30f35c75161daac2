// The profile used when no --profile is given (default-profile.json, compiled in).
#pragma once

#include <string_view>

namespace tessaly::frontend {

inline constexpr std::string_view kDefaultProfileName = "<default profile>";

std::string_view DefaultProfileText();

}  // namespace tessaly::frontend
