#!/usr/bin/env bash
# Seeds for the status packet parser, each behind the four chunking-seed bytes: data around
# packets of every kind, a packet that starts inside a rejected one, and a packet with a bad check.
set -euo pipefail
printf '\x07\x00\x00\x00ab\x53\x05\x01\xc0\x00\x00\x01\x96cdS\x10\x53\x50\x00\x08\x00\x00\x04\x0fS' \
  >"$1/packets"
printf '\x03\x00\x00\x00xS\x53\x01\x02\x03\x04\x00\x02\x55SS\x53\x09\x00\x00\x00\x00\x03\x59' \
  >"$1/look_alikes"
printf '\x53\x01\x00\x00\x00\x00\x01\x52S' >>"$1/look_alikes"
