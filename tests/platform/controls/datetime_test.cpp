// Date-time picker field editing and the month calendar.
#include "ctl_fixture.h"

namespace ctltest {
namespace {

using pv::test::PumpUntilIdle;

SYSTEMTIME Date(int y, int m, int d) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  return st;
}

class DateTimeTest : public ControlTest {
 protected:
  HWND Picker(DWORD style = 0) {
    HWND p = Child(DATETIMEPICK_CLASS, u"", style, 900, 10, 10, 160, 24);
    ::SendMessage(p, DTM_SETFORMAT, 0, reinterpret_cast<LPARAM>(u"dd'/'MM'/'yyyy"));
    ::SetFocus(p);
    PumpUntilIdle();
    Notes().clear();
    return p;
  }
  static SYSTEMTIME Get(HWND p) {
    SYSTEMTIME st{};
    ::SendMessage(p, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
  }
  static std::u16string Shown(HWND p) {
    WCHAR buf[64] = {};
    ::GetWindowText(p, buf, 64);
    return buf;
  }
};

TEST_F(DateTimeTest, FieldEditingAcrossMonthEndsAndLeapDays) {
  HWND p = Picker();
  struct Case {
    SYSTEMTIME start;
    int field;            // 0 day, 1 month, 2 year
    std::u16string keys;  // '+' Up, '-' Down, digits typed
    std::u16string expected;
    int changes;
  } cases[] = {
      {Date(2024, 1, 31), 1, u"+", u"29/02/2024", 1},
      {Date(2023, 1, 31), 1, u"+", u"28/02/2023", 1},
      {Date(2024, 3, 31), 1, u"-", u"29/02/2024", 1},
      {Date(2024, 2, 29), 2, u"+", u"28/02/2025", 1},
      {Date(2024, 2, 29), 2, u"----", u"28/02/2020", 4},  // 2023, 2022, 2021: the 28th stays
      {Date(2024, 12, 31), 0, u"+", u"01/12/2024", 1},    // a day wraps inside its month
      {Date(2024, 3, 1), 0, u"-", u"31/03/2024", 1},
      {Date(2024, 12, 15), 1, u"+", u"15/01/2024", 1},  // a month wraps inside its year
      {Date(2024, 4, 10), 0, u"31", u"30/04/2024", 2},  // typed beyond the month: clamped
      {Date(2024, 2, 10), 0, u"29", u"29/02/2024", 2},
      {Date(2024, 2, 29), 2, u"2023", u"28/02/2023", 1},  // a year counts once its four digits are in
      {Date(2024, 5, 5), 1, u"2", u"05/02/2024", 1},      // a month digit above 1 completes the field
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start.wYear << "-" << c.start.wMonth << "-" << c.start.wDay << " field "
                                    << c.field);
    ASSERT_TRUE(::SendMessage(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&c.start)));
    pv::test::KeyPress(VK_LEFT);
    pv::test::KeyPress(VK_LEFT);
    for (int i = 0; i < c.field; ++i) pv::test::KeyPress(VK_RIGHT);
    PumpUntilIdle();
    Notes().clear();
    for (char16_t k : c.keys) {
      if (k == u'+') pv::test::KeyPress(VK_UP);
      else if (k == u'-') pv::test::KeyPress(VK_DOWN);
      else pv::test::Char(k);
      PumpUntilIdle();
    }
    EXPECT_EQ(Shown(p), c.expected);
    EXPECT_EQ(Count(900, static_cast<int>(DTN_DATETIMECHANGE)), c.changes);
  }
  // A date that does not exist is refused and the value kept.
  SYSTEMTIME bad = Date(2023, 2, 29);
  EXPECT_FALSE(::SendMessage(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)));
  EXPECT_EQ(Get(p).wMonth, 2);
  EXPECT_EQ(Get(p).wDay, 5);
  EXPECT_EQ(Get(p).wDayOfWeek, 1);  // 5 February 2024 was a Monday
}

TEST_F(DateTimeTest, ShowNoneAndRanges) {
  HWND p = Picker(DTS_SHOWNONE);
  SYSTEMTIME st = Date(2024, 6, 15);
  ::SendMessage(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  EXPECT_TRUE(::SendMessage(p, DTM_SETSYSTEMTIME, GDT_NONE, 0));
  SYSTEMTIME out{};
  EXPECT_EQ(::SendMessage(p, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&out)), GDT_NONE);
  EXPECT_EQ(Shown(p), u"");
  pv::test::Char(u' ');  // the check box by keyboard
  PumpUntilIdle();
  EXPECT_EQ(::SendMessage(p, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&out)), GDT_VALID);
  EXPECT_EQ(Count(900, static_cast<int>(DTN_DATETIMECHANGE)), 1);
  // Steps that would leave the range do nothing.
  SYSTEMTIME range[2] = {Date(2024, 6, 1), Date(2024, 6, 30)};
  ::SendMessage(p, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
  SYSTEMTIME end = Date(2024, 6, 30);
  ::SendMessage(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&end));
  pv::test::KeyPress(VK_RIGHT);  // month
  pv::test::KeyPress(VK_UP);
  PumpUntilIdle();
  EXPECT_EQ(Shown(p), u"30/06/2024");
  // A picker without DTS_SHOWNONE cannot be emptied.
  HWND q = Picker();
  EXPECT_FALSE(::SendMessage(q, DTM_SETSYSTEMTIME, GDT_NONE, 0));
}

