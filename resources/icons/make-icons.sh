#!/usr/bin/env bash
# Draws the two tray icons of Surgepad with ImageMagick (Debian package
# "imagemagick"): a round button with a power glyph, in the skin's purple accent for the normal state
# ("Q_Button.ico"), and one with a lightning bolt in red while a turbo profile is on
# ("Q_Button_red16.ico"),
# each holding the sizes the notification area asks for from 100 % to 200 % display
# scale (16, 20, 24, 32) and those of larger views (40, 48). Only drawing primitives are used (no
# fonts), so the output is the same on every machine with the same ImageMagick.
# Usage: resources/icons/make-icons.sh [OUTPUT_DIR]   (default: this folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# button NAME FILL RIM GLYPH: a 256x256 master, scaled down to each size with a box
# filter. GLYPH "power" is the power symbol; "bolt" a lightning bolt, so that the turbo
# icon differs by its shape too, not by its colour alone.
button() {
    local name=$1 fill=$2 rim=$3 glyph=$4
    local draw=(-fill none -stroke white -strokewidth 26 -draw "arc 64,64 192,192 300,600"
        -draw "line 128,40 128,124")
    if [ "$glyph" = bolt ]; then
        draw=(-fill white -stroke none -draw "polygon 152,30 66,142 118,142 98,228 192,106 140,106 170,30")
    fi
    convert -size 256x256 xc:none \
        -fill "$rim" -stroke none -draw "circle 128,128 128,4" \
        -fill "$fill" -draw "circle 128,128 128,22" \
        "${draw[@]}" \
        -define png:exclude-chunks=date,time "$work/$name-master.png"
    local sizes=(16 20 24 32 40 48) files=()
    for size in "${sizes[@]}"; do
        convert "$work/$name-master.png" -filter Box -resize "${size}x${size}" \
            -define png:exclude-chunks=date,time "PNG32:$work/$name-$size.png"
        files+=("$work/$name-$size.png")
    done
    convert "${files[@]}" "$out/$name.ico"
}

button Q_Button '#8050C7' '#2B1A47' power
button Q_Button_red16 '#D0201E' '#5C0B0B' bolt
echo "icons written to $out"
