#!/usr/bin/env bash
# Seeds for the peripheral's offer: byte 0 the port kind, then operations (see the target).
# UUID bytes below 0x80 pick: 00 E7810A71-... 01 the same in lower case, 02 18F0, 04 FF00,
# 06 BEF8D6C9-... 07 the same in lower case, 08 2AF0, 0a 2AF1, 0b FF01, 0d FF02, 0e FF03.
set -euo pipefail
# A negotiating port on a printer that offers all three: V3 is chosen, its data reaches the
# reader, its size and credits do not; then an advertisement that carries an address.
{
  printf '\x03'
  printf '\x00\x03\x00\x02\x04\x00'
  printf '\x01\x02\x03\x0b\x10\x0d\x04\x0e\x10\x00'
  printf '\x02\x02\x00\x00\x02\x02\x02\x00'
  printf '\x03\x02\x00\x03abc\x00\x03\x02\x02\x03\x02\xb4\x00\x00'
  printf '\x07\x07Printer\xff\x08\x51\x5a\x00\x11\x22\x33\x44\x55'
} >"$1/va_all_three"
# A V2 port: a data frame of "OK" and a control frame.
{
  printf '\x01'
  printf '\x00\x01\x02\x00'
  printf '\x01\x00\x02\x08\x10\x0a\x04\x00'
  printf '\x02\x00\x00\x00'
  printf '\x03\x00\x00\x05\x05\x00\x00OK\x00'
  printf '\x03\x00\x00\x0a\x00\x0a\x01\x00\x00\x20\x00\x00\x00\x00\x00'
} >"$1/v2_frames"
# A basic-layout port, every UUID in lower case; a link that comes, goes and comes again; an
# advertisement without an address and one with a name only in the advertisement.
{
  printf '\x00'
  printf '\x04\x00\x01\x01\x00'
  printf '\x01\x00\x01\x07\x1c\x00'
  printf '\x02\x00\x00\x00\x03\x00\x00\x05hello\x00\x05\x04'
  printf '\x07\x03abc\xff\x02\x51\x5a'
  printf '\x07\xff\x04Shop\x09\x51\x5a\xaa\xbb\xcc\xdd\xee\xff\x01'
} >"$1/basic_lower_case"
