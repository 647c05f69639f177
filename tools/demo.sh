#!/usr/bin/env bash
# Shows Surgepad at work on the sample board, in a Wine desktop with its taskbar, the
# way a user meets it: the program starts with the power action; a click on the tray
# icon opens the settings window, which grows open at the corner of the work area;
# the turbo action and a firmware profile are chosen with real mouse clicks (xdotool)
# and applied; then the power button is pressed twice with kora-sim.exe (turbo on: the
# display fades, the profile is applied, badge and red tray icon; turbo off: the
# start-up values come back). It prints the diagnostics trace and the simulator's
# journal, and ends the program with the close command. (Inside a Wine desktop
# translucent windows are blended over black rather than over the desktop: Wine draws
# the desktop's windows itself, so the X compositor cannot blend them.)
#
# Every steady screen it shows (the settings window with each action, the open list,
# the focus frame, the badge, the tray icons, the display's pages while they fade) is
# compared with its approved picture (tests/pictures/approved/, at 100 % and 200 %) by
# picture-check.exe of the build (or $DEMO_PICTURE_CHECK): the demo stops with the
# reason when one is not the approved one, and leaves the picture, the approved one
# and their difference in build/demo-pictures/ (or $DEMO_PICTURES).
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
# As on every Windows from Vista on, the power-scheme functions are there: the
# scheme stand-in is bound in place of Wine's own library (copied below).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;powrprof=n,b"}
# shellcheck source=tools/wine-common.sh
. "$root/tools/wine-common.sh"
export WINEPREFIX=${DEMO_PREFIX:-$root/build/demo-prefix}

if [ ! -x "$dist/Surgepad/Surgepad.exe" ] && [ ! -f "$dist/Surgepad/Surgepad.exe" ]; then
    echo "demo: no $dist/Surgepad/Surgepad.exe (run make dist)" >&2
    exit 1
fi
checker=$(realpath -m "${DEMO_PICTURE_CHECK:-$root/build/x64/bin/picture-check.exe}")
if [ ! -f "$checker" ]; then
    echo "demo: no $checker to compare the screens with their approved pictures (run make build-x64)" >&2
    exit 1
fi
approved="$root/tests/pictures/approved"
pictures=${DEMO_PICTURES:-$root/build/demo-pictures}
mkdir -p "$pictures"

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

# .surgepad-demo-2: made with the script fonts linked (an older prefix is made again).
if [ ! -f "$WINEPREFIX/.surgepad-demo-2" ]; then
    echo "demo: preparing the Wine prefix $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    make_desktop_prefix
    touch "$WINEPREFIX/.surgepad-demo-2"
fi
# The prefix at 100 % (a demo stopped during its 200 % part left it at 200 %).
"$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
use_desktop Surgepad 1024x768 >/dev/null 2>&1
"$WINESERVER64" -w >/dev/null 2>&1
"$WINESERVER64" -k >/dev/null 2>&1
if [ -f "$dist/sim/powrprof.dll" ]; then
    cp "$dist/sim/powrprof.dll" "$WINEPREFIX/drive_c/windows/system32/powrprof.dll"
fi
start_persistent_wineserver
sim() { echo "demo: kora-sim $*"; WINEDEBUG=-all "$WINE64" "$program/kora-sim.exe" "$@"; }

# The desktop with its taskbar; every program below runs in it.
WINEDEBUG=-all "$WINE64" explorer /desktop=Surgepad,1024x768 </dev/null >/dev/null 2>&1 &
pids+=($!)
sleep 2

# A fresh start: nothing chosen yet, so the power action; the system's power button
# shuts the computer down.
sim button 3 0 >/dev/null
"$WINE64" reg delete 'HKCU\Software\KORA\Power Button Setting' /f >/dev/null 2>&1

# A profile file of the overclocking tool beside the firmware's profiles: "Bench"
# (core voltage 85, ring ratio 24x).
profiles="$WINEPREFIX/drive_c/ProgramData/KORA OC Profiles"
mkdir -p "$profiles"
printf '\x43\x4f\0\0\x01\0\0\0\x02\0\0\0\x12\0\x02\x03\x55\0\0\0\x15\0\0\x03\x10\0\0\0' >"$profiles/Bench.oc"

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

