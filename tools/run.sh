#!/bin/sh
# Builds the installer and starts it in the project's own Wine prefix
# (build/wineprefix-run): the shipped 32-bit dist/MurkleSetup.exe wherever this
# machine's Wine can run 32-bit programs (tools/wine/wine-loaders), else the x86-64
# build of the same sources. Without a display, it walks through the dialogs as a
# user would under a virtual display and saves a picture of each in dist/screens/.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --workflow --preset product

export MURKLE_WINEPREFIX="$root/build/wineprefix-run"
murkle_root=$root
. tools/wine/wine-env.sh
tools/wine/wine-prefix "$MURKLE_WINEPREFIX" x11

# Asked of Wine itself, each time: a prefix or a machine may have gained (or
# lost) what 32-bit programs need since the last run.
probe=$(env -u DISPLAY "$WINE" "$root/build/product/probe32.exe" 2>/dev/null | tr -d '\r' || true)
if [ "$probe" = "32-bit ok" ]; then
  installer="$root/dist/MurkleSetup.exe"
  walkthrough="$root/build/product/walkthrough.exe"
else
  echo "This machine's Wine cannot run 32-bit Windows programs; running the x86-64 build of the same sources."
  cmake --workflow --preset demo
  installer="$root/build/demo/MurkleSetup.exe"
  walkthrough="$root/build/demo/walkthrough.exe"
fi

if [ -n "${DISPLAY:-}" ] && [ -S "/tmp/.X11-unix/X${DISPLAY#*:}" ]; then
  echo "Starting $installer on display $DISPLAY"
  exec "$WINE" "$installer"
fi

echo "No display: walking through the installer's dialogs under a virtual display (Xvfb)."
start_virtual_display

rm -rf dist/screens
mkdir -p dist/screens
echo "Installer: $installer"
walk=0
"$WINE" "$walkthrough" "Z:$(echo "$installer" | tr / '\\')" \
  "Z:$(echo "$root/dist/screens" | tr / '\\')" 2>/dev/null || walk=$?
"$WINESERVER" -w
echo "Pictures of the dialogs: $(ls dist/screens | tr '\n' ' ')"
tools/pictures/show-installation.sh "$MURKLE_WINEPREFIX"
exit $walk
