#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the window need, when any is missing.
#   scripts/install-deps.sh [--windows]   with --windows, also the cross compiler for 32-bit
#                                         Windows and Wine to run its tests (about 1.2 GB)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  nlohmann-json3-dev  # the JSON of list --json and verify --json
  qt6-base-dev qt6-base-dev-tools
  clang libclang-rt-14-dev
  time  # GNU time: the benchmark's peak memory (bench/bench.py)
  xvfb xauth fonts-wqy-microhei
  imagemagick xdotool openbox  # the window's screenshot under Xvfb, framed (docs/window.png)
  # The Debian package: man page, icons, dependencies, and its install check (test-package.sh)
  help2man librsvg2-bin dpkg-dev
  desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin man-db
)

# Only the posix thread variant of mingw-w64: the win32 one (which the meta package also brings,
# and makes the default compiler) has no std::thread or std::mutex in GCC 12.
windows_packages=(
  g++-mingw-w64-i686-posix mingw-w64-tools
  googletest  # GoogleTest's sources, built with the cross compiler
  wine wine32:i386 fonts-wine
  nsis  # makensis: the Windows setup program (build-win32/hxf-VERSION-setup.exe)
)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if [ "${1:-}" = "--windows" ]; then
  # 32-bit Windows programs need Wine's i386 half.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  packages+=("${windows_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
