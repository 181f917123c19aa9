#!/bin/sh
# size-map.sh: where the shipped installer's bytes go. Links the shipped
# installer once more, exactly as the build did but with a link map, checks
# that the result is the same file, and prints the map by origin
# (tools/size/size-map.py). Run after the product build (tools/run.sh or
# cmake --workflow --preset product).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/product
out=$root/build/size-map
link=$build/setup/CMakeFiles/MurkleSetup.dir/link.txt
[ -f "$link" ] || { echo "no product build in $build" >&2; exit 1; }
mkdir -p "$out"
# The link command is the last line of link.txt; it runs in setup/.
command=$(tail -n 1 "$link" | sed "s|-o ../MurkleSetup.exe|-o $out/MurkleSetup.exe -Wl,-Map,$out/MurkleSetup.map|; s|-Wl,--out-implib,[^ ]*||")
(cd "$build/setup" && sh -c "$command")
if cmp -s "$out/MurkleSetup.exe" "$build/MurkleSetup.exe"; then
  echo "(linked again with a map: the same file, byte for byte)"
else
  echo "(linked again with a map: the file differs from the build's; the figures are of the new one)"
fi
python3 "$root/tools/size/size-map.py" "$out/MurkleSetup.map" "$out/MurkleSetup.exe"
