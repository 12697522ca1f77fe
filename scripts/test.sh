#!/usr/bin/env bash
# Installs what building and the tests need when missing, builds Quillmoor and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup_tests.sh"
"$root/scripts/build.sh"
build="${QM_BUILD_DIR:-$root/build}"
cd "$build"
QUILLMOOR_HEADLESS=1 ctest --output-on-failure -j "$(nproc)"
