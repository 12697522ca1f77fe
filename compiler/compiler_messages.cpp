// Compiler error texts from the language file, with built-in English fallbacks.
#include "compiler/compiler_messages.h"

#include "runtime/language_words.h"

namespace qm {

namespace {

struct DefaultMessage {
  int32_t number;
  const char* text;
};

// English texts for a language file that lacks a word. Numbers 6-8, 12, 13, 45 and 47 are words
// that other messages are built from.
constexpr DefaultMessage kDefaultMessages[] = {
    {1, "Too many integer variables"},
    {2, "Too many float variables"},
    {3, "Too many string variables"},
    {4, "Too many labels"},
    {5, "Too many functions"},
    {6, "integer"},
    {7, "float"},
    {8, "string"},
    {9, "Command"},
    {10, "not recognised"},
    {11, "Parameter mismatch:"},
    {12, "expects"},
    {13, "no parameters"},
    {14, "types of the assignment do not match"},
    {15, "types of the array assignment do not match"},
    {16, "array index types do not match"},
    {17, "Function parameters do not match"},
    {18, "Too many integer numbers"},
    {19, "Too many float numbers"},
    {20, "String too long"},
    {21, "Too many strings"},
    {22, "Could not understand expression"},
    {23, "Brackets do not match"},
    {24, "Label name not valid"},
    {25, "Too many parameters"},
    {26, "Label defined more than once"},
    {27, "Function defined more than once"},
    {28, "Function parameter is not a variable name"},
    {29, "Could not understand command"},
    {30, "IF THEN statement not valid"},
    {31, "FOR statement not valid"},
    {32, "DIM statement not valid"},
    {33, "Label table full"},
    {34, "Program structure not valid"},
    {35, "Too many DATA items"},
    {36, "DATA item not valid"},
    {37, "Parameter mismatch:"},
    {38, "FUNCTION declaration not valid"},
    {39, "ENDFUNCTION value has no type"},
    {40, "ENDFUNCTION without FUNCTION"},
    {41, "Line too long"},
    {42, "Too many include files"},
    {43, "Line too long"},
    {44, "Error in include file"},
    {45, "in"},
    {47, "at line"},
    {48, "Label not found"},
    {49, "Array not declared with DIM"},
    {50, "Program structure not closed"},
    {51, "SELECT statement not valid"},
    {52, "CASE after CASE DEFAULT"},
    {55, "Statement too complex"},
    {56, "Cannot open file"},
    {57, "Number too large"},
    {58, "Not allowed at the command line"},
    {59, "No room left for the command line"},
    {60, "Blocks nested too deeply (at most 1,023)"},
    {61, "Too many EXIT commands in one loop (at most 32)"},
    {62, "Program too large"},
};

}  // namespace

const char* DefaultCompilerMessage(int32_t number) {
  for (const DefaultMessage& message : kDefaultMessages) {
    if (message.number == number) return message.text;
  }
  return "";
}

std::string CompilerMessage(int32_t number) {
  const std::string& word = GetWord(WordSection::Compiler, number);
  if (!word.empty()) return word;
  const char* fallback = DefaultCompilerMessage(number);
  if (*fallback != '\0') return fallback;
  return "Compile error " + std::to_string(number);
}

}  // namespace qm
