#!/usr/bin/env bash
# Makes the language files the program reads from their sources in src/, into OUT
# (the build runs it into bin/LangFiles; `make dist` ships what it made):
#   OUT/KrMultiLang.ini              the list of languages by system language identifier
#   OUT/<Name>/<Name>.ini            src/<Name>.ini in UTF-8 with a byte order mark and
#                                    CRLF line ends, which any system reads in any script
# Usage: make-lang.sh OUT
#
# A translator needs none of this: a UTF-8 file saved as LangFiles\<Name>\<Name>.ini
# beside Surgepad.exe shows in the tray menu's Language submenu at the next opening of
# the menu (see the README).
set -euo pipefail
out=${1:?usage: make-lang.sh OUT}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
crlf() { sed 's/\r$//; s/$/\r/'; }
crlf < "$here/KrMultiLang.ini" > "$out/KrMultiLang.ini.tmp"
mv "$out/KrMultiLang.ini.tmp" "$out/KrMultiLang.ini"
for source in "$here"/src/*.ini; do
    name=$(basename "$source" .ini)
    if ! iconv -f UTF-8 -t UTF-8 "$source" >/dev/null 2>&1; then
        echo "make-lang: $source is not UTF-8" >&2
        exit 1
    fi
    mkdir -p "$out/$name"
    target="$out/$name/$name.ini"
    {
        printf '\xEF\xBB\xBF'
        printf '; Made by make-lang.sh from src/%s.ini: edit that file.\n' "$name"
        sed '1s/^\xEF\xBB\xBF//' "$source"
    } | crlf > "$target.tmp"
    mv "$target.tmp" "$target"
done
