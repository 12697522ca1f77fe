#!/usr/bin/env bash
# The executables link neither SDL2 nor the image and font libraries: the sdl2 backend loads SDL2
# when a window opens, and each image format and the fonts load their library at first use, so a
# program that needs none of them starts without mapping any.
set -u
failures=0
for executable in "$@"; do
  needed="$(readelf -d "$executable" | grep NEEDED)"
  if grep -qiE "sdl|png|jpeg|tiff|freetype|fontconfig" <<< "$needed"; then
    echo "FAIL: $(basename "$executable") links a library it should open at first use:"
    echo "$needed"
    failures=1
  fi
done
if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
