#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix, creating the prefix on
# first use. CTest uses it as the emulator for the Windows test programs.
# Usage: tools/wine-run.sh PROGRAM [ARGUMENTS...]   or   tools/wine-run.sh --prepare
# Environment: TESSALY_WINEPREFIX (default: build/wineprefix beside this checkout),
# TESSALY_WINE_KEEP_WARM (see the keeper below).
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
build="$("$loader" --version) $halves"
made_by_this_wine() {
    [ "$(cat "$1/.tessaly-ready" 2>/dev/null)" = "$build" ]
}

# wineboot takes many seconds, and the tests use several prefixes: wineboot makes one
# template prefix per Wine, which is never run, and every prefix starts as a copy of it.
template=$here/build/wineprefix-template
# Takes the template's lock (descriptor 8) and makes the template unless it is ready.
lock_template() {
    mkdir -p "$(dirname "$template")"
    exec 8>"$template.lock"
    flock 8
    if ! made_by_this_wine "$template"; then
        rm -rf "$template"
        mkdir -p "$template"
        WINEPREFIX=$template "$loader" wineboot -i >/dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        echo "$build" >"$template/.tessaly-ready"
    fi
}
copy_template() {
    lock_template
    # Copied aside and moved into place without the marker, which comes last: a program
    # started meanwhile (not waiting for the lock) must not find a prefix half copied.
    rm -rf "$1.copy"
    cp -a "$template" "$1.copy"
    flock -u 8
    exec 8>&-
    rm "$1.copy/.tessaly-ready"
    mv "$1.copy" "$1"
    echo "$build" >"$1/.tessaly-ready"
}

# --prepare: only make the template, ahead of the programs (the test command does so while
# the Linux build runs).
if [ "${1:-}" = --prepare ]; then
    lock_template
    exit 0
fi

if ! made_by_this_wine "$WINEPREFIX"; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Several test programs may start at once; only one makes the prefix.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if ! made_by_this_wine "$WINEPREFIX"; then
        if [ -e "$WINEPREFIX" ]; then
            echo "wine-run: $WINEPREFIX was made by another Wine (${build% *} now); making it anew" >&2
            wineserver -k 2>/dev/null || true
        fi
        rm -rf "$WINEPREFIX"
        copy_template "$WINEPREFIX"
    fi
    flock -u 9
    exec 9>&-
fi
# Wine walks every possible file descriptor at start; under a very high open-file limit (as
# CTest and CMake raise it) a start takes seconds instead of a tenth of one.
ulimit -n 4096 2>/dev/null || true

# A prefix's first program starts Wine's own (services, devices, desktop) and waits for them,
# which takes seconds; when the last program ends they end too, so that every program started
# after a pause pays again. They also inherit that first program's output, and a caller that
# reads it to its end (CMake's execute_process, CTest) waits until they are gone. A keeper
# avoids both: a Wine program of the prefix that waits for input that never comes, started
# with no output of anyone's, which holds them while programs keep being started, until none
# was started for TESSALY_WINE_KEEP_WARM seconds (default 15; 0: no keeper). Not on a
# display, where the desktop process would outlive the display (xvfb-run's) it belongs to,
# unless the caller ends the prefix's processes itself before its display ends and says so
# with TESSALY_WINE_KEEP_ON_DISPLAY=1.
keep_warm=${TESSALY_WINE_KEEP_WARM:-15}
if [ "$keep_warm" != 0 ] && { [ -z "${DISPLAY:-}" ] || [ "${TESSALY_WINE_KEEP_ON_DISPLAY:-}" = 1 ]; }; then
    touch "$WINEPREFIX.used"
    # While a keeper starts Wine's own, the other callers wait: their programs must not be
    # the ones that start them.
    exec 6>"$WINEPREFIX.starting"
    flock 6
    exec 8>"$WINEPREFIX.keeper"
    # Only a prefix where nothing runs gets a keeper: Wine's own processes of one a program
    # started (or of one ending) may hold that program's output, and keeping them would make
    # its caller wait for the keeper to end.
    if flock -n 8 && timeout 0.3 wineserver -w 2>/dev/null; then
        # The keeper holds the lock of descriptor 8 as long as it lives; nothing of Wine's
        # may inherit it. Its program's input is the keeper's descriptor 7: however the
        # keeper ends, the program then reads the end of its input and ends.
        # It also ends when the prefix is made anew: its Wine is the old prefix's.
        (
            exec 7> >(exec "$loader" cmd /c "set /p keep=" 8>&-)
            holder=$!
            prefix_id=$(stat -c %d:%i "$WINEPREFIX")
            while kill -0 "$holder" 2>/dev/null &&
                [ "$(stat -c %d:%i "$WINEPREFIX" 2>/dev/null)" = "$prefix_id" ] &&
                [ $(($(date +%s) - $(stat -c %Y "$WINEPREFIX.used"))) -lt "$keep_warm" ]; do
                sleep 1
            done
        ) </dev/null >/dev/null 2>&1 6>&- &
        # Returns once Wine's own are up. No lock may pass to them.
        "$loader" cmd /c exit 0 </dev/null >/dev/null 2>&1 6>&- 8>&- || true
    fi
    exec 8>&-
    flock -u 6
    exec 6>&-
fi
exec "$loader" "$@"
