#!/usr/bin/env bash
# Installs the Debian 12 packages Pluvix needs to build, test and run, when they are missing.
# Usage: scripts/install-deps.sh [fuzz]   (fuzz: also clang and its libFuzzer runtime)
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libgif-dev libgl-dev
  xvfb xauth openbox trayer xdotool x11-utils imagemagick xclip
  curl file gsettings-desktop-schemas desktop-file-utils appstream dpkg-dev libglib2.0-bin libglib2.0-dev libxcb1-dev dbus-x11
  at-spi2-core gir1.2-atspi-2.0 python3-gi dbus-daemon
  fonts-liberation2 fonts-dejavu-core
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
