# shellcheck shell=bash
# Sourced by the scripts that run the Windows build under Wine (cd'd to the repository first).
# wine_session_start SCREEN (e.g. 1024x768x24) starts a virtual X server with a window manager
# (without one, Wine waits seconds for each window to show) and the Wine server on it, in the
# build's own prefix; all of it is stopped when the script exits. It sets WINE_DISPLAY, the
# display's name.
export WINEPREFIX=$PWD/build-win32/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_session_work=$(mktemp -d)
wine_session_xvfb=
wine_session_wm=
wine_session_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -z "$wine_session_wm" ] || kill "$wine_session_wm" 2>/dev/null || true
  [ -z "$wine_session_xvfb" ] || kill "$wine_session_xvfb" 2>/dev/null || true
  rm -rf "$wine_session_work"
}
trap wine_session_stop EXIT

wine_session_start() {
  # The X server picks a free display and names it once it is ready.
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$wine_session_work/display" 2>/dev/null &
  wine_session_xvfb=$!
  until [ -s "$wine_session_work/display" ]; do
    kill -0 "$wine_session_xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  WINE_DISPLAY=:$(head -n 1 "$wine_session_work/display")
  DISPLAY=$WINE_DISPLAY openbox >/dev/null 2>&1 &
  wine_session_wm=$!
  # The Wine server and its service processes outlive the first program: started by a test, they
  # would hold ctest's output pipe open. Started here, with no pipe of anyone's to hold, and on
  # the display, since a session started without one shows no window. One left by an earlier run
  # that was stopped short would make this one fail to start.
  mkdir -p "$WINEPREFIX"
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  DISPLAY=$WINE_DISPLAY wineserver -p </dev/null >/dev/null 2>&1
  DISPLAY=$WINE_DISPLAY wine wineboot -i </dev/null >/dev/null 2>&1
}
