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

# Debian's `wine` wrapper prefers Wine's 32-bit loader whenever that is installed, and the
# loader then fails on a kernel that runs no 32-bit code ("Exec format error"). There the
# 64-bit loader runs the 64-bit programs; a 32-bit one cannot run at all.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    loader=wine
    halves=wow64
elif [ -x /usr/lib/wine/wine64 ]; then
    loader=/usr/lib/wine/wine64
    export WINELOADER=$loader
    halves=win64
else
    loader=wine
    halves=win64
fi

# A prefix fits the Wine that made it: one made before Wine's 32-bit half was installed no
# longer starts afterwards (kernel32.dll, c0000135), so the marker records which Wine it was.
# The prefix counts as made only once wineboot has finished: its registry files appear
# early, and a program started before the system programs are installed fails to start.
ready="$WINEPREFIX/.tessaly-ready"
build="$("$loader" --version) $halves"
if [ "$(cat "$ready" 2>/dev/null)" != "$build" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Several test programs may start at once; only one makes the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ "$(cat "$ready" 2>/dev/null)" != "$build" ]; then
        if [ -e "$WINEPREFIX" ]; then
            echo "wine-run: $WINEPREFIX was made by another Wine (${build% *} now); making it anew" >&2
            wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
        fi
        mkdir -p "$WINEPREFIX"
        "$loader" wineboot -i >/dev/null 2>&1
        wineserver -w
        echo "$build" >"$ready"
    fi
    flock -u 9
    exec 9>&-
fi
# Wine walks every possible file descriptor at start; under a very high open-file limit (as
# CTest and CMake raise it) a start takes seconds instead of a tenth of one.
ulimit -n 4096 2>/dev/null || true
exec "$loader" "$@"
