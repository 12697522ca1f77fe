# The shared start of the tests that drive a program in a real window on a virtual X display.
# Sourced after `set -u`; the script's own arguments go to run_under_xvfb.

# Reports the test as skipped (status 77), never as passed, when a tool it needs is missing
# (scripts/setup_tests.sh installs them).
needs_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
}

# Runs the script again on a 640x480 virtual display, once; there, the runs open their windows
# although the test suite runs headless.
run_under_xvfb() {
  if [ -z "${QM_UNDER_XVFB:-}" ]; then
    QM_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
  fi
  unset QUILLMOOR_HEADLESS
}

failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
