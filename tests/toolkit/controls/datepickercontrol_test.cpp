// The date picker window: grid size rules, mouse selections (days, Ctrl
// ranges, Shift from the anchor, whole weeks, the maximum), the keyboard,
// and GoModal's outcomes.
#include "datepicker_test_support.h"

namespace {

using namespace dptest;

// ---- construction and grid ----------------------------------------------------------------------
TEST_F(DatePickerTest, NewControlShowsTodaysMonthWithoutSelection) {
  CTKDatePickerControl c;
  EXPECT_EQ(c.GetMonthCount(), 1);
  EXPECT_EQ(c.GetFirstMonth().GetYear(), 2024);
  EXPECT_EQ(c.GetFirstMonth().GetMonth(), 3);
  EXPECT_TRUE(c.IsTodayButtonVisible());
  EXPECT_TRUE(c.IsNoneButtonVisible());
  EXPECT_EQ(c.GetFirstDayOfWeek(), 2);
  COleDateTime a, b;
  EXPECT_FALSE(c.GetCurSel(a));
  EXPECT_FALSE(c.GetSelRange(a, b));
  EXPECT_EQ(c.GetButtons()[0]->GetCaption(), CString(u"Today"));
  EXPECT_EQ(c.GetButtons()[1]->GetCaption(), CString(u"None"));
  // March 2024 begins on a Friday: the Monday grid starts on 26 February.
  EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(c.GetMonth(0)->GetDay(0)->GetDate()), DayNumber(2024, 2, 26));
}

TEST_F(DatePickerTest, TwelveMonthRangeChoosesTheGrid) {
  struct Case {
    int cols, rows, wantCols, wantRows;
  } cases[] = {{8, 2, 6, 2}, {6, 3, 6, 2}, {5, 3, 4, 3}, {5, 4, 4, 3}, {3, 1, 3, 1}};
  auto c = MakeControl();
  CWindowDC dc(nullptr);
  const CSize month = c->GetPaintManager()->GetMonthSize(&dc);
  for (const Case& k : cases) {
    const COleDateTime lo = Date(2024, 1, 1), hi = Date(2024, 12, 31);
    c->SetRange(&lo, &hi);
    c->CalcGridSize(CRect(0, 0, k.cols * month.cx, k.rows * (month.cy + 2)));
    EXPECT_EQ(c->GetCols(), k.wantCols) << k.cols << "x" << k.rows;
    EXPECT_EQ(c->GetRows(), k.wantRows) << k.cols << "x" << k.rows;
  }
}

TEST_F(DatePickerTest, WindowSizedForEightByTwoShowsTheYearAsSixByTwo) {
  auto c = std::make_unique<CTKDatePickerControl>();
  const COleDateTime lo = Date(2024, 1, 1), hi = Date(2024, 12, 31);
  c->SetRange(&lo, &hi);
  CRect r;
  c->GetMinReqRect(&r, 2, 8);
  r.bottom += 4;
  ASSERT_TRUE(c->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, r.Width(), r.Height()), host.get(), 100));
  EXPECT_EQ(c->GetCols(), 6);
  EXPECT_EQ(c->GetRows(), 2);
  ASSERT_EQ(c->GetMonthCount(), 12);
  EXPECT_EQ(c->GetMonth(0)->GetMonth().GetMonth(), 1);
  EXPECT_EQ(c->GetMonth(11)->GetMonth().GetMonth(), 12);
  // Only the first month scrolls back and the end of the first row forward;
  // both bounds are reached.
  EXPECT_FALSE(c->GetMonth(0)->m_bShowLeftScroll);
  EXPECT_FALSE(c->GetMonth(5)->m_bShowRightScroll);
}

