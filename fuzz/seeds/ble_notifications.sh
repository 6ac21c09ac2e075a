#!/usr/bin/env bash
# Seeds for the Bluetooth LE notification target: real V2 and V3 exchanges of a 1000-byte job.
# Bytes 0-3: packet size 182 (b0 177), job length 1000 (e8 03), flags; then the printer's
# notifications, each a length byte and its bytes.
set -euo pipefail
# V2, 6 packets of 178 bytes: 8192 free, the setup answer (6 packets of 182), the space of each
# packet given back, then the received count.
{
  printf '\xb1\xe8\x03\x00'
  printf '\x0a\x00\x0a\x01\x00\x00\x20\x00\x00\x00\x00'
  printf '\x0a\x00\x0a\x03\x06\x00\xb6\x00\x00\x00\x00'
  for _ in 1 2 3 4 5 6; do printf '\x0a\x00\x0a\x01\x01\xb2\x00\x00\x00\x00\x00'; done
  printf '\x0a\x00\x0a\x05\x06\x00\x00\x00\x00\x00\x00'
} >"$1/v2_group"
# V2 with a lost packet: the printer asks for packet 2 again (one), then for 3 and 4 (a run),
# and sends a data frame for the reader before its count.
{
  printf '\xb1\xe8\x03\x01'
  printf '\x0a\x00\x0a\x01\x01\xb2\x00\x00\x00\x00\x00'
  printf '\x0a\x00\x0a\xff\x02\x00\x00\x00\x00\x00\x00'
  printf '\x0c\x00\x0c\xff\x03\x00\x00\x02\x00\x00\x00\x00\x00'
  printf '\x05\x05\x00\x00\x4f\x4b'
  for _ in 1 2 3 4 5; do printf '\x0a\x00\x0a\x01\x01\xb2\x00\x00\x00\x00\x00'; done
  printf '\x0a\x00\x0a\x05\x06\x00\x00\x00\x00\x00\x00'
} >"$1/v2_resend"
# V2 whose received count never comes, the writes with an hour to go (flag bit 7).
{
  printf '\xb1\xe8\x03\x80'
  printf '\x0a\x00\x0a\x01\x00\x00\x20\x00\x00\x00\x00'
  printf '\x0a\x00\x0a\x03\x06\x00\xb6\x00\x00\x00\x00'
  for _ in 1 2 3 4 5 6; do printf '\x0a\x00\x0a\x01\x01\xb2\x00\x00\x00\x00\x00'; done
} >"$1/v2_lost_count"
# V3, chunks of 180 bytes: the size, 16 credits ahead, then a credit back for each of 6 chunks.
{
  printf '\xb1\xe8\x03\x00'
  printf '\x03\x02\xb4\x00\x02\x01\x10'
  for _ in 1 2 3 4 5 6; do printf '\x02\x01\x01'; done
} >"$1/v3_credits"
# V3 with two credits ahead, a message of neither kind, then credits back in batches of 3.
{
  printf '\xb1\xe8\x03\x00'
  printf '\x03\x02\xb4\x00\x02\x01\x02\x03\x05\x01\x02'
  printf '\x02\x01\x03\x02\x01\x03'
} >"$1/v3_batches"
