// The reminder rows' cells, the creation-date cell, and the calendar that
// edits a reminder's date in place.
#include <memory>

#include "app/views/datepicking.h"
#include "app/views/remindrecord.h"
#include "platform/window/test_input.h"
#include "tests/support/locale_env.h"
#include "views_fixture.h"

namespace {

using viewstest::Narrow;

std::string Caption(CTKReportRecordItem* item) { return Narrow(item->GetCaption(nullptr)); }

class ReminderCellsTest : public ::testing::Test {
 protected:
  pvtest::UserLocaleScope locale_{"en_US.UTF-8"};
};

TEST_F(ReminderCellsTest, ARowHoldsItsSevenCellsInOrder) {
  std::unique_ptr<CRemindRecord> row(
      new CRemindRecord(u"Call Bob's \u5317\u4eac office", COleDateTime(2012, 3, 5, 0, 0, 0),
                        COleDateTime(1899, 12, 30, 14, 5, 0), u"one", u"5 minutes", 42, TRUE));
  ASSERT_EQ(row->GetItemCount(), 7);
  EXPECT_TRUE(row->GetItem(0)->IsKindOf(RUNTIME_CLASS(CTKReportRecordItemText)));
  EXPECT_TRUE(row->GetItem(1)->IsKindOf(RUNTIME_CLASS(CRemindDate)));
  EXPECT_TRUE(row->GetItem(2)->IsKindOf(RUNTIME_CLASS(CRemindTime)));
  EXPECT_TRUE(row->GetItem(5)->IsKindOf(RUNTIME_CLASS(CMessageRecordItemCheck)));
  EXPECT_TRUE(row->GetItem(6)->IsKindOf(RUNTIME_CLASS(CTKReportRecordItemNumber)));
  const std::vector<std::string> captions = {Caption(row->GetItem(0)), Caption(row->GetItem(1)),
                                             Caption(row->GetItem(2)), Caption(row->GetItem(3)),
                                             Caption(row->GetItem(4)), Caption(row->GetItem(6))};
  EXPECT_EQ(captions, (std::vector<std::string>{"Call Bob's \u5317\u4eac office", "Mon 2012-03-05", "14:05", "one",
                                                "5 minutes", "42"}));
  CTKReportRecordItem* check = row->GetItem(5);
  EXPECT_TRUE(check->HasCheckbox());
  EXPECT_FALSE(check->IsTristateCheckbox());
  EXPECT_TRUE(check->IsChecked());
  EXPECT_FALSE(check->GetEditTextWithCheckbox());
  EXPECT_TRUE(row->IsKindOf(RUNTIME_CLASS(CRemindRecord)));
  EXPECT_EQ(RUNTIME_CLASS(CRemindRecord)->m_wSchema, 0x80000026u);
}

TEST_F(ReminderCellsTest, ZeroValuesEditsAndTheMessageOrder) {
  struct Case {
    const char* what;
    CTKReportRecordItem* cell;
    const char16_t* typed;  // null: nothing typed
    const char* shown;
  };
  std::unique_ptr<CRemindDate> date(new CRemindDate(COleDateTime(0.0)));
  std::unique_ptr<CRemindTime> time(new CRemindTime(COleDateTime(0.0)));
  std::unique_ptr<CRemindDate> date2(new CRemindDate(COleDateTime(2012, 3, 5, 0, 0, 0)));
  std::unique_ptr<CRemindTime> time2(new CRemindTime(COleDateTime(1899, 12, 30, 9, 30, 0)));
  const Case cases[] = {
      {"zero date", date.get(), nullptr, "None"},
      {"midnight, no date: the zero value", time.get(), nullptr, "None"},
      {"letters leave the date", date2.get(), u"soon", "Mon 2012-03-05"},
      {"a date typed", date2.get(), u"4/2/2013", "Tue 2013-04-02"},
      {"letters leave the time", time2.get(), u"later", "09:30"},
      {"a bare time", time2.get(), u"14:45", "14:45"},
  };
  for (const Case& c : cases) {
    if (c.typed) c.cell->OnEditChanged(nullptr, c.typed);
    EXPECT_EQ(Caption(c.cell), c.shown) << c.what;
  }
  EXPECT_EQ(time2->GetValue().GetYear(), 1899);
  EXPECT_EQ(time2->GetValue().GetDay(), 30);

  std::unique_ptr<CMessageRecordItemCheck> on(new CMessageRecordItemCheck(TRUE));
  std::unique_ptr<CMessageRecordItemCheck> off(new CMessageRecordItemCheck(FALSE));
  EXPECT_GT(on->Compare(nullptr, off.get()), 0);
  EXPECT_LT(off->Compare(nullptr, on.get()), 0);
  EXPECT_EQ(on->Compare(nullptr, on.get()), 0);
}

TEST_F(ReminderCellsTest, ACreationDateShowsTheMomentItWasMade) {
  pv::FakeClockScope clock(2012, 3, 5, 14, 7, 9);
  std::unique_ptr<CCreateDate> cell(new CCreateDate);
  EXPECT_EQ(Caption(cell.get()), "Mon 03/05/2012  14:07:09");
  EXPECT_EQ(cell->GetGroupId(nullptr), -1);
  EXPECT_EQ(RUNTIME_CLASS(CCreateDate)->m_wSchema, 0x80000026u);
}

class DatePickingTest : public viewstest::ViewsTest {};

TEST_F(DatePickingTest, TheCalendarGivesAWholeDayOrLeavesTheDate) {
  Start();
  pv::test::PumpUntilIdle();           // what start-up left queued, as the message loop would
  CWnd& grid = Frame().m_wndWorkTree;  // any window stands for the grid
  const COleDateTime given(2012, 3, 14, 15, 30, 0);
  struct Case {
    const char* what;
    UINT key;
    int result;
    COleDateTime after;
  };
  const Case cases[] = {
      {"Enter takes the selected day", VK_RETURN, 1, COleDateTime(2012, 3, 14, 0, 0, 0)},
      {"Right then Enter takes the next day", VK_RIGHT, 1, COleDateTime(2012, 3, 15, 0, 0, 0)},
      {"Escape changes nothing", VK_ESCAPE, 0, given},
  };
  for (const Case& c : cases) {
    COleDateTime date = given;
    pv::test::KeyPress(c.key);
    if (c.key == VK_RIGHT) pv::test::KeyPress(VK_RETURN);
    const int dry = pv::test::DryCancelCount();
    EXPECT_EQ(EditDateInPicker(CRect(10, 20, 110, 40), date, &grid), c.result) << c.what;
    EXPECT_EQ(pv::test::DryCancelCount(), dry) << c.what;
    EXPECT_EQ(date.m_dt, c.after.m_dt) << c.what;
    EXPECT_EQ(date.GetStatus(), COleDateTime::valid) << c.what;
    pv::test::PumpUntilIdle();
  }
}

}  // namespace
