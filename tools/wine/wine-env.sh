# Sourced by the Wine scripts in tools/: the environment every Wine call of this
# project uses. The script that sources it sets murkle_root, the project's root
# (a sourced script cannot tell where it lies).
: "${murkle_root:?set murkle_root to the project root before sourcing wine-env.sh}"
# 64-bit Wine starts every program, and 32-bit ones through qemu-i386 from the
# project's own loader folder wherever this machine has what that needs.
if "$murkle_root/tools/wine/wine-loaders" "$murkle_root/build/wine-loaders"; then
  WINE=$murkle_root/build/wine-loaders/lib/wine/wine64
  MURKLE_WINE32=yes
else
  WINE=/usr/lib/wine/wine64
  MURKLE_WINE32=no
fi
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="$MURKLE_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Linux menu entries, and no offers to download Mono or Gecko.
case "${WINEDLLOVERRIDES:-}" in
  *winemenubuilder*) ;;
  *) export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
esac

# Starts a virtual display (Xvfb) on a free screen for the rest of the script,
# taken down when it exits, and points DISPLAY at it.
start_virtual_display() {
  screen=99
  while [ -e "/tmp/.X11-unix/X$screen" ]; do screen=$((screen + 1)); done
  Xvfb ":$screen" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$screen" ] && break; sleep 0.1; done
  export DISPLAY=":$screen"
}
