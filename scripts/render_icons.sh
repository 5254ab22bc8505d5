#!/bin/sh
# Renders the program icon's PNG sizes from its drawing,
# resources/icons/fennimar.svg, into resources/fennimar-<size>.png, and the
# Windows icon (every size Explorer and the task bar ask for, up to 200%)
# into resources/windows/fennimar.ico. Run it after changing the drawing and
# commit the results with it: the build and the packages take them as they
# are, so that neither needs an SVG renderer.
# Needs rsvg-convert (Debian: librsvg2-bin) and ImageMagick's convert.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 20 24 32 40 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$root/resources/icons/fennimar.svg" -o "$work/$size.png"
done
for size in 16 32 48 128 256; do
  cp "$work/$size.png" "$root/resources/fennimar-$size.png"
done
cd "$work"
convert 16.png 20.png 24.png 32.png 40.png 48.png 64.png 256.png "$root/resources/windows/fennimar.ico"
