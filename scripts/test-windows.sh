#!/usr/bin/env bash
# Runs the Windows build's tests (scripts/build-windows.sh first) under Wine, in a Wine prefix of
# its own in build-win32/. Extra arguments go to ctest (e.g. -R core).
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=$PWD/build-win32/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# The Wine server and its service processes outlive the first program: started by a test, they
# would hold ctest's output pipe open. Started here, with nothing of ctest's to hold.
mkdir -p "$WINEPREFIX"
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot -i </dev/null >/dev/null 2>&1
ctest --test-dir build-win32 --output-on-failure --parallel "$(nproc)" "$@"
