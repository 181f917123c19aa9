#!/bin/sh
# Builds the shipped i686 installer and both test builds, and runs every test:
# the i686 build on 32-bit Wine (through qemu-i386), driving the shipped
# dist/MurkleSetup.exe itself, and the x86-64 build on wine64. Then the
# benchmark of the installation engine, on both (figures only: it passes or
# fails nothing).
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --workflow --preset product
cmake --workflow --preset tests32
cmake --workflow --preset tests

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
mkdir -p build/bench-scratch
echo "Benchmark (x86-64 build, Wine, prefix build/wineprefix-bench):"
MURKLE_WINEPREFIX="$root/build/wineprefix-bench" tools/wine-run "$root/build/tests/bench.exe" \
  "$(winpath "$root/build/bench-scratch")" 9 "$(winpath "$root/build/tests/MurkleSetup.exe")" | grep -v '^wine: ' || true
echo "Benchmark (i686 build and the shipped installer, 32-bit Wine EMULATED by qemu-i386: these"
echo "figures say nothing about speed on real hardware; prefix build/wineprefix-bench32):"
MURKLE_WINEPREFIX="$root/build/wineprefix-bench32" tools/wine-run "$root/build/tests32/bench.exe" \
  "$(winpath "$root/build/bench-scratch")" 5 "$(winpath "$root/dist/MurkleSetup.exe")" | grep -v '^wine: ' || true
