#!/usr/bin/env bash
# Shows the control gallery (tools/gallery/Gallery.cpp) of an x64 build: every control
# of the package in each of its looks, on the real skin, one window a page.
#
# Usage: tools/gallery.sh BUILD_DIR        (BUILD_DIR as given to make, e.g. build)
# On a usable $DISPLAY each page opens there in turn; close its window to see the
# next one. Without one the pages run on a headless X server with a compositor, and a
# screenshot of each page's window goes into BUILD_DIR/gallery-shots/ (or
# $GALLERY_SHOTS) as NN-SUBJECT.png; the script closes each page after its picture.
set -u
build=$(realpath "${1:?usage: tools/gallery.sh BUILD_DIR}")
root=$(cd "$(dirname "$0")/.." && pwd)
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# shellcheck source=tools/wine-common.sh
. "$root/tools/wine-common.sh"
export WINEPREFIX=${GALLERY_PREFIX:-$build/gallery-prefix}

exe="$build/x64/bin/gallery.exe"
if [ ! -f "$exe" ]; then
    echo "gallery: no $exe (run make build-x64)" >&2
    exit 1
fi

pids=()
cleanup() {
    "$WINESERVER64" -k >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM

shots=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "gallery: on display $DISPLAY"
else
    shots=${GALLERY_SHOTS:-$build/gallery-shots}
    rm -rf "$shots"
    mkdir -p "$shots"
    # Large enough for the page drawn at 200 %.
    start_headless_display gallery 2048x1536
    # The pointer rests outside every page (Xvfb starts it in the middle).
    xdotool mousemove 2047 1535 >/dev/null 2>&1
    echo "gallery: no display; screenshots go to $shots"
fi

# .surgepad-gallery-2: made with the script fonts linked (an older prefix is made again).
if [ ! -f "$WINEPREFIX/.surgepad-gallery-2" ]; then
    echo "gallery: preparing the Wine prefix $WINEPREFIX (once)"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    ("$WINE64" wineboot -i && "$WINESERVER64" -w && link_script_fonts && "$WINESERVER64" -w) </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.surgepad-gallery-2"
fi
start_persistent_wineserver

# The window of page $1: its caption begins "Surgepad gallery, page N of M: ".
find_page_window() {
    xdotool search --onlyvisible --name "^Surgepad gallery, page $1 of " 2>/dev/null | head -n1
}

failed=0
pages=1
page=1
while [ "$page" -le "$pages" ]; do
    WINEDEBUG=-all "$WINE64" "$exe" "$page" </dev/null >/dev/null 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 1 150); do
        window=$(find_page_window "$page")
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "gallery: page $page did not show its window" >&2
        failed=1
        kill "$pid" >/dev/null 2>&1
        wait "$pid" 2>/dev/null
        break
    fi
    caption=$(xdotool getwindowname "$window")
    pages=$(sed -n 's/^Surgepad gallery, page [0-9]* of \([0-9]*\):.*/\1/p' <<<"$caption")
    [ -n "$pages" ] || pages=$page
    echo "gallery: $caption"
    if [ -n "$shots" ]; then
        # Time for the first paint of every control.
        sleep 1.5
        subject=$(sed 's/^[^:]*: *//; s/[^A-Za-z0-9]\+/-/g; s/^-//; s/-$//' <<<"$caption" | tr 'A-Z' 'a-z')
        file=$(printf '%s/%02d-%s.png' "$shots" "$page" "$subject")
        if import -window "$window" "$file" 2>/dev/null; then
            echo "gallery: screenshot $file"
        else
            echo "gallery: no screenshot of page $page" >&2
            failed=1
        fi
        # Closed as a user closes it: taskkill without /f posts WM_CLOSE to its windows.
        "$WINE64" taskkill /im gallery.exe >/dev/null 2>&1
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            echo "gallery: page $page did not close; ending it" >&2
            kill "$pid" >/dev/null 2>&1
            failed=1
        fi
    else
        echo "gallery: close the window to go on"
    fi
    wait "$pid" 2>/dev/null
    page=$((page + 1))
done

[ -n "$shots" ] && echo "gallery: screenshots in $shots"
exit "$failed"
