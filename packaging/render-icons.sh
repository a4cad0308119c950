#!/bin/sh
# Draws the icon's PNG sizes from corvatine.svg again after it changed
# (rsvg-convert is in the Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 48 128; do
  rsvg-convert -w "$size" -h "$size" corvatine.svg -o "corvatine-$size.png"
done
