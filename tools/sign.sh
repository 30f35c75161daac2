#!/usr/bin/env bash
# Signs the release DLLs and the installer packages with osslsigncode (SHA-256).
# Usage: tools/sign.sh [--timestamp URL] CERT.p12 [PASSWORD]
#   The builds signed are build/windows-x64 and build/windows-x86, those that exist (or the
#   folders in TESSALY_SIGN_BUILDS, separated by spaces). Each DLL is signed in place, its
#   package made again from the signed DLL, then the package is signed.
#   TESSALY_TIMESTAMP_URL is the timestamp server when --timestamp is not given (default:
#   none, which is fine for tests; a release needs one so that the signature outlives the
#   certificate).
set -euo pipefail
cd "$(dirname "$0")/.."

timestamp=${TESSALY_TIMESTAMP_URL:-}
if [ "${1:-}" = --timestamp ]; then
    [ $# -ge 2 ] || { echo "error: --timestamp needs a URL" >&2; exit 2; }
    timestamp=$2
    shift 2
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: tools/sign.sh [--timestamp URL] CERT.p12 [PASSWORD]" >&2
    exit 2
fi
cert=$1
password=${2:-}
[ -f "$cert" ] || { echo "error: $cert: no such certificate" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "error: osslsigncode is not installed" >&2; exit 1; }

sign() {
    local file=$1 description=$2
    local args=(sign -pkcs12 "$cert" -h sha256 -n "$description" -in "$file" -out "$file.signed")
    [ -n "$password" ] && args+=(-pass "$password")
    [ -n "$timestamp" ] && args+=(-ts "$timestamp")
    rm -f "$file.signed"
    if ! osslsigncode "${args[@]}" >/dev/null; then
        rm -f "$file.signed"
        echo "error: $file: signing failed" >&2
        exit 1
    fi
    mv "$file.signed" "$file"
    echo "signed $file"
}

builds=${TESSALY_SIGN_BUILDS:-build/windows-x64 build/windows-x86}
signed=0
for build in $builds; do
    dll=$build/addin/win32/TessalyOutlook.dll
    [ -f "$dll" ] || continue
    # A DLL signed earlier is signed again: osslsigncode would add a second signature.
    if osslsigncode extract-signature -in "$dll" -out /dev/null >/dev/null 2>&1; then
        osslsigncode remove-signature -in "$dll" -out "$dll.unsigned" >/dev/null
        mv "$dll.unsigned" "$dll"
    fi
    sign "$dll" "Tessaly Outlook Add-In"
    # The package takes the signed DLL; the build sees the DLL changed and packages it again.
    cmake --build "$build" --target tessaly_msi >/dev/null
    for msi in "$build"/TessalyOutlook-*.msi; do
        [ -f "$msi" ] && sign "$msi" "Tessaly Outlook Add-In"
    done
    signed=1
done
if [ "$signed" -eq 0 ]; then
    echo "error: no built DLL in: $builds" >&2
    exit 1
fi
