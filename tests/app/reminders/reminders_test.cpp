// Today's reminder list and the expiry scan, against a temporary database.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "app/reminders/remind.h"
#include "app/reminders/remindcalendar.h"
#include "remind_fixture.h"

namespace {

using namespace remindtest;

class ReminderListTest : public ::testing::Test {
 protected:
  ReminderListTest() { EXPECT_EQ(store_.OpenDatabase(), 1); }

  // "content occurrence" of each element of a fresh build at `now`.
  std::vector<std::string> Build(const Moment& now) {
    CArray<RemindSTR> list;
    EXPECT_TRUE(AppendTodayReminders(store_, At(now), list));
    std::vector<std::string> out;
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
      out.push_back(Narrow(list[i].content) + " " + Text(list[i].occurrence));
    return out;
  }
  std::string Effect(int rid) { return raw().One("select effect from remind where rid=" + std::to_string(rid)); }
  pvtest::RawSqlite raw() { return pvtest::RawSqlite(home_.Database()); }

  Home home_;
  pv::MessageBoxRecorder boxes_;
  CDataStore store_;
};

using V = std::vector<std::string>;

TEST_F(ReminderListTest, OraclesOfTheDay) {
  struct Case {
    const char* what;
    Row row;
    Moment now;
    V expected;
  };
  const Case cases[] = {
      {"a reminder at the moment of the build counts",
       {u"a", {2026, 3, 10, 10, 30, 0}},
       {2026, 3, 10, 10, 30, 0},
       {"a 2026-03-10 10:30:00"}},
      {"10:30 is dropped by a build at 10:30:20", {u"a", {2026, 3, 10, 10, 30, 0}}, {2026, 3, 10, 10, 30, 20}, {}},
      {"another day's reminder", {u"a", {2026, 3, 11, 10, 30, 0}}, {2026, 3, 10, 8, 0, 0}, {}},
      {"three x day from two days ago, before 09:00",
       {u"d", {2026, 3, 8, 9, 0, 0}, kRemindThrice, 8},
       {2026, 3, 10, 8, 0, 0},
       {"d 2026-03-10 09:00:00"}},
      {"three x day from two days ago, after 09:00",
       {u"d", {2026, 3, 8, 9, 0, 0}, kRemindThrice, 8},
       {2026, 3, 10, 9, 30, 0},
       {}},
      {"two x hour: both today",
       {u"h", {2026, 3, 10, 22, 0, 0}, kRemindTwice, 3},
       {2026, 3, 10, 21, 0, 0},
       {"h 2026-03-10 22:00:00", "h 2026-03-10 23:00:00"}},
      {"three x 12 hours crossing midnight",
       {u"h", {2026, 3, 9, 23, 0, 0}, kRemindThrice, 7},
       {2026, 3, 10, 0, 0, 0},
       {"h 2026-03-10 11:00:00", "h 2026-03-10 23:00:00"}},
      {"monthly on the 31st: no 31 February",
       {u"m", {2026, 1, 31, 9, 0, 0}, kRemindThrice, 10},
       {2026, 2, 28, 0, 0, 0},
       {}},
      {"monthly on the 31st: 31 March",
       {u"m", {2026, 1, 31, 9, 0, 0}, kRemindThrice, 10},
       {2026, 3, 31, 0, 0, 0},
       {"m 2026-03-31 09:00:00"}},
      {"monthly across the year's end",
       {u"m", {2025, 12, 15, 9, 0, 0}, kRemindThrice, 10},
       {2026, 2, 15, 0, 0, 0},
       {"m 2026-02-15 09:00:00"}},
      {"unbounded monthly on the 31st in April",
       {u"m", {2026, 1, 31, 9, 0, 0}, kRemindCountless, 10},
       {2026, 4, 30, 0, 0, 0},
       {}},
      {"unbounded monthly on the 31st in May",
       {u"m", {2026, 1, 31, 9, 0, 0}, kRemindCountless, 10},
       {2026, 5, 31, 0, 0, 0},
       {"m 2026-05-31 09:00:00"}},
      {"unbounded monthly on the 15th, also years later",
       {u"m", {2026, 1, 15, 9, 0, 0}, kRemindCountless, 10},
       {2031, 7, 15, 0, 0, 0},
       {"m 2031-07-15 09:00:00"}},
      {"a future monthly series before its start",
       {u"m", {2026, 6, 15, 9, 0, 0}, kRemindCountless, 10},
       {2026, 5, 15, 0, 0, 0},
       {}},
      {"a future yearly series before its start",
       {u"y", {2027, 3, 10, 9, 0, 0}, kRemindCountless, 11},
       {2026, 3, 10, 0, 0, 0},
       {}},
      {"yearly 29 February in a common year",
       {u"y", {2024, 2, 29, 7, 0, 0}, kRemindCountless, 11},
       {2025, 2, 28, 0, 0, 0},
       {}},
      {"yearly 29 February in a leap year",
       {u"y", {2024, 2, 29, 7, 0, 0}, kRemindCountless, 11},
       {2028, 2, 29, 0, 0, 0},
       {"y 2028-02-29 07:00:00"}},
      {"finite yearly 29 February: the third occurrence does not exist",
       {u"y", {2024, 2, 29, 7, 0, 0}, kRemindThrice, 11},
       {2026, 2, 28, 0, 0, 0},
       {}},
      {"weekly, unbounded",
       {u"w", {2026, 2, 24, 18, 0, 0}, kRemindCountless, 9},
       {2026, 3, 10, 0, 0, 0},
       {"w 2026-03-10 18:00:00"}},
      {"unbounded with no step is skipped",
       {u"z", {2026, 3, 10, 9, 0, 0}, kRemindCountless, -1},
       {2026, 3, 10, 0, 0, 0},
       {}},
      {"finite with no step: once",
       {u"z", {2026, 3, 10, 9, 0, 0}, kRemindThrice, -1},
       {2026, 3, 10, 0, 0, 0},
       {"z 2026-03-10 09:00:00"}},
      {"an unknown step code is skipped", {u"x", {2026, 3, 10, 9, 0, 0}, kRemindOnce, 12}, {2026, 3, 10, 0, 0, 0}, {}},
      {"an unknown repeat code is skipped", {u"x", {2026, 3, 10, 9, 0, 0}, 4, 8}, {2026, 3, 10, 0, 0, 0}, {}},
      {"a switched-off series",
       {u"x", {2026, 3, 10, 9, 0, 0}, kRemindOnce, 0, 1, false, false, false},
       {2026, 3, 10, 0, 0, 0},
       {}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(store_.ExecuteSql(u"delete from remind"), 1);
    Insert(store_, c.row);
    EXPECT_EQ(Build(c.now), c.expected) << c.what;
  }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ReminderListTest, EmptyTableAndUnboundedFiveMinutes) {
  EXPECT_TRUE(Build({2026, 3, 10, 8, 7, 0}).empty());
  Insert(store_, {u"f", {2026, 3, 10, 8, 0, 0}, kRemindCountless, 0});
  V got = Build({2026, 3, 10, 8, 7, 0});
  ASSERT_EQ(got.size(), 190u);
  EXPECT_EQ(got.front(), "f 2026-03-10 08:10:00");
  EXPECT_EQ(got.back(), "f 2026-03-10 23:55:00");
}

TEST_F(ReminderListTest, SortedByTimeWithRowsOfOneMomentInRowOrder) {
  Insert(store_, {u"late", {2026, 3, 10, 18, 0, 0}});
  Insert(store_, {u"first", {2026, 3, 10, 9, 0, 0}});
  Insert(store_, {u"second", {2026, 3, 10, 9, 0, 0}});
  Insert(store_, {u"hourly", {2026, 3, 10, 8, 30, 0}, kRemindThrice, 3});
  EXPECT_EQ(Build({2026, 3, 10, 8, 0, 0}),
            (V{"hourly 2026-03-10 08:30:00", "first 2026-03-10 09:00:00", "second 2026-03-10 09:00:00",
               "hourly 2026-03-10 09:30:00", "hourly 2026-03-10 10:30:00", "late 2026-03-10 18:00:00"}));
}

TEST_F(ReminderListTest, RowsWithNullsAreSkippedAndTheRestKept) {
  ASSERT_EQ(
      store_.ExecuteSql(u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,effect) "
                        u"values ('no date',NULL,#09:00:00#,0,0,1,1)"),
      1);
  ASSERT_EQ(
      store_.ExecuteSql(u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,effect) "
                        u"values ('no codes',#2026-03-10#,#09:00:00#,NULL,NULL,1,1)"),
      1);
  ASSERT_EQ(
      store_.ExecuteSql(u"insert into remind (content,RemindDate,RemindTime,NumberOfTimes,separation,taid,effect) "
                        u"values (NULL,#2026-03-10#,#10:00:00#,0,0,7,1)"),
      1);
  Insert(store_, {u"kept", {2026, 3, 10, 11, 0, 0}});
  CArray<RemindSTR> list;
  ASSERT_TRUE(AppendTodayReminders(store_, At({2026, 3, 10, 0, 0, 0}), list));
  ASSERT_EQ(list.GetSize(), 2);
  EXPECT_EQ(Narrow(list[0].content), "");  // a NULL text is an empty one
  EXPECT_EQ(list[0].taid, 7);
  EXPECT_FALSE(list[0].message);
  EXPECT_EQ(Narrow(list[1].content), "kept");
  EXPECT_EQ(list[1].executenumber, -1);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ReminderListTest, ExpiryScanSwitchesOffFinishedFiniteSeriesOnly) {
  struct Case {
    Row row;
    const char* effect;  // after a scan at 2026-03-10 09:01 (a stored true reads -1)
  };
  const Case cases[] = {
      {{u"third occurrence past", {2026, 3, 8, 9, 0, 0}, kRemindThrice, 8}, "0"},
      {{u"third occurrence ahead", {2026, 3, 8, 9, 5, 0}, kRemindThrice, 8}, "-1"},
      {{u"once, past", {2026, 3, 10, 9, 0, 0}}, "0"},
      {{u"once, this minute ahead", {2026, 3, 10, 9, 1, 30}}, "-1"},
      // The builder and the scan count months alike: 31 Jan, (31 Feb), 31 Mar.
      {{u"monthly, last on 31 March", {2026, 1, 31, 9, 0, 0}, kRemindThrice, 10}, "-1"},
      // 31 Dec, 31 Jan, no 31 Feb: over after 31 January.
      {{u"monthly, last day missing", {2025, 12, 31, 9, 0, 0}, kRemindThrice, 10}, "0"},
      // Two yearly steps from 2025: 2027, not 365 days.
      {{u"yearly", {2025, 3, 10, 9, 0, 0}, kRemindThrice, 11}, "-1"},
      {{u"unbounded, started long ago", {2020, 1, 1, 9, 0, 0}, kRemindCountless, 8}, "-1"},
      {{u"unknown code left alone", {2020, 1, 1, 9, 0, 0}, kRemindOnce, 40}, "-1"},
  };
  std::vector<int> rids;
  for (const Case& c : cases) rids.push_back(Insert(store_, c.row));
  pv::FakeClockScope clock(2026, 3, 10, 9, 1, 0);
  store_.ScanRepeatingReminders();
  for (std::size_t i = 0; i < rids.size(); ++i)
    EXPECT_EQ(Effect(rids[i]), cases[i].effect) << Narrow(cases[i].row.content);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ReminderListTest, AFailedReadKeepsTheListSortedAndSaysSo) {
  CArray<RemindSTR> list;
  store_.CloseDatabase();
  EXPECT_FALSE(AppendTodayReminders(store_, At({2026, 3, 10, 0, 0, 0}), list));
  EXPECT_EQ(list.GetSize(), 0);
}

