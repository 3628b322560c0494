#!/bin/sh
# Runs every libFuzzer target of a fuzz build for a set time each.
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

status=0
found=0
summary=""
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=${target##*/fuzz_}
  corpus="$build/fuzz-corpus/$name"
  crashes="$build/fuzz-crashes/$name"
  mkdir -p "$corpus" "$crashes"
  [ -d "$root/fuzz/$name/seeds" ] && cp -n "$root/fuzz/$name/seeds/"* "$corpus/" 2>/dev/null
  seed_from_data "$name" "$corpus"
  log="$build/fuzz-$name.log"
  kept=0
  if [ -d "$root/fuzz/$name/regressions" ]; then
    set -- "$root/fuzz/$name/regressions/"*
    if [ -e "$1" ]; then
      kept=$#
      if ! "$target" -timeout=10 -rss_limit_mb=2048 "$@" >"$log.regressions" 2>&1; then
        echo "fuzz $name: a kept crash input fails again (see $log.regressions)"
        tail -n 30 "$log.regressions"
        status=1
      fi
    fi
  fi
  printf 'fuzz %-10s %4d s ... ' "$name" "$seconds"
  before=$(ls "$crashes" | wc -l)
  if (cd "$corpus" && "$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1); then
    outcome=clean
    echo "ok"
  else
    outcome=FAILED
    echo "FAILED (see $log; inputs in $crashes)"
    tail -n 30 "$log"
    status=1
  fi
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  size=$(ls "$corpus" | wc -l)
  new=$(( $(ls "$crashes" | wc -l) - before ))
  summary="$summary$(printf '%-10s %6s %12s %8s %8s %10s %s' "$name" "$seconds" "${execs:-?}" "$size" "$kept" "$new" "$outcome")
"
done
[ "$found" = 1 ] || { echo "fuzz: no fuzz targets in $build/bin"; exit 1; }
echo
printf '%-10s %6s %12s %8s %8s %10s %s\n' target seconds runs corpus replayed new-crash outcome
printf '%s' "$summary"
exit $status
