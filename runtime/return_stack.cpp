// The ReturnStack, and the save plans that tell a user-function call what to save: the caller's
// variables and the callee's temporaries. The call and its return run inline (control_flow.h);
// this file builds the plans and holds the colder paths (texts, GOSUB, end of a run).
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "resources/command_ids.h"
#include "runtime/arrays.h"
#include "runtime/command_dispatch.h"
#include "runtime/control_flow.h"
#include "runtime/program_image.h"
#include "runtime/value_text.h"

namespace qm {

int16_t RunningScope = 0;
ReturnStack ProgramReturnStack;

namespace {

constexpr int32_t kTemporaryWindows = kLastTemporaryWindow / kTemporaryWindowSize + 1;

// ---- Building the plans ----

// The variable cells of each function scope, numbers and texts apart, as the scope tables give
// them. Scope numbers the tables hold outside the functions' range, and the main program's
// variables, are listed nowhere.
struct VariablesByScope {
  std::vector<std::vector<int32_t>> numbers = std::vector<std::vector<int32_t>>(kMaxScopes);
  std::vector<std::vector<int32_t>> texts = std::vector<std::vector<int32_t>>(kMaxScopes);
};

VariablesByScope GatherVariablesByScope() {
  VariablesByScope byScope;
  for (int t = 0; t < 3; ++t) {
    const int32_t* table = ProgramImage.scopeTables[t];
    if (table == nullptr) continue;
    const int32_t count = std::clamp(ProgramImage.variableCounts[t], 0, kVariablesPerType);
    auto& lists = t == 2 ? byScope.texts : byScope.numbers;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t scope = table[i];
      if (scope > 0 && scope < kMaxScopes)
        lists[static_cast<size_t>(scope)].push_back(kVariableCellBase[t] + i);
    }
  }
  return byScope;
}

// Counts, for each window, the temporaries named by the program words in [0, end). Only
// temporaries are numbers from 10000 to 12999 in a program: command ids and counts are below
// 10000, every other operand above.
std::array<TemporaryUsage, kTemporaryWindows> GatherTemporaryUsage() {
  std::array<TemporaryUsage, kTemporaryWindows> windows{};
  const int32_t* words = ProgramImage.programBlock;
  if (words == nullptr) return windows;
  const int32_t end =
      std::clamp(ProgramImage.transferToCounters.programWrite, 0, ProgramImage.programCapacity);
  for (int32_t at = 0; at < end; ++at) {
    const uint32_t offset = static_cast<uint32_t>(words[at]) - static_cast<uint32_t>(kIntTemporaries);
    if (offset >= static_cast<uint32_t>(3 * kTemporariesPerType)) continue;
    const int32_t type = static_cast<int32_t>(offset) / kTemporariesPerType;
    const int32_t cell = static_cast<int32_t>(offset) % kTemporariesPerType;
    const int32_t window = std::min(cell / kTemporaryWindowSize, kTemporaryWindows - 1);
    const auto used = static_cast<uint8_t>(cell - window * kTemporaryWindowSize + 1);
    uint8_t& count = windows[static_cast<size_t>(window)].count[static_cast<size_t>(type)];
    count = std::max(count, used);
  }
  return windows;
}

TemporaryUsage UsageOfWindow(const std::array<TemporaryUsage, kTemporaryWindows>& windows, int32_t window) {
  return windows[static_cast<size_t>(std::clamp(window / kTemporaryWindowSize, 0, kTemporaryWindows - 1))];
}

}  // namespace

CallSavePlans CallSavePlansInUse;

void BuildCallSavePlans() {
  const VariablesByScope variables = GatherVariablesByScope();
  const std::array<TemporaryUsage, kTemporaryWindows> windows = GatherTemporaryUsage();
  CallSavePlans plans;
  plans.scopes.resize(kMaxScopes + 1);
  for (int32_t scope = 0; scope <= kMaxScopes; ++scope) {
    ScopeSavePlan& plan = plans.scopes[static_cast<size_t>(scope)];
    plan.temporaryWindow = TemporaryWindowOf(scope);
    plan.temporaries = UsageOfWindow(windows, plan.temporaryWindow);
    if (scope == kMaxScopes) continue;
    const auto& numbers = variables.numbers[static_cast<size_t>(scope)];
    const auto& texts = variables.texts[static_cast<size_t>(scope)];
    plan.numbersBegin = static_cast<uint32_t>(plans.cells.size());
    plans.cells.insert(plans.cells.end(), numbers.begin(), numbers.end());
    plan.numbersEnd = plan.textsBegin = static_cast<uint32_t>(plans.cells.size());
    plans.cells.insert(plans.cells.end(), texts.begin(), texts.end());
    plan.textsEnd = static_cast<uint32_t>(plans.cells.size());
  }
  plans.imageGeneration = ProgramImage.transferGeneration;
  CallSavePlansInUse = std::move(plans);
}

