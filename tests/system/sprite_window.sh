#!/usr/bin/env bash
# A sprite moved by the arrow keys over a striped background in a real window on a virtual X
# display: it shows where the program put it, follows the right arrow key while it is held (up to
# x 400, where the program stops it), and leaves no trail (the stripes and the background come
# back wherever it was). Needs xvfb-run and
# xdotool (scripts/setup_tests.sh); without them the test is reported as skipped (status 77).
set -u
quillmoor="$1"
. "$(dirname "$0")/window_test_lib.sh"
needs_tools xvfb-run xdotool xwd convert
run_under_xvfb "$@"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > sprite.qma <<'QMA'
sync on
ink rgb(255, 0, 0), 0
box 0, 0, 20, 20
get image 1, 0, 0, 20, 20
cls rgb(0, 0, 128)
ink rgb(200, 200, 200), 0
for s = 0 to 639 step 40
  box s, 0, s + 19, 479
next s
x = 100
y = 100
do
  x = x + 2 * rightkey() - 2 * leftkey()
  y = y + 2 * downkey() - 2 * upkey()
  if x > 400 then x = 400
  sprite 1, x, y, 1
  sync
loop
QMA

# A run that is never finished must not hang the test.
timeout 90 "$quillmoor" -x sprite.qma > stdout.txt 2> stderr.txt &
pid=$!
wait_for_first_window
# The red pixels of one row of a picture.
red_in_row() {  # file y
  convert "$1" -crop "640x1+0+$2" +repage -fx "r > 0.9 && g < 0.1 && b < 0.1" -format "%[fx:int(mean * w + 0.5)]" info:
}
if [ -n "$window" ]; then
  # The pointer follows the mouse: keep it in a corner, away from the sprite's row.
  xdotool mousemove 630 470
  wait_for before.png 110 110 255 0 0 || fail "the sprite is not at its place: $(near before.png 110 110 255 0 0)"
  current_window
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool keydown Right
  moved=0
  for _ in $(seq 40); do
    capture moving.png
    if near moving.png 410 110 255 0 0 > /dev/null; then moved=1; break; fi
    sleep 0.25
  done
  xdotool keyup Right
  [ "$moved" = 1 ] || fail "holding the right arrow key did not move the sprite to x 400"
  sleep 1
  capture after.png
  seen=$(near after.png 110 110 0 0 128) || fail "the sprite left a trail on the background: $seen"
  seen=$(near after.png 90 110 200 200 200) || fail "the sprite left a trail on a stripe: $seen"
  seen=$(near after.png 150 110 0 0 128) || fail "the sprite left a trail on its way: $seen"
  seen=$(near after.png 410 110 255 0 0) || fail "the sprite is not where the key took it: $seen"
  red=$(red_in_row after.png 110)
  [ "$red" -ge 19 ] && [ "$red" -le 21 ] || fail "the row through the sprite has $red red pixels, not one sprite's width"
fi
kill "$pid" 2> /dev/null
wait "$pid" 2> /dev/null
[ -s stdout.txt ] && fail "a window run wrote to standard output: $(cat stdout.txt)"
echo "$((failures == 0 ? 1 : 0)) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" = 0 ]
