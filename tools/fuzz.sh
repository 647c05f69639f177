#!/usr/bin/env bash
# make fuzz: runs the fuzzers of a native build one after the other, each for a while.
#   tools/fuzz.sh NATIVE_BUILD SECONDS [NAME...]
# Each starts from its committed seeds (tests/fuzz/corpus/NAME/ and any other folder
# its line of NATIVE_BUILD/fuzz/targets.txt names; only read) and from what earlier
# runs found (NATIVE_BUILD/fuzz/NAME/corpus/, where new inputs go). A
# crash, sanitizer report, leak or hang leaves its input in NATIVE_BUILD/fuzz/NAME/crashes/
# and makes the run fail. Prints each target's executions, speed and coverage
# (libFuzzer's final statistics); the whole output of a target is in its last-run.log.
# FUZZ_RUNS=N in the environment also ends each target after N executions; FUZZ_TIMEOUT
# (default 10) is the seconds one input may take before it counts as a hang (wall time:
# raise it when the machine is busy with other work).
set -u
if [ $# -lt 2 ]; then
    echo "usage: $0 NATIVE_BUILD SECONDS [NAME...]" >&2
    exit 2
fi
build=$1
seconds=$2
shift 2
list=$build/fuzz/targets.txt
if [ ! -f "$list" ]; then
    echo "fuzz: $list is missing: the native build has no fuzzers (configure it with clang)" >&2
    exit 2
fi

wanted() {
    [ $# -eq 1 ] && return 0
    local name=$1
    shift
    for w in "$@"; do
        [ "$w" = "$name" ] && return 0
    done
    return 1
}

# The value of one of libFuzzer's "stat::NAME: VALUE" lines.
stat() {
    sed -n "s/^stat::$1: *//p" "$2" | tail -n 1
}

failed=()
ran=0
summary=$(printf '%-14s %14s %10s %8s %8s %8s  %s' target executions exec/s cov ft corpus result)
# targets.txt: name, program, largest input, seed folders; separated by tabs.
while IFS=$'\t' read -r name binary maxlen seedlist; do
    wanted "$name" "$@" || continue
    IFS=$'\t' read -r -a seeds <<<"$seedlist"
    work=$build/fuzz/$name
    mkdir -p "$work/corpus" "$work/crashes"
    log=$work/last-run.log
    echo "fuzz: $name for ${seconds} s"
    "$binary" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" -print_final_stats=1 -max_len="$maxlen" -timeout="${FUZZ_TIMEOUT:-10}" \
        -artifact_prefix="$work/crashes/" "$work/corpus" "${seeds[@]}" >"$log" 2>&1
    status=$?
    ran=$((ran + 1))
    # The engine's last status line: "#N DONE cov: C ft: F corp: K/S ...".
    last=$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -n 1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    result=ok
    if [ $status -ne 0 ]; then
        result="FAILED ($status), see $log"
        failed+=("$name")
        grep -E '^(==[0-9]+==|SUMMARY|artifact_prefix|Test unit written|.*runtime error)' "$log" | head -n 20
    fi
    summary+=$'\n'$(printf '%-14s %14s %10s %8s %8s %8s  %s' "$name" "$(stat number_of_executed_units "$log")" \
        "$(stat average_exec_per_sec "$log")" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result")
done <"$list"

if [ $ran -eq 0 ]; then
    echo "fuzz: no target named $*" >&2
    exit 2
fi
echo
echo "$summary"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: findings in ${failed[*]}: inputs in $build/fuzz/NAME/crashes/" >&2
    exit 1
fi
