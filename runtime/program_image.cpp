// The program-image loader: copies what the compiler produced into the ProgramImage.
#include "runtime/program_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/command_fusion.h"
#include "runtime/diagnostics.h"
#include "runtime/interpreter.h"
#include "runtime/program_verifier.h"
#include "runtime/settings.h"
#include "runtime/value_text.h"

namespace qm {

ProgramImageState ProgramImage;

namespace {

std::string gVerificationError;

// Words the blocks hold beyond the program, for the lines typed at the runtime command line; a
// line that needs more makes the blocks grow.
constexpr int32_t kCommandLineRoom = 1024;

// The decoded form replaced last. A handler may replace the program image while the dispatch loop
// still holds a DecodedWord of the old one: the old form stays readable until the next
// replacement, and the slice ends after that handler.
DecodedProgram gRetiredDecoded;
// The decoded form being built (its plans go here).
DecodedProgram* gBuilding = nullptr;

const CommandHandler kNoProgramHandlers[1] = {&StopOnUnknownCommand};

constexpr std::string_view kCreateTrace = "QUILLMOOR: CreateQuillmoorBlocksFromParser(): ";
constexpr std::string_view kTransferTrace = "QUILLMOOR: TransferParsedDataToRunner(): ";

void TraceCreate(std::string_view step) {
  if (TraceModeFlag()) WriteTraceLog(std::string(kCreateTrace) + std::string(step));
}
void TraceTransfer(std::string_view step) {
  if (TraceModeFlag()) WriteTraceLog(std::string(kTransferTrace) + std::string(step));
}

template <typename T>
T* AllocateZeroed(size_t count) {
  return static_cast<T*>(std::calloc(count, sizeof(T)));
}

// Points the interpreter's view at the image (or at nothing).
void AttachInterpreter() {
  Interpreter.words = ProgramImage.programBlock;
  const bool none = ProgramImage.programBlock == nullptr || ProgramImage.decoded.words.empty();
  Interpreter.wordCount = none ? 0 : static_cast<uint32_t>(ProgramImage.programCapacity);
  Interpreter.cells = ProgramImage.dataBlock;
  Interpreter.plainHandlers = none ? kNoProgramHandlers : ProgramImage.wordHandlers.data();
  Interpreter.decoded = none ? kNoProgramWords : ProgramImage.decoded.words.data();
}

bool InRange(int32_t from, int32_t to, int32_t first, int32_t end) {
  return first <= from && from <= to && to <= end;
}

// Every counter of the piece within its range, and the piece's words inside the compiler's
// words (the image's blocks grow to take them).
bool PieceFits(const CompileCounters& from, const CompileCounters& to, int32_t parserCapacity) {
  return InRange(from.nextIntLiteral, to.nextIntLiteral, kIntLiterals, kFloatLiterals) &&
         InRange(from.nextFloatLiteral, to.nextFloatLiteral, kFloatLiterals, kStringLiterals) &&
         InRange(from.nextStringLiteral, to.nextStringLiteral, kStringLiterals, kDataItems) &&
         InRange(from.nextData, to.nextData, kDataItems, kDataItems + kMaxDataItems) &&
         InRange(from.nextIntVariable, to.nextIntVariable, kIntVariables, kFloatVariables) &&
         InRange(from.nextFloatVariable, to.nextFloatVariable, kFloatVariables, kStringVariables) &&
         InRange(from.nextStringVariable, to.nextStringVariable, kStringVariables, kIntLiterals) &&
         InRange(from.programWrite, to.programWrite, 0, kMaxProgramWords) &&
         to.programWrite <= parserCapacity;
}

ValueCell& CellOf(int32_t operandNumber) { return ProgramImage.dataBlock[CellIndexOf(operandNumber)]; }

void StoreText(ValueCell& cell, const char* text) {
  StoreStringResult(cell, text != nullptr ? std::string_view(text) : std::string_view());
}

void CopyNumericLiterals(const ParsedProgram& parser, int32_t from, int32_t to) {
  for (int32_t n = from; n < to; ++n) CellOf(n).i = parser.LiteralValue(n).i;
}

void CopyDataTable(const ParsedProgram& parser, const CompileCounters& from, const CompileCounters& to) {
  for (int32_t n = from.nextData; n < to.nextData; ++n) {
    ProgramImage.dataTypeTable[n - kDataItems] = parser.DataTypeLetter(n - kDataItems);
  }
  ProgramImage.dataCount = to.nextData - kDataItems;
}

void CopyDataItems(const ParsedProgram& parser, const CompileCounters& from) {
  for (int32_t item = from.nextData - kDataItems; item < ProgramImage.dataCount; ++item) {
    ValueCell& cell = CellOf(kDataItems + item);
    const ValueCell value = parser.LiteralValue(kDataItems + item);
    switch (ProgramImage.dataTypeTable[item]) {
      case 'l':
      case 'f':
        cell.i = value.i;
        break;
      case 's':
        StoreText(cell, value.s);
        break;
      default:
        break;
    }
  }
}

void CopyScopeTables(const ParsedProgram& parser, const CompileCounters& to) {
  const int32_t ends[3] = {to.nextIntVariable - kIntVariables, to.nextFloatVariable - kFloatVariables,
                           to.nextStringVariable - kStringVariables};
  for (int type = 0; type < 3; ++type) {
    ProgramImage.variableCounts[type] = ends[type];
    for (int32_t index = 0; index < ends[type]; ++index) {
      ProgramImage.scopeTables[type][index] = parser.VariableScope(static_cast<ValueType>(type), index);
    }
  }
}

void CopyProgramWords(const ParsedProgram& parser, const CompileCounters& from, const CompileCounters& to) {
  const int32_t* words = parser.ProgramWords();
  const size_t count = static_cast<size_t>(to.programWrite - from.programWrite);
  if (count > 0) {
    std::memcpy(ProgramImage.programBlock + from.programWrite, words + from.programWrite,
                count * sizeof(int32_t));
  }
  ProgramImage.pieceStart = from.programWrite;
}

void CopyLineBlock(const ParsedProgram& parser, const CompileCounters& to) {
  std::memcpy(ProgramImage.lineBlock, parser.LineWords(),
              static_cast<size_t>(to.programWrite) * sizeof(int32_t));
}

void FreeCellTexts(int32_t firstCell, int32_t endCell) {
  for (int32_t index = firstCell; index < endCell; ++index) {
    FreeText(ProgramImage.dataBlock[index].s);
  }
}

void FreeStringDataItems() {
  for (int32_t item = 0; item < ProgramImage.dataCount; ++item) {
    if (ProgramImage.dataTypeTable[item] == 's') {
      FreeText(ProgramImage.dataBlock[kDataCellBase + item].s);
    }
  }
}

// Makes the program and line blocks (and the per-word tables) hold `capacity` words, keeping what
// they hold; the new words are 0. False when memory runs out (the blocks are kept as they were).
bool GrowProgramBlocks(int32_t capacity) {
  const size_t old = static_cast<size_t>(ProgramImage.programCapacity);
  const size_t words = static_cast<size_t>(capacity);
  auto* program = static_cast<int32_t*>(
      std::realloc(ProgramImage.programBlock, (words + kProgramBlockPadding) * sizeof(int32_t)));
  if (program == nullptr) return false;
  ProgramImage.programBlock = program;
  std::memset(program + old, 0, (words + kProgramBlockPadding - old) * sizeof(int32_t));
  auto* lines = static_cast<int32_t*>(std::realloc(ProgramImage.lineBlock, words * sizeof(int32_t)));
  if (lines == nullptr) return false;
  ProgramImage.lineBlock = lines;
  std::memset(lines + old, 0, (words - old) * sizeof(int32_t));
  ProgramImage.wordRoles.resize(words + 1, 0);
  ProgramImage.wordHandlers.resize(words + 1, &StopOnUnknownCommand);
  ProgramImage.programCapacity = capacity;
  return true;
}

// Room in the blocks for the words up to `end`: doubling, so a session of typed lines copies the
// program a few times only.
bool MakeRoomFor(int32_t end) {
  if (end <= ProgramImage.programCapacity) return true;
  return GrowProgramBlocks(
      std::min(std::max(end + kCommandLineRoom, 2 * ProgramImage.programCapacity), kMaxProgramWords));
}

bool AllocateBlocks(int32_t capacity) {
  TraceCreate("Allocating datablock");
  ProgramImage.dataBlock = AllocateZeroed<ValueCell>(kDataBlockCells);
  TraceCreate("Allocating immediate datablock");
  ProgramImage.dataTypeTable = AllocateZeroed<char>(kDataTypeTableBytes);
  // Every type gets a full table, so variables that command-line lines add have entries too.
  static constexpr const char* kScopeTraces[3] = {"Allocating Var Function Integer Ref",
                                                  "Allocating Var Function Float Ref",
                                                  "Allocating Var Function String Ref"};
  bool scopesOk = true;
  for (int type = 0; type < 3; ++type) {
    TraceCreate(kScopeTraces[type]);
    ProgramImage.scopeTables[type] = AllocateZeroed<int32_t>(kScopeTableEntries);
    scopesOk = scopesOk && ProgramImage.scopeTables[type] != nullptr;
  }
  TraceCreate("Allocating program block");
  TraceCreate("Allocating runtime block");
  return ProgramImage.dataBlock != nullptr && ProgramImage.dataTypeTable != nullptr && scopesOk &&
         GrowProgramBlocks(capacity);
}

// ---- Verification ----

// The word of the second command of a pair whose first command stands at `at`, or -1 when the
// first command's operands do not have a fixed count.
int32_t SecondCommandWord(int32_t at, FusedSecond where) {
  const CommandOperands operands = RegisteredOperands(ProgramImage.programBlock[at]);
  if (operands.signature == nullptr) return -1;
  const bool noOperands = operands.signature[0] == '0' && operands.signature[1] == '\0';
  int32_t count = noOperands ? 0 : static_cast<int32_t>(std::strlen(operands.signature));
  switch (operands.layout) {
    case OperandLayout::Signature:
      break;
    case OperandLayout::SignatureThenJump:
      ++count;
      break;
    default:
      return -1;
  }
  if (where == FusedSecond::FollowsOperands) return at + count + 1;
  if (count == 0) return -1;
  return ProgramImage.programBlock[at + count] - kWordAddresses;
}

// The handler the decoded form runs at a command: a variant chosen for its operands, or a fused
// handler when the command and the one that follows it form a registered pair (or a pair whose
// second command is itself the first of a pair).
CommandHandler ChosenHandler(int32_t at, int32_t end, std::vector<DecodedWord>& decoded) {
  const std::vector<CommandHandler>& plain = ProgramImage.wordHandlers;
  const CommandHandler own = plain[static_cast<size_t>(at)];
  const CommandHandler variant = ChooseCommandVariant(own, &decoded[static_cast<size_t>(at)]);
  for (FusedSecond where : {FusedSecond::FollowsOperands, FusedSecond::AtJumpTarget}) {
    const int32_t second = SecondCommandWord(at, where);
    if (second < 0 || second >= end) continue;
    const CommandHandler secondHandler = plain[static_cast<size_t>(second)];
    if (secondHandler == &StopOnUnknownCommand) continue;
    // Each command as decoded (a variant, a pair) first, then as it is.
    for (const CommandHandler first : {variant, own}) {
      for (const CommandHandler candidate : {decoded[static_cast<size_t>(second)].run, secondHandler}) {
        const CommandFusion* fusion = FindCommandFusion(first, candidate);
        if (fusion != nullptr && fusion->where == where) return fusion->fused;
      }
    }
  }
  return variant;
}

// The decoded form of the words [0, end): every word's operand decoded, then the handlers.
// Commands are chosen from the last to the first, so a pair can take in the pair that follows it.
DecodedProgram DecodeProgram(int32_t end, bool withChoices) {
  const size_t size = static_cast<size_t>(ProgramImage.programCapacity) + kProgramBlockPadding;
  DecodedProgram program;
  program.words.resize(size);
  std::vector<DecodedWord>& decoded = program.words;
  const int32_t* words = ProgramImage.programBlock;
  ValueCell* cells = ProgramImage.dataBlock;
  const DecodedWord* programEnd = &decoded[static_cast<size_t>(end)];
  for (size_t at = 0; at < size; ++at) {
    const int32_t word = at < static_cast<size_t>(ProgramImage.programCapacity) ? words[at] : 0;
    const int64_t target = static_cast<int64_t>(word) - kWordAddresses;
    decoded[at].run =
        at < ProgramImage.wordHandlers.size() ? ProgramImage.wordHandlers[at] : &StopOnUnknownCommand;
    decoded[at].cell = &CellOfOperand(word, cells);
    decoded[at].target = target >= 0 && target <= end ? &decoded[static_cast<size_t>(target)] : programEnd;
  }
  // Where the view of the program is needed to choose (call sites, arrays), it is this one.
  const InterpreterState previous = Interpreter;
  Interpreter.decoded = decoded.data();
  Interpreter.wordCount = static_cast<uint32_t>(ProgramImage.programCapacity);
  gBuilding = &program;
  for (int32_t at = end - 1; at >= 0 && withChoices; --at) {
    if (decoded[static_cast<size_t>(at)].run == &StopOnUnknownCommand) continue;
    decoded[static_cast<size_t>(at)].run = ChosenHandler(at, end, decoded);
  }
  // Only once every pair is matched (on the handlers as chosen): the threaded forms.
  for (int32_t at = 0; at < end && withChoices; ++at) {
    decoded[static_cast<size_t>(at)].run = ThreadedFormOf(decoded[static_cast<size_t>(at)].run);
  }
  gBuilding = nullptr;
  Interpreter.decoded = previous.decoded;
  Interpreter.wordCount = previous.wordCount;
  return program;
}

// The handler of every word: the registered handler where verification reached a command that
// is no operand, StopOnUnknownCommand elsewhere and from `end` on; then the decoded form.
void BuildWordHandlers(int32_t end, bool withChoices = true) {
  AttachInterpreter();  // the words and cells the variants look at
  const int32_t* words = ProgramImage.programBlock;
  for (size_t at = 0; at < ProgramImage.wordHandlers.size(); ++at) {
    CommandHandler handler = &StopOnUnknownCommand;
    if (static_cast<int32_t>(at) < end && ProgramImage.wordRoles[at] == kWordIsCommand) {
      if (CommandHandler registered = FindCommandHandler(words[at])) handler = registered;
    }
    ProgramImage.wordHandlers[at] = handler;
  }
  ProgramImage.verifiedGeneration = CommandRegistrationGeneration();
  DecodedProgram decoded = DecodeProgram(end, withChoices);
  if (Interpreter.command != nullptr) StopFlag = 1;  // a handler replaced the program mid-slice
  gRetiredDecoded = std::move(ProgramImage.decoded);
  ProgramImage.decoded = std::move(decoded);
  AttachInterpreter();
}

// Verifies from each root in turn; the image's word roles change only when all pass.
bool VerifyFrom(std::initializer_list<int32_t> roots, int32_t pieceStart, int32_t end) {
  std::vector<uint8_t> roles = ProgramImage.wordRoles;
  std::fill(roles.begin() + pieceStart, roles.end(), 0);  // the words of any earlier piece
  for (int32_t root : roots) {
    gVerificationError =
        VerifyProgramPaths(ProgramImage.programBlock, end, ProgramImage.dataBlock, root, roles);
    if (!gVerificationError.empty()) {
      if (TraceModeFlag()) WriteTraceLog("QUILLMOOR: program refused: " + gVerificationError);
      return false;
    }
  }
  ProgramImage.wordRoles = std::move(roles);
  return true;
}

// A refused piece keeps nothing that can run from its first word on.
void ForgetPieceFrom(int32_t pieceStart) {
  std::fill(ProgramImage.wordRoles.begin() + pieceStart, ProgramImage.wordRoles.end(), 0);
  BuildWordHandlers(pieceStart);
}

}  // namespace

const std::string& ProgramVerificationError() { return gVerificationError; }

void VerifyProgramAgain() {
  if (!ProgramImageExists()) return;
  const int32_t end = ProgramImage.transferToCounters.programWrite;
  std::fill(ProgramImage.wordRoles.begin(), ProgramImage.wordRoles.end(), 0);
  if (VerifyFrom({0, ProgramImage.pieceStart}, 0, end)) {
    BuildWordHandlers(end);
  } else {
    ForgetPieceFrom(0);
  }
}

void* AllocateDecodedPlan(size_t bytes) {
  auto memory = std::make_unique<std::byte[]>(bytes);
  void* plan = memory.get();
  if (gBuilding != nullptr)
    gBuilding->plans.push_back(std::move(memory));
  else
    gRetiredDecoded.plans.push_back(std::move(memory));  // outside a build: kept till the next
  return plan;
}

void DecodeCommandsPlainly() {
  if (ProgramImageExists()) BuildWordHandlers(ProgramImage.transferToCounters.programWrite, false);
}

bool CreateQuillmoorBlocksFromParser(const ParsedProgram& parser) {
  FreeProgramImage();
  const int32_t end = parser.ProgramEndCounters().programWrite;
  if (end > kMaxProgramWords - kCommandLineRoom) {
    gVerificationError = "the program has " + std::to_string(end) + " words; at most " +
                         std::to_string(kMaxProgramWords - kCommandLineRoom) + " are allowed";
    return false;
  }
  if (parser.ProgramCapacity() <= 0 || end < 0) {
    gVerificationError = "the compiled program's word count is out of range";
    return false;
  }
  const int32_t capacity = end + kCommandLineRoom;
  if (!AllocateBlocks(capacity)) {
    FreeProgramImage();
    gVerificationError = "not enough memory for a program of " + std::to_string(capacity) + " words";
    return false;
  }
  TraceCreate("Copy data from master class");
  ProgramImage.transferFromCounters = parser.ProgramStartCounters();
  ProgramImage.transferToCounters = parser.ProgramEndCounters();
  TraceCreate("Calling TransferParsedDataToRunner()");
  if (!TransferParsedDataToRunner(parser)) {
    FreeProgramImage();
    return false;
  }
  AttachInterpreter();
  TraceCreate("End of Function");
  return true;
}

bool AppendCliLineToRunner(const ParsedProgram& parser) {
  if (!ProgramImageExists()) return false;
  ProgramImage.transferFromCounters = parser.PieceStartCounters();
  ProgramImage.transferToCounters = parser.PieceEndCounters();
  return TransferParsedDataToRunner(parser);
}

bool TransferParsedDataToRunner(const ParsedProgram& parser) {
  gVerificationError.clear();
  const CompileCounters& from = ProgramImage.transferFromCounters;
  const CompileCounters& to = ProgramImage.transferToCounters;
  if (!ProgramImageExists() || !PieceFits(from, to, parser.ProgramCapacity())) {
    gVerificationError = "the compiled program's tables do not fit its blocks";
    return false;
  }
  static uint32_t transfers = 0;
  if (++transfers == 0 || transfers == ~0u) transfers = 1;
  ProgramImage.transferGeneration = transfers;

  TraceTransfer("Copying Long Data to runner data");
  CopyNumericLiterals(parser, from.nextIntLiteral, to.nextIntLiteral);
  TraceTransfer("Copying Float Data to runner data");
  CopyNumericLiterals(parser, from.nextFloatLiteral, to.nextFloatLiteral);
  TraceTransfer("Copying String Data to runner data");
  for (int32_t n = from.nextStringLiteral; n < to.nextStringLiteral; ++n) {
    StoreText(CellOf(n), parser.LiteralValue(n).s);
  }
  TraceTransfer("Copying Immediate Data Table to runner data");
  CopyDataTable(parser, from, to);
  TraceTransfer("Copying Immediate Data to runner data");
  CopyDataItems(parser, from);
  TraceTransfer("Creating empty variable strings");
  for (int32_t n = from.nextStringVariable; n < to.nextStringVariable; ++n) {
    StoreText(CellOf(n), "");
  }
  TraceTransfer("Copy variable function id references");
  CopyScopeTables(parser, to);
  TraceTransfer("Creating a new program");
  if (!MakeRoomFor(to.programWrite)) return false;
  CopyProgramWords(parser, from, to);
  TraceTransfer("Copy runtime data block");
  CopyLineBlock(parser, to);
  // Operand words keep their compiled numbers: the accessors resolve them at use, and
  // verification checks every one the piece can reach.
  TraceTransfer("Adjust all offsets to point to actual mem");
  if (!VerifyFrom({from.programWrite}, from.programWrite, to.programWrite)) {
    ForgetPieceFrom(from.programWrite);
    return false;
  }
  BuildWordHandlers(to.programWrite);
  return true;
}

void FreeProgramImage() {
  if (ProgramImage.dataBlock != nullptr) {
    FreeCellTexts(CellIndexOf(kStringTemporaries), CellIndexOf(kIntVariables));
    FreeCellTexts(CellIndexOf(kStringLiterals), CellIndexOf(kDataItems));
    if (ProgramImage.dataTypeTable != nullptr) FreeStringDataItems();
    FreeCellTexts(CellIndexOf(kStringVariables), CellIndexOf(kIntLiterals));
  }
  for (int32_t*& table : ProgramImage.scopeTables) {
    std::free(table);
    table = nullptr;
  }
  std::free(ProgramImage.lineBlock);
  std::free(ProgramImage.dataTypeTable);
  std::free(ProgramImage.dataBlock);
  std::free(ProgramImage.programBlock);
  gRetiredDecoded = std::move(ProgramImage.decoded);
  ProgramImage = ProgramImageState{};
  AttachInterpreter();
}

ValueCell* DataItemCell(int32_t item) {
  if (ProgramImage.dataBlock == nullptr || item < 0 || item >= kMaxDataItems) return nullptr;
  return &ProgramImage.dataBlock[kDataCellBase + item];
}

int32_t SourceLineOfWord(int32_t index) {
  if (ProgramImage.lineBlock == nullptr || index < 0 || index >= ProgramImage.programCapacity) {
    return 0;
  }
  return ProgramImage.lineBlock[index];
}

}  // namespace qm
