// What the scheduled-task form stores: its task row, its reminders, and
// the delete of the whole task; checked through a raw SQLite connection.
#include "app/views/planstore.h"
#include "platform/base/clock.h"
#include "views_fixture.h"

namespace {

// The stored Automation date (a day number) as "YYYY-MM-DD HH:MM:SS".
std::string When(const std::string& stored) {
  if (stored == "NULL") return stored;
  return viewstest::Narrow(COleDateTime(std::stod(stored)).Format(u"%Y-%m-%d %H:%M:%S"));
}
// The rows with the columns at `dates` read as dates.
std::vector<std::vector<std::string>> WithDates(std::vector<std::vector<std::string>> rows,
                                                std::initializer_list<std::size_t> dates) {
  for (auto& row : rows)
    for (std::size_t c : dates) row[c] = When(row[c]);
  return rows;
}

class PlanStoreTest : public viewstest::ViewsTest {
 protected:
  void SetUp() override {
    Start();
    work_ = AddWork(u"Garden", 1);
  }
  viewstest::RawDb Raw() { return viewstest::RawDb(folder_.Database()); }
  int work_ = 0;
};

TEST_F(PlanStoreTest, ATaskWithAQuoteIsStoredSavedAndDeletedWithItsRows) {
  const int taid = InsertScheduledTask(Store(), u"O'Brien", work_, COleDateTime(2012, 5, 17, 15, 20, 0));
  ASSERT_GT(taid, 0);
  EXPECT_EQ(
      WithDates(Raw().Rows("select tasktitle,tasktype,tasktime from task where taid=" + std::to_string(taid)), {2}),
      (std::vector<std::vector<std::string>>{{"O'Brien", "2", "2012-05-17 00:00:00"}}));
  EXPECT_EQ(Raw().One("select count(*) from details"), "0");

  ASSERT_TRUE(UpdateScheduledTask(Store(), taid, u"Prune 'n' tidy", u"Ann", u"Back yard",
                                  COleDateTime(2012, 6, 1, 9, 0, 0), u"50% of the hedge"));
  EXPECT_EQ(WithDates(Raw().Rows("select tasktitle,personnel,place,tasktime,brief from task"), {3}),
            (std::vector<std::vector<std::string>>{
                {"Prune 'n' tidy", "Ann", "Back yard", "2012-06-01 00:00:00", "50% of the hedge"}}));

  const int other = InsertScheduledTask(Store(), u"Other", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  ASSERT_GT(InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0)), 0);
  ASSERT_GT(InsertReminder(Store(), other, COleDateTime(2012, 6, 1, 8, 0, 0)), 0);
  RawExec("insert into files (filename,extendionname,taid) values ('plan','doc'," + std::to_string(taid) + ")");
  ASSERT_TRUE(DeleteScheduledTaskRows(Store(), taid));
  const std::string id = std::to_string(taid);
  EXPECT_EQ(Raw().One("select count(*) from task where taid=" + id), "0");
  EXPECT_EQ(Raw().One("select count(*) from remind where taid=" + id), "0");
  EXPECT_EQ(Raw().One("select count(*) from files where taid=" + id), "0");
  EXPECT_EQ(Raw().One("select count(*) from remind"), "1") << "the other task's reminder stays";
}

