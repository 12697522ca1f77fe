// The passes of a compile that work on whole tables rather than single statements: the function
// pre-scan before the first statement, and after the last one the label resolution and the check
// that every array was declared by DIM.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compile_context.h"

namespace qm {

// Registers every user function of the MergedText with its parameter letters and result letter,
// so that a call may stand before the function's text. In a whole-program compile, every line of
// the included files outside a function becomes a comment. Returns the merged line count, or -1
// with errorMessage and errorLine set (messages 38-40, 5, 25).
int32_t PrescanFunctions(CompileContext& context, int32_t includeStartLine);

// A FUNCTION header's parts: the name before the first "(" and the parameter text up to the last
// ")", both without surrounding blanks. False for a text that does not begin with "function ".
struct FunctionHeader {
  std::string name;
  std::string parameters;
};
bool ParseFunctionHeader(std::string_view text, FunctionHeader& header);

// Writes every label reference, each by its own kind: a code address (37000 + the definition's
// word) or a DATA position (25000 + the DATA items before the definition). False with
// labelArrayErrorLine set when a label has no definition in the reference's scope.
bool ResolveLabels(Parser& parser);

// False with labelArrayErrorLine set (the line of first use) when an array variable has no DIM
// of the same name in its scope.
bool CheckArraysDeclared(Parser& parser);

}  // namespace qm
