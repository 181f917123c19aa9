# Sourced by the Wine scripts: the environment every Wine call of this project uses.
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX="$MURKLE_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Linux menu entries, and no offers to download Mono or Gecko.
case "${WINEDLLOVERRIDES:-}" in
  *winemenubuilder*) ;;
  *) export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
esac
