#!/usr/bin/env bash
# Seeds for the firmware download: port capacity, flags, then the image. An image of 8 bytes whose
# length field says 8; 3000 bytes whose length field is set for them, to a port that takes all of
# it or only the first piece; a length field one too large; an image too short to have one.
set -euo pipefail
out="$1"
printf '\xff\xff\x00\x01\x02\x03\x04\x08\x00\x00\x00' >"$out/eight"
{ printf '\xff\xff\x02'; head -c 3000 /dev/zero | tr '\0' 'Z'; } >"$out/three_pieces"
{ printf '\xcf\x07\x02'; head -c 3000 /dev/zero | tr '\0' 'Z'; } >"$out/first_piece_only"
printf '\xff\xff\x00\x01\x02\x03\x04\x09\x00\x00\x00' >"$out/length_too_large"
printf '\xff\xff\x01\x01\x02\x03\x04\x05\x06\x07' >"$out/too_short"
