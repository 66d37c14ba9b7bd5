#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
# Needs no display and no sound device.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j2 "$@"
