#!/bin/sh
# Renders the program icon's PNG sizes from its drawing,
# resources/icons/fennimar.svg, into resources/fennimar-<size>.png. Run it
# after changing the drawing and commit the PNG files with it: the build and
# the package take them as they are, so that neither needs an SVG renderer.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
for size in 16 32 48 128 256; do
  rsvg-convert -w "$size" -h "$size" "$root/resources/icons/fennimar.svg" \
    -o "$root/resources/fennimar-$size.png"
done