// ---- Flat save lists ----

namespace {

struct OwnedFlatList {
  std::vector<int32_t> cells;
  FlatSaveList list;
};

// Every list made, by the plans' generation, the two scopes and the word the call returns to. A
// call frame may point at a list of an earlier generation (a line typed at the command line while
// a call was active), so lists are dropped only when no call frame is left.
using FlatListKey = std::tuple<uint32_t, int32_t, int32_t, int32_t>;
std::map<FlatListKey, std::unique_ptr<OwnedFlatList>>& FlatLists() {
  static std::map<FlatListKey, std::unique_ptr<OwnedFlatList>> lists;
  return lists;
}

// The commands the walk after a return follows: each only computes (it cannot stop the program,
// jump or raise an error), writes its first operand and reads the others.
constexpr int32_t kWritesFirst[] = {
    kOpAssignLL,   kOpAssignFF,        kOpAddLLL,  kOpSubLLL,       kOpMulLLL,   kOpAndLLL,
    kOpOrLLL,      kOpAddFLF,          kOpAddFFL,  kOpAddFFF,       kOpSubFLF,   kOpSubFFL,
    kOpSubFFF,     kOpMulFLF,          kOpMulFFL,  kOpMulFFF,       kOpEqualLLL, kOpNotEqualLLL,
    kOpGreaterLLL, kOpGreaterEqualLLL, kOpLessLLL, kOpLessEqualLLL,
};
constexpr int32_t kLongestWalk = 16;  // commands; calls return into short statements

// The operands of such a command as its registration gives them, or 0 for any other command.
int32_t OperandsOfWritesFirst(int32_t command) {
  if (std::find(std::begin(kWritesFirst), std::end(kWritesFirst), command) == std::end(kWritesFirst))
    return 0;
  const char* signature = RegisteredOperands(command).signature;
  return signature != nullptr ? static_cast<int32_t>(std::strlen(signature)) : 0;
}

// Which of the callee's temporaries `listed` the caller can read after the call returns to
// `returnWord` before writing them: those a return must put back. The result cell is written by
// the return itself. From the return word the walk follows commands that only compute and
// write their first operand; a temporary one of them reads is needed, one it writes first is
// not, and every temporary still undecided where the walk stops (any other command) is needed.
// A temporary that is not put back holds the callee's value only until the caller overwrites it,
// with nothing between that could read it: the values the program can see are unchanged.
std::vector<bool> TemporariesNeededAfter(int32_t returnWord, const ValueCell* resultCell,
                                         const std::vector<int32_t>& listed) {
  const ValueCell* cells = Interpreter.cells;
  std::vector<bool> needed(listed.size(), false), decided(listed.size(), false);
  for (size_t t = 0; t < listed.size(); ++t) decided[t] = cells + listed[t] == resultCell;
  const auto decide = [&](const ValueCell* cell, bool read) {
    for (size_t t = 0; t < listed.size(); ++t) {
      if (!decided[t] && cells + listed[t] == cell) {
        decided[t] = true;
        needed[t] = read;
      }
    }
  };
  int32_t index = returnWord;
  for (int32_t walked = 0; walked < kLongestWalk && index >= 0; ++walked) {
    if (static_cast<uint32_t>(index) >= Interpreter.wordCount) break;
    const int32_t operands = OperandsOfWritesFirst(Interpreter.words[index]);
    if (operands == 0 || static_cast<uint32_t>(index + operands) >= Interpreter.wordCount) break;
    const Pc at = DecodedAt(index);
    for (int32_t k = 2; k <= operands; ++k) decide(at[k].cell, true);
    decide(at[1].cell, false);
    index += 1 + operands;
  }
  for (size_t t = 0; t < listed.size(); ++t) {
    if (!decided[t]) needed[t] = true;
  }
  return needed;
}

}  // namespace

