#include "toolkit/controls/datepickerlist.h"

#include <algorithm>

#include "toolkit/common/scopeddc.h"
#include "toolkit/controls/datepickercontrol.h"
#include "toolkit/controls/datepickerlocale.h"
#include "toolkit/controls/datepickerpaintmanager.h"

namespace {

int MonthIndex(const COleDateTime& d) { return d.GetYear() * 12 + d.GetMonth() - 1; }
COleDateTime MonthOfIndex(int index, int day = 1) {
  index = std::clamp(index, 100 * 12, 9999 * 12 + 11);
  return COleDateTime(index / 12, index % 12 + 1, day, 0, 0, 0);
}

}  // namespace

BEGIN_MESSAGE_MAP(CTKDatePickerList, CWnd)
ON_WM_ERASEBKGND()
ON_WM_PAINT()
END_MESSAGE_MAP()

CTKDatePickerList::CTKDatePickerList(CTKDatePickerControl* control, const COleDateTime& month)
    : m_pControl(control), m_dtStartMonth(month), m_dtMiddleMonth(month), m_dtSelMonth(month) {
  m_rcListControl.SetRectEmpty();
}

CTKDatePickerList::~CTKDatePickerList() {
  if (m_hWnd) DestroyWindow();
}

CSize CTKDatePickerList::CalcSize() {
  if (!m_pControl) return CSize(0, 0);
  CClientDC dc(m_pControl);
  CTKFontDC font(&dc, m_pControl->GetPaintManager()->GetListFont());
  const int h = dc.GetTextExtent(u" ", 1).cy + 3;
  int width = 0;
  for (int i = 1; i <= 12; ++i) {
    CString text;
    text.Format(u"%s 0000", m_pControl->GetMonthName(i).GetString());
    width = std::max(width, static_cast<int>(dc.GetTextExtent(text).cx));
  }
  return CSize(width + 20, GetRowCount() * h + 2);
}

BOOL CTKDatePickerList::Create(CRect headerRect) {
  if (!m_pControl) return FALSE;
  m_pControl->ClientToScreen(&headerRect);
  LPCTSTR cls = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr);
  if (!CreateEx(0, cls, nullptr, WS_POPUP | WS_BORDER, CRect(0, 0, 0, 0), m_pControl, 0)) return FALSE;
  const CSize size = CalcSize();
  const int left = (headerRect.left + headerRect.right) / 2 - size.cx / 2 - 1;
  const int top = (headerRect.top + headerRect.bottom) / 2 - size.cy / 2 + 1;
  m_rcListControl.SetRect(left, top, left + size.cx, top + size.cy);
  SetWindowPos(nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ScrollForward(0);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  return TRUE;
}

void CTKDatePickerList::ScrollBack(int months) {
  int index = MonthIndex(m_dtMiddleMonth) - months;
  COleDateTime minimum;
  if (m_pControl && (m_pControl->GetRange(&minimum, nullptr) & 1)) {
    const COleDateTime top = MonthOfIndex(index - m_nItemsAbove, m_dtMiddleMonth.GetDay());
    if (top < minimum) index = MonthIndex(minimum) + m_nItemsAbove;
  }
  m_dtMiddleMonth = MonthOfIndex(index);
}

void CTKDatePickerList::ScrollForward(int months) {
  int index = MonthIndex(m_dtMiddleMonth) + months;
  COleDateTime maximum;
  if (m_pControl && (m_pControl->GetRange(nullptr, &maximum) & 2)) {
    const COleDateTime bottom = MonthOfIndex(index + m_nItemsBelow, m_dtMiddleMonth.GetDay());
    if (bottom > maximum) index = MonthIndex(maximum) - m_nItemsBelow;
  }
  m_dtMiddleMonth = MonthOfIndex(index);
  ScrollBack(0);
}

void CTKDatePickerList::OnTimerStep() {
  // Without a window there is nothing to scroll, and a list of no height
  // gives no measure for the distance.
  if (!m_hWnd) return;
  CRect client;
  GetClientRect(&client);
  ClientToScreen(&client);
  const int height = client.bottom - client.top;
  if (height <= 0) return;
  const DWORD pos = ::GetMessagePos();
  const int y = static_cast<short>(HIWORD(pos));
  if (y < client.top) ScrollBack((client.top - y) / height + 1);
  else if (y > client.bottom) ScrollForward((y - client.bottom) / height + 1);
  else return;
  Invalidate(TRUE);
}

int CTKDatePickerList::GetMonthOffset() const {
  if (m_dtSelMonth.GetStatus() != COleDateTime::valid) return 0;
  return MonthIndex(m_dtSelMonth) - MonthIndex(m_dtStartMonth);
}

COleDateTime CTKDatePickerList::GetFirstRowMonth() const {
  int above = m_nItemsAbove;
  // The list never starts before February of the year 100.
  if (m_dtMiddleMonth.GetYear() <= 100) {
    const int m = m_dtMiddleMonth.GetMonth();
    above = m <= 2 ? 0 : m == 3 ? m_nItemsAbove - 2 : m == 4 ? m_nItemsAbove - 1 : m_nItemsAbove;
  }
  return MonthOfIndex(MonthIndex(m_dtMiddleMonth) - above);
}

BOOL CTKDatePickerList::OnEraseBkgnd(CDC*) { return TRUE; }

void CTKDatePickerList::OnPaint() {
  CPaintDC paint(this);
  if (!m_pControl) return;
  CTKBufferDC dc(paint);
  CRect client;
  GetClientRect(&client);
  m_dtSelMonth.SetStatus(COleDateTime::null);
  CTKDatePickerPaintManager* pm = m_pControl->GetPaintManager();
  CTKFontDC font(&dc, pm->GetListFont(), pm->GetListTextColor());
  dc.FillSolidRect(client, pm->GetListBackColor());
  dc.SetBkMode(TRANSPARENT);
  const int h = dc.GetTextExtent(u" ", 1).cy + 3;
  CPoint mouse;
  const DWORD pos = ::GetMessagePos();
  mouse.x = static_cast<short>(LOWORD(pos));
  mouse.y = static_cast<short>(HIWORD(pos));
  ScreenToClient(&mouse);
  const CString format = m_pControl->GetYearMonthFormat();
  int index = MonthIndex(GetFirstRowMonth());
  for (int row = 0, y = 0; row < GetRowCount(); ++row, ++index, y += h) {
    const COleDateTime month = MonthOfIndex(index);
    CString text;
    if (!format.IsEmpty()) text = CTKCalendarLocale::FormatDateWithFormat(month, format);
    else text.Format(u"%s %d", m_pControl->GetMonthName(month.GetMonth()).GetString(), month.GetYear());
    CRect rect(0, y, client.Width(), y + h);
    dc.DrawText(text, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (client.PtInRect(mouse) && mouse.y >= rect.top && mouse.y <= rect.bottom - 1) {
      dc.InvertRect(rect);
      m_dtSelMonth = month;
    }
  }
}
