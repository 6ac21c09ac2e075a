#!/usr/bin/env bash
# Seeds for the raster decoder: captured bytes with each raster command the printer knows, a page
# and a label around them; and small pictures for each framing (flags, width - 1, height - 1,
# label position, dots).
set -euo pipefail
out="$1"
# GS v 0 of 1 x 2 bytes, a run-length line, page graphics of 8 x 1 dots at ESC $ / GS $, a label
# picture of 8 x 1 dots, each between plain text.
printf '\x00hi\x1d\x76\x30\x00\x01\x00\x02\x00\xff\x00' >"$out/gs_v_0"
printf '\x00\x1f\x28\x50\x04\x00\x01\x00\x00\xaa' >>"$out/gs_v_0"
printf '\x00\x1b\x4c\x1b\x24\x10\x00\x1d\x24\x20\x00' >"$out/page"
printf '\x1d\x38\x4c\x0b\x00\x00\x00\x30\x70\x30\x01\x01\x31\x08\x00\x01\x00\x81\x1b\x0c' >>"$out/page"
printf '\x00\x1a\x5b\x01\x00\x00\x00\x00\x40\x02\xf0\x00\x00' >"$out/label"
printf '\x1a\x21\x01\x05\x00\x06\x00\x08\x00\x01\x00\x00\x00\x3c\x1a\x4f\x01\x01' >>"$out/label"
for framing in 0 1 2 3 4 5; do
  flags=$((framing * 2 + 1))
  printf "\\x$(printf '%02x' "$flags")\\x1f\\x00\\x2f\\x01\\x10\\x00\\x20\\x00\\x81\\x42\\x00\\xff" \
    >"$out/framed_$framing"
done
# A receipt as the image print job lays it out: print area, alignment, a band, a feed, a cut.
printf '\x00\x1d\x4c\x00\x00\x1d\x57\x80\x02\x1b\x61\x01\x1d\x76\x30\x00\x01\x00\x02\x00\xff\x81' \
  >"$out/receipt_layout"
printf '\x1b\x4a\x50\x1b\x33\x18\x1b\x64\x02\x1b\x69\x1d\x56\x42\x00' >>"$out/receipt_layout"
