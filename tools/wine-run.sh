#!/bin/sh
# Runs a Windows program of the project under Wine, with the project's Wine set-up, and exits with
# the program's status. Tests (CTest's emulator for the Windows builds) and users both call it.
#   tools/wine-run.sh EXE [ARGS...]
#
# The Wine prefix is made once per machine, like an installed package, outside the build folders:
# $TARVON_WINEPREFIX, else $XDG_DATA_HOME/tarvon3/wine (~/.local/share/tarvon3/wine); about 6 s and
# 1.3 GB. Its settings: DirectDraw through GDI (much faster than through OpenGL), no crash dialog
# (it would wait forever for a viewer), and windows not managed by the X window manager (else every
# DestroyWindow waits 2 s on a bare X server).
# TARVON_WINE_DESKTOP=WxH runs the program in a Wine virtual desktop of that size, where full-screen
# video modes exist (320 x 200 x 16 among them); the setting is taken out again afterwards.
# Wine's server and services are started first, detached from this script's output, so they never
# hold the output pipe of whoever runs it (CTest would wait 2.5 s after every test). One X display
# per session of the server: a server started without DISPLAY lingers 30 s and makes windows of a
# later program fail; `WINEPREFIX=... wineserver -k` ends it at once.
set -u
if [ $# -lt 1 ]; then
  echo "usage: tools/wine-run.sh EXE [ARGS...]" >&2
  exit 2
fi
if ! command -v wine >/dev/null 2>&1; then
  echo "wine-run: wine is not installed (make win-test installs it)" >&2
  exit 127
fi
WINEPREFIX=${TARVON_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/tarvon3/wine}
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

quiet() { "$@" </dev/null >/dev/null 2>&1; }

if [ ! -f "$WINEPREFIX/.tarvon3-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")" || exit 1
  (
    # one maker at a time; a second caller waits and then finds the prefix made
    command -v flock >/dev/null 2>&1 && { exec 9>"$WINEPREFIX.lock"; flock 9; }
    [ -f "$WINEPREFIX/.tarvon3-ready" ] && exit 0
    echo "wine-run: making the Wine prefix $WINEPREFIX (once per machine)" >&2
    quiet wineboot -i && quiet wineserver -w || exit 1
    quiet wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f &&
      quiet wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
      quiet wineserver -w || exit 1
    touch "$WINEPREFIX/.tarvon3-ready"
  ) || { echo "wine-run: cannot make the Wine prefix $WINEPREFIX" >&2; exit 1; }
fi

quiet wineserver -p30
quiet wine cmd /c exit

# A Windows program that crashes ends with its exception's status (5 for an access violation); a
# status of 139 means Wine's own process died of SIGSEGV, which happens now and then as a program
# exits on a loaded machine. Such a run is made once more, and says so.
run() {
  wine "$@"
  status=$?
  if [ $status -eq 139 ]; then
    echo "wine-run: Wine itself crashed (SIGSEGV) running $1; running it once more" >&2
    wine "$@"
    status=$?
  fi
}

if [ -n "${TARVON_WINE_DESKTOP:-}" ]; then
  quiet wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
  quiet wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$TARVON_WINE_DESKTOP" /f
  run "$@"
  quiet wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  exit $status
fi
run "$@"
exit $status
