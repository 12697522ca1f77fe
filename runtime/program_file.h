// The compiled program file: a compiled program in a file of its own, what the program-image
// loader would otherwise take from the open compiler. The executable builder packs it as the first
// entry of every stand-alone executable; the stand-alone runtime reads it back here, since it
// carries no compiler.
//
// The file is 32-bit little-endian dwords, offsets counted in dwords from its start:
//   header (1024 dwords, unused ones 0):
//     0 format (1)   1 integer literals (1024)   2 float literals   3 string texts   4 NS
//     5 DATA letters   6 ND   7 program words   8 NIV   9 NFV   10 NSV   11 ST
//   integer literals, float literal bits, string texts (each with its zero, packed; floor(B/4)+1
//   dwords for B text bytes with zeros), DATA letters (floor(ND/4)+1 dwords), DATA values (a dword
//   for "l" and "f", floor((length+1)/4)+1 dwords for the text of "s"), scope tables (NIV and
//   the integer variables' scopes, NFV and the float ones, NSV and the string ones), then the W
//   program words and the W line words. W = (file dwords - dword 7) / 2.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/parsed_program.h"

namespace qm {

inline constexpr uint32_t kProgramFileFormat = 1;
inline constexpr uint32_t kProgramFileHeaderDwords = 1024;

// Header dwords.
enum ProgramFileHeader : uint32_t {
  kHeaderFormat = 0,
  kHeaderIntLiterals = 1,
  kHeaderFloatLiterals = 2,
  kHeaderStringTexts = 3,
  kHeaderStringCount = 4,
  kHeaderDataLetters = 5,
  kHeaderDataCount = 6,
  kHeaderProgramWords = 7,
  kHeaderIntVariables = 8,
  kHeaderFloatVariables = 9,
  kHeaderStringVariables = 10,
  kHeaderScopeTableDwords = 11,
};

// The dwords a text of `length` bytes takes among the DATA values: its zero, then zero padding.
constexpr uint32_t TextDwords(uint32_t length) { return (length + 1) / 4 + 1; }

// A program read from a compiled program file, in the view the program-image loader takes.
class LoadedProgram final : public ParsedProgram {
 public:
  const int32_t* ProgramWords() const override { return programWords_.data(); }
  const int32_t* LineWords() const override { return lineWords_.data(); }
  int32_t ProgramCapacity() const override { return static_cast<int32_t>(programWords_.size()); }
  ValueCell LiteralValue(int32_t operandNumber) const override;
  char DataTypeLetter(int32_t item) const override;
  int16_t VariableScope(ValueType type, int32_t index) const override;
  const CompileCounters& ProgramStartCounters() const override { return start_; }
  const CompileCounters& ProgramEndCounters() const override { return end_; }
  const CompileCounters& PieceStartCounters() const override { return end_; }
  const CompileCounters& PieceEndCounters() const override { return end_; }

 private:
  friend class ProgramFileReader;

  std::vector<int32_t> programWords_, lineWords_;
  std::vector<int32_t> numbers_;           // literal and DATA numbers, by operand number - 19000
  std::vector<std::string> texts_;         // string literal and DATA texts, by operand number - 19000
  std::vector<const char*> textPointers_;  // into texts_, for LiteralValue
  std::vector<char> dataLetters_;
  std::vector<int16_t> scopes_[3];
  CompileCounters start_, end_;
};

// Reads a compiled program file's bytes. Every offset, count, text and program word address is
// checked against the file and the loader's limits first; null, with `error` saying what is
// wrong, for anything that is not a well-formed file.
std::unique_ptr<LoadedProgram> ReadCompiledProgramFile(std::string_view bytes, std::string* error);

}  // namespace qm
