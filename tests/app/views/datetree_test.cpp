// The date tree's three fills against a fake "today" of Monday 17 May 2010,
// and the day names checked against the standard library's calendar.
#include "app/views/datetree.h"

#include <chrono>
#include <map>

#include "views_fixture.h"

namespace {

using viewstest::Joined;
using viewstest::Outline;

class DateTreeTest : public viewstest::ViewsTest {
 protected:
  DateTreeTest() : clock_(2010, 5, 17, 15, 30, 0) {}
  // The outline of one fill of the tree.
  std::string Filled(int (CDateTree::*fill)()) {
    RefillDateTree(fill);
    EXPECT_EQ(Frame().m_wndDateTree.m_pWorkRecordset->GetState(), adStateClosed);
    return Joined(Outline(Frame().m_wndDateTree));
  }
  static COleDateTime Day(int y, int m, int d) { return COleDateTime(y, m, d, 0, 0, 0); }

  pv::FakeClockScope clock_;
};

constexpr auto kTaskDay = &CDateTree::FillDateTree;
constexpr auto kEveryday = &CDateTree::FillDateTreeEveryday;
constexpr auto kWorkday = &CDateTree::FillDateTreeWorkdays;

TEST_F(DateTreeTest, NoDatedTaskGivesTheRootAlone) {
  Start();
  const int work = AddWork(u"Garden", 1);
  ASSERT_EQ(Store().ExecuteSql(u"insert into task (tasktitle,tid,tasktype) values ('Undated',?,1)",
                               {_variant_t(static_cast<long>(work))}),
            1);
  for (auto fill : {kTaskDay, kEveryday, kWorkday}) EXPECT_EQ(Filled(fill), "Pravenor B\n");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(DateTreeTest, WeekendTasksAndTodayInTheThreeVariants) {
  Start();
  const int garden = AddWork(u"Garden", 2);
  const int plan = AddWork(u"v1.2 plan", 1, COleDateTime(2012, 3, 5, 14, 7, 9));
  // Added out of order: the rows come by task time, then by work.
  const int sun = AddTask(plan, u"Review", 2, Day(2010, 5, 16));
  const int fri = AddTask(garden, u"Dig", 1, Day(2010, 5, 14));
  const int satLater = AddTask(plan, u"Write", 1, Day(2010, 5, 15));
  const int satEarlier = AddTask(garden, u"Water", 2, Day(2010, 5, 15));
  const int odd = AddTask(garden, u"Odd", 3, Day(2010, 5, 14));
  // A time of day: listed by "Task Day" only.
  const int noon = AddTask(garden, u"Lunch", 1, COleDateTime(2010, 5, 16, 12, 0, 0));
  auto t = [](const char* text, int taid, int type) {
    std::string line = std::string("        ") + text + "=" + std::to_string(type == 2 ? -taid : taid);
    return line + (type == 2 ? " #FC0289" : " #0383FB");
  };
  const std::string fridayTasks = Joined({t("Garden.Dig", fri, 1), "        Garden.Odd"});
  const std::string saturdayTasks = Joined({t("Garden.Water", satEarlier, 2), t("v1.2 plan.Write", satLater, 1)});
  (void)odd;

  EXPECT_EQ(Filled(kTaskDay),
            Joined({"Pravenor B E", "  2010 B E", "    2010.5 B E", "      2010.5.14 Friday"}) + fridayTasks +
                "      2010.5.15 Saturday\n" + saturdayTasks +
                Joined({"      2010.5.16 Sunday E", t("v1.2 plan.Review", sun, 2), t("Garden.Lunch", noon, 1)}));
  EXPECT_EQ(Filled(kEveryday),
            Joined({"Pravenor B E", "  2010 B E", "    2010.5 B E", "      2010.5.14 Friday"}) + fridayTasks +
                "      2010.5.15 Saturday\n" + saturdayTasks +
                Joined({"      2010.5.16 Sunday", t("v1.2 plan.Review", sun, 2), "      2010.5.17 Monday"}));
  // The weekend's tasks appear nowhere; today, a Monday without tasks, is
  // the last day.
  EXPECT_EQ(Filled(kWorkday), Joined({"Pravenor B E", "  2010 B E", "    2010.5 B E", "      2010.5.14 Friday"}) +
                                  fridayTasks + "      2010.5.17 Monday\n");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(DateTreeTest, FutureTasksAndEarlyFirstDates) {
  Start();
  const int work = AddWork(u"Garden", 1);
  const int tomorrow = AddTask(work, u"Harvest", 1, Day(2010, 5, 18));
  // Only "Task Day" shows tomorrow, and expands its path.
  EXPECT_EQ(Filled(kTaskDay), Joined({"Pravenor B E", "  2010 B E", "    2010.5 B E", "      2010.5.18 Tuesday E",
                                      "        Garden.Harvest=" + std::to_string(tomorrow) + " #0383FB"}));
  // Every task after today: the first task's year and month, no day.
  EXPECT_EQ(Filled(kEveryday), Joined({"Pravenor B E", "  2010 B E", "    2010.5 B"}));
  EXPECT_EQ(Filled(kWorkday), Joined({"Pravenor B E", "  2010 B E", "    2010.5 B"}));

  // A first task in 2000 (a Friday): "Task Day" still lists it; the other
  // two list nothing below the root.
  const int old = AddTask(work, u"Plan", 1, Day(2000, 12, 29));
  EXPECT_EQ(Filled(kTaskDay),
            Joined({"Pravenor B E", "  2000 B", "    2000.12 B", "      2000.12.29 Friday",
                    "        Garden.Plan=" + std::to_string(old) + " #0383FB", "  2010 B E", "    2010.5 B E",
                    "      2010.5.18 Tuesday E", "        Garden.Harvest=" + std::to_string(tomorrow) + " #0383FB"}));
  EXPECT_EQ(Filled(kEveryday), "Pravenor B\n");
  EXPECT_EQ(Filled(kWorkday), "Pravenor B\n");
}

TEST_F(DateTreeTest, MonthAndYearChangesMakeNewItemsWithoutLeadingZeros) {
  Start();
  const int work = AddWork(u"Garden", 1);
  AddTask(work, u"Last", 1, Day(2009, 12, 31));
  AddTask(work, u"First", 1, Day(2010, 1, 1));
  AddTask(work, u"May", 1, Day(2010, 5, 4));
  AddTask(work, u"Today", 1, Day(2010, 5, 17));
  std::vector<std::string> dates;
  RefillDateTree(kTaskDay);
  CDateTree& tree = Frame().m_wndDateTree;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item))
    if (GetTreeItemLevel(tree, item) < 5) dates.push_back(viewstest::Narrow(tree.GetItemText(item)));
  EXPECT_EQ(Joined(dates), Joined({"Pravenor", "2009", "2009.12", "2009.12.31 Thursday", "2010", "2010.1",
                                   "2010.1.1 Friday", "2010.5", "2010.5.4 Tuesday", "2010.5.17 Monday"}));

  // "Everyday" from 31 December 2009 to today: every day once, under the
  // right year and month.
  RefillDateTree(kEveryday);
  int years = 0, months = 0, days = 0;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item)) {
    const int level = GetTreeItemLevel(tree, item);
    years += level == 2;
    months += level == 3;
    days += level == 4;
  }
  EXPECT_EQ(years, 2);
  EXPECT_EQ(months, 6);  // 2009.12, then January to May 2010
  EXPECT_EQ(days, 1 + 31 + 28 + 31 + 30 + 17);
  const HTREEITEM y2010 = tree.GetNextSiblingItem(tree.GetChildItem(tree.GetRootItem()));
  EXPECT_EQ(viewstest::Narrow(tree.GetItemText(tree.GetChildItem(tree.GetChildItem(y2010)))), "2010.1.1 Friday");
  // The one expanded day is today's.
  std::vector<std::string> expandedDays;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item))
    if (GetTreeItemLevel(tree, item) == 4 && (tree.CTreeCtrl::GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED))
      expandedDays.push_back(viewstest::Narrow(tree.GetItemText(item)));
  EXPECT_EQ(Joined(expandedDays), "2010.5.17 Monday\n");
}

