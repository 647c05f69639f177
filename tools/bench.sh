#!/usr/bin/env bash
# make bench: the benchmarks of bench/ under Wine, in a world of their own made by
# tools/e2e-run.sh (prefix, X server with compositor, desktop, program folder). Prints
# the figures; never fails on time.
#   tools/bench.sh BUILD_DIR        (the build folder holding x64/)
# SURGEPAD_BENCH_SWITCHES (default 200) and SURGEPAD_BENCH_IDLE_SECONDS (default 60)
# shorten a run.
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/x64/bin/bench_surgepad.exe"
[ -f "$exe" ] || { echo "bench: $exe is missing; build x64 first" >&2; exit 1; }
"$here/e2e-run.sh" "$exe" 2>&1 | tee "$build/bench-output.txt" | grep -E "^\[|figure|: [0-9.]+ |PASSED|FAILED|OK \]" || true
echo "bench: full output in $build/bench-output.txt"
