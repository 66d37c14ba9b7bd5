#!/usr/bin/env bash
# Installs what building and running the program needs, builds the program alone, and starts
# the timer in the current folder (setting.txt and any cue files of your own are looked up
# there). The tests' tools and the tests themselves are scripts/test.sh's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" program
"$root/scripts/build.sh" --target zentrel-timer
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display: starting under xvfb-run (nothing will be visible)." >&2
    exec xvfb-run -a "$root/build/src/app/zentrel-timer"
fi
exec "$root/build/src/app/zentrel-timer"
