// The compiler's error texts: the COMPILER words of the interface language file, by number.
// A word missing from the file falls back to a built-in English text, so a failed compile never
// ends with an empty error text (which would read as success).
#pragma once
#include <cstdint>
#include <string>

namespace qm {

// Message numbers (keys of section COMPILER). Numbers 1-54 are the language's own; 55-62 name
// failures that the compiler refuses where a bare limit would otherwise overflow or mislead.
enum CompilerMessageNumber : int32_t {
  kMsgTooManyIntegerVariables = 1,
  kMsgTooManyFloatVariables = 2,
  kMsgTooManyStringVariables = 3,
  kMsgTooManyLabels = 4,
  kMsgTooManyFunctions = 5,
  kMsgWordInteger = 6,
  kMsgWordFloat = 7,
  kMsgWordString = 8,
  kMsgUnknownCommandBefore = 9,  // 9, the name, 10
  kMsgUnknownCommandAfter = 10,
  kMsgValueCommandMismatch = 11,
  kMsgWordExpects = 12,
  kMsgWordNoParameters = 13,
  kMsgAssignmentMismatch = 14,
  kMsgArrayAssignmentMismatch = 15,
  kMsgArrayReadMismatch = 16,
  kMsgFunctionArgumentTypes = 17,
  kMsgTooManyIntegerLiterals = 18,
  kMsgTooManyFloatLiterals = 19,
  kMsgStringLiteralTooLong = 20,
  kMsgTooManyStringLiterals = 21,
  kMsgBadExpression = 22,
  kMsgUnbalancedBrackets = 23,
  kMsgBadLabelName = 24,
  kMsgTooManyParameters = 25,
  kMsgLabelDefinedTwice = 26,
  kMsgFunctionDefinedTwice = 27,
  kMsgBadFunctionParameter = 28,
  kMsgUnknownStatement = 29,
  kMsgBadIfThen = 30,
  kMsgBadFor = 31,
  kMsgBadDim = 32,
  kMsgLabelTableFull = 33,
  kMsgBlockStructure = 34,
  kMsgTooManyDataItems = 35,
  kMsgBadDataItem = 36,
  kMsgStatementMismatch = 37,
  kMsgBadFunctionHeader = 38,
  kMsgEndFunctionNoType = 39,
  kMsgEndFunctionOutside = 40,
  kMsgLineTooLongInMerge = 41,
  kMsgTooManyIncludeFiles = 42,
  kMsgLineTooLong = 43,
  kMsgErrorInIncludeFile = 44,
  kMsgWordIn = 45,
  kMsgWordAtLine = 47,
  kMsgUndefinedLabel = 48,
  kMsgArrayNotDeclared = 49,
  kMsgBlockStillOpen = 50,
  kMsgBadSelect = 51,
  kMsgCaseAfterDefault = 52,
  kMsgTooManyTemporaries = 55,
  kMsgCannotOpenFile = 56,
  kMsgIntegerTooLarge = 57,
  kMsgNotAtCommandLine = 58,
  kMsgCommandLineTooLarge = 59,
  kMsgBlocksTooDeep = 60,
  kMsgTooManyExits = 61,
  kMsgProgramTooLarge = 62,
};

// The text of COMPILER word `number`, or the built-in English text when the language file has
// none. Never empty for the numbers above.
std::string CompilerMessage(int32_t number);

// The built-in English text of a message (empty for numbers without one).
const char* DefaultCompilerMessage(int32_t number);

}  // namespace qm
