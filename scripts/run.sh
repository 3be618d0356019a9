#!/usr/bin/env bash
# Installs what is missing, builds, then opens the window; with arguments, runs the command line
# program with them instead (for example: scripts/run.sh unpack firmware.hxf).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ $# -gt 0 ]; then
  exec build/bin/hxf "$@"
fi
exec build/bin/hxf-gui
