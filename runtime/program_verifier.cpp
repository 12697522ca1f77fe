// The program verifier: a walk over every path of the program, checking each command's operands.
#include "runtime/program_verifier.h"

#include <cctype>

#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/operand_numbers.h"

namespace qm {
namespace {

// What one operand word must name.
enum class OperandRule : uint8_t { NumericCell, StringCell, AnyCell, JumpTarget, DataIndex };

struct CommandShape {
  OperandRule rules[kMaxCallArguments + 1];
  int32_t count = 0;
  bool goesOn = true;  // the program can go on with the word after the operands
};

// The operand rules of a signature ("0" none); false for a letter without a rule.
bool AppendSignatureRules(const char* signature, CommandShape& shape) {
  if (signature[0] == '0' && signature[1] == '\0') return true;
  for (const char* letter = signature; *letter != '\0'; ++letter) {
    if (shape.count >= kMaxCallArguments) return false;
    switch (std::tolower(static_cast<unsigned char>(*letter))) {
      case 'l':
      case 'f':
        shape.rules[shape.count++] = OperandRule::NumericCell;
        break;
      case 's':
        shape.rules[shape.count++] = OperandRule::StringCell;
        break;
      case 'z':
        shape.rules[shape.count++] = OperandRule::AnyCell;
        break;
      case 'a':
        shape.rules[shape.count++] = OperandRule::JumpTarget;
        break;
      default:
        return false;
    }
  }
  return true;
}

// The shape of a command that is not a user-function call; false when its layout is unknown.
bool ShapeOf(const CommandOperands& operands, CommandShape& shape) {
  switch (operands.layout) {
    case OperandLayout::Signature:
      return AppendSignatureRules(operands.signature, shape);
    case OperandLayout::SignatureThenJump:
      if (!AppendSignatureRules(operands.signature, shape)) return false;
      shape.rules[shape.count++] = OperandRule::JumpTarget;
      return true;
    case OperandLayout::Jump:
      shape.rules[shape.count++] = OperandRule::JumpTarget;
      shape.goesOn = false;
      return true;
    case OperandLayout::DataLabel:
      shape.rules[shape.count++] = OperandRule::DataIndex;
      return true;
    case OperandLayout::EndsProgram:
      shape.goesOn = false;
      return true;
    case OperandLayout::UserFunctionCall:
      break;
  }
  return false;
}

bool IsOperandCell(int32_t word, CellKind& kind) { return OperandCellKind(word, kind); }

class Verifier {
 public:
  Verifier(const int32_t* words, int32_t end, const ValueCell* cells, std::vector<uint8_t>& roles)
      : words_(words), end_(end), cells_(cells), roles_(roles) {}

  std::string Run(int32_t root) {
    Reach(root);
    while (!pending_.empty() && error_.empty()) {
      const int32_t at = pending_.back();
      pending_.pop_back();
      VerifyCommand(at);
    }
    return error_;
  }

 private:
  void Fail(int32_t at, const std::string& what) {
    if (error_.empty()) {
      error_ = "word " + std::to_string(at) + " (command " + std::to_string(words_[at]) + "): " + what;
    }
  }

  // A path arrives at `word` as a command.
  void Reach(int32_t word) {
    if ((roles_[static_cast<size_t>(word)] & kWordIsCommand) != 0) return;
    roles_[static_cast<size_t>(word)] |= kWordIsCommand;
    if (word < end_) pending_.push_back(word);
  }

  void MarkOperands(int32_t first, int32_t count) {
    for (int32_t k = 0; k < count; ++k) roles_[static_cast<size_t>(first + k)] |= kWordIsOperand;
  }

  // A jump target: a word index from 0 to the program's end.
  bool TargetOf(int32_t word, int32_t& target) const {
    const int64_t index = static_cast<int64_t>(word) - kWordAddresses;
    if (index < 0 || index > end_) return false;
    target = static_cast<int32_t>(index);
    return true;
  }

