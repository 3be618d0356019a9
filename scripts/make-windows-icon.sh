#!/usr/bin/env bash
# Makes ui/win32/hxf.ico, the Windows program's icon, from the scalable one in dist/, at the sizes
# Windows asks for (16 to 256 pixels). The result is checked in, so that the Windows build needs
# neither tool; run this again after changing dist/hxf.svg. Needs rsvg-convert and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pngs=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w "$size" -h "$size" dist/hxf.svg -o "$work/$size.png"
  pngs+=("$work/$size.png")
done
convert "${pngs[@]}" ui/win32/hxf.ico
