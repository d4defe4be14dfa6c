#include "toolkit/controls/datepickermonth.h"

#include <algorithm>

#include "toolkit/controls/datepickercontrol.h"
#include "toolkit/controls/datepickerdays.h"
#include "toolkit/controls/datepickerpaintmanager.h"

namespace {

// Steps stop at the calendar's first and last day.
COleDateTime AddDays(const COleDateTime& date, int days) {
  return CTKDatePickerDaysCollection::DateOfDay(
      CTKDatePickerDaysCollection::ClampToCalendar(CTKDatePickerDaysCollection::DayOf(date) + days));
}

// Whole days from b to a.
int DaysBetween(const COleDateTime& a, const COleDateTime& b) {
  return CTKDatePickerDaysCollection::DayOf(a) - CTKDatePickerDaysCollection::DayOf(b);
}

}  // namespace

// ---- CTKDatePickerItemDay ----------------------------------------------------------------------
CTKDatePickerItemDay::CTKDatePickerItemDay(CTKDatePickerControl* control, CTKDatePickerItemMonth* month,
                                           const COleDateTime& date)
    : m_pControl(control), m_pMonth(month), m_dtDay(date) {
  m_rcDay.SetRectEmpty();
}

void CTKDatePickerItemDay::Draw(CDC* dc) {
  m_bVisible = FALSE;
  if (m_rcDay.IsRectEmpty() || !m_pControl || !m_pControl->GetPaintManager()) return;
  m_bVisible = m_pControl->GetPaintManager()->DrawDay(dc, this);
}

BOOL CTKDatePickerItemDay::IsToday(const COleDateTime& date) const {
  if (!m_pControl) return FALSE;
  const COleDateTime& today = m_pControl->m_dtToday;
  return date.GetYear() == today.GetYear() && date.GetMonth() == today.GetMonth() && date.GetDay() == today.GetDay();
}

// ---- CTKDatePickerItemMonth --------------------------------------------------------------------
CTKDatePickerItemMonth::CTKDatePickerItemMonth(CTKDatePickerControl* control, const COleDateTime& month, int row,
                                               int col)
    : m_pControl(control), m_nRow(row), m_nColumn(col), m_dtMonth(month) {
  for (CRect* r :
       {&m_rcMonth, &m_rcHeader, &m_rcDaysOfWeek, &m_rcWeekNumbers, &m_rcDaysArea, &m_rcLeftScroll, &m_rcRightScroll})
    r->SetRectEmpty();
  PopulateDays();
}

CTKDatePickerItemMonth::~CTKDatePickerItemMonth() { ClearDays(); }

void CTKDatePickerItemMonth::ClearDays() {
  for (CTKDatePickerItemDay* day : m_arrDays) day->InternalRelease();
  m_arrDays.clear();
}

void CTKDatePickerItemMonth::PopulateDays() {
  ClearDays();
  // Leading days of January of the year 100 would lie before the first
  // day there is.
  if (m_dtMonth.GetStatus() != COleDateTime::valid || (m_dtMonth.GetYear() == 100 && m_dtMonth.GetMonth() <= 2))
    m_dtMonth.SetDate(100, 2, 1);
  m_dtMonth.SetDate(m_dtMonth.GetYear(), m_dtMonth.GetMonth(), 1);
  const int firstDayOfWeek = m_pControl ? m_pControl->m_nFirstDayOfWeek : 1;
  const int back = (m_dtMonth.GetDayOfWeek() - firstDayOfWeek + 7) % 7;
  // Cells after 31 December 9999 hold no day: they stay invalid, and are
  // neither drawn nor hit.
  int day = CTKDatePickerDaysCollection::DayOf(m_dtMonth) - back;
  for (int i = 0; i < 42; ++i, ++day) {
    COleDateTime date = CTKDatePickerDaysCollection::DateOfDay(day);
    if (!CTKDatePickerDaysCollection::IsCalendarDay(day)) date.SetStatus(COleDateTime::invalid);
    m_arrDays.push_back(new CTKDatePickerItemDay(m_pControl, this, date));
  }
}

CTKDatePickerItemDay* CTKDatePickerItemMonth::GetDay(int index) const {
  if (index < 0 || index >= GetDayCount()) return nullptr;
  return m_arrDays[static_cast<std::size_t>(index)];
}

