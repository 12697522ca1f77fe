// The ReturnStack and the saving of variables and temporaries across user-function calls.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "runtime/arrays.h"
#include "runtime/control_flow.h"
#include "runtime/program_image.h"
#include "runtime/value_text.h"

namespace qm {

int16_t RunningScope = 0;
ReturnStack ProgramReturnStack;

namespace {

// First cell of each block of variables and temporaries, in ValueType order.
constexpr int32_t kVariableCellBase[3] = {kIntVariables - kFirstOperand,
                                          kFloatVariables - kFirstOperand,
                                          kStringVariables - kFirstOperand};
constexpr int32_t kTemporaryCellBase[3] = {kIntTemporaries - kFirstOperand,
                                           kFloatTemporaries - kFirstOperand,
                                           kStringTemporaries - kFirstOperand};
constexpr int32_t kMaxScopes = 1025;  // the main program and 1,024 user functions
constexpr int32_t kTemporaryWindows = kLastTemporaryWindow / kTemporaryWindowSize + 1;

// ---- Variables of each scope ----

struct ScopeVariableLists {
  int32_t counts[3] = {-1, -1, -1};
  std::vector<ScopeVariables> byScope;
  std::vector<bool> built;
};
ScopeVariableLists gScopeLists;

bool VariableCountsChanged() {
  return gScopeLists.counts[0] != ProgramImage.variableCounts[0] ||
         gScopeLists.counts[1] != ProgramImage.variableCounts[1] ||
         gScopeLists.counts[2] != ProgramImage.variableCounts[2];
}

void BuildScopeVariables(int16_t scope, ScopeVariables& variables) {
  for (int t = 0; t < 3; ++t) {
    const int32_t* table = ProgramImage.scopeTables[t];
    if (table == nullptr) continue;
    const int32_t count = std::min(ProgramImage.variableCounts[t], kVariablesPerType);
    std::vector<int32_t>& list = t == 2 ? variables.texts : variables.numbers;
    for (int32_t i = 0; i < count; ++i) {
      if (table[i] == scope) list.push_back(kVariableCellBase[t] + i);
    }
  }
}

// An array variable's cell is not a value of its own: arrays are never saved across a call.
bool IsDimensionedArray(int32_t cellIndex) {
  return ProgramArrays.IsDimensioned(cellIndex - kVariableCellBase[0]);
}

// ---- Temporaries the program uses ----

struct TemporaryUsageCache {
  const int32_t* programBlock = nullptr;
  int32_t programEnd = -1;
  std::array<TemporaryUsage, kTemporaryWindows> windows{};
};
TemporaryUsageCache gTemporaryUsage;

// Counts, for each window, the temporaries named by the words in [begin, end). Only temporaries
// are numbers from 10000 to 12999 in a program: command ids and counts are below 10000, every
// other operand above.
void AddTemporaryUsage(const int32_t* words, int32_t begin, int32_t end,
                       std::array<TemporaryUsage, kTemporaryWindows>& windows) {
  for (int32_t at = begin; at < end; ++at) {
    const uint32_t offset =
        static_cast<uint32_t>(words[at]) - static_cast<uint32_t>(kIntTemporaries);
    if (offset >= static_cast<uint32_t>(3 * kTemporariesPerType)) continue;
    const int32_t type = static_cast<int32_t>(offset) / kTemporariesPerType;
    const int32_t cell = static_cast<int32_t>(offset) % kTemporariesPerType;
    const int32_t window = std::min(cell / kTemporaryWindowSize, kTemporaryWindows - 1);
    const auto used = static_cast<uint8_t>(cell - window * kTemporaryWindowSize + 1);
    uint8_t& count = windows[static_cast<size_t>(window)].count[static_cast<size_t>(type)];
    count = std::max(count, used);
  }
}

}  // namespace

void ForgetScopeVariableLists() { gScopeLists = ScopeVariableLists{}; }

namespace {

[[gnu::cold, gnu::noinline]] const ScopeVariables& BuildVariablesOfScope(int16_t scope) {
  if (VariableCountsChanged() || gScopeLists.byScope.empty()) {
    ForgetScopeVariableLists();
    gScopeLists.byScope.resize(kMaxScopes);
    gScopeLists.built.assign(kMaxScopes, false);
    for (int t = 0; t < 3; ++t) gScopeLists.counts[t] = ProgramImage.variableCounts[t];
  }
  ScopeVariables& variables = gScopeLists.byScope[static_cast<size_t>(scope)];
  if (!gScopeLists.built[static_cast<size_t>(scope)]) {
    BuildScopeVariables(scope, variables);
    gScopeLists.built[static_cast<size_t>(scope)] = true;
  }
  return variables;
}

[[gnu::always_inline]] inline const ScopeVariables& CachedVariablesOfScope(int16_t scope) {
  static const ScopeVariables kNone;
  if (scope < 0 || scope >= kMaxScopes) return kNone;
  if (!gScopeLists.byScope.empty() && gScopeLists.built[static_cast<size_t>(scope)] &&
      !VariableCountsChanged()) [[likely]] {
    return gScopeLists.byScope[static_cast<size_t>(scope)];
  }
  return BuildVariablesOfScope(scope);
}

[[gnu::cold, gnu::noinline]] TemporaryUsage ScanTemporaryUsage(size_t index) {
  const int32_t* words = ProgramImage.programBlock;
  if (words == nullptr) return {};
  const int32_t end =
      std::clamp(ProgramImage.transferToCounters.programWrite, 0, ProgramImage.programCapacity);
  const int32_t pieceStart = std::clamp(ProgramImage.pieceStart, 0, end);
  const int32_t programEnd = pieceStart > 0 ? pieceStart : end;
  if (gTemporaryUsage.programBlock != words || gTemporaryUsage.programEnd != programEnd) {
    gTemporaryUsage = TemporaryUsageCache{words, programEnd, {}};
    AddTemporaryUsage(words, 0, programEnd, gTemporaryUsage.windows);
  }
  if (pieceStart == 0 || pieceStart >= end) return gTemporaryUsage.windows[index];
  std::array<TemporaryUsage, kTemporaryWindows> withPiece = gTemporaryUsage.windows;
  AddTemporaryUsage(words, pieceStart, end, withPiece);
  return withPiece[index];
}

[[gnu::always_inline]] inline TemporaryUsage CachedTemporaryUsage(int32_t window) {
  const auto index =
      static_cast<size_t>(std::clamp(window / kTemporaryWindowSize, 0, kTemporaryWindows - 1));
  // The common case: the whole program, scanned already.
  if (ProgramImage.pieceStart == 0 && gTemporaryUsage.programBlock == ProgramImage.programBlock &&
      gTemporaryUsage.programEnd == ProgramImage.transferToCounters.programWrite) [[likely]] {
    return gTemporaryUsage.windows[index];
  }
  return ScanTemporaryUsage(index);
}

}  // namespace

const ScopeVariables& VariablesOfScope(int16_t scope) { return CachedVariablesOfScope(scope); }

void ForgetTemporaryUsage() { gTemporaryUsage = TemporaryUsageCache{}; }

TemporaryUsage TemporaryUsageOfWindow(int32_t window) { return CachedTemporaryUsage(window); }

// ---- Pushing ----

void ReturnStack::PushGosub(int32_t returnWord) {
  frames_.push_back({FrameKind::Gosub, {}, RunningScope, returnWord, 0, 0,
                     savedNumbers_.Size(), savedTexts_.Size(), savedTemps_.Size()});
}

void ReturnStack::PushCall(int32_t returnWord, int32_t resultWord, int16_t callerScope,
                           int32_t calleeScope) {
  ReturnFrame frame{FrameKind::Call,
                    {},
                    callerScope,
                    returnWord,
                    resultWord,
                    TemporaryWindowOf(calleeScope),
                    savedNumbers_.Size(),
                    savedTexts_.Size(),
                    savedTemps_.Size()};
  if (callerScope != 0) SaveScopeVariables(callerScope);
  SaveTemporaries(frame);
  frames_.push_back(frame);
  ++callFrames_;
}

[[gnu::always_inline]] inline void ReturnStack::SaveScopeVariables(int16_t scope) {
  const ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) return;
  const ScopeVariables& variables = CachedVariablesOfScope(scope);
  // Every listed cell is a variable, so its array entry lies inside the table.
  const ArrayEntry* arrays = ProgramArrays.Find(0);
  const uint32_t numbers = static_cast<uint32_t>(variables.numbers.size());
  const int32_t* numberCells = variables.numbers.data();
  SavedNumber* number = savedNumbers_.Room(numbers);
  uint32_t saved = 0;
  for (uint32_t k = 0; k < numbers; ++k) {
    const int32_t cell = numberCells[k];
    if (!arrays[cell - kVariableCellBase[0]].IsDimensioned()) number[saved++] = {cell, cells[cell].i};
  }
  savedNumbers_.Commit(saved);
  if (variables.texts.empty()) return;
  SavedText* text = savedTexts_.Room(static_cast<uint32_t>(variables.texts.size()));
  saved = 0;
  for (int32_t cell : variables.texts) {
    if (!IsDimensionedArray(cell)) text[saved++] = {cell, NewText(CellText(cells[cell]))};
  }
  savedTexts_.Commit(saved);
}

