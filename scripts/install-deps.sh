#!/usr/bin/env bash
# Installs what the build and the tests need, and only what is missing.
# Quiet when everything is already there; safe to run any number of times.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    juce-modules-source
    libfreetype-dev libfontconfig-dev libpng-dev libjpeg-dev zlib1g-dev
    libx11-dev libxext-dev libxtst-dev libxinerama-dev libxrandr-dev libxcursor-dev
    googletest libgtest-dev
    fonts-dejavu-core
    xvfb xauth openbox xdotool wmctrl x11-utils imagemagick
    zip unzip python3 procps
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
