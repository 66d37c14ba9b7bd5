#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Does nothing (and asks apt nothing) when they are all there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev
    qt6-httpserver-dev qt6-websockets-dev
    libpulse-dev pulseaudio pulseaudio-utils
    fonts-ipafont-gothic
    xvfb xauth xdotool imagemagick openbox wmctrl
    dbus dbus-daemon libx11-dev libxext-dev libxss-dev
    mosquitto libmosquitto-dev
    chromium chromium-driver
)

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
