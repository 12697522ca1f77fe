// Programs run as the whole system runs them, with the runtime command line attached and a
// script of steps played against the frames: each step waits for its condition (checked once per
// presented frame), then acts (types keys, looks at the command line). When every step has been
// played and the command line is idle, F12 ends the run; a run that goes on too long is ended.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "runtime/cli/runtime_cli.h"
#include "runtime/run_program.h"

namespace qm::test {

struct CliStep {
  std::function<bool()> ready;  // null: at the next frame
  std::function<void()> act;
};

class CliTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Compiles and runs `source` with the steps; the outcome once the run has ended.
  RunOutcome Run(const std::string& source, std::vector<CliStep> steps, RunOptions options = {});

  // Conditions and actions the tests share.
  static bool CliIdleNow();      // the command line is open, has written its rows and waits for keys
  static bool ProgramRunsNow();  // the running phase (not the command line)
  static void Type(const std::string& text);  // key presses of the characters
  static void Press(int virtualKey);
  static const CliState& State() { return TheRuntimeCli().State(); }
  static std::string Row(int row) { return State().lines[static_cast<std::size_t>(row)]; }

  Parser parser_;
};

}  // namespace qm::test
