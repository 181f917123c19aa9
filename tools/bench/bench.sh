#!/bin/sh
# bench.sh [rounds [rounds32]]: the benchmark of the installation engine, on
# the x86-64 test build (wine64) and on the i686 build with the shipped
# installer (32-bit Wine, emulated). Figures only: it passes or fails nothing.
# Runs on the test builds that tools/test.sh makes; that command runs it with
# fewer rounds (3 and 2), this one by default with 9 and 5.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
rounds=${1:-9}
rounds32=${2:-5}
for exe in build/tests/bench.exe build/tests32/bench.exe; do
  [ -f "$exe" ] || { echo "no $exe: build the tests first (tools/test.sh)" >&2; exit 1; }
done

winpath() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }
# bench <prefix> <bench.exe> <rounds> <installer>: the figures, or why there are none.
bench() {
  rc=0
  MURKLE_WINEPREFIX="$root/build/$1" tools/wine/wine-run "$2" "$(winpath "$root/build/bench-scratch")" "$3" \
    "$(winpath "$4")" >build/bench.log 2>&1 || rc=$?
  grep -v '^wine: ' build/bench.log || true
  [ $rc = 0 ] || echo "(the benchmark ended with exit code $rc)"
}
mkdir -p build/bench-scratch
echo "Benchmark (x86-64 build, Wine, prefix build/wineprefix-bench), $rounds rounds:"
bench wineprefix-bench "$root/build/tests/bench.exe" "$rounds" "$root/build/tests/MurkleSetup.exe"
echo "Benchmark (i686 build and the shipped installer, 32-bit Wine EMULATED by qemu-i386: these"
echo "figures say nothing about speed on real hardware; prefix build/wineprefix-bench32), $rounds32 rounds:"
bench wineprefix-bench32 "$root/build/tests32/bench.exe" "$rounds32" "$root/dist/MurkleSetup.exe"
