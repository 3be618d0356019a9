#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds the programs for installing (Release,
# no tests) into build-pkg/, and packs them with CPack. Prints the package's path, which is
# build-pkg/hxf_VERSION_ARCH.deb; install it with `sudo apt install ./build-pkg/hxf_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DHXF_BUILD_TESTS=OFF >/dev/null
cmake --build build-pkg --parallel "$(nproc)" >&2
rm -f build-pkg/hxf_*.deb
(cd build-pkg && cpack -G DEB >&2)
ls "$PWD"/build-pkg/hxf_*.deb
