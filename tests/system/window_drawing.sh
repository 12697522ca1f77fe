#!/usr/bin/env bash
# A program in a real window on a virtual X display of the run's size: the shapes and text it
# draws show in the window, and a line typed into INPUT there reaches the program, which then
# draws a blue box. Nothing goes to standard output in a window. Needs xvfb-run and xdotool
# (scripts/setup_tests.sh); without them the test is reported as skipped (status 77).
set -u
quillmoor="$1"
. "$(dirname "$0")/window_test_lib.sh"
needs_tools xvfb-run xdotool xwd convert
run_under_xvfb "$@"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > shapes.qma <<'QMA'
sync on
cls rgb(0, 0, 0)
ink rgb(255, 0, 0), 0
box 10, 10, 109, 109
ink rgb(0, 255, 0), 0
circle 320, 240, 60
ink rgb(255, 255, 255), 0
text 200, 400, "Hello from Quillmoor"
print "printed"
sync
input a$
if a$ = "ok"
  ink rgb(0, 0, 255), 0
  box 500, 10, 599, 109
endif
for i = 1 to 400
  sync
next i
end
QMA

# A run that never gets its line must not hang the test.
timeout 60 "$quillmoor" -x shapes.qma > stdout.txt 2> stderr.txt &
pid=$!
wait_for_first_window
sleep 1
if [ -n "$window" ]; then
  wait_for before.png 50 50 255 0 0
  seen=$(near before.png 50 50 255 0 0) || fail "the red box is not in the window: $seen"
  seen=$(near before.png 380 240 0 255 0) || fail "the green circle is not in the window: $seen"
  [ "$(convert before.png -crop 200x16+200+400 -format '%[fx:maxima.r]' info:)" != 0 ] ||
    fail "the text is not in the window"
  seen=$(near before.png 550 50 0 0 0) || fail "the blue box is there before anything was typed: $seen"
  current_window
  xdotool type --window "$window" --delay 100 "ok"
  xdotool key --window "$window" Return
  wait_for after.png 550 50 0 0 255
  seen=$(near after.png 550 50 0 0 255) || fail "typing into INPUT drew no blue box: $seen"
fi
# After END the runtime command line opens over the program; F12 (held a moment, as a person
# presses it) leaves it and ends the run.
for _ in $(seq 60); do
  kill -0 "$pid" 2>/dev/null || break
  current_window
  xdotool keydown --window "$window" F12 2>/dev/null; sleep 0.3; xdotool keyup --window "$window" F12 2>/dev/null
  sleep 0.5
done
wait "$pid"
status=$?
[ "$status" = 0 ] || fail "the run ended with status $status: $(cat stderr.txt)"
[ -s stdout.txt ] && fail "a window run wrote to standard output: $(cat stdout.txt)"
echo "$((failures == 0 ? 1 : 0)) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" = 0 ]
