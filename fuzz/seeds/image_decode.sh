#!/usr/bin/env bash
# Seeds for the image decoder: tiny pictures in every accepted format, each behind the three
# parameter bytes the fuzz program reads first (width 0, height 0, method 2, compression 0).
set -euo pipefail
out="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/convert -size 24x16 gradient:black-white -draw "line 0,0 23,15" "$work/g.png"
for format in png jpg bmp gif ppm; do
  /usr/bin/convert "$work/g.png" "$work/seed.$format"
  { printf '\x00\x00\x02'; cat "$work/seed.$format"; } >"$out/seed_$format"
done
/usr/bin/convert "$work/g.png" -alpha set -channel A -evaluate set 50% "$work/alpha.png"
{ printf '\x10\xf0\x01'; cat "$work/alpha.png"; } >"$out/seed_alpha_png"
