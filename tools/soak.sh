#!/usr/bin/env bash
# make soak: many switches of the real program against the stand-ins (500 by default,
# SURGEPAD_SOAK_SWITCHES), in a world of its own made by tools/e2e-run.sh. Prints
# private bytes, working set and handle count before, every 100 switches and after.
# Fails only when the program ends or a switch does not complete, never on a figure.
# A run of 500 takes about half an hour.
#   tools/soak.sh BUILD_DIR   (a build folder holding x64/, or an x64 build folder)
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/x64/bin/bench_surgepad.exe"
[ -f "$exe" ] || exe="$build/bin/bench_surgepad.exe"
[ -f "$exe" ] || { echo "soak: bench_surgepad.exe is missing in $build; build x64 first" >&2; exit 1; }
out=$(dirname "$(dirname "$exe")")
set -o pipefail
status=0
"$here/e2e-run.sh" "$exe" --gtest_filter='Soak.*' 2>&1 | tee "$out/soak-output.txt" |
    grep -E "^\[|figure|PASSED|FAILED|OK \]|Failure|error" || status=$?
echo "soak: full output in $out/soak-output.txt"
exit $status
