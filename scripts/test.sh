#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: first the normal
# build, then the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Needs no display and no sound device.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh tests
scripts/build.sh
ctest --test-dir build --output-on-failure -j2 "$@"

if [[ ! -f build-asan/build.ninja ]]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZENTREL_SANITIZE=ON
fi
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2 "$@"
