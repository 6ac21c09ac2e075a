#!/usr/bin/env bash
# Seeds for the UTF-8 decoding: well-formed text of every length, and ill-formed sequences.
set -euo pipefail
printf 'h\xc3\xa9llo \xe2\x82\xac \xf0\x9d\x84\x9e' >"$1/well_formed"
printf '\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80\xf0\x90\x80\xc2' >"$1/ill_formed"
