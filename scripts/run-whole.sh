#!/usr/bin/env bash
# Runs one test program whole, in one process, and shows its output only when it fails.
# Stack-use-after-return detection catches closures that outlive the case that made them.
set -uo pipefail
program="$1"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_stack_use_after_return=1" "$program" --gtest_brief=1 \
  >"$log" 2>&1; then
  echo "passed whole: $program"
else
  echo "FAILED whole: $program"
  cat "$log"
  exit 1
fi
