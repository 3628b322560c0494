#!/bin/sh
# Serves the web build's site on localhost:
#   tools/serve-web.sh [SITE_DIR] [PORT]      (defaults: build-web/site, 8080)
# Then open http://localhost:PORT/ (the page's query: ?start=MS&to=MS&effect=NAME, ?render=1).
# localhost counts as a secure origin, which the AudioWorklet needs. Every answer carries the
# cross-origin isolation headers (COOP/COEP), so a build with threads over SharedArrayBuffer runs
# here too; .wasm goes out as application/wasm for streaming compilation; nothing is cached, so a
# rebuilt site is what the next load gets.
set -eu
site=${1:-build-web/site}
port=${2:-8080}
if [ ! -f "$site/index.html" ]; then
  echo "serve-web: $site/index.html is missing; build the site with make web" >&2
  exit 1
fi
echo "serve-web: http://localhost:$port/ serves $site"
exec python3 - "$site" "$port" <<'PY'
import functools, http.server, sys
site, port = sys.argv[1], int(sys.argv[2])
class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript',
                      '.qvx': 'application/octet-stream', '.txt': 'text/plain'}
    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()
    def log_message(self, fmt, *args):
        pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', port), functools.partial(Handler, directory=site))
server.serve_forever()
PY