void CTKDatePickerItemMonth::AdjustLayout(CRect rect, BOOL fixedLayout) {
  m_rcMonth = rect;
  const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  if (fixedLayout) {
    const int g = std::min((r - l) / 8, 18);
    m_rcHeader.SetRect(l + g, t, r - g, t + 18);
    m_rcDaysOfWeek.SetRect(l, t + 18, r, t + 36);
    m_rcWeekNumbers.SetRect(l, t + 36, l + 18, b);
    m_rcDaysArea.SetRect(l + 18, t + 36, r - 18, b);
    m_rcLeftScroll.SetRect(l, t, l + g, t + 18);
    m_rcRightScroll.SetRect(r - g, t, r, t + 18);
    const int cw = (r - l - 36) / 7, ch = (b - t - 36) / 6;
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 7; ++j) {
        const int x = m_rcDaysArea.left + 1 + j * cw, y = m_rcDaysArea.top + i * ch;
        m_arrDays[static_cast<std::size_t>(i * 7 + j)]->SetRect(CRect(x, y, x + cw, y + ch));
      }
    return;
  }
  CTKDatePickerPaintManager* pm = m_pControl ? m_pControl->GetPaintManager() : nullptr;
  if (!pm) return;
  CWindowDC dc(nullptr);
  const CSize cell = pm->GetDayCellSize(&dc);
  const int H = pm->GetHeaderSize(&dc).cy;
  const int D = pm->GetDayNameSize(&dc).cy;
  const int W = pm->GetWeekNumberSize(&dc).cx;
  m_rcHeader.SetRect(l, t, r, t + H);
  m_rcDaysOfWeek.SetRect(l, t + H, r, t + H + D);
  m_rcWeekNumbers.SetRect(l, t + H + D, l + W, b);
  m_rcDaysArea.SetRect(l + W, t + H + D, r - W, b);
  m_rcLeftScroll.SetRect(l, t, l + W + 3, t + H);
  m_rcRightScroll.SetRect(r - W - 3, t, r, t + H);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 7; ++j) {
      const int x = m_rcDaysArea.left + 1 + j * cell.cx, y = m_rcDaysArea.top + i * cell.cy;
      m_arrDays[static_cast<std::size_t>(i * 7 + j)]->SetRect(CRect(x, y, x + cell.cx, y + cell.cy));
    }
}

void CTKDatePickerItemMonth::Draw(CDC* dc) {
  CTKDatePickerPaintManager* pm = m_pControl ? m_pControl->GetPaintManager() : nullptr;
  if (!pm) return;
  pm->DrawMonthHeader(dc, this);
  pm->DrawDaysOfWeek(dc, this);
  for (CTKDatePickerItemDay* day : m_arrDays) day->Draw(dc);
  pm->DrawWeekNumbers(dc, this);
}

CTKDatePickerItemDay* CTKDatePickerItemMonth::HitTestDay(CPoint point, BOOL visibleOnly) const {
  for (CTKDatePickerItemDay* day : m_arrDays)
    if (day->GetRect().PtInRect(point) && (!visibleOnly || day->IsVisible())) return day;
  return nullptr;
}

BOOL CTKDatePickerItemMonth::OnSetCursor(CPoint point) {
  if (m_rcWeekNumbers.IsRectEmpty() || !m_rcWeekNumbers.PtInRect(point)) return FALSE;
  if (!m_pControl || !m_pControl->GetPaintManager()) return FALSE;
  ::SetCursor(m_pControl->GetPaintManager()->GetWeekCursor());
  return TRUE;
}

CTKDatePickerItemDay* CTKDatePickerItemMonth::DragCellAt(CPoint point) const {
  if (m_pControl->m_bSelectWeek) point.x = m_rcWeekNumbers.right + 3;
  CTKDatePickerItemDay* cell = HitTestDay(point, FALSE);
  return cell && cell->GetDate().GetStatus() == COleDateTime::valid ? cell : nullptr;
}

