#!/usr/bin/env bash
# A game built with quillmoor -b shows its window on a virtual X display (run through
# under_xvfb.sh): a screenshot of the X screen shows the red picture it draws.
# Usage: standalone_window.sh QUILLMOOR
set -u
quillmoor=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
pid=
cd "$work"
cat > red.qma <<'PROGRAM'
set display mode 640, 480, 32
sync on
do
  cls rgb(255, 0, 0)
  sync
loop
PROGRAM
QUILLMOOR_HEADLESS=1 "$quillmoor" -b red red.qma || { echo "the build failed: $(cat QMCompile.log)"; exit 1; }
unset QUILLMOOR_HEADLESS
./red > run.log 2>&1 &
pid=$!
for _ in $(seq 1 40); do
  sleep 0.25
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the game ended before its picture was seen:"
    cat run.log
    exit 1
  fi
  import -window root -depth 8 screen.png 2>/dev/null || continue
  red=$(convert screen.png -format %c histogram:info:- | awk '/#FF0000/ {print $1+0}')
  if [ "${red:-0}" -ge 76800 ]; then
    echo "the built game's window shows its red ($red pixels)"
    exit 0
  fi
done
echo "the screen never showed the game's red; its colours:"
convert screen.png -format %c histogram:info:- | sort -rn | head -5
exit 1
