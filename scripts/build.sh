#!/usr/bin/env bash
# Configures and builds Quillmoor into build/ (or $QM_BUILD_DIR).
# QM_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QM_BUILD_DIR:-$root/build}"
sanitize="${QM_SANITIZE:-0}"
bench="ON"
[ "$sanitize" = "1" ] && bench="OFF"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQM_SANITIZE=$([ "$sanitize" = "1" ] && echo ON || echo OFF) -DQM_BUILD_BENCH=$bench >/dev/null
cmake --build "$build" -j "$(nproc)"
