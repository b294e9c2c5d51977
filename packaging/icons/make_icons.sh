#!/usr/bin/env bash
# Renders the PNG sizes of the hicolor theme from relantomador.svg (needs
# librsvg2-bin). The PNGs are kept in the repository, so building needs no SVG
# renderer; run this again only after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" relantomador.svg -o "relantomador-$size.png"
done
