#!/usr/bin/env bash
# Builds the Debian package into build/ (zentrel-timer_1.0.0_amd64.deb). Install it with
#   sudo apt-get install ./build/zentrel-timer_1.0.0_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
ZENTREL_EXTRA_PACKAGES="dpkg-dev file" scripts/setup.sh
scripts/build.sh
(cd build && cpack -G DEB)
