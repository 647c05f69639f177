#!/usr/bin/env bash
# Builds the Surgepad package of one program folder with wixl.
#   installer/make-msi.sh ARCH VERSION PROGRAM_DIR OUTPUT.msi
# ARCH is x86 or x64, PROGRAM_DIR a program folder of `make dist`
# (dist/<arch>/Surgepad: Surgepad.exe, pngio.dll, Resource\ with the skin for 150 % and
# 200 % display scaling in Resource\150\ and Resource\200\, LangFiles\). Each build
# writes <build>/installer/make-msi, which passes its own ARCH and VERSION.
set -eu
if [ $# -ne 4 ]; then
    echo "usage: $0 x86|x64 VERSION PROGRAM_DIR OUTPUT.msi" >&2
    exit 2
fi
arch=$1
version=$2
payload=$(realpath "$3")
out=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
case "$arch" in
    x64) win64=yes ;;
    x86) win64=no ;;
    *) echo "$0: unknown architecture $arch" >&2; exit 2 ;;
esac
[ -f "$payload/Surgepad.exe" ] || { echo "$0: no Surgepad.exe in $payload" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every file of the program folder and its sub-folders but the program itself, whose component
# Surgepad.wxs writes out (the shortcut, the Run value and the removal's run need it).
name=$(basename "$payload")
(cd "$payload/.." && find "$name" -type f ! -path "$name/Surgepad.exe" | LC_ALL=C sort) |
    wixl-heat -p "$name/" --directory-ref INSTALLDIR --component-group Payload --var var.PayloadDir --win64 \
        >"$work/payload.wxs"

# wixl finds sources relative to the source file that names them, and refuses some
# absolute paths: both files and a link to the program folder sit side by side.
cp "$here/Surgepad.wxs" "$work/"
ln -s "$payload" "$work/payload"
mkdir -p "$(dirname "$out")"
(cd "$work" && wixl -a "$arch" -D Arch="$arch" -D Win64="$win64" -D Version="$version" -D PayloadDir=payload \
    -o "$out" Surgepad.wxs payload.wxs)
