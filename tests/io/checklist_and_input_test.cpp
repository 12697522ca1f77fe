// The checklist and the keyboard and mouse state.
#include <gtest/gtest.h>

#include <string>

#include "io/checklist.h"
#include "io/input_state.h"
#include "io/io_subsystem.h"
#include "platform/headless/scripted_input.h"
#include "platform/keys.h"
#include "runtime/frame_services.h"

namespace qm {
namespace {

TEST(ChecklistTest, ResetGivesEveryEntryMinusOneAndAnEmptyText) {
  Checklist.count = 7;
  Checklist.exists = Checklist.hasValues = Checklist.hasStrings = 1;
  Checklist.entries[511].d = 3;
  SetChecklistText(511, "mode");
  ResetChecklist();
  EXPECT_EQ(Checklist.count, 0);
  EXPECT_EQ(Checklist.exists + Checklist.hasValues + Checklist.hasStrings, 0);
  for (const ChecklistEntry& entry : Checklist.entries) {
    ASSERT_EQ(entry.a, -1);
    ASSERT_EQ(entry.b, -1);
    ASSERT_EQ(entry.c, -1);
    ASSERT_EQ(entry.d, -1);
    ASSERT_EQ(entry.text, "");
  }
}

TEST(ChecklistTest, TextsAreCutToTheFieldAndEntriesOutsideTheListRefused) {
  EXPECT_TRUE(SetChecklistText(0, std::string(300, 'x')));
  EXPECT_EQ(Checklist.entries[0].text.size(), kChecklistTextLimit);
  EXPECT_FALSE(SetChecklistText(512, "x"));
  EXPECT_FALSE(SetChecklistText(-1, "x"));
  ResetChecklist();
}

InputDeviceReading gReading;
InputDeviceReading ScriptedReading() { return gReading; }

class InputStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::ResetHeadlessPlatform();
    SetInputDeviceReader(ScriptedReading);
    gReading = InputDeviceReading{};
    MouseState = MouseStateRecord{};
    KeyboardState.fill(0);
  }
  void TearDown() override {
    SetInputDeviceReader(nullptr);
    platform::headless::ResetHeadlessPlatform();
  }
};

TEST_F(InputStateTest, MouseMotionIsSummedAndThePositionKeptOnTheDisplay) {
  struct Case {
    int32_t dx, dy, dz;
    int32_t x, y, z;
  };
  const Case cases[] = {
      {10, -5, 1, 330, 235, 51}, {1000, 1000, 100, 639, 479, 99}, {-5000, -5000, -500, 0, 0, 0}};
  InputReadContext context;
  for (const Case& c : cases) {
    gReading.dx = c.dx;
    gReading.dy = c.dy;
    gReading.dz = c.dz;
    gReading.buttons = 1;
    ReadInputState(context);
    EXPECT_EQ(MouseState.x, c.x);
    EXPECT_EQ(MouseState.y, c.y);
    EXPECT_EQ(MouseState.z, c.z);
    EXPECT_EQ(MouseState.buttons, 1);
  }
  EXPECT_EQ(MouseState.moveX, 10 + 1000 - 5000);
  ClearMouseMovement();
  EXPECT_EQ(MouseState.moveX, 0);
  EXPECT_EQ(MouseState.moveY, 0);
  EXPECT_EQ(MouseState.moveZ, 1 + 100 - 500) << "the wheel movement stays";
  ResetMouseState();
  EXPECT_EQ(MouseState.x, 320);
  EXPECT_EQ(MouseState.y, 240);
  EXPECT_EQ(MouseState.z, 50);
  EXPECT_EQ(MouseState.buttons, 0);
  ResetMouseState(800, 600);  // the centre of the run's display
  EXPECT_EQ(MouseState.x, 400);
  EXPECT_EQ(MouseState.y, 300);
}

TEST_F(InputStateTest, ThePositionStaysWhenTheWindowMovesThePointerAndTheEditorReadsNoMouse) {
  gReading.dx = 7;
  gReading.buttons = 2;
  gReading.keys[30] = 0x80;
  InputReadContext windowed;
  windowed.mouseFromDevice = false;
  ReadInputState(windowed);
  EXPECT_EQ(MouseState.x, 320);
  EXPECT_EQ(MouseState.buttons, 0);
  EXPECT_EQ(MouseState.moveX, 7);

  InputReadContext editor;
  editor.readMouse = false;
  ReadInputState(editor);
  EXPECT_EQ(MouseState.moveX, 7);
  EXPECT_EQ(KeyboardState[30], 0x80) << "the keyboard is read in every mode";
}

TEST_F(InputStateTest, HeldKeysReadAsTheirScanCodes) {
  SetInputDeviceReader(nullptr);
  const struct {
    int virtualKey;
    uint8_t scanCode;
  } keys[] = {{platform::kVkEscape, 1}, {'A', 30}, {platform::kVkF12, 88}, {platform::kVkUp, 200},
              {platform::kVkSpace, 57}, {'0', 11}};
  for (const auto& key : keys) {
    EXPECT_EQ(ScanCodeOfVirtualKey(key.virtualKey), key.scanCode);
    platform::headless::SetKeyHeld(key.virtualKey, true);
    ReadInputState(InputReadContext{});
    EXPECT_NE(KeyboardState[key.scanCode], 0) << key.virtualKey;
    platform::headless::SetKeyHeld(key.virtualKey, false);
    ReadInputState(InputReadContext{});
    EXPECT_EQ(KeyboardState[key.scanCode], 0) << key.virtualKey;
  }
}

// The default reader takes the motion of the window backend's mouse messages: the position moves
// by it and the move counters sum it.
TEST_F(InputStateTest, ThePlatformsMouseMessagesMoveTheMouse) {
  SetInputDeviceReader(nullptr);
  platform::headless::ScriptMouseMove(50, 50);
  platform::headless::ScriptMouseMove(60, 45);
  platform::headless::ScriptMouseWheel(3);
  ReadInputState(InputReadContext{});
  EXPECT_EQ(MouseState.x, 330);
  EXPECT_EQ(MouseState.y, 235);
  EXPECT_EQ(MouseState.z, 53);
  EXPECT_EQ(MouseState.moveX, 10);
  EXPECT_EQ(MouseState.moveY, -5);
  EXPECT_EQ(MouseState.moveZ, 3);
  platform::headless::ScriptMouseMove(58, 45);
  ReadInputState(InputReadContext{});
  EXPECT_EQ(MouseState.x, 328);
  EXPECT_EQ(MouseState.moveX, 8);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// io's record: the run start resets the checklist and the mouse, the end of a frame clears the
// mouse's motion, through the steps and services the run loop calls.
TEST(IoSubsystemTest, TheRunStartAndTheFrameEndReachTheInputState) {
  Checklist.count = 3;
  MouseState.x = 5;
  kIoSubsystem.runStart();
  EXPECT_EQ(Checklist.count, 0);
  EXPECT_EQ(MouseState.x, 320);

  MouseState.moveX = 4;
  MouseState.moveZ = 2;
  kIoSubsystem.services.system->ClearFrameMotion();
  EXPECT_EQ(MouseState.moveX, 0);
  EXPECT_EQ(MouseState.moveZ, 2);
}

}  // namespace
}  // namespace qm
