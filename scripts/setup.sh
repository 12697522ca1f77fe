#!/usr/bin/env bash
# Installs the Debian packages that building and running Quillmoor need, when they are missing,
# together with any further packages named as arguments (scripts/setup_tests.sh names what the
# tests add). Safe to run again: it installs nothing, and updates no package list, when everything
# is present.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev                         # SDL2: headers to build, library loaded when a window opens
  libfreetype-dev libfontconfig-dev   # the display layer's fonts
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libstb-dev  # image files (stb: DXT encoding)
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev  # AVI animations (FFmpeg)
  "$@"
)

# One query for every package: the installed ones, then the rest are missing.
installed="$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
             awk '/ install ok installed$/ {print $1}' || true)"
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<< "$installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
