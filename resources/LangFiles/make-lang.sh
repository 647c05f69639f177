#!/usr/bin/env bash
# Makes the language files the program reads from their UTF-8 sources in src/:
# each in the code page a system of that language reads ini files in, with CRLF
# line ends. Run after editing a source; commit both.
set -euo pipefail
cd "$(dirname "$0")"
convert_one() {  # language, code page
    local source="src/$1.utf8.ini" target="$1/$1.ini"
    {
        printf '; Surgepad texts: %s, code page %s. Made by make-lang.sh from %s.\n' "$1" "${2#CP}" "$source"
        grep -v '^;' "$source"
    } | sed 's/\r$//; s/$/\r/' | iconv -f UTF-8 -t "$2" > "$target.tmp"
    mv "$target.tmp" "$target"
    echo "make-lang: $target ($2)"
}
convert_one Japanese CP932
convert_one French CP1252
