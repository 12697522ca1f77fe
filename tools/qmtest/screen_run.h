// What qmtest watches while a program runs: every frame it types the next character of REM INPUT,
// keeps a copy of the picture about to be presented, and after REM FRAMES frames it ends the run.
// After the run it checks the pixels, the print transcript and the frame count.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/qmtest/screen_expectations.h"

namespace qm::qmtest {

class ScreenWatch {
 public:
  // Watches the next run (one watch at a time).
  explicit ScreenWatch(const ScreenExpectations& expected);
  ~ScreenWatch();
  ScreenWatch(const ScreenWatch&) = delete;
  ScreenWatch& operator=(const ScreenWatch&) = delete;

  // True when the run was ended by REM FRAMES, which is no failure.
  bool EndedByFrameCount() const;
  // Inside the run's afterRun: what differs from the expectations (pixels, transcript).
  std::vector<std::string> Check() const;

 private:
  static void OnFrame();
  void Frame();

  const ScreenExpectations& expected_;
  int32_t frames_ = 0;
  std::size_t typedSoFar_ = 0;
  // The last picture about to be presented.
  std::vector<uint8_t> picture_;
  int32_t pictureWidth_ = 0, pictureHeight_ = 0, pictureBytes_ = 0, pictureFormat_ = 0;
};

}  // namespace qm::qmtest
