#!/bin/bash
# Wall time of the five peer workloads, Quillmoor beside Lua 5.4, in one run on one machine.
# Each Quillmoor program runs through qmtest (compile and run headless, result checked): the
# SYNC ON, TIMER and PRINT lines are taken out and the expected result becomes an expectation.
#   bench/peers_side_by_side.sh BUILD_DIR [ROUNDS]
# Prints per workload the median wall seconds of ROUNDS runs (5 by default), alternating peers.
set -euo pipefail
build=${1:?usage: peers_side_by_side.sh BUILD_DIR [ROUNDS]}
rounds=${2:-5}
peers=$(cd "$(dirname "$0")/../../shared/bench-peers" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A result=([intloop]="sum = 250493" [floatmath]="acc# = 469512" [fib]="total = 7856720"
                   [arrays]="s = 577435" [strings]="t = 211441")

for name in intloop floatmath fib arrays strings; do
  grep -viE '^(sync on|print )|timer\(\)' "$peers/qm/$name.qma" > "$work/$name.qma"
  printf 'REM EXPECT %s\nREM LIMIT 120\n' "${result[$name]}" >> "$work/$name.qma"
done

seconds() {  # wall seconds of a command, its output thrown away; fails when the command fails
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-10s %10s %10s %8s\n' workload lua5.4 quillmoor ratio
for name in intloop floatmath fib arrays strings; do
  lua=() qm=()
  for ((r = 0; r < rounds; ++r)); do
    lua+=("$(seconds lua5.4 "$peers/lua/$name.lua")")
    qm+=("$(seconds "$build/tools/qmtest" "$work/$name.qma")")
  done
  l=$(printf '%s\n' "${lua[@]}" | median)
  q=$(printf '%s\n' "${qm[@]}" | median)
  printf '%-10s %10.3f %10.3f %8.2f\n' "$name" "$l" "$q" "$(echo "$q / $l" | bc -l)"
done
