#!/usr/bin/env bash
# Seeds for the printer queries: flags, bytes before the query, chunking seed, then the answer.
set -euo pipefail
seed='\x01\x00\x00\x00'
# Status query: four answer bytes.
printf "\x00\x00$seed\x12\x12\x12\x12" >"$1/status"
# Print result by polling: an on-line status byte, then the reply for identifier 0.
printf "\x01\x00$seed\x12\x37\x22\x00\x00\x00\x00\x00" >"$1/polled"
# Print result with automatic status: a status packet before the query, then the reply.
printf "\x03\x08${seed}S\x00\x00\x00\x00\x00\x01\x52\x37\x22\x00\x00\x00\x00\x00" >"$1/streamed"
