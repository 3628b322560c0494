#!/bin/sh
# The browser checks of the web build (tools/check-web.js) in headless Chromium:
#   tools/check-web.sh [WEB_BUILD] [NATIVE_BUILD] [CHECK,...]
# (defaults build-web and build; checks: realtime, render, keys, nodata; default all). Needs the
# site of `make web` (which also installs puppeteer-core into WEB_BUILD/npm) and the native
# tarvon3, whose render of the first 30 s is the reference for the browser's render mode. Serves
# the site, and a copy of it without data.qvx, on free localhost ports; prints one line per check
# and how long the run took; the exit code is the number of failed checks.
set -u
web=${1:-build-web}
native=${2:-build}
only=${3:-}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
site="$web/site"
modules="$web/npm/node_modules"
for need in "$site/index.html" "$site/data.qvx" "$native/bin/tarvon3" "$modules/puppeteer-core"; do
  if [ ! -e "$need" ]; then
    echo "check-web: $need is missing (make web builds the site, make build the native program)" >&2
    exit 1
  fi
done
started=$(date +%s)
tmp=$(mktemp -d)
pids=""
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

# The native reference: the first 30 s rendered from the same data.qvx.
mkdir -p "$tmp/native" "$tmp/nodata"
ln -s "$root/$site/data.qvx" "$tmp/native/data.qvx"
if ! (cd "$tmp/native" && "$root/$native/bin/tarvon3" --render out --to 30000 --no-video >/dev/null 2>&1); then
  echo "check-web: the native render failed" >&2
  exit 1
fi
for f in "$site"/*; do
  [ "$(basename "$f")" = data.qvx ] || ln -s "$root/$f" "$tmp/nodata/"
done

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
tools/serve-web.sh "$site" "$port" >/dev/null 2>&1 &
pids="$pids $!"
port2=$(free_port)
tools/serve-web.sh "$tmp/nodata" "$port2" >/dev/null 2>&1 &
pids="$pids $!"
for p in $port $port2; do
  n=0
  until python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$p/index.html')" 2>/dev/null; do
    n=$((n + 1))
    if [ $n -gt 50 ]; then echo "check-web: the server on port $p did not answer" >&2; exit 1; fi
    sleep 0.1
  done
done

NODE_PATH="$root/$modules" node tools/check-web.js "http://localhost:$port/" "http://localhost:$port2/" \
  "$tmp/native/out/frames.txt" ${only:+--only "$only"}
status=$?
echo "check-web: $status failed, $(( $(date +%s) - started )) s"
exit $status
