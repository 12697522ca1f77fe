// The main window procedure with scripted messages: the break keys by input mode and escape-key
// setting, activation by input mode, window mode and ALWAYS ACTIVE, the snapshot key's file
// names, typed characters, the mouse of a program in a window, and the close request.
#include "runtime/main_window_proc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "platform/keys.h"
#include "recording_services.h"
#include "runtime/print_input.h"
#include "runtime/system_flags.h"

namespace qm::test {
namespace {

class WindowDisplay : public RecordingDisplay {
 public:
  using RecordingDisplay::RecordingDisplay;
  bool WindowModeOn() override { return windowModeOn; }
  bool MouseFollowsDevice() override { return pointerShown || !windowModeOn; }
  void RequestScreenSnapshot(const std::string& fileName) override { snapshots.push_back(fileName); }
  bool windowModeOn = false;
  bool pointerShown = false;
  std::vector<std::string> snapshots;
};

class WindowMouse : public RecordingSystem {
 public:
  using RecordingSystem::RecordingSystem;
  void SetMousePositionFromWindow(int32_t x, int32_t y) override {
    mouseX = x;
    mouseY = y;
  }
  void SetMouseButtonsFromWindow(uint16_t buttons) override { mouseButtons = buttons; }
  int32_t mouseX = -1, mouseY = -1, mouseButtons = -1;
};

class MainWindowProcTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    SystemFlags = SystemFlagsState{};
    record_.services = {&display_, &engine3d_, &sound_, &system_};
    Install({&record_});
    ASSERT_TRUE(platform::CreateMainWindow("Quillmoor Editor", 640, 480, MainWindowProc));
  }
  void TearDown() override {
    SystemFlags = SystemFlagsState{};
    CoreTest::TearDown();
  }

  static int64_t Send(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0) {
    platform::Message message;
    message.id = id;
    message.wParam = wParam;
    message.lParam = lParam;
    return platform::DispatchMessage(message);
  }
  static void KeyDown(int virtualKey) { Send(platform::kMsgKeyDown, static_cast<uint64_t>(virtualKey)); }

  CallLog log_;
  WindowDisplay display_{log_};
  RecordingEngine3D engine3d_{log_};
  RecordingSound sound_{log_};
  WindowMouse system_{log_};
  Subsystem record_;
};

