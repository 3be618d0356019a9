#!/usr/bin/env bash
# Cross-compiles the library, the command line and the tests for 32-bit Windows into build-win32/
# (the programs are build-win32/bin/hxf.exe and hxf-gui.exe, the window, each one static file).
# Extra arguments are build targets (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build build-win32 --parallel "$(nproc)" "${targets[@]}"