// Numeric temporaries are copied; string temporaries are moved out (the cell is left without a
// text, which reads as the empty text) so the callee's stores free nothing the save still holds.
// The three kinds lie in three blocks; each is copied by its own loop.
[[gnu::always_inline]] inline void ReturnStack::SaveTemporaries(ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) return;
  const TemporaryUsage usage = CachedTemporaryUsage(frame.temporaryWindow);
  frame.savedTemps = usage;
  const uint32_t integers = usage.count[0], floats = usage.count[1], texts = usage.count[2];
  const uint32_t total = integers + floats + texts;
  ValueCell* saved = savedTemps_.Room(total);
  const ValueCell* integerCells = cells + kTemporaryCellBase[0] + frame.temporaryWindow;
  for (uint32_t i = 0; i < integers; ++i) *saved++ = integerCells[i];
  const ValueCell* floatCells = cells + kTemporaryCellBase[1] + frame.temporaryWindow;
  for (uint32_t i = 0; i < floats; ++i) *saved++ = floatCells[i];
  ValueCell* textCells = cells + kTemporaryCellBase[2] + frame.temporaryWindow;
  for (uint32_t i = 0; i < texts; ++i) {
    *saved++ = textCells[i];
    textCells[i].s = nullptr;
  }
  savedTemps_.Commit(total);
}

