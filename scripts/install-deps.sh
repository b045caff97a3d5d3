#!/usr/bin/env bash
# Installs every Debian package the station and its tests need, by name.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  libsqlite3-dev sqlite3 uuid-dev libspdlog-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  qt6-webchannel-dev libqt6webenginecore6-bin libqt6opengl6-dev
  libgl-dev libxkbcommon-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-noto-cjk fonts-dejavu-core
  gpsbabel python3
)

export DEBIAN_FRONTEND=noninteractive
missing=()
# A machine may carry its own Node.js with npm built in; only add Debian's when npm is absent.
command -v npm >/dev/null 2>&1 || PACKAGES+=(nodejs npm)
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
