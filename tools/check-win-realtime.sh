#!/usr/bin/env bash
# Real-time checks of the Windows show under Wine, on an X server of its own (Xvfb) with sound into a
# PulseAudio null sink, as a viewer's machine would run it:
#   tools/check-win-realtime.sh [BUILD-WIN] [SECONDS]      (defaults: build-win32, 10)
#
# Two runs of SECONDS of show each, ended by a typed space (--keys), each in BUILD-WIN/realtime/NAME:
#   exact     a Wine virtual desktop of 640 x 480, which has the 320 x 200 x 16 mode: the flipping chain
#   fallback  a bare X screen of 800 x 600, which has no such mode: the frame at 2x in 800 x 600 x 16
# Each must take its way (the presenter's line on standard error), show frames that are not flat (a
# screenshot of the X screen a second before the end, screen.png, with more than 16 colours), show
# at least MIN_FPS frames a second over its last 5 s (default 50), play wave-out without running dry,
# and end with status 0. Then the DirectDraw presenter's test (test_runtime.exe, DdrawPresenter.*)
# runs on an X screen, where it must pass, not skip. Prints one line of figures per run; exits 1 when
# any check fails.
# Needs Xvfb, pulseaudio, python3, wine and the show's data (data.qvx, from make data). It restarts
# the Wine server of the prefix tools/wine-run.sh uses (TARVON_WINEPREFIX), so that Wine's sound and
# display services start on this X screen and this sound server: run nothing else in that prefix
# meanwhile.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-win32}" && pwd) || exit 1
seconds=${2:-10}
min_fps=${MIN_FPS:-50}
exe=$build/bin/tarvon3.exe
wine_run=$root/tools/wine-run.sh
prefix=${TARVON_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/tarvon3/wine}
out=$build/realtime

for tool in Xvfb pulseaudio python3 wine; do
  command -v $tool >/dev/null || { echo "check-win-realtime: $tool is not installed" >&2; exit 1; }
done
[ -f "$exe" ] || { echo "check-win-realtime: $exe is not built" >&2; exit 1; }
[ -f "$root/data.qvx" ] || { echo "check-win-realtime: no data.qvx (make data)" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/xdg"
chmod 700 "$out/xdg"
export XDG_RUNTIME_DIR=$out/xdg
pids=()
quiet() { "$@" </dev/null >/dev/null 2>&1; }
cleanup() {
  quiet "$wine_run" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-null-sink -L module-native-protocol-unix \
  >"$out/pulseaudio.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/pulse/native" ] || { echo "check-win-realtime: pulseaudio did not start" >&2; exit 1; }

# The X screen's picture (Xvfb's XWD file of the screen) as a PNG; prints its number of colours.
screenshot() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
h = struct.unpack('>25I', data[:100])
size, width, height, bpp, line, ncolors = h[0], h[4], h[5], h[11], h[12], h[19]
pixels = data[size + ncolors * 12:]
rows, colours = [], set()
for y in range(height):
    row = pixels[y * line:y * line + width * 4]
    rgb = bytearray()
    for x in range(width):
        b, g, r = row[4 * x], row[4 * x + 1], row[4 * x + 2]   # 24-bit screen: B, G, R, pad
        rgb += bytes((r, g, b))
    colours.update(set(struct.unpack('<%dI' % width, row)))
    rows.append(b'\0' + bytes(rgb))
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress(b''.join(rows), 6)) + chunk(b'IEND', b'')
open(sys.argv[2], 'wb').write(png)
print(len(colours))
EOF
}

