#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping what is present.
# Runs as root on a fresh Debian machine; elsewhere prints what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang clang-format libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libpugixml-dev
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 wine64-tools xvfb xauth python3-pefile
    wixl msitools osslsigncode openssl
    wine32:i386
)

# The x86 DLL and its tests run under a WoW64 Wine, whose 32-bit half comes from i386.
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

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
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
