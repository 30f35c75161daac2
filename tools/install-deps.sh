#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping what is present.
# Runs as root on a fresh Debian machine; elsewhere prints what is missing.
# Usage: tools/install-deps.sh [all|sim]
#   all (the default): everything tools/test.sh builds and runs, the Windows side included
#   sim: what building tessaly-sim needs (tools/demo.sh), nothing of the tests or of Windows
set -euo pipefail
cd "$(dirname "$0")/.."

sim_packages=(cmake ninja-build g++ nlohmann-json3-dev libpugixml-dev)
need_i386=0
case "${1:-all}" in
sim)
    packages=("${sim_packages[@]}")
    ;;
all)
    packages=(
        "${sim_packages[@]}" clang clang-format libclang-rt-14-dev
        googletest libgtest-dev libgmock-dev libbenchmark-dev python3
        mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
        wine wine64 wine64-tools xvfb xauth python3-pefile
        wixl msitools osslsigncode openssl
    )
    # The x86 DLL's tests run under a WoW64 Wine, whose 32-bit half comes from i386; that
    # half is useful only where the kernel runs 32-bit programs.
    if tools/runs-x86.sh; then
        packages+=(wine32:i386)
        dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
    else
        echo "note: this kernel runs no 32-bit programs; Wine's 32-bit half is not installed" >&2
    fi
    ;;
*)
    echo "usage: tools/install-deps.sh [all|sim]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ] && [ "$need_i386" -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ "$need_i386" -eq 1 ]; then
    dpkg --add-architecture i386
fi

# A mirror caught mid-sync fails one index ("File has unexpected size") and passes moments
# later; one that stays stale still leaves the other indexes usable.
for attempt in 1 2 3; do
    apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt)" >&2
    if [ "$attempt" -lt 3 ]; then sleep $((attempt * 10)); fi
done

# dpkg syncs each file it unpacks to disk: two thirds of the time the simulator's packages
# take to install on a fresh Debian 12 (51 s, 17 s without). Without the syncs, as in
# Debian's container images, a crash midway may leave files to install again (apt-get
# install --reinstall).
install() {
    apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-unsafe-io \
        "$@" "${missing[@]}" >/dev/null
}
if ! install; then
    # A stale index of one architecture (the i386 security updates, say) cannot match the
    # newer amd64 updates that multiarch packages must equal; the release's own archive
    # holds both architectures at one version.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "retrying with the versions of the $release archive" >&2
    install -t "$release"
fi
