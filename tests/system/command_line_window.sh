#!/usr/bin/env bash
# The runtime command line in a real window on a virtual X display: ESC breaks into a running loop
# and the panel slides up, a typed PRINT shows the loop's variable on the screen, a typed
# assignment and ESC continue the program (which then fills the screen blue), and F12 leaves the
# command line after the program's END. Needs xvfb-run and xdotool (scripts/setup_tests.sh);
# without them the test is reported as skipped (status 77).
set -u
quillmoor="$1"
. "$(dirname "$0")/window_test_lib.sh"
needs_tools xvfb-run xdotool xwd convert
run_under_xvfb "$@"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

cat > loop.qma <<'QMA'
sync on
cls rgb(0, 0, 0)
x = 0
leave = 0
repeat
  x = x + 1
  sync
until leave = 1
cls rgb(0, 0, 255)
sync
end
QMA
timeout 90 "$quillmoor" -x loop.qma > stdout.txt 2> stderr.txt &
pid=$!
wait_for_first_window
press() {  # a key held a moment, as a person presses it
  current_window
  xdotool keydown --window "$window" "$1" 2>/dev/null; sleep 0.2; xdotool keyup --window "$window" "$1" 2>/dev/null
}
# Its own capture, colour test and wait: pictures scaled to 640x480, colours compared by distance.
capture() { current_window; xwd -silent -id "$window" 2>/dev/null | convert xwd:- -scale 640x480! "$1" 2>/dev/null; }
colour() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# Waits (at most 20 s) until the pixel of a capture is near the colour (16-bit pixels lose the low
# bits), or differs from it.
near() {  # seen r,g,b
  local r g b er eg eb
  IFS=, read -r r g b <<< "$1"
  IFS=, read -r er eg eb <<< "$2"
  [ -n "$b" ] && [ $(((r - er) * (r - er) + (g - eg) * (g - eg) + (b - eb) * (b - eb))) -le 192 ]
}
wait_for() {  # file x y colour [not]
  for _ in $(seq "${WAIT_TRIES:-40}"); do
    capture "$1"
    local seen
    seen=$(colour "$1" "$2" "$3" 2>/dev/null)
    if [ "${5:-}" = not ]; then [ -n "$seen" ] && ! near "$seen" "$4" && return 0
    else near "$seen" "$4" && return 0; fi
    sleep 0.5
  done
  return 1
}
if [ -n "$window" ]; then
  sleep 1
  for _ in $(seq 10); do
    press Escape
    sleep 1
    capture panel.png
    near "$(colour panel.png 600 470)" 0,0,0 || break
  done
  # The panel's text area (its own dark colour) at the bottom of the screen.
  wait_for panel.png 600 470 0,0,0 not || fail "ESC opened no panel: $(colour panel.png 600 470)"
  sleep 1
  current_window
  xdotool type --window "$window" --delay 60 "print x"
  press Return
  # PRINT writes at the top left of the black screen under the panel.
  sleep 1.5
  capture printed.png
  [ "$(convert printed.png -crop 80x14+0+0 -format '%[fx:maxima.r]' info:)" != 0 ] ||
    fail "the typed PRINT showed nothing"
  current_window
  xdotool type --window "$window" --delay 60 "leave = 1"
  press Return
  # ESC once the typed line has run and the panel is back (pressed again while it may not be).
  continued=0
  for _ in $(seq 20); do
    sleep 1
    press Escape
    WAIT_TRIES=4 wait_for blue.png 100 100 0,0,255 && { continued=1; break; }
  done
  [ "$continued" = 1 ] || fail "the program did not continue: $(colour blue.png 100 100)"
  for _ in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    press F12
    sleep 0.5
  done
fi
wait "$pid"
status=$?
[ "$status" = 0 ] || fail "the run ended with status $status: $(cat stderr.txt)"
echo "$((failures == 0 ? 1 : 0)) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" = 0 ]
