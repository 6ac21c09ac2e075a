#!/usr/bin/env bash
# Seeds for the printer-address target: manufacturer data, and an address as a caller writes it.
set -euo pipefail
printf 'QZ\x00\x11\x22\x33\x44\x55' >"$1/printer"
printf 'QZ\xde\xad\xbe\xef\x00\x01\xff\xff' >"$1/longer_data"
printf 'QZ\x01\x02\x03\x04\x05' >"$1/too_short"
printf '00:11:22:33:aa:BB' >"$1/address_text"
