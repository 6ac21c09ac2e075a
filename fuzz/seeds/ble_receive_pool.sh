#!/usr/bin/env bash
# Seeds for the receive-pool target: a seed (the small pool's size), then operations.
set -euo pipefail
# The basic layout: data with an index report in it, read whole within 50 ms.
printf '\x40\x00\x00\x00\x00\x09hello\x10\x07\xff\x05\x03\x20\x32' >"$1/basic_report"
# V3: the size and a credit on the flow-control characteristic, data on FF01, read in two goes.
printf '\x07\x00\x00\x00\x02\x03\x02\xb4\x00\x02\x02\x01\x10\x01\x04OK\r\n\x07\x02\x0a\x07\x10\x00' \
  >"$1/v3_data_and_credits"
# 5 x 64 notifications of 255 bytes fill the basic channel's 65536-byte pool; read, then skip.
{
  printf '\xff\x01\x00\x00'
  for _ in 1 2 3 4 5; do
    printf '\xfc\xff'
    head -c 255 /dev/zero | tr '\0' '\125'
  done
  printf '\x03\xff\xff\x0b\x00\x00'
} >"$1/overflow"
