#!/usr/bin/env bash
# Installs what is missing, builds, and starts the timer in the current folder
# (setting.txt and any cue files of your own are looked up there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display: starting under xvfb-run (nothing will be visible)." >&2
    exec xvfb-run -a "$root/build/src/app/zentrel-timer"
fi
exec "$root/build/src/app/zentrel-timer"
