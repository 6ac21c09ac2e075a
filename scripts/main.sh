#!/usr/bin/env bash
# The main job: builds the library and the print tool, then prints a picture through the
# printer connector on the printer named on the command line (tcp:HOST, or virtual-ble for a
# virtual printer on the simulated Bluetooth LE radio) or, with no argument, on a virtual
# printer on loopback whose paper it saves as a PNG. build/velmora-print --help lists the options.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
# No generator is named: the README's build by hand uses this directory with the default one.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target velmora-print -j "$(nproc)"
exec build/velmora-print "$@"
