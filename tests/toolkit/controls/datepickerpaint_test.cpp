// What the date picker draws, read back from its pixels: day names cut to
// the cell, week numbers, selection colours over an owner's colours; and
// the locale names the control shows.
#include "datepicker_test_support.h"
#include "toolkit/controls/datepickerlocale.h"

namespace {

using namespace dptest;

// Runs of dark pixels along a row between two x positions.
int DarkRuns(HWND hwnd, int y, int x0, int x1) {
  int runs = 0;
  bool inRun = false;
  for (int x = x0; x < x1; ++x) {
    const COLORREF c = pv::test::WindowPixel(hwnd, x, y);
    const bool dark = GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    if (dark && !inRun) ++runs;
    inRun = dark;
  }
  return runs;
}

class DatePickerPaintTest : public DatePickerTest {
 protected:
  // A control drawn in the hand-measured test face: every character is a
  // solid block, each advancing half the font height.
  std::unique_ptr<CTKDatePickerControl> MakeBlockFontControl(int marginX) {
    auto c = std::make_unique<CTKDatePickerControl>();
    LOGFONT lf{};
    lf.lfHeight = -16;
    std::u16string face = u"PravenorTest";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    c->GetPaintManager()->SetFont(&lf);
    c->GetPaintManager()->m_nCellMarginX = marginX;
    CRect r;
    c->GetMinReqRect(&r, 1, 1);
    r.bottom += 2;
    EXPECT_TRUE(c->Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 10 + r.Width(), 10 + r.Height()), host.get(), 100));
    pv::test::PumpUntilIdle();
    return c;
  }
};

TEST_F(DatePickerPaintTest, DayNamesAreCutToTheirCell) {
  // Cells are "30" (16 px) plus the margin; names are three characters
  // (24 px, 28 with room): whole from 28 px, two characters from "XX" plus
  // 4 (20 px), else one.
  struct Case {
    int marginX, characters;
  } cases[] = {{14, 3}, {12, 3}, {11, 2}, {6, 2}, {4, 2}, {3, 1}, {2, 1}};
  for (const Case& k : cases) {
    auto c = MakeBlockFontControl(k.marginX);
    CTKDatePickerItemMonth* m = c->GetMonth(0);
    const int y = (m->m_rcDaysOfWeek.top + m->m_rcDaysOfWeek.bottom - 2) / 2;
    for (int i = 0; i < 7; ++i) {
      const CRect cell = m->GetDay(i)->GetRect();
      EXPECT_EQ(DarkRuns(c->m_hWnd, y, cell.left, cell.right), k.characters)
          << "margin " << k.marginX << " cell " << i << " width " << cell.Width();
    }
    c->DestroyWindow();
  }
}

TEST_F(DatePickerPaintTest, WeekNumbersFollowTheFirstWeekOfYear) {
  // (row end, first week of year) against the day of the year counted by
  // std::chrono.
  struct Case {
    year_month_day end;
    int firstWeek, want;
  } cases[] = {{2024y / January / 7, 1, 1},    {2024y / January / 8, 1, 2}, {2024y / January / 1, 1, 1},
               {2024y / December / 31, 1, 53}, {2024y / January / 8, 2, 1}, {2024y / January / 1, 2, 53},
               {2023y / December / 31, 1, 53}};
  for (const Case& k : cases) {
    const COleDateTime end(static_cast<DATE>(DayNumber(k.end)));
    const auto moved = year_month_day{sys_days(k.end) - days(k.firstWeek - 1)};
    const int dayOfYear = (sys_days(moved) - sys_days(moved.year() / January / 1)).count() + 1;
    ASSERT_EQ((dayOfYear - 1) / 7 + 1, k.want);  // the case itself
    EXPECT_EQ(CTKDatePickerPaintManager::GetWeekNumber(end, k.firstWeek), k.want)
        << static_cast<unsigned>(k.end.month()) << "/" << static_cast<unsigned>(k.end.day());
  }
}