// A year of daily builds against the series expanded with std::chrono.
TEST_F(ReminderListTest, AYearOfDailyListsMatchesAnIndependentCalendar) {
  using namespace std::chrono;
  const Row rows[] = {
      {u"month31", {2026, 1, 31, 9, 0, 0}, kRemindCountless, 10},
      {u"futureMonth", {2026, 6, 15, 8, 0, 0}, kRemindCountless, 10},
      {u"leapDay", {2024, 2, 29, 7, 0, 0}, kRemindCountless, 11},
      {u"futureYear", {2026, 9, 1, 6, 0, 0}, kRemindCountless, 11},
      {u"week", {2026, 1, 3, 18, 30, 0}, kRemindCountless, 9},
      {u"twelveHours", {2026, 1, 1, 10, 0, 0}, kRemindCountless, 7},
      {u"threeMonths", {2026, 10, 31, 12, 0, 0}, kRemindThrice, 10},
      {u"twoYears", {2025, 5, 5, 5, 5, 0}, kRemindTwice, 11},
  };
  for (const Row& r : rows) Insert(store_, r);

  std::set<std::string> expected;
  const sys_days yearStart = sys_days{2026y / January / 1}, yearEnd = sys_days{2027y / January / 1};
  for (const Row& r : rows) {
    year_month_day first{year{r.start.year}, month{static_cast<unsigned>(r.start.month)},
                         day{static_cast<unsigned>(r.start.day)}};
    seconds tod = hours{r.start.hour} + minutes{r.start.minute} + seconds{r.start.second};
    long long count = r.times == kRemindCountless ? 100000 : r.times + 1;
    for (long long k = 0; k < count; ++k) {
      sys_seconds t;
      if (r.separation == 10 || r.separation == 11) {
        year_month_day d = r.separation == 10 ? first + months{k} : first + years{k};
        if (sys_days{d.year() / d.month() / 1} >= yearEnd) break;
        if (!d.ok()) continue;
        t = sys_days{d} + tod;
      } else {
        t = sys_days{first} + tod + (r.separation == 9 ? seconds{weeks{1}} : seconds{hours{12}}) * k;
        if (t >= yearEnd) break;
      }
      if (t < yearStart) continue;
      sys_days d = floor<days>(t);
      year_month_day ymd{d};
      hh_mm_ss<seconds> hms{t - d};
      char buf[64];
      std::snprintf(buf, sizeof buf, " %04d-%02u-%02u %02ld:%02ld:%02ld", static_cast<int>(ymd.year()),
                    static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                    static_cast<long>(hms.hours().count()), static_cast<long>(hms.minutes().count()),
                    static_cast<long>(hms.seconds().count()));
      expected.insert(Narrow(CString(r.content)) + buf);
    }
  }
  std::set<std::string> built;
  for (sys_days d = yearStart; d < yearEnd; d += days{1}) {
    year_month_day ymd{d};
    for (const std::string& s :
         Build({static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                static_cast<int>(static_cast<unsigned>(ymd.day())), 0, 0, 0}))
      EXPECT_TRUE(built.insert(s).second) << "twice: " << s;
  }
  EXPECT_EQ(built, expected);
}

}  // namespace
