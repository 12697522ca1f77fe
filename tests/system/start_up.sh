#!/usr/bin/env bash
# quillmoor's start-up and shut-down from the command line, headless, in a temporary folder:
# QMCompile.log holds exactly the outcome of a switch and never a success for a failed action,
# -b and -f names are read with bounds, a language file that is missing or too old
# ends start-up with its system error on stderr (status 2), a quoted program name loses its
# quotes, and two instances running at once hold different titles and work folders.
# Usage: start_up.sh QUILLMOOR LANG_FOLDER
set -u
quillmoor="$1"
lang="$2"
work="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
cd "$work"
mkdir tmp data
export QUILLMOOR_HEADLESS=1 TMPDIR="$work/tmp" XDG_DATA_HOME="$work/data"
failures=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

printf 'x = 1\r\nprint x\r\n' > ok.qma
printf 'a = 1\r\nb = 2\r\nc = "x" +\r\n' > line3.qma

"$quillmoor" -c ok.qma; check "-c ok: status" 0 $?
check "-c ok: the log's bytes" 24 "$(wc -c < QMCompile.log)"
check "-c ok: the log" "Compilation Successful. " "$(cat QMCompile.log)"

"$quillmoor" -c line3.qma 2>/dev/null; check "-c line3: status" 1 $?
log="$(cat QMCompile.log)"
case "$log" in *" at line 3") ;; *) fail "-c line3: the log does not end with its line: $log" ;; esac
check "-c line3: the line named once" 1 "$(grep -o ' at line ' QMCompile.log | wc -l)"

# A failed action never leaves a success behind.
for command in "-c missing.qma" "-x missing.qma" '-c "missing name.qma"'; do
  "$quillmoor" -c ok.qma
  eval "\"$quillmoor\" $command" 2>/dev/null; status=$?
  [ "$status" != 0 ] || fail "$command: status 0"
  grep -q "missing" QMCompile.log || fail "$command: the log names no file: $(cat QMCompile.log)"
done

# A quoted program name with a blank in it is the file without its quotes.
cp ok.qma "my program.qma"
"$quillmoor" -c '"my program.qma"'; check "quoted name: status" 0 $?
check "quoted name: the log" "Compilation Successful. " "$(cat QMCompile.log)"
"$quillmoor" -x "my program.qma" > printed.txt; check "name with a blank: status" 0 $?
check "name with a blank: printed" "1" "$(cat printed.txt)"

# -b and -f: the executable's name quoted or not, read with bounds; a missing one is an error.
while IFS='|' read -r arguments expected built; do
  "$quillmoor" -c ok.qma
  rm -f "$built"
  eval "\"$quillmoor\" $arguments" 2>/dev/null; status=$?
  if [ -n "$built" ]; then
    check "$arguments: status" 0 "$status"
    [ -f "$built" ] || fail "$arguments: no executable $built"
  else
    check "$arguments: status" 2 "$status"
  fi
  [ -z "$expected" ] || check "$arguments: the log" "$expected" "$(cat QMCompile.log)"
done <<'CASES'
-b "game.exe" ok.qma||game.exe
-f game ok.qma||game
-b '"my game.exe"' ok.qma||my game.exe
-b '"game.exe'|-b: the executable's name has no closing double quote|
-f|-f needs the name of the executable to build|
-b '""' ok.qma|-b needs the name of the executable to build|
CASES

# The language file: missing (10008) or older than its last ERRORS key 237 (10011).
mkdir missing old
cp "$quillmoor" missing/ && cp "$quillmoor" old/ && cp -r "$lang" old/lang
for words in old/lang/*/WORDS.TXT; do
  awk '/^\[/ { section = substr($0, 1, 8) } section == "[ERRORS]" && /^(23[7-9]|2[4-9][0-9])=/ { next } { print }' \
    "$words" > words.tmp && mv words.tmp "$words"
done
while IFS='|' read -r folder expected; do
  "$quillmoor" -c ok.qma
  "$folder/quillmoor" -c ok.qma 2> errors.txt; check "$folder: status" 2 $?
  check "$folder: the message" "Error In Program: $expected" "$(cat errors.txt)"
  check "$folder: the log" "$expected" "$(cat QMCompile.log)"
done <<'CASES'
missing|System Error : Language not found. 
old|System Error : Language file not updated. 
CASES

# Two instances at once: the second is "Quillmoor Editor 2" and works in its own folder (the
# editor's run of a program saves it into the work folder first).
printf 'do\r\nsync\r\nloop\r\n' > endless.qma
title_held() {
  local lock="$XDG_DATA_HOME/quillmoor/windows/window-titles/$1.lock"
  [ -e "$lock" ] && ! flock -n "$lock" true 2>/dev/null
}
"$quillmoor" endless.qma > /dev/null 2>&1 & pids+=($!)
# A busy machine may take a while to start them: wait for each as long as a minute.
for _ in $(seq 600); do title_held "Quillmoor%20Editor" && ls -d "$TMPDIR"/quillmoor-"${pids[0]}"-* > /dev/null 2>&1 && break; sleep 0.1; done
"$quillmoor" endless.qma > /dev/null 2>&1 & pids+=($!)
for _ in $(seq 600); do title_held "Quillmoor%20Editor%202" && ls -d "$TMPDIR"/quillmoor-"${pids[1]}"-* > /dev/null 2>&1 && break; sleep 0.1; done
title_held "Quillmoor%20Editor" || fail "the first instance holds no title"
title_held "Quillmoor%20Editor%202" || fail "the second instance does not hold \"Quillmoor Editor 2\""
title_held "Quillmoor%20Editor%203" && fail "a third title is held by two instances"
first=$(ls -d "$TMPDIR"/quillmoor-"${pids[0]}"-* 2>/dev/null)
second=$(ls -d "$TMPDIR"/quillmoor-"${pids[1]}"-* 2>/dev/null)
[ -n "$first" ] && [ -n "$second" ] && [ "$first" != "$second" ] || fail "the instances share a work folder: [$first] [$second]"

echo "$((failures == 0 ? 1 : 0)) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" = 0 ]
