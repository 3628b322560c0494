#!/bin/sh
# Runs the show: on the display when there is one, otherwise renders it offline into out/.
#   tools/run-show.sh BUILD_DIR
set -u
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/tarvon3"
fi
echo "No display here: rendering the show offline into $root/out/ (this takes a few minutes)."
"$build/bin/tarvon3" --render out --stills 5000,20000,40000,60000,90000,110000,130000,160000,185000 >out.log 2>&1
status=$?
tail -n 1 out.log
echo "The show is in $root/out/: show.mp4 (if ffmpeg is installed), contact.png (a frame every 5 s),"
echo "still-*.png, frames.txt; the program's log is log.txt, its console output out.log."
exit $status
