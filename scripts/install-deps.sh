#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and run. Quiet and
# quick when everything is already present. Run as root (or with sudo available).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  qt6-base-dev
  clang libclang-rt-14-dev
  imagemagick pngquant gifsicle time
  fonts-noto-cjk xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
