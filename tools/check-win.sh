#!/bin/sh
# The Windows builds show what the native build shows: the whole show rendered offline under Wine
# (tools/wine-run.sh) by each Windows tarvon3.exe must end cleanly, list the same frames as the
# native render byte for byte (frames.txt: every frame's number, times and picture hash) and give a
# show.wav within 1 of the native one in every sample (the C libraries' sound tables may differ in
# their last bit). Then the first build, given no data, must end on its fatal line with status 1.
#   tools/check-win.sh NATIVE_BUILD [WINDOWS_BUILD...]      (default build-win32 build-win64)
# The renders run in scratch folders under NATIVE_BUILD/win-runs/. Exit status 1 on any difference.
set -u
build=${1:-build}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- build-win32 build-win64
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
case $build in /*) ;; *) build="$root/$build" ;; esac
. "$root/tools/show-log.sh"
failed=0
say() { echo "check-win: $*"; }

[ -x "$build/bin/tarvon3" ] || { say "$build/bin/tarvon3 is missing: run make build first"; exit 1; }
[ -f data.qvx ] || { say "no data.qvx: run make data first"; exit 1; }

# Largest difference of two 16-bit PCM WAVE files of the same layout, or a line saying why not.
wav_difference() {
  python3 - "$1" "$2" <<'PY'
import array, sys
a, b = (open(p, "rb").read() for p in sys.argv[1:3])
if len(a) != len(b) or a[:44] != b[:44]:
    print("different lengths or headers (%d and %d bytes)" % (len(a), len(b)))
else:
    x, y = array.array("h", a[44:]), array.array("h", b[44:])
    print(max((abs(p - q) for p, q in zip(x, y)), default=0))
PY
}

native="$build/win-runs/native"
show_render "$native" "$build/bin/tarvon3" qvx 600 --render out --no-video
if [ "$show_status" -ne 0 ] || [ ! -s "$native/out/frames.txt" ]; then
  say "the native render failed (exit status $show_status), see $native/console.txt"
  exit 1
fi
say "native: $(wc -l <"$native/out/frames.txt") frames in $show_seconds s"

for win in "$@"; do
  case $win in /*) ;; *) win="$root/$win" ;; esac
  name=$(basename "$win")
  exe="$win/bin/tarvon3.exe"
  [ -f "$exe" ] || { say "$exe is missing: run make win first"; failed=1; continue; }
  work="$build/win-runs/$name"
  show_render "$work" "$root/tools/wine-run.sh" qvx 900 "$exe" --render out --no-video
  [ -f "$work/log.txt" ] && tr -d '\r' <"$work/log.txt" >"$work/log-lf.txt"   # written in text mode
  problems=$(show_log_problems "$work/log-lf.txt")
  if [ "$show_status" -ne 0 ] || [ -n "$problems" ]; then
    say "$name: exit status $show_status, see $work/log.txt and console.txt"
    [ -n "$problems" ] && echo "$problems"
    failed=1
    continue
  fi
  if ! cmp -s "$native/out/frames.txt" "$work/out/frames.txt"; then
    say "$name: the frames differ from the native render's:"
    diff "$native/out/frames.txt" "$work/out/frames.txt" | head -n 6
    failed=1
  fi
  wav=$(wav_difference "$native/out/show.wav" "$work/out/show.wav")
  case $wav in
    0|1) say "$name: $(wc -l <"$work/out/frames.txt") frames as native, show.wav within $wav, in $show_seconds s" ;;
    *) say "$name: show.wav differs from the native one: $wav"; failed=1 ;;
  esac
done

# A fatal end under Wine: with no data at all, the first build's exe must log the fatal line, say the
# render failed and exit with status 1.
for win in "$@"; do
  case $win in /*) ;; *) win="$root/$win" ;; esac
  exe="$win/bin/tarvon3.exe"
  [ -f "$exe" ] || break
  work="$build/win-runs/$(basename "$win")-fatal"
  show_render "$work" "$root/tools/wine-run.sh" none 120 "$exe" --render out --no-video
  if [ "$show_status" -eq 1 ] && grep -q "^FATAL ERROR: " "$work/log.txt" && grep -q "failed" "$work/console.txt"; then
    say "$(basename "$win"): without data it ends on its fatal line with status 1 and says the render failed"
  else
    say "$(basename "$win"): without data it ended with status $show_status; see $work/log.txt and console.txt"
    failed=1
  fi
  break
done
exit $failed
