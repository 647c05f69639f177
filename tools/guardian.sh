#!/usr/bin/env bash
# The guardian's long run: tools/guardian.sh BUILD SECONDS [JOBS] [SEED]
# Runs the model of tests/guardian for SECONDS in JOBS processes side by side (in one
# Wine prefix of their own), each from a seed range of its own (SEED, default from the
# clock), and prints each one's figures and the sum: sequences, steps, seeds, failures.
# A failure prints its seed and shortest failing sequence, and fails the run.
set -u
build=$1
seconds=$2
jobs=${3:-2}
seed=${4:-}
[ -n "$seed" ] || seed=$(( $(date +%s) % 1000000000 ))
program="$build/x64/bin/unit_guardian.exe"
out="$build/guardian"
rm -rf "$out" && mkdir -p "$out"
# shellcheck disable=SC2016
tools/wine-env.sh "$build/wineprefix-guardian" sh -c '
    for j in $(seq 0 $(('"$jobs"' - 1))); do
        SURGEPAD_GUARDIAN_SECONDS='"$seconds"' SURGEPAD_GUARDIAN_SEED=$(('"$seed"' + j * 100000000)) \
            "$WINE64" "'"$program"'" >"'"$out"'/run-$j.txt" 2>&1 &
    done
    wait'
status=0
sequences=0 steps=0 failures=0
for f in "$out"/run-*.txt; do
    line=$(grep -E "^guardian model:" "$f")
    if [ -z "$line" ] || grep -q "FAILED" "$f"; then
        status=1
        grep -v "^\[ \|^  | " "$f" | head -60
    fi
    if [ -n "$line" ]; then
        echo "$line"
        set -- $(echo "$line" | grep -oE "[0-9]+ (sequences|steps|failures)" | cut -d" " -f1)
        sequences=$((sequences + ${1:-0})) steps=$((steps + ${2:-0})) failures=$((failures + ${3:-0}))
    else
        # A run that failed ends before its figures: what it did before the failure counts,
        # and so does the failure.
        set -- $(grep -oE "^\([0-9]+ sequences, [0-9]+ steps" "$f" | grep -oE "[0-9]+")
        sequences=$((sequences + ${1:-0} + 1)) steps=$((steps + ${2:-0})) failures=$((failures + 1))
    fi
done
echo "guardian long run: $sequences sequences, $steps steps, $jobs seed ranges from $seed, $failures failures"
exit $status