TEST_F(DatePickerTest, ScrollingStopsAtTheYearHundredAndTheMaximum) {
  CTKDatePickerControl c;
  c.EnsureVisible(Date(100, 1, 15));
  c.ScrollLeft(1);
  EXPECT_EQ(c.GetFirstMonth().GetYear(), 100);
  EXPECT_EQ(c.GetFirstMonth().GetMonth(), 1);
  // January of the year 100 is shown as February: its leading days would
  // lie before the first day there is.
  EXPECT_EQ(c.GetMonth(0)->GetMonth().GetMonth(), 2);

  const COleDateTime hi = Date(2024, 6, 10);
  c.SetRange(nullptr, &hi);
  c.EnsureVisible(Date(2024, 5, 1));
  c.ScrollRight(5);
  EXPECT_EQ(c.GetFirstMonth().GetMonth(), 6);
  EXPECT_EQ(c.GetFirstMonth().GetYear(), 2024);
}

// A new theme-image set refreshes and redraws a picker whose paint theme
// follows the images (3); other themes ignore it. A picker gone no longer
// listens.
TEST_F(DatePickerTest, ANewThemeImageSetRefreshesAPickerThatFollowsIt) {
  class CountingPaintManager : public CTKDatePickerPaintManager {
   public:
    explicit CountingPaintManager(int theme) { m_nPaintTheme = theme; }
    void RefreshMetrics() override {
      ++refreshes;
      CTKDatePickerPaintManager::RefreshMetrics();
    }
    int refreshes = 0;
  };
  CTKNotifyConnection* images = GetResourceImages()->GetConnection();
  for (int theme : {3, 2}) {
    auto c = MakeControl();
    auto* pm = new CountingPaintManager(theme);
    c->SetPaintManager(pm);
    ::UpdateWindow(c->m_hWnd);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    ASSERT_FALSE(c->IsDirty()) << theme;
    const int before = pm->refreshes;
    images->BroadcastEvent(CTKResourceImages::kEventImagesChanged, 0, 0);
    EXPECT_EQ(pm->refreshes - before, theme == 3 ? 1 : 0) << theme;
    EXPECT_EQ(c->IsDirty(), theme == 3 ? TRUE : FALSE) << theme;
    images->BroadcastEvent(CTKResourceImages::kEventImagesChanged + 1, 0, 0);  // another event
    EXPECT_EQ(pm->refreshes - before, theme == 3 ? 1 : 0) << theme;
    ExpectSane(*c);
  }
  images->BroadcastEvent(CTKResourceImages::kEventImagesChanged, 0, 0);  // nobody left to tell
}

// ---- mouse selection ----------------------------------------------------------------------------
TEST_F(DatePickerTest, ClickCtrlClickAndCtrlDeselect) {
  auto c = MakeControl();
  ClickDay(*c, Date(2024, 3, 5));
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 5)});
  ClickDay(*c, Date(2024, 3, 7), FCONTROL);
  ClickDay(*c, Date(2024, 3, 6), FCONTROL);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 5), DayNumber(2024, 3, 7)));
  EXPECT_EQ(c->GetSelectedDays()->GetSelectedBlocksCount(), 1);
  ClickDay(*c, Date(2024, 3, 6), FCONTROL);  // a selected day: deselects
  EXPECT_EQ(Selected(*c->GetSelectedDays()), (std::set<int>{DayNumber(2024, 3, 5), DayNumber(2024, 3, 7)}));
  ClickDay(*c, Date(2024, 3, 20));  // without Ctrl: starts afresh
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 20)});
}

TEST_F(DatePickerTest, ShiftClickOnAFreshControlSelectsOnlyTheClickedDay) {
  auto c = MakeControl();
  EXPECT_EQ(c->GetDragAnchor().GetStatus(), COleDateTime::null);
  ClickDay(*c, Date(2024, 3, 15), FSHIFT);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 15)});
  // A later Shift+click extends from that anchor.
  ClickDay(*c, Date(2024, 3, 12), FSHIFT);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 12), DayNumber(2024, 3, 15)));
}

