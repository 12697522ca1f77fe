// The real clock: monotonic milliseconds, calendar time from the system, sleeping.
#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace qm::platform {
namespace {

CalendarTime FromTm(const std::tm& tm, int millisecond) {
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,  tm.tm_hour,
                      tm.tm_min,         tm.tm_sec,     millisecond, tm.tm_wday};
}

class RealClock : public Clock {
 public:
  uint32_t Milliseconds() override {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
  CalendarTime UtcNow() override { return Now(false); }
  CalendarTime LocalNow() override { return Now(true); }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

 private:
  static CalendarTime Now(bool local) {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm{};
    if (local)
      localtime_r(&seconds, &tm);
    else
      gmtime_r(&seconds, &tm);
    return FromTm(tm, ms);
  }
};

RealClock gRealClock;
Clock* gClock = &gRealClock;

}  // namespace

Clock& SystemClock() { return *gClock; }

Clock* InstallClock(Clock* clock) {
  Clock* previous = gClock;
  gClock = clock ? clock : &gRealClock;
  return previous;
}

}  // namespace qm::platform