# A click at (X, Y) of the settings window, with the real pointer: the window's
# top-left on the desktop comes from the trace ("settings: opening at X, Y").
desktop=""
find_desktop() {
    [ -n "$desktop" ] || desktop=$(xdotool search --name '^Surgepad - Wine desktop$' 2>/dev/null | head -n1)
}
click() {
    local at x y
    at=$(sed -n 's/^.*settings: opening at \([0-9-]*\), \([0-9-]*\).*$/\1 \2/p' "$trace" | tail -n1)
    x=$(( ${at% *} + $1 )); y=$(( ${at#* } + $2 ))
    find_desktop
    echo "demo: click at $x, $y ($3)"
    if [ -n "$desktop" ]; then
        xdotool mousemove --window "$desktop" "$x" "$y" sleep 0.2 click 1 >/dev/null 2>&1
    else
        xdotool mousemove "$x" "$y" sleep 0.2 click 1 >/dev/null 2>&1
    fi
    sleep "${4:-0.5}"
}

# Compares what the screen shows with the approved picture NAME (picture-check.exe:
# "--window CLASS" or "--tray", "--faded" for a page that fades), the pointer away
# from the windows first, unless the page fades; stops the demo when it differs.
check() {
    local name=$1 out
    shift
    if [ "${*: -1}" != "--faded" ]; then
        find_desktop
        if [ -n "$desktop" ]; then
            xdotool mousemove --window "$desktop" 2 2 >/dev/null 2>&1
        else
            xdotool mousemove 2 2 >/dev/null 2>&1
        fi
        sleep 0.2
    fi
    if out=$(WINEDEBUG=-all "$WINE64" "$checker" "$name" "$@" "Z:${approved//\//\\}" "Z:${pictures//\//\\}" \
        "$pictures" </dev/null 2>&1); then
        echo "demo: $out"
    else
        echo "demo: STOPPED: the screen is not the one approved" >&2
        echo "demo: $out" >&2
        exit 1
    fi
}
check tray-icon --tray

# The user clicks the tray icon (kora-sim delivers the click as the notification area
# would): the settings window fades in and grows open at the bottom-right corner.
sim tray click
shot settings-opening 0.3
wait_trace "settings: opened"
shot settings-open 0.5
check settings-power --window TSettingForm

# The turbo action (its title is clicked like its radio button): the logo cross-fades
# and the display options and the profile list become available.
click 175 120 "Surgepad On"
wait_trace "settings: logo changed"
shot settings-turbo-chosen 0.3
check settings-turbo --window TSettingForm

# The profile list opens on the press on its arrow; the first firmware profile.
click 226 271 "profile list arrow"
shot settings-profile-list 0.2
check settings-list --window TSettingForm
click 120 289 "first profile"
shot settings-profile-chosen 0.2

# A user of the keyboard: Tab moves the focus from the list's arrow to Apply, which
# shows the focus frame.
echo "demo: key Tab"
xdotool key Tab >/dev/null 2>&1
shot settings-keyboard-focus 0.3
check settings-focus --window TSettingForm

# Apply stores the choices, takes the power button over, and closes the window.
click 167 316 "Apply" 0.2
wait_trace "settings: closed"
shot settings-applied 0.5

# First press: the turbo page fades out over 2.5 s, then the profile is applied, the
# badge appears at the top right and the tray icon turns red.
sim press
check display-turbo-on --window TOsdForm --faded
shot turbo-on-display 0
shot turbo-on-fading 1.2
wait_trace "controller: switched on"
shot turbo-on-badge-and-red-icon 0.5
check badge --window TStatusForm
check tray-icon-turbo --tray
sleep 2

# Second press: the turbo-off page fades, the start-up values come back, the badge
# goes and the icon turns normal.
sim press
check display-turbo-off --window TOsdForm --faded
shot turbo-off-display 0
wait_trace "controller: switched off"
shot turbo-off-normal-icon 0.5
check tray-icon --tray

# Every user's language, on this one system (English, code page 1252): the tray menu's
# Language submenu under a right click, chosen with the keys, and the settings window
# at once in that language and script. The submenu lists the system's language, then
# the languages by their own names: Deutsch, English, ..., Русский (11th), ...,
# 中文(简体) (13th), ..., 日本語 (15th).
menus=0
openings=1
in_language() {  # name, Down presses in the submenu
    menus=$((menus + 1))
    sim tray rclick
    wait_trace "tray: language menu" "$menus"
    sleep 0.5
    echo "demo: keys Up Up Up Right, Down x $2, Return"
    # The keys go to the X window in focus: the desktop's (Wine may have left the focus
    # on a window of its own inside it).
    [ -n "$desktop" ] || desktop=$(xdotool search --name '^Surgepad - Wine desktop$' 2>/dev/null | head -n1)
    [ -n "$desktop" ] && timeout 5 xdotool windowfocus --sync "$desktop" >/dev/null 2>&1
    xdotool key --delay 100 Up Up Up Right >/dev/null 2>&1
    for _ in $(seq 1 "$2"); do xdotool key --delay 100 Down >/dev/null 2>&1; done
    shot "language-menu-$1" 0.3
    xdotool key Return >/dev/null 2>&1
    wait_trace "controller: language chosen" "$menus"
    [ "$2" -gt 0 ] || return 0
    openings=$((openings + 1))
    sim tray click
    wait_trace "settings: opened" "$openings"
    shot "settings-in-$1" 0.5
    click 257 316 "Cancel"
    wait_trace "settings: closed" "$openings"
}
in_language russian 11
in_language chinese 13
in_language japanese 15
in_language system 0

sim command 1024
for _ in $(seq 1 50); do grep -q "startup: ended" "$trace" 2>/dev/null && break; sleep 0.1; done
shot after-close 1

# Without a display: the same program on a screen at 200 % (a 2048 x 1536 desktop at
# 192 DPI), where the settings window and the display come from the skin's 2x pictures:
# opened, turbo chosen and applied, a press.
if [ -n "$shots" ]; then
    echo "demo: again at 200 %"
    "$WINESERVER64" -k >/dev/null 2>&1
    "$WINESERVER64" -w >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
    use_desktop Surgepad 2048x1536 >/dev/null 2>&1
    "$WINESERVER64" -w >/dev/null 2>&1
    start_headless_display demo-200 2048x1536
    start_persistent_wineserver
    WINEDEBUG=-all "$WINE64" explorer /desktop=Surgepad,2048x1536 </dev/null >/dev/null 2>&1 &
    pids+=($!)
    sleep 2
    # A fresh start again: the power action; the user chooses turbo and presses.
    sim button 3 0 >/dev/null
    "$WINE64" reg delete 'HKCU\Software\KORA\Power Button Setting' /f >/dev/null 2>&1
    desktop=""
    first_trace=$trace
    trace="$work/trace-200.txt"
    WINEDEBUG=-all,+debugstr "$WINE64" "$program/Surgepad.exe" </dev/null >/dev/null 2>"$trace" &
    for _ in $(seq 1 100); do grep -q "startup: running" "$trace" 2>/dev/null && break; sleep 0.1; done
    sim tray click
    wait_trace "settings: opened"
    shot settings-at-200-percent 0.5
    check settings-power --window TSettingForm
    click 350 240 "Surgepad On"
    wait_trace "settings: logo changed"
    check settings-turbo --window TSettingForm
    click 334 632 "Apply" 0.2
    wait_trace "settings: closed"
    sim press
    check display-turbo-on --window TOsdForm --faded
    shot display-at-200-percent 0
    wait_trace "controller: switched on"
    sim press
    wait_trace "controller: switched off"
    sim command 1024
    for _ in $(seq 1 50); do grep -q "startup: ended" "$trace" 2>/dev/null && break; sleep 0.1; done
    # The prefix is kept for the next demo: back to 100 %.
    "$WINESERVER64" -k >/dev/null 2>&1
    "$WINESERVER64" -w >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    use_desktop Surgepad 1024x768 >/dev/null 2>&1
    "$WINESERVER64" -w >/dev/null 2>&1
    "$WINESERVER64" -k >/dev/null 2>&1
    trace=$first_trace
fi

echo "--- Surgepad's diagnostics trace"
sed -n 's/^.*OutputDebugStringA "\(.*\)\\r\\n"$/\1/p' "$trace"
echo "--- the simulator's journal"
cat "$work/journal.txt" 2>/dev/null || echo "(empty)"
[ -n "$shots" ] && echo "demo: screenshots in $shots"
exit 0
