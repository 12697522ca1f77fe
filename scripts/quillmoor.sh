#!/usr/bin/env bash
# Installs what building and running need when missing, builds Quillmoor and starts it with the
# given arguments (a .qma file compiles and runs it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --run-only >/dev/null
exec "${QM_BUILD_DIR:-$root/build}/quillmoor" "$@"
