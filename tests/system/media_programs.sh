#!/usr/bin/env bash
# The BASIC programs that need media files: the files are made here by ffmpeg into a temporary
# folder (five red frames then five blue; a frame whose left half is red and right half green; an
# AVI cut inside its headers) and by ImageMagick (a red 320x240 picture, a blue 1024x768 one, a
# file that is no picture, old files a failed save must leave alone), the programs of
# tests/media_programs/ are copied beside them, and the conformance runner checks them there. The
# screen a program saved must have the size of a 640x480 24-bit bitmap file.
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
convert -size 320x240 xc:'#FF0000' "$work/quarter.png"
convert -size 1024x768 xc:'#0000FF' "$work/big.png"
printf 'BM this is no picture' > "$work/broken.bmp"
printf 'the old file' > "$work/old.pcx"
printf 'the old file' > "$work/old.bmp"
for folder in "$here"/media_programs/*/; do cp "$folder"*.qma "$work/"; done
status=0
QUILLMOOR_HEADLESS=1 "$qmtest" "$work" || status=1
if [ "$(cat "$work/old.pcx")" != "the old file" ]; then
  echo "FAIL: a save that failed changed old.pcx"
  status=1
fi
size="$(stat -c %s "$work/screen.bmp" 2>/dev/null || echo missing)"
if [ "$size" != 921654 ]; then
  echo "FAIL: the screen saved at 640x480 is $size bytes, not 921654"
  status=1
fi
exit "$status"
