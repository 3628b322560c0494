#!/bin/sh
# The whole show, rendered offline from each source of data, must end cleanly and the same way.
#   tools/check-show.sh BUILD_DIR
# Renders all of the show (--render DIR --no-video) with BUILD_DIR/bin/tarvon3 twice, once reading
# data.qvx and once reading data/, each in a scratch folder under BUILD_DIR/show-runs/. Each run
# must exit 0 and leave a log with no warning, error or fatal line (so no block left unreleased)
# that runs to the end of the show; the two renders must list the same frames (frames.txt: each
# frame's number, time and picture hash). Exit status 1 on any difference.
set -u
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
case $build in /*) ;; *) build="$root/$build" ;; esac
. "$root/tools/show-log.sh"
bin="$build/bin/tarvon3"
failed=0
say() { echo "check-show: $*"; }

[ -x "$bin" ] || { say "$bin is missing: run make build first"; exit 1; }
[ -f data/meeting.mp3 ] && [ -f data.qvx ] || { say "no forged data: run make data first"; exit 1; }

render() {   # render NAME SOURCE
  work="$build/show-runs/$1"
  show_render "$work" "$bin" "$2" 600 --render out --no-video
  problems=$(show_log_problems "$work/log.txt")
  frames=$(wc -l <"$work/out/frames.txt" 2>/dev/null || echo 0)
  if [ "$show_status" -ne 0 ] || [ -n "$problems" ]; then
    say "$1: exit status $show_status, see $work/log.txt"
    [ -n "$problems" ] && echo "$problems"
    failed=1
  else
    say "$1: clean, $frames frames in $show_seconds s"
  fi
}

render from-archive qvx
render from-folder dir
if ! cmp -s "$build/show-runs/from-archive/out/frames.txt" "$build/show-runs/from-folder/out/frames.txt"; then
  say "the two renders differ:"
  diff "$build/show-runs/from-archive/out/frames.txt" "$build/show-runs/from-folder/out/frames.txt" | head -n 6
  failed=1
else
  say "the two renders give the same frames.txt"
fi
exit $failed