TEST_F(DatePickerTest, DragWithMaximumThreeKeepsTheDaysNearestTheAnchor) {
  for (int direction : {+1, -1}) {
    auto c = MakeControl();
    c->SetMaxSelCount(3);
    const COleDateTime anchor = Date(2024, 3, 15);
    const COleDateTime end = anchor + COleDateTimeSpan(9 * direction, 0, 0, 0);
    const CPoint from = CentreOf(CellOf(*c, anchor)->GetRect()), to = CentreOf(CellOf(*c, end)->GetRect());
    const POINT a = pv::test::ClientPoint(c->m_hWnd, from.x, from.y), b = pv::test::ClientPoint(c->m_hWnd, to.x, to.y);
    pv::test::MouseDown(pv::test::Button::Left, a.x, a.y);
    pv::test::MouseMove(b.x, b.y);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    // While dragging, the picture shows what the release will select.
    int shown = 0;
    for (int k = -10; k <= 10; ++k) shown += c->IsSelected(anchor + COleDateTimeSpan(k, 0, 0, 0)) ? 1 : 0;
    EXPECT_EQ(shown, 3);
    pv::test::MouseUp(pv::test::Button::Left, b.x, b.y);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    const int first = DayNumber(2024, 3, 15);
    EXPECT_EQ(Selected(*c->GetSelectedDays()), direction > 0 ? Range(first, first + 2) : Range(first - 2, first))
        << "direction " << direction;
  }
}

TEST_F(DatePickerTest, WeekNumberClickAndDragSelectWholeWeeks) {
  auto c = MakeControl();
  CTKDatePickerItemMonth* m = c->GetMonth(0);
  // Row 2 of March 2024 (Monday first) is 11-17 March.
  const CRect row2 = m->GetDay(14)->GetRect(), row3 = m->GetDay(21)->GetRect(), row1 = m->GetDay(7)->GetRect();
  const int x = (m->m_rcWeekNumbers.left + m->m_rcWeekNumbers.right) / 2;
  auto at = [&](const CRect& r) { return pv::test::ClientPoint(c->m_hWnd, x, (r.top + r.bottom) / 2); };

  POINT p = at(row2);
  pv::test::Click(p.x, p.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 11), DayNumber(2024, 3, 17)));

  pv::test::MouseDown(pv::test::Button::Left, p.x, p.y);
  const POINT down = at(row3);
  pv::test::MouseMove(down.x, down.y);
  pv::test::MouseUp(pv::test::Button::Left, down.x, down.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 11), DayNumber(2024, 3, 24)));

  pv::test::MouseDown(pv::test::Button::Left, p.x, p.y);
  const POINT up = at(row1);
  pv::test::MouseMove(up.x, up.y);
  pv::test::MouseUp(pv::test::Button::Left, up.x, up.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 4), DayNumber(2024, 3, 17)));
}

TEST_F(DatePickerTest, TodayButtonWithMaximumZeroShowsTodaysMonthOnly) {
  auto c = MakeControl();
  c->EnsureVisible(Date(2023, 7, 1));
  c->SetMaxSelCount(0);
  const CPoint p = CentreOf(c->GetButtons()[0]->m_rcButton);
  pv::test::ClickClient(c->m_hWnd, p.x, p.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(c->GetFirstMonth().GetMonth(), 3);
  EXPECT_EQ(c->GetSelectedDays()->GetSelectedDaysCount(), 0);
  c->SetMaxSelCount(-1);
  pv::test::ClickClient(c->m_hWnd, p.x, p.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 14)});
}

TEST_F(DatePickerTest, AddingAHeldDayDoesNotRedraw) {
  auto c = MakeControl();
  c->SetSelRange(Date(2024, 3, 4), Date(2024, 3, 8));
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  ASSERT_FALSE(c->IsDirty());
  c->GetSelectedDays()->AddDay(Date(2024, 3, 6));
  EXPECT_FALSE(c->IsDirty());
  c->GetSelectedDays()->AddDay(Date(2024, 3, 9));
  EXPECT_TRUE(c->IsDirty());
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 4), DayNumber(2024, 3, 9)));
}

