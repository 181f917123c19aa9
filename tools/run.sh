#!/bin/sh
# Builds the installer and starts it in the project's own Wine prefix
# (build/wineprefix-run). This machine's Wine runs the shipped i686 build when it
# can execute 32-bit code, else the x86-64 build of the same sources. Without a
# display, it walks through the dialogs as a user would under a virtual display
# and saves a picture of each in dist/screens/.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --workflow --preset product

export MURKLE_WINEPREFIX="$root/build/wineprefix-run"
. tools/wine-env.sh
tools/wine-prefix "$MURKLE_WINEPREFIX" x11

installer="$root/dist/MurkleSetup.exe"
probe=""
for loader in /usr/lib/wine/wine /usr/bin/wine; do
  [ -x "$loader" ] || continue
  probe=$(env -u DISPLAY "$loader" "$root/build/product/probe32.exe" 2>/dev/null | tr -d '\r' || true)
  [ "$probe" = "32-bit ok" ] && { WINE=$loader; break; }
done
headless=1
[ -n "${DISPLAY:-}" ] && [ -S "/tmp/.X11-unix/X${DISPLAY#*:}" ] && headless=0
if [ "$probe" != "32-bit ok" ] || [ $headless = 1 ]; then
  # The x86-64 build, and the walkthrough tool for a machine without a display.
  cmake --workflow --preset demo
fi
if [ "$probe" != "32-bit ok" ]; then
  echo "This machine cannot run 32-bit Windows programs; running the x86-64 build of the same sources."
  installer="$root/build/demo/MurkleSetup.exe"
fi

if [ $headless = 0 ]; then
  echo "Starting $installer on display $DISPLAY"
  exec "$WINE" "$installer"
fi

echo "No display: walking through the installer's dialogs under a virtual display (Xvfb)."
screen=99
while [ -e "/tmp/.X11-unix/X$screen" ]; do screen=$((screen + 1)); done
Xvfb ":$screen" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$screen" ] && break; sleep 0.1; done
export DISPLAY=":$screen"

rm -rf dist/screens
mkdir -p dist/screens
walk=0
/usr/lib/wine/wine64 "$root/build/demo/walkthrough.exe" "Z:$(echo "$installer" | tr / '\\')" \
  "Z:$(echo "$root/dist/screens" | tr / '\\')" 2>/dev/null || walk=$?
"$WINESERVER" -w
echo "Pictures of the dialogs: $(ls dist/screens | tr '\n' ' ')"
tools/show-installation.sh "$MURKLE_WINEPREFIX"
exit $walk
