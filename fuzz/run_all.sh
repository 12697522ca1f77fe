#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for TIME_SECONDS, JOBS at a time (default 3),
# from its seed corpus (fuzz/corpus/<target>/; the image readers from files made by
# fuzz/make_image_seeds.sh). A target that finds a fault is started again on what it has learnt
# until its time is up, so each one runs its full time. At the end a table gives each target's
# executions, coverage (cov, ft), corpus size, findings (inputs that crashed, leaked, hung or ran
# out of memory: crash-, leak-, timeout-, oom- files in its artifacts folder) and slow inputs
# (slow-unit- files: over 10 s, not a failure). The exit status is 1 when anything was found.
#
# Usage: fuzz/run_all.sh TIME_SECONDS [JOBS]
# Environment: QM_FUZZ_BUILD_DIR (default build-fuzz), QM_FUZZ_OUT (where corpora, logs and
# findings go; default a new temp folder, kept), QM_FUZZ_TARGETS (space-separated subset),
# QM_FUZZ_NO_BUILD=1 (use the targets already built).
set -euo pipefail
seconds="${1:?usage: fuzz/run_all.sh TIME_SECONDS [JOBS]}"
jobs="${2:-3}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QM_FUZZ_BUILD_DIR:-$root/build-fuzz}"
out="${QM_FUZZ_OUT:-$(mktemp -d /tmp/quillmoor-fuzz.XXXXXX)}"
image_formats="bmp dds jpg png tga tif pcx psd"
all_targets="compile_fuzzer ini_fuzzer words_fuzzer source_fuzzer command_line_fuzzer
  start_args_fuzzer dib_fuzzer pack_fuzzer program_file_fuzzer avi_fuzzer"
for extension in $image_formats; do all_targets+=" image_${extension}_fuzzer"; done
targets="${QM_FUZZ_TARGETS:-$all_targets}"

if [[ "${QM_FUZZ_NO_BUILD:-0}" != 1 ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DQM_FUZZ=ON -DQM_BUILD_TESTS=OFF \
    -DQM_BUILD_BENCH=OFF -DQM_WERROR=ON >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$(nproc)" --target $targets
fi
mkdir -p "$out"
"$root/fuzz/make_image_seeds.sh" "$out/image_seeds" >/dev/null

# The options and seed folders of one target.
target_options() {
  case "$1" in
    compile_fuzzer) echo "-dict=$root/fuzz/basic.dict -max_len=16384 -len_control=0" ;;
    command_line_fuzzer) echo "-dict=$root/fuzz/basic.dict -max_len=4096" ;;
    source_fuzzer) echo "-dict=$root/fuzz/basic.dict -max_len=16384" ;;
    words_fuzzer) echo "-dict=$root/fuzz/ini.dict -max_len=32768" ;;
    ini_fuzzer | start_args_fuzzer) echo "-dict=$root/fuzz/ini.dict -max_len=8192" ;;
    dib_fuzzer | pack_fuzzer) echo "-max_len=4096" ;;
    program_file_fuzzer) echo "-max_len=16384" ;;
    image_* | avi_fuzzer) echo "-max_len=65536" ;;
  esac
}
target_seeds() {
  local seeds=()
  [[ -d "$root/fuzz/corpus/$1" ]] && seeds+=("$root/fuzz/corpus/$1")
  case "$1" in
    dib_fuzzer) seeds+=("$out/image_seeds/bmp") ;;
    avi_fuzzer) seeds+=("$out/image_seeds/avi") ;;
    image_*) seeds+=("$out/image_seeds/$(echo "$1" | sed 's/image_\(.*\)_fuzzer/\1/')") ;;
  esac
  echo "${seeds[@]}"
}

# Runs one target for the whole time, starting it again after a finding.
run_target() {
  local target="$1" folder="$out/$1" started now left round=0
  mkdir -p "$folder/corpus" "$folder/artifacts"
  started=$(date +%s)
  while :; do
    now=$(date +%s)
    left=$((seconds - (now - started)))
    ((left >= 5)) || break
    round=$((round + 1))
    # shellcheck disable=SC2046
    cd "$folder" && QUILLMOOR_HEADLESS=1 ASAN_OPTIONS=detect_leaks=1 \
      LSAN_OPTIONS="suppressions=$root/fuzz/third_party_leaks.supp" "$build/fuzz/$target" \
      -max_total_time="$left" -timeout=25 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$folder/artifacts/" $(target_options "$target") \
      "$folder/corpus" $(target_seeds "$target") >"$folder/log.$round" 2>&1 || true
  done
  echo "$target finished after $round round(s)"
}

# One row of the summary table from a target's logs.
summarise() {
  local target="$1" folder="$out/$1" execs last findings slow
  # Each round's last count (a finding at exit prints the final figures twice).
  execs=$(for log in "$folder"/log.*; do
    sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1
  done | awk '{s += $1} END {print s + 0}')
  last=$(cat "$folder"/log.* 2>/dev/null | grep -E '^#[0-9]+.*cov:' | tail -1)
  findings=$(find "$folder/artifacts" -type f -regex '.*/\(crash\|leak\|timeout\|oom\)-.*' | wc -l)
  slow=$(find "$folder/artifacts" -type f -name 'slow-unit-*' | wc -l)
  printf '%-24s %6s %11s %7s %7s %7s %8s %5s\n' "$target" "${seconds}s" "$execs" \
    "$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')" \
    "$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')" \
    "$(echo "$last" | sed -n 's/.*corp: \([0-9]*\).*/\1/p')" "$findings" "$slow"
}

# The targets' own scratch folders (files written and read for every input) in memory when we can.
[[ -d /dev/shm && -w /dev/shm ]] && export TMPDIR=/dev/shm
export -f run_target target_options target_seeds
export seconds out build root
# shellcheck disable=SC2086
printf '%s\n' $targets | xargs -P "$jobs" -I{} bash -c 'run_target {}'

printf '%-24s %6s %11s %7s %7s %7s %8s %5s\n' target time execs cov ft corpus findings slow
for target in $targets; do summarise "$target"; done
echo "Logs, corpora and findings: $out"
found=$(find "$out" -path '*/artifacts/*' -type f -regex '.*/\(crash\|leak\|timeout\|oom\)-.*')
if [[ -n "$found" ]]; then
  echo "Findings:"
  echo "$found"
  exit 1
fi
