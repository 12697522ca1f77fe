// What the program-image loader reads of a compiled program. The compiler's Parser implements
// this view; the runtime never links the compiler, so the stand-alone runtime fills it from a
// compiled program file instead, and tests fill it with a small builder.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/value_cell.h"

namespace qm {

// The most program words a program may have: the compiler refuses to grow beyond it and the
// loader refuses a larger image (a program this large is a mistake or an attack, and its blocks
// would take gigabytes).
inline constexpr int32_t kMaxProgramWords = 1 << 26;

// The compiler's counters at one moment. A compiled piece lies between two snapshots.
struct CompileCounters {
  int32_t nextIntLiteral = 19000;
  int32_t nextFloatLiteral = 21000;
  int32_t nextStringLiteral = 23000;
  int32_t nextData = 25000;
  int32_t nextIntVariable = 13000;
  int32_t nextFloatVariable = 15000;
  int32_t nextStringVariable = 17000;
  int32_t nextLabel = 35000;
  int32_t nextUserFunction = 0;
  int32_t labelReferences = 0;
  int32_t dimEntries = 0;
  int32_t intVariableEntries = 0;
  int32_t floatVariableEntries = 0;
  int32_t stringVariableEntries = 0;
  int32_t labelDefinitions = 0;
  int32_t userFunctions = 0;
  int32_t blockDepth = 0;
  int32_t openBlocks = 0;
  int32_t programWrite = 0;  // word index of the next program word
  int32_t lineWrite = 0;     // word index of the next line word
  int32_t commandsEmitted = 0;
  int32_t wordsEmitted = 0;
  int32_t currentLine = 1;
  std::array<int32_t, 2000> labelReferenceCounts{};
};

enum class ValueType : uint8_t { Integer = 0, Float = 1, String = 2 };

class ParsedProgram {
 public:
  virtual ~ParsedProgram() = default;

  // Program words (compiled operand numbers, not yet resolved) and the source line of each word;
  // both hold ProgramCapacity() words.
  virtual const int32_t* ProgramWords() const = 0;
  virtual const int32_t* LineWords() const = 0;
  virtual int32_t ProgramCapacity() const = 0;

  // The value of a literal or DATA item (operand numbers 19000-34999). String values point at
  // texts the compiler owns; the loader copies them.
  virtual ValueCell LiteralValue(int32_t operandNumber) const = 0;
  // 'l', 'f' or 's' for DATA item `item` (0-9999).
  virtual char DataTypeLetter(int32_t item) const = 0;
  // The ScopeNumber of variable `index` (0-1999) of a type: 0 main program, n+1 user function n.
  virtual int16_t VariableScope(ValueType type, int32_t index) const = 0;

  virtual const CompileCounters& ProgramStartCounters() const = 0;
  virtual const CompileCounters& ProgramEndCounters() const = 0;
  virtual const CompileCounters& PieceStartCounters() const = 0;
  virtual const CompileCounters& PieceEndCounters() const = 0;
};

}  // namespace qm
