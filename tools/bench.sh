#!/bin/sh
# bench.sh: builds the x86-64 installer and the benchmark, and runs the benchmark
# on Wine in a prefix of its own (build/wineprefix-bench): the installation
# engine against its floor, peak memory, and the time to the first dialog.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --workflow --preset demo >/dev/null
export MURKLE_WINEPREFIX="$root/build/wineprefix-bench"
mkdir -p build/bench-scratch
tools/wine-run "$root/build/demo/bench.exe" "Z:$(echo "$root/build/bench-scratch" | tr / '\\')" 9 \
  "Z:$(echo "$root/build/demo/MurkleSetup.exe" | tr / '\\')" | grep -v '^wine: '
