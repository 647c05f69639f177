#!/usr/bin/env bash
# make approve: takes what the program draws now as the approved pictures of its
# screens (tests/pictures/approved/), at 100 % and 200 %, after a wanted change of how
# it looks. It runs the picture tests (tests/e2e/PicturesTest.cpp) with
# SURGEPAD_APPROVE=1: a picture that matches its approved one stays as it is, a new or
# changed one is written, then compressed losslessly, so that the commit shows exactly
# the pictures that changed.
# Usage: tools/approve.sh BUILD_DIR
set -u
build=$(realpath -m "${1:?usage: tools/approve.sh BUILD_DIR}")
root=$(cd "$(dirname "$0")/.." && pwd)
approved="$root/tests/pictures/approved"
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT

SURGEPAD_APPROVE=1 "$root/tools/wine-env.sh" "$build/wineprefix-e2e" \
    ctest --test-dir "$build/x64" -R '^e2e_pictures\.' --output-on-failure -j2 --timeout 300
status=$?

for picture in "$approved"/*.png; do
    [ "$picture" -nt "$stamp" ] || continue
    convert "$picture" -strip -define png:exclude-chunks=date,time -define png:compression-level=9 \
        -define png:compression-filter=5 "PNG24:$picture.new" && mv "$picture.new" "$picture"
    echo "approve: $(basename "$picture")"
done
git -C "$root" status --short -- tests/pictures/approved
[ $status -eq 0 ] || echo "approve: a picture test failed (see above); its pictures may be missing" >&2
exit $status