failed=0
run() {
  local name=$1 screen=$2 desktop=$3 way=$4 display=$5
  local dir=$out/$name
  mkdir -p "$dir/fb"
  cp "$root/data.qvx" "$dir/"
  Xvfb ":$display" -screen 0 "${screen}x24" -fbdir "$dir/fb" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  local xvfb=$!
  pids+=($xvfb)
  sleep 1
  # A new Wine server on this X screen; its desktop, made as it starts, is virtual when asked for.
  export DISPLAY=:$display
  if [ -n "$desktop" ]; then
    quiet "$wine_run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d tarvon3 /f
    quiet "$wine_run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v tarvon3 /d "$desktop" /f
  else
    quiet "$wine_run" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  fi
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  (cd "$dir" && "$wine_run" "$exe" --keys "$((seconds * 1000)):space" >stdout.txt 2>stderr.txt) &
  local show=$!
  # The screenshot a second before the space: the show's time 0 is when the music starts.
  local start=$SECONDS
  until grep -qs "PlayMp3()" "$dir/log.txt" || ! kill -0 $show 2>/dev/null || [ $((SECONDS - start)) -gt 120 ]; do
    sleep 0.2
  done
  sleep "$((seconds - 1))"
  cp "$dir/fb/Xvfb_screen0" "$dir/screen.xwd" 2>/dev/null
  wait $show
  local status=$?
  kill $xvfb 2>/dev/null
  wait $xvfb 2>/dev/null
  local colours
  colours=$(screenshot "$dir/screen.xwd" "$dir/screen.png" 2>/dev/null || echo 0)
  rm -rf "$dir/fb" "$dir/screen.xwd"

  local taken fps dry
  taken=$(grep -c "tarvon3: $way" "$dir/stderr.txt")
  fps=$(sed -n 's/.* \([0-9.]*\) a second over the last.*/\1/p' "$dir/stderr.txt" | tail -1)
  dry=$(sed -n 's/.*ran dry \([0-9]*\) times.*/\1/p' "$dir/stderr.txt" | tail -1)
  local verdict=ok
  [ "$taken" -ge 1 ] || verdict="FAILED (not the $way way)"
  [ "${colours:-0}" -gt 16 ] || verdict="FAILED (flat screen: $colours colours)"
  python3 -c "import sys; sys.exit(0 if float('${fps:-0}') >= $min_fps else 1)" || verdict="FAILED (${fps:-no} frames a second)"
  [ "${dry:-x}" = 0 ] || verdict="FAILED (wave-out ran dry ${dry:-?} times)"
  [ "$status" = 0 ] || verdict="FAILED (status $status)"
  printf '%-8s %-9s %s frames/s over the last 5 s, wave-out ran dry %s times, %s colours on screen, status %s: %s\n' \
    "$name" "$screen" "${fps:-?}" "${dry:-?}" "$colours" "$status" "$verdict"
  grep "^tarvon3:" "$dir/stderr.txt" | sed 's/^/    /'
  echo "    screenshot: $dir/screen.png"
  [ "$verdict" = ok ] || failed=1
}

# The DirectDraw presenter's own test on the same kind of screen: busy, still-drawing and lost
# surfaces made to happen through Flip (without a display it only skips).
faults() {
  local dir=$out/faults
  mkdir -p "$dir"
  Xvfb :73 -screen 0 800x600x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  local xvfb=$!
  pids+=($xvfb)
  sleep 1
  export DISPLAY=:73
  quiet "$wine_run" reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  (cd "$dir" && "$wine_run" "$build/bin/test_runtime.exe" --gtest_filter='DdrawPresenter.*' >stdout.txt 2>&1)
  local status=$?
  kill $xvfb 2>/dev/null
  wait $xvfb 2>/dev/null
  local verdict=ok
  grep -q "SKIPPED" "$dir/stdout.txt" && verdict="FAILED (skipped)"
  [ "$status" = 0 ] || verdict="FAILED (status $status, see $dir/stdout.txt)"
  echo "faults   DirectDraw presenter test on an X screen: $(grep -c '^\[       OK \]' "$dir/stdout.txt") passed: $verdict"
  [ "$verdict" = ok ] || failed=1
}

run exact 1280x1024 640x480 "full screen 320x200 (16-bit" 71
run fallback 800x600 "" "no 320x200x16 mode; full screen 800x600 (16-bit" 72
[ -f "$build/bin/test_runtime.exe" ] && faults
exit $failed