// ---- Popping ----

[[gnu::always_inline]] inline void ReturnStack::RestoreTemporaries(const ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  const ValueCell* saved = savedTemps_.From(frame.savedTempsBegin);  // none saved yet: no storage
  const uint32_t integers = frame.savedTemps.count[0], floats = frame.savedTemps.count[1],
                 texts = frame.savedTemps.count[2];
  if (cells != nullptr) [[likely]] {
    ValueCell* integerCells = cells + kTemporaryCellBase[0] + frame.temporaryWindow;
    for (uint32_t i = 0; i < integers; ++i) integerCells[i] = *saved++;
    ValueCell* floatCells = cells + kTemporaryCellBase[1] + frame.temporaryWindow;
    for (uint32_t i = 0; i < floats; ++i) floatCells[i] = *saved++;
    ValueCell* textCells = cells + kTemporaryCellBase[2] + frame.temporaryWindow;
    for (uint32_t i = 0; i < texts; ++i) {
      std::free(textCells[i].s);
      textCells[i] = *saved++;
    }
  } else {
    saved += integers + floats;
    for (uint32_t i = 0; i < texts; ++i) std::free(saved[i].s);
  }
  savedTemps_.Truncate(frame.savedTempsBegin);
}

int32_t ReturnStack::PopGosub() {
  const int32_t returnWord = frames_.back().returnWord;
  frames_.pop_back();
  return returnWord;
}

ReturnFrame ReturnStack::PopCall() {
  while (frames_.back().kind != FrameKind::Call) frames_.pop_back();
  const ReturnFrame frame = frames_.back();
  frames_.pop_back();
  --callFrames_;
  RestoreTemporaries(frame);
  RunningScope = frame.savedScope;
  return frame;
}

void ReturnStack::RestoreFunctionLocals(const ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  const uint32_t numbersEnd = savedNumbers_.Size();
  if (cells != nullptr) [[likely]] {
    const SavedNumber* saved = savedNumbers_.From(0);
    for (uint32_t i = frame.savedNumbersBegin; i < numbersEnd; ++i) {
      cells[saved[i].cell].i = saved[i].bits;
    }
  }
  for (uint32_t i = frame.savedTextsBegin; i < savedTexts_.Size(); ++i) {
    SavedText& saved = savedTexts_[i];
    if (cells == nullptr) {
      std::free(saved.text);
      continue;
    }
    std::free(cells[saved.cell].s);
    cells[saved.cell].s = saved.text;
  }
  savedNumbers_.Truncate(frame.savedNumbersBegin);
  savedTexts_.Truncate(frame.savedTextsBegin);
}

void ReturnStack::Unwind() {
  while (!frames_.empty()) {
    if (frames_.back().kind == FrameKind::Gosub) {
      PopGosub();
      continue;
    }
    RestoreFunctionLocals(PopCall());
  }
}

void ReturnStack::Clear() {
  for (uint32_t i = 0; i < savedTexts_.Size(); ++i) std::free(savedTexts_[i].text);
  for (const ReturnFrame& frame : frames_) {
    if (frame.kind != FrameKind::Call) continue;
    const uint32_t texts = frame.savedTempsBegin + frame.savedTemps.count[0] + frame.savedTemps.count[1];
    for (uint32_t i = 0; i < frame.savedTemps.count[2]; ++i) std::free(savedTemps_[texts + i].s);
  }
  savedNumbers_.Truncate(0);
  savedTexts_.Truncate(0);
  savedTemps_.Truncate(0);
  frames_.clear();
  callFrames_ = 0;
}

}  // namespace qm
