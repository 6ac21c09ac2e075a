#!/usr/bin/env bash
# Seeds for the uid strings: plain, with empty pieces, and with marks that join a separator.
set -euo pipefail
printf 'Kitchen|tcp|192.168.1.20' >"$1/plain"
printf '||Bar printer||btbleva|01:02:03:04:05:06|' >"$1/empty_pieces"
printf 'Caf\xc3\xa9|\xcc\x81tcp|x|\xff' >"$1/marks"
