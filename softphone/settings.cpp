#include "softphone/common.h"

namespace tessaly::softphone {

bool Common::InitSettings() {
    // The string table and the softphone discovery are not wired in yet.
    return false;
}

}  // namespace tessaly::softphone
