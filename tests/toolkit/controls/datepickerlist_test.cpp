// The month list (pressing on a month title, choosing by releasing, the
// accelerating scroll while the mouse is held away) and the calendar
// notifier (forwarding to registered windows, date and time-zone changes).
#include "datepicker_test_support.h"
#include "toolkit/controls/calendarmsgnotifier.h"
#include "toolkit/controls/datepickerlist.h"

namespace {

using namespace dptest;

class DatePickerListTest : public DatePickerTest {
 protected:
  // Presses on the middle of the first month's title; returns that point
  // (screen coordinates).
  POINT PressTitle(CTKDatePickerControl& c) {
    const CRect header = c.GetMonth(0)->m_rcHeader;
    const POINT p = pv::test::ClientPoint(c.m_hWnd, (header.left + header.right) / 2, (header.top + header.bottom) / 2);
    pv::test::MouseDown(pv::test::Button::Left, p.x, p.y);
    pv::test::PumpUntilIdle();
    return p;
  }
  // The screen point in the middle of list row `row`.
  POINT RowPoint(CTKDatePickerList& list, int row) {
    CRect client;
    list.GetClientRect(&client);
    const int h = client.Height() / list.GetRowCount();
    return pv::test::ClientPoint(list.m_hWnd, client.Width() / 2, row * h + h / 2);
  }
};

TEST_F(DatePickerListTest, ReleasingOnARowScrollsByItsOffset) {
  auto c = MakeControl();
  POINT title = PressTitle(*c);
  CTKDatePickerList* list = c->GetMonthList();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(::IsWindowVisible(list->m_hWnd));
  EXPECT_EQ(c->GetMouseMode(), CTKDatePickerControl::mouseTrackingHeaderList);
  // December 2023 to June 2024, centred on the pressed title.
  EXPECT_EQ(list->GetFirstRowMonth().GetYear(), 2023);
  EXPECT_EQ(list->GetFirstRowMonth().GetMonth(), 12);
  EXPECT_EQ(list->GetSelectedMonth().GetMonth(), 3);  // under the mouse
  CRect rect;
  list->GetWindowRect(&rect);
  EXPECT_TRUE(rect.PtInRect(title));

  const POINT june = RowPoint(*list, 6);
  pv::test::MouseMove(june.x, june.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(list->GetMonthOffset(), 3);
  pv::test::MouseUp(pv::test::Button::Left, june.x, june.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(c->GetMonthList(), nullptr);
  EXPECT_EQ(c->GetMouseMode(), CTKDatePickerControl::mouseNothing);
  EXPECT_EQ(c->GetFirstMonth().GetMonth(), 6);

  // Released outside every row: nothing changes.
  title = PressTitle(*c);
  ASSERT_NE(c->GetMonthList(), nullptr);
  c->GetMonthList()->GetWindowRect(&rect);
  pv::test::MouseMove(rect.right + 40, title.y);
  pv::test::MouseUp(pv::test::Button::Left, rect.right + 40, title.y);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(c->GetFirstMonth().GetMonth(), 6);
}

TEST_F(DatePickerListTest, HoldingTheMouseAwayScrollsFasterWithDistance) {
  auto c = MakeControl();
  PressTitle(*c);
  CTKDatePickerList* list = c->GetMonthList();
  ASSERT_NE(list, nullptr);
  CRect client;
  list->GetClientRect(&client);
  list->ClientToScreen(&client);
  const int height = client.Height();
  struct Case {
    int y;  // screen y of the held mouse
    int monthsPerTick;
  } cases[] = {{client.top - 1, -1},   {client.top - height, -2},   {client.top - 2 * height - 1, -3},
               {client.bottom + 1, 1}, {client.bottom + height, 2}, {client.top + height / 2, 0}};
  for (const Case& k : cases) {
    pv::test::MouseMove(client.left + 5, k.y);
    pv::test::PumpUntilIdle();
    ExpectSane(*c);
    const COleDateTime before = list->GetCentreMonth();
    pv::test::AdvanceAndPump(133);
    const COleDateTime after = list->GetCentreMonth();
    const int moved = (after.GetYear() - before.GetYear()) * 12 + after.GetMonth() - before.GetMonth();
    EXPECT_EQ(moved, k.monthsPerTick) << "y " << k.y;
  }
  pv::test::MouseUp(pv::test::Button::Left, client.left + 5, client.top + height / 2);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
}

TEST_F(DatePickerListTest, ListNeverShowsAMonthBeforeTheMinimum) {
  auto c = MakeControl();
  const COleDateTime lo = Date(2024, 2, 1);
  c->SetRange(&lo, nullptr);
  PressTitle(*c);
  CTKDatePickerList* list = c->GetMonthList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetFirstRowMonth().GetMonth(), 2);
  EXPECT_EQ(list->GetCentreMonth().GetMonth(), 5);
  list->ScrollBack(10);
  EXPECT_EQ(list->GetFirstRowMonth().GetMonth(), 2);
  EXPECT_EQ(list->GetFirstRowMonth().GetYear(), 2024);
  pv::test::CaptureLoss();  // ends the list
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  EXPECT_EQ(c->GetMonthList(), nullptr);
  EXPECT_EQ(c->GetMouseMode(), CTKDatePickerControl::mouseNothing);
}

TEST_F(DatePickerListTest, ListOfNoHeightDoesNotScroll) {
  auto c = MakeControl();
  CTKDatePickerList list(c.get(), Date(2024, 3, 1));
  ASSERT_TRUE(list.Create(c->GetMonth(0)->m_rcHeader));
  CRect window;
  list.GetWindowRect(&window);
  list.SetWindowPos(nullptr, 0, 0, window.Width(), 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CRect client;
  list.GetClientRect(&client);
  ASSERT_EQ(client.Height(), 0);
  pv::test::MouseMove(window.left + 5, window.top - 50);
  pv::test::PumpUntilIdle();
  ExpectSane(*c);
  // The step reads the position of the message being handled.
  MSG msg{};
  ::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
  list.OnTimerStep();
  EXPECT_EQ(list.GetCentreMonth().GetMonth(), 3);
}

// ---- the calendar notifier --------------------------------------------------------------------
// A window that records the messages forwarded to it.
class Recorder : public CWnd {
 public:
  std::vector<UINT>* log = nullptr;
  std::function<void()> onTimeChange;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMECHANGE || message == WM_SYSCOLORCHANGE || message == TK_WM_TIMEZONECHANGED) {
      log->push_back(message);
      if (message == WM_TIMECHANGE && onTimeChange) onTimeChange();
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
  void Make(CWnd* parent, std::vector<UINT>* target) {
    log = target;
    CreateEx(0, AfxRegisterWndClass(0), u"", WS_CHILD, CRect(0, 0, 1, 1), parent, 0);
  }
};

class CalendarNotifierTest : public DatePickerTest {
 protected:
  CTKCalendarMsgNotifier* notifier = GetCalendarMsgNotifier();
};

TEST_F(CalendarNotifierTest, ClientUnregisteredDuringABroadcastIsSkipped) {
  std::vector<UINT> a, b, c;
  Recorder ra, rb, rc;
  ra.Make(host.get(), &a);
  rb.Make(host.get(), &b);
  rc.Make(host.get(), &c);
  notifier->Advise(&ra, WM_TIMECHANGE);
  notifier->Advise(&rb, WM_TIMECHANGE);
  notifier->Advise(&rc, WM_TIMECHANGE);
  ASSERT_NE(notifier->m_hWnd, nullptr);
  ra.onTimeChange = [&] { notifier->Unadvise(&rb, 0); };
  notifier->Broadcast(WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(a, std::vector<UINT>{WM_TIMECHANGE});
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c, std::vector<UINT>{WM_TIMECHANGE});
  // Every forwarded message reaches a window, whatever it advised for.
  ::SendMessage(notifier->m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(c.back(), static_cast<UINT>(WM_SYSCOLORCHANGE));
  notifier->Unadvise(&ra, 0);
  EXPECT_NE(notifier->m_hWnd, nullptr);
  notifier->Unadvise(&rc, 0);
  EXPECT_EQ(notifier->m_hWnd, nullptr);  // gone with the last client
}

TEST_F(CalendarNotifierTest, TimeZoneChangeComesBeforeTheTimeChange) {
  std::vector<UINT> log;
  Recorder r;
  r.Make(host.get(), &log);
  notifier->Advise(&r, 0);
  ::SendMessage(notifier->m_hWnd, WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(log, std::vector<UINT>{WM_TIMECHANGE});  // the clock alone

  log.clear();
  pv::ClockTimeZone zone;
  zone.bias = -480;
  zone.standardName = u"China Standard Time";
  pv::Clock::SetFakeTimeZone(zone);
  ::SendMessage(notifier->m_hWnd, WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(log, (std::vector<UINT>{TK_WM_TIMEZONECHANGED, WM_TIMECHANGE}));
  notifier->Unadvise(&r, 0);
}

TEST_F(CalendarNotifierTest, DatePickersHearOfTheNewDayAtTheNextTick) {
  pv::Clock::SetFakeUtc(2024, 3, 14, 23, 59, 45);
  CTKDatePickerControl c1, c2;
  ASSERT_TRUE(c1.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), host.get(), 1));
  ASSERT_TRUE(c2.Create(WS_CHILD | WS_VISIBLE, CRect(200, 0, 400, 200), host.get(), 2));
  // Still 14 March at the first tick; 15 March at the second.
  COleDateTime today;
  pv::test::AdvanceAndPump(10000);
  c1.GetToday(today);
  EXPECT_EQ(today.GetDay(), 14);
  pv::test::AdvanceAndPump(10000);
  for (CTKDatePickerControl* c : {&c1, &c2}) {
    c->GetToday(today);
    EXPECT_EQ(today.GetDay(), 15);
  }
}

}  // namespace
