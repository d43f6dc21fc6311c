#!/usr/bin/env bash
# Renders the PNG sizes of the program icon from helixor.svg (needs
# rsvg-convert from librsvg2-bin). The PNGs are kept in the repository so
# that building needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" helixor.svg -o "helixor-$size.png"
done
# The Windows program icon holds the same sizes (needs python3-pil).
/usr/bin/python3 - <<'PY'
from PIL import Image
sizes = (16, 32, 48, 64, 128, 256)
images = [Image.open(f"helixor-{s}.png").convert("RGBA") for s in sizes]
images[-1].save("helixor.ico", format="ICO", sizes=[(s, s) for s in sizes], append_images=images[:-1])
PY
