#!/usr/bin/env bash
# The main job: builds the library and the print tool, then prints on the printer named on
# the command line (HOST[:PORT]) or, with no argument, on a virtual printer on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target velmora-print
exec build/velmora-print "$@"
