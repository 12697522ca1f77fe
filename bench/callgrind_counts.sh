#!/bin/bash
# Instructions the interpreter executes per command and per workload step, counted by callgrind
# (repeatable, unlike wall times): the five whole-program benchmarks run once each with
# collection on inside ExecuteSlice only.
#   bench/callgrind_counts.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: callgrind_counts.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# benchmark, its argument's steps (loop passes, or calls for Fibonacci), what a step is
steps=("IntegerLoop 1000000 pass" "FloatMaths 1000000 pass" "Fibonacci 242785 call"
       "ArrayFillAndSum 2000000 pass" "StringBuilding 1000 repetition")

printf '%-16s %14s %10s %12s\n' benchmark instructions per-cmd per-step
for entry in "${steps[@]}"; do
  read -r name count what <<< "$entry"
  valgrind --tool=callgrind --callgrind-out-file="$work/$name.cg" --toggle-collect='qm::ExecuteSlice()' \
    "$build/bench/bench_foundation_programs" --benchmark_filter="^$name/" --benchmark_min_time=0 \
    --benchmark_format=json > "$work/$name.json" 2> "$work/$name.err"
  ir=$(grep -o 'Collected : [0-9]*' "$work/$name.err" | awk '{ print $3 }')
  # commands per run = commands/s x seconds per run (one run)
  commands=$(python3 - "$work/$name.json" <<'PY'
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
seconds = b["cpu_time"] / {"ns": 1e9, "us": 1e6, "ms": 1e3, "s": 1}[b["time_unit"]]
print(round(b["commands/s"] * seconds / b["iterations"]))
PY
)
  printf '%-16s %14d %10.1f %12.1f  (per %s; %d commands)\n' "$name" "$ir" \
    "$(echo "$ir / $commands" | bc -l)" "$(echo "$ir / $count" | bc -l)" "$what" "$commands"
done
