#include "platform/clock.h"

#include <gtest/gtest.h>

namespace qm::platform {

TEST(Clock, ManualClockIsInstalledAndRestored) {
  ManualClock manual(100);
  Clock* previous = InstallClock(&manual);
  SleepMs(25);
  EXPECT_EQ(TimeMs(), 125u);
  EXPECT_EQ(manual.SleptMs(), 25u);
  InstallClock(previous);
  EXPECT_NE(&SystemClock(), &manual);
}

TEST(Clock, ManualClockWrapsModulo32Bits) {
  ManualClock manual(0xFFFFFFF0u);
  manual.Advance(0x20);
  EXPECT_EQ(manual.Milliseconds(), 0x10u);
  EXPECT_EQ(manual.Milliseconds() - 0xFFFFFFF0u, 0x20u);
}

}  // namespace qm::platform