TEST_F(PlanStoreTest, AFailedStatementReportsFailureAndChangesNothing) {
  const int taid = InsertScheduledTask(Store(), u"Keep", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  // A title over its 40 characters is refused by the database.
  EXPECT_FALSE(UpdateScheduledTask(Store(), taid, CString(u'x', 41), u"", u"", COleDateTime(2012, 6, 1, 0, 0, 0), u""));
  EXPECT_EQ(Raw().One("select tasktitle from task"), "Keep");
  EXPECT_EQ(InsertScheduledTask(Store(), CString(u'x', 41), work_, COleDateTime(2012, 6, 1, 0, 0, 0)), 0);
  EXPECT_EQ(Raw().One("select count(*) from task"), "1");
}

TEST_F(PlanStoreTest, AddAtFiveToMidnightStoresTheNextDayAtFivePast) {
  pv::FakeClockScope clock(2012, 12, 31, 23, 55, 0);
  pv::Clock::SetFakeLocal(2012, 12, 31, 23, 55, 0);
  const int taid = InsertScheduledTask(Store(), u"Party", work_, COleDateTime(2012, 12, 31, 0, 0, 0));
  const COleDateTime due = NewReminderDue(COleDateTime::GetCurrentTime());
  const int rid = InsertReminder(Store(), taid, due);
  ASSERT_GT(rid, 0);
  EXPECT_EQ(WithDates(Raw().Rows("select content,RemindDate,RemindTime,NumberOfTimes,separation,executenumber,message,"
                                 "sendnumber,effect,submitted from remind where rid=" +
                                 std::to_string(rid)),
                      {1, 2}),
            (std::vector<std::vector<std::string>>{
                {"", "2013-01-01 00:00:00", "1899-12-30 00:05:00", "0", "0", "-1", "0", "0", "-1", "0"}}));
}

TEST_F(PlanStoreTest, EditsStoreChoicePositionsAndTheMessageFlag) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  const int rid = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0));
  ReminderValues v;
  v.rid = rid;
  v.content = u"Don't forget";
  v.date = COleDateTime(2012, 6, 2, 13, 0, 0);
  v.time = COleDateTime(2000, 1, 1, 7, 45, 0);
  v.numberOfTimes = PositionOf(ReminderNumberCaptions(), u"Countless");
  v.separation = PositionOf(ReminderSeparationCaptions(), u"day");
  ASSERT_TRUE(UpdateReminder(Store(), v));
  EXPECT_EQ(WithDates(Raw().Rows("select content,RemindDate,RemindTime,NumberOfTimes,separation,message,executenumber "
                                 "from remind"),
                      {1, 2}),
            (std::vector<std::vector<std::string>>{
                {"Don't forget", "2012-06-02 00:00:00", "1899-12-30 07:45:00", "3", "8", "0", "-1"}}));
  ASSERT_TRUE(UpdateReminderMessage(Store(), rid, true));
  EXPECT_EQ(Raw().One("select message from remind"), "-1");  // a logical column's true
  EXPECT_EQ(CaptionAt(ReminderSeparationCaptions(), 11), CString(u"year"));
  EXPECT_EQ(CaptionAt(ReminderNumberCaptions(), 4), CString());
}

TEST_F(PlanStoreTest, LoadingListsActiveRowsEachFromEmptyValues) {
  const int taid = InsertScheduledTask(Store(), u"Water", work_, COleDateTime(2012, 6, 1, 0, 0, 0));
  const int first = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 8, 0, 0));
  ReminderValues v{u"first", COleDateTime(2012, 6, 1, 0, 0, 0), COleDateTime(1899, 12, 30, 8, 0, 0), 3, 8, true, first};
  ASSERT_TRUE(UpdateReminder(Store(), v));
  const int second = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 9, 0, 0));
  const int hidden = InsertReminder(Store(), taid, COleDateTime(2012, 6, 1, 9, 0, 0));
  const std::string ids = std::to_string(second);
  // A damaged row: NULL fields read as empty values, not as the row before's.
  RawExec("update remind set content=NULL,RemindDate=NULL,NumberOfTimes=NULL,separation=NULL where rid=" + ids);
  RawExec("update remind set effect=0 where rid=" + std::to_string(hidden));
  std::vector<ReminderValues> rows;
  ASSERT_TRUE(LoadReminders(Store(), taid, rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].content, CString(u"first"));
  EXPECT_EQ(rows[0].numberOfTimes, 3);
  EXPECT_EQ(rows[0].separation, 8);
  EXPECT_TRUE(rows[0].message);
  EXPECT_EQ(rows[1].rid, second);
  EXPECT_EQ(rows[1].content, CString());
  EXPECT_EQ(rows[1].date.m_dt, 0.0);
  EXPECT_EQ(rows[1].numberOfTimes, 0);
  EXPECT_EQ(rows[1].separation, 0);
  EXPECT_FALSE(rows[1].message);

  ASSERT_TRUE(DeleteReminder(Store(), second));
  EXPECT_EQ(Raw().One("select count(*) from remind where rid=" + ids), "0");
}

}  // namespace
