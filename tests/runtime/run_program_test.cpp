// The run entry: a program through the real set-up, run loop and close, and how its run ended.
#include "runtime/run_program.h"

#include <gtest/gtest.h>

#include <string>

#include "core_fixture.h"
#include "image_builder.h"
#include "io/input_state.h"
#include "io/io_subsystem.h"
#include "platform/headless/scripted_input.h"
#include "resources/command_ids.h"
#include "runtime/runtime_subsystem.h"

namespace qm::test {
namespace {

class RunProgramTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    Install({&kRuntimeSubsystem, &kIoSubsystem});
  }
};

// A compiled program whose end counters say it has more words than a program may have.
class OversizedProgram final : public ParsedProgram {
 public:
  OversizedProgram() {
    inner_.Command(kCmdEnd);
    inner_.EndProgram();
    end_ = inner_.ProgramEndCounters();
    end_.programWrite = kMaxProgramWords;
  }
  const int32_t* ProgramWords() const override { return inner_.ProgramWords(); }
  const int32_t* LineWords() const override { return inner_.LineWords(); }
  int32_t ProgramCapacity() const override { return inner_.ProgramCapacity(); }
  ValueCell LiteralValue(int32_t operandNumber) const override { return inner_.LiteralValue(operandNumber); }
  char DataTypeLetter(int32_t item) const override { return inner_.DataTypeLetter(item); }
  int16_t VariableScope(ValueType type, int32_t index) const override {
    return inner_.VariableScope(type, index);
  }
  const CompileCounters& ProgramStartCounters() const override { return inner_.ProgramStartCounters(); }
  const CompileCounters& ProgramEndCounters() const override { return end_; }
  const CompileCounters& PieceStartCounters() const override { return inner_.PieceStartCounters(); }
  const CompileCounters& PieceEndCounters() const override { return end_; }

 private:
  ImageBuilder inner_;
  CompileCounters end_;
};

TEST_F(RunProgramTest, AProgramTheLoaderRefusesIsASystemErrorThatSaysWhy) {
  OversizedProgram program;
  RunOptions options;
  options.program = &program;
  const RunOutcome outcome = RunProgram(options);
  EXPECT_EQ(outcome.end, RunEnd::SystemError);
  EXPECT_NE(outcome.text.find("The program could not be loaded: the program has 67108864 words; at most"),
            std::string::npos)
      << outcome.text;
}

// The run reads the input in the program's mode, whatever mode the system was in before (the
// editor's reads no mouse), so the mouse's messages move MouseState.
TEST_F(RunProgramTest, TheProgramRunsInItsOwnInputModeAndReadsTheMouse) {
  ImageBuilder program;
  program.Command(kCmdEnd);
  program.EndProgram();
  SetInputMode(InputMode::Editor);
  platform::headless::ScriptMouseMove(100, 100);
  platform::headless::ScriptMouseMove(112, 90);
  platform::headless::ScriptMouseWheel(2);
  RunOptions options;
  options.program = &program;
  InputMode modeAfterTheRun = InputMode::Editor;
  MouseStateRecord mouse;
  options.afterRun = [&] {
    modeAfterTheRun = CurrentInputMode();
    mouse = MouseState;
  };
  const RunOutcome outcome = RunProgram(options);
  EXPECT_EQ(outcome.end, RunEnd::Ended);
  EXPECT_EQ(modeAfterTheRun, InputMode::Program);
  EXPECT_EQ(mouse.x, 332);
  EXPECT_EQ(mouse.y, 230);
  EXPECT_EQ(mouse.z, 52);
  EXPECT_EQ(mouse.moveZ, 2);
}

}  // namespace
}  // namespace qm::test
