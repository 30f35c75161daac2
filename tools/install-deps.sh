#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping what is present.
# Runs as root on a fresh Debian machine; elsewhere prints what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build g++ clang clang-format libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libpugixml-dev
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 wine64-tools xvfb xauth python3-pefile
    wixl msitools osslsigncode openssl
)

# The x86 DLL's tests run under a WoW64 Wine, whose 32-bit half comes from i386; that half
# is useful only where the kernel runs 32-bit programs.
need_i386=0
if tools/runs-x86.sh; then
    packages+=(wine32:i386)
    dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
else
    echo "note: this kernel runs no 32-bit programs; Wine's 32-bit half is not installed" >&2
fi

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

install() { apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null; }
if ! install; then
    # A stale index of one architecture (the i386 security updates, say) cannot match the
    # newer amd64 updates that multiarch packages must equal; the release's own archive
    # holds both architectures at one version.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "retrying with the versions of the $release archive" >&2
    install -t "$release"
fi
