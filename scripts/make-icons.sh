#!/usr/bin/env bash
# Renders the application icon data/icons/velloplayer.svg into the PNG sizes kept beside it
# (velloplayer-N.png). Run after changing the drawing; needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for n in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$n" -h "$n" velloplayer.svg -o "velloplayer-$n.png"
done
