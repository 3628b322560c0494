# Shell functions for the checks that run the whole show (sourced by check-show.sh and
# check-sanitizers.sh).
#
# show_render WORK BIN SOURCE LIMIT ARGS...: runs BIN ARGS... in a new scratch folder WORK whose
# data is SOURCE (qvx: a link to data.qvx; dir: a link to data/), with no sound device, the
# sanitizers set to report and go on, and a time limit of LIMIT seconds; its output goes to
# WORK/console.txt. Sets show_status (the exit status) and show_seconds (the time it took).
#
# show_log_problems LOG [partial]: prints what makes LOG the log of a run that did not end cleanly
# (no output when it did): a warning, error or fatal line (a block never released is a warning), or
# a log that stops before the end of the show (Main left, FreeMp3 as the last line). With
# "partial" the run was ended early on purpose (--to), so the blocks the show's last rows would
# have released are reported by FreeAll as they should be, and those warnings are allowed.
show_log_problems() {
  log=$1
  allowed='^$'
  [ "${2:-}" = partial ] && allowed='^WARNING: FreeAll\(\): Undeallocated Block: '
  if [ ! -f "$log" ]; then
    echo "no log was written"
    return
  fi
  grep -E "^(WARNING|ERROR|FATAL ERROR): " "$log" | grep -v -E "$allowed" | head -n 5
  grep -q "^Info: Main() left$" "$log" || echo "the log has no \"Main() left\" line"
  tail -n 1 "$log" | grep -q "^Info: FreeMp3()$" || echo "the log does not end with \"FreeMp3()\""
}

show_render() {
  work=$1 bin=$2 source=$3 limit=$4
  shift 4
  rm -rf "$work"
  mkdir -p "$work"
  case $source in
    qvx) ln -s "$root/data.qvx" "$work/data.qvx" ;;
    dir) ln -s "$root/data" "$work/data" ;;
  esac
  t0=$(date +%s)
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TSAN_OPTIONS=halt_on_error=0 SDL_AUDIODRIVER=dummy \
    timeout -k 10 "$limit" "$bin" "$@" >console.txt 2>&1)
  show_status=$?
  show_seconds=$(($(date +%s) - t0))
}
