// The editor's services as the rest of the system calls them, with the stand-in editor.
#include "editor/editor_services.h"

#include <gtest/gtest.h>

#include "editor/editor_stand_in.h"
#include "runtime/run_loop.h"

namespace qm {
namespace {

class EditorServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    gEditorShared = EditorSharedState();
    ResetEditorStandIn();
  }
};

TEST_F(EditorServicesTest, WithoutAnEditorEverySessionQuitsAndTheRestDoesNothing) {
  SetInputMode(InputMode::Program);
  StartEditor();
  ResetPointerState();
  ShowCompileProgress(50);
  ShowProgressMessage("Adding a.bmp...");
  EXPECT_EQ(RunEditorSession(nullptr), EditorLoopState::Quit);
  EXPECT_EQ(CurrentInputMode(), InputMode::Program);
}

TEST_F(EditorServicesTest, StandInSessionsEndInTheScriptedStatesThenQuit) {
  InstallEditorStandIn();
  QueueEditorSessionStates({EditorLoopState::CompileAndRun, EditorLoopState::CompileOnly});
  QueueEditorSessionStates({EditorLoopState::DisplayRestored, EditorLoopState::CommandLineWithoutProgram});
  StartEditor();
  for (EditorLoopState expected :
       {EditorLoopState::CompileAndRun, EditorLoopState::CompileOnly, EditorLoopState::DisplayRestored,
        EditorLoopState::CommandLineWithoutProgram, EditorLoopState::Quit, EditorLoopState::Quit}) {
    EXPECT_EQ(RunEditorSession(nullptr), expected);
  }
  EXPECT_EQ(EditorStandInActivity().startCount, 1);
  EXPECT_EQ(EditorStandInActivity().sessionCount, 6);
}

TEST_F(EditorServicesTest, AStandInSessionTakesTheInput) {
  InstallEditorStandIn();
  SetInputMode(InputMode::Program);
  RunEditorSession(nullptr);
  EXPECT_EQ(CurrentInputMode(), InputMode::Editor);
  // The editor's mode is the one the run loop and the input reader see.
  EXPECT_EQ(RunLoop.inputMode, InputMode::Editor);
}

TEST_F(EditorServicesTest, PointerResetsReachTheEditorAndProgressDrawsNothingWithoutItsScreen) {
  InstallEditorStandIn();
  ResetPointerState();
  ResetPointerState();
  ShowCompileProgress(100);
  ShowProgressMessage("Adding music.mid...");
  EXPECT_EQ(EditorStandInActivity().pointerResets, 2);
}

TEST_F(EditorServicesTest, CommandLineProgramFileIsKeptForTheEditor) {
  EXPECT_EQ(CommandLineProgramFile(), "");
  CommandLineProgramFile() = "games/space.qma";
  EXPECT_EQ(gEditorShared.commandLineProgramFile, "games/space.qma");
}

}  // namespace
}  // namespace qm
