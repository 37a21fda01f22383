#!/usr/bin/env bash
# Renders the PNG icon sizes from the SVG logo (needs rsvg-convert, Debian librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
id=io.github.pluvix.Pluvix
for size in 24 32 48 64 128 256; do
  mkdir -p "png/$size"
  rsvg-convert -w "$size" -h "$size" "$id.svg" -o "png/$size/$id.png"
done
