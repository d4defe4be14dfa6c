// Automation dates: calendar arithmetic, rounding, statuses, comparisons,
// spans, formatting and parsing, and the system-time conversions.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "platform/base/clock.h"
#include "platform/base/comutil.h"
#include "platform/base/oledatetime.h"
#include "platform/base/systime.h"
#include "platform/base/utf.h"
#include "tests/support/locale_env.h"

namespace {

std::string U8(const CString& s) { return ToUtf8(s); }

// Days since 30 December 1899 computed independently with std::chrono.
long long ChronoSerial(int y, unsigned m, unsigned d) {
  using namespace std::chrono;
  sys_days day = year{y} / month{m} / ::std::chrono::day{d};
  sys_days epoch = year{1899} / December / ::std::chrono::day{30};
  return (day - epoch).count();
}

TEST(OleDateTime, CalendarRoundTripMatchesChronoOverTheWholeRange) {
  // Every 7th day from year 100 to 9999 plus both ends: the day number
  // matches chrono, the fields come back, and the weekday/day-of-year agree.
  using namespace std::chrono;
  sys_days first = year{100} / January / 1;
  sys_days last = year{9999} / December / 31;
  int checked = 0;
  for (sys_days day = first; day <= last; day += days{7}) {
    year_month_day ymd{day};
    int y = int(ymd.year());
    unsigned m = unsigned(ymd.month()), d = unsigned(ymd.day());
    int hour = static_cast<int>((day.time_since_epoch().count() % 24 + 24) % 24);
    COleDateTime dt(y, static_cast<int>(m), static_cast<int>(d), hour, 7, 59);
    ASSERT_EQ(dt.GetStatus(), COleDateTime::valid) << y << "-" << m << "-" << d;
    long long serial = ChronoSerial(y, m, d);
    ASSERT_EQ(static_cast<long long>(std::trunc(dt.m_dt)), serial) << y << "-" << m << "-" << d;
    ASSERT_EQ(dt.GetYear(), y);
    ASSERT_EQ(dt.GetMonth(), static_cast<int>(m));
    ASSERT_EQ(dt.GetDay(), static_cast<int>(d));
    ASSERT_EQ(dt.GetHour(), hour);
    ASSERT_EQ(dt.GetMinute(), 7);
    ASSERT_EQ(dt.GetSecond(), 59);
    ASSERT_EQ(dt.GetDayOfWeek(), static_cast<int>(weekday{day}.c_encoding()) + 1);
    ASSERT_EQ(dt.GetDayOfYear(), (day - sys_days{ymd.year() / January / 1}).count() + 1);
    ++checked;
  }
  EXPECT_GT(checked, 500000);
  EXPECT_EQ(COleDateTime(100, 1, 1, 0, 0, 0).m_dt, -657434.0);
  EXPECT_EQ(COleDateTime(9999, 12, 31, 0, 0, 0).m_dt, 2958465.0);
  EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).m_dt, 0.0);
  EXPECT_EQ(COleDateTime(2000, 1, 1, 0, 0, 0).m_dt, 36526.0);
}

