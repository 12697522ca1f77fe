#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quillmoor need, when they are missing.
# Safe to run again: it installs nothing when everything is present.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  imagemagick xvfb xauth x11-apps
  python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
