#!/usr/bin/env bash
# Renders the application icon and the four logo sizes from their SVG sources and packs
# them into the .ico files that host/setup.rc compiles. The .ico files are committed, so a
# build never needs the renderer; run this after changing a picture and commit the result.
# Two runs with the same librsvg give byte-identical files.
#
# Needs rsvg-convert (librsvg2-bin) and python3 (standard library only).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
res=$top/host/resources
# The window's COLOR_BTNFACE on current Windows and on Wine; the logos' edges blend into it.
button_face=F0F0F0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The 16-pixel icon has its own drawing: the larger one turns to mush at that size.
rsvg-convert -w 16 -h 16 "$res/corvale-icon-16.svg" -o "$work/icon-16.png"
for size in 32 48 64; do
  rsvg-convert -w $size -h $size "$res/corvale-icon.svg" -o "$work/icon-$size.png"
done
python3 "$top/scripts/pack-icons.py" icon "$res/corvale.ico" \
  "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-64.png"

# One logo per DPI step (96, 120, 144, 192); the 120 x 41 drawing is scaled to each.
for size in 120x41 150x52 180x62 240x83; do
  width=${size%x*}
  height=${size#*x}
  rsvg-convert -w "$width" -h "$height" "$res/corvale-logo.svg" -o "$work/logo.png"
  python3 "$top/scripts/pack-icons.py" logo "$res/logo-$width.ico" $button_face "$work/logo.png"
done