const FlatSaveList* FlatSaveListFor(int32_t callerScope, int32_t calleeScope, int32_t returnWord,
                                    const ValueCell* resultCell) {
  const CallSavePlans& plans = CurrentCallSavePlans();
  const ScopeSavePlan& caller = plans.Of(callerScope);
  const ScopeSavePlan& callee = plans.Of(calleeScope);
  if (caller.textsBegin != caller.textsEnd || callee.temporaries.count[2] != 0) return nullptr;
  std::unique_ptr<OwnedFlatList>& owned =
      FlatLists()[{plans.imageGeneration, callerScope, calleeScope, returnWord}];
  if (owned == nullptr) {
    owned = std::make_unique<OwnedFlatList>();
    std::vector<int32_t> temporaries;
    for (int t = 0; t < 2; ++t) {
      for (int32_t i = 0; i < callee.temporaries.count[static_cast<size_t>(t)]; ++i) {
        temporaries.push_back(kTemporaryCellBase[t] + callee.temporaryWindow + i);
      }
    }
    const std::vector<bool> needed = TemporariesNeededAfter(returnWord, resultCell, temporaries);
    for (size_t t = 0; t < temporaries.size(); ++t) {
      if (needed[t]) owned->cells.push_back(temporaries[t]);
    }
    owned->list.temporaries = static_cast<uint32_t>(owned->cells.size());
    owned->cells.insert(owned->cells.end(), plans.cells.begin() + caller.numbersBegin,
                        plans.cells.begin() + caller.numbersEnd);
    owned->list.count = static_cast<uint32_t>(owned->cells.size());
    owned->list.cells = owned->cells.data();
  }
  return &owned->list;
}

void ForgetCallSavePlans() {
  CallSavePlansInUse = CallSavePlans{};
  if (!ProgramReturnStack.HasCallFrame()) FlatLists().clear();
}

// ---- GOSUB ----

void ReturnStack::PushGosub(int32_t returnWord) {
  frames_.Push({FrameKind::Gosub,
                CellKind::Integer,
                {},
                RunningScope,
                returnWord,
                0,
                savedNumbers_.Size(),
                savedTexts_.Size(),
                savedTemps_.Size(),
                nullptr,
                nullptr});
  ++gosubFrames_;
}

int32_t ReturnStack::PopGosub() {
  const int32_t returnWord = frames_.Back().returnWord;
  frames_.Pop();
  --gosubFrames_;
  return returnWord;
}

// ---- Texts of the caller's variables ----

// A text variable is saved as a copy: the callee starts with the caller's value, as with
// numbers.
void ReturnStack::SaveScopeTexts(const CallSavePlans& plans, const ScopeSavePlan& scope) {
  const ValueCell* cells = ProgramImage.dataBlock;
  SavedText* text = savedTexts_.Room(scope.textsEnd - scope.textsBegin);
  uint32_t saved = 0;
  for (uint32_t k = scope.textsBegin; k < scope.textsEnd; ++k) {
    const int32_t cell = plans.cells[k];
    if (!ProgramArrays.IsDimensioned(cell - kVariableCellBase[0])) {
      text[saved++] = {cell, NewText(CellText(cells[cell]))};
    }
  }
  savedTexts_.Commit(saved);
}

void ReturnStack::RestoreScopeTexts(const ReturnFrame& frame) {
  ValueCell* cells = ProgramImage.dataBlock;
  for (uint32_t i = frame.savedTextsBegin; i < savedTexts_.Size(); ++i) {
    SavedText& saved = savedTexts_[i];
    if (cells == nullptr) {
      std::free(saved.text);
      continue;
    }
    std::free(cells[saved.cell].s);
    cells[saved.cell].s = saved.text;
  }
  savedTexts_.Truncate(frame.savedTextsBegin);
}

// ---- End of a run ----

void ReturnStack::Unwind() {
  while (frames_.Size() != 0) {
    if (frames_.Back().kind == FrameKind::Gosub) {
      PopGosub();
      continue;
    }
    RestoreFunctionLocals(PopCall());
  }
}

void ReturnStack::Clear() {
  for (uint32_t i = 0; i < savedTexts_.Size(); ++i) std::free(savedTexts_[i].text);
  for (uint32_t f = 0; f < frames_.Size(); ++f) {
    const ReturnFrame& frame = frames_[f];
    if (frame.kind != FrameKind::Call || frame.flat != nullptr) continue;
    const uint32_t texts = frame.savedTempsBegin + frame.savedTemps.count[0] + frame.savedTemps.count[1];
    for (uint32_t i = 0; i < frame.savedTemps.count[2]; ++i) std::free(savedTemps_[texts + i].s);
  }
  savedNumbers_.Truncate(0);
  savedTexts_.Truncate(0);
  savedTemps_.Truncate(0);
  flatValues_.Truncate(0);
  frames_.Truncate(0);
  gosubFrames_ = 0;
}

}  // namespace qm
