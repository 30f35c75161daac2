#!/usr/bin/env bash
# The main job: builds tessaly-sim and runs the add-in in the simulated Outlook on the
# bundled profile with the demo script. A test softphone is registered in a throw-away
# registry file and records every start; what it received is printed at the end.
# Extra arguments go to tessaly-sim (for example --no-launch).
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the simulator needs, and only it and the test softphone built: the tests, the
# benchmarks and the Windows side have their own commands (tools/test.sh, tools/bench.sh).
tools/install-deps.sh sim
cmake --preset sim >/dev/null
cmake --build --preset sim -j "$(nproc)" >/dev/null
build=build/sim/harness/tessaly-sim
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
cat >"$workdir/HKCU.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90]
"AppPath"="$(pwd)/$build/tessaly-test-softphone"
REG
export TESSALY_SOFTPHONE_LOG="$workdir/softphone.log"
"$build/tessaly-sim" --registry "$workdir/HKCU.reg" --script harness/tessaly-sim/demo.script "$@"
# The softphone runs on its own; give the last one a moment to write.
for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ -s "$TESSALY_SOFTPHONE_LOG" ] && break
    sleep 0.1
done
sleep 0.2
echo
cat "$TESSALY_SOFTPHONE_LOG" 2>/dev/null || echo "softphone received nothing"
