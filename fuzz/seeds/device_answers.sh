#!/usr/bin/env bash
# Seeds for the device answers: flags, buffer length, bytes before the query, then the printer's
# packages (battery "BATT 87", serial number "SN-0042" with a 0 and a tail, a stale battery answer
# before the query and a fresh one after an 'S').
set -euo pipefail
out="$1"
battery='\x03\x01\x3f\x00\x56\x00\x00\x00\x07\x00\x2c\x40\x42\x41\x54\x54\x20\x38\x37'
serial='\x03\x01\x3f\x00\x4e\x00\x00\x00\x0c\x00\x26\x59\x53\x4e\x2d\x30\x30\x34\x32\x00\x74\x61\x69\x6c'
stale='\x03\x01\x3f\x00\x56\x00\x00\x00\x07\x00\x2d\x41\x42\x41\x54\x54\x2d\x31\x32'
printf "\x00\x00\x00$battery" >"$out/battery"
printf "\x01\x20\x00$serial" >"$out/serial"
printf "\x03\x00\x00$serial" >"$out/serial_module"
printf "\x00\x00\x13${stale}S$battery" >"$out/stale_battery"
