#!/usr/bin/env bash
# Fuzzes the settings-file reader and the WAV reader with libFuzzer for the given number of seconds
# (default 600), starting from the seed files in tests/fuzz/settings-corpus.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
ZENTREL_EXTRA_PACKAGES="clang libclang-rt-14-dev libfuzzer-14-dev" scripts/setup.sh
if [[ ! -f build-fuzz/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTREL_FUZZ=ON
fi
cmake --build build-fuzz --target fuzz_settings fuzz_wav
mkdir -p build-fuzz/corpus build-fuzz/corpus-wav build-fuzz/findings
build-fuzz/fuzz_settings -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus tests/fuzz/settings-corpus
build-fuzz/fuzz_wav -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus-wav assets/cues
