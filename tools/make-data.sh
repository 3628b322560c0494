#!/bin/sh
# Makes the show's data: data/ from the asset forge, then data.qvx packed from data/.
#   tools/make-data.sh BUILD_DIR
# data/ is forged again when it is missing or older than the forge program; data.qvx is packed
# again when it is missing or older than any file of data/. contact.png (the review sheet) stays
# out of the archive.
set -u
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
forge="$build/bin/forge"
pack="$build/bin/qvxpack"
if [ ! -x "$forge" ]; then
  echo "make data: $forge is not built"
  exit 1
fi
# one maker at a time: a second `make data` (or `make test`) waits for the first to finish
if command -v flock >/dev/null 2>&1; then
  exec 9>"$build/.make-data.lock"
  flock 9
fi
if [ ! -f data/meeting.mp3 ] || [ "$forge" -nt data/meeting.mp3 ]; then
  echo "make data: forging data/ (pictures, objects, paths, music)"
  if ! "$forge" --out data; then
    rm -f data/meeting.mp3
    echo "make data: the forge failed"
    exit 1
  fi
fi
if [ ! -x "$pack" ]; then
  echo "make data: $pack is not built yet; the show reads data/ without data.qvx"
  exit 0
fi
if [ ! -f data.qvx ] || [ -n "$(find data -type f -newer data.qvx)" ] || [ "$pack" -nt data.qvx ]; then
  echo "make data: packing data.qvx"
  files=$(ls data | grep -v '^contact\.png$' | sed 's|^|data/|')
  # shellcheck disable=SC2086
  if ! "$pack" create data.qvx $files --method auto; then
    rm -f data.qvx
    echo "make data: packing data.qvx failed"
    exit 1
  fi
fi
echo "make data: data/ and data.qvx are up to date"
