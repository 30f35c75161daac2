#!/usr/bin/env bash
# The Linux benchmarks, in the optimised build (the test command only builds them, in the
# sanitizer build, whose figures would mean nothing). Extra arguments go to every program,
# e.g. tools/bench.sh --benchmark_filter=Connection. The Windows figures under Wine:
#   cmake --build --preset windows-x64 --target standin_benchmark
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset linux >/dev/null
mapfile -t benches < <(cd tests/bench && for f in *_bench.cpp; do echo "${f%.cpp}"; done)
cmake --build --preset linux -j "$(nproc)" --target "${benches[@]}"
for bench in "${benches[@]}"; do
    echo "== $bench"
    "build/linux/tests/bench/$bench" "$@"
done
