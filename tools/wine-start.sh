#!/usr/bin/env bash
# The CTest emulator of the unit test programs: runs one under wine64 (the environment
# of tools/wine-env.sh). Now and then (about once in a thousand starts beside other
# programs) Wine ends a program at its start with exit code 1 before the program has
# run a line: nothing printed, not even GoogleTest's first line. Such a start is made
# once more, and said so; a program that printed anything keeps its outcome.
set -u
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
    /usr/lib/wine/wine64 "$@" >"$out" 2>&1
    status=$?
    if [ $status -eq 0 ] || [ -s "$out" ] || [ $attempt -eq 2 ]; then
        cat "$out"
        exit $status
    fi
    echo "wine-start: $(basename "$1") ended with $status before printing anything; started once more" >&2
done