  bool CheckOperand(int32_t at, int32_t position, OperandRule rule) {
    const int32_t word = words_[at + position];
    CellKind kind;
    int32_t target = 0;
    const std::string operand = "operand " + std::to_string(position) + " (" + std::to_string(word) + ")";
    switch (rule) {
      case OperandRule::NumericCell:
        if (IsOperandCell(word, kind) && kind != CellKind::String) return true;
        Fail(at, operand + " names no integer or float cell");
        return false;
      case OperandRule::StringCell:
        if (IsOperandCell(word, kind) && kind == CellKind::String) return true;
        Fail(at, operand + " names no string cell");
        return false;
      case OperandRule::AnyCell:
        if (IsOperandCell(word, kind)) return true;
        Fail(at, operand + " names no cell");
        return false;
      case OperandRule::JumpTarget:
        if (TargetOf(word, target)) {
          Reach(target);
          return true;
        }
        Fail(at, operand + " jumps outside the program");
        return false;
      case OperandRule::DataIndex:
        if (word >= kDataItems && word < kDataItems + kMaxDataItems) return true;
        Fail(at, operand + " names no DATA item");
        return false;
    }
    return false;
  }

  // FUNCTION [entry][result][count][arguments...]: the count is an integer literal, the entry
  // holds exactly that many parameter cells and then the scope word, and the body follows.
  void VerifyCall(int32_t at) {
    if (at + 3 >= end_) return Fail(at, "the call's operands run past the end of the program");
    const int32_t countWord = words_[at + 3];
    if (countWord < kIntLiterals || countWord >= kFloatLiterals) {
      return Fail(at, "the argument count is no integer literal");
    }
    const int32_t count = cells_[CellIndexOf(countWord)].i;
    if (count < 0 || count > kMaxCallArguments) return Fail(at, "the argument count is out of range");
    int32_t entry = 0;
    if (!TargetOf(words_[at + 1], entry) || entry >= end_ ||
        !EntryTakesArguments(words_, static_cast<uint32_t>(end_), entry, count)) {
      return Fail(at, "the function entry does not take " + std::to_string(count) + " arguments");
    }
    if (!CheckOperand(at, 2, OperandRule::AnyCell)) return;
    if (at + 3 + count >= end_) return Fail(at, "the call's arguments run past the end of the program");
    for (int32_t k = 0; k < count; ++k) {
      if (!CheckOperand(at, 4 + k, OperandRule::AnyCell)) return;
    }
    MarkOperands(entry, count + 1);
    MarkOperands(at + 1, count + 3);
    Reach(entry + count + 1);
    Reach(at + count + 4);
  }

  void VerifyCommand(int32_t at) {
    const int32_t id = words_[at];
    const CommandOperands operands = RegisteredOperands(id);
    if (operands.signature == nullptr) return;  // no handler: the program stops here
    if (operands.layout == OperandLayout::UserFunctionCall) return VerifyCall(at);
    CommandShape shape;
    if (!ShapeOf(operands, shape)) return Fail(at, "the command has no operand layout");
    if (at + shape.count >= end_) return Fail(at, "the operands run past the end of the program");
    for (int32_t k = 0; k < shape.count; ++k) {
      if (!CheckOperand(at, k + 1, shape.rules[k])) return;
    }
    MarkOperands(at + 1, shape.count);
    if (shape.goesOn) Reach(at + shape.count + 1);
  }

  const int32_t* words_;
  int32_t end_;
  const ValueCell* cells_;
  std::vector<uint8_t>& roles_;
  std::vector<int32_t> pending_;
  std::string error_;
};

}  // namespace

std::string VerifyProgramPaths(const int32_t* words, int32_t end, const ValueCell* cells, int32_t root,
                               std::vector<uint8_t>& roles) {
  if (end < 0 || root < 0 || root > end || roles.size() < static_cast<size_t>(end) + 1) {
    return "the program's extent is inconsistent";
  }
  return Verifier(words, end, cells, roles).Run(root);
}

}  // namespace qm
