# The shared start of the tests that drive a program in a real window on a virtual X display.
# Sourced after `set -u`; the script's own arguments go to run_under_xvfb.

# Reports the test as skipped (status 77), never as passed, when a tool it needs is missing
# (scripts/setup_tests.sh installs them).
needs_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
}

# Runs the script again on a 640x480 virtual display, once; there, the runs open their windows
# although the test suite runs headless.
run_under_xvfb() {
  if [ -z "${QM_UNDER_XVFB:-}" ]; then
    QM_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
  fi
  unset QUILLMOOR_HEADLESS
}

failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# The first window titled Quillmoor, waited for at most 20 s; a failure when none appears.
wait_for_first_window() {
  window=$(timeout 20 xdotool search --sync --onlyvisible --name Quillmoor 2>/dev/null | head -1)
  [ -n "$window" ] || fail "no window appeared"
}
# The window is looked up again before each use: the display set-up may replace the first window it
# showed (a slow build, such as the sanitizer one, can catch the first one).
current_window() {
  local found
  found=$(xdotool search --onlyvisible --name Quillmoor 2>/dev/null | tail -1)
  [ -n "$found" ] && window=$found
}
capture() { current_window; xwd -silent -id "$window" 2>/dev/null | convert xwd:- "$1" 2>/dev/null; }
# Whether a pixel of a window picture is near a colour (16-bit pixels lose the low bits); prints
# the pixel when it is not.
near() {  # file x y r g b
  local value
  value=$(convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:)
  IFS=, read -r r g b <<< "$value"
  local dr=$((r - $4)) dg=$((g - $5)) db=$((b - $6))
  [ "${dr#-}" -le 8 ] && [ "${dg#-}" -le 8 ] && [ "${db#-}" -le 8 ] || { echo "$value"; return 1; }
}
# Waits (at most 20 s, the machine may be busy) until a capture shows the pixel near the colour.
wait_for() {  # file x y r g b
  for _ in $(seq 40); do
    capture "$1"
    near "$@" > /dev/null && return 0
    sleep 0.5
  done
  return 1
}