TEST_F(DateTreeTest, DayNamesFollowTheCalendar) {
  using namespace std::chrono;
  for (sys_days d = sys_days{2001y / January / 1}; d <= sys_days{2030y / December / 31}; d += days{1}) {
    const year_month_day ymd{d};
    const COleDateTime date(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                            static_cast<int>(static_cast<unsigned>(ymd.day())), 0, 0, 0);
    const unsigned dayOfWeek = std::chrono::weekday{d}.c_encoding();  // 0 = Sunday
    static const char* const names[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const std::string want = std::to_string(static_cast<int>(ymd.year())) + "." +
                             std::to_string(static_cast<unsigned>(ymd.month())) + "." +
                             std::to_string(static_cast<unsigned>(ymd.day())) + " " + names[dayOfWeek];
    ASSERT_EQ(viewstest::Narrow(DateTreeDayText(date)), want);
  }
}

TEST_F(DateTreeTest, DatabaseErrorEndsTheFillWithOneMessage) {
  Start();
  const int work = AddWork(u"Garden", 1);
  AddTask(work, u"Dig", 1, Day(2010, 5, 14));
  const int bad = AddTask(work, u"Broken", 1, Day(2010, 5, 15));
  RawExec("update task set tasktype='x' where taid=" + std::to_string(bad));
  for (auto fill : {kTaskDay, kEveryday}) {
    boxes_.Clear();
    RefillDateTree(fill);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Last().owner, Frame().m_wndDateTree.m_hWnd);
    EXPECT_EQ(Frame().m_wndDateTree.m_pWorkRecordset->GetState(), adStateClosed);
    // The items so far, none expanded, and no item for the broken row.
    const std::string outline = Joined(Outline(Frame().m_wndDateTree));
    EXPECT_EQ(outline.find(" E"), std::string::npos) << outline;
    EXPECT_EQ(outline.find("Broken"), std::string::npos) << outline;
    EXPECT_NE(outline.find("Garden.Dig"), std::string::npos) << outline;
  }
}

