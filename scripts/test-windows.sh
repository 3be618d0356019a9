#!/usr/bin/env bash
# Runs the Windows build's tests (scripts/build-windows.sh first) under Wine, in a Wine prefix of
# its own in build-win32/. Extra arguments go to ctest (e.g. -R core).
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=$PWD/build-win32/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
xvfb=
wm=
stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT

# The window's tests need a display: a virtual X server, which picks a free display and names it
# once it is ready, with a window manager (without one, Wine waits seconds for each window to show).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
# build-win32/wine-run.sh gives it to every program; the console ones do not look at it.
export HXF_WINE_DISPLAY=:$(head -n 1 "$work/display")
DISPLAY=$HXF_WINE_DISPLAY openbox >/dev/null 2>&1 &
wm=$!

# The Wine server and its service processes outlive the first program: started by a test, they
# would hold ctest's output pipe open. Started here, with nothing of ctest's to hold, and on the
# display, since a session started without one shows no window.
mkdir -p "$WINEPREFIX"
# One left by an earlier run that was stopped short would make this one fail to start.
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
export DISPLAY=$HXF_WINE_DISPLAY
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot -i </dev/null >/dev/null 2>&1
unset DISPLAY
ctest --test-dir build-win32 --output-on-failure --parallel "$(nproc)" "$@"
