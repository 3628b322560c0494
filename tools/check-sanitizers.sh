#!/bin/sh
# The show under the sanitizers.
#   tools/check-sanitizers.sh BUILD_ASAN BUILD_TSAN
# Builds tarvon3 with AddressSanitizer + UndefinedBehaviorSanitizer in BUILD_ASAN and with
# ThreadSanitizer in BUILD_TSAN (only that program, -j2; a folder without a CMake cache is
# configured first; `make test` passes the fuzz build as BUILD_ASAN, whose libraries are already
# built with both sanitizers for the fuzz targets), then
#   - renders the whole show under ASan+UBSan twice at once, from data.qvx and from data/;
#   - plays the first 5 s (--render DIR --to 5000, the music thread running) under TSan.
# Any sanitizer report, a signal, an exit status other than 0 or a log with a warning, error or
# fatal line, or one that stops early, fails the check (status 1).
# Needs the forged data: data/ (and data.qvx for the first render; skipped with a note when absent).
set -u
asan=${1:-build-asan}
tsan=${2:-build-tsan}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
case $asan in /*) ;; *) asan="$root/$asan" ;; esac
case $tsan in /*) ;; *) tsan="$root/$tsan" ;; esac
jobs=${JOBS:-2}
began=$(date +%s)
failed=0

. "$root/tools/show-log.sh"
say() { echo "check-sanitizers: $*"; }

if [ ! -f data/meeting.mp3 ]; then
  say "no forged data in data/: run make data first"
  exit 1
fi

# Its logs stay inside the build folder, as do the renders' (sanitizer-runs/).
build() {   # build DIR OPTION
  mkdir -p "$1/sanitizer-runs"
  if [ ! -f "$1/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$2" -DTARVON_TESTS=OFF -DTARVON_BENCH=OFF \
      >"$1/sanitizer-runs/configure.log" 2>&1 ||
      { say "configuring $1 failed (see $1/sanitizer-runs/configure.log)"; return 1; }
  fi
  cmake --build "$1" -j "$jobs" --target tarvon3 >"$1/sanitizer-runs/build.log" 2>&1 ||
    { say "building tarvon3 in $1 failed (see $1/sanitizer-runs/build.log)"; return 1; }
}

# run NAME PROGRAM SOURCE KIND ARGS...: renders in a scratch folder whose data is SOURCE (qvx or
# dir); KIND is "whole" for the whole show, "partial" for a run ended early with --to
run() {
  name=$1 program=$2 source=$3 kind=$4
  shift 4
  work="$program/sanitizer-runs/$name"
  show_render "$work" "$program/bin/tarvon3" "$source" 1200 "$@"
  if grep -q -E "Sanitizer|runtime error:" "$work/console.txt"; then
    say "$name: SANITIZER REPORT ($show_seconds s), see $work/console.txt:"
    grep -m 5 -E "Sanitizer|runtime error:" "$work/console.txt"
    failed=1
  elif [ "$show_status" -ne 0 ]; then
    say "$name: exit status $show_status ($show_seconds s), see $work/console.txt"
    tail -n 5 "$work/console.txt"
    failed=1
  elif problems=$(show_log_problems "$work/log.txt" "$kind") && [ -n "$problems" ]; then
    say "$name: the log did not end cleanly, see $work/log.txt:"
    echo "$problems"
    failed=1
  else
    say "$name: clean ($show_seconds s)"
  fi
}

build "$asan" -DTARVON_SANITIZE=ON || exit 1
say "ASan+UBSan build ready ($(($(date +%s) - began)) s)"
# The two renders side by side, each on a core of its own; their lines are printed in order.
pids=""
if [ -f data.qvx ]; then
  (run show-from-archive "$asan" qvx whole --render out --no-video; exit $failed) >"$asan/sanitizer-runs/archive.txt" 2>&1 &
  pids="$pids $!"
else
  say "no data.qvx: the render from the archive is skipped"
  : >"$asan/sanitizer-runs/archive.txt"
fi
(run show-from-folder "$asan" dir whole --render out --no-video; exit $failed) >"$asan/sanitizer-runs/folder.txt" 2>&1 &
pids="$pids $!"
for p in $pids; do wait "$p" || failed=1; done
cat "$asan/sanitizer-runs/archive.txt" "$asan/sanitizer-runs/folder.txt"

build "$tsan" -DTARVON_TSAN=ON || exit 1
say "TSan build ready ($(($(date +%s) - began)) s)"
run five-seconds-tsan "$tsan" dir partial --render out --no-video --to 5000

say "done in $(($(date +%s) - began)) s: $( [ $failed -eq 0 ] && echo clean || echo FAILED)"
exit $failed