TEST(OleDateTime, NegativeDatesCountTheTimeForwardFromMidnight) {
  struct Case {
    DATE date;
    int y, m, d, h, mi, s;
  } cases[] = {
      {-1.25, 1899, 12, 29, 6, 0, 0},  // the fraction is the time of day, not a step back
      {-1.75, 1899, 12, 29, 18, 0, 0}, {-0.5, 1899, 12, 30, 12, 0, 0},  // between -1 and 0: still the zero day
      {0.5, 1899, 12, 30, 12, 0, 0},   {-2.0, 1899, 12, 28, 0, 0, 0},  {-36522.5, 1800, 1, 1, 12, 0, 0},
  };
  for (const Case& c : cases) {
    COleDateTime dt(c.date);
    EXPECT_EQ(dt.GetYear(), c.y) << c.date;
    EXPECT_EQ(dt.GetMonth(), c.m) << c.date;
    EXPECT_EQ(dt.GetDay(), c.d) << c.date;
    EXPECT_EQ(dt.GetHour(), c.h) << c.date;
    EXPECT_EQ(dt.GetMinute(), c.mi) << c.date;
    EXPECT_EQ(dt.GetSecond(), c.s) << c.date;
  }
  // Building a pre-1900 date with a time gives the same negative encoding.
  EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt, -1.25);
  // Arithmetic crosses zero linearly: 29 Dec 18:00 + 12 h = 30 Dec 06:00.
  COleDateTime t = COleDateTime(1899, 12, 29, 18, 0, 0) + COleDateTimeSpan(0, 12, 0, 0);
  EXPECT_NEAR(t.m_dt, 0.25, 1e-9);
  COleDateTimeSpan span = COleDateTime(1899, 12, 30, 6, 0, 0) - COleDateTime(1899, 12, 29, 18, 0, 0);
  EXPECT_NEAR(span.m_span, 0.5, 1e-9);
}

TEST(OleDateTime, FieldsRoundToTheNearestSecond) {
  const double second = 1.0 / 86400;
  DATE base = COleDateTime(2013, 3, 26, 23, 59, 59).m_dt;
  struct Case {
    double offsetSeconds;
    int day, hour, minute, secondField;
  } cases[] = {
      {0.0, 26, 23, 59, 59},   {0.49, 26, 23, 59, 59},  {0.51, 27, 0, 0, 0},  // rounds up into the next day
      {-0.49, 26, 23, 59, 59}, {-0.51, 26, 23, 59, 58},
  };
  for (const Case& c : cases) {
    COleDateTime dt(base + c.offsetSeconds * second);
    EXPECT_EQ(dt.GetDay(), c.day) << c.offsetSeconds;
    EXPECT_EQ(dt.GetHour(), c.hour) << c.offsetSeconds;
    EXPECT_EQ(dt.GetMinute(), c.minute) << c.offsetSeconds;
    EXPECT_EQ(dt.GetSecond(), c.secondField) << c.offsetSeconds;
  }
  // The last second of 9999 rounded up leaves the valid range.
  COleDateTime end(9999, 12, 31, 23, 59, 59);
  EXPECT_EQ(end.GetYear(), 9999);
  EXPECT_EQ(COleDateTime(end.m_dt + 0.6 * second).GetYear(), AFX_OLE_DATETIME_ERROR);
  SYSTEMTIME st{};
  EXPECT_FALSE(VariantTimeToSystemTime(end.m_dt + 0.6 * second, &st));
}

