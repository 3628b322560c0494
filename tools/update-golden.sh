#!/bin/sh
# Renders the golden stills of tests/golden/ again from the forged data and keeps them there.
#
#   tools/update-golden.sh [MS...]
#
# MS: show times in milliseconds; with none, the stills already in tests/golden/ are rendered again.
# Uses $BUILD/bin/tarvon3 (BUILD defaults to build) and the checkout's data.qvx or data/ (make data),
# or the archive or folder named by $DATA.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
program="$build/bin/tarvon3"
golden="$root/tests/golden"
[ -x "$program" ] || { echo "update-golden: no $program (build first)" >&2; exit 1; }

times="$*"
if [ -z "$times" ]; then
  times=$(ls "$golden" 2>/dev/null | sed -n 's/^still-\([0-9][0-9]*\)\.png$/\1/p' | sort -n | tr '\n' ' ')
fi
[ -n "$times" ] || { echo "update-golden: give the times, e.g. tools/update-golden.sh 5000 20000" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${DATA:-}" ]; then
  case "$DATA" in /*) ;; *) DATA="$(pwd)/$DATA" ;; esac
  if [ -d "$DATA" ]; then ln -s "$DATA" "$work/data"; else ln -s "$DATA" "$work/data.qvx"; fi
elif [ -f "$root/data.qvx" ]; then ln -s "$root/data.qvx" "$work/data.qvx"
elif [ -d "$root/data" ]; then ln -s "$root/data" "$work/data"
else echo "update-golden: no data/ or data.qvx (make data)" >&2; exit 1; fi

list=$(echo $times | tr ' ' ',')
last=$(echo $times | tr ' ' '\n' | sort -n | tail -1)
(cd "$work" && "$program" --render out --stills "$list" --no-video --to $((last + 100)) > render.txt 2>&1) ||
  { cat "$work/render.txt" >&2; exit 1; }
for ms in $times; do
  cp "$work/out/still-$ms.png" "$golden/still-$ms.png"
  echo "tests/golden/still-$ms.png"
done
