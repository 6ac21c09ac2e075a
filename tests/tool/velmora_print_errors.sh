#!/usr/bin/env bash
# velmora-print given a command line it cannot carry out: the exit status, and a message that
# says what was wrong (on standard error; the usage on standard output for --help).
set -u
tool="$1"
here="$(cd "$(dirname "$0")" && pwd)"
failures=0
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# le VALUE BYTES: VALUE little-endian in BYTES bytes.
le() {
  local v=$1 n=$2 i
  for ((i = 0; i < n; i++)); do printf "\\x$(printf %02x $(((v >> (8 * i)) & 255)))"; done
}
# one_bit_bmp WIDTH HEIGHT: a 1-bit BMP, all black: a large picture in a small file.
one_bit_bmp() {
  local w=$1 h=$2 size=$((($1 + 31) / 32 * 4 * $2))
  printf BM; le $((62 + size)) 4; le 0 4; le 62 4; le 40 4; le "$w" 4; le "$h" 4; le 1 2; le 1 2
  le 0 4; le "$size" 4; le 2835 4; le 2835 4; le 2 4; le 2 4; le 0 4; le 0xFFFFFF 4
  head -c "$size" /dev/zero
}
# 3000 dots wide, where the virtual printer's paper takes 640; 1,125,000 bytes of raster.
one_bit_bmp 3000 3000 >"$scratch/wide.bmp"

# expect STATUS PATTERN ARGUMENT...: runs the tool, checks its status and that its output, lines
# joined by blanks, matches the extended regular expression PATTERN.
expect() {
  local status="$1" pattern="$2"
  shift 2
  local output rc
  output="$("$tool" "$@" 2>&1 >/dev/null)"
  rc=$?
  if [ "$status" -eq 0 ]; then output="$("$tool" "$@" 2>/dev/null)"; fi
  if [ "$rc" -ne "$status" ] || ! grep -Eq -- "$pattern" <<<"${output//$'\n'/ }"; then
    echo "FAILED: velmora-print $* -> status $rc, expected $status and /$pattern/:"
    echo "$output" | head -5
    failures=$((failures + 1))
  fi
}

#      status  message                                          arguments
expect 2 "--density '20': .*from 0 to 15"                      --density 20
expect 2 "--wait needs a value"                                virtual --wait
expect 2 "--feed '': .*millimetres"                            --feed ""
expect 2 "unknown option --bogus"                              --bogus
expect 2 "10.0.0.5 .*tcp:10.0.0.5"                             10.0.0.5
expect 2 "unknown port type 'usb'"                             usb:1
expect 2 "printer.local: .*IP address"                         tcp:printer.local
expect 2 "unexpected argument 'extra'"                         virtual "$here" extra
expect 2 "--out .*virtual printer"                             --out x.png tcp:127.0.0.1
expect 2 ": --out needs a value; --wait is an option"            --out --wait 0
expect 2 ": --feed needs a value; --no-cut is an option"         virtual --feed --no-cut
expect 2 "--speed '-5': .*from 0 to 65535"                      --speed -5
expect 1 "$here: .*directory"                                  virtual "$here"
expect 1 "127.213.77.9: tried TCP port 9100 with a 5 s timeout"  tcp:127.213.77.9
expect 1 "AA:BB:CC:DD:EE:FF: .*no Bluetooth LE radio"        AA:BB:CC:DD:EE:FF
expect 1 "3000 x 3000 pixels.*more than one job may hold.*wider than the paper.s 640 dots.*at most 640 pixels wide\." \
  virtual "$scratch/wide.bmp" --out "$scratch/paper.png"
expect 0 "^usage: .*velmora-print"                             virtual --density 20 --help

exit $((failures > 0))
