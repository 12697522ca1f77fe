// Compound statements: the forms without a command of their own. The one-line IF ... THEN ...
// ELSE, FOR ... TO ... STEP, DIM of an array, and SELECT with CASE, CASE DEFAULT, ENDCASE and
// ENDSELECT are rewritten into ordinary statements (IF blocks, assignments, the FOR and DIM
// commands), which are compiled through the statement compiler again. Each works on the words
// the statement identification left in the Parser's statementWords.
#pragma once
#include <string>

#include "compiler/compile_context.h"

namespace qm {

// The integer variable that records whether a CASE of the open SELECT has matched.
inline constexpr std::string_view kCaseMatchedVariable = "welldoneifyoufindthistempvarvek";
// The integer variable that collects the test of a CASE with more values than one expression
// holds.
inline constexpr std::string_view kCaseHitVariable = "0casehit";

// "if c then s1 else s2": IF c, s1, ELSE, s2, ENDIF. Takes the whole line.
bool CompileIfThenLine(CompileContext& context);
// "for v = a to b step s": the assignment v = (a)-(s), then FOR v, b, s. The rest of the line
// after a colon goes to `remainder`.
bool CompileForStatement(CompileContext& context, std::string& remainder);
// "dim name(d1, d2)": the DIM command with the array and its dimensions, recorded in the DimTable.
bool CompileDimArray(CompileContext& context, std::string& remainder);

// SELECT evaluates its expression once into a hidden variable; every CASE is an IF block over it.
bool CompileSelect(CompileContext& context, std::string& remainder);
bool CompileCase(CompileContext& context, std::string& remainder);
bool CompileEndCase(CompileContext& context, std::string& remainder);
bool CompileEndSelect(CompileContext& context, std::string& remainder);

}  // namespace qm
