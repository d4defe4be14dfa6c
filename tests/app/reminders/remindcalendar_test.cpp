// The series calendar, checked against an expansion written with
// std::chrono's civil calendar instead of the Automation date code.
#include "app/reminders/remindcalendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

struct Moment {
  int year, month, day, hour, minute, second;
};

COleDateTime At(const Moment& m) { return COleDateTime(m.year, m.month, m.day, m.hour, m.minute, m.second); }

std::string Text(const COleDateTime& t) {
  if (t.GetStatus() != COleDateTime::valid) return "invalid";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(),
                t.GetMinute(), t.GetSecond());
  return buf;
}

std::string Text(const year_month_day& d, seconds timeOfDay) {
  hh_mm_ss<seconds> hms(timeOfDay);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02ld:%02ld:%02ld", static_cast<int>(d.year()),
                static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()),
                static_cast<long>(hms.hours().count()), static_cast<long>(hms.minutes().count()),
                static_cast<long>(hms.seconds().count()));
  return buf;
}

// The k-th occurrence as std::chrono sees it; "invalid" for a missing day.
std::string Expected(const Moment& s, int separation, long long k) {
  year_month_day d{year{s.year}, month{static_cast<unsigned>(s.month)}, day{static_cast<unsigned>(s.day)}};
  seconds tod = hours{s.hour} + minutes{s.minute} + seconds{s.second};
  if (separation == 10) {
    year_month_day n = d + months{k};
    return n.ok() ? Text(n, tod) : "invalid";
  }
  if (separation == 11) {
    year_month_day n = d + years{k};
    return n.ok() ? Text(n, tod) : "invalid";
  }
  const seconds steps[] = {minutes{5}, minutes{15}, minutes{30}, hours{1}, hours{2},
                           hours{3},   hours{5},    hours{12},   days{1},  weeks{1}};
  seconds step = separation < 0 ? seconds{0} : steps[separation];
  sys_seconds t = sys_days{d} + tod + step * k;
  sys_days day = floor<days>(t);
  return Text(year_month_day{day}, t - day);
}

TEST(RemindCalendar, EveryStepCodeAgreesWithAnIndependentCalendar) {
  const Moment starts[] = {{2024, 1, 31, 9, 0, 0},  {2024, 2, 29, 23, 55, 30}, {2023, 12, 31, 12, 0, 0},
                           {2026, 3, 29, 1, 30, 0}, {2025, 10, 31, 0, 0, 0},   {1999, 12, 31, 23, 59, 59},
                           {1899, 12, 28, 6, 0, 0}, {1850, 2, 28, 12, 0, 0}};
  for (const Moment& s : starts)
    for (int separation = -1; separation <= 11; ++separation)
      for (long long k : {0LL, 1LL, 2LL, 3LL, 11LL, 12LL, 13LL, 47LL, 400LL})
        EXPECT_EQ(Text(RemindAdvance(At(s), separation, k)), Expected(s, separation, k))
            << Text(At(s)) << " step " << separation << " k " << k;
}

TEST(RemindCalendar, SpansOfTheStepCodes) {
  const double minutes[] = {0, 5, 15, 30, 60, 120, 180, 300, 720, 1440, 10080};
  for (int code = -1; code <= 9; ++code) {
    COleDateTimeSpan span = SeparationToSpan(code);
    EXPECT_EQ(span.GetStatus(), COleDateTimeSpan::valid) << code;
    EXPECT_DOUBLE_EQ(span.GetTotalMinutes(), minutes[code + 1]) << code;
  }
  EXPECT_DOUBLE_EQ(SeparationToSpan(11).GetTotalDays(), 365);
  for (int code : {10, 12, -2, 1000}) EXPECT_EQ(SeparationToSpan(code).GetStatus(), COleDateTimeSpan::invalid) << code;
}

TEST(RemindCalendar, UnknownCodesAndBadStartsGiveNothing) {
  COleDateTime start(2026, 5, 1, 8, 0, 0);
  EXPECT_EQ(Text(RemindAdvance(start, 12, 1)), "invalid");
  EXPECT_EQ(Text(RemindAdvance(start, 0, -1)), "invalid");
  COleDateTime bad;
  bad.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(Text(RemindAdvance(bad, 8, 0)), "invalid");
  EXPECT_EQ(Text(RemindAdvance(COleDateTime(9999, 12, 31, 0, 0, 0), 8, 1)), "invalid");  // past the last year
  EXPECT_FALSE(IsRemindSeries(kRemindCountless, kRemindStepNone));
  EXPECT_FALSE(IsRemindSeries(4, 8));
  EXPECT_FALSE(IsRemindSeries(0, 12));
  EXPECT_TRUE(IsRemindSeries(kRemindThrice, kRemindStepNone));
}