// ---- keyboard -------------------------------------------------------------------------------------
TEST_F(DatePickerTest, ShiftRightWithMaximumThreeSelectsAtMostThreeDays) {
  auto c = MakeControl();
  c->SetMaxSelCount(3);
  ClickDay(*c, Date(2024, 3, 10));
  const int first = DayNumber(2024, 3, 10);
  for (int i = 1; i <= 6; ++i) {
    pv::test::Chord(FSHIFT, VK_RIGHT);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(first, first + std::min(i, 2))) << i << " presses";
  }
  EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(c->GetFocusDay()), first + 6);
}

TEST_F(DatePickerTest, ShiftRangeKeepsItsAnchorAcrossAMonthBoundary) {
  auto c = MakeControl();
  ClickDay(*c, Date(2024, 3, 30));
  // March's grid shows up to 7 April: the ninth step scrolls to April.
  for (int i = 0; i < 10; ++i) pv::test::Chord(FSHIFT, VK_RIGHT);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(c->GetFirstMonth().GetMonth(), 4);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), Range(DayNumber(2024, 3, 30), DayNumber(2024, 4, 9)));
}

TEST_F(DatePickerTest, PageKeysKeepTheDayOfTheMonthWherePossible) {
  struct Case {
    year_month_day from;
    UINT key;
    BYTE modifiers;
    year_month_day want;
  } cases[] = {
      {2024y / January / 31, VK_NEXT, 0, 2024y / February / last},
      {2023y / January / 31, VK_NEXT, 0, 2023y / February / last},
      {2023y / March / 31, VK_PRIOR, 0, 2023y / February / last},
      {2024y / February / 29, VK_NEXT, FCONTROL, 2025y / February / last},
      {2024y / March / 15, VK_PRIOR, FCONTROL, 2023y / March / 15},
  };
  for (const Case& k : cases) {
    auto c = MakeControl();
    const COleDateTime from(static_cast<DATE>(DayNumber(k.from)));
    c->EnsureVisible(from);
    c->SetCurSel(from);
    if (k.modifiers) pv::test::Chord(k.modifiers, k.key);
    else pv::test::KeyPress(k.key);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    const int want = DayNumber(year_month_day{sys_days(k.want)});
    EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{want})
        << static_cast<int>(k.from.year()) << "-" << static_cast<unsigned>(k.from.month());
    COleDateTime first, last;
    ASSERT_TRUE(c->GetVisibleDays(first, last));
    EXPECT_LE(CTKDatePickerDaysCollection::DayOf(first), want);
    EXPECT_GE(CTKDatePickerDaysCollection::DayOf(last), want);
  }
}

TEST_F(DatePickerTest, HomeAndEndGoToTheEndsOfTheWeek) {
  auto c = MakeControl();
  c->SetCurSel(Date(2024, 3, 17));  // a Sunday
  pv::test::KeyPress(VK_HOME);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 11)});
  pv::test::KeyPress(VK_END);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 17)});
  pv::test::Chord(FCONTROL, VK_END);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(c->GetFocusDay()), DayNumber(2024, 3, 31));
}

TEST_F(DatePickerTest, KeyStepTellsTheOwnerOnceWithFocusKept) {
  auto c = MakeControl();
  ClickDay(*c, Date(2024, 3, 10));
  int events = 0;
  EventHook hook(*c, TK_DPEVENT_SELCHANGED, [&](WPARAM, LPARAM) {
    ++events;
    c->ClearFocus();  // whatever the owner does, the key's focus stays
  });
  pv::test::KeyPress(VK_DOWN);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(c->GetFocusDay()), DayNumber(2024, 3, 17));
}

