# Sourced by the Wine scripts in tools/: the environment every Wine call of this
# project uses.
murkle_root=$(cd "$(dirname "$0")/.." && pwd)
# 64-bit Wine starts every program, and 32-bit ones through qemu-i386 from the
# project's own loader folder wherever this machine has what that needs.
if "$murkle_root/tools/wine-loaders" "$murkle_root/build/wine-loaders"; then
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
