#!/bin/sh
# Installs the Debian packages the build and the tests need, where missing.
# The exact compiler variants are named so that metapackages do not pull in both
# thread models: win32 threads for the shipped i686 installer, posix threads for
# the test builds (GoogleTest needs them).
#
# 32-bit Windows programs run on Debian's 32-bit Wine with its preloader, under
# qemu-i386 (tools/wine/wine-loaders): the kernels of these machines run no 32-bit
# code. qemu comes from bookworm-backports: the threads of 32-bit Wine under
# bookworm's qemu 7.2 die at random ("wine client error", illegal instructions);
# under 10.0 they do not. fonts-wine draws the title-bar buttons in pictures.
# osslsigncode signs the programs when a certificate is given; the tests sign
# with a throwaway certificate that openssl makes. Wine takes its ANSI code
# page from the Unix locale: the tests' runs as on Japanese (932), Polish
# (1250) and Traditional Chinese (950) Windows need those locales, made from
# the locales package.
set -eu
packages="cmake make g++ g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          libz-mingw-w64-dev zopfli wine64 wine32:i386 wine32-preloader:i386 fonts-wine
          googletest xvfb osslsigncode openssl locales"
qemu_wanted=1:10
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
qemu=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
backports=/etc/apt/sources.list.d/bookworm-backports.sources
if [ -n "$missing" ] || [ -z "$qemu" ] || dpkg --compare-versions "$qemu" lt "$qemu_wanted"; then
  echo "Installing:$missing qemu-user (>= $qemu_wanted)"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  if ! grep -rqs "bookworm-backports" /etc/apt/sources.list /etc/apt/sources.list.d; then
    printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: bookworm-backports" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >"$backports"
  fi
  apt-get update -qq
  export DEBIAN_FRONTEND=noninteractive
  [ -n "$missing" ] && apt-get install -y -qq --no-install-recommends $missing >/dev/null
  apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
fi
for name in ja_JP pl_PL zh_TW; do
  locale -a 2>/dev/null | grep -qx "$name.utf8" || localedef -i "$name" -f UTF-8 "$name.UTF-8"
done
