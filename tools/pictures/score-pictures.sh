#!/bin/sh
# score-pictures.sh [dpi] [directory]: the game's name box and high-score table
# at a DPI (default 144), under a virtual display (Xvfb) in the run command's
# prefix: the walkthrough tool plays a game into the table and takes a picture
# of each (name-box.png, scores.png). The prefix's DPI is set for the run and
# put back after it. Only for the pictures in the README; the build and the
# tests do not need it. Default directory: docs/screens, with the DPI in the
# names (name-box-144.png, scores-144.png).
set -eu
cd "$(dirname "$0")/../.."
root=$PWD
dpi=${1:-144}
out=${2:-}
. tools/pictures/picture-prefix.sh

# Wine takes the DPI from either key, depending on the part asking.
set_dpi() {
  for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    if [ "$1" = none ]; then
      "$WINE" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
    else
      "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    fi
  done
  "$WINESERVER" -w
}
trap 'set_dpi none' EXIT
set_dpi "$dpi"

start_virtual_display
trap 'set_dpi none; kill $xvfb 2>/dev/null || true' EXIT

pictures=$(mktemp -d)
"$WINE" "$root/$build/walkthrough.exe" --game-scores "$(winpath "$root/$build/payload/murkle.exe")" \
  "$(winpath "$pictures")" 2>/dev/null
"$WINESERVER" -w
if [ -n "$out" ]; then
  mkdir -p "$out"
  cp "$pictures/name-box.png" "$pictures/scores.png" "$out/"
else
  cp "$pictures/name-box.png" "$root/docs/screens/name-box-$dpi.png"
  cp "$pictures/scores.png" "$root/docs/screens/scores-$dpi.png"
fi
rm -r "$pictures"
