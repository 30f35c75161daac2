#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix, creating the prefix on
# first use. CTest uses it as the emulator for the Windows test programs.
# Environment: TESSALY_WINEPREFIX (default: build/wineprefix beside this checkout).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TESSALY_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Nothing may prompt for the .NET or HTML engines.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Two test programs may start at once; only one creates the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    flock -u 9
fi
exec wine "$@"
