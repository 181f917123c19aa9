#!/bin/sh
# render-order-page.sh [out.png]: the ordering page as a player's browser shows
# it, 800 pixels wide and tall enough for every section (headless Chromium from
# Debian: apt-get install chromium). Only for the picture in the README; the
# build and the tests do not need it. Default: docs/screens/order.png
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/docs/screens/order.png}
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --window-size=800,890 --screenshot="$out" "file://$root/product/files/order.html" 2>/dev/null