TEST_F(MainWindowProcTest, BreakKeysByInputModeAndEscapeSetting) {
  struct Case {
    const char* what;
    InputMode mode;
    uint8_t escapeEnabled;
    int key;
    bool quit;
    int32_t f11After, f12After;  // from state 1 while the program runs, 0 in the command line
  };
  const Case cases[] = {
      {"ESC in the program", InputMode::Program, 1, platform::kVkEscape, true, 1, 1},
      {"ESC after DISABLE ESCAPEKEY", InputMode::Program, 0, platform::kVkEscape, false, 1, 1},
      {"F11 with ESC disabled", InputMode::Program, 0, platform::kVkF11, true, 2, 1},
      {"F12 with ESC disabled", InputMode::Program, 0, platform::kVkF12, true, 1, 2},
      {"ESC in the command line", InputMode::CommandLine, 1, platform::kVkEscape, true, 0, 0},
      {"F11 in the command line", InputMode::CommandLine, 1, platform::kVkF11, true, 0, 0},
      {"F12 in the command line", InputMode::CommandLine, 1, platform::kVkF12, true, 0, 0},
      {"ESC in the editor", InputMode::Editor, 1, platform::kVkEscape, false, 1, 1},
      {"F12 in the editor", InputMode::Editor, 1, platform::kVkF12, false, 1, 1},
      {"F11 in a dialog screen", InputMode::DialogScreen, 1, platform::kVkF11, false, 1, 1},
      {"another key", InputMode::Program, 1, platform::kVkF10, false, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetInputMode(c.mode);
    EscapeKeyEnabled = c.escapeEnabled;
    const int32_t start = c.mode == InputMode::CommandLine ? 0 : 1;
    BreakKeyF11State = start;
    BreakKeyF12State = start;
    KeyDown(c.key);
    EXPECT_EQ(DrainQuit(), c.quit);
    EXPECT_EQ(BreakKeyF11State, c.f11After);
    EXPECT_EQ(BreakKeyF12State, c.f12After);
  }
}

TEST_F(MainWindowProcTest, ActivationByInputModeWindowModeAndAlwaysActive) {
  struct Case {
    InputMode mode;
    bool windowed;
    uint8_t alwaysActive;
    // After losing the activation:
    uint8_t displayReady, appActive;
    bool paused;
    // After getting it back (from a display marked not ready):
    uint8_t displayReadyAgain;
    bool resumed;
  };
  const Case cases[] = {
      {InputMode::Program, false, 0, 0, 0, true, 1, true},
      {InputMode::Program, false, 1, 1, 1, false, 0, false},
      {InputMode::Program, true, 0, 1, 1, false, 1, true},
      {InputMode::Program, true, 1, 1, 1, false, 0, false},
      {InputMode::CommandLine, false, 0, 0, 0, true, 1, true},
      {InputMode::CommandLine, true, 0, 1, 1, false, 1, true},
      {InputMode::Editor, false, 0, 1, 1, false, 0, false},
      {InputMode::Editor, true, 1, 1, 1, false, 0, false},
      {InputMode::DialogScreen, false, 0, 1, 1, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(c.mode) << " windowed " << c.windowed
                                    << " always active " << int(c.alwaysActive));
    SetInputMode(c.mode);
    display_.windowModeOn = c.windowed;
    AlwaysActiveFlag = c.alwaysActive;
    DisplayReadyFlag = 1;
    AppActiveFlag = 1;
    InputActiveFlag = 1;
    log_.calls.clear();
    Send(platform::kMsgActivate, platform::kActivateInactive);
    EXPECT_EQ(DisplayReadyFlag, c.displayReady);
    EXPECT_EQ(AppActiveFlag, c.appActive);
    EXPECT_EQ(InputActiveFlag, 0);
    const bool paused = !log_.calls.empty() && log_.calls.front() == "PauseAllMusic";
    EXPECT_EQ(paused, c.paused);

    DisplayReadyFlag = 0;
    log_.calls.clear();
    const int restoresBefore = platform::headless::Window().restoreCount;
    Send(platform::kMsgActivate, platform::kActivateActive);
    EXPECT_EQ(DisplayReadyFlag, c.displayReadyAgain);
    EXPECT_EQ(AppActiveFlag, 1);
    EXPECT_EQ(InputActiveFlag, 1);
    const bool resumed = !log_.calls.empty() && log_.calls.front() == "ResumeAllMusic";
    EXPECT_EQ(resumed, c.resumed);
    const bool runHasInput = c.mode == InputMode::Program || c.mode == InputMode::CommandLine;
    EXPECT_EQ(platform::headless::Window().restoreCount - restoresBefore, runHasInput ? 1 : 0);
    EXPECT_EQ(!log_.calls.empty() && log_.calls.back() == "UpdateSound", runHasInput);
  }
}

TEST_F(MainWindowProcTest, SnapshotTakesTheFirstFreeNameInEveryMode) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "snapshots";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  gSettings.programFolder = folder.string() + "/";
  auto make = [&](const std::string& name) { std::ofstream(folder / name) << "x"; };
  const std::string base = gSettings.programFolder + "snapshot";

  SetInputMode(InputMode::Editor);
  KeyDown(platform::kVkF9);
  make("snapshot.bmp");
  make("snapshot1.bmp");
  SetInputMode(InputMode::Program);
  KeyDown(platform::kVkF9);
  for (int n = 2; n <= 99; ++n) make("snapshot" + std::to_string(n) + ".bmp");
  SetInputMode(InputMode::DialogScreen);
  KeyDown(platform::kVkF9);
  EXPECT_EQ(display_.snapshots, (std::vector<std::string>{base + ".bmp", base + "2.bmp", base + "99.bmp"}));
  EXPECT_FALSE(DrainQuit());
  std::filesystem::remove_all(folder);
}

