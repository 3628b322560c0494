#!/bin/sh
# The web build against the native one, measured in the same run:
#   tools/bench-web.sh [WEB_BUILD] [BUILD]      (defaults build-web and build)
# - each section's median draw time per frame: the browser's render mode (tools/bench-web.js in
#   headless Chromium) against bench_show's native figures;
# - the whole show rendered: the browser (page load to the end) against native tarvon3 --render,
#   and how many lines of the two frames.txt differ;
# - the bytes a viewer downloads (page, scripts, wasm, data, loading picture), plain and gzip -9.
# Each figure is the smallest of BENCH_WEB_RUNS runs of each side (default 3), taken in turn.
# Ends with RESULT lines. Needs `make web` and the native tarvon3 and bench_show.
set -u
web=${1:-build-web}
native=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
site="$web/site"
for need in "$site/index.html" "$site/data.qvx" "$native/bin/tarvon3" "$native/bin/bench_show" \
            "$web/npm/node_modules/puppeteer-core"; do
  if [ ! -e "$need" ]; then echo "bench-web: $need is missing (make web, make build)" >&2; exit 1; fi
done
tmp=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT INT TERM

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
tools/serve-web.sh "$site" "$port" >/dev/null 2>&1 &
pid=$!
sleep 1

# Native and browser in turn, RUNS times each (BENCH_WEB_RUNS, default 3): each figure is the
# smallest of its runs, the cost of the work itself with the least of the machine's other load.
runs=${BENCH_WEB_RUNS:-3}
ln -s "$root/$site/data.qvx" "$tmp/data.qvx"
r=1
while [ $r -le "$runs" ]; do
  # Native: bench_show's per-section medians, and the whole render's wall time.
  "$native/bin/bench_show" "$root/$site/data.qvx" > "$tmp/native.$r.txt"
  t0=$(date +%s.%N)
  (cd "$tmp" && "$root/$native/bin/tarvon3" --render out --no-video >/dev/null 2>&1)
  t1=$(date +%s.%N)
  echo "$t0 $t1" > "$tmp/native-time.$r.txt"
  # Browser.
  NODE_PATH="$root/$web/npm/node_modules" node tools/bench-web.js "http://localhost:$port/" "$tmp/web-frames.txt" \
    > "$tmp/web.$r.json"
  r=$((r + 1))
done

python3 - "$tmp" "$runs" "$site" "$tmp/out/frames.txt" "$tmp/web-frames.txt" <<'PY'
import gzip, json, os, re, sys
tmp, runs, site, native_frames, web_frames = sys.argv[1:]
runs = range(1, int(runs) + 1)
natives = [dict(re.findall(r'(\w+)=([\d.]+)', open(f'{tmp}/native.{r}.txt').read())) for r in runs]
webs = [json.load(open(f'{tmp}/web.{r}.json')) for r in runs]
for w in webs:
    if 'error' in w:
        sys.exit(f"bench-web: the browser render failed: {w['error']}")
native = {k: min(float(n.get(k, 0)) for n in natives) for k in natives[0]}
web = {'medians': [min(w['medians'][i] for w in webs) for i in range(len(webs[0]['medians']))],
       'seconds': min(w['seconds'] for w in webs), 'frames': webs[-1]['frames']}
native_s = min(float(b) - float(a) for a, b in (open(f'{tmp}/native-time.{r}.txt').read().split() for r in runs))
print(f"each figure: the smallest of {len(webs)} runs")
starts = [0, 10, 30, 50, 70, 85, 97, 117, 153, 181]
print(f"{'section':>10} {'native ms':>10} {'browser ms':>11} {'ratio':>7}")
worst = 0
for i, s in enumerate(starts):
    n = float(native.get(f'section_{s}s_median_ms', 0)); w = web['medians'][i]
    r = w / n if n else 0
    worst = max(worst, r)
    end = starts[i + 1] if i + 1 < len(starts) else 189
    print(f"{f'{s}-{end}s':>10} {n:10.3f} {w:11.3f} {r:7.2f}")
    print(f"RESULT web_section_{s}s_median_ms={w:.3f} native_section_{s}s_median_ms={n:.3f} ratio={r:.2f}")
print(f"whole show: browser {web['seconds']:.2f} s ({web['frames']} frames, page load included), native {native_s:.2f} s")
a = open(native_frames).read().splitlines(); b = open(web_frames).read().splitlines()
differ = sum(1 for i in range(max(len(a), len(b))) if i >= len(a) or i >= len(b) or a[i] != b[i])
print(f"frames.txt of the whole show: {len(b)} lines in the browser, {len(a)} native, {differ} differ")
print(f"RESULT web_frames={len(b)} native_frames={len(a)} frames_differ={differ}")
names = ['index.html', 'page.js', 'audio-worklet.js', 'tarvon3.js', 'tarvon3.wasm', 'data.qvx', 'loading.png']
plain = packed = 0
for n in names:
    b = open(os.path.join(site, n), 'rb').read()
    z = len(gzip.compress(b, 9))
    plain += len(b); packed += z
    print(f"  {n:>16} {len(b):9d} bytes, gzip {z:9d}")
print(f"  {'download':>16} {plain:9d} bytes ({plain / 1e6:.2f} MB), gzip {packed:9d} ({packed / 1e6:.2f} MB)")
print(f"RESULT web_render_s={web['seconds']:.2f} native_render_s={native_s:.2f} ratio={web['seconds'] / native_s:.2f} worst_section_ratio={worst:.2f}")
print(f"RESULT download_bytes={plain} download_gzip_bytes={packed}")
PY
