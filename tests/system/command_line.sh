#!/usr/bin/env bash
# The quillmoor executable from the command line: -c writes QMCompile.log with the outcome,
# a run ends with status 0, a compile or runtime error (or a command this build cannot run) ends
# it with status 1, a system or usage error with status 2.
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

# A program file that cannot be read is a system error: status 2, named, and the log says so.
mkdir folder.qma
mkfifo fifo.qma
for name in missing.qma folder.qma fifo.qma; do
  "$quillmoor" -c good.qma
  timeout 10 "$quillmoor" -c "$name" 2> errors.txt; check "-c $name: status" 2 $?
  grep -q "$name" errors.txt || { echo "FAIL: -c $name: the message names no file"; failures=$((failures + 1)); }
  grep -q "$name" QMCompile.log || { echo "FAIL: -c $name: the log names no file: $(cat QMCompile.log)"; failures=$((failures + 1)); }
done

# A program file whose read fails (an I/O error) is a system error naming it, not an abort; an
# include whose read fails is a compile error on its line.
"$quillmoor" -c good.qma
"$quillmoor" -c /proc/self/mem 2> errors.txt; check "-c /proc/self/mem: status" 2 $?
check "-c /proc/self/mem: log" "Cannot open file mem (Input/output error)" "$(cat QMCompile.log)"
printf '#include "/proc/self/mem"\r\nx = 1\r\n' > include_mem.qma
"$quillmoor" -c include_mem.qma 2>/dev/null; check "-c include of /proc/self/mem: status" 1 $?
check "-c include of /proc/self/mem: log" "Cannot open file /proc/self/mem (Input/output error) at line 1" \
  "$(cat QMCompile.log)"

# After a runtime error under -x the log holds its text.
QUILLMOOR_HEADLESS=1 "$quillmoor" -x bounds.qma 2>/dev/null; check "-x bounds: status" 1 $?
check "-x bounds: log" "Runtime Error at line 3. Array subscript out of bounds" "$(cat QMCompile.log)"

# A QMCompile.log that is a symbolic link is replaced, never written through.
printf 'keep' > elsewhere.txt
rm -f QMCompile.log && ln -s elsewhere.txt QMCompile.log
"$quillmoor" -c good.qma; check "-c over a linked log: status" 0 $?
check "-c over a linked log: the target kept" "keep" "$(cat elsewhere.txt)"
[ -L QMCompile.log ] && { echo "FAIL: QMCompile.log is still a link"; failures=$((failures + 1)); }
check "-c over a linked log: log" "Compilation Successful. " "$(cat QMCompile.log)"

# A log that cannot be written is a failure.
mkdir logdir && cd logdir && mkdir QMCompile.log
"$quillmoor" -c ../good.qma 2>/dev/null; check "-c with an unwritable log: status" 2 $?
cd ..

# A command the compiler knows but this build cannot run ends the run, named with its line.
printf 'x = 1\r\nplay sound 1\r\nx = 2\r\n' > sound.qma
QUILLMOOR_HEADLESS=1 "$quillmoor" -x sound.qma 2> errors.txt; check "-x play sound: status" 1 $?
check "-x play sound: message" "The command PLAY SOUND is not part of this build yet at line 2" "$(cat errors.txt)"
check "-x play sound: log" "The command PLAY SOUND is not part of this build yet at line 2" "$(cat QMCompile.log)"

# Headless, what PRINT and PRINTC write goes to standard output: one line per PRINT.
printf 'printc "a"\r\nprintc 1\r\nprint 2.5\r\nprint\r\nprint "b"\r\nend\r\nprint "never"\r\n' > prints.qma
QUILLMOOR_HEADLESS=1 "$quillmoor" -x prints.qma > printed.txt; check "-x prints: status" 0 $?
check "-x prints: standard output" "$(printf 'a12.5\n\nb')" "$(cat printed.txt)"
check "-x prints: lines" 3 "$(wc -l < printed.txt)"

# The program's folder is the current folder: includes beside it are found from anywhere.
mkdir -p games/space
printf '#include "lib.qma"\r\nx = seven()\r\nif x <> 7 then stop\r\n' > games/space/main.qma
printf 'function seven()\r\nendfunction 7\r\n' > games/space/lib.qma
QUILLMOOR_HEADLESS=1 "$quillmoor" -x games/space/main.qma; check "-x from another folder: status" 0 $?
check "-x from another folder: log here" "Compilation Successful. " "$(cat QMCompile.log)"
"$quillmoor" -c games/space/main.qma; check "-c from another folder: status" 0 $?
check "-c from another folder: log here" "Compilation Successful. " "$(cat QMCompile.log)"
[ ! -e games/space/QMCompile.log ] || { echo "FAIL: a log was written beside the program"; failures=$((failures + 1)); }

# Usage: --help prints it; no argument and an unknown switch are usage errors.
"$quillmoor" --help > usage.txt; check "--help: status" 0 $?
grep -q "^usage: quillmoor" usage.txt || { echo "FAIL: --help prints no usage"; failures=$((failures + 1)); }
"$quillmoor" 2> usage.txt; check "no argument: status" 2 $?
grep -q "^usage: quillmoor" usage.txt || { echo "FAIL: no argument prints no usage"; failures=$((failures + 1)); }
"$quillmoor" -z good.qma 2> usage.txt; check "unknown switch: status" 2 $?
grep -q "unknown switch -z" usage.txt || { echo "FAIL: the unknown switch is not named"; failures=$((failures + 1)); }

# Without a display the run falls back to headless without a word.
env -u DISPLAY -u WAYLAND_DISPLAY -u QUILLMOOR_HEADLESS "$quillmoor" -x good.qma 2> errors.txt
check "no display: status" 0 $?
check "no display: quiet" "" "$(cat errors.txt)"

# A display that was named but cannot be opened: the run goes on headless after one line that
# says so (lines of the display libraries themselves aside).
env -u QUILLMOOR_HEADLESS -u WAYLAND_DISPLAY DISPLAY=:987 "$quillmoor" -x good.qma 2> errors.txt
check "display not opened: status" 0 $?
check "display not opened: one line of ours" 1 "$(grep -ci "headless" errors.txt)"

if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