TEST_F(DateTimeTest, DropDownCalendarChoosesADay) {
  HWND p = Picker();
  SYSTEMTIME st = Date(2024, 2, 28);
  st.wHour = 13;
  ::SendMessage(p, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  pv::test::KeyPress(VK_F4);
  PumpUntilIdle();
  HWND cal = reinterpret_cast<HWND>(::SendMessage(p, DTM_GETMONTHCAL, 0, 0));
  ASSERT_NE(cal, nullptr);
  pv::test::KeyPress(VK_RIGHT);  // the calendar moves a day: the leap day
  pv::test::KeyPress(VK_RIGHT);  // and on into March
  pv::test::KeyPress(VK_RETURN);
  PumpUntilIdle();
  EXPECT_FALSE(::IsWindow(cal));
  EXPECT_EQ(Shown(p), u"01/03/2024");
  EXPECT_EQ(Get(p).wHour, 13);  // the time of day stays
  EXPECT_EQ(Codes(900), (std::vector<int>{static_cast<int>(DTN_DROPDOWN), static_cast<int>(DTN_DATETIMECHANGE),
                                          static_cast<int>(DTN_CLOSEUP)}));
  // Escape closes without a change.
  Notes().clear();
  pv::test::Chord(FALT, VK_DOWN);
  pv::test::KeyPress(VK_LEFT);
  pv::test::KeyPress(VK_ESCAPE);
  PumpUntilIdle();
  EXPECT_EQ(Shown(p), u"01/03/2024");
  EXPECT_EQ(Codes(900), (std::vector<int>{static_cast<int>(DTN_DROPDOWN), static_cast<int>(DTN_CLOSEUP)}));
}

TEST_F(DateTimeTest, MonthCalendarSelectionByMouseAndKeysWithinItsRange) {
  HWND cal = Child(MONTHCAL_CLASS, u"", 0, 950, 10, 10, 220, 200);
  RECT need{};
  ASSERT_TRUE(::SendMessage(cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need)));
  EXPECT_GT(need.right, 0);
  SYSTEMTIME st = Date(2024, 2, 14);
  ASSERT_TRUE(::SendMessage(cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st)));
  SYSTEMTIME today{};
  ASSERT_TRUE(::SendMessage(cal, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(&today)));
  EXPECT_EQ(today.wYear, 2026);  // the fake clock's date
  EXPECT_EQ(today.wMonth, 3);
  ::SetFocus(cal);
  PumpUntilIdle();
  Notes().clear();
  // Keys: a week on from 22 February is 29 February, then 7 March.
  pv::test::KeyPress(VK_DOWN);
  pv::test::KeyPress(VK_DOWN);
  pv::test::KeyPress(VK_DOWN);
  PumpUntilIdle();
  SYSTEMTIME cur{};
  ::SendMessage(cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&cur));
  EXPECT_EQ(cur.wMonth, 3);
  EXPECT_EQ(cur.wDay, 6);
  EXPECT_EQ(Count(950, static_cast<int>(MCN_SELCHANGE)), 3);
  // The range refuses dates outside it, by message and by key.
  SYSTEMTIME range[2] = {Date(2024, 3, 1), Date(2024, 3, 8)};
  ::SendMessage(cal, MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
  SYSTEMTIME outside = Date(2024, 4, 1);
  EXPECT_FALSE(::SendMessage(cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&outside)));
  pv::test::KeyPress(VK_DOWN);
  PumpUntilIdle();
  ::SendMessage(cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&cur));
  EXPECT_EQ(cur.wDay, 6);
  // A click on a day of the grid selects it: 8 March 2024 is a Friday.
  Notes().clear();
  // Find the cell by hit: rows start below the title and the day names.
  bool clicked = false;
  for (int row = 0; row < 6 && !clicked; ++row)
    for (int col = 0; col < 7 && !clicked; ++col) {
      int x = col * 28 + 14, y = 24 + 18 + row * 18 + 9;
      pv::test::ClickClient(cal, x, y);
      PumpUntilIdle();
      pv::Clock::AdvanceBy(1000);
      ::SendMessage(cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&cur));
      if (cur.wDay == 8 && cur.wMonth == 3) clicked = true;
    }
  EXPECT_TRUE(clicked);
  EXPECT_GE(Count(950, static_cast<int>(MCN_SELECT)), 1);
  EXPECT_EQ(cur.wDayOfWeek, 5);
}

}  // namespace
}  // namespace ctltest
