# Sourced by the tools that run Windows programs under Wine (wine-env.sh, e2e-run.sh,
# demo.sh). Each caller sets WINE64, WINESERVER64 and an array `pids` of background
# processes it stops on exit.

# Waits up to $2 tenths of a second (0.05 s steps, two a tenth) for the file $1 to have
# content; answers 1 when it has none by then.
wait_for_file() {
    for _ in $(seq 1 $(($2 * 2))); do
        [ -s "$1" ] && return 0
        sleep 0.05
    done
    [ -s "$1" ]
}

# Starts a headless X server (1024x768 or the size $2, 24 bits) with a compositor,
# exports DISPLAY and adds both to `pids`. Per-pixel alpha of layered windows is only
# blended with a compositor. Exits with 1 when the X server does not start. $1 names
# the caller in the message.
start_headless_display() {
    local dispfile
    dispfile=$(mktemp)
    Xvfb -displayfd 5 -screen 0 "${2:-1024x768}x24" -nolisten tcp 5>"$dispfile" >/dev/null 2>&1 &
    pids+=($!)
    if ! wait_for_file "$dispfile" 50; then
        rm -f "$dispfile"
        echo "$1: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$dispfile")"
    rm -f "$dispfile"
    if command -v xcompmgr >/dev/null; then
        xcompmgr >/dev/null 2>&1 &
        pids+=($!)
    fi
}

# Makes a fresh prefix at $WINEPREFIX in which every program runs in one virtual
# desktop "Surgepad" (1024x768) with its shell on: a taskbar with the notification
# area, as a user sees it.
make_desktop_prefix() {
    (
        "$WINE64" wineboot -i
        "$WINESERVER64" -w
        use_desktop Surgepad 1024x768
        link_script_fonts
        "$WINESERVER64" -w
    ) </dev/null >/dev/null 2>&1
}

# The system's own texts (menus, message boxes, tooltips) are drawn in Wine's Tahoma,
# which has no Chinese, Japanese or Korean letters; Windows links its UI fonts to fonts
# that have them. The same link here, to Debian's WenQuanYi Micro Hei (tools/deps.sh),
# so that a menu lists every language by its own name.
link_script_fonts() {
    local face
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
        "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
    done
}

# Every program of $WINEPREFIX runs in the virtual desktop $1 of size $2, with its
# shell (taskbar and notification area) on.
use_desktop() {
    "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d "$1" /f
    "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$1" /t REG_SZ /d "$2" /f
    "$WINE64" reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$1" /v EnableShell /t REG_DWORD /d 1 /f
}

# Starts a persistent wineserver for $WINEPREFIX: each later program then starts in a
# tenth of a second. The first program after a server start spawns Wine's background
# services, which inherit its stdout: let that be this warm-up, not a test's pipe.
start_persistent_wineserver() {
    "$WINESERVER64" -p
    "$WINE64" wineboot </dev/null >/dev/null 2>&1
}

# Makes prefix $2 from the template prefix $1: registry files copied, the big
# read-mostly drive_c hard-linked. With $3, that library becomes the prefix's system
# "powrprof.dll" (a copy: the hard-linked one is the template's).
copy_prefix() {
    mkdir -p "$2"
    for entry in "$1"/* "$1"/.update-timestamp; do
        case "$(basename "$entry")" in
            drive_c) cp -al "$entry" "$2/" ;;
            *) cp -a "$entry" "$2/" ;;
        esac
    done
    if [ -n "${3:-}" ] && [ -f "$3" ]; then
        rm -f "$2/drive_c/windows/system32/powrprof.dll"
        cp "$3" "$2/drive_c/windows/system32/powrprof.dll"
    fi
}
