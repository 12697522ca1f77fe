#!/usr/bin/env bash
# Installs what building and running need plus what the tests, the benchmarks, the fuzzer and
# the CI checks need, when missing (one package-list update at most).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev  # the test and benchmark frameworks
  clang libclang-rt-14-dev                    # the fuzzers (libFuzzer)
  clang-format                                # the formatting check
  xvfb xauth x11-apps xdotool                 # a virtual display and typing for the window tests
  imagemagick netpbm ffmpeg                   # test images and media made at test time
  fonts-dejavu-core fonts-liberation2         # fonts for the text-drawing tests
  lua5.4 valgrind python3                     # benchmarks side by side and instruction counts
)

exec "$root/scripts/setup.sh" "${test_packages[@]}"
