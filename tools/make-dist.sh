#!/bin/sh
# Writes the release archives into dist/ (or $DIST_DIR):
#   tarvon3-VERSION-win32.zip, tarvon3-VERSION-win64.zip   tarvon3.exe, qvxpack.exe, kvoxplay.exe
#   tarvon3-VERSION-linux-x86_64.tar.gz                    tarvon3
#                                                          each with data.qvx and README.txt
#   tarvon3-VERSION-web.zip                                the static site of `make web`
# Each archive holds one folder of its own name. The programs are stripped copies of the builds';
# README.txt is tools/dist/README.txt for that system, with the native program's --help in it
# (CRLF line ends in the Windows ones). VERSION is the project's, from CMakeLists.txt.
#   tools/make-dist.sh [NATIVE_BUILD] [WIN32_BUILD] [WIN64_BUILD] [WEB_BUILD]
#                      (defaults build build-win32 build-win64 build-web)
#   tools/make-dist.sh --version     prints VERSION
# Every archive is written under a temporary name and renamed when whole.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(tarvon3 VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "make-dist: no version in CMakeLists.txt" >&2; exit 1; }
if [ "${1:-}" = --version ]; then
  echo "$version"
  exit 0
fi
cd "$root" || exit 1
native=${1:-build} win32=${2:-build-win32} win64=${3:-build-win64} web=${4:-build-web}
out=${DIST_DIR:-dist}
say() { echo "make-dist: $*"; }
fail() { echo "make-dist: $*" >&2; exit 1; }

for need in "$native/bin/tarvon3" data.qvx "$win32/bin/tarvon3.exe" "$win64/bin/tarvon3.exe" \
    "$web/site/index.html" "$web/site/data.qvx"; do
  [ -e "$need" ] || fail "$need is missing (make build data win web make everything it packs)"
done
help=$("$native/bin/tarvon3" --help) || fail "$native/bin/tarvon3 --help failed"
mkdir -p "$out" || exit 1
stage=$(mktemp -d "$out/.stage.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT INT TERM

# readme FILE SYSTEM KEEP EXE [EOL]: writes the viewers' text for SYSTEM into FILE, keeping the
# lines marked KEEP| and dropping those marked for the other system; EOL ends each line.
readme() {
  HELP="$help" awk -v os="$2" -v keep="$3" -v exe="$4" -v version="$version" -v eol="${5:-}" '
    /^(win|linux)\|/ { split($0, part, "|"); if (part[1] != keep) next; sub(/^[a-z]+\|/, "") }
    $0 == "@HELP@" { n = split(ENVIRON["HELP"], help, "\n"); for (i = 1; i <= n; i++) print help[i] eol; next }
    { gsub(/@VERSION@/, version); gsub(/@SYSTEM@/, os); gsub(/@EXE@/, exe); print $0 eol }
  ' tools/dist/README.txt >"$1" && [ -s "$1" ] || fail "cannot write $1"
}

# pack NAME KIND: archives the folder $stage/NAME into $out/NAME.zip or .tar.gz, files in name
# order with no owner or extra attributes.
pack() {
  case $2 in
    zip) file="$1.zip"
         (cd "$stage" && find "$1" | LC_ALL=C sort | zip -q -X -9 -@ "$1.tmp") || fail "zip failed for $file" ;;
    tgz) file="$1.tar.gz"
         (cd "$stage" && tar --sort=name --owner=0 --group=0 --numeric-owner -cf - "$1" | gzip -9n >"$1.tmp") ||
           fail "tar failed for $file" ;;
  esac
  mv "$stage/$1.tmp" "$out/$file" || fail "cannot write $out/$file"
  say "$out/$file: $(wc -c <"$out/$file") bytes"
}

for bits in 32 64; do
  name="tarvon3-$version-win$bits"
  build=$win32 strip=i686-w64-mingw32-strip
  [ $bits = 64 ] && build=$win64 strip=x86_64-w64-mingw32-strip
  mkdir -p "$stage/$name"
  for exe in tarvon3 qvxpack kvoxplay; do
    [ -f "$build/bin/$exe.exe" ] || fail "$build/bin/$exe.exe is missing (make win builds it)"
    "$strip" -o "$stage/$name/$exe.exe" "$build/bin/$exe.exe" || fail "$strip failed on $build/bin/$exe.exe"
  done
  cp data.qvx "$stage/$name/" || exit 1
  readme "$stage/$name/README.txt" "Windows ($bits-bit)" win tarvon3.exe "$(printf '\r')"
  pack "$name" zip
done

name="tarvon3-$version-linux-x86_64"
mkdir -p "$stage/$name"
strip -o "$stage/$name/tarvon3" "$native/bin/tarvon3" || fail "strip failed on $native/bin/tarvon3"
cp data.qvx "$stage/$name/" || exit 1
readme "$stage/$name/README.txt" "Linux (x86-64)" linux ./tarvon3
pack "$name" tgz

name="tarvon3-$version-web"
cp -R "$web/site" "$stage/$name" || exit 1
pack "$name" zip
