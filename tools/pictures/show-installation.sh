#!/bin/sh
# show-installation.sh <wine prefix>: prints what the installer left in the prefix.
set -u
prefix=$1
MURKLE_WINEPREFIX=$prefix
murkle_root=$(cd "$(dirname "$0")/../.." && pwd)
. "$murkle_root/tools/wine/wine-env.sh"
user=$(ls "$prefix/drive_c/users" | grep -v -x -e Public -e Default | head -n 1)
home="$prefix/drive_c/users/$user"
dest="$prefix/drive_c/Program Files/Velmora/Murkle"
group="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora/Murkle"

echo "Installed files in C:\\Program Files\\Velmora\\Murkle:"
if [ -d "$dest" ]; then (cd "$dest" && ls -l | sed 1d | awk '{printf "  %10s  %s\n", $5, substr($0, index($0, $9))}'); else echo "  (none)"; fi
echo "Start-menu links in Programs\\Velmora\\Murkle:"
if [ -d "$group" ]; then (cd "$group" && ls | sed 's/^/  /'); else echo "  (none)"; fi
echo "Desktop links:"
ls "$home/Desktop" 2>/dev/null | grep -i '\.lnk$' | sed 's/^/  /' || true
echo "Registry:"
# The product key holds no values, so say whether it is there.
if "$WINE" reg query 'HKCU\Software\Velmora\Murkle' >/dev/null 2>&1; then
  echo "  HKEY_CURRENT_USER\Software\Velmora\Murkle (present, no values)"
fi
# A 32-bit installer's machine-wide keys are in the registry's 32-bit view.
for view in 32 64; do
  if entry=$("$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora_Murkle' \
      /reg:$view 2>/dev/null); then
    printf '%s\n' "$entry" | tr -d '\r' | sed '/^$/d; s/^/  /'
    break
  fi
done
if [ -f "$dest/uninst.ini" ]; then
  echo "uninst.ini:"
  tr -d '\r' < "$dest/uninst.ini" | sed 's/^/  /'
fi
