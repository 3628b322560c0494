#!/bin/sh
# The release archives of tools/make-dist.sh work where they are unpacked: each is unpacked into an
# empty folder and its show renders the first 3 s there (--render out --no-video --to 3000; the
# Windows ones under Wine, tools/wine-run.sh), from its own data.qvx, ending with status 0, a
# clean log and the frames.txt of the native build's render. The web archive must unpack to the
# files of WEB_BUILD/site, byte for byte, and pass the render check of tools/check-web.sh served
# from there (when `make web` has installed puppeteer-core).
#   tools/check-dist.sh [NATIVE_BUILD] [WEB_BUILD]     (defaults build and build-web)
# The archives are read from dist/ (or $DIST_DIR); the runs are in NATIVE_BUILD/dist-runs/.
# Prints one line per archive; exit status 1 when any fails.
set -u
build=${1:-build}
web=${2:-build-web}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
case $build in /*) ;; *) build="$root/$build" ;; esac
case $web in /*) ;; *) web="$root/$web" ;; esac
out=${DIST_DIR:-dist}
case $out in /*) ;; *) out="$root/$out" ;; esac
version=$(tools/make-dist.sh --version) || exit 1
runs="$build/dist-runs"
. "$root/tools/show-log.sh"
started=$(date +%s)
failed=0
say() { echo "check-dist: $*"; }

[ -x "$build/bin/tarvon3" ] || { say "$build/bin/tarvon3 is missing: run make build first"; exit 1; }
[ -f data.qvx ] || { say "no data.qvx: run make data first"; exit 1; }
show_render "$runs/native" "$build/bin/tarvon3" qvx 60 --render out --no-video --to 3000
reference="$runs/native/out/frames.txt"
if [ "$show_status" -ne 0 ] || [ ! -s "$reference" ]; then
  say "the native render failed (exit status $show_status), see $runs/native/console.txt"
  exit 1
fi

# unpack ARCHIVE: unpacks ARCHIVE into the empty folder $runs/NAME (NAME: the archive's name without
# its extension) and sets folder to the one folder it must hold, $runs/NAME/NAME.
unpack() {
  name=$(basename "$1")
  name=${name%.zip}
  name=${name%.tar.gz}
  rm -rf "$runs/$name"
  mkdir -p "$runs/$name"
  folder="$runs/$name/$name"
  if [ ! -f "$1" ]; then
    say "$1 is missing: run make dist first"
    return 1
  fi
  case $1 in
    *.zip) unzip -q "$1" -d "$runs/$name" ;;
    *) tar -xzf "$1" -C "$runs/$name" ;;
  esac || { say "$name: cannot unpack $1"; return 1; }
  if [ "$(ls -A "$runs/$name")" != "$name" ] || [ ! -d "$folder" ]; then
    say "$name: the archive must hold the one folder $name, it holds: $(ls -A "$runs/$name" | tr '\n' ' ')"
    return 1
  fi
}

# run_show ARCHIVE RUNNER...: unpacks ARCHIVE and renders the first 3 s in its folder with RUNNER.
run_show() {
  archive=$1
  shift
  unpack "$archive" || { failed=1; return; }
  for f in README.txt data.qvx; do
    [ -s "$folder/$f" ] || { say "$name: $f is missing"; failed=1; return; }
  done
  t0=$(date +%s)
  (cd "$folder" && SDL_AUDIODRIVER=dummy timeout -k 10 120 "$@" --render out --no-video --to 3000 >console.txt 2>&1)
  status=$?
  [ -f "$folder/log.txt" ] && tr -d '\r' <"$folder/log.txt" >"$folder/log-lf.txt"   # Windows writes CR LF
  problems=$(show_log_problems "$folder/log-lf.txt" partial)
  if [ "$status" -ne 0 ] || [ -n "$problems" ]; then
    say "$name: exit status $status, see $folder/log.txt and console.txt"
    [ -n "$problems" ] && echo "$problems"
    failed=1
  elif ! cmp -s "$reference" "$folder/out/frames.txt"; then
    say "$name: the frames differ from the native render's:"
    diff "$reference" "$folder/out/frames.txt" | head -n 6
    failed=1
  else
    say "$name: $(wc -l <"$folder/out/frames.txt") frames as native in $(($(date +%s) - t0)) s"
  fi
}

run_show "$out/tarvon3-$version-linux-x86_64.tar.gz" ./tarvon3
for bits in 32 64; do
  run_show "$out/tarvon3-$version-win$bits.zip" "$root/tools/wine-run.sh" ./tarvon3.exe
done

if unpack "$out/tarvon3-$version-web.zip"; then
  if [ ! -f "$web/site/index.html" ]; then
    say "$name: $web/site is missing: run make web first"
    failed=1
  elif diff -r "$web/site" "$folder" >"$runs/$name/diff.txt"; then
    say "$name: the files of $(basename "$web")/site, $(find "$folder" -type f | wc -l) of them"
    # The browser's render check of tools/check-web.sh, served from the unpacked folder. It takes
    # its folders relative to the project: WEB_BUILD/site and WEB_BUILD/npm (puppeteer-core).
    if [ -d "$web/npm/node_modules/puppeteer-core" ]; then
      mkdir "$runs/$name/web" && mv "$folder" "$runs/$name/web/site" && ln -s "$web/npm" "$runs/$name/web/npm"
      if tools/check-web.sh "$(realpath --relative-to="$root" "$runs/$name/web")" \
          "$(realpath --relative-to="$root" "$build")" render >"$runs/$name/check-web.txt" 2>&1; then
        sed "s/^/check-dist: $name: /" "$runs/$name/check-web.txt"
      else
        say "$name: the browser's render check failed:"
        cat "$runs/$name/check-web.txt"
        failed=1
      fi
    else
      say "$name: the browser's render check skipped: no puppeteer-core in $web/npm (make web installs it)"
    fi
  else
    say "$name: not the files of $web/site:"
    head -n 6 "$runs/$name/diff.txt"
    failed=1
  fi
else
  failed=1
fi
say "$(($(date +%s) - started)) s"
exit $failed
