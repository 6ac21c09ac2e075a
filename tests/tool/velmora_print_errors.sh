#!/usr/bin/env bash
# velmora-print given a command line it cannot carry out: the exit status, and a message that
# says what was wrong (on standard error; the usage on standard output for --help). And a
# picture it prints with something to say about it.
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
# Past the decoder's 2^25 pixels, past what one job holds by rows, by one row with the longest
# feed; one dot wider than the paper.
one_bit_bmp 6000 6000 >"$scratch/huge.bmp"
one_bit_bmp 640 70000 >"$scratch/long.bmp"
one_bit_bmp 640 13052 >"$scratch/row_too_many.bmp"
one_bit_bmp 641 8 >"$scratch/641.bmp"
mkfifo "$scratch/fifo.png"
one_bit="$scratch/641.bmp"

# expect STATUS PATTERN ARGUMENT...: runs the tool, checks its status and that its output, lines
# joined by blanks, matches the extended regular expression PATTERN.
expect() {
  local status="$1" pattern="$2"
  shift 2
  local output rc
  # A run that hangs (as on a FIFO with no writer) ends after `limit` seconds, when given.
  output="$(timeout "${limit:-0}" "$tool" "$@" 2>&1 >/dev/null)"
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
# The output file is checked with the command line, before anything prints.
expect 2 "--out /nonexistent/p.png: no directory /nonexistent"  --out /nonexistent/p.png
expect 2 "--out $here: a directory"                             --out "$here"
limit=60 expect 2 "--out .*fifo.png: not a regular file"        --out "$scratch/fifo.png"
expect 2 "--out no-such-dir/p.png: no directory no-such-dir \\("  --out no-such-dir/p.png
# What is not a regular file is refused at once.
limit=60 expect 1 "fifo.png: a FIFO or pipe, not a regular file" virtual "$scratch/fifo.png"
expect 1 "/dev/fd/[0-9]+: a FIFO or pipe, not a regular file"  virtual <(cat "$one_bit")
# Pictures too large for one job are named, with what would fit, whatever the decoder takes.
expect 1 "6000 x 6000 pixels.*wider than the paper.s 640 dots.*at most 640 pixels wide\." \
  virtual "$scratch/huge.bmp" --out "$scratch/paper.png"
expect 1 "640 x 70000 pixels.*at most 13052 pixels high\."       virtual "$scratch/long.bmp"
expect 1 "640 x 13052 pixels.*at most 13051 pixels high\." \
  virtual "$scratch/row_too_many.bmp" --feed 1000
# Counted before it is made: a job past the limit is not rendered, so no print record shows.
if "$tool" virtual "$scratch/row_too_many.bmp" --feed 1000 2>/dev/null | grep -q "^Print "; then
  echo "FAILED: velmora-print rendered a job past the limit"
  failures=$((failures + 1))
fi
# A picture wider than the paper prints, and the tool says what the paper leaves out. The paper
# is as wide as the printer's: 8 rows of picture, 10 mm of feed at 8 dots per mm, a cut.
expect 0 "641 pixels wide.*paper.s 640 dots.*1 column does not print.*paper: .* \(640 x 89 dots\)" \
  virtual "$scratch/641.bmp" --out "$scratch/paper.png"

exit $((failures > 0))
