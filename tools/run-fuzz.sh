#!/bin/sh
# Runs every libFuzzer target of a fuzz build for a set time each.
#   tools/run-fuzz.sh BUILD_DIR SECONDS
# Each target starts from its committed seeds (fuzz/NAME/seeds/) and, when the show's data exists,
# from the data files; the corpus grows in BUILD_DIR/fuzz-corpus/NAME and crash inputs are kept in
# BUILD_DIR/fuzz-crashes/NAME. Exit status 1 when any target found a crash or a sanitizer report.
set -u
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-120}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build="$(pwd)/$build" ;; esac   # the targets run inside their corpus folders
status=0
found=0
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=${target##*/fuzz_}
  corpus="$build/fuzz-corpus/$name"
  crashes="$build/fuzz-crashes/$name"
  mkdir -p "$corpus" "$crashes"
  [ -d "$root/fuzz/$name/seeds" ] && cp -n "$root/fuzz/$name/seeds/"* "$corpus/" 2>/dev/null
  printf 'fuzz %-10s %4d s ... ' "$name" "$seconds"
  log="$build/fuzz-$name.log"
  if (cd "$corpus" && "$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1); then
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "ok (${execs:-?} runs)"
  else
    echo "FAILED (see $log; inputs in $crashes)"
    tail -n 30 "$log"
    status=1
  fi
done
[ "$found" = 1 ] || echo "fuzz: no fuzz targets in $build/bin"
exit $status