// ---- the calendar's ends ----------------------------------------------------------------------------
// Every key step stays between 1 January 100 and 31 December 9999: the
// focus and every selected day are real days, and a later Page Down moves
// on from there.
TEST_F(DatePickerTest, KeyStepsStopAtTheCalendarsEnds) {
  struct Case {
    const char* name;
    year_month_day from;
    std::vector<std::pair<BYTE, UINT>> keys;
    year_month_day focus;
    std::set<int> selection;
  };
  const int last = DayNumber(9999, 12, 31), first = DayNumber(100, 1, 1);
  const Case cases[] = {
      {"Right past the last day",
       9999y / December / 30,
       {{0, VK_RIGHT}, {0, VK_RIGHT}, {0, VK_RIGHT}},
       9999y / December / 31,
       {last}},
      {"Down past the last day", 9999y / December / 27, {{0, VK_DOWN}}, 9999y / December / 31, {last}},
      {"End of the last week", 9999y / December / 31, {{0, VK_END}}, 9999y / December / 31, {last}},
      {"Right, then Page Down",
       9999y / December / 30,
       {{0, VK_RIGHT}, {0, VK_RIGHT}, {0, VK_NEXT}},
       9999y / December / 31,
       {last}},
      {"Ctrl+Page Down in the last year",
       9999y / March / 15,
       {{FCONTROL, VK_NEXT}},
       9999y / December / 15,
       {DayNumber(9999, 12, 15)}},
      {"Shift+Right keeps a real range",
       9999y / December / 30,
       {{FSHIFT, VK_RIGHT}, {FSHIFT, VK_RIGHT}},
       9999y / December / 31,
       {last - 1, last}},
      {"Up before the first day", 100y / January / 3, {{0, VK_UP}}, 100y / January / 1, {first}},
      {"Left before the first day", 100y / January / 1, {{0, VK_LEFT}, {0, VK_LEFT}}, 100y / January / 1, {first}},
      {"Home of the first week", 100y / January / 1, {{0, VK_HOME}}, 100y / January / 1, {first}},
      {"Up, then Page Up", 100y / January / 3, {{0, VK_UP}, {0, VK_PRIOR}}, 100y / January / 1, {first}},
  };
  for (const Case& k : cases) {
    auto c = MakeControl();
    const COleDateTime from(static_cast<DATE>(DayNumber(k.from)));
    c->EnsureVisible(from);
    c->SetCurSel(from);
    ExpectSane(*c);
    for (const auto& [modifiers, key] : k.keys) {
      if (modifiers) pv::test::Chord(modifiers, key);
      else pv::test::KeyPress(key);
      pv::test::PumpUntilIdle();
      ExpectSane(*c);
      EXPECT_EQ(c->GetFocusDay().GetStatus(), COleDateTime::valid) << k.name;
    }
    EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(c->GetFocusDay()), DayNumber(k.focus)) << k.name;
    EXPECT_EQ(Selected(*c->GetSelectedDays()), k.selection) << k.name;
    COleDateTime lo, hi;
    ASSERT_TRUE(c->GetSelRange(lo, hi)) << k.name;
    EXPECT_EQ(lo.GetStatus(), COleDateTime::valid) << k.name;
    EXPECT_EQ(hi.GetStatus(), COleDateTime::valid) << k.name;
  }
}

