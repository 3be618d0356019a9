#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Linux build, the Windows build under
# Wine, then the reliability stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
scripts/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --parallel "$(nproc)"
scripts/build-windows.sh
scripts/test-windows.sh
scripts/reliability.sh
# Last, the Debian package: built, installed for real, checked and removed (about 4 minutes from a clean build-pkg/).
scripts/test-package.sh
