#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test, package and play Tarvel 4.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config git clang clang-format libclang-rt-14-dev
  libsdl2-dev libx11-dev libxmp-dev libimgui-dev libenet-dev libgtest-dev libgmock-dev
  fonts-dejavu-core libstb-dev
  xvfb xauth xdotool imagemagick x11-utils openbox openmpt123 python3
  debhelper lintian desktop-file-utils appstream
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
