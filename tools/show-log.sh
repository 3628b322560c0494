# Shell functions for the checks that run the whole show (sourced by check-show.sh and
# check-sanitizers.sh).
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
