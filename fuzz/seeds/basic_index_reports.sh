#!/usr/bin/env bash
# Seeds for the indexed write: packet size, job length, then notifications (length, bytes).
set -euo pipefail
# 16 packets of 19 bytes, confirmed at once.
printf '\x12\x2c\x01\x00\x04\x10\x07\xff\x10' >"$1/confirmed"
# 300 one-byte packets; the printer rewinds across the wrap of 256.
printf '\x00\x2b\x01\x00\x04\x10\x07\xff\x80\x05\x00\x10\x07\xff\xf0\x04\x10\x07\xff\x00' \
  >"$1/rewound"
printf '\x04\x10\x07\xff\x2c' >>"$1/rewound"
