#!/bin/sh
# title-picture.sh [out.png]: the game's window as it first opens, its title
# screen, under a virtual display (Xvfb) in the run command's prefix, taken by
# the walkthrough tool. Only for the picture in the README; the build and the
# tests do not need it. Default: docs/screens/title.png
set -eu
cd "$(dirname "$0")/../.."
root=$PWD
out=${1:-$root/docs/screens/title.png}
. tools/pictures/picture-prefix.sh

start_virtual_display

"$WINE" "$root/$build/walkthrough.exe" --game "$(winpath "$root/$build/payload/murkle.exe")" \
  "$(winpath "$out")" 2>/dev/null
"$WINESERVER" -w
