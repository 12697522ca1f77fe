#!/usr/bin/env bash
# Keys and titles in real windows on a virtual X display: F12 stops a program that never ends; a second
# instance running beside the first shows the title "Quillmoor Editor 2". Needs xvfb-run and
# xdotool (scripts/setup_tests.sh); without them the test is reported as skipped (status 77).
set -u
quillmoor="$1"
. "$(dirname "$0")/window_test_lib.sh"
needs_tools xvfb-run xdotool
run_under_xvfb "$@"
work="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
cd "$work"
# Titles are held per user: a data folder of its own keeps other tests' windows out of the count.
mkdir data
export XDG_DATA_HOME="$work/data"

cat > endless.qma <<'QMA'
sync on
do
  cls rgb(0, 128, 0)
  sync
loop
QMA

# The window of a run (the display set-up may replace the first one it showed), by its title.
window_of() {  # title pattern
  for _ in $(seq 80); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.25
  done
  return 1
}
# Sends a key to the run's window until the run ends (at most 20 s).
key_until_ended() {  # pid title key
  for _ in $(seq 40); do
    kill -0 "$1" 2>/dev/null || return 0
    window=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | tail -1)
    [ -n "$window" ] && xdotool key --window "$window" "$3" 2>/dev/null
    sleep 0.5
  done
  ! kill -0 "$1" 2>/dev/null
}

for case in "endless.qma F12"; do
  read -r program key <<< "$case"
  timeout 60 "$quillmoor" -x "$program" > /dev/null 2> errors.txt &
  pid=$!
  window_of "^Quillmoor Editor$" > /dev/null || fail "$program: no window appeared"
  sleep 1
  key_until_ended "$pid" "^Quillmoor Editor$" "$key" || fail "$program: the key $key did not end the run"
  wait "$pid"
  status=$?
  [ "$status" = 0 ] || fail "$program: the run ended with status $status: $(cat errors.txt)"
done

# Two instances at once: the second one's window is "Quillmoor Editor 2".
"$quillmoor" -x endless.qma > /dev/null 2>&1 & pids+=($!)
window_of "^Quillmoor Editor$" > /dev/null || fail "the first instance shows no window"
"$quillmoor" -x endless.qma > /dev/null 2>&1 & pids+=($!)
window_of "^Quillmoor Editor 2$" > /dev/null || fail "the second instance's window is not \"Quillmoor Editor 2\""

echo "$((failures == 0 ? 1 : 0)) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" = 0 ]
