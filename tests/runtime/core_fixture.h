// A clean runtime core for each test: headless platform, a manual clock, no program image, no
// registered commands, no pending error, fresh interpreter and run-loop state, do-nothing
// services and settings.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/headless/scripted_input.h"
#include "platform/window.h"
#include "runtime/command_dispatch.h"
#include "runtime/command_line_overlay.h"
#include "runtime/frame_services.h"
#include "runtime/interpreter.h"
#include "runtime/program_image.h"
#include "runtime/run_hooks.h"
#include "runtime/run_loop.h"
#include "runtime/runtime_errors.h"
#include "runtime/settings.h"

namespace qm::test {

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::ResetHeadlessPlatform();
    previousClock_ = platform::InstallClock(&clock_);
    FreeProgramImage();
    ClearCommandRegistrations();
    Interpreter = InterpreterState{};
    ResetRuntimeErrorState();
    ResetRunLoopState();
    InstallFrameServices({});
    InstallCommandLine(nullptr);
    gSettings = Settings{};
  }
  void TearDown() override {
    FreeProgramImage();
    InstallFrameServices({});
    InstallCommandLine(nullptr);
    platform::InstallClock(previousClock_);
    platform::headless::ResetHeadlessPlatform();
  }

  // Reads the message queue to its end; true when a quit was among the messages.
  static bool DrainQuit() {
    bool quit = false;
    platform::Message message;
    while (platform::PeekMessage(message, true)) quit = quit || message.id == platform::kMsgQuit;
    return quit;
  }

  platform::ManualClock clock_{1000};

 private:
  platform::Clock* previousClock_ = nullptr;
};

}  // namespace qm::test
