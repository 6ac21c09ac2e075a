#!/usr/bin/env bash
# Seeds for the discovery replies: one of each form (docs/protocol.md).
set -euo pipefail
printf 'VLDR\x01\x00\x11\x22\x33\x44\x55\xc0\xa8\x01\x14\x00\x07Kitchen' >"$1/binary"
printf 'VLDR\x01\x00\x11\x22\x33\x44\x55\x00\x00\x00\x00\x00\x00' >"$1/binary_unnamed"
printf 'VLPRINTER!FOUND mac=aa-BB-cc-DD-ee-FF ip=192.168.1.20 name=Kitchen printer\r\n' >"$1/text"
printf 'VLPRINTER!FOUND mac=00-11-22-33-44-55 ip=10.0.0.7\r\n' >"$1/text_unnamed"
