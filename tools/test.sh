#!/bin/sh
# Builds the shipped i686 installer and both test builds, and runs every test:
# the i686 build on 32-bit Wine (through qemu-i386), driving the shipped
# dist/MurkleSetup.exe itself, and the x86-64 build on wine64. Then the
# benchmark of the installation engine, on both, with few rounds (figures only:
# it passes or fails nothing).
set -eu
cd "$(dirname "$0")/.."
root=$PWD

# phase <name> <command...>: runs the command and notes its time, printed at
# the end (also when a phase fails).
began=$(date +%s)
timings=""
phase() {
  name=$1
  shift
  start=$(date +%s)
  "$@"
  timings="$timings$(printf '  %-58s %4d s' "$name" $(($(date +%s) - start)))
"
}
trap 'printf "\nPhases:\n%s  %-58s %4d s\n" "$timings" "all" $(($(date +%s) - began))' EXIT

phase "packages" tools/install-deps.sh
# Each test prefix takes some 20 s of Wine starting up, mostly waiting: both
# are made while the programs build. wine-prefix locks a prefix while it makes
# it, so the tests that need one wait for it.
mkdir -p build
(tools/wine/wine-prefix "$root/build/tests32/wineprefix" &&
  tools/wine/wine-prefix "$root/build/tests/wineprefix") >build/prefixes.log 2>&1 &
phase "shipped installer (product build)" cmake --workflow --preset product
phase "i686 tests: build and run on 32-bit Wine" cmake --workflow --preset tests32
phase "x86-64 tests: build and run on wine64" cmake --workflow --preset tests

# Few rounds here; tools/bench/bench.sh alone runs them in full.
phase "benchmarks (3 rounds, and 2 emulated)" tools/bench/bench.sh 3 2
