#!/usr/bin/env bash
# Fuzzes the readers of outside input with libFuzzer: setting.txt, the WAV cue files, the
# rooms' clock messages (and the crash-restart state file, which shares their format), for the given number of seconds each (default 600).
#   scripts/fuzz.sh [seconds] [settings|wav|clockmessage]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
ZENTREL_EXTRA_PACKAGES="clang libclang-rt-14-dev libfuzzer-14-dev" scripts/setup.sh program
if [[ ! -f build-fuzz/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTREL_FUZZ=ON
fi
only=${2:-}
run() { # target max_len corpus [seeds]
    [[ -z "$only" || "$only" == "${1#fuzz_}" ]] || return 0
    cmake --build build-fuzz --target "$1"
    mkdir -p "build-fuzz/$3" build-fuzz/findings
    "build-fuzz/$1" -max_total_time="$seconds" -max_len="$2" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ "build-fuzz/$3" ${4:+"$4"}
}
run fuzz_settings 4096 corpus tests/fuzz/settings-corpus
run fuzz_wav 8192 corpus-wav assets/cues
run fuzz_clockmessage 4096 clockmessage-corpus tests/fuzz/clockmessage-corpus
