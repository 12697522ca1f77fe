#!/usr/bin/env bash
# The quillmoor executable from the command line: -c writes QMCompile.log with the outcome,
# a run ends with status 0, and a compile or runtime error ends it with status 1.
set -u
quillmoor="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}

printf 'total = 0\r\nfor i = 1 to 10\r\ntotal = total + i\r\nnext i\r\n' > good.qma
printf 'a = 1\nb = "text"\n' > bad.qma
printf 'dim a(3)\r\nx = 1\r\na(5) = 2\r\n' > bounds.qma

"$quillmoor" -c good.qma; check "-c good: status" 0 $?
check "-c good: log" "Compilation Successful. " "$(cat QMCompile.log)"

"$quillmoor" -c bad.qma 2>/dev/null; check "-c bad: status" 1 $?
case "$(cat QMCompile.log)" in
  *" at line 2") ;;
  *) echo "FAIL: -c bad: log names no line 2: $(cat QMCompile.log)"; failures=$((failures + 1)) ;;
esac

printf 'a = 1\r\ngoto nowhere\r\n' > nolabel.qma
"$quillmoor" -c nolabel.qma 2>/dev/null; check "-c label not found: status" 1 $?
check "-c label not found: the line once" "Label not found at line 2" "$(cat QMCompile.log)"

QUILLMOOR_HEADLESS=1 "$quillmoor" -x good.qma; check "-x good: status" 0 $?
QUILLMOOR_HEADLESS=1 "$quillmoor" bounds.qma 2> errors.txt; check "run bounds: status" 1 $?
check "run bounds: message" "Runtime Error at line 3. Array subscript out of bounds" "$(cat errors.txt)"

"$quillmoor" -c missing.qma 2>/dev/null; check "-c missing file: status" 2 $?

if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
