// The one clock of the process.
//
// Everything that asks for "now" (local time, UTC, tick counts, the
// high-resolution counter, the time zone) goes through pv::Clock. By default
// it reads the real system. Tests install a fake clock, set it and advance it;
// listeners (the window manager's timers) are told whenever fake time moves,
// so nothing in a test ever has to sleep.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/wintypes.h"

namespace pv {

// The time zone as the clock sees it. Biases are in minutes with the
// Windows sign: UTC = local time + bias.
struct ClockTimeZone {
  LONG bias = 0;          // standard bias of the zone (e.g. -60 for UTC+1)
  LONG daylightBias = 0;  // extra bias while daylight saving time is on (usually -60)
  std::u16string standardName = u"UTC";
  std::u16string daylightName = u"UTC";
  bool hasDaylight = false;  // the zone observes daylight saving time
};

class Clock {
 public:
  // 100-ns intervals since 1 January 1601 UTC (the FILETIME scale).
  static std::int64_t UtcNow();
  // The same scale, in local time.
  static std::int64_t LocalNow();
  // Milliseconds since an arbitrary start (GetTickCount64).
  static std::uint64_t TickCount64();
  // High-resolution counter and its frequency in counts per second.
  static std::int64_t PerformanceCounter();
  static std::int64_t PerformanceFrequency();

  static ClockTimeZone TimeZone();
  // Bias in minutes (UTC = local + bias) in effect at the given UTC instant,
  // daylight saving included; `daylight` tells whether it was in effect.
  static LONG BiasAtUtc(std::int64_t utc, bool* daylight = nullptr);
  // Bias for a local instant (used to turn local file times into UTC).
  static LONG BiasAtLocal(std::int64_t local);

  // ---- fake clock (tests) ----
  // Installs a fake clock showing the given UTC instant (FILETIME scale).
  // The tick count and the performance counter start at `tick` ms and move
  // only when the fake time moves. The fake zone defaults to UTC.
  static void SetFake(std::int64_t utc, std::uint64_t tick = 1000000);
  // Convenience: a fake clock at the given UTC calendar time.
  static void SetFakeUtc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         std::uint64_t tick = 1000000);
  // Sets the fake clock so that local time reads the given calendar time
  // (under the current fake time zone).
  static void SetFakeLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  // A fixed zone without daylight saving time (or with, when `tz.hasDaylight`,
  // in which case daylight time is in effect all year; tests use it to check
  // the daylight branches).
  static void SetFakeTimeZone(const ClockTimeZone& tz);
  // Moves fake time forward and notifies listeners. Ignored on the real clock.
  static void AdvanceBy(std::uint64_t ms);
  // Back to the real system clock (and the real time zone).
  static void UseReal();
  static bool IsFake();

  // Listeners are called (on the thread that moved the clock, outside any
  // clock lock) after fake time advanced or was set. Returns an id.
  using Listener = std::function<void()>;
  static int AddListener(Listener listener);
  static void RemoveListener(int id);

  // On the real clock, a real sleep; on the fake clock the fake time moves by
  // `ms` (and listeners run) and the call returns at once.
  static void Sleep(DWORD ms);
};

// Installs a fake clock for the lifetime of the object (tests).
class FakeClockScope {
 public:
  explicit FakeClockScope(int year = 2026, int month = 1, int day = 1, int hour = 0, int minute = 0, int second = 0) {
    Clock::SetFakeUtc(year, month, day, hour, minute, second);
  }
  ~FakeClockScope() { Clock::UseReal(); }
  FakeClockScope(const FakeClockScope&) = delete;
  FakeClockScope& operator=(const FakeClockScope&) = delete;
};

// Calendar helpers shared by the date code: days since 1 January 1970 for a
// proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
void CivilFromDays(std::int64_t days, std::int64_t* year, unsigned* month, unsigned* day);
bool IsLeapYear(std::int64_t year);
unsigned DaysInMonth(std::int64_t year, unsigned month);

}  // namespace pv

// Tick counts as the callers know them.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
DWORD timeGetTime();
