#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the screenshots and the Debian package need;
# skips what is there.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  ffmpeg
  libgtest-dev
  xvfb xauth
  fonts-wqy-microhei
  desktop-file-utils appstream dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
