#!/usr/bin/env bash
# Runs the Windows build's tests (scripts/build-windows.sh first) under Wine, in a Wine prefix of
# its own in build-win32/. Extra arguments go to ctest (e.g. -R core).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh
unset DISPLAY WAYLAND_DISPLAY
# The window's tests need a display; build-win32/wine-run.sh gives it to every program, and the
# console ones do not look at it.
wine_session_start 1024x768x24
export HXF_WINE_DISPLAY=$WINE_DISPLAY
ctest --test-dir build-win32 --output-on-failure --parallel "$(nproc)" "$@"