TEST(OleDateTime, ImpossibleDatesAreInvalidAndNeverEqual) {
  struct Case {
    int y, m, d, h, mi, s;
  } bad[] = {
      {2013, 2, 29, 0, 0, 0}, {2013, 4, 31, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2013, 13, 1, 0, 0, 0},
      {2013, 0, 1, 0, 0, 0},  {2013, 1, 0, 0, 0, 0},  {99, 1, 1, 0, 0, 0},    {10000, 1, 1, 0, 0, 0},
      {2013, 1, 1, 24, 0, 0}, {2013, 1, 1, 0, 60, 0}, {2013, 1, 1, 0, 0, 60}, {2013, 1, 1, -1, 0, 0},
  };
  for (const Case& c : bad) {
    COleDateTime dt(c.y, c.m, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(dt.GetYear(), AFX_OLE_DATETIME_ERROR);
    EXPECT_FALSE(dt == dt);
    EXPECT_FALSE(dt < COleDateTime(2013, 1, 1, 0, 0, 0));
    EXPECT_FALSE(dt > COleDateTime(2013, 1, 1, 0, 0, 0));
    EXPECT_EQ(dt.Format(u"%Y"), CString(u"Invalid DateTime"));
  }
  EXPECT_EQ(COleDateTime(2012, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::valid);
  EXPECT_EQ(COleDateTime(2000, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::valid);
  // SetDate reports the failure and a later good SetDate makes it valid again.
  COleDateTime dt;
  EXPECT_EQ(dt.SetDate(2013, 2, 30), 1);
  EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(dt.SetDate(2013, 2, 28), 0);
  EXPECT_EQ(dt.GetStatus(), COleDateTime::valid);
  // Out-of-range day numbers are invalid too, and arithmetic off the end.
  EXPECT_EQ(COleDateTime(3e6).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(std::nan("")).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((COleDateTime(9999, 12, 31, 0, 0, 0) + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
}

TEST(OleDateTime, ComparisonsUseTheHalfSecondTolerance) {
  const double second = 1.0 / 86400;
  COleDateTime a(2026, 12, 8, 19, 30, 0);
  struct Case {
    double deltaSeconds;
    bool equal, less, greater;
  } cases[] = {
      {0.0, true, false, false},  {0.49, true, false, false},  {-0.49, true, false, false},
      {0.51, false, true, false}, {-0.51, false, false, true}, {1.0, false, true, false},
  };
  for (const Case& c : cases) {
    COleDateTime b(a.m_dt + c.deltaSeconds * second);
    EXPECT_EQ(a == b, c.equal) << c.deltaSeconds;
    EXPECT_EQ(a != b, !c.equal) << c.deltaSeconds;
    EXPECT_EQ(a < b, c.less) << c.deltaSeconds;
    EXPECT_EQ(a > b, c.greater) << c.deltaSeconds;
    EXPECT_EQ(a <= b, c.less || c.equal) << c.deltaSeconds;
    EXPECT_EQ(a >= b, c.greater || c.equal) << c.deltaSeconds;
  }
  // Before 1900 the comparison follows time, not the raw (non-linear) numbers:
  // 29 Dec 1899 18:00 (-1.75) is later than 29 Dec 06:00 (-1.25).
  EXPECT_TRUE(COleDateTime(-1.75) > COleDateTime(-1.25));
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  COleDateTime null2 = null;
  EXPECT_TRUE(null == null2);
  EXPECT_FALSE(null == a);
  EXPECT_FALSE(null < a);
  EXPECT_FALSE(a < null);
}

TEST(OleDateTimeSpan, PartsAndTotalsRoundToWholeSeconds) {
  struct Case {
    double days;
    LONG d, h, m, s;
    double totalSeconds, totalMinutes;
  } cases[] = {
      {COleDateTimeSpan(1, 2, 3, 4).m_span, 1, 2, 3, 4, 93784, 1563},
      {-COleDateTimeSpan(0, 0, 1, 30).m_span, 0, 0, -1, -30, -90, -1},
      {(5 * 60 - 0.5) / 86400.0, 0, 0, 5, 0, 300, 5},  // half a second rounds away from zero
      {(5 * 60 - 0.6) / 86400.0, 0, 0, 4, 59, 299, 4},
      {-(5 * 60 - 0.5) / 86400.0, 0, 0, -5, 0, -300, -5},
  };
  for (const Case& c : cases) {
    COleDateTimeSpan span(c.days);
    EXPECT_EQ(span.GetDays(), c.d) << c.days;
    EXPECT_EQ(span.GetHours(), c.h) << c.days;
    EXPECT_EQ(span.GetMinutes(), c.m) << c.days;
    EXPECT_EQ(span.GetSeconds(), c.s) << c.days;
    EXPECT_EQ(span.GetTotalSeconds(), c.totalSeconds) << c.days;
    EXPECT_EQ(span.GetTotalMinutes(), c.totalMinutes) << c.days;
  }
  EXPECT_EQ(COleDateTimeSpan(2, 3, 4, 5).Format(u"%D days %H:%M:%S %%"), CString(u"2 days 03:04:05 %"));
  // A step of five minutes, 191 times, from 08:00 lands on 23:55.
  COleDateTime start(2026, 3, 1, 8, 0, 0);
  COleDateTime t = start + COleDateTimeSpan(0, 0, 5, 0) * 191;
  EXPECT_EQ(t, COleDateTime(2026, 3, 1, 23, 55, 0));
  EXPECT_EQ((t - start).GetTotalSeconds(), 191 * 300.0);
}

TEST(OleDateTime, FormatCodes) {
  COleDateTime dt(2026, 12, 8, 19, 30, 5);  // a Tuesday
  struct Case {
    const char16_t* format;
    const char* expected;
  } cases[] = {
      {u"%a %b/%d/%Y %I:%M %p", "Tue Dec/08/2026 07:30 PM"},
      {u"%a %Y-%m-%d", "Tue 2026-12-08"},
      {u"%H:%M", "19:30"},
      {u"%A %B %y", "Tuesday December 26"},
      {u"%#d/%#m %#I%p", "8/12 7PM"},
      {u"%j %#j", "342 342"},
      {u"%S%%", "05%"},
      {u"%c", "12/08/26 19:30:05"},
      {u"%x|%X", "12/08/26|19:30:05"},
      {u"%#x", "Tuesday, December 8, 2026"},
      {u"%#c", "Tuesday, December 8, 2026 19:30:05"},
      {u"%w %U %W", "2 49 49"},
      {u"100%", "100%"},
      {u"%q", "%q"},
  };
  for (const Case& c : cases) EXPECT_EQ(U8(dt.Format(c.format)), c.expected) << U8(CString(c.format));
  EXPECT_EQ(U8(COleDateTime(2026, 1, 1, 0, 0, 0).Format(u"%I %p %j %U")), "12 AM 001 00");
  COleDateTime null;
  null.SetStatus(COleDateTime::null);
  EXPECT_EQ(U8(null.Format(u"%Y")), "");
  // The Automation text form.
  EXPECT_EQ(U8(dt.Format()), "12/8/2026 7:30:05 PM");
  EXPECT_EQ(U8(dt.Format(VAR_DATEVALUEONLY)), "12/8/2026");
  EXPECT_EQ(U8(dt.Format(VAR_TIMEVALUEONLY)), "7:30:05 PM");
  EXPECT_EQ(U8(COleDateTime(2026, 12, 8, 0, 0, 0).Format()), "12/8/2026");
  EXPECT_EQ(U8(COleDateTime(0.5).Format()), "12:00:00 PM");
  EXPECT_EQ(U8(COleDateTime(0.0).Format()), "12:00:00 AM");
}

TEST(OleDateTime, ParseDateTimeForms) {
  struct Case {
    const char16_t* text;
    DWORD flags;
    int y, m, d, h, mi, s;
  } good[] = {
      {u"2013-03-26", 0, 2013, 3, 26, 0, 0, 0},
      {u"2013/3/26", 0, 2013, 3, 26, 0, 0, 0},
      {u"3/26/2013", 0, 2013, 3, 26, 0, 0, 0},
      {u"3/26/13", 0, 2013, 3, 26, 0, 0, 0},
      {u"3/26/45", 0, 1945, 3, 26, 0, 0, 0},
      {u"26/3/2013", 0, 2013, 3, 26, 0, 0, 0},  // day first when month first is impossible
      {u"2013-03-26 14:05:00", 0, 2013, 3, 26, 14, 5, 0},
      {u"2013-03-26T14:05:09", 0, 2013, 3, 26, 14, 5, 9},
      {u"  3/26/2013 2:05 PM ", 0, 2013, 3, 26, 14, 5, 0},
      {u"3/26/2013 12:00:00 AM", 0, 2013, 3, 26, 0, 0, 0},
      {u"March 26, 2013", 0, 2013, 3, 26, 0, 0, 0},
      {u"26 Mar 2013 08:15", 0, 2013, 3, 26, 8, 15, 0},
      {u"Tue Dec/08/2026 07:30 PM", 0, 2026, 12, 8, 19, 30, 0},
      {u"14:05:00", 0, 1899, 12, 30, 14, 5, 0},
      {u"2013-03-26 14:05:00", VAR_DATEVALUEONLY, 2013, 3, 26, 0, 0, 0},
      {u"2013-03-26 14:05:00", VAR_TIMEVALUEONLY, 1899, 12, 30, 14, 5, 0},
      {u"1850-06-01 06:00", 0, 1850, 6, 1, 6, 0, 0},
  };
  for (const Case& c : good) {
    COleDateTime dt;
    ASSERT_TRUE(dt.ParseDateTime(c.text, c.flags)) << U8(CString(c.text));
    EXPECT_EQ(dt.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(dt, COleDateTime(c.y, c.m, c.d, c.h, c.mi, c.s)) << U8(CString(c.text));
  }
  const char16_t* bad[] = {u"",           u"hello",       u"2013-02-30",       u"13/13/2013",
                           u"25:00",      u"3/26/2013 x", u"2013-03-26 14:61", u"1/2/3/4",
                           u"12:30 PM PM"};
  for (const char16_t* text : bad) {
    COleDateTime dt(2000, 1, 1, 0, 0, 0);
    EXPECT_FALSE(dt.ParseDateTime(text)) << U8(CString(text));
    EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid) << U8(CString(text));
  }
  // A year-less date takes the current year from the clock.
  pv::FakeClockScope clock(2031, 5, 5);
  COleDateTime dt;
  ASSERT_TRUE(dt.ParseDateTime(u"7/4"));
  EXPECT_EQ(dt, COleDateTime(2031, 7, 4, 0, 0, 0));
  // Whatever Format() writes, ParseDateTime reads back.
  COleDateTime original(1999, 12, 31, 23, 59, 58);
  COleDateTime back;
  ASSERT_TRUE(back.ParseDateTime(original.Format()));
  EXPECT_EQ(back, original);
}

TEST(OleDateTime, ConstructionFromOtherForms) {
  pv::FakeClockScope clock(2026, 1, 1);
  pv::ClockTimeZone zone;
  zone.bias = 300;  // UTC-5
  pv::Clock::SetFakeTimeZone(zone);
  // time_t and FILETIME are UTC and shown in local time.
  EXPECT_EQ(COleDateTime(static_cast<std::time_t>(0)), COleDateTime(1969, 12, 31, 19, 0, 0));
  FILETIME ft = pv::TimeTToFileTime(86400);
  EXPECT_EQ(COleDateTime(ft), COleDateTime(1970, 1, 1, 19, 0, 0));
  SYSTEMTIME st{2013, 3, 2, 26, 14, 5, 9, 999};  // milliseconds are dropped, not rounded
  EXPECT_EQ(COleDateTime(st), COleDateTime(2013, 3, 26, 14, 5, 9));
  // MS-DOS date and time words (two-second resolution).
  WORD dosDate = static_cast<WORD>(((2013 - 1980) << 9) | (3 << 5) | 26);
  WORD dosTime = static_cast<WORD>((14 << 11) | (5 << 5) | (10 / 2));
  EXPECT_EQ(COleDateTime(dosDate, dosTime), COleDateTime(2013, 3, 26, 14, 5, 10));
  // Variants: dates, date text, numbers; null gives the null status and
  // anything else that does not convert the invalid one.
  EXPECT_EQ(COleDateTime(_variant_t(41359.5, VT_DATE)), COleDateTime(2013, 3, 26, 12, 0, 0));
  EXPECT_EQ(COleDateTime(_variant_t(u"2013-03-26 12:00")), COleDateTime(2013, 3, 26, 12, 0, 0));
  EXPECT_EQ(COleDateTime(_variant_t(41359.5)), COleDateTime(2013, 3, 26, 12, 0, 0));
  _variant_t null;
  null.vt = VT_NULL;
  EXPECT_EQ(COleDateTime(null).GetStatus(), COleDateTime::null);
  EXPECT_EQ(COleDateTime(_variant_t(u"soon")).GetStatus(), COleDateTime::invalid);
  SYSTEMTIME out{};
  ASSERT_TRUE(COleDateTime(2013, 3, 26, 14, 5, 9).GetAsSystemTime(out));
  EXPECT_EQ(out.wDayOfWeek, 2);
  EXPECT_FALSE(COleDateTime(2013, 2, 30, 0, 0, 0).GetAsSystemTime(out));
  // SetTime puts the time on the zero day.
  COleDateTime t;
  EXPECT_EQ(t.SetTime(6, 30, 0), 0);
  EXPECT_DOUBLE_EQ(t.m_dt, 6.5 / 24);
  EXPECT_EQ(t.SetTime(6, 60, 0), 1);
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
}

TEST(SystemTime, ConversionsBetweenFileTimeSystemTimeAndDates) {
  SYSTEMTIME st{2013, 3, 0, 26, 14, 5, 9, 250};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  // 100-ns units since 1601: check against chrono.
  using namespace std::chrono;
  auto since1601 = sys_days{year{2013} / 3 / 26} - sys_days{year{1601} / 1 / 1};
  long long expected = (duration_cast<seconds>(since1601).count() + 14 * 3600 + 5 * 60 + 9) * 10000000LL + 2500000;
  EXPECT_EQ(pv::FileTimeToInt64(ft), expected);
  SYSTEMTIME back{};
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wYear, 2013);
  EXPECT_EQ(back.wDayOfWeek, 2);  // Tuesday
  EXPECT_EQ(back.wMilliseconds, 250);
  // Invalid fields are refused.
  SYSTEMTIME bad{2013, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
  // Automation dates ignore milliseconds and round-trip the rest.
  DATE d;
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &d));
  EXPECT_EQ(COleDateTime(d), COleDateTime(2013, 3, 26, 14, 5, 9));
  ASSERT_TRUE(VariantTimeToSystemTime(d, &back));
  EXPECT_EQ(back.wSecond, 9);
  EXPECT_EQ(back.wMilliseconds, 0);
  // time_t
  EXPECT_EQ(pv::FileTimeToTimeT(pv::TimeTToFileTime(1700000000)), 1700000000);
  FILETIME a = pv::Int64ToFileTime(5), b = pv::Int64ToFileTime(7);
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
}

TEST(SystemTime, LocalTimeFollowsTheFakeClockAndZone) {
  pv::FakeClockScope clock(2026, 12, 8, 11, 30, 0);  // UTC
  pv::ClockTimeZone zone;
  zone.bias = -480;  // UTC+8
  zone.standardName = u"China Standard Time";
  zone.daylightName = u"China Daylight Time";
  pv::Clock::SetFakeTimeZone(zone);
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  EXPECT_EQ(utc.wHour, 11);
  EXPECT_EQ(local.wHour, 19);
  EXPECT_EQ(local.wDay, 8);
  COleDateTime now = COleDateTime::GetCurrentTime();
  EXPECT_EQ(now, COleDateTime(2026, 12, 8, 19, 30, 0));
  // File times convert both ways through the zone.
  FILETIME ft, lft, back;
  GetSystemTimeAsFileTime(&ft);
  ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &lft));
  EXPECT_EQ(pv::FileTimeToInt64(lft) - pv::FileTimeToInt64(ft), 8LL * 3600 * 10000000);
  ASSERT_TRUE(LocalFileTimeToFileTime(&lft, &back));
  EXPECT_EQ(pv::FileTimeToInt64(back), pv::FileTimeToInt64(ft));
  EXPECT_EQ(COleDateTime(ft), now);  // a FILETIME is shown in local time
  TIME_ZONE_INFORMATION tzi{};
  EXPECT_EQ(GetTimeZoneInformation(&tzi), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
  EXPECT_EQ(tzi.Bias, -480);
  EXPECT_EQ(std::u16string(tzi.StandardName), u"China Standard Time");
  // Whole seconds only: a fake clock with milliseconds still gives whole seconds.
  pv::Clock::AdvanceBy(1700);
  EXPECT_EQ(COleDateTime::GetCurrentTime(), COleDateTime(2026, 12, 8, 19, 30, 1));
  EXPECT_EQ(COleDateTime::GetCurrentTime().Format(u"%S"), CString(u"01"));
}

// Each locale's own date forms read back, and Format writes the locale's text.
TEST(OleDateTime, ParseAndFormatUnderALocale) {
  struct Case {
    LCID lcid;
    const char16_t* text;
    int y, m, d, h, mi, s;
  } good[] = {
      {0x0804, u"2026\u5e7412\u67088\u65e5", 2026, 12, 8, 0, 0, 0},  // 2026年12月8日
      {0x0804, u"2026\u5e7412\u6708", 2026, 12, 1, 0, 0, 0},         // 2026年12月
      {0x0804, u"2026\u5e7412\u67088\u65e5 19:30", 2026, 12, 8, 19, 30, 0},
      {0x0804, u"2026/12/8 \u4e0b\u5348 7:30", 2026, 12, 8, 19, 30, 0},                         // 下午
      {0x0804, u"2026\u5e7412\u67088\u65e5 19\u65f630\u520605\u79d2", 2026, 12, 8, 19, 30, 5},  // 19时30分05秒
      {0x0804, u"2026/12/8", 2026, 12, 8, 0, 0, 0},
      {0x0407, u"08.12.2026", 2026, 12, 8, 0, 0, 0},
      {0x0407, u"8.12.26 19:30", 2026, 12, 8, 19, 30, 0},
      {0x0407, u"8. Dezember 2026", 2026, 12, 8, 0, 0, 0},
      {0x0407, u"Dienstag, 8. Dezember 2026", 2026, 12, 8, 0, 0, 0},
      {0x0407, u"8. M\u00e4rz 2026", 2026, 3, 8, 0, 0, 0},
      {0x040C, u"08/12/2026", 2026, 12, 8, 0, 0, 0},
      {0x040C, u"mardi 8 d\u00e9cembre 2026", 2026, 12, 8, 0, 0, 0},
      {0x040C, u"8 f\u00e9vr. 2026", 2026, 2, 8, 0, 0, 0},
      {0x0409, u"12/8/2026", 2026, 12, 8, 0, 0, 0},
      {0x0409, u"13.03.2026", 2026, 3, 13, 0, 0, 0},  // month first is impossible
  };
  for (const Case& c : good) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lcid << " " << U8(CString(c.text)));
    COleDateTime dt;
    ASSERT_TRUE(dt.ParseDateTime(c.text, 0, c.lcid));
    EXPECT_EQ(dt, COleDateTime(c.y, c.m, c.d, c.h, c.mi, c.s));
  }
  // Under en-US "12年" is no date, and German text is no English date.
  COleDateTime dt;
  EXPECT_FALSE(dt.ParseDateTime(u"8. Dezember 2026", 0, 0x0409));
  EXPECT_FALSE(dt.ParseDateTime(u"\u5e7412\u6708", 0, 0x0804));

  COleDateTime when(2026, 12, 8, 19, 30, 5);
  struct Text {
    LCID lcid;
    const char16_t* expected;
  } texts[] = {
      {0x0409, u"12/8/2026 7:30:05 PM"},
      {0x0407, u"08.12.2026 19:30:05"},
      {0x040C, u"08/12/2026 19:30:05"},
      {0x0804, u"2026/12/8 19:30:05"},
  };
  for (const Text& t : texts) {
    SCOPED_TRACE(testing::Message() << std::hex << t.lcid);
    EXPECT_EQ(U8(when.Format(0, t.lcid)), U8(CString(t.expected)));
    COleDateTime back;
    ASSERT_TRUE(back.ParseDateTime(when.Format(0, t.lcid), 0, t.lcid));
    EXPECT_EQ(back, when);
  }
  // The user default follows LANG.
  pvtest::UserLocaleScope german("de_DE.UTF-8");
  EXPECT_EQ(U8(when.Format()), "08.12.2026 19:30:05");
  ASSERT_TRUE(dt.ParseDateTime(u"08.03.2026"));
  EXPECT_EQ(dt, COleDateTime(2026, 3, 8, 0, 0, 0));
}

}  // namespace