TEST_F(MainWindowProcTest, EveryTypedCharacterIsKeptAndOtherMessagesClearTheLast) {
  ResetPrintInputForRun();
  SetInputMode(InputMode::Program);
  std::string typed;
  for (int i = 0; i < 10000; ++i) {
    const auto c = static_cast<uint8_t>(1 + i % 255);
    typed.push_back(static_cast<char>(c));
    Send(platform::kMsgChar, c);
    if (i % 7 == 0) Send(platform::kMsgMouseMove, 0, platform::PackPoint(i % 640, 1));
  }
  EXPECT_EQ(PrintInput.entryBuffer, typed);
  Send(platform::kMsgChar, 'z');
  EXPECT_EQ(LastTypedCharacter(), 'z');
  Send(platform::kMsgKeyUp, 'Z');
  EXPECT_EQ(LastTypedCharacter(), 0);
}

TEST_F(MainWindowProcTest, TheWindowsMouseMovesAProgramInAWindowWithItsPointerHidden) {
  struct Case {
    bool windowed, pointerShown;
    bool followsWindow;
  };
  for (const Case c : {Case{true, false, true}, Case{true, true, false}, Case{false, false, false}}) {
    SCOPED_TRACE(testing::Message() << "windowed " << c.windowed << " pointer shown " << c.pointerShown);
    display_.windowModeOn = c.windowed;
    display_.pointerShown = c.pointerShown;
    system_.mouseX = system_.mouseY = system_.mouseButtons = -1;
    Send(platform::kMsgMouseMove, 0, platform::PackPoint(123, 45));
    EXPECT_EQ(system_.mouseX, c.followsWindow ? 123 : -1);
    EXPECT_EQ(system_.mouseY, c.followsWindow ? 45 : -1);
    const std::pair<uint32_t, int32_t> buttons[] = {{platform::kMsgLButtonDown, 1},
                                                    {platform::kMsgLButtonUp, 0},
                                                    {platform::kMsgRButtonDown, 2},
                                                    {platform::kMsgRButtonUp, 0}};
    for (const auto& [id, expected] : buttons) {
      system_.mouseButtons = -1;
      Send(id, 0, platform::PackPoint(1, 1));
      EXPECT_EQ(system_.mouseButtons, c.followsWindow ? expected : -1);
    }
  }
}

TEST_F(MainWindowProcTest, ACloseRequestIsAQuitRequestAndTheWindowStays) {
  for (InputMode mode : {InputMode::Program, InputMode::CommandLine, InputMode::Editor}) {
    for (bool pointerShown : {false, true}) {
      SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(mode) << " pointer " << pointerShown);
      SetInputMode(mode);
      display_.pointerShown = pointerShown;
      EXPECT_EQ(Send(platform::kMsgClose), 1);
      EXPECT_TRUE(DrainQuit());
      EXPECT_TRUE(platform::MainWindowExists());
    }
  }
}

TEST_F(MainWindowProcTest, TheCommandLineGetsItsMessagesOnlyWhileItHasTheInput) {
  struct CountingOverlay : CommandLineOverlay {
    void CliWindowProc(const platform::Message& message) override { ids.push_back(message.id); }
    std::vector<uint32_t> ids;
  } overlay;
  Subsystem withOverlay = record_;
  withOverlay.services.commandLine = &overlay;
  Install({&withOverlay});
  SetInputMode(InputMode::Program);
  Send(platform::kMsgChar, 'a');
  SetInputMode(InputMode::CommandLine);
  Send(platform::kMsgChar, 'b');
  KeyDown(platform::kVkLeft);
  SetInputMode(InputMode::Editor);
  Send(platform::kMsgChar, 'c');
  EXPECT_EQ(overlay.ids, (std::vector<uint32_t>{platform::kMsgChar, platform::kMsgKeyDown}));
}

}  // namespace
}  // namespace qm::test
