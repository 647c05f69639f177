#!/usr/bin/env bash
# Runs one end-to-end test program of Surgepad under Wine, isolated from every other:
#   - its own Wine prefix, copied from a template made once per build (wineboot takes
#     seconds, a copy a fraction of one), with a virtual desktop "Surgepad" 1024x768
#     whose shell (taskbar and notification area) is on;
#   - its own headless X server with a compositor and a persistent wineserver;
#   - a program folder with Surgepad.exe, the stand-in DLLs, kora-sim.exe and the
#     resources, as they are installed.
# Used as the CTest emulator of the e2e programs:
#   tools/e2e-run.sh BUILD_BIN/e2e_x.exe [--gtest_filter=...]
# The test program finds its world through SURGEPAD_E2E_* variables (unix paths):
#   PROGRAM_DIR, WORK_DIR (journal, state, scratch), BOARDS_DIR, SHOTS_DIR, and
#   OTHER_ACCOUNT with TEMPLATE_PREFIX (tools/other-account.sh).
# With --gtest_list_tests only the listing runs (in the template prefix, no display).
set -u
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
export WINEDEBUG=${WINEDEBUG:--all}
# Every Windows from Vista on has the power-scheme functions: the stand-in of the
# system's "powrprof.dll" is bound by default (copied over the prefix's own below).
# A test of the older path puts the prefix's own placeholder back (e2e::WithoutSchemes).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
case "$WINEDLLOVERRIDES" in
    *powrprof*) ;;
    *) WINEDLLOVERRIDES="$WINEDLLOVERRIDES;powrprof=n,b" ;;
esac
# shellcheck source=tools/wine-common.sh
. "$(dirname "$0")/wine-common.sh"

exe=$(realpath "$1"); shift
bin=$(dirname "$exe")
build=$(dirname "$bin")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
template="$build/e2e/template-prefix"
mkdir -p "$build/e2e"

make_template() {
    # One builder at a time; the others wait and then use its result.
    exec 9>"$build/e2e/template.lock"
    flock 9
    # .ready-2: made with the script fonts linked (older templates are made again).
    if [ ! -f "$template/.ready-2" ]; then
        rm -rf "$template"
        mkdir -p "$template"
        (export WINEPREFIX="$template"; make_desktop_prefix)
        touch "$template/.ready-2"
    fi
    flock -u 9
}

make_template

for arg in "$@"; do
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec 9>"$build/e2e/template.lock"
        flock 9
        WINEPREFIX="$template" "$WINE64" "$exe" "$@" </dev/null 2>/dev/null
        status=$?
        WINEPREFIX="$template" "$WINESERVER64" -k >/dev/null 2>&1
        WINEPREFIX="$template" "$WINESERVER64" -w >/dev/null 2>&1
        exit $status
    fi
done

work=$(mktemp -d /tmp/surgepad-e2e.XXXXXX)
pids=()
cleanup() {
    WINEPREFIX="$work/prefix" "$WINESERVER64" -k >/dev/null 2>&1
    [ -d "$work/prefix-other" ] && WINEPREFIX="$work/prefix-other" "$WINESERVER64" -k >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The prefix, with the scheme stand-in in place of the system's library.
copy_prefix "$template" "$work/prefix" "$bin/system/powrprof.dll"
export WINEPREFIX="$work/prefix"

# SURGEPAD_E2E_DPI: the prefix's DPI, on a screen and desktop larger by the same scale.
screen=1024x768
if [ -n "${SURGEPAD_E2E_DPI:-}" ]; then
    dpi=$SURGEPAD_E2E_DPI
    screen="$((1024 * dpi / 96))x$((768 * dpi / 96))"
    "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    use_desktop Surgepad "$screen" >/dev/null 2>&1
    "$WINESERVER64" -k >/dev/null 2>&1
    "$WINESERVER64" -w >/dev/null 2>&1
fi

start_headless_display e2e-run "$screen"
start_persistent_wineserver
# The desktop with its taskbar, before the program adds its icon.
"$WINE64" explorer "/desktop=Surgepad,$screen" </dev/null >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
    xdotool search --name '^Surgepad - Wine desktop$' >/dev/null 2>&1 && break
    sleep 0.1
done

# The program folder, as installed: the program with the stand-ins beside it.
program="$work/program"
mkdir -p "$program"
cp "$bin/Surgepad.exe" "$bin/kora-sim.exe" "$program/"
find "$bin" -maxdepth 1 -iname '*.dll' -exec cp {} "$program/" \;
for folder in Resource LangFiles; do
    [ -d "$bin/$folder" ] && cp -r "$bin/$folder" "$program/"
done
boards="$work/boards"
mkdir -p "$boards"
cp "$source_dir"/tests/e2e/boards/*.txt "$boards/" 2>/dev/null
cp "$build"/sim/boards/*.txt "$boards/" 2>/dev/null

name=$(basename "$exe" .exe)
for arg in "$@"; do
    case "$arg" in --gtest_filter=*) name="$name-${arg#--gtest_filter=}" ;; esac
done
# A test run once a language keeps the screenshots of each.
[ -n "${SURGEPAD_E2E_LANGUAGE:-}" ] && name="$name-$SURGEPAD_E2E_LANGUAGE"
shots="$build/e2e-shots/$(echo "$name" | tr -c 'A-Za-z0-9_.\n-' '_')"
rm -rf "$shots"
mkdir -p "$shots"

export SURGEPAD_E2E_PROGRAM_DIR="$program"
export SURGEPAD_E2E_WORK_DIR="$work"
export SURGEPAD_E2E_BOARDS_DIR="$boards"
export SURGEPAD_E2E_SHOTS_DIR="$shots"
# The approved pictures of the screens, and where a picture that is not the approved
# one is left beside it and their difference (SURGEPAD_APPROVE=1 approves instead).
export SURGEPAD_E2E_APPROVED_DIR="$source_dir/tests/pictures/approved"
export SURGEPAD_E2E_PICTURES_DIR="$build/pictures"
mkdir -p "$SURGEPAD_E2E_PICTURES_DIR"
# A second account of the same machine, made when a test asks for it (e2e::OtherAccount).
export SURGEPAD_E2E_TEMPLATE_PREFIX="$template"
export SURGEPAD_E2E_OTHER_ACCOUNT="$source_dir/tools/other-account.sh"

"$WINE64" "$exe" "$@" </dev/null
status=$?

# Screenshots are written as bitmaps; keep a PNG of each for people to look at.
if command -v convert >/dev/null; then
    for bmp in "$shots"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
fi
rmdir "$shots" 2>/dev/null
exit $status