// A grid ending in December 9999 shows each month once, and the cells
// after 31 December 9999 stay empty (no "-1" drawn there) and take no click.
TEST_F(DatePickerTest, AGridAtTheLastMonthShowsEachMonthOnceAndNoDaysAfterIt) {
  for (int size : {2, 1}) {
    auto c = MakeControl(size, size);
    const int count = size * size;
    ASSERT_EQ(c->GetMonthCount(), count);
    c->EnsureVisible(Date(9999, 12, 1));
    c->ScrollRight(1);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    ASSERT_EQ(c->GetMonthCount(), count);
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(c->GetMonth(i)->GetMonth().GetYear(), 9999) << i;
      EXPECT_EQ(c->GetMonth(i)->GetMonth().GetMonth(), 12 - count + 1 + i) << i;
    }
    // The last month's cells: 31 December is drawn, the cells after it are
    // plain background.
    ::RedrawWindow(c->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    pv::test::PumpUntilIdle();
    CTKDatePickerItemMonth* december = c->GetMonth(count - 1);
    const CTKDatePickerItemDay* lastDay = CellOf(*c, Date(9999, 12, 31));
    ASSERT_NE(lastDay, nullptr);
    // Pixels of a cell unlike the control's background: text.
    const COLORREF back = c->GetPaintManager()->GetBackgroundColor();
    auto inkPixels = [&](const CRect& r) {
      int n = 0;
      for (int y = r.top + 1; y < r.bottom - 1; ++y)
        for (int x = r.left + 1; x < r.right - 1; ++x)
          if ((pv::test::WindowPixel(c->m_hWnd, x, y) & 0xFFFFFF) != (back & 0xFFFFFF)) ++n;
      return n;
    };
    EXPECT_GT(inkPixels(lastDay->GetRect()), 0);
    int after = 0;
    for (int k = december->GetDayCount() - 1; k >= 0; --k) {
      CTKDatePickerItemDay* cell = december->GetDay(k);
      if (cell == lastDay) break;
      ++after;
      EXPECT_EQ(cell->GetDate().GetStatus(), COleDateTime::invalid) << k;
      EXPECT_EQ(inkPixels(cell->GetRect()), 0) << size << "x" << size << " cell " << k;
    }
    EXPECT_GT(after, 0);  // 31 December 9999 is a Friday: the grid runs on
    // A click there selects nothing.
    const CPoint p = CentreOf(december->GetDay(december->GetDayCount() - 1)->GetRect());
    pv::test::ClickClient(c->m_hWnd, p.x, p.y);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    EXPECT_TRUE(Selected(*c->GetSelectedDays()).empty());
  }
}

// ---- GoModal --------------------------------------------------------------------------------------
class DatePickerModalTest : public DatePickerTest {
 public:
  // Runs GoModal with `script` queuing input once the window is up.
  BOOL RunModal(CTKDatePickerControl& c, std::function<void(CTKDatePickerControl&)> script) {
    CRect r;
    c.GetMinReqRect(&r, 1, 1);
    r.InflateRect(5, 5);
    r.OffsetRect(200 - r.left, 150 - r.top);
    EventHook hook(c, TK_DPEVENT_MODALSTART, [&](WPARAM, LPARAM) {
      EXPECT_TRUE(c.IsModal() == FALSE);  // raised just before the loop
      script(c);
    });
    const BOOL result = c.GoModal(r, host.get());
    EXPECT_EQ(c.m_hWnd, nullptr);  // made anew by every call
    return result;
  }
  void QueueDayClick(CTKDatePickerControl& c, const COleDateTime& date) {
    const CPoint p = CentreOf(CellOf(c, date)->GetRect());
    const POINT s = pv::test::ClientPoint(c.m_hWnd, p.x, p.y);
    pv::test::Click(s.x, s.y);
  }
};

