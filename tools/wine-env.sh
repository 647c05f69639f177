#!/usr/bin/env bash
# Runs a command inside a private Windows environment:
#   a headless X server (Xvfb) with a compositor, unless DISPLAY is already usable and
#   WINE_ENV_USE_DISPLAY=1; a fresh 64-bit Wine prefix; a persistent wineserver.
# Usage: tools/wine-env.sh PREFIX_DIR COMMAND [ARG...]
# The prefix is created anew (PREFIX_DIR is emptied first). Exports DISPLAY,
# WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, WINE64, WINESERVER64 to COMMAND and
# returns its exit status. Everything started here is stopped on exit.
# With WINE_ENV_DESKTOP_KEEPER naming the test build's desktop_keeper.exe, that
# program holds the desktops open for the whole command (see its source: otherwise a
# desktop's explorer can hold one test's output pipe while later tests run).
set -u
prefix=$(realpath -m "$1"); shift
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINE64 WINESERVER64
export WINEPREFIX="$prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# shellcheck source=tools/wine-common.sh
. "$(dirname "$0")/wine-common.sh"

pids=()
cleanup() {
    "$WINESERVER64" -k >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${WINE_ENV_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    start_headless_display wine-env
fi

rm -rf "$prefix"
mkdir -p "$prefix"
"$WINE64" wineboot -i </dev/null >/dev/null 2>&1
"$WINESERVER64" -w
link_script_fonts </dev/null >/dev/null 2>&1
start_persistent_wineserver
if [ -n "${WINE_ENV_DESKTOP_KEEPER:-}" ]; then
    ready="$prefix/desktop-keeper.ready"
    "$WINE64" "$WINE_ENV_DESKTOP_KEEPER" "Z:$ready" </dev/null >/dev/null 2>&1 &
    pids+=($!)
    # Seconds on a busy machine (the end-to-end suite starts its prefixes beside it).
    if ! wait_for_file "$ready" 600; then
        echo "wine-env: the desktop keeper did not start" >&2
        exit 1
    fi
fi

"$@"
status=$?
exit $status
