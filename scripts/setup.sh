#!/usr/bin/env bash
# Installs the Debian packages that are missing, for one of two groups:
#   scripts/setup.sh program   building and running the program (scripts/run.sh)
#   scripts/setup.sh tests     that, and what the tests need besides (scripts/test.sh; the default)
# Does nothing (and asks apt nothing) when they are all there.
set -euo pipefail

# Building and running the program.
program=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev
    qt6-httpserver-dev qt6-websockets-dev
    libpulse-dev fonts-ipafont-gothic
    libx11-dev libxext-dev libxss-dev
    libmosquitto-dev libqrencode-dev
)
# Without a display, scripts/run.sh starts the program under xvfb-run.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    program+=(xvfb xauth)
fi
# The tests besides: a sound server of their own, Xvfb and real X input for the end-to-end
# test, a private session bus, a broker for the rooms and openssl for its certificates
# (scripts/broker.sh), a browser for the station-door page.
tests=(
    pulseaudio pulseaudio-utils
    xvfb xauth xdotool imagemagick openbox wmctrl
    dbus dbus-daemon
    mosquitto openssl
    chromium chromium-driver
)

case "${1:-tests}" in
    program) packages=("${program[@]}") ;;
    tests) packages=("${program[@]}" "${tests[@]}") ;;
    *) echo "usage: $0 [program|tests]" >&2; exit 2 ;;
esac

# Callers may ask for more (the fuzzer wants clang), as a space-separated list.
read -r -a extra <<< "${ZENTREL_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
