// Program emission: program words with the source line of each, written side by side.
#include "compiler/program_emission.h"

#include "compiler/parser.h"

namespace qm {

void Parser::EmitWord(int32_t word) {
  const int32_t index = counters.programWrite;
  if (index >= 0 && index < static_cast<int32_t>(programWords_.size())) {
    programWords_[index] = word;
    lineWords_[index] = counters.currentLine;
  } else {
    // Past the block: the driver sees it after the line and compiles again with a larger block
    // (or refuses a command-line line). The counts go on so jump targets stay consistent.
    programOverflow_ = true;
  }
  ++counters.programWrite;
  ++counters.lineWrite;
  ++counters.wordsEmitted;
}

void Parser::EmitCommand(std::string_view /*name*/, int32_t commandId, std::string_view /*signature*/,
                         const OperandList& operands) {
  EmitWord(commandId);
  for (const OperandPair& operand : operands) {
    if (operand.type == 0) break;
    EmitWord(operand.number);
  }
  ++counters.commandsEmitted;
}

bool Parser::AppendOperand(OperandList& operands, char type, OperandNumber number) {
  if (operands.Append(type, number)) return true;
  errorMessage = CompilerMessage(kMsgTooManyParameters);
  return false;
}

void Parser::PatchWord(int32_t wordIndex, int32_t value) {
  if (wordIndex >= 0 && wordIndex < static_cast<int32_t>(programWords_.size())) {
    programWords_[wordIndex] = value;
  }
}

int32_t Parser::ProgramWordAt(int32_t wordIndex) const {
  if (wordIndex < 0 || wordIndex >= static_cast<int32_t>(programWords_.size())) return 0;
  return programWords_[wordIndex];
}

int32_t Parser::LineWordAt(int32_t wordIndex) const {
  if (wordIndex < 0 || wordIndex >= static_cast<int32_t>(lineWords_.size())) return 0;
  return lineWords_[wordIndex];
}

void Parser::AppendEndOfPiece() {
  const int32_t index = counters.programWrite;
  if (index >= 0 && index < static_cast<int32_t>(programWords_.size())) {
    programWords_[index] = kEndOfPieceWord;
    lineWords_[index] = 0;
  } else {
    programOverflow_ = true;
  }
  ++counters.programWrite;
  ++counters.lineWrite;
  ++counters.wordsEmitted;
}

}  // namespace qm
