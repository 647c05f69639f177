#!/usr/bin/env bash
# Runs a command inside a private Windows environment:
#   a headless X server (Xvfb) with a compositor, unless DISPLAY is already usable and
#   WINE_ENV_USE_DISPLAY=1; a fresh 64-bit Wine prefix; a persistent wineserver.
# Usage: tools/wine-env.sh PREFIX_DIR COMMAND [ARG...]
# The prefix is created anew (PREFIX_DIR is emptied first). Exports DISPLAY,
# WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, WINE64, WINESERVER64 to COMMAND and
# returns its exit status. Everything started here is stopped on exit.
set -u
prefix=$(realpath -m "$1"); shift
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINE64 WINESERVER64
export WINEPREFIX="$prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

pids=()
cleanup() {
    "$WINESERVER64" -k >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${WINE_ENV_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    dispfile=$(mktemp)
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$dispfile" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 1 100); do
        [ -s "$dispfile" ] && break
        sleep 0.05
    done
    if [ ! -s "$dispfile" ]; then
        echo "wine-env: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$dispfile")"
    rm -f "$dispfile"
    # Per-pixel alpha of layered windows is only blended with a compositor.
    if command -v xcompmgr >/dev/null; then
        xcompmgr >/dev/null 2>&1 &
        pids+=($!)
    fi
fi

rm -rf "$prefix"
mkdir -p "$prefix"
"$WINE64" wineboot -i </dev/null >/dev/null 2>&1
"$WINESERVER64" -w
# A persistent server makes each later program start in a tenth of a second.
"$WINESERVER64" -p
# The first program after a server start spawns Wine's background services,
# which inherit its stdout: let that be this warm-up, not a test's pipe.
"$WINE64" wineboot </dev/null >/dev/null 2>&1

"$@"
status=$?
exit $status
