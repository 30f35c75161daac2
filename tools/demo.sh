#!/usr/bin/env bash
# The main job: builds tessaly-sim and runs the add-in in the simulated Outlook on the
# bundled profile with a short demo script, against a throw-away registry file.
# Extra arguments go to tessaly-sim (for example --no-launch).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target tessaly-sim >/dev/null
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
build/linux/tools/tessaly-sim/tessaly-sim --registry "$workdir/HKCU.reg" \
    --script tools/tessaly-sim/demo.script "$@"
