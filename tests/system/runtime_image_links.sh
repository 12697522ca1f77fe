#!/usr/bin/env bash
# The stand-alone runtime carries the runtime and its commands but no compiler and no editor.
set -u
runtime="$1"
symbols="$(nm -C "$runtime")"
failures=0
grep -q "qm::ExecuteSlice" <<< "$symbols" || { echo "FAIL: the interpreter is missing"; failures=1; }
grep -q "qm::kRuntimeSubsystem" <<< "$symbols" || { echo "FAIL: the runtime subsystem is missing"; failures=1; }
forbidden="$(grep -E "qm::Parser|qm::CreateParserDatabase|qm::MakeStatementCompiler|qm::RunEditorSession|qm::InstallEditorStandIn|qm::kCompilerSubsystem" <<< "$symbols")"
[ -z "$forbidden" ] || { echo "FAIL: compiler or editor code linked:"; echo "$forbidden" | head; failures=1; }
"$runtime" 2>/dev/null
[ $? -eq 2 ] || { echo "FAIL: without a pack the runtime must refuse with status 2"; failures=1; }
if [ "$failures" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
