#!/usr/bin/env bash
# The command-id generator: the naming rule on a small command set, and a refusal (non-zero exit,
# no header) when two rows would get one constant name.
set -u
generator="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
expect_line() {  # a line the generated header must hold
  grep -qxF "$1" "$work/ids.h" || { echo "FAIL: missing: $1"; failures=1; }
}

printf '%s\r\n' '; Command Set Database V111' 'LOAD BITMAP%1002%SL' 'LOAD BITMAP%1003%S' \
  'CHR$[%209%SL' '+[%81%LLL' '=%151%LL' '@[%661%LLL' 'ENDFUNCTION%22%0' 'ENDFUNCTION%23%L' \
  '#INCLUDE%308%E' '`%246%E' 'POSITION MOUSE%246%LL' 'READ%33%L' 'READ[%9999%LL' > "$work/good.txt"
if "$generator" "$work/good.txt" "$work/ids.h"; then
  expect_line 'inline constexpr int32_t kCmdLoadBitmapSL = 1002;  // LOAD BITMAP SL'
  expect_line 'inline constexpr int32_t kCmdLoadBitmapS = 1003;  // LOAD BITMAP S'
  expect_line 'inline constexpr int32_t kCmdChrStr = 209;  // CHR$ SL'
  expect_line 'inline constexpr int32_t kOpAddLLL = 81;  // + LLL'
  expect_line 'inline constexpr int32_t kOpAssignLL = 151;  // = LL'
  expect_line 'inline constexpr int32_t kOpArrayGetLLL = 661;  // @ LLL'
  expect_line 'inline constexpr int32_t kCmdEndfunction = 22;  // ENDFUNCTION 0'
  expect_line 'inline constexpr int32_t kCmdEndfunctionL = 23;  // ENDFUNCTION L'
  expect_line 'inline constexpr int32_t kCmdHashInclude = 308;  // #INCLUDE E'
  expect_line 'inline constexpr int32_t kCmdBackquote = 246;  // ` E'
  expect_line 'inline constexpr int32_t kCmdPositionMouse = 246;  // POSITION MOUSE LL'
  expect_line 'inline constexpr int32_t kCmdReadL = 33;  // READ L'
  expect_line 'inline constexpr int32_t kCmdReadLL = 9999;  // READ LL'
else
  echo "FAIL: the generator refused a valid command set"; failures=1
fi

for bad in 'X$%1%L|X STR%2%L' 'A%1%L|A%2%L' 'NO PERCENT' 'Q~%1%L' 'A%x%L'; do
  { echo '; Command Set Database V111'; tr '|' '\n' <<< "$bad"; } > "$work/bad.txt"
  if "$generator" "$work/bad.txt" "$work/bad.h" 2>/dev/null || [ -e "$work/bad.h" ]; then
    echo "FAIL: accepted: $bad"; failures=1
  fi
done

if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
