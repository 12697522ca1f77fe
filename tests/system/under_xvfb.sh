#!/usr/bin/env bash
# Runs a test program on a virtual X display. Without xvfb-run the test is reported as skipped
# (status 77), never as passed.
set -u
if ! command -v xvfb-run >/dev/null; then
  echo "SKIPPED: xvfb-run is not installed (scripts/setup_tests.sh installs it)"
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
