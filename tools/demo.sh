#!/usr/bin/env bash
# Shows Surgepad at work on the sample board, in a Wine desktop with its taskbar:
# starts the installed program with the board simulator's stand-ins beside it and the
# turbo action chosen, presses the power button twice with kora-sim.exe (turbo on:
# the display fades, the profile is applied, badge and red tray icon; turbo off: the
# start-up values come back), prints the diagnostics trace and the simulator's
# journal, and ends the program with the close command. (Inside a Wine desktop the
# fading display is blended over black rather than over the desktop: Wine draws the
# desktop's windows itself, so the X compositor cannot blend them.)
#
# Usage: tools/demo.sh DIST_DIR        (DIST_DIR as made by `make dist`, e.g. dist/x64)
# On a usable $DISPLAY the desktop opens there. Without one the demo runs on a
# headless X server and saves numbered screenshots of what a user would have seen
# into build/demo-shots/ (or $DEMO_SHOTS).
set -u
dist=$(realpath "${1:?usage: tools/demo.sh DIST_DIR}")
root=$(cd "$(dirname "$0")/.." && pwd)
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# shellcheck source=tools/wine-common.sh
. "$root/tools/wine-common.sh"
export WINEPREFIX=${DEMO_PREFIX:-$root/build/demo-prefix}

if [ ! -x "$dist/Surgepad/Surgepad.exe" ] && [ ! -f "$dist/Surgepad/Surgepad.exe" ]; then
    echo "demo: no $dist/Surgepad/Surgepad.exe (run make dist)" >&2
    exit 1
fi

work=$(mktemp -d /tmp/surgepad-demo.XXXXXX)
pids=()
cleanup() {
    "$WINESERVER64" -k >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The program folder: Surgepad as installed, the stand-ins and kora-sim beside it.
program="$work/Surgepad"
cp -r "$dist/Surgepad" "$program"
find "$dist/sim" -maxdepth 1 \( -iname '*.dll' -o -iname 'kora-sim.exe' \) -exec cp {} "$program/" \;
board="$dist/sim/boards/full.txt"
[ -f "$board" ] || board="$root/tests/e2e/boards/priority-bit-clear.txt"
export KORA_SIM_BOARD="Z:${board//\//\\}"
export KORA_SIM_STATE="Z:${work//\//\\}\\state.txt"
export KORA_SIM_JOURNAL="Z:${work//\//\\}\\journal.txt"

shots=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "demo: on display $DISPLAY"
else
    shots=${DEMO_SHOTS:-$root/build/demo-shots}
    rm -rf "$shots"
    mkdir -p "$shots"
    start_headless_display demo
    echo "demo: no display; screenshots go to $shots"
fi

n=0
shot() {
    sleep "${2:-1}"
    [ -n "$shots" ] || return 0
    n=$((n + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$shots" "$n" "$1")
    import -window root "$file" 2>/dev/null && echo "demo: screenshot $file"
}

if [ ! -f "$WINEPREFIX/.surgepad-demo" ]; then
    echo "demo: preparing the Wine prefix $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    make_desktop_prefix
    touch "$WINEPREFIX/.surgepad-demo"
fi
start_persistent_wineserver
sim() { echo "demo: kora-sim $*"; WINEDEBUG=-all "$WINE64" "$program/kora-sim.exe" "$@"; }

# The desktop with its taskbar; every program below runs in it.
WINEDEBUG=-all "$WINE64" explorer /desktop=Surgepad,1024x768 </dev/null >/dev/null 2>&1 &
pids+=($!)
sleep 2

# The user chose the turbo action earlier: the system's power button does nothing
# (Surgepad holds it), the stored action is turbo with the first firmware profile, and
# both the on-screen display and the status badge are on.
sim button 0 0x80000000 >/dev/null
settings='HKCU\Software\KORA\Power Button Setting'
for pair in ButtonAction=0 PowerButtonDisabled=0 ProfileType=0 OsdEnabled=1 StatusEnabled=1; do
    "$WINE64" reg add "$settings" /v "${pair%%=*}" /t REG_DWORD /d "${pair#*=}" /f >/dev/null 2>&1
done

# The board maker's service and another utility that listens to announcements.
WINEDEBUG=-all "$WINE64" "$program/kora-sim.exe" service </dev/null >/dev/null 2>&1 &
pids+=($!)
WINEDEBUG=-all "$WINE64" "$program/kora-sim.exe" listen </dev/null >/dev/null 2>&1 &
pids+=($!)

trace="$work/trace.txt"
echo "demo: starting Surgepad on $(basename "$board")"
WINEDEBUG=-all,+debugstr "$WINE64" "$program/Surgepad.exe" </dev/null >/dev/null 2>"$trace" &
for _ in $(seq 1 100); do grep -q "startup: running" "$trace" 2>/dev/null && break; sleep 0.1; done
shot tray-icon 1

wait_trace() {
    for _ in $(seq 1 150); do
        [ "$(grep -c "$1" "$trace" 2>/dev/null)" -ge "${2:-1}" ] && return 0
        sleep 0.1
    done
    echo "demo: no \"$1\" in the trace" >&2
}

# First press: the turbo page fades out over 2.5 s, then the profile is applied, the
# badge appears at the top right and the tray icon turns red.
sim press
shot turbo-on-display 0.2
shot turbo-on-fading 1.2
wait_trace "controller: switched on"
shot turbo-on-badge-and-red-icon 0.5
sleep 2

# Second press: the turbo-off page fades, the start-up values come back, the badge
# goes and the icon turns normal.
sim press
shot turbo-off-display 0.2
wait_trace "controller: switched off"
shot turbo-off-normal-icon 0.5

sim command 1024
for _ in $(seq 1 50); do grep -q "startup: ended" "$trace" 2>/dev/null && break; sleep 0.1; done
shot after-close 1

echo "--- Surgepad's diagnostics trace"
sed -n 's/^.*OutputDebugStringA "\(.*\)\\r\\n"$/\1/p' "$trace"
echo "--- the simulator's journal"
cat "$work/journal.txt" 2>/dev/null || echo "(empty)"
[ -n "$shots" ] && echo "demo: screenshots in $shots"
exit 0
