#!/usr/bin/env bash
# velmora-print given a command line it cannot carry out: the exit status, and a message that
# says what was wrong (on standard error; the usage on standard output for --help).
set -u
tool="$1"
here="$(cd "$(dirname "$0")" && pwd)"
failures=0

# expect STATUS PATTERN ARGUMENT...: runs the tool, checks its status and that its output
# matches the extended regular expression PATTERN.
expect() {
  local status="$1" pattern="$2"
  shift 2
  local output rc
  output="$("$tool" "$@" 2>&1 >/dev/null)"
  rc=$?
  if [ "$status" -eq 0 ]; then output="$("$tool" "$@" 2>/dev/null)"; fi
  if [ "$rc" -ne "$status" ] || ! grep -Eq -- "$pattern" <<<"$output"; then
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
expect 1 "$here: .*directory"                                  virtual "$here"
expect 1 "127.213.77.9: tried TCP port 9100 with a 5 s timeout"  tcp:127.213.77.9
expect 1 "AA:BB:CC:DD:EE:FF: .*no Bluetooth LE radio"        AA:BB:CC:DD:EE:FF
expect 0 "^usage: .*velmora-print"                             virtual --density 20 --help

exit $((failures > 0))
