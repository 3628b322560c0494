#!/bin/sh
# The Windows builds under Wine against the native one, measured in the same run:
#   tools/bench-win.sh [BUILD] [WIN32_BUILD] [WIN64_BUILD]   (defaults build, build-win32, build-win64)
# bench_show renders the whole show offline in each (bench_show.exe under tools/wine-run.sh), on the
# same data.qvx. For every section of the show it compares the median draw time of a frame (the
# frame less the offline presenter's own hashing and writing) and the median whole frame, and the
# render of the whole show. Each figure is the smallest of BENCH_WIN_RUNS runs of each build (default
# 3), taken in turn, so that all three see the same machine. The worst ratio is taken over the
# sections whose native draw takes at least 0.05 ms: below that a ratio compares a few microseconds
# of timer and cache noise. Ends with RESULT lines. Needs the native bench_show, and bench_show.exe in
# the Windows builds (make bench builds them).
set -u
native=${1:-build}
win32=${2:-build-win32}
win64=${3:-build-win64}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
data="$root/data.qvx"
for need in "$data" "$native/bin/bench_show" "$win32/bin/bench_show.exe" "$win64/bin/bench_show.exe"; do
  if [ ! -e "$need" ]; then echo "bench-win: $need is missing (make data, make bench)" >&2; exit 1; fi
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

runs=${BENCH_WIN_RUNS:-3}
r=1
while [ "$r" -le "$runs" ]; do
  echo "bench-win: run $r of $runs" >&2
  "$native/bin/bench_show" "$data" > "$tmp/native.$r.txt" || { echo "bench-win: native bench_show failed" >&2; exit 1; }
  tools/wine-run.sh "$win32/bin/bench_show.exe" "$data" > "$tmp/win32.$r.txt" ||
    { echo "bench-win: bench_show.exe (win32) failed" >&2; exit 1; }
  tools/wine-run.sh "$win64/bin/bench_show.exe" "$data" > "$tmp/win64.$r.txt" ||
    { echo "bench-win: bench_show.exe (win64) failed" >&2; exit 1; }
  r=$((r + 1))
done

python3 - "$tmp" "$runs" <<'PY'
import re, sys
tmp, runs = sys.argv[1], range(1, int(sys.argv[2]) + 1)
def smallest(build):
    results = [dict(re.findall(r'(\w+)=([\d.]+)', ''.join(l for l in open(f'{tmp}/{build}.{r}.txt') if l.startswith('RESULT'))))
               for r in runs]
    return {k: min(float(x[k]) for x in results) for k in results[0]}
figures = {b: smallest(b) for b in ('native', 'win32', 'win64')}
n = figures['native']
starts = [0, 10, 30, 50, 70, 85, 97, 117, 153, 181]
print(f"each figure: the smallest of {len(runs)} runs of each build, taken in turn")
print(f"{'section':>10} {'draw: native':>13} {'win32':>14} {'win64':>14}   {'frame: native':>13} {'win32':>14} {'win64':>14}")
worst = {'win32': 0.0, 'win64': 0.0}
results = []
for i, s in enumerate(starts):
    end = starts[i + 1] if i + 1 < len(starts) else 189
    cells, frames = [], []
    for b in ('win32', 'win64'):
        d, nd = figures[b][f'section_{s}s_draw_median_ms'], n[f'section_{s}s_draw_median_ms']
        f, nf = figures[b][f'section_{s}s_median_ms'], n[f'section_{s}s_median_ms']
        rd = d / nd if nd else 0
        if nd >= 0.05:
            worst[b] = max(worst[b], rd)
        cells.append(f"{d:7.3f} {rd:5.2f}x")
        frames.append(f"{f:7.3f} {f / nf if nf else 0:5.2f}x")
        results.append(f"RESULT {b}_section_{s}s_draw_ms={d:.3f} native_section_{s}s_draw_ms={nd:.3f} ratio={rd:.2f}")
    print(f"{f'{s}-{end}s':>10} {n[f'section_{s}s_draw_median_ms']:10.3f}ms {cells[0]:>14} {cells[1]:>14}"
          f"   {n[f'section_{s}s_median_ms']:10.3f}ms {frames[0]:>14} {frames[1]:>14}")
for b in ('win32', 'win64'):
    print(f"whole render {b}: {figures[b]['render_s']:.2f} s against native {n['render_s']:.2f} s "
          f"({figures[b]['render_s'] / n['render_s']:.2f}x); worst section draw ratio {worst[b]:.2f}x (goal 1.2x)")
print('\n'.join(results))
for b in ('win32', 'win64'):
    print(f"RESULT {b}_worst_section_draw_ratio={worst[b]:.2f} {b}_render_s={figures[b]['render_s']:.2f} "
          f"native_render_s={n['render_s']:.2f} render_ratio={figures[b]['render_s'] / n['render_s']:.2f}")
PY