TEST_F(DatePickerPaintTest, WeekNumberOfAnUndrawnTrailingRowStaysEmpty) {
  auto c = MakeBlockFontControl(6);
  c->SetShowNonMonthDays(FALSE);
  c->SetShowWeekNumbers(TRUE);
  pv::test::PumpUntilIdle();
  CTKDatePickerItemMonth* m = c->GetMonth(0);
  const CRect column = m->m_rcWeekNumbers;
  auto numberRuns = [&](int row) {
    const CRect cell = m->GetDay(row * 7)->GetRect();
    return DarkRuns(c->m_hWnd, (cell.top + cell.bottom) / 2, column.left, column.right - 1);
  };
  // March 2024, Monday first: row 5 holds 25-31 March, row 6 only April.
  EXPECT_EQ(numberRuns(0), 1);  // week 9
  EXPECT_EQ(numberRuns(4), 2);  // week 13
  EXPECT_EQ(numberRuns(5), 0);
}

TEST_F(DatePickerPaintTest, SelectionColoursWinOverTheOwnersColours) {
  auto c = MakeControl();
  c->SetCallbackDayMetrics([](CTKDatePickerControl*, const COleDateTime*, TK_DAYITEM_METRICS* m,
                              DWORD_PTR) { m->clrBackground = RGB(10, 200, 30); },
                           0);
  c->SetCurSel(Date(2024, 3, 12));
  c->RedrawNow();
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  auto corner = [&](int day) {
    const CRect r = CellOf(*c, Date(2024, 3, day))->GetRect();
    return pv::test::WindowPixel(c->m_hWnd, r.left + 1, r.top + 1);
  };
  EXPECT_EQ(corner(12), c->GetPaintManager()->GetSelectedDayBackColor());
  EXPECT_EQ(corner(13), RGB(10, 200, 30));
}

TEST_F(DatePickerPaintTest, WeekNumberFontIsTwoThirdsHigh) {
  auto* pm = new CTKDatePickerPaintManager;
  LOGFONT lf{};
  lf.lfHeight = -12;
  pm->SetFont(&lf);
  LOGFONT week{};
  pm->GetWeekNumberFont()->GetLogFont(&week);
  EXPECT_EQ(week.lfHeight, -8);
  EXPECT_EQ(lf.lfHeight, -8);  // written into the caller's structure
  pm->InternalRelease();
}

TEST(DatePickerLocale, DayNamesLoseTheirSharedPrefix) {
  // Index 0 Sunday: 星期日, then 星期一 (Monday) ...
  CString names[7] = {u"星期日", u"星期一", u"星期二", u"星期三", u"星期四", u"星期五", u"星期六"};
  CTKCalendarLocale::ShortenDayNames(names, FALSE);
  EXPECT_EQ(names[0], CString(u"日"));
  EXPECT_EQ(names[1], CString(u"一"));
  EXPECT_EQ(names[6], CString(u"六"));

  CString english[7] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  CTKCalendarLocale::ShortenDayNames(english, FALSE);
  EXPECT_EQ(english[1], CString(u"Mon"));

  // Right to left: one character each, the last when the name has a space.
  CString rtl[7] = {u"يوم الأحد", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  CTKCalendarLocale::ShortenDayNames(rtl, TRUE);
  EXPECT_EQ(rtl[0], CString(u"د"));
  EXPECT_EQ(rtl[1], CString(u"M"));
}

TEST_F(DatePickerTest, HeaderTitleFormatsEarlyYearsWithTheRealYear) {
  CTKDatePickerControl c;
  const CString format = c.GetYearMonthFormat();
  ASSERT_FALSE(format.IsEmpty());
  const CString modern = CTKCalendarLocale::FormatDateWithFormat(Date(2024, 3, 1), format);
  const CString early = CTKCalendarLocale::FormatDateWithFormat(Date(1024, 3, 1), format);
  CString expect = modern;
  expect.Replace(u"2024", u"1024");
  EXPECT_EQ(early, expect);
  EXPECT_EQ(c.GetMonthName(3), CString(u"March"));
  EXPECT_EQ(c.GetDayOfWeekName(1), CString(u"Sun"));
  EXPECT_EQ(c.GetDayOfWeekName(8), CString());
}

}  // namespace
