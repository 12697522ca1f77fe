#!/usr/bin/env bash
# Configures and builds Quillmoor into build/ (or $QM_BUILD_DIR).
#   scripts/build.sh            everything: the executables, the tests and the benchmarks
#   scripts/build.sh --run-only the two executables (a fresh build directory is configured without
#                               tests and benchmarks, so their packages need not be installed)
# QM_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer; QM_WERROR=1 makes
# compiler warnings errors (CI).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QM_BUILD_DIR:-$root/build}"
on_off() { [ "$1" = "1" ] && echo ON || echo OFF; }
sanitize="${QM_SANITIZE:-0}"

options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DQM_SANITIZE=$(on_off "$sanitize")"
         "-DQM_WERROR=$(on_off "${QM_WERROR:-0}")")
targets=()
if [ "${1:-}" = "--run-only" ]; then
  targets=(--target quillmoor quillmoor-run)
  [ -f "$build/CMakeCache.txt" ] || options+=(-DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF)
else
  bench="ON"
  [ "$sanitize" = "1" ] && bench="OFF"
  options+=(-DQM_BUILD_TESTS=ON "-DQM_BUILD_BENCH=$bench")
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
