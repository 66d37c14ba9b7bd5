#!/usr/bin/env bash
# Fuzzes the settings-file reader, then the rooms' message reader, with libFuzzer for the
# given number of seconds each (default 600), starting from the seed files in
# tests/fuzz/settings-corpus and tests/fuzz/clockmessage-corpus.
#   scripts/fuzz.sh [seconds] [settings|clockmessage]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
ZENTREL_EXTRA_PACKAGES="clang libclang-rt-14-dev libfuzzer-14-dev" scripts/setup.sh
if [[ ! -f build-fuzz/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTREL_FUZZ=ON
fi
only=${2:-}
if [[ -z "$only" || "$only" == settings ]]; then
    cmake --build build-fuzz --target fuzz_settings
    mkdir -p build-fuzz/corpus build-fuzz/findings
    build-fuzz/fuzz_settings -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus tests/fuzz/settings-corpus
fi
if [[ -z "$only" || "$only" == clockmessage ]]; then
    cmake --build build-fuzz --target fuzz_clockmessage
    mkdir -p build-fuzz/clockmessage-corpus build-fuzz/findings
    build-fuzz/fuzz_clockmessage -max_total_time="$seconds" -max_len=2048 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ build-fuzz/clockmessage-corpus tests/fuzz/clockmessage-corpus
fi
