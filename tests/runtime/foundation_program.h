// Running hand-built programs of the foundation commands through the real interpreter, and the
// word patterns the compiler emits for FOR, user functions and the like. Shared by the foundation
// command tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image_builder.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/runtime_subsystem.h"
#include "runtime/subsystem.h"
#include "runtime/value_text.h"

namespace qm::test {

// A program run from its first word until it stops: an error or warning, or a word without a
// handler (the end of the program, a 0 word standing for END).
class FoundationProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static constexpr const Subsystem* kRuntimeOnly[] = {&kRuntimeSubsystem};
    InstallSubsystems(kRuntimeOnly);
  }
  void TearDown() override {
    RunSubsystemSteps(&Subsystem::runEnd);
    RunSubsystemSteps(&Subsystem::freeRunData);
    FreeProgramImage();
  }

  // Loads the program (ending it first when the test did not) and runs it. Returns the pending
  // error code, 0 when the program stopped on a word without a handler.
  int32_t Run(ImageBuilder& program) {
    if (program.ProgramEndCounters().programWrite == 0) program.EndProgram();
    EXPECT_TRUE(CreateQuillmoorBlocksFromParser(program));
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    return Resume();
  }

  // Goes on from where the program stopped (ESC after a warning), until it stops again: an error,
  // or a word where no command runs.
  int32_t Resume() {
    PendingErrorCode = 0;
    DisplayReadyFlag = 1;
    SyncOffSetting = 0;  // no time budget: a slice runs until the program stops
    for (int slice = 0; slice < kMaxSlices; ++slice) {
      ExecuteSlice();
      if (PendingErrorCode != 0) return PendingErrorCode;
      if (!CommandRunsAt(ProgramCounter)) return 0;
    }
    ADD_FAILURE() << "the program did not stop";
    return -1;
  }

  static ValueCell& Cell(int32_t operand) { return ProgramImage.dataBlock[operand - kFirstOperand]; }
  static int32_t Int(int32_t operand) { return Cell(operand).i; }
  static float Float(int32_t operand) { return Cell(operand).f; }
  static std::string Text(int32_t operand) { return CellText(Cell(operand)); }

  static constexpr int kMaxSlices = 100;
};

// FOR v = start TO limit STEP step as the compiler emits it: v := start - step, then the FOR
// command at the loop's top. Returns the FOR command's word; Next closes the loop.
inline int32_t EmitFor(ImageBuilder& b, int32_t variable, int32_t start, int32_t limit, int32_t step,
                       int32_t temporary) {
  b.Command(kOpSubLLL, {temporary, start, step});
  b.Command(kOpAssignLL, {variable, temporary});
  return b.Command(kCmdFor, {variable, limit, step, 0});
}
inline void EmitNext(ImageBuilder& b, int32_t variable, int32_t forWord) {
  b.Command(kCmdNext, {variable, ImageBuilder::WordAddress(forWord)});
  b.Patch(forWord + 4, ImageBuilder::WordAddress(b.Here()));
}

// A user function's header as the compiler emits it: STOP (so code running into the body stops),
// then the entry: one word per parameter and the function's ScopeNumber. Returns the entry word.
inline int32_t EmitFunctionHeader(ImageBuilder& b, std::initializer_list<int32_t> parameters, int32_t scope) {
  b.Command(kCmdStop);
  const int32_t entry = b.Here();
  for (int32_t parameter : parameters) b.Emit(parameter);
  b.Emit(scope);
  return entry;
}

// A call: FUNCTION [entry][result][count literal][arguments...].
inline void EmitCall(ImageBuilder& b, int32_t entry, int32_t result,
                     std::initializer_list<int32_t> arguments) {
  b.Emit(kCmdFunction);
  b.Emit(ImageBuilder::WordAddress(entry));
  b.Emit(result);
  b.Emit(b.IntLiteral(static_cast<int32_t>(arguments.size())));
  for (int32_t argument : arguments) b.Emit(argument);
}

// The end of the main program: a word without a handler stops it without an error.
inline void EmitEnd(ImageBuilder& b) { b.Emit(0); }

}  // namespace qm::test
