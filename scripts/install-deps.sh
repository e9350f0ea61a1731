#!/usr/bin/env bash
# Installs the Debian packages zucomm needs to build, run and test.
# Does nothing when they are all present, unless --force (CI) is given.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev libvulkan-dev
  libqt6gui6 libjpeg62-turbo qt6-qpa-plugins fonts-dejavu-core
  socat mbpoll libmodbus-dev
  xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ "${1:-}" != "--force" && ${#missing[@]} -eq 0 ]]; then
  exit 0
fi
SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${packages[@]}"
