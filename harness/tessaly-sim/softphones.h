// The `softphones` command and --softphones: the installations the add-in found.
#pragma once

#include "harness/frontend/output.h"
#include "softphone/common.h"

namespace tessaly::sim_tool {

// One line with the count and the selection, then one per installation.
void ShowSoftphones(frontend::Output& out, softphone::Common& common);

}  // namespace tessaly::sim_tool
