// Shared set-up of the date picker tests: a fake clock, a clean desktop, a
// host window holding a laid-out control, the cell of a date, and a sink
// that runs a function on a control event.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/controls/datepickercontrol.h"
#include "toolkit/controls/datepickerdays.h"
#include "toolkit/controls/datepickermonth.h"
#include "toolkit/controls/datepickerpaintmanager.h"

namespace dptest {

using namespace std::chrono;

inline COleDateTime Date(int y, int m, int d) { return COleDateTime(y, m, d, 0, 0, 0); }

// The same day counted independently: days from 30 December 1899.
inline int DayNumber(year_month_day ymd) {
  return static_cast<int>((sys_days(ymd) - sys_days(year{1899} / December / 30)).count());
}
inline int DayNumber(int y, int m, int d) {
  return DayNumber(year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)});
}

// The selection as a set of day numbers.
inline std::set<int> Selected(const CTKDatePickerDaysCollection& days) {
  std::set<int> out;
  for (int i = 0; i < days.GetSelectedBlocksCount(); ++i)
    for (int d = days.GetSelectedBlock(i).nDateBegin; d < days.GetSelectedBlock(i).nDateEnd; ++d) out.insert(d);
  return out;
}
inline std::set<int> Range(int first, int last) {
  std::set<int> out;
  for (int d = first; d <= last; ++d) out.insert(d);
  return out;
}

// The control's invariants after an operation (debug builds check them).
inline void ExpectSane(const CTKDatePickerControl& c) {
#ifndef NDEBUG
  EXPECT_EQ(c.CheckInvariants(), std::string());
#else
  (void)c;
#endif
}
inline void ExpectSane(const CTKDatePickerDaysCollection& days) {
#ifndef NDEBUG
  EXPECT_EQ(days.CheckInvariants(), std::string());
#else
  (void)days;
#endif
}

class FunctionDelegate : public CTKNotifySinkDelegate {
 public:
  explicit FunctionDelegate(std::function<void(WPARAM, LPARAM)> fn) : m_fn(std::move(fn)) {}
  BOOL Invoke(TK_NOTIFY_CODE, WPARAM w, LPARAM l) override {
    m_fn(w, l);
    return TRUE;
  }

 private:
  std::function<void(WPARAM, LPARAM)> m_fn;
};

// Runs a function whenever the control raises the event; unadvises itself.
class EventHook {
 public:
  EventHook(CTKDatePickerControl& control, UINT code, std::function<void(WPARAM, LPARAM)> fn)
      : m_sink(new CTKNotifySink) {
    m_sink->Advise(control.GetConnection(), code, new FunctionDelegate(std::move(fn)));
  }
  ~EventHook() { m_sink->Delete(); }
  EventHook(const EventHook&) = delete;
  EventHook& operator=(const EventHook&) = delete;

 private:
  CTKNotifySink* m_sink;
};

// The cell showing the date (in any month of the grid), or null.
inline CTKDatePickerItemDay* CellOf(CTKDatePickerControl& c, const COleDateTime& date, bool inMonthOnly = true) {
  for (int i = 0; i < c.GetMonthCount(); ++i) {
    CTKDatePickerItemMonth* m = c.GetMonth(i);
    for (int k = 0; k < m->GetDayCount(); ++k) {
      CTKDatePickerItemDay* d = m->GetDay(k);
      if (CTKDatePickerDaysCollection::DayOf(d->GetDate()) != CTKDatePickerDaysCollection::DayOf(date)) continue;
      if (inMonthOnly && d->GetDate().GetMonth() != m->GetMonth().GetMonth()) continue;
      return d;
    }
  }
  return nullptr;
}
inline CPoint CentreOf(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// A fake clock on `today` (local = UTC), a clean desktop and a shown host.
class DatePickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    host = std::make_unique<CWnd>();
    ASSERT_TRUE(
        host->CreateEx(0, AfxRegisterWndClass(0), u"host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 900, 700), nullptr, 0));
  }
  void TearDown() override {
    if (host && host->m_hWnd) host->DestroyWindow();
    host.reset();
    pvtest::ResetDesktop();
  }

  // A child control of one month at the top left of the host, focused.
  std::unique_ptr<CTKDatePickerControl> MakeControl(int rows = 1, int cols = 1) {
    auto c = std::make_unique<CTKDatePickerControl>();
    CRect r;
    c->GetMinReqRect(&r, rows, cols);
    r.bottom += 2 * rows;  // the grid counts two pixels more per row
    EXPECT_TRUE(c->Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 10 + r.Width(), 10 + r.Height()), host.get(), 100));
    c->SetFocus();
    pv::test::PumpUntilIdle();
    return c;
  }

  void ClickDay(CTKDatePickerControl& c, const COleDateTime& date, BYTE modifiers = 0) {
    CTKDatePickerItemDay* cell = CellOf(c, date);
    ASSERT_NE(cell, nullptr);
    const CPoint p = CentreOf(cell->GetRect());
    if (modifiers & FCONTROL) pv::test::KeyDown(VK_CONTROL);
    if (modifiers & FSHIFT) pv::test::KeyDown(VK_SHIFT);
    pv::test::ClickClient(c.m_hWnd, p.x, p.y);
    if (modifiers & FSHIFT) pv::test::KeyUp(VK_SHIFT);
    if (modifiers & FCONTROL) pv::test::KeyUp(VK_CONTROL);
    pv::test::PumpUntilIdle();
  }

  pv::FakeClockScope clock{2024, 3, 14, 10, 30, 0};  // in UTC, the fake clock's first zone
  std::unique_ptr<CWnd> host;
};

}  // namespace dptest
