// A compiled program made by hand, for tests: a ParsedProgram whose words, literals, DATA items
// and variables a test appends one by one, with the compiler's counters kept as the compiler
// would keep them. Load it with CreateQuillmoorBlocksFromParser (and, for a command-line piece,
// AppendCliLineToRunner).
//
//   ImageBuilder b;
//   int32_t a = b.IntVariable();
//   b.Command(kOpAddLLL, {a, a, b.IntLiteral(1)});
//   b.Command(kCmdGoto, {ImageBuilder::WordAddress(0)});
//   b.EndProgram();
//   ASSERT_TRUE(CreateQuillmoorBlocksFromParser(b));
#pragma once
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "runtime/operand_numbers.h"
#include "runtime/parsed_program.h"

namespace qm::test {

class ImageBuilder final : public ParsedProgram {
 public:
  explicit ImageBuilder(int32_t capacity = 256);

  // ---- Operand numbers ----
  static constexpr int32_t IntTemp(int32_t n) { return kIntTemporaries + n; }
  static constexpr int32_t FloatTemp(int32_t n) { return kFloatTemporaries + n; }
  static constexpr int32_t StringTemp(int32_t n) { return kStringTemporaries + n; }
  static constexpr int32_t WordAddress(int32_t index) { return kWordAddresses + index; }
  static constexpr int32_t DataOperand(int32_t item) { return kDataItems + item; }

  // A new variable of the type, owned by `scope` (0 main program, n+1 user function n).
  int32_t IntVariable(int16_t scope = 0);
  int32_t FloatVariable(int16_t scope = 0);
  int32_t StringVariable(int16_t scope = 0);

  // A new literal with its value.
  int32_t IntLiteral(int32_t value);
  int32_t FloatLiteral(float value);
  int32_t StringLiteral(const std::string& text);

  // A new DATA item; returns its operand number (25000 + item).
  int32_t DataInt(int32_t value);
  int32_t DataFloat(float value);
  int32_t DataString(const std::string& text);

  // ---- Program words ----
  // The index the next word gets.
  int32_t Here() const { return counters_.programWrite; }
  // Appends one word (with the current line); returns its index.
  int32_t Emit(int32_t word);
  // Appends a command id and its operands; returns the index of the id word.
  int32_t Command(int32_t id, std::initializer_list<int32_t> operands = {});
  // Overwrites a word already emitted (forward jumps).
  void Patch(int32_t index, int32_t word);
  // The source line that the following words carry.
  void SetLine(int32_t line) { line_ = line; }

  // ---- Pieces ----
  // Ends the whole program: its end counters are taken now.
  void EndProgram();
  // Starts a command-line piece: like the compiler, it writes from the program's end (over any
  // earlier piece) while literals, DATA items and variables go on numbering.
  void BeginCliPiece();
  void EndCliPiece();

  // Makes ProgramCapacity() report `capacity` while the words written stay (to build a piece
  // that does not fit the image).
  void DeclareCapacity(int32_t capacity) { declaredCapacity_ = capacity; }

  // ---- ParsedProgram ----
  const int32_t* ProgramWords() const override { return words_.data(); }
  const int32_t* LineWords() const override { return lines_.data(); }
  int32_t ProgramCapacity() const override { return declaredCapacity_; }
  ValueCell LiteralValue(int32_t operandNumber) const override;
  char DataTypeLetter(int32_t item) const override;
  int16_t VariableScope(ValueType type, int32_t index) const override;
  const CompileCounters& ProgramStartCounters() const override { return programStart_; }
  const CompileCounters& ProgramEndCounters() const override { return programEnd_; }
  const CompileCounters& PieceStartCounters() const override { return pieceStart_; }
  const CompileCounters& PieceEndCounters() const override { return pieceEnd_; }

  // The counters as they stand now.
  const CompileCounters& Counters() const { return counters_; }

 private:
  void EnsureWordStorage(int32_t size);
  int32_t NewVariable(int32_t& next, ValueType type, int16_t scope, int32_t& entries);
  int32_t NewData(char letter, ValueCell value);

  int32_t declaredCapacity_;
  int32_t line_ = 1;
  std::vector<int32_t> words_;
  std::vector<int32_t> lines_;
  std::map<int32_t, ValueCell> values_;  // literal and DATA values by operand number
  std::deque<std::string> texts_;        // owns the texts that values_ point at
  std::vector<char> dataLetters_;
  std::vector<int16_t> scopes_[3];
  CompileCounters counters_;
  CompileCounters programStart_;
  CompileCounters programEnd_;
  CompileCounters pieceStart_;
  CompileCounters pieceEnd_;
};

}  // namespace qm::test
