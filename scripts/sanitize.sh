#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs every test there. Extra arguments go to cmake (e.g. -DHXF_BUILD_GUI=OFF).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHXF_SANITIZE=ON "$@" >/dev/null
cmake --build build-asan --parallel "$(nproc)"
# Any report from a sanitizer fails the test it happened in.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# Tests that bound a program's peak memory are left to the plain build: ASan's shadow memory and
# quarantine add tens of MiB that are not the program's.
QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" \
  -E 'PeakMemory|UsesLittleMemory'
