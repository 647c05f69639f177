#!/usr/bin/env bash
# make bench: the benchmarks of bench/ under Wine, in a world of their own made by
# tools/e2e-run.sh (prefix, X server with compositor, desktop, program folder). Prints
# each figure of Surgepad next to the empty Win32 program's, measured the same way in
# the same run; never fails on time.
#   tools/bench.sh BUILD_DIR   (a build folder holding x64/, or an x64 build folder)
# SURGEPAD_BENCH_PRESSES (default 20) and SURGEPAD_BENCH_IDLE_SECONDS (default 60)
# shorten a run. The x86 Surgepad.exe is measured when it is found in
# SURGEPAD_BENCH_X86_BUILD, BUILD_DIR/x86, BUILD_DIR86 or build-x86 (its bin/); the
# empty program is then built for x86 too, with the release's options.
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/x64/bin/bench_surgepad.exe"
[ -f "$exe" ] || exe="$build/bin/bench_surgepad.exe"
[ -f "$exe" ] || { echo "bench: bench_surgepad.exe is missing in $build; build x64 first" >&2; exit 1; }
out=$(dirname "$(dirname "$exe")")

unset SURGEPAD_BENCH_X86_EXE SURGEPAD_BENCH_X86_EMPTY_EXE
for x86 in ${SURGEPAD_BENCH_X86_BUILD:-} "$build/x86" "${build%/}86" build-x86; do
    if [ -f "$x86/bin/Surgepad.exe" ]; then
        export SURGEPAD_BENCH_X86_EXE
        SURGEPAD_BENCH_X86_EXE=$(realpath "$x86/bin/Surgepad.exe")
        empty86="$out/bench-x86/bench_empty.exe"
        mkdir -p "$out/bench-x86"
        if i686-w64-mingw32-g++-posix -std=c++20 -O3 -DNDEBUG -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -DNOMINMAX \
            -DSTRICT -mwindows -static -static-libgcc -static-libstdc++ -s "$here/../bench/EmptyProgram.cpp" \
            -o "$empty86"; then
            export SURGEPAD_BENCH_X86_EMPTY_EXE
            SURGEPAD_BENCH_X86_EMPTY_EXE=$(realpath "$empty86")
        fi
        break
    fi
done

"$here/e2e-run.sh" "$exe" --gtest_filter='Bench.*' 2>&1 | tee "$out/bench-output.txt" |
    grep -E "^\[|figure|PASSED|FAILED|OK \]|Failure|error" || true
echo "bench: full output in $out/bench-output.txt"
