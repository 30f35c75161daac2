// The process environment as Windows programs see it, for values the registry stores as
// expandable strings.
#pragma once

#include <string_view>

#include "platform/services.h"

namespace tessaly::platform::posix {

// As ExpandEnvironmentStrings on Windows: "%NAME%" of a defined variable becomes its value, the
// name looked up without regard to case (the exact spelling wins over another one); anything else,
// including "%%" and an undefined "%NAME%", stays as written, and scanning goes on after the
// closing '%'.
String expandEnvironmentStrings(std::u16string_view text);

}  // namespace tessaly::platform::posix
