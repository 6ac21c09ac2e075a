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
# JPEG variants the decoder takes another way: progressive scans, subsampled colour, CMYK.
/usr/bin/convert -seed 1 -size 24x16 plasma:fractal "$work/c.png"
/usr/bin/convert "$work/c.png" -interlace Plane "$work/progressive.jpg"
/usr/bin/convert "$work/c.png" -sampling-factor 2x2 "$work/subsampled.jpg"
/usr/bin/convert "$work/c.png" -colorspace CMYK "$work/cmyk.jpg"
for variant in progressive subsampled cmyk; do
  { printf '\x00\x00\x02'; cat "$work/$variant.jpg"; } >"$out/seed_$variant"
done
/usr/bin/convert "$work/g.png" -alpha set -channel A -evaluate set 50% "$work/alpha.png"
{ printf '\x10\xf0\x01'; cat "$work/alpha.png"; } >"$out/seed_alpha_png"
# Transparency in each form the decoder knows: grey + alpha and a palette with a transparent
# entry in PNG, a transparent colour in GIF, 32-bit BMP with alpha.
/usr/bin/convert -size 24x16 xc:none -fill black -draw "rectangle 4,4 19,11" "$work/logo.png"
/usr/bin/convert "$work/logo.png" -define png:color-type=4 "$work/grey_alpha.png"
/usr/bin/convert "$work/logo.png" PNG8:"$work/palette_alpha.png"
/usr/bin/convert "$work/logo.png" "$work/transparent.gif"
/usr/bin/convert "$work/logo.png" "$work/alpha.bmp"
for variant in grey_alpha.png palette_alpha.png transparent.gif alpha.bmp; do
  { printf '\x00\x00\x01'; cat "$work/$variant"; } >"$out/seed_${variant/./_}"
done
# Inflation bombs and pictures made to order (bits 2-3 of the third byte set; see the target):
# 1 x 1 RGB whose data inflates 32 MiB past it, 64 x 64 interlaced 16-bit RGBA as it should be,
# 16 x 16 of a two-colour palette inflating 1 MiB past it.
printf '\x00\x00\x0c\x00\x00\x05\x00\xff\x00' >"$out/seed_bomb_rgb"
printf '\x00\x00\x0c\x3f\x3f\x0e\x01\x00\x00' >"$out/seed_made_rgba16"
printf '\x00\x00\x0c\x0f\x0f\x0a\x00\x08\x02' >"$out/seed_bomb_palette"
