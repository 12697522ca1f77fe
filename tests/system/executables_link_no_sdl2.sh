#!/usr/bin/env bash
# The executables do not link SDL2: the sdl2 backend loads it when a window opens.
set -u
failures=0
for executable in "$@"; do
  needed="$(readelf -d "$executable" | grep NEEDED)"
  if grep -qi "sdl" <<< "$needed"; then
    echo "FAIL: $(basename "$executable") links SDL2:"
    echo "$needed"
    failures=1
  fi
done
if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
