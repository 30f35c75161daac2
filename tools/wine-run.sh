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
# The prefix counts as made only once wineboot has finished: its registry files appear
# early, and a program started before the system programs are installed fails to start.
ready="$WINEPREFIX/.tessaly-ready"
if [ ! -f "$ready" ]; then
    mkdir -p "$WINEPREFIX"
    # Several test programs may start at once; only one makes the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$ready" ]; then
        wineboot -i >/dev/null 2>&1
        wineserver -w
        touch "$ready"
    fi
    flock -u 9
    exec 9>&-
fi
exec wine "$@"