TEST_F(DateTreeTest, LabelsNameEachWorkByItsStoredTextAndStartTogether) {
  // Two works whose names are stored as the same text under different start
  // times decipher differently: each task's label carries its own work's
  // name, also when its title is null.
  Start();
  const COleDateTime early(2009, 4, 7, 9, 30, 0), late(2011, 8, 3, 16, 5, 0);
  const int first = AddWork(u"Garden", 1, early);
  CString stored;
  {
    _RecordsetPtr rs(u"ADODB.Recordset");
    ASSERT_EQ(
        Store().OpenRecordset(u"select workname from things where tid=?", {_variant_t(static_cast<long>(first))}, rs),
        1);
    stored = FieldText(rs->GetCollect(_variant_t(0L)));
    rs->Close();
  }
  const int second = Store().InsertAndGetMaxId(
      u"insert into things (workname,worktype,starttime) values (?,?,?)", u"select max(tid) from things",
      {CDataStore::TextValue(stored), _variant_t(1L), _variant_t(DATE(late), VT_DATE)});
  ASSERT_GT(second, 0);
  const CString firstName = WorkNameFromStored(stored, early), secondName = WorkNameFromStored(stored, late);
  ASSERT_EQ(firstName, CString(u"Garden"));
  ASSERT_NE(firstName, secondName);
  const int dig = AddTask(first, u"Dig", 1, Day(2010, 5, 14));
  const int plant = AddTask(second, u"Plant", 1, Day(2010, 5, 14));
  RawExec("update task set tasktitle=NULL where taid=" + std::to_string(plant));
  RefillDateTree(kTaskDay);
  CTKTreeCtrl& tree = Frame().m_wndDateTree;
  std::map<int, CString> labels;
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextItem(item))
    if (const auto data = static_cast<LPARAM>(tree.GetItemData(item)); GetTreeItemLevel(tree, item) == 5)
      labels[static_cast<int>(data)] = tree.GetItemText(item);
  EXPECT_EQ(labels[dig], CString(u"Garden.Dig"));
  EXPECT_EQ(labels[plant], secondName + u".");
  EXPECT_EQ(labels.size(), 2u);
}

}  // namespace
