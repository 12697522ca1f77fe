// The ReturnStack and the saving of variables and temporaries across user-function calls.
#include <cstring>

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
constexpr CellKind kCellKindOfType[3] = {CellKind::Integer, CellKind::Float, CellKind::String};
constexpr int32_t kTemporaryCellBase[3] = {kIntTemporaries - kFirstOperand,
                                           kFloatTemporaries - kFirstOperand,
                                           kStringTemporaries - kFirstOperand};
constexpr int32_t kMaxScopes = 1025;  // the main program and 1,024 user functions

struct ScopeVariableLists {
  int32_t counts[3] = {-1, -1, -1};
  std::vector<std::vector<int32_t>> byScope;
  std::vector<bool> built;
};
ScopeVariableLists gScopeLists;

bool VariableCountsChanged() {
  for (int t = 0; t < 3; ++t) {
    if (gScopeLists.counts[t] != ProgramImage.variableCounts[t]) return true;
  }
  return false;
}

// An array variable's cell is not a value of its own: arrays are never saved across a call.
bool IsDimensionedArray(int32_t cellIndex) {
  return ProgramArrays.IsDimensioned(cellIndex - (kIntVariables - kFirstOperand));
}

}  // namespace

void ForgetScopeVariableLists() {
  gScopeLists = ScopeVariableLists{};
}

const std::vector<int32_t>& VariablesOfScope(int16_t scope) {
  static const std::vector<int32_t> kNone;
  if (scope < 0 || scope >= kMaxScopes) return kNone;
  if (VariableCountsChanged() || gScopeLists.byScope.empty()) {
    ForgetScopeVariableLists();
    gScopeLists.byScope.resize(kMaxScopes);
    gScopeLists.built.assign(kMaxScopes, false);
    for (int t = 0; t < 3; ++t) gScopeLists.counts[t] = ProgramImage.variableCounts[t];
  }
  std::vector<int32_t>& list = gScopeLists.byScope[static_cast<size_t>(scope)];
  if (gScopeLists.built[static_cast<size_t>(scope)]) return list;
  for (int t = 0; t < 3; ++t) {
    const int32_t* table = ProgramImage.scopeTables[t];
    const int32_t count = std::min(ProgramImage.variableCounts[t], kVariablesPerType);
    if (table == nullptr) continue;
    for (int32_t i = 0; i < count; ++i) {
      if (table[i] == scope) list.push_back(kVariableCellBase[t] + i);
    }
  }
  gScopeLists.built[static_cast<size_t>(scope)] = true;
  return list;
}

void ReturnStack::PushGosub(int32_t returnWord) {
  frames_.push_back({FrameKind::Gosub, RunningScope, returnWord, 0, 0,
                     static_cast<uint32_t>(savedCells_.size()),
                     static_cast<uint32_t>(savedTemps_.size())});
}

void ReturnStack::PushCall(int32_t returnWord, int32_t resultWord, int16_t callerScope,
                           int32_t calleeScope) {
  ReturnFrame frame{FrameKind::Call,
                    callerScope,
                    returnWord,
                    resultWord,
                    TemporaryWindowOf(calleeScope),
                    static_cast<uint32_t>(savedCells_.size()),
                    static_cast<uint32_t>(savedTemps_.size())};
  if (callerScope != 0) SaveScopeVariables(callerScope);
  SaveTemporaryWindow(frame.temporaryWindow);
  frames_.push_back(frame);
  ++callFrames_;
}

void ReturnStack::SaveScopeVariables(int16_t scope) {
  ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) return;
  for (int32_t cellIndex : VariablesOfScope(scope)) {
    if (IsDimensionedArray(cellIndex)) continue;
    const CellKind kind = kCellKindOfType[(cellIndex - kVariableCellBase[0]) / kVariablesPerType];
    SavedCell saved{cellIndex, kind, cells[cellIndex]};
    if (kind == CellKind::String) saved.value.s = NewText(CellText(cells[cellIndex]));
    savedCells_.push_back(saved);
  }
}

// Numeric temporaries are copied; string temporaries are moved out (the cell is left without a
// text, which reads as the empty text) so the callee's stores free nothing the save still holds.
void ReturnStack::SaveTemporaryWindow(int32_t window) {
  ValueCell* cells = ProgramImage.dataBlock;
  if (cells == nullptr) return;
  for (int t = 0; t < 3; ++t) {
    ValueCell* first = cells + kTemporaryCellBase[t] + window;
    savedTemps_.insert(savedTemps_.end(), first, first + kTemporaryWindowSize);
  }
  ValueCell* texts = cells + kTemporaryCellBase[2] + window;
  for (int32_t i = 0; i < kTemporaryWindowSize; ++i) texts[i].s = nullptr;
}

void ReturnStack::RestoreTemporaries(const ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  const ValueCell* saved = savedTemps_.data() + frame.savedTempsBegin;
  if (cells != nullptr && frame.savedTempsBegin < savedTemps_.size()) {
    ValueCell* texts = cells + kTemporaryCellBase[2] + frame.temporaryWindow;
    for (int32_t i = 0; i < kTemporaryWindowSize; ++i) FreeText(texts[i].s);
    for (int t = 0; t < 3; ++t) {
      std::memcpy(static_cast<void*>(cells + kTemporaryCellBase[t] + frame.temporaryWindow),
                  saved + t * kTemporaryWindowSize, kTemporaryWindowSize * sizeof(ValueCell));
    }
  } else {
    // No data block to put them back into: free the saved texts.
    for (size_t i = frame.savedTempsBegin; i < savedTemps_.size(); ++i) {
      if (i - frame.savedTempsBegin >= 2 * kTemporaryWindowSize) FreeText(savedTemps_[i].s);
    }
  }
  savedTemps_.resize(frame.savedTempsBegin);
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
  for (size_t i = frame.savedCellsBegin; i < savedCells_.size(); ++i) {
    SavedCell& saved = savedCells_[i];
    if (cells == nullptr) {
      if (saved.kind == CellKind::String) FreeText(saved.value.s);
      continue;
    }
    ValueCell& cell = cells[saved.cellIndex];
    if (saved.kind == CellKind::String) FreeText(cell.s);
    cell = saved.value;
  }
  savedCells_.resize(frame.savedCellsBegin);
}

void ReturnStack::TruncateSavedCells(uint32_t begin) {
  for (size_t i = begin; i < savedCells_.size(); ++i) {
    if (savedCells_[i].kind == CellKind::String) FreeText(savedCells_[i].value.s);
  }
  savedCells_.resize(begin);
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
  TruncateSavedCells(0);
  for (size_t i = 0; i < savedTemps_.size(); ++i) {
    if (i % (3 * kTemporaryWindowSize) >= 2 * kTemporaryWindowSize) FreeText(savedTemps_[i].s);
  }
  savedTemps_.clear();
  frames_.clear();
  callFrames_ = 0;
}

}  // namespace qm
