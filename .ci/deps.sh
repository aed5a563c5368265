#!/usr/bin/env bash
# Installs the Debian packages the build, the tests (the X server scenario among them) and the
# benchmarks need; only what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libx11-dev libxtst-dev libxfixes-dev libopenal-dev libgl1-mesa-dev libegl1-mesa-dev libgl1-mesa-dri
  zlib1g-dev libqhull-dev libmeshoptimizer-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libode-dev libbullet-dev
  clang libclang-rt-14-dev
  xvfb xdotool x11-utils imagemagick openbox
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