void CTKDatePickerItemMonth::OnLButtonDown(UINT flags, CPoint point) {
  CTKDatePickerControl* c = m_pControl;
  if (!c) return;
  const BOOL multi = (flags & MK_CONTROL) || c->m_bMultiSelectionMode;
  const int step = c->m_nMonthDelta ? c->m_nMonthDelta : 1;

  if (m_bShowLeftScroll && !m_rcLeftScroll.IsRectEmpty() && m_rcLeftScroll.PtInRect(point)) {
    c->m_mouseMode = CTKDatePickerControl::mouseScrollingLeft;
    c->StartRepeatTimer(200);
    if (!c->m_bYearsTriangle) {
      c->ScrollLeft(step);
    } else if (point.x < m_rcLeftScroll.left + 9) {
      c->ScrollLeft(step);
    } else if (point.x > m_rcLeftScroll.right - 9 && m_dtMonth.GetYear() >= 101) {
      c->ScrollLeft(12 * step);
    }
    return;
  }
  if (m_bShowRightScroll && !m_rcRightScroll.IsRectEmpty() && m_rcRightScroll.PtInRect(point)) {
    c->m_mouseMode = CTKDatePickerControl::mouseScrollingRight;
    c->StartRepeatTimer(200);
    if (!c->m_bYearsTriangle) {
      c->ScrollRight(step);
    } else if (point.x < m_rcRightScroll.left + 9) {
      c->ScrollRight(12 * step);
    } else if (point.x > m_rcRightScroll.right - 9) {
      c->ScrollRight(step);
    }
    return;
  }
  if (!m_rcHeader.IsRectEmpty()) {
    CRect title = m_rcHeader;
    title.DeflateRect(20, 0);
    if (title.PtInRect(point)) {
      c->ShowMonthList(m_rcHeader, m_dtMonth);
      return;
    }
  }

  c->m_bSelectWeek = !m_rcWeekNumbers.IsRectEmpty() && m_rcWeekNumbers.PtInRect(point);
  CTKDatePickerItemDay* cell = DragCellAt(point);
  if (!cell) return;
  const COleDateTime date = cell->GetDate();
  c->ClearFocus();

  BOOL selected = c->IsSelected(date);
  if (c->m_bSelectWeek) {
    selected = TRUE;
    for (int i = 0; i < 7 && selected; ++i) selected = c->IsSelected(AddDays(date, i));
  }
  c->m_mouseMode = (selected && multi && c->m_bMultiSelection) ? CTKDatePickerControl::mouseDeselecting
                                                               : CTKDatePickerControl::mouseSelecting;
  if (!(multi && c->m_bMultiSelection)) c->m_pSelectedDays->Clear();

  COleDateTime& anchor = c->m_dtFirstClicked;
  COleDateTime& end = c->m_dtLastClicked;
  if (flags & MK_SHIFT) {
    COleDateTime lo, hi;
    if (anchor.GetStatus() == COleDateTime::valid) {
      end = date;
    } else if (end.GetStatus() == COleDateTime::valid) {
      anchor = end;
      end = date;
    } else if (c->GetSelRange(lo, hi)) {
      anchor = lo;
      end = hi;
      if (lo < date) end = date;
      else anchor = date;
    } else {
      anchor = end = date;
    }
  } else {
    anchor = date;
    end = c->m_bSelectWeek ? AddDays(date, 6) : date;
  }
  c->RedrawControl(FALSE);
}

void CTKDatePickerItemMonth::OnMouseMove(UINT flags, CPoint point) {
  CTKDatePickerControl* c = m_pControl;
  if (!c || (c->m_mouseMode != CTKDatePickerControl::mouseSelecting &&
             c->m_mouseMode != CTKDatePickerControl::mouseDeselecting))
    return;
  if (!m_rcDaysArea.PtInRect(point) && !m_rcWeekNumbers.PtInRect(point)) return;
  CTKDatePickerItemDay* cell = DragCellAt(point);
  if (!cell) return;
  const COleDateTime date = cell->GetDate();
  COleDateTime& anchor = c->m_dtFirstClicked;
  COleDateTime& end = c->m_dtLastClicked;
  const COleDateTime oldAnchor = anchor, oldEnd = end;
  if (!c->m_bSelectWeek) {
    end = date;
  } else {
    // The anchor sits at the start of its week while the drag runs forward
    // and at the end of its week while it runs backward.
    const COleDateTime weekEnd = AddDays(date, 6);
    if (DaysBetween(weekEnd, anchor) >= 0) {
      if (anchor.GetDayOfWeek() != date.GetDayOfWeek()) anchor = AddDays(anchor, -6);
      end = weekEnd;
    }
    if (DaysBetween(date, anchor) < 0) {
      if (anchor.GetDayOfWeek() == date.GetDayOfWeek()) anchor = AddDays(anchor, 6);
      end = date;
    }
  }
  auto moved = [](const COleDateTime& a, const COleDateTime& b) {
    if (a.GetStatus() != b.GetStatus()) return true;
    return a.GetStatus() == COleDateTime::valid && DaysBetween(a, b) != 0;
  };
  if (moved(end, oldEnd) || moved(anchor, oldAnchor)) c->RedrawNow();
}
