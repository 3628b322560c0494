#!/bin/sh
# Runs every libFuzzer target of a fuzz build for a set time each, JOBS (default: the cores) at once.
#   tools/run-fuzz.sh BUILD_DIR SECONDS
# Each target first replays its kept crash inputs (fuzz/NAME/regressions/, each must now end
# normally), then fuzzes for SECONDS from its committed seeds (fuzz/NAME/seeds/) and, when the
# show's data exists, from the forged files it reads (pictures, objects, paths, slices of the
# music, small archives packed from the data with each method). The corpus grows in
# BUILD_DIR/fuzz-corpus/NAME; new crash inputs are kept in BUILD_DIR/fuzz-crashes/NAME, to be
# copied into fuzz/NAME/regressions/ once mended. Ends with a table of runs and findings; exit
# status 1 when any target found a crash or a sanitizer report.
set -u
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-120}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build="$(pwd)/$build" ;; esac   # the targets run inside their corpus folders
pack="$root/build/bin/qvxpack"
[ -x "$pack" ] || pack="$build/bin/qvxpack"

# The forged files a target reads, copied into its corpus.
seed_from_data() {
  name=$1 corpus=$2 data="$root/data"
  [ -d "$data" ] || return 0
  case $name in
    tga) cp -n "$data"/*.tga "$corpus/" 2>/dev/null ;;
    object) cp -n "$data"/*.3dm "$corpus/" 2>/dev/null ;;
    spline) cp -n "$data"/*.spl "$corpus/" 2>/dev/null ;;
    mpeg|layer3|kvox)
      if [ -f "$data/meeting.mp3" ]; then
        head -c 32768 "$data/meeting.mp3" >"$corpus/meeting-start.mp3"
        dd if="$data/meeting.mp3" of="$corpus/meeting-middle.mp3" bs=4096 skip=300 count=8 2>/dev/null
      fi ;;
    archive)
      if [ -x "$pack" ]; then
        for method in store lzh bwt ppm; do
          [ -f "$corpus/data-$method.qvx" ] && continue
          "$pack" create "$corpus/data-$method.qvx" "$data"/*.spl "$data/credit.3dm" "$data/night_s.tga" \
            --method $method >/dev/null 2>&1
        done
      fi ;;
  esac
}

# One target: its kept crash inputs, then SECONDS of fuzzing. Writes its messages to
# BUILD/fuzz-NAME.out, its table row to BUILD/fuzz-NAME.row, and exits 1 on any finding.
fuzz_one() {
  target=$1
  name=${target##*/fuzz_}
  corpus="$build/fuzz-corpus/$name"
  crashes="$build/fuzz-crashes/$name"
  mkdir -p "$corpus" "$crashes"
  [ -d "$root/fuzz/$name/seeds" ] && cp -n "$root/fuzz/$name/seeds/"* "$corpus/" 2>/dev/null
  seed_from_data "$name" "$corpus"
  log="$build/fuzz-$name.log"
  kept=0 failed=0
  if [ -d "$root/fuzz/$name/regressions" ]; then
    set -- "$root/fuzz/$name/regressions/"*
    if [ -e "$1" ]; then
      kept=$#
      if ! "$target" -timeout=10 -rss_limit_mb=2048 "$@" >"$log.regressions" 2>&1; then
        echo "fuzz $name: a kept crash input fails again (see $log.regressions)"
        tail -n 30 "$log.regressions"
        failed=1
      fi
    fi
  fi
  before=$(ls "$crashes" | wc -l)
  if (cd "$corpus" && "$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1); then
    outcome=clean
    printf 'fuzz %-10s %4d s ... ok\n' "$name" "$seconds"
  else
    outcome=FAILED failed=1
    printf 'fuzz %-10s %4d s ... FAILED (see %s; inputs in %s)\n' "$name" "$seconds" "$log" "$crashes"
    tail -n 30 "$log"
  fi
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  size=$(ls "$corpus" | wc -l)
  new=$(( $(ls "$crashes" | wc -l) - before ))
  printf '%-10s %6s %12s %8s %8s %10s %s\n' "$name" "$seconds" "${execs:-?}" "$size" "$kept" "$new" "$outcome" \
    > "$build/fuzz-$name.row"
  return $failed
}

# The targets run JOBS at a time (default: the number of cores); once all have ended, their
# messages are printed in the order of the targets, then the table.
jobs=${JOBS:-$(nproc)}
status=0
set --
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] && set -- "$@" "$target"
done
[ $# -gt 0 ] || { echo "fuzz: no fuzz targets in $build/bin"; exit 1; }
targets="$*"
while [ $# -gt 0 ]; do
  pids=""
  n=0
  while [ $# -gt 0 ] && [ $n -lt "$jobs" ]; do
    fuzz_one "$1" > "$build/fuzz-${1##*/fuzz_}.out" 2>&1 &
    pids="$pids $!"
    n=$((n + 1))
    shift
  done
  for p in $pids; do wait "$p" || status=1; done
done
for target in $targets; do cat "$build/fuzz-${target##*/fuzz_}.out"; done
echo
printf '%-10s %6s %12s %8s %8s %10s %s\n' target seconds runs corpus replayed new-crash outcome
for target in $targets; do cat "$build/fuzz-${target##*/fuzz_}.row"; done
exit $status
