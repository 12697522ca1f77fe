// The run loop: runs one loaded program frame by frame inside the message loop, switching to the
// runtime command line when the program stops, and the set-up, close and reset steps of a run.
#pragma once
#include <csignal>
#include <cstdint>
#include <string>

#include "runtime/input_mode.h"

namespace qm {

// The last error the command line was given to show, with its source line (code 0: none).
struct ShownError {
  int32_t code = 0;
  bool warning = false;
  int32_t line = 0;
  std::string text;
};

struct RunLoopState {
  // Written on activation changes by the main window procedure.
  uint8_t displayReadyFlag = 1;             // screen surfaces usable; the program runs only while set
  uint8_t appActiveFlag = 1;                // drawing and presenting allowed
  uint8_t inputActiveFlag = 1;              // input devices read
  InputMode inputMode = InputMode::Editor;  // read and set through CurrentInputMode / SetInputMode

  // 1 while a program runs, 2 once F11 / F12 was pressed during it, 0 after the running phase.
  int32_t breakKeyF11State = 0;
  int32_t breakKeyF12State = 0;

  uint8_t overlayOpen = 0;           // the command-line overlay exists
  int32_t savedProgramCounter = -1;  // where the program stopped, -1 when none is saved
  uint8_t displayResetMark = 0;      // the display was rebuilt: rebuild the overlay panel
  int32_t openDisplayWidth = 0;      // display width when the overlay was placed

  uint8_t drawOrderFlag = 0;     // 0 DRAW TO FRONT, 1 DRAW TO BACK
  uint32_t syncRateMs = 25;      // frame time; 0 removes the limit
  uint32_t lastFrameTime = 0;    // clock at the end of the last frame wait
  uint32_t throttleCounter = 0;  // calls of PumpMessagesThrottled since it last pumped
  std::string runStartFolder;    // current folder when the run started

  // 0 while nobody sees the frames (headless): frames then never wait for the SYNC RATE time.
  uint8_t framesShown = 1;
  uint8_t commandLinePhase = 0;  // 1 from the program's stop until the command line is left
  // The display mode a run sets up: 640 x 480 at the best 3D depth (depth 0), unless the caller
  // of the run asked for another (the conformance runner's REM DISPLAY).
  int32_t runDisplayWidth = 640, runDisplayHeight = 480, runDisplayDepth = 0;
  ShownError shownError;  // set as each error is shown, cleared at the run start
};

extern RunLoopState RunLoop;

// Set (from a signal handler too) to end the running phase at its next pass, as if the program
// had stopped: run limits of the tools use it.
extern volatile std::sig_atomic_t LeaveRunRequested;

inline uint8_t& DisplayReadyFlag = RunLoop.displayReadyFlag;
inline uint8_t& AppActiveFlag = RunLoop.appActiveFlag;
inline uint8_t& InputActiveFlag = RunLoop.inputActiveFlag;
inline int32_t& BreakKeyF11State = RunLoop.breakKeyF11State;
inline int32_t& BreakKeyF12State = RunLoop.breakKeyF12State;
inline uint8_t& DisplayResetMark = RunLoop.displayResetMark;
inline uint8_t& DrawOrderFlag = RunLoop.drawOrderFlag;
inline uint32_t& SyncRateMs = RunLoop.syncRateMs;
inline uint32_t& LastFrameTime = RunLoop.lastFrameTime;
inline uint32_t& ThrottleCounter = RunLoop.throttleCounter;

// Runs a loaded program until its run is over. With `cliOnly` the run starts in the command line
// without a program (the program counts as ended).
void RunHandler(bool cliOnly);

// The two halves of a frame around a slice.
void BeginFrame();
void SyncFrame();

// Prepares the display and the engine for a run; false with PendingErrorCode 10003, 10004 or
// 10005 when a display step fails.
bool InitGameCore(bool fullScreen, bool windowMode, bool sameCard);
// Frees everything the run made.
void CloseGameCore(bool sameCard);

// The end of a run: every subsystem's run-end step (the return stack unwinds).
void EndRun();
void ResetDisplayDefaults();
void ResetSystemTables();
// Frees the program image and everything the program made that outlives a command.
void FreeRuntimeData();

// Activation changes during a run.
void PauseMediaOnFocusLost();
void ResumeMediaOnFocusRegained();

// Dispatches the waiting window messages on every 50,001st call only (a tight INKEY$ loop in
// SYNC ON mode); a quit met while pumping stops it and is posted again for the run loop.
void PumpMessagesThrottled();
inline constexpr uint32_t kThrottledPumpInterval = 50000;

// Waits until ESC, F11 and F12 are released (at most kBreakKeyWaitMs in all), then dispatches
// every waiting message, quit included.
void FlushBreakKeysAndMessages();
inline constexpr uint32_t kBreakKeyWaitMs = 2000;

// The SYNC RATE frame wait: returns once SyncRateMs (at least 1 ms) has passed since the last
// frame, sleeping through most of the wait instead of spinning.
void WaitForFrameTime();

// Back to the state before any run (tests).
void ResetRunLoopState();

// Called once per frame of the run loop, just before the frame is presented (nullptr: nothing).
// Tools watch the frames with it: the conformance runner types, looks and counts there.
using FrameObserver = void (*)();
void SetFrameObserver(FrameObserver observer);

}  // namespace qm