TEST(RemindCalendar, LastOccurrenceIsTheLatestThatExists) {
  struct Case {
    Moment start;
    int times, separation;
    const char* last;
  };
  const Case cases[] = {
      {{2026, 1, 10, 9, 0, 0}, kRemindOnce, 8, "2026-01-10 09:00:00"},
      {{2026, 1, 10, 9, 0, 0}, kRemindThrice, 8, "2026-01-12 09:00:00"},
      {{2026, 1, 31, 9, 0, 0}, kRemindThrice, 10, "2026-03-31 09:00:00"},
      // 31 December, then 31 January, then no 31 February: January's is the last.
      {{2025, 12, 31, 9, 0, 0}, kRemindThrice, 10, "2026-01-31 09:00:00"},
      {{2024, 2, 29, 7, 0, 0}, kRemindTwice, 11, "2024-02-29 07:00:00"},
      {{2026, 1, 10, 9, 0, 0}, kRemindCountless, 8, "invalid"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Text(RemindLastOccurrence(At(c.start), c.times, c.separation)), c.last) << c.last;
}

std::vector<std::string> Walk(const Moment& start, int times, int separation, const Moment& from, const Moment& to) {
  std::vector<std::string> out;
  ForEachRemindOccurrence(At(start), times, separation, At(from), At(to),
                          [&](long long, const COleDateTime& t) { out.push_back(Text(t)); });
  return out;
}

TEST(RemindCalendar, WalksOnlyTheOccurrencesInsideTheRange) {
  using V = std::vector<std::string>;
  // Unbounded monthly on the 31st over a year: seven months have one.
  EXPECT_EQ(
      Walk({2026, 1, 31, 9, 0, 0}, kRemindCountless, 10, {2026, 1, 1, 0, 0, 0}, {2026, 12, 31, 23, 59, 59}).size(), 7u);
  // Never before the start, even when the range begins earlier.
  EXPECT_EQ(Walk({2026, 6, 15, 9, 0, 0}, kRemindCountless, 10, {2026, 1, 1, 0, 0, 0}, {2026, 8, 1, 0, 0, 0}),
            (V{"2026-06-15 09:00:00", "2026-07-15 09:00:00"}));
  EXPECT_TRUE(
      Walk({2027, 3, 1, 9, 0, 0}, kRemindCountless, 11, {2026, 3, 1, 0, 0, 0}, {2026, 3, 1, 23, 59, 59}).empty());
  // Yearly 29 February: leap years only.
  EXPECT_EQ(Walk({2024, 2, 29, 7, 0, 0}, kRemindCountless, 11, {2024, 3, 1, 0, 0, 0}, {2033, 1, 1, 0, 0, 0}),
            (V{"2028-02-29 07:00:00", "2032-02-29 07:00:00"}));
  // Both ends included.
  EXPECT_EQ(Walk({2026, 5, 1, 8, 0, 0}, kRemindCountless, 1, {2026, 5, 1, 8, 15, 0}, {2026, 5, 1, 8, 45, 0}),
            (V{"2026-05-01 08:15:00", "2026-05-01 08:30:00", "2026-05-01 08:45:00"}));
  // A finite series with no step is one occurrence.
  EXPECT_EQ(Walk({2026, 5, 1, 8, 0, 0}, kRemindThrice, -1, {2026, 5, 1, 0, 0, 0}, {2026, 5, 2, 0, 0, 0}),
            (V{"2026-05-01 08:00:00"}));
  EXPECT_TRUE(Walk({2026, 5, 1, 8, 0, 0}, kRemindCountless, -1, {2026, 5, 1, 0, 0, 0}, {2026, 5, 2, 0, 0, 0}).empty());
}

TEST(RemindCalendar, UnboundedFiveMinutesFromEightBuiltAtSevenPast) {
  std::vector<std::string> got =
      Walk({2026, 5, 1, 8, 0, 0}, kRemindCountless, 0, {2026, 5, 1, 8, 7, 0}, {2026, 5, 1, 23, 59, 59});
  ASSERT_EQ(got.size(), 190u);
  EXPECT_EQ(got.front(), "2026-05-01 08:10:00");
  EXPECT_EQ(got.back(), "2026-05-01 23:55:00");
}

}  // namespace
