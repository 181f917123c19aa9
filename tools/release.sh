#!/bin/sh
# release.sh: a release of the shipped installer that anyone can check.
#
#   tools/release.sh [--sign P12 [--password-file F] [--ca PEM] [--tsa URL]] [--dirty] [--out DIR]
#
# Builds the committed sources twice, each copy in a fresh tree at a path of
# its own, with SOURCE_DATE_EPOCH from the last commit; stops unless the two
# installers and everything they carry are the same byte for byte. Then signs
# the installer (when a certificate is given), verifies the signature, and
# writes DIR (dist/release) whole or not at all: the installer, SHA256SUMS and
# RELEASE.txt.
#
# --reuse-trees A B takes two product build trees already built instead of
# building two (the tests' quick run); RELEASE.txt says so.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)

usage() {
  echo "usage: tools/release.sh [--sign P12 [--password-file F] [--ca PEM] [--tsa URL]] [--dirty] [--out DIR]" >&2
  exit 2
}
fail() {
  echo "release: $*" >&2
  echo "release: nothing was released" >&2
  exit 1
}
say() { echo "release: $*"; }

p12='' password_file='' ca='' tsa=${MURKLE_SIGN_TSA:-} dirty=no out=$root/dist/release tree_a='' tree_b=''
while [ $# -gt 0 ]; do
  case $1 in
    --sign|--password-file|--ca|--tsa|--out)
      [ $# -ge 2 ] || usage
      case $1 in
        --sign) p12=$2 ;; --password-file) password_file=$2 ;; --ca) ca=$2 ;; --tsa) tsa=$2 ;; --out) out=$2 ;;
      esac
      shift 2 ;;
    --dirty) dirty=yes; shift ;;
    --reuse-trees) [ $# -ge 3 ] || usage; tree_a=$2; tree_b=$3; shift 3 ;;
    -h|--help) usage ;;
    *) echo "release: unknown argument: $1" >&2; usage ;;
  esac
done
if [ -z "$p12" ] && { [ -n "$password_file" ] || [ -n "$ca" ]; }; then
  fail "--password-file and --ca go with --sign"
fi

