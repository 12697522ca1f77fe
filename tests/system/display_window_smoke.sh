#!/usr/bin/env bash
# quillmoor -x of a program that sets a display mode and clears the screen to red, on a virtual X
# display (run through under_xvfb.sh): a screenshot of the X screen shows the red picture. Usage: display_window_smoke.sh QUILLMOOR
set -u
quillmoor=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cat >"$work/red.qma" <<'PROGRAM'
set display mode 640, 480, 32
sync on
do
  cls rgb(255, 0, 0)
  sync
loop
PROGRAM
unset QUILLMOOR_HEADLESS
"$quillmoor" -x "$work/red.qma" >"$work/run.log" 2>&1 &
pid=$!
# The window shows the red picture within a few seconds; look until it does or time runs out.
for _ in $(seq 1 40); do
  sleep 0.25
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "quillmoor ended before the picture was seen:"
    cat "$work/run.log"
    exit 1
  fi
  import -window root -depth 8 "$work/screen.png" 2>/dev/null || continue
  red=$(convert "$work/screen.png" -format %c histogram:info:- | awk '/#FF0000/ {print $1+0}')
  # The window shows the picture scaled to fit: a quarter of 640 x 480 at the least.
  if [ "${red:-0}" -ge 76800 ]; then
    echo "the window shows the program's red ($red pixels)"
    exit 0
  fi
done
echo "the screen never showed the program's red; its colours:"
convert "$work/screen.png" -format %c histogram:info:- | sort -rn | head -5
exit 1
