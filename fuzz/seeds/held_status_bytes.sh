#!/usr/bin/env bash
# Seeds for the receive path on the input's clock, each behind the four chunking-seed bytes: a
# status packet amid data, a trailing 'S', and a firmware-version package whose text ends like the
# start of a status packet, followed by a status packet.
set -euo pipefail
printf '\x05\x00\x00\x00abS\x04\x00\xc0\x00\x00\x01\x96cdYES' >"$1/status"
printf '\x09\x00\x00\x00\x03\x01\x3f\x00\x46\x00\x00\x00\x03\x00\x34\x4cV1S' >"$1/package"
printf 'S\x04\x00\xc0\x00\x00\x01\x96' >>"$1/package"
