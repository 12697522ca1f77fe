#!/usr/bin/env bash
# The BASIC programs that need media files: the files are made here by ffmpeg into a temporary
# folder (five red frames then five blue; a frame whose left half is red and right half green; an
# AVI cut inside its headers), the programs of tests/media_programs/ are copied beside them, and
# the conformance runner checks them there.
set -euo pipefail
qmtest="$1"
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
make() { ffmpeg -v error -y "$@"; }
red="color=red:s=64x48:r=10:d=0.5,format=bgr24"
blue="color=blue:s=64x48:r=10:d=0.5,format=bgr24"
make -f lavfi -i "$red" -f lavfi -i "$blue" -filter_complex concat=n=2 -c:v rawvideo -pix_fmt bgr24 \
  "$work/raw.avi"
make -f lavfi -i "color=red:s=32x48:r=10:d=1,format=bgr24" -f lavfi -i "color=lime:s=32x48:r=10:d=1,format=bgr24" \
  -filter_complex hstack -c:v rawvideo -pix_fmt bgr24 "$work/halves.avi"
head -c 100 "$work/raw.avi" > "$work/damaged.avi"
for folder in "$here"/media_programs/*/; do cp "$folder"*.qma "$work/"; done
QUILLMOOR_HEADLESS=1 "$qmtest" "$work"
