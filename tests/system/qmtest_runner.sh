#!/usr/bin/env bash
# The conformance runner from the command line: each program is read, compiled and run in a child
# process of its own, so a file that cannot be read, or an include that cannot, fails alone while
# the others still pass, and the runner itself ends normally with status 1.
set -u
qmtest="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}

printf 'x = 1\r\nREM EXPECT x = 1\r\n' > good.qma
printf '#include "/proc/self/mem"\r\nx = 1\r\n' > include_mem.qma
printf 'REM LIMIT 0.3\r\ndo\r\nx = x + 1\r\nloop\r\n' > endless.qma

QUILLMOOR_HEADLESS=1 "$qmtest" good.qma /proc/self/mem include_mem.qma endless.qma good.qma > out.txt 2> err.txt
check "status" 1 $?
check "good program" "PASS good.qma" "$(sed -n 1p out.txt)"
check "unreadable file" "FAIL /proc/self/mem: cannot read the file (Input/output error)" "$(sed -n 2p out.txt)"
check "unreadable include" \
  "FAIL include_mem.qma: compile error on line 1: Cannot open file /proc/self/mem (Input/output error)" \
  "$(sed -n 3p out.txt)"
check "limit told by the child" "FAIL endless.qma: still running after 0.3 s" "$(sed -n 4p out.txt)"
check "a later program still runs" "PASS good.qma" "$(sed -n 5p out.txt)"
check "count" "2 passed, 3 failed" "$(sed -n 6p out.txt)"
check "nothing on stderr" "" "$(cat err.txt)"

if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
