#!/usr/bin/env bash
# Seeds for the search's receive loop: byte 0 the request kind (1 binary, 0 text), then datagrams,
# each with its 16-bit LE length: replies of the kind, of the other kind, and a stray datagram.
set -euo pipefail
binary='VLDR\x01\x00\x11\x22\x33\x44\x55\xc0\xa8\x01\x14\x00\x07Kitchen'
unnamed='VLDR\x01\x00\x11\x22\x33\x44\x55\x00\x00\x00\x00\x00\x00'
text='VLPRINTER!FOUND mac=aa-BB-cc-DD-ee-FF ip=192.168.1.20 name=Kitchen printer\r\n'
printf "\x01\x18\x00$binary\x11\x00$unnamed\x05\x00hello" >"$1/binary"
printf "\x00\x4c\x00$text\x18\x00$binary\x00\x00" >"$1/text"
