#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test. Idempotent: when everything is
# there it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libqt6opengl6-dev libgl-dev libx11-dev
  libmpv-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev
  ffmpeg python3 python3-pyftpdlib python3-openssl python3-cryptography
  xvfb xauth x11-apps imagemagick
  fonts-noto-cjk
  desktop-file-utils appstream dbus dpkg-dev file
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"
