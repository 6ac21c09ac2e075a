#!/usr/bin/env bash
# Seeds for the device-package parser, each behind the four chunking-seed bytes: stray bytes that
# look like a header announcing 65535 data bytes, followed by a real answer.
set -euo pipefail
out="$1"
printf '\x01\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\xff\xff\x00\x03' >"$out/false_header"
printf '\x03\x01\x3f\x00\x56\x00\x00\x00\x02\x00\x0f\x66\x38\x37' >>"$out/false_header"
