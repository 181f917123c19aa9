#!/bin/sh
# Installs the Debian packages the build and the tests need, where missing.
# The exact compiler variants are named so that metapackages do not pull in both
# thread models: win32 threads for the shipped i686 installer, posix threads for
# the x86-64 test build (GoogleTest needs them).
set -eu
packages="cmake make g++ g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
          zopfli wine64 googletest xvfb"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