TEST_F(DatePickerModalTest, Outcomes) {
  struct Case {
    const char* name;
    std::function<void(DatePickerModalTest*, CTKDatePickerControl&)> script;
    BOOL want;
    std::set<int> selection;
  };
  const int d14 = DayNumber(2024, 3, 14), d20 = DayNumber(2024, 3, 20), d21 = DayNumber(2024, 3, 21);
  const Case cases[] = {
      {"click outside",
       [](DatePickerModalTest*, CTKDatePickerControl& c) {
         const POINT s = pv::test::ClientPoint(c.m_hWnd, -30, 10);
         pv::test::Click(s.x, s.y);
       },
       FALSE,
       {d14}},
      {"Enter", [](DatePickerModalTest*, CTKDatePickerControl&) { pv::test::KeyPress(VK_RETURN); }, TRUE, {d14}},
      {"Escape", [](DatePickerModalTest*, CTKDatePickerControl&) { pv::test::KeyPress(VK_ESCAPE); }, FALSE, {d14}},
      {"day click",
       [](DatePickerModalTest* t, CTKDatePickerControl& c) {
         t->QueueDayClick(c, Date(2024, 3, 20));
         pv::test::KeyPress(VK_ESCAPE);  // never reached: the click ended the loop
       },
       TRUE,
       {d20}},
      {"Ctrl+click, then Enter",
       [](DatePickerModalTest* t, CTKDatePickerControl& c) {
         pv::test::KeyDown(VK_CONTROL);
         t->QueueDayClick(c, Date(2024, 3, 20));
         t->QueueDayClick(c, Date(2024, 3, 21));
         pv::test::KeyUp(VK_CONTROL);
         pv::test::KeyPress(VK_RETURN);
       },
       TRUE,
       {d14, d20, d21}},
      {"Ctrl+click, then the queue runs dry",
       [](DatePickerModalTest* t, CTKDatePickerControl& c) {
         pv::test::KeyDown(VK_CONTROL);
         t->QueueDayClick(c, Date(2024, 3, 20));
         pv::test::KeyUp(VK_CONTROL);
       },
       FALSE,
       {d14, d20}},
      {"mouse captured away",
       [](DatePickerModalTest*, CTKDatePickerControl&) { pv::test::CaptureLoss(); },
       FALSE,
       {d14}},
      {"None button",
       [](DatePickerModalTest*, CTKDatePickerControl& c) {
         const CPoint p = CentreOf(c.GetButtons()[1]->m_rcButton);
         const POINT s = pv::test::ClientPoint(c.m_hWnd, p.x, p.y);
         pv::test::Click(s.x, s.y);
       },
       TRUE,
       {}},
  };
  for (const Case& k : cases) {
    CTKDatePickerControl c;
    c.GetSelectedDays()->SelectDay(Date(2024, 3, 14));
    c.EnsureVisible(Date(2024, 3, 14));
    const BOOL result = RunModal(c, [&](CTKDatePickerControl& ctl) { k.script(this, ctl); });
    EXPECT_EQ(result, k.want) << k.name;
    EXPECT_EQ(Selected(*c.GetSelectedDays()), k.selection) << k.name;
    pv::test::PumpUntilIdle();
    ExpectSane(c);
  }
}

TEST_F(DatePickerModalTest, EnterAfterStepsPastTheLastDayGivesTheLastDay) {
  CTKDatePickerControl c;
  c.SetMaxSelCount(1);
  c.GetSelectedDays()->SelectDay(Date(9999, 12, 30));
  c.EnsureVisible(Date(9999, 12, 30));
  const BOOL result = RunModal(c, [](CTKDatePickerControl&) {
    for (UINT key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_NEXT, VK_RETURN}) pv::test::KeyPress(key);
  });
  EXPECT_TRUE(result);
  ExpectSane(c);
  ASSERT_EQ(c.GetSelectedDays()->GetSelectedBlocksCount(), 1);
  const COleDateTime chosen =
      CTKDatePickerDaysCollection::DateOfDay(c.GetSelectedDays()->GetSelectedBlock(0).nDateBegin);
  EXPECT_EQ(chosen.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(CTKDatePickerDaysCollection::DayOf(chosen), DayNumber(9999, 12, 31));
}

TEST_F(DatePickerModalTest, RunsAgainAndGivesTheFocusBack) {
  CWnd edit;
  ASSERT_TRUE(edit.CreateEx(0, AfxRegisterWndClass(0), u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 20), host.get(), 7));
  edit.SetFocus();
  CTKDatePickerControl c;
  c.SetMaxSelCount(1);
  EXPECT_TRUE(RunModal(c, [this](CTKDatePickerControl& ctl) { QueueDayClick(ctl, Date(2024, 3, 5)); }));
  EXPECT_EQ(::GetFocus(), edit.m_hWnd);
  EXPECT_TRUE(RunModal(c, [this](CTKDatePickerControl& ctl) { QueueDayClick(ctl, Date(2024, 3, 6)); }));
  EXPECT_EQ(Selected(*c.GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 6)});
}

TEST_F(DatePickerTest, EnterAndEscapeOutsideGoModalOnlyTakeTheDefault) {
  auto c = MakeControl();
  c->SetCurSel(Date(2024, 3, 8));
  pv::test::KeyPress(VK_RETURN);
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_TRUE(::IsWindow(c->m_hWnd));
  EXPECT_EQ(Selected(*c->GetSelectedDays()), std::set<int>{DayNumber(2024, 3, 8)});
}

}  // namespace
