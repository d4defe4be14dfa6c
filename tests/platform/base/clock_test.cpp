// The process clock: fake time for tests, listeners, and the calls that read it.
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/systime.h"
#include "platform/base/threads.h"
#include "tests/support/required_tool.h"

namespace {

TEST(Clock, FakeTimeMovesOnlyWhenAdvanced) {
  pv::FakeClockScope clock(2026, 12, 8, 9, 0, 0);
  ASSERT_TRUE(pv::Clock::IsFake());
  DWORD tick = GetTickCount();
  ULONGLONG tick64 = GetTickCount64();
  LARGE_INTEGER qpc1, qpc2, freq;
  ASSERT_TRUE(QueryPerformanceCounter(&qpc1));
  ASSERT_TRUE(QueryPerformanceFrequency(&freq));
  SYSTEMTIME before{};
  GetSystemTime(&before);
  // Reading does not move it.
  EXPECT_EQ(GetTickCount(), tick);
  EXPECT_EQ(timeGetTime(), tick);
  pv::Clock::AdvanceBy(61500);
  EXPECT_EQ(GetTickCount() - tick, 61500u);
  EXPECT_EQ(GetTickCount64() - tick64, 61500u);
  ASSERT_TRUE(QueryPerformanceCounter(&qpc2));
  EXPECT_EQ((qpc2.QuadPart - qpc1.QuadPart) * 1000 / freq.QuadPart, 61500);
  SYSTEMTIME after{};
  GetSystemTime(&after);
  EXPECT_EQ(before.wMinute, 0);
  EXPECT_EQ(after.wMinute, 1);
  EXPECT_EQ(after.wSecond, 1);
  EXPECT_EQ(after.wMilliseconds, 500);
  // Sleep on the fake clock advances it instead of blocking.
  Sleep(2000);
  EXPECT_EQ(GetTickCount() - tick, 63500u);
  EXPECT_EQ(SleepEx(500, FALSE), 0u);
  EXPECT_EQ(GetTickCount() - tick, 64000u);
  // Setting local time honours the fake zone.
  pv::ClockTimeZone zone;
  zone.bias = 300;  // UTC-5
  pv::Clock::SetFakeTimeZone(zone);
  pv::Clock::SetFakeLocal(2026, 1, 31, 22, 0, 0);
  SYSTEMTIME utc{};
  GetSystemTime(&utc);
  EXPECT_EQ(utc.wMonth, 2);
  EXPECT_EQ(utc.wDay, 1);
  EXPECT_EQ(utc.wHour, 3);
}

TEST(Clock, ListenersHearEveryMoveOfFakeTime) {
  pv::FakeClockScope clock;
  std::vector<DWORD> seen;
  int id = pv::Clock::AddListener([&] { seen.push_back(GetTickCount()); });
  DWORD start = GetTickCount();
  pv::Clock::AdvanceBy(10);
  Sleep(5);
  pv::Clock::AdvanceBy(0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0] - start, 10u);  // the listener sees the new time already
  EXPECT_EQ(seen[1] - start, 15u);
  // A listener may remove itself (or others) while being called.
  int self = 0;
  self = pv::Clock::AddListener([&] { pv::Clock::RemoveListener(self); });
  pv::Clock::AdvanceBy(1);
  pv::Clock::AdvanceBy(1);
  pv::Clock::RemoveListener(id);
  pv::Clock::AdvanceBy(1);
  EXPECT_EQ(seen.size(), 5u);
}

TEST(Clock, RealClockIsTheDefaultAndFakeTimeZoneIsReported) {
  pv::Clock::UseReal();
  EXPECT_FALSE(pv::Clock::IsFake());
  pv::Clock::AdvanceBy(100000000);  // ignored on the real clock
  SYSTEMTIME st{};
  GetSystemTime(&st);
  EXPECT_GE(st.wYear, 2024);
  TIME_ZONE_INFORMATION tzi{};
  EXPECT_NE(GetTimeZoneInformation(&tzi), TIME_ZONE_ID_INVALID);

  pv::FakeClockScope clock;
  pv::ClockTimeZone zone;
  zone.bias = -60;
  zone.daylightBias = -60;
  zone.hasDaylight = true;
  zone.standardName = u"Central Europe Standard Time";
  zone.daylightName = u"Central Europe Daylight Time";
  pv::Clock::SetFakeTimeZone(zone);
  ASSERT_EQ(GetTimeZoneInformation(&tzi), static_cast<DWORD>(TIME_ZONE_ID_DAYLIGHT));
  EXPECT_EQ(tzi.Bias, -60);
  EXPECT_EQ(tzi.DaylightBias, -60);
  EXPECT_EQ(std::u16string(tzi.DaylightName), u"Central Europe Daylight Time");
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  EXPECT_EQ((local.wHour + 24 - utc.wHour) % 24, 2);
}

