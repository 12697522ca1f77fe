// The expression compiler: turns one parameter text (numbers, quoted texts, variables, array
// elements, calls of value-returning commands and user functions, joined by operators and
// brackets) into program words that compute its value into temporaries, and gives the operand
// number and type of the result.
//
// The text is read once into its plain brackets. The innermost are compiled first, and each
// bracket's result stands in the text around it as a marker "?" followed by the result's
// operand number. A text without plain brackets is read once into its operators and the operand
// texts between them, and compiled operator level by operator level from those pieces, each
// operator and its two operands becoming the marker of the operator's result, until one operand
// is left.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compile_context.h"
#include "resources/command_ids.h"

namespace qm {

// Conversions between integer and float are the assignments "=" FL and "=" LF.
inline constexpr int32_t kConvertToFloatId = kOpAssignFL;
inline constexpr int32_t kConvertToIntegerId = kOpAssignLF;
// A user-function call is the FUNCTION command with the call's operands.
inline constexpr int32_t kUserFunctionCallId = kCmdFunction;

// An expression text holds at most this many characters, and so does the text with any of its
// brackets replaced by the markers of their results.
inline constexpr std::size_t kMaxExpressionLength = 254;

// Compiles an expression text. True with the result's number and type ('l', 'f', 's'); false
// with type 'x', number -1 and the message in the Parser's errorMessage.
bool CompileExpression(CompileContext& context, std::string_view text, OperandPair& result);

// The same, failure given as type 'x' and number -1.
OperandPair CompileExpressionOrInvalid(CompileContext& context, std::string_view text);

// Compiles a call of user function `function` (its UserFunctionTable index) with the argument
// text between its brackets.
bool CompileUserFunctionCall(CompileContext& context, std::string_view arguments, int32_t function,
                             OperandPair& result);

// A label parameter of GOTO, GOSUB or RESTORE. A text that is no label name gives type 'x' with
// CompilerMessage 24 and true; false only when the label table is full.
bool CompileLabelOperand(CompileContext& context, bool isRestore, std::string_view text, OperandPair& result);

// In the conditions of block statements: "<>" becomes "!", " and " "&" and " or " "|", outside
// double quotes.
void RewriteWordOperators(std::string& text);

// Emits a conversion (kConvertToFloatId or kConvertToIntegerId) of the operand into a fresh
// temporary, which becomes the operand. False when no temporary is left.
bool EmitConversion(CompileContext& context, int32_t commandId, OperandPair& operand);

// The value-returning entry of `name` whose parameter letters fit the types of the list after
// its first (result) pair, 'z' accepting any type; -1 with the mismatch message set.
int32_t FindValueCommandOverload(CompileContext& context, std::string_view name, const OperandList& operands);

// "integer, float, string" for the letters "lfs" (words of CompilerMessage 6, 7 and 8; other
// letters give no word).
std::string DescribeSignature(std::string_view letters);

// The mismatch texts of the three internal commands: CompilerMessage 14 for "=", 15 for "@=",
// 16 for "@". False (nothing added) for any other name.
bool AppendSpecialMismatchText(std::string_view name, std::string& message);

}  // namespace qm
