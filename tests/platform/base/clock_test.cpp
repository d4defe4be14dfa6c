// The process clock: fake time for tests, listeners, and the calls that read it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/clock.h"
#include "platform/base/systime.h"
#include "platform/base/threads.h"

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

}  // namespace
