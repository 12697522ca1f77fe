// DATA, READ and RESTORE. DATA statements produce no words: their items are in the program image
// with a type letter each. READ takes the item at the READ position into its target and moves
// the position on; past the last item it gives 0 or "" every time. A target that is a temporary
// stands for the array element that the fetch before it recorded (read a(3)).
//   RESTORE label  [DATA index]     RESTORE  (none)     READ  [target]
#include "resources/command_ids.h"
#include "runtime/arrays.h"
#include "runtime/command_dispatch.h"
#include "runtime/foundation_commands.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/program_image.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// What a READ target word names.
enum class ReadTarget { Variable, ArrayElement, Other };

ReadTarget ClassifyTarget(int32_t word, OperandNumber temporaries, OperandNumber variables) {
  if (word >= variables && word < variables + kVariablesPerType) return ReadTarget::Variable;
  if (word >= temporaries && word < temporaries + kTemporariesPerType) {
    return ReadTarget::ArrayElement;
  }
  return ReadTarget::Other;
}

// The type letter and cell of the item at the READ position, then the position moves on (it
// stops at the DATA count). Past the last item the letter is 0.
char TakeDataItem(const ValueCell*& item) {
  const int32_t position = ProgramImage.readPosition;
  const bool inside =
      position >= 0 && position < ProgramImage.dataCount && ProgramImage.dataTypeTable != nullptr;
  item = inside ? DataItemCell(position) : nullptr;
  const char letter = item != nullptr ? ProgramImage.dataTypeTable[position] : 0;
  if (inside) ProgramImage.readPosition = position + 1;
  return letter;
}

// The number a numeric item gives: an integer item read into a float gives its value, a float
// item read into an integer is truncated as assignment truncates. A text item (or none) gives
// nothing.
bool NumberOfItem(char letter, const ValueCell* item, CellKind into, ValueCell& number) {
  if (item == nullptr || (letter != 'l' && letter != 'f')) return false;
  if (into == CellKind::Integer) {
    number.i = letter == 'l' ? item->i : TruncateToInt32(item->f);
  } else {
    number.f = letter == 'f' ? item->f : NearestSingle(item->i);
  }
  return true;
}

// READ L and READ F. A mismatching item still consumes its place and gives 0 to the target cell;
// an array element whose fetch found no element is left alone.
Pc ReadNumber(Pc at, CellKind into, OperandNumber temporaries, OperandNumber variables) {
  Operands in(at);
  const int32_t word = in.Plain();
  const ValueCell* item = nullptr;
  const char letter = TakeDataItem(item);
  ValueCell number{};
  const bool matched = NumberOfItem(letter, item, into, number);
  const ReadTarget target = ClassifyTarget(word, temporaries, variables);
  if (target == ReadTarget::Other) return in.Next();
  CellKind kind;
  ValueCell* cell = OperandCell(word, kind);
  if (matched && target == ReadTarget::ArrayElement) {
    if (void* slot = ProgramArrays.ElementAddresses().Find(word)) *static_cast<int32_t*>(slot) = number.i;
    return in.Next();
  }
  if (cell != nullptr) cell->i = matched ? number.i : 0;
  return in.Next();
}

Pc CmdReadL(Pc at) { return ReadNumber(at, CellKind::Integer, kIntTemporaries, kIntVariables); }
Pc CmdReadF(Pc at) { return ReadNumber(at, CellKind::Float, kFloatTemporaries, kFloatVariables); }

// READ S: a text item is copied (changing the variable never changes the item); any other item
// gives the empty text to the target cell.
Pc CmdReadS(Pc at) {
  Operands in(at);
  const int32_t word = in.Plain();
  const ValueCell* item = nullptr;
  const char letter = TakeDataItem(item);
  const ReadTarget target = ClassifyTarget(word, kStringTemporaries, kStringVariables);
  if (target == ReadTarget::Other) return in.Next();
  CellKind kind;
  ValueCell* cell = OperandCell(word, kind);
  if (letter != 's' || item == nullptr) {
    if (cell != nullptr) StoreStringResult(*cell, "");
    return in.Next();
  }
  if (target == ReadTarget::Variable) {
    if (cell != nullptr) StoreStringResult(*cell, CellText(*item));
    return in.Next();
  }
  if (void* slot = ProgramArrays.ElementAddresses().Find(word)) {
    char*& element = *static_cast<char**>(slot);
    char* copy = NewText(CellText(*item));
    FreeText(element);
    element = copy;
  }
  return in.Next();
}

// RESTORE label: the next READ takes the first item after the label.
Pc CmdRestoreA(Pc at) {
  Operands in(at);
  ProgramImage.readPosition = in.DataIndex();
  return in.Next();
}
Pc CmdRestore(Pc at) {
  ProgramImage.readPosition = 0;
  return at + 1;
}

constexpr CommandRegistration kDataCommands[] = {
    {kCmdRestoreA, "restore", "A", CmdRestoreA, OperandLayout::DataLabel},
    {kCmdRestore, "restore", "0", CmdRestore},
    {kCmdReadL, "read", "L", CmdReadL},
    {kCmdReadF, "read", "F", CmdReadF},
    {kCmdReadS, "read", "S", CmdReadS},
};

constexpr CommandHandler kReadCommands[] = {CmdReadL, CmdReadF, CmdReadS};

}  // namespace

constinit const CommandFamily kDataFamily{kDataCommands, {}, {}, kReadCommands};

void RewindData() { ProgramImage.readPosition = 0; }

}  // namespace qm
