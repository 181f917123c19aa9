#!/bin/sh
# Builds the shipped i686 installer and the x86-64 test build, runs every test
# on wine64, and then the benchmark of the installation engine (figures only:
# it passes or fails nothing).
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --workflow --preset product
cmake --workflow --preset tests

echo "Benchmark (x86-64 build, Wine, prefix build/wineprefix-bench):"
export MURKLE_WINEPREFIX="$root/build/wineprefix-bench"
mkdir -p build/bench-scratch
tools/wine-run "$root/build/tests/bench.exe" "Z:$(echo "$root/build/bench-scratch" | tr / '\\')" 9 \
  "Z:$(echo "$root/build/tests/MurkleSetup.exe" | tr / '\\')" | grep -v '^wine: ' || true