# The certificate first: a wrong password should not cost two builds.
if [ -n "$p12" ]; then
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed; it signs and verifies (apt-get install osslsigncode)"
  command -v openssl >/dev/null || fail "openssl is not installed; it opens the certificate (apt-get install openssl)"
  [ -f "$p12" ] && [ -r "$p12" ] || fail "no certificate to sign with at $p12"
  p12=$(cd "$(dirname "$p12")" && pwd)/$(basename "$p12")
  if [ -n "$password_file" ]; then
    [ -f "$password_file" ] && [ -r "$password_file" ] || fail "no password file at $password_file"
    MURKLE_SIGN_PASSWORD=$(cat "$password_file")
  fi
  # sign.cmake takes the password from here; it stays off every command line.
  export MURKLE_SIGN_PASSWORD="${MURKLE_SIGN_PASSWORD:-}"
  pass=env:MURKLE_SIGN_PASSWORD
  [ -n "$MURKLE_SIGN_PASSWORD" ] || pass=pass:
  # Older PKCS#12 files use ciphers that OpenSSL 3 keeps in its legacy provider.
  signer=$( { openssl pkcs12 -in "$p12" -passin "$pass" -nokeys -clcerts 2>/dev/null ||
              openssl pkcs12 -legacy -in "$p12" -passin "$pass" -nokeys -clcerts 2>/dev/null; } |
            openssl x509 -noout -subject -nameopt oneline 2>/dev/null) ||
    fail "cannot open the certificate $p12: wrong password, or not a PKCS#12 file"
  signer=${signer#subject=}
  if [ -n "$ca" ]; then
    [ -f "$ca" ] && [ -r "$ca" ] || fail "no CA certificates at $ca"
    ca=$(cd "$(dirname "$ca")" && pwd)/$(basename "$ca")
  fi
fi

git -C "$root" rev-parse --verify -q HEAD >/dev/null || fail "$root is not a git checkout with a commit"
commit=$(git -C "$root" rev-parse HEAD)
changes=$(git -C "$root" status --porcelain)
if [ -n "$changes" ] && [ $dirty = no ]; then
  echo "$changes" >&2
  fail "the work tree has uncommitted changes (above): commit them, or give --dirty to release them as they are (RELEASE.txt will say so)"
fi
[ -n "$changes" ] || dirty=no
# Where the toolchain honours it (the compiler's __DATE__ and __TIME__, the
# linker's time stamp where one is asked for, the signing time), the time is
# the last commit's: the same sources give the same bytes on any day.
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
stage=$(mktemp -d "$out.partial.XXXXXX")
work=''
cleanup() {
  rm -rf "$stage"
  if [ -n "$work" ] && [ "${keep_work:-no}" = no ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# One build of the shipped installer from a copy of the sources: the commit,
# or with --dirty what the work tree holds of the tracked files.
build_tree() {
  mkdir -p "$1/src"
  git -C "$root" archive "${snapshot:-HEAD}" | tar -x -C "$1/src"
  say "building in $1 ..."
  if ! env -u MURKLE_SIGN_PKCS12 -u MURKLE_SIGN_PASSWORD -u MURKLE_SIGN_TIME -u MAKEFLAGS \
         cmake -S "$1/src" -B "$1/build" --preset product -DMURKLE_DIST_DIR="$1/dist" \
         -DMURKLE_PACK_CACHE="$1/pack-cache" >"$1/build.log" 2>&1 ||
     ! env -u MURKLE_SIGN_PKCS12 -u MURKLE_SIGN_PASSWORD -u MAKEFLAGS \
         cmake --build "$1/build" --target MurkleSetup --parallel 2 >>"$1/build.log" 2>&1; then
    tail -n 30 "$1/build.log" >&2
    keep_work=yes
    fail "the build in $1 failed (its log: $1/build.log)"
  fi
}

if [ -n "$tree_a" ]; then
  a=$(cd "$tree_a" && pwd) b=$(cd "$tree_b" && pwd)
  how="two build trees given with --reuse-trees, not built by this command: $a and $b"
  manifest=$root/payload/manifest.def
else
  # The tracked files as the work tree holds them, without touching it.
  snapshot=''
  [ $dirty = no ] || snapshot=$(git -C "$root" stash create)
  mkdir -p "$root/build"
  work=$(mktemp -d "$root/build/release.XXXXXX")
  # Paths of different lengths: a path stamped anywhere shifts what follows.
  build_tree "$work/first"
  build_tree "$work/the-second-one"
  a=$work/first/build b=$work/the-second-one/build
  how="built twice from a copy of the sources, in fresh trees at different paths, each packing its own streams"
  manifest=$work/first/src/payload/manifest.def
fi
built=$(date +%s)
if ! cmake -DA="$a" -DB="$b" -P "$root/cmake/compare_builds.cmake"; then
  keep_work=yes
  [ -z "$work" ] || echo "release: the two build trees are kept in $work" >&2
  fail "the two builds differ (above): the build stamps something that varies"
fi
say "the two builds are the same, byte for byte ($((built - started)) s to build)"

cp "$a/MurkleSetup.exe" "$stage/MurkleSetup-unsigned.exe"
files=MurkleSetup-unsigned.exe
signed_note="not signed"
if [ -n "$p12" ]; then
  cp "$a/MurkleSetup.exe" "$stage/MurkleSetup.exe"
  use_tsa=''
  if [ -z "$tsa" ]; then
    say "no time-stamp server given (--tsa URL): signing without a time stamp"
    tsa_note="no time stamp (no server given)"
  elif command -v curl >/dev/null && curl -sS -m 10 -o /dev/null "$tsa" 2>/dev/null; then
    use_tsa=$tsa
    tsa_note="time-stamped by $tsa"
  else
    say "the time-stamp server $tsa cannot be reached: signing without a time stamp"
    tsa_note="no time stamp ($tsa could not be reached)"
  fi
  cmake -DFILE="$stage/MurkleSetup.exe" "-DDESCRIPTION=Murkle setup" -DPKCS12="$p12" \
        -DTIME="$SOURCE_DATE_EPOCH" -DTSA="$use_tsa" -DOSSLSIGNCODE="$(command -v osslsigncode)" \
        -P "$root/cmake/sign.cmake" || fail "could not sign the installer"
  verify_ca=''
  [ -z "$ca" ] || verify_ca="-CAfile $ca"
  # shellcheck disable=SC2086
  if ! osslsigncode verify $verify_ca -in "$stage/MurkleSetup.exe" >"$stage/verify.log" 2>&1; then
    cat "$stage/verify.log" >&2
    fail "the signed installer does not verify${ca:+ against $ca}${ca:-; give the issuer's root with --ca}"
  fi
  # What a receiver may check too: the signed file is the built one and a signature.
  osslsigncode remove-signature -in "$stage/MurkleSetup.exe" -out "$stage/removed.exe" >/dev/null 2>&1 &&
    cmp -s "$stage/removed.exe" "$stage/MurkleSetup-unsigned.exe" ||
    fail "the signed installer, its signature removed, is not the built one"
  rm -f "$stage/removed.exe" "$stage/verify.log"
  files="MurkleSetup.exe $files"
  unsigned_size=$(stat -c %s "$stage/MurkleSetup-unsigned.exe")
  signed_size=$(stat -c %s "$stage/MurkleSetup.exe")
  signed_note="signed by $signer; SHA-256, signing time $SOURCE_DATE_EPOCH (the commit's), $tsa_note; the signature takes $((signed_size - unsigned_size)) bytes"
  say "signed and verified"
fi
if [ -z "$p12" ]; then
  mv "$stage/MurkleSetup-unsigned.exe" "$stage/MurkleSetup.exe"
  files=MurkleSetup.exe
fi
(cd "$stage" && sha256sum $files >SHA256SUMS)

version() { "$@" 2>/dev/null | head -n 1; }
package() { dpkg-query -W -f '${Version}' "$1" 2>/dev/null || echo unknown; }
cached() { sed -n "s/^$1:[A-Z]*=//p" "$a/CMakeCache.txt"; }
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$a"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -n 1)
zlib_h=$(cached MURKLE_ZLIB_INCLUDE)/zlib.h
zlib=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$zlib_h")
size=$(stat -c %s "$a/MurkleSetup.exe")
{
  echo "Murkle setup: release of commit $commit"
  echo "committed $(git -C "$root" log -1 --format=%cI HEAD); SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
  if [ $dirty = yes ]; then
    echo "WITH UNCOMMITTED CHANGES (--dirty): built from the work tree's tracked files, not from the commit alone:"
    echo "$changes" | sed 's/^/  /'
  fi
  echo "Reproducible: $how; the installer, the payload files and their streams came out the same"
  echo
  echo "Toolchain: $(version "$compiler" --version) (package $(package g++-mingw-w64-i686-win32)),"
  echo "  $(version i686-w64-mingw32-ld --version), zopfli $(package zopfli),"
  echo "  $(version cmake --version)"
  echo "zlib: $zlib (libz-mingw-w64-dev $(package libz-mingw-w64-dev))"
  [ -z "$p12" ] || echo "osslsigncode: $(package osslsigncode)"
  echo
  echo "Payload files, in the order the installer writes them (bytes, SHA-256):"
  packed=0
  for name in $(sed -n 's/^MANIFEST_ROW([0-9]*, *"\([^"]*\)".*/\1/p' "$manifest"); do
    printf '  %-14s %8s  %s\n' "$name" "$(stat -c %s "$a/payload/$name")" "$(sha256sum <"$a/payload/$name" | cut -d' ' -f1)"
    packed=$((packed + $(stat -c %s "$a/packed/$name.z")))
  done
  echo
  echo "Installer: $size bytes, of which the packed payload streams are $packed: overhead $((size - packed)) bytes"
  echo "Signature: $signed_note"
} >"$stage/RELEASE.txt"

# Into place at once: an earlier release goes only when this one is whole.
chmod 755 "$stage"
old=''
if [ -e "$out" ]; then
  old=$(mktemp -d "$out.old.XXXXXX")
  mv "$out" "$old/"
fi
mv "$stage" "$out"
[ -z "$old" ] || rm -rf "$old"
say "wrote $out ($(echo $files SHA256SUMS RELEASE.txt)) in $(($(date +%s) - started)) s"
