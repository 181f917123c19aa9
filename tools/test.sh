#!/bin/sh
# Builds the shipped i686 installer and both test builds, and runs every test:
# the i686 build on 32-bit Wine (through qemu-i386), driving the shipped
# dist/MurkleSetup.exe itself, and the x86-64 build on wine64. Then the
# benchmark of the installation engine, on both (figures only: it passes or
# fails nothing).
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
phase "shipped installer (product build)" cmake --workflow --preset product
phase "i686 tests: build and run on 32-bit Wine" cmake --workflow --preset tests32
phase "x86-64 tests: build and run on wine64" cmake --workflow --preset tests

winpath() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }
# bench <prefix> <bench.exe> <rounds> <installer>: the figures, or why there are none.
bench() {
  rc=0
  MURKLE_WINEPREFIX="$root/build/$1" tools/wine/wine-run "$2" "$(winpath "$root/build/bench-scratch")" "$3" \
    "$(winpath "$4")" >build/bench.log 2>&1 || rc=$?
  grep -v '^wine: ' build/bench.log || true
  [ $rc = 0 ] || echo "(the benchmark ended with exit code $rc)"
}
benchmarks() {
  mkdir -p build/bench-scratch
  echo "Benchmark (x86-64 build, Wine, prefix build/wineprefix-bench):"
  bench wineprefix-bench "$root/build/tests/bench.exe" 9 "$root/build/tests/MurkleSetup.exe"
  echo "Benchmark (i686 build and the shipped installer, 32-bit Wine EMULATED by qemu-i386: these"
  echo "figures say nothing about speed on real hardware; prefix build/wineprefix-bench32):"
  bench wineprefix-bench32 "$root/build/tests32/bench.exe" 5 "$root/dist/MurkleSetup.exe"
}
phase "benchmarks" benchmarks
