#!/bin/sh
# bench-peer.sh [rounds]: the installer side by side with a peer, a general
# installer system's installer (NSIS, from Debian) built from the same 14
# payload files by tools/bench/peer/murkle.nsi: a licence page, a directory page,
# four Start-menu links and a desktop link, the same two registry keys, zlib
# with one stream per file. Both are driven through their dialogs under a
# virtual display, Enter pressed as soon as each dialog shows (peer_bench);
# rounds alternate ours, the peer and the peer silent, and the destination,
# links and keys are removed between runs, outside the timing. x86-64 builds on
# wine64; then, where this machine runs 32-bit Windows programs, the shipped
# installer against the peer's x86 build, EMULATED by qemu-i386. Also the exe
# overhead of each (the file less its compressed payload). Not part of the test
# command; absolute times are for orientation only.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
rounds=${1:-30}
tools/install-deps.sh
if ! dpkg-query -W -f='${Status}' nsis 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis >/dev/null
fi
cmake --workflow --preset product >/dev/null
cmake --preset tests >/dev/null
cmake --build build/tests --target MurkleSetup peer_bench >/dev/null

# The peer, x86 and x86-64, from the manifest's files.
peer=$root/build/peer
mkdir -p "$peer"
sed -n 's/^MANIFEST_ROW([0-9]*, *"\([^"]*\)".*/  File "${PAYLOAD}\/\1"/p' payload/manifest.def >"$peer/files.nsh"
for target in x86 amd64; do
  define=""
  [ $target = amd64 ] && define=-DAMD64
  makensis -V4 $define -DPAYLOAD="$root/build/product/payload" -DFILES="$peer/files.nsh" \
    -DOUT="$peer/peer-$target.exe" tools/bench/peer/murkle.nsi >"$peer/makensis-$target.log"
done

# A prefix of its own with the X11 driver and no window manager's part in the
# timing: under a bare virtual display Wine waits 2 s whenever a top-level
# window is hidden unless its windows are unmanaged.
export MURKLE_WINEPREFIX=$root/build/wineprefix-peer
murkle_root=$root
. tools/wine/wine-env.sh
tools/wine/wine-prefix "$MURKLE_WINEPREFIX"
start_virtual_display
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
"$WINESERVER" -w

winpath() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }
overhead() {  # the peer's: its total less its compressed install data
  awk '/^Install data:/ {data = $3} /^Total size:/ {total = $3} END {print total - data}' "$1"
}
echo "Benchmark against the peer, $(date -u +%Y-%m-%d), $(nproc) cores ($(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1)), $("$WINE" --version 2>/dev/null)"
echo
echo "x86-64 builds on wine64, $rounds rounds:"
tools/wine/wine-run build/tests/peer_bench.exe "$rounds" "$(winpath "$root/build/tests/MurkleSetup.exe")" \
  "$(winpath "$peer/peer-amd64.exe")" | grep -v '^wine'
if [ "$MURKLE_WINE32" = yes ]; then
  r32=$(( (rounds + 5) / 6 ))
  echo
  echo "The shipped installer against the peer's x86 build, 32-bit Wine EMULATED by qemu-i386 (these figures"
  echo "say nothing about speed on real hardware), $r32 rounds:"
  tools/wine/wine-run build/tests/peer_bench.exe "$r32" "$(winpath "$root/dist/MurkleSetup.exe")" \
    "$(winpath "$peer/peer-x86.exe")" | grep -v '^wine'
fi
echo
python3 - "$root/dist/MurkleSetup.exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
count, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
sections = [struct.unpack_from("<8sIIII", data, pe + 24 + optional + 40 * i) for i in range(count)]
rsrc = next(s for s in sections if s[0].rstrip(b"\0") == b".rsrc")
base = rsrc[4]
def entries(at):
    named, ids = struct.unpack_from("<HH", data, at + 12)
    return [struct.unpack_from("<II", data, at + 16 + 8 * i) for i in range(named + ids)]
payload = 0
for name, sub in entries(base):
    if name & 0x80000000:
        at = base + (name & 0x7FFFFFFF)
        length = struct.unpack_from("<H", data, at)[0]
        if data[at + 2:at + 2 + 2 * length].decode("utf-16le") != "BIN":
            continue
        for _, lang in entries(base + (sub & 0x7FFFFFFF)):
            for _, leaf in entries(base + (lang & 0x7FFFFFFF)):
                payload += struct.unpack_from("<II", data, base + leaf)[1]
print("exe overhead, i686 (the file less its compressed payload): ours %d bytes" % (len(data) - payload))
PY
echo "exe overhead of the peer, x86 (zlib): $(overhead "$peer/makensis-x86.log") bytes"
