#!/usr/bin/env bash
# quillmoor's private work folder ("quillmoor-<pid>-XXXXXX" in $TMPDIR): made when a work file is
# first needed (the editor's copy of the program; a compile or run of a named file needs none),
# gone after a normal end, after SIGTERM, SIGHUP or SIGINT in the middle of a run, and the folders
# that ended instances left behind (an abort, a kill) are removed when the next one is made, while
# a running instance's stay.
set -u
quillmoor="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir tmp
export TMPDIR="$work/tmp" QUILLMOOR_HEADLESS=1
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
folders_of() { ls -d "$TMPDIR"/quillmoor-"$1"-* 2>/dev/null; }

printf 'x = 1\r\n' > good.qma
printf 'do\r\nx = x + 1\r\nloop\r\n' > endless.qma

"$quillmoor" -c good.qma || fail "-c good.qma: status $?"
"$quillmoor" -x good.qma || fail "-x good.qma: status $?"
"$quillmoor" good.qma || fail "the editor's run of good.qma: status $?"
[ -z "$(ls "$TMPDIR")" ] || fail "a normal end leaves: $(ls "$TMPDIR")"

# Job control gives the background run the default SIGINT, as a terminal's Ctrl-C finds it. The
# editor (its stand-in, headless) saves the program into its work file before it runs it.
set -m
for signal in TERM HUP INT; do
  "$quillmoor" endless.qma > /dev/null 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -n "$(folders_of $pid)" ] && break; sleep 0.05; done
  [ -n "$(folders_of $pid)" ] || fail "SIG$signal: the run made no work folder"
  kill -s "$signal" "$pid"
  wait "$pid" 2>/dev/null
  [ -z "$(folders_of $pid)" ] || fail "SIG$signal leaves $(folders_of $pid)"
done
set +m

# A folder of an instance that no longer runs goes when the next one is made; one of a running
# process, another name, or a link stay.
sleep 0 & ended=$!
wait "$ended"
mkdir -p "$TMPDIR/quillmoor-$ended-abcdef/inner" && touch "$TMPDIR/quillmoor-$ended-abcdef/inner/work.tmp"
mkdir "$TMPDIR/quillmoor-$$-abcdef" "$TMPDIR/other-$ended-abcdef"
ln -s "$work" "$TMPDIR/quillmoor-$ended-link"
"$quillmoor" good.qma || fail "a run after a crash: status $?"
[ ! -e "$TMPDIR/quillmoor-$ended-abcdef" ] || fail "the ended instance's folder stays"
[ -d "$TMPDIR/quillmoor-$$-abcdef" ] || fail "a running instance's folder was removed"
[ -d "$TMPDIR/other-$ended-abcdef" ] || fail "a folder of another name was removed"
[ -L "$TMPDIR/quillmoor-$ended-link" ] || fail "a link was removed"
[ -e good.qma ] || fail "the link was followed"

if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
