#!/usr/bin/env bash
# Renders the PNG sizes of the program icon from helixor.svg (needs
# rsvg-convert from librsvg2-bin). The PNGs are kept in the repository so
# that building needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" helixor.svg -o "helixor-$size.png"
done
