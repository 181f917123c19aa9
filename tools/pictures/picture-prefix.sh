# Sourced by the picture scripts from the project's root (root set): the run
# command's prefix with the X11 driver, and the build whose walkthrough tool
# and game they run, the shipped i686 one where Wine runs 32-bit programs,
# else the x86-64 one (build). Also winpath, a path as Wine sees it.
winpath() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }
export MURKLE_WINEPREFIX="$root/build/wineprefix-run"
murkle_root=$root
. tools/wine/wine-env.sh
if [ "$MURKLE_WINE32" = yes ]; then
  cmake --workflow --preset product
  build=build/product
else
  cmake --workflow --preset demo
  build=build/demo
fi
tools/wine/wine-prefix "$MURKLE_WINEPREFIX" x11
