#!/usr/bin/env bash
# Seeds for the receive path: mode, chunking seed, then data around a status packet and a
# firmware-version package.
set -euo pipefail
printf '\x01\x05\x00\x00\x00abcS\x04\x00\x00\x00\x00\x01\x56xyz' >"$1/status"
printf '\x01\x09\x00\x00\x00\x03\x01\x3f\x00\x46\x00\x00\x00\x03\x00\x2f\x57\x31\x2e\x30S\x01' \
  >"$1/package"
