#!/usr/bin/env bash
# make lint: the house format (.clang-format) over every C++ file of the repository,
# and clang-tidy (.clang-tidy) over the pure-logic library, whose compile commands come
# from a native configuration in BUILD_DIR/lint. Fails on any finding.
# Usage: tools/lint.sh BUILD_DIR [--fix]   (--fix formats the files in place instead)
set -u
build=$(realpath -m "${1:?usage: tools/lint.sh BUILD_DIR [--fix]}")
fix=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=clang-format-14
tidy=clang-tidy-14
command -v "$format" >/dev/null || format=clang-format
command -v "$tidy" >/dev/null || tidy=clang-tidy

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "$fix" = "--fix" ]; then
    "$format" -i "${sources[@]}"
    echo "lint: formatted ${#sources[@]} files"
    exit 0
fi

status=0
unformatted=()
for f in "${sources[@]}"; do
    "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "lint: not in the house format (tools/lint.sh BUILD --fix formats them):"
    printf '  %s\n' "${unformatted[@]}"
    status=1
else
    echo "lint: ${#sources[@]} files in the house format"
fi

# The layers: lumen below the window framework, the framework below the control
# package, the program on top. A lower layer includes nothing of a higher one.
upward=$(git grep -nE '#include "(ui|kr|surgepad)/' -- 'lumen/*' ; git grep -nE '#include "(kr|surgepad)/' -- 'ui/*'; \
    git grep -nE '#include "surgepad/' -- 'kr/*')
if [ -n "$upward" ]; then
    echo "lint: a lower layer includes a higher one:"
    echo "$upward" | sed 's/^/  /'
    status=1
else
    echo "lint: every include goes down the layers (lumen, ui, kr, surgepad)"
fi

# The program's rooms, in their order: a room includes its own files and those of the
# rooms before it, never one after it (surgepad/CMakeLists.txt builds them so).
rooms=(look button turbo display settings app)
backward=""
for ((i = 0; i < ${#rooms[@]} - 1; i++)); do
    later=$(IFS='|'; echo "${rooms[*]:i+1}")
    found=$(git grep -nE "#include \"surgepad/($later)/" -- "surgepad/${rooms[i]}/*")
    [ -z "$found" ] || backward+="$found"$'\n'
done
every=$(IFS='|'; echo "${rooms[*]}")
stray=$(git ls-files 'surgepad/*.h' 'surgepad/*.cpp' | grep -vE "^surgepad/($every)/|^surgepad/Main\.cpp$")
if [ -n "$backward$stray" ]; then
    echo "lint: a room includes one after it, or a file of the program is in no room:"
    printf '%s\n' "$backward$stray" | sed '/^$/d; s/^/  /'
    status=1
else
    echo "lint: every include of the program goes to its own room or an earlier one (${rooms[*]})"
fi

lint="$build/lint"
if [ ! -f "$lint/compile_commands.json" ]; then
    cmake -S . -B "$lint" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DSURGEPAD_TESTS=OFF >/dev/null || exit 1
fi
mapfile -t pure < <(python3 - "$lint/compile_commands.json" <<'PY'
import json, sys
for entry in json.load(open(sys.argv[1])):
    if "lumen_pure.dir" in entry["command"]:
        print(entry["file"])
PY
)
findings=0
for f in "${pure[@]}"; do
    if ! "$tidy" -p "$lint" --quiet "$f" 2>/dev/null; then
        findings=$((findings + 1))
    fi
done
if [ "$findings" -gt 0 ]; then
    echo "lint: clang-tidy found problems in $findings of ${#pure[@]} files of the pure-logic library"
    status=1
else
    echo "lint: clang-tidy clean over ${#pure[@]} files of the pure-logic library"
fi
exit $status
