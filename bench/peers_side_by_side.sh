#!/bin/bash
# CPU time of the five peer workloads (../shared/bench-peers): Quillmoor beside Lua 5.4, and beside
# brandy and yabasic when they are installed, interleaved in one run on one machine.
#   bench/peers_side_by_side.sh BUILD_DIR [ROUNDS] [STARTS]
# (BENCH_PEERS names the workloads' folder when it is not ../shared/bench-peers beside the checkout.)
# Every round runs each workload once on each peer, so all peers see the same machine load. Each
# run's result is checked (a wrong result stops the script), then the script prints per workload
# the median CPU seconds (user + system) of ROUNDS runs (5 by default) and each peer's ratio to Lua.
#
# The Quillmoor programs run unchanged through `quillmoor -x` headless, which writes what they print
# to standard output: the result, then the milliseconds of the timed part.
#
# After the table, the start-up of an empty program: `quillmoor -x` of a one-line REM program,
# headless, beside `lua5.4 -e ''`, each run STARTS times (21 by default), interleaved; the median
# wall and CPU milliseconds of each.
set -euo pipefail
build=${1:?usage: peers_side_by_side.sh BUILD_DIR [ROUNDS]}
rounds=${2:-5}
starts=${3:-21}
peers=$(cd "${BENCH_PEERS:-$(dirname "$0")/../../shared/bench-peers}" && pwd)
quillmoor=$(cd "$build" && pwd)/quillmoor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"  # quillmoor -x writes its QMCompile.log here

workloads=(intloop floatmath fib arrays strings)
# What each peer prints (single-precision floats make Quillmoor's floatmath differ).
declare -A printed=([intloop]=250493 [floatmath]=469496.634419 [fib]=7856720 [arrays]=577435
                    [strings]=211441)
declare -A qmPrinted=([intloop]=250493 [floatmath]=469512 [fib]=7856720 [arrays]=577435 [strings]=211441)

# The peers present, with the command that runs a workload (its name is appended).
names=(lua5.4 quillmoor)
declare -A runner=([lua5.4]="lua5.4 $peers/lua/%s.lua"
                   [quillmoor]="env QUILLMOOR_HEADLESS=1 $quillmoor -x $peers/qm/%s.qma")
if command -v brandy > /dev/null; then
  names+=(brandy)
  runner[brandy]="env SDL_VIDEODRIVER=dummy brandy -quit $peers/bbc/%s.bbc"
fi
if command -v yabasic > /dev/null; then
  names+=(yabasic)
  runner[yabasic]="yabasic $peers/yab/%s.yab"
fi

# Runs a command, checks that its output holds the expected result, and prints its CPU seconds.
cpu_seconds() {  # expected-word command...
  python3 - "$@" <<'PY'
import os, re, subprocess, sys
expected, command = sys.argv[1], sys.argv[2:]
before = os.times()
done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
after = os.times()
output = done.stdout.decode(errors="replace")
if done.returncode != 0 or not re.search(r"(^|\s)" + re.escape(expected) + r"(\s|$)", output):
    sys.exit(f"{' '.join(command)}: no '{expected}' in its output:\n{output}")
print(f"{(after.children_user - before.children_user) + (after.children_system - before.children_system):.4f}")
PY
}

declare -A times
for ((r = 0; r < rounds; ++r)); do
  for name in "${workloads[@]}"; do
    for peer in "${names[@]}"; do
      expected=${printed[$name]}
      [[ $peer == quillmoor ]] && expected=${qmPrinted[$name]}
      # shellcheck disable=SC2086,SC2059  # the runner is a command line with a %s for the name
      times[$peer.$name]+="$(cpu_seconds "$expected" $(printf "${runner[$peer]}" "$name")) "
    done
  done
done

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-10s' workload
for peer in "${names[@]}"; do printf ' %10s' "$peer"; done
for peer in "${names[@]:1}"; do printf ' %10s' "$peer/lua"; done
printf '\n'
for name in "${workloads[@]}"; do
  printf '%-10s' "$name"
  declare -A med=()
  for peer in "${names[@]}"; do
    med[$peer]=$(echo "${times[$peer.$name]}" | median)
    printf ' %10.3f' "${med[$peer]}"
  done
  for peer in "${names[@]:1}"; do printf ' %10.2f' "$(echo "${med[$peer]} / ${med[lua5.4]}" | bc -l)"; done
  printf '\n'
done
echo "(median CPU seconds of $rounds runs, user + system)"

# Start-up of an empty program beside Lua's, interleaved run by run.
printf 'REM empty\r\n' > empty.qma
python3 - "$starts" <<PY
import os, statistics, subprocess, sys, time
starts = int(sys.argv[1])
commands = {"quillmoor": ["$quillmoor", "-x", "empty.qma"], "lua5.4": ["lua5.4", "-e", ""]}
environment = dict(os.environ, QUILLMOOR_HEADLESS="1")
wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}
for _ in range(starts):
    for name, command in commands.items():
        start = time.perf_counter()
        child = subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(child.pid, 0)  # the child's own CPU time, to the microsecond
        end = time.perf_counter()
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            sys.exit(f"{' '.join(command)}: status {child.returncode}")
        wall[name].append((end - start) * 1000)
        cpu[name].append((usage.ru_utime + usage.ru_stime) * 1000)
print()
print(f"{'start-up':<10} {'wall ms':>10} {'CPU ms':>10}")
for name in commands:
    print(f"{name:<10} {statistics.median(wall[name]):10.1f} {statistics.median(cpu[name]):10.1f}")
print(f"(median of {starts} starts of an empty program, interleaved; quillmoor -x headless, lua5.4 -e '')")
PY
