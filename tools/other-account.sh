#!/usr/bin/env bash
# A second account of the machine an end-to-end test runs on, driven by the test:
#   other-account.sh STATUS_FILE run|start PROGRAM [ARGS...]
#   other-account.sh STATUS_FILE end
#   other-account.sh STATUS_FILE link LINK TARGET [FIRST LAST STEP]
# The account is a Wine prefix of its own beside the test's ($WINEPREFIX): its own
# user settings (HKEY_CURRENT_USER), its own session (wineserver) and desktop, on the
# same machine: the same board state and journal (the KORA_SIM_* variables the test
# passes on), the same system power schemes (the state file holds them) and the same
# machine-wide program data (C:\ProgramData\KORA is one folder for both).
# `run` waits for PROGRAM (a name in the program folder, or a Windows program such as
# reg) and writes its exit status to STATUS_FILE; `start` leaves it running and writes
# 0; `end` ends the account's session. `link` is this account's hand on the shared
# machine: a symbolic link LINK to TARGET, both paths of the machine ("C:\..."), made
# over whatever is at LINK; with FIRST LAST STEP, one for each number N of that range,
# LINK holding "%N" where the number goes. A test started by tools/e2e-run.sh reaches this
# script through SURGEPAD_E2E_OTHER_ACCOUNT.
set -u
status_file=$1
shift
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
# shellcheck source=tools/wine-common.sh
. "$(dirname "$0")/wine-common.sh"
work=${SURGEPAD_E2E_WORK_DIR:?}
program=${SURGEPAD_E2E_PROGRAM_DIR:?}
template=${SURGEPAD_E2E_TEMPLATE_PREFIX:?}
first=$WINEPREFIX
# Wine does not pass its own variables on to a unix program: the scheme stand-in is
# bound here as tools/e2e-run.sh binds it.
export WINEDLLOVERRIDES="mscoree,mshtml=;powrprof=n,b"
other="$work/prefix-other"
# The programs' output, their trace lines included, goes to other-account.log.
export WINEDEBUG=-all,+debugstr

finish() {
    echo "$1" >"$status_file.tmp" && mv "$status_file.tmp" "$status_file"
    exit 0
}

if [ "${1:-}" = end ]; then
    WINEPREFIX="$other" "$WINESERVER64" -k >/dev/null 2>&1
    finish 0
fi

if [ "${1:-}" = link ]; then
    # C:\ is the first prefix's drive, where the machine's program data is.
    to_unix() { local p=${1//\\//}; echo "$first/drive_c/${p#[Cc]:/}"; }
    target=$(to_unix "$3")
    if [ $# -ge 6 ]; then
        # Thousands of links: made by one process.
        python3 -c 'import os, sys
for n in range(int(sys.argv[3]), int(sys.argv[4]) + 1, int(sys.argv[5])):
    link = sys.argv[2].replace("%N", str(n))
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(sys.argv[1], link)' "$target" "$(to_unix "$2")" "$4" "$5" "$6" || finish 1
    else
        ln -sfn "$target" "$(to_unix "$2")" || finish 1
    fi
    finish 0
fi

if [ ! -d "$other" ]; then
    # The system's libraries are the machine's: the scheme stand-in as in the first.
    copy_prefix "$template" "$other.tmp" "$first/drive_c/windows/system32/powrprof.dll"
    # One machine-wide program data folder.
    mkdir -p "$first/drive_c/ProgramData/KORA"
    rm -rf "$other.tmp/drive_c/ProgramData/KORA"
    ln -s "$first/drive_c/ProgramData/KORA" "$other.tmp/drive_c/ProgramData/KORA"
    mv "$other.tmp" "$other"
    # A desktop of its own name, so that the test tells it from its own; it is moved
    # off the screen below, as another session is not on the test's screen.
    (export WINEPREFIX="$other" && use_desktop Other 640x480) </dev/null >/dev/null 2>&1
fi
export WINEPREFIX="$other"

mode=$1
shift
name=$1
shift
[ -f "$program/$name" ] && name="$program/$name"
cd "$program" || finish 125
case "$mode" in
    run)
        "$WINE64" "$name" "$@" </dev/null >>"$work/other-account.log" 2>&1
        status=$?
        ;;
    start)
        "$WINE64" "$name" "$@" </dev/null >>"$work/other-account.log" 2>&1 &
        status=0
        ;;
    *) finish 125 ;;
esac
# Another session's desktop is not on this screen.
for _ in $(seq 1 50); do
    window=$(xdotool search --name '^Other - Wine desktop$' 2>/dev/null | head -n1)
    if [ -n "$window" ]; then
        xdotool windowunmap "$window" >/dev/null 2>&1
        break
    fi
    [ "$mode" = run ] && break
    sleep 0.1
done
finish "$status"
