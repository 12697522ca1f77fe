#!/usr/bin/env bash
# Fails when any C or C++ file in the repository differs from what clang-format makes of it with
# the repository's .clang-format, and lists the files. Fix them with `clang-format -i FILE...`.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
formatter="${CLANG_FORMAT:-clang-format}"
command -v "$formatter" >/dev/null || { echo "check_format: $formatter is not installed" >&2; exit 2; }

mapfile -t files < <(git ls-files -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
# One formatter run per batch of files, several at once; each difference is reported as
# "FILE:LINE:COL: error: code should be clang-formatted".
report="$(printf '%s\0' "${files[@]}" | xargs -0 -n 16 -P 4 "$formatter" --dry-run --Werror 2>&1 || true)"
mapfile -t unformatted < <(grep -oP '^[^:]+(?=:[0-9]+:[0-9]+: (error|warning): code should be clang-formatted)' \
                             <<< "$report" | sort -u)
if [ ${#unformatted[@]} -eq 0 ] && grep -q . <<< "$report"; then
  echo "check_format: $formatter failed:" >&2
  echo "$report" >&2
  exit 2
fi

if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check_format: these files differ from the .clang-format layout:" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  echo "run: clang-format -i ${unformatted[*]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"
