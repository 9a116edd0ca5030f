#!/usr/bin/env bash
# Renders the PNG sizes of the icon from its SVG (dist/icons/); run after
# changing the SVG and commit the PNGs. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
icons=$(cd "$(dirname "$0")/../dist/icons" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/org.example.kelpo.Kelpo.svg" -o "$icons/kelpo-$size.png"
done
