#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Helixor
# need, when any of them is missing. Runs as root, or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-wine xvfb xauth
  libmuparser-dev gnuplot-nox
  desktop-file-utils shared-mime-info
  g++-mingw-w64-x86-64 dpkg-dev file
  fonts-liberation fonts-dejavu-core libxcb1-dev pkg-config  # window fonts (bold sizes, help page); frame extents
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