// Sets TZ for one test and puts the old value back.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTz() {
    if (had_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

// The day of month of the n-th (5: last) given weekday, from glibc's calendar.
int NthWeekday(int year, int month, int weekday, int n) {
  int found = 0, last = 0;
  for (int day = 1; day <= 31; ++day) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    time_t at = timegm(&t);
    struct tm back {};
    gmtime_r(&at, &back);
    if (back.tm_mon != month - 1) break;
    if (back.tm_wday != weekday) continue;
    last = day;
    if (++found == n) return day;
  }
  return n == 5 ? last : 0;
}

// A change rule read back into an instant: its wall time is in the offset in
// effect before the change (minutes east of UTC).
time_t RuleInstant(int year, const SYSTEMTIME& rule, long offsetBeforeMinutes) {
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = rule.wMonth - 1;
  t.tm_mday = NthWeekday(year, rule.wMonth, rule.wDayOfWeek, rule.wDay);
  t.tm_hour = rule.wHour;
  t.tm_min = rule.wMinute;
  return timegm(&t) - offsetBeforeMinutes * 60;
}

bool DaylightAt(time_t t) {
  struct tm lt {};
  localtime_r(&t, &lt);
  return lt.tm_isdst > 0;
}

// The zone record of the real clock against the C library's own reading of
// the zone: the biases, whether daylight time is in effect now, and each
// change rule of this year, which must name exactly the second at which
// localtime's daylight flag flips.
TEST(Clock, RealZoneChangeRulesMatchTheCLibrary) {
  if (access("/usr/share/zoneinfo/Europe/Berlin", R_OK) != 0)
    PV_MISSING_TOOL("tzdata (the zone files) is not installed");
  pv::Clock::UseReal();
  struct Case {
    const char* tz;
    LONG bias;
    LONG daylightBias;  // 0: no daylight time
  };
  const Case cases[] = {
      {"Europe/Berlin", -60, -60},        {"America/New_York", 300, -60}, {"Australia/Sydney", -600, -60},
      {"Australia/Lord_Howe", -630, -30}, {"Asia/Shanghai", -480, 0},     {"UTC", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tz);
    ScopedTz zone(c.tz);
    TIME_ZONE_INFORMATION tzi{};
    DWORD id = GetTimeZoneInformation(&tzi);
    time_t now = time(nullptr);
    EXPECT_EQ(tzi.Bias, c.bias);
    EXPECT_EQ(tzi.StandardBias, 0);
    EXPECT_EQ(tzi.DaylightBias, c.daylightBias);
    if (c.daylightBias == 0) {
      EXPECT_EQ(id, static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
      EXPECT_EQ(tzi.DaylightDate.wMonth, 0);
      EXPECT_EQ(tzi.StandardDate.wMonth, 0);
      continue;
    }
    EXPECT_EQ(id, static_cast<DWORD>(DaylightAt(now) ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD));
    struct tm lt {};
    localtime_r(&now, &lt);
    int year = lt.tm_year + 1900;
    struct Change {
      const SYSTEMTIME& rule;
      long offsetBefore;  // minutes east of UTC
      bool daylightAfter;
    };
    const Change changes[] = {
        {tzi.DaylightDate, -tzi.Bias, true},
        {tzi.StandardDate, -(tzi.Bias + tzi.DaylightBias), false},
    };
    for (const Change& ch : changes) {
      SCOPED_TRACE(ch.daylightAfter ? "into daylight time" : "back to standard time");
      const SYSTEMTIME& r = ch.rule;
      ASSERT_GE(r.wMonth, 1);
      ASSERT_LE(r.wMonth, 12);
      EXPECT_EQ(r.wYear, 0);  // a yearly rule, not a date
      EXPECT_GE(r.wDay, 1);
      EXPECT_LE(r.wDay, 5);
      time_t at = RuleInstant(year, r, ch.offsetBefore);
      EXPECT_EQ(DaylightAt(at - 1), !ch.daylightAfter) << "month " << r.wMonth << " week " << r.wDay;
      EXPECT_EQ(DaylightAt(at), ch.daylightAfter) << "month " << r.wMonth << " week " << r.wDay;
    }
  }
}

}  // namespace
