#!/usr/bin/env bash
# The full check: installs what is missing, builds Linux and Windows, runs every test (on
# Linux under AddressSanitizer/UndefinedBehaviorSanitizer, on Windows under Wine) and every
# fuzz target for a short while; the benchmarks are built, not run (tools/bench.sh runs them).
# Usage: tools/test.sh   (FUZZ_SECONDS=N to change the fuzzing time per target)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}
# The Wine tests mostly wait (on Wine's server, on real 1500 ms notices): twice as many at once
# as there are cores.
wine_jobs=$((jobs * 2))

# Each step's wall time, printed as a table at the end (and on failure, up to the step that
# failed).
step_names=()
step_seconds=()
step_started=$SECONDS
step() {
    step_finish
    printf '\n==== %s\n' "$*"
    step_names+=("$*")
    step_started=$SECONDS
}
step_finish() {
    [ ${#step_names[@]} -gt ${#step_seconds[@]} ] && step_seconds+=($((SECONDS - step_started)))
    return 0
}
step_table() {
    step_finish
    printf '\n%-72s %8s\n' "step" "seconds"
    local i
    for i in "${!step_seconds[@]}"; do
        printf '%-72s %8d\n' "${step_names[$i]:0:72}" "${step_seconds[$i]}"
    done
    printf '%-72s %8d\n' "total" "$SECONDS"
}
trap step_table EXIT

step "dependencies"
tools/install-deps.sh
# Wine's first boot, which makes the prefix every Wine test's prefix is copied from, takes a
# dozen seconds of mostly waiting: it runs while Linux builds. The Wine tests wait for it.
tools/wine-run.sh --prepare >/dev/null 2>&1 &

step "format"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if ! clang-format --dry-run --Werror $files; then
    echo "error: files are not formatted; run: clang-format -i \$(git ls-files '*.cpp' '*.h')" >&2
    exit 1
fi

# The tests run once, in the sanitizer build. It builds the benchmarks too, so that they keep
# compiling; their figures come from the optimised build, tools/bench.sh.
step "Linux with AddressSanitizer/UndefinedBehaviorSanitizer: build, every test"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
ctest --preset linux-asan -j "$jobs"

step "fuzz: ${fuzz_seconds}s per target, side by side"
# Every fuzz program, by its source's name.
mapfile -t fuzzers < <(cd tests/fuzz && for f in *_fuzz.cpp; do echo "${f%.cpp}"; done)
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j "$jobs" --target "${fuzzers[@]}"
pids=()
for fuzzer in "${fuzzers[@]}"; do
    name=${fuzzer%_fuzz}
    corpus="build/linux-fuzz/corpus/$name"
    mkdir -p "$corpus"
    if [ -d "tests/fuzz/corpus/$name" ]; then
        cp -r "tests/fuzz/corpus/$name/." "$corpus/"
    fi
    # Real executables built by the Linux build seed the version-resource reader.
    if [ "$name" = pe_version ]; then
        find build/linux-asan -name '*.exe' -size -2M -exec cp {} "$corpus/" \;
    fi
    (cd build/linux-fuzz && "$root/build/linux-fuzz/tests/fuzz/$fuzzer" \
        -max_total_time="$fuzz_seconds" -print_final_stats=0 "$root/$corpus" \
        2>"$root/build/linux-fuzz/$name.log") &
    pids+=($!)
done
failed=0
for i in "${!fuzzers[@]}"; do
    name=${fuzzers[$i]%_fuzz}
    if wait "${pids[$i]}"; then
        echo "-- $name: $(grep -E '^Done|^#[0-9]+ *DONE' "build/linux-fuzz/$name.log" | tail -n 1)"
    else
        echo "-- $name: FAILED" >&2
        tail -n 40 "build/linux-fuzz/$name.log" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1

step "Windows x64: cross build"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$jobs"

step "Windows x86: cross build, tests under Wine in a WoW64 prefix"
cmake --preset windows-x86 >/dev/null
if tools/runs-x86.sh; then
    cmake --build --preset windows-x86 -j "$jobs"
    ctest --preset windows-x86 -j "$wine_jobs"
else
    # Only what is used here: the DLL and its package, for the static checks and the signing
    # below. The test programs and the stand-in host are built where they can run.
    cmake --build --preset windows-x86 -j "$jobs" --target TessalyOutlook tessaly_msi
    echo "NOT RUN: the x86 tests under Wine; this machine's kernel runs no 32-bit programs" \
        "(Exec format error), so Wine's 32-bit half cannot start. The x86 DLL is checked statically."
fi

step "signing: a throwaway self-signed certificate, both builds signed and verified"
sign_dir=$(mktemp -d)
trap 'rm -rf "$sign_dir"; step_table' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tessaly test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$sign_dir/key.pem" -out "$sign_dir/cert.pem" \
    2>/dev/null
openssl pkcs12 -export -inkey "$sign_dir/key.pem" -in "$sign_dir/cert.pem" \
    -out "$sign_dir/test.p12" -passout pass:tessaly
tools/sign.sh "$sign_dir/test.p12" tessaly
for file in build/windows-x64/addin/win32/TessalyOutlook.dll build/windows-x64/TessalyOutlook-*.msi \
            build/windows-x86/addin/win32/TessalyOutlook.dll build/windows-x86/TessalyOutlook-*.msi; do
    osslsigncode verify -CAfile "$sign_dir/cert.pem" -in "$file" >/dev/null ||
        { echo "error: $file: the signature does not verify" >&2; exit 1; }
    echo "verified $file"
done
# The signed DLLs still pass the checks of a shipped one.
# Debian's python3, which has python3-pefile, whatever python3 comes first on the PATH.
/usr/bin/python3 tools/check-pe.py build/windows-x64/addin/win32/TessalyOutlook.dll --machine x64
/usr/bin/python3 tools/check-pe.py build/windows-x86/addin/win32/TessalyOutlook.dll --machine x86
rm -rf "$sign_dir"
trap step_table EXIT

# The x64 tests run on what ships: the signed DLL, and the packages made from it and signed,
# which the installer tests install, load and uninstall.
step "Windows x64: tests under Wine, on the signed DLL and packages"
ctest --preset windows-x64 -j "$wine_jobs"

trap - EXIT
step_table
printf '\nall checks passed\n'
