// Time for the whole system: wrapping millisecond ticks, calendar time and sleeping.
// The real clock reads the monotonic clock; tests install a manual clock they advance by hand.
#pragma once
#include <cstdint>

namespace qm::platform {

// A calendar moment, as the logs and the time commands print it.
struct CalendarTime {
  int year, month, day;  // month 1-12, day 1-31
  int hour, minute, second, millisecond;
  int dayOfWeek;  // 0 = Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, wrapping modulo 2^32 (compare with unsigned differences).
  virtual uint32_t Milliseconds() = 0;
  virtual CalendarTime UtcNow() = 0;
  virtual CalendarTime LocalNow() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

// The clock everything reads. Defaults to the real clock.
Clock& SystemClock();
// Installs another clock (tests); nullptr restores the real one. Returns the previous one.
Clock* InstallClock(Clock* clock);

// Shorthands for the installed clock.
inline uint32_t TimeMs() { return SystemClock().Milliseconds(); }
inline void SleepMs(uint32_t ms) { SystemClock().SleepMs(ms); }

// A clock that moves only when told to: Sleep advances it, so waits are instant and exact.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t startMs = 0) : now_(startMs) {}
  uint32_t Milliseconds() override { return now_; }
  CalendarTime UtcNow() override { return calendar_; }
  CalendarTime LocalNow() override { return calendar_; }
  void SleepMs(uint32_t ms) override {
    now_ += ms;
    sleptMs_ += ms;
  }

  void Advance(uint32_t ms) { now_ += ms; }
  void Set(uint32_t ms) { now_ = ms; }
  void SetCalendar(const CalendarTime& t) { calendar_ = t; }
  uint64_t SleptMs() const { return sleptMs_; }

 private:
  uint32_t now_;
  uint64_t sleptMs_ = 0;
  CalendarTime calendar_{2000, 1, 1, 0, 0, 0, 0, 6};
};

}  // namespace qm::platform
