#include "toolkit/controls/datepickercontrol.h"

#include <algorithm>
#include <cstdlib>

#include "platform/base/clock.h"
#include "platform/framework/afxapp.h"
#include "platform/gdi/syscolors.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/controls/calendarmsgnotifier.h"
#include "toolkit/controls/datepickerdays.h"
#include "toolkit/controls/datepickerlist.h"
#include "toolkit/controls/datepickerlocale.h"
#include "toolkit/controls/datepickermonth.h"
#include "toolkit/controls/datepickerpaintmanager.h"
#include "toolkit/controls/datepickerres.h"

namespace {

constexpr LPCTSTR kClassName = u"TKDatePicker";

int DayOf(const COleDateTime& d) { return CTKDatePickerDaysCollection::DayOf(d); }
COleDateTime DateOfDay(int day) { return CTKDatePickerDaysCollection::DateOfDay(day); }
// Steps stop at the calendar's first and last day.
COleDateTime AddDays(const COleDateTime& d, int days) {
  return DateOfDay(CTKDatePickerDaysCollection::ClampToCalendar(DayOf(d) + days));
}
bool IsValid(const COleDateTime& d) { return d.GetStatus() == COleDateTime::valid; }
COleDateTime NullDate() {
  COleDateTime d;
  d.SetStatus(COleDateTime::null);
  return d;
}
COleDateTime MonthStart(int year, int month) { return COleDateTime(year, month, 1, 0, 0, 0); }
// months(a, b) = months from b's month to a's month.
int MonthsBetween(const COleDateTime& a, const COleDateTime& b) {
  return (a.GetYear() - b.GetYear()) * 12 + a.GetMonth() - b.GetMonth();
}
// The same day of the month `months` on, cut to the new month's length.
COleDateTime AddMonthsKeepDay(const COleDateTime& d, int months) {
  int index = d.GetYear() * 12 + (d.GetMonth() - 1) + months;
  index = std::clamp(index, 100 * 12, 9999 * 12 + 11);
  const int year = index / 12, month = index % 12 + 1;
  const int day = std::min(d.GetDay(), static_cast<int>(pv::DaysInMonth(year, static_cast<unsigned>(month))));
  return COleDateTime(year, month, day, 0, 0, 0);
}

// The disabled look: every pixel becomes a grey between the two colours by
// its brightness.
void DisableArea(CDC* dc, const CRect& rect, COLORREF light, COLORREF dark) {
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) {
      const COLORREF c = dc->GetPixel(x, y);
      const int level = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
      auto mix = [level](int lo, int hi) { return lo + (hi - lo) * level / 255; };
      dc->SetPixelV(x, y,
                    RGB(mix(GetRValue(dark), GetRValue(light)), mix(GetGValue(dark), GetGValue(light)),
                        mix(GetBValue(dark), GetBValue(light))));
    }
}

}  // namespace

// ---- day metrics, buttons ------------------------------------------------------------------------
void TK_DAYITEM_METRICS::SetFont(CFont* font) {
  if (!font || !font->GetSafeHandle()) return;
  LOGFONT lf{};
  font->GetLogFont(&lf);
  fntText.DeleteObject();
  fntText.CreateFontIndirect(&lf);
}

CString CTKDatePickerButton::GetCaption() const {
  if (!m_strCaption.IsEmpty()) return m_strCaption;
  CString text;
  GetResourceManager()->LoadString(&text, static_cast<UINT>(m_nID));
  return text;
}

void CTKDatePickerButton::SetCaption(const WCHAR* caption) { m_strCaption = caption ? caption : u""; }

int CTKDatePickerButtons::GetVisibleCount() const {
  return static_cast<int>(std::count_if(begin(), end(), [](const CTKDatePickerButton* b) { return b->m_bVisible; }));
}

CTKDatePickerButton* CTKDatePickerButtons::Find(int id) const {
  for (CTKDatePickerButton* b : *this)
    if (b->m_nID == id) return b;
  return nullptr;
}

CTKDatePickerButton* CTKDatePickerButtons::HitTest(CPoint point) const {
  for (CTKDatePickerButton* b : *this)
    if (b->m_bVisible && b->m_rcButton.PtInRect(point)) return b;
  return nullptr;
}

// ---- construction ---------------------------------------------------------------------------------
IMPLEMENT_DYNAMIC(CTKDatePickerControl, CWnd)

BEGIN_MESSAGE_MAP(CTKDatePickerControl, CWnd)
ON_WM_CREATE()
ON_WM_ERASEBKGND()
ON_WM_PAINT()
ON_WM_PRINTCLIENT()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_CAPTURECHANGED()
ON_WM_CANCELMODE()
ON_WM_TIMER()
ON_WM_TIMECHANGE()
ON_WM_SYSCOLORCHANGE()
ON_WM_KEYDOWN()
ON_WM_SETCURSOR()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_ENABLE()
ON_WM_GETDLGCODE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CTKDatePickerControl::CTKDatePickerControl() {
  m_pConnection = new CTKNotifyConnection;
  m_pSink = new CTKNotifySink;
  RegisterWindowClass();
  SetPaintManager(nullptr);
  m_dtToday = COleDateTime::GetCurrentTime();
  m_dtFirstMonth = MonthStart(m_dtToday.GetYear(), m_dtToday.GetMonth());
  m_dtMinRange = NullDate();
  m_dtMaxRange = NullDate();
  m_dtFirstClicked = NullDate();
  m_dtLastClicked = NullDate();
  m_dtFocused = NullDate();
  m_dtFSelBase = NullDate();
  m_rcLayout.SetRectEmpty();
  m_rcGrid.SetRectEmpty();
  AddButton(TK_IDS_DATEPICKER_TODAY);
  AddButton(TK_IDS_DATEPICKER_NONE);
  m_pSelectedDays = new CTKDatePickerDaysCollection(this);
  m_arMonthNames = new CString[12];
  m_arDayOfWeekNames = new CString[7];
  m_lcidActiveLocale = CTKCalendarLocale::GetLocaleID();
  LoadLocaleNames();
  ClearFocus();
  Populate();
  GetCalendarMsgNotifier()->Advise(this, WM_TIMECHANGE);
  // A new theme-image set may change the look of paint theme 3.
  if (CTKResourceImages* images = GetResourceImages())
    if (CTKNotifyConnection* connection = images->GetConnection())
      m_pSink->Advise(
          connection, CTKResourceImages::kEventImagesChanged,
          new CTKNotifySinkClassDelegate<CTKDatePickerControl>(this, &CTKDatePickerControl::OnResourceImagesChanged));
}

CTKDatePickerControl::~CTKDatePickerControl() {
  GetCalendarMsgNotifier()->Unadvise(this, 0);
  // The window goes first: its last messages may still draw.
  KillRepeatTimer();
  if (m_hWnd) DestroyWindow();
  CloseMonthList();
  ClearMonths();
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  m_pPaintManager = nullptr;
  m_pSelectedDays->InternalRelease();
  m_pSelectedDays = nullptr;
  for (CTKDatePickerButton* b : m_arrButtons) delete b;
  m_arrButtons.clear();
  delete[] m_arMonthNames;
  delete[] m_arDayOfWeekNames;
  m_pConnection->InternalRelease();
  m_pSink->Delete();
}

BOOL CTKDatePickerControl::RegisterWindowClass(HINSTANCE instance) {
  if (!CTKDrawHelpers::RegisterWndClass(instance, kClassName, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
    AfxThrowResourceException();
  return TRUE;
}

void CTKDatePickerControl::OnFinalRelease() {
  CWnd::OnFinalRelease();
  if (m_bDeleteOnFinalRelease) CCmdTarget::OnFinalRelease();
}

void CTKDatePickerControl::PreSubclassWindow() {
  CRect client;
  GetClientRect(&client);
  AdjustLayout(client);
}

BOOL CTKDatePickerControl::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                                  UINT id, CCreateContext* context) {
  return CWnd::Create(className, windowName, style, rect, parent, id, context);
}

BOOL CTKDatePickerControl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context) {
  return CWnd::Create(kClassName, nullptr, style, rect, parent, id, context);
}

void CTKDatePickerControl::OnResourceImagesChanged(UINT code, WPARAM, LPARAM) {
  if (code != CTKResourceImages::kEventImagesChanged || !m_pPaintManager || m_pPaintManager->GetPaintTheme() != 3)
    return;
  m_pPaintManager->RefreshMetrics();
  RedrawControl(FALSE);
}

// ---- modal ---------------------------------------------------------------------------------------
void CTKDatePickerControl::EndModal(int code) {
  if (m_bIsModal && ContinueModal()) EndModalLoop(code);
}

BOOL CTKDatePickerControl::GoModal(const RECT& rect, CWnd* parent) {
  if (!parent) parent = AfxGetMainWnd();
  HWND hParent = CWnd::HwndOf(parent);
  if (!m_hWnd) {
    // Made as the pop-up it will be, owned by the parent.
    if (!CreateEx(WS_EX_TOOLWINDOW, kClassName, nullptr, WS_POPUP, rect, parent, 0)) return FALSE;
  } else if (hParent) {
    m_hWndOwner = nullptr;
    if (GetStyle() & WS_CHILD) {
      ModifyStyle(WS_CHILD, WS_POPUP);
      ::SetParent(m_hWnd, nullptr);
    }
    ::SetWindowLongPtr(m_hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hParent));
  }
  EnableWindow(TRUE);
  HWND previousFocus = ::SetFocus(m_hWnd);
  SetWindowPos(&wndTopMost, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  SetCapture();
  SendEvent(TK_DPEVENT_MODALSTART);
  SendNotification(TK_DPNOTIFY_MODALSTART);

  m_bIsModal = TRUE;
  m_nModalResult = -1;
  DWORD flags = MLF_SHOWONIDLE;
  if (m_hWnd && (GetStyle() & DS_NOIDLEMSG)) flags |= MLF_NOIDLEMSG;
  int result = -1;
  if (m_hWnd) result = RunModalLoop(flags);

  if (m_hWnd && ::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (m_hWnd) DestroyWindow();
  m_bIsModal = FALSE;
  if (previousFocus && ::IsWindow(previousFocus) && ::IsWindowVisible(previousFocus)) ::SetFocus(previousFocus);
  return result == IDOK;
}

BOOL CTKDatePickerControl::OnSelectionDone() {
  if (::GetKeyState(VK_CONTROL) < 0 || m_bMultiSelectionMode) return TRUE;
  EndModal(IDOK);
  return FALSE;
}

// ---- simple operations ---------------------------------------------------------------------------
void CTKDatePickerControl::RedrawNow() { RedrawControl(TRUE); }

void CTKDatePickerControl::SetCallbackDayMetrics(PFNTKDAYMETRICS callback, DWORD_PTR data) {
  m_pfnCallback = callback;
  m_pCallbackParam = data;
}

void CTKDatePickerControl::GetDayMetrics(const COleDateTime* date, TK_DAYITEM_METRICS* metrics) {
  SendEvent(TK_DPEVENT_DAYMETRICS, static_cast<WPARAM>(static_cast<LONG_PTR>(DayOf(*date))),
            reinterpret_cast<LPARAM>(metrics));
  if (!m_pfnCallback) return;
  try {
    m_pfnCallback(this, date, metrics, m_pCallbackParam);
  } catch (...) {
    // The owner's failure must not stop the drawing: the day keeps the
    // metrics as they are.
  }
}

void CTKDatePickerControl::SetButtonsVisible(BOOL showToday, BOOL showNone) {
  if (CTKDatePickerButton* b = m_arrButtons.Find(TK_IDS_DATEPICKER_TODAY)) b->m_bVisible = showToday;
  if (CTKDatePickerButton* b = m_arrButtons.Find(TK_IDS_DATEPICKER_NONE)) b->m_bVisible = showNone;
  if (!m_rcLayout.IsRectEmpty()) {
    AdjustLayout(m_rcLayout);
    RedrawControl(FALSE);
  }
}

BOOL CTKDatePickerControl::IsTodayButtonVisible() {
  CTKDatePickerButton* b = m_arrButtons.Find(TK_IDS_DATEPICKER_TODAY);
  return b ? b->m_bVisible : FALSE;
}

BOOL CTKDatePickerControl::IsNoneButtonVisible() {
  CTKDatePickerButton* b = m_arrButtons.Find(TK_IDS_DATEPICKER_NONE);
  return b ? b->m_bVisible : FALSE;
}

void CTKDatePickerControl::SetLayoutRTL(BOOL rightToLeft) {
  if (!GetOSVersionInfo()->IsLayoutRTLSupported()) return;
  m_bRightToLeft = rightToLeft;
  if (!m_hWnd) return;
  ModifyStyleEx(rightToLeft ? 0 : WS_EX_LAYOUTRTL, rightToLeft ? WS_EX_LAYOUTRTL : 0);
  LoadLocaleNames();
  RedrawNow();
}

void CTKDatePickerControl::SetShowWeekNumbers(BOOL show) {
  m_bShowWeekNumbers = show;
  AdjustLayout(m_rcLayout);
  RedrawControl(FALSE);
}

void CTKDatePickerControl::SetGridSize(int rows, int cols, BOOL restrict) {
  m_nRows = m_nRequestedRows = std::max(1, rows);
  m_nColumns = m_nRequestedColumns = std::max(1, cols);
  m_bRestrictMode = restrict;
  Populate();
}

void CTKDatePickerControl::SetFirstDayOfWeek(int day) {
  if (day < 1 || day > 7) return;
  m_nFirstDayOfWeek = day;
  Populate();
}

CTKDatePickerItemMonth* CTKDatePickerControl::GetMonth(int index) const {
  if (index < 0 || index >= GetMonthCount()) return nullptr;
  return m_arrMonthArray[static_cast<std::size_t>(index)];
}

CTKDatePickerItemMonth* CTKDatePickerControl::HitTestMonth(CPoint point) {
  for (CTKDatePickerItemMonth* m : m_arrMonthArray)
    if (m->m_rcMonth.PtInRect(point)) return m;
  return nullptr;
}

DWORD CTKDatePickerControl::HitTest(PMCHITTESTINFO info) {
  if (!info) return 0;
  const CPoint pt(info->pt);
  CTKDatePickerItemMonth* month = HitTestMonth(pt);
  if (!month) return info->uHit = MCHT_CALENDARBK;
  auto fill = [info](const COleDateTime& d) { d.GetAsSystemTime(info->st); };
  if (CTKDatePickerItemDay* day = month->HitTestDay(pt, TRUE)) {
    fill(day->GetDate());
    const int rel = MonthsBetween(day->GetDate(), month->GetMonth());
    info->uHit = rel < 0 ? MCHT_CALENDARDATEPREV : rel > 0 ? MCHT_CALENDARDATENEXT : MCHT_CALENDARDATE;
    return info->uHit;
  }
  fill(month->GetMonth());
  if (month->m_rcDaysOfWeek.PtInRect(pt)) {
    if (CTKDatePickerItemDay* day = month->HitTestDay(CPoint(pt.x, month->m_rcDaysOfWeek.bottom + 1), TRUE))
      fill(day->GetDate());
    info->uHit = MCHT_CALENDARDAY;
  } else if (month->m_rcWeekNumbers.PtInRect(pt)) {
    if (CTKDatePickerItemDay* day = month->HitTestDay(CPoint(month->m_rcWeekNumbers.right + 1, pt.y), TRUE))
      fill(day->GetDate());
    info->uHit = MCHT_CALENDARWEEKNUM;
  } else if (month->m_rcHeader.PtInRect(pt) && !(month->m_bShowRightScroll && month->m_rcRightScroll.PtInRect(pt)) &&
             !(month->m_bShowLeftScroll && month->m_rcLeftScroll.PtInRect(pt))) {
    info->uHit = MCHT_TITLEMONTH;
  } else if (month->m_bShowRightScroll && month->m_rcRightScroll.PtInRect(pt)) {
    info->uHit = MCHT_TITLEBTNNEXT;
  } else if (month->m_bShowLeftScroll && month->m_rcLeftScroll.PtInRect(pt)) {
    info->uHit = MCHT_TITLEBTNPREV;
  } else {
    info->uHit = MCHT_NOWHERE;
  }
  return info->uHit;
}

// ---- scrolling -----------------------------------------------------------------------------------
void CTKDatePickerControl::ScrollLeft(int months) {
  const int y = m_dtFirstMonth.GetYear(), m = m_dtFirstMonth.GetMonth();
  if (y < 100 || (y == 100 && m < 3)) return;
  int m2 = m - months % 12, y2 = y - months / 12;
  if (m2 <= 0) {
    m2 += 12;
    y2 -= 1;
  }
  if (IsValid(m_dtMinRange)) {
    const int minY = m_dtMinRange.GetYear(), minM = m_dtMinRange.GetMonth();
    if (y2 < minY) {
      y2 = minY;
      m2 = minM;
    } else if (y2 == minY && m2 < minM) {
      m2 = minM;
    }
  }
  // The first month shown is never before February of the year 100.
  if (y2 < 100 || (y2 == 100 && m2 < 2)) {
    y2 = 100;
    m2 = 2;
  }
  m_dtFirstMonth = MonthStart(y2, m2);
  Populate();
}

void CTKDatePickerControl::ScrollRight(int months) {
  int y2 = m_dtFirstMonth.GetYear() + months / 12, m2 = m_dtFirstMonth.GetMonth() + months % 12;
  if (m2 > 12) {
    m2 -= 12;
    y2 += 1;
  }
  if (IsValid(m_dtMaxRange)) {
    const int latest = m_dtMaxRange.GetYear() * 12 + (m_dtMaxRange.GetMonth() - 1) - (m_nRows * m_nColumns - 1);
    if (y2 * 12 + (m2 - 1) > latest) {
      y2 = latest / 12;
      m2 = latest % 12 + 1;
    }
  }
  if (y2 > 9999) {
    y2 = 9999;
    m2 = 12;
  }
  m_dtFirstMonth = MonthStart(y2, m2);
  ScrollLeft(0);
}

LRESULT CTKDatePickerControl::SendNotification(int code, NMHDR* header) {
  if (!m_hWnd) return 0;
  NMHDR local{};
  if (!header) header = &local;
  header->hwndFrom = m_hWnd;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
  header->code = static_cast<UINT>(code);
  HWND target = m_hWndOwner ? m_hWndOwner : ::GetParent(m_hWnd);
  if (!target) return 0;
  return ::SendMessage(target, WM_NOTIFY, static_cast<WPARAM>(header->idFrom), reinterpret_cast<LPARAM>(header));
}

// ---- selection -----------------------------------------------------------------------------------
BOOL CTKDatePickerControl::IsSelected(const COleDateTime& date) {
  if ((m_mouseMode == mouseSelecting || m_mouseMode == mouseDeselecting) && IsValid(m_dtFirstClicked) &&
      IsValid(m_dtLastClicked)) {
    const int day = DayOf(date), anchor = DayOf(m_dtFirstClicked), end = DayOf(m_dtLastClicked);
    if (day >= std::min(anchor, end) && day <= std::max(anchor, end)) {
      if (m_mouseMode == mouseDeselecting) return FALSE;
      if (m_nMaxSelectionDays == -1 ||
          m_pSelectedDays->GetSelectedDaysCount() + std::abs(day - anchor) < m_nMaxSelectionDays)
        return TRUE;
    }
  }
  return m_pSelectedDays->IsSelected(date);
}

BOOL CTKDatePickerControl::IsFocused(const COleDateTime& date) {
  return IsValid(m_dtFocused) && DayOf(m_dtFocused) == DayOf(date);
}

void CTKDatePickerControl::ClearFocus() {
  m_dtFocused = NullDate();
  m_dtFSelBase = NullDate();
}

void CTKDatePickerControl::Select(const COleDateTime& date) {
  ClearFocus();
  if (m_nMaxSelectionDays == -1 || m_pSelectedDays->GetSelectedDaysCount() < m_nMaxSelectionDays)
    m_pSelectedDays->AddDay(date);
}

void CTKDatePickerControl::Deselect(const COleDateTime& date) {
  ClearFocus();
  m_pSelectedDays->RemoveDay(date);
  RedrawControl(FALSE);
}

void CTKDatePickerControl::EnsureVisible(const COleDateTime& date) {
  if (!IsValid(date)) return;
  for (CTKDatePickerItemMonth* m : m_arrMonthArray)
    if (m->GetMonth().GetYear() == date.GetYear() && m->GetMonth().GetMonth() == date.GetMonth()) return;
  m_dtFirstMonth = MonthStart(date.GetYear(), date.GetMonth());
  Populate();
}

BOOL CTKDatePickerControl::EnsureSelectionVisible() {
  COleDateTime first, last, lo, hi;
  if (!GetVisibleDays(first, last) || !GetSelRange(lo, hi)) return FALSE;
  if (DayOf(lo) > DayOf(last)) ScrollRight(std::max(1, MonthsBetween(lo, last) + MonthsBetween(hi, lo)));
  else if (DayOf(hi) > DayOf(last)) ScrollRight(std::max(1, MonthsBetween(hi, last)));
  if (!GetVisibleDays(first, last) || !GetSelRange(lo, hi)) return FALSE;
  if (DayOf(lo) >= DayOf(first) && DayOf(hi) <= DayOf(last)) return FALSE;
  EnsureVisible(hi);
  EnsureVisible(lo);
  return TRUE;
}

void CTKDatePickerControl::EnsureFocusVisible() {
  if (!IsValid(m_dtFocused)) return;
  const COleDateTime focus = m_dtFocused;
  COleDateTime first, last;
  if (!GetVisibleDays(first, last)) return;
  if (DayOf(focus) > DayOf(last)) ScrollRight(std::max(1, MonthsBetween(focus, last)));
  if (GetVisibleDays(first, last) && (DayOf(focus) < DayOf(first) || DayOf(focus) > DayOf(last))) EnsureVisible(focus);
}

BOOL CTKDatePickerControl::GetSelRange(COleDateTime& first, COleDateTime& last) const {
  return m_pSelectedDays->GetMinMax(first, last);
}

BOOL CTKDatePickerControl::SetSelRange(const COleDateTime& first, const COleDateTime& last) {
  ClearFocus();
  m_pSelectedDays->SelectRange(first, last);
  m_dtFirstClicked = first;
  m_dtLastClicked = last;
  RedrawControl(FALSE);
  return TRUE;
}

BOOL CTKDatePickerControl::GetCurSel(COleDateTime& date) const {
  COleDateTime first;
  return m_pSelectedDays->GetMinMax(first, date);
}

BOOL CTKDatePickerControl::SetCurSel(const COleDateTime& date) { return SetSelRange(date, date); }

BOOL CTKDatePickerControl::GetToday(COleDateTime& date) const {
  date = m_dtToday;
  return TRUE;
}

BOOL CTKDatePickerControl::SetToday(const COleDateTime& date) {
  m_dtToday = date;
  RedrawControl(FALSE);
  return TRUE;
}

DWORD CTKDatePickerControl::GetRange(COleDateTime* minimum, COleDateTime* maximum) const {
  DWORD mask = 0;
  if (minimum) {
    *minimum = m_dtMinRange;
    if (IsValid(m_dtMinRange)) mask |= 1;
  }
  if (maximum) {
    *maximum = m_dtMaxRange;
    if (IsValid(m_dtMaxRange)) mask |= 2;
  }
  return mask;
}

BOOL CTKDatePickerControl::SetRange(const COleDateTime* minimum, const COleDateTime* maximum) {
  if (minimum) {
    m_dtMinRange = *minimum;
    ScrollLeft(0);
  }
  if (maximum) {
    m_dtMaxRange = *maximum;
    ScrollRight(0);
  }
  return TRUE;
}

BOOL CTKDatePickerControl::SetRangeByValue(const COleDateTime& minRange, const COleDateTime& maxRange,
                                           const COleDateTime& minimum, const COleDateTime& maximum) {
  SetRange(&minRange, &maxRange);
  m_dtMinRange = minimum;
  m_dtMaxRange = maximum;
  return TRUE;
}

void CTKDatePickerControl::SetMaxSelCount(int count) {
  m_nMaxSelectionDays = count;
  if (count != -1 && m_pSelectedDays->GetSelectedDaysCount() > count) {
    m_pSelectedDays->Clear();
    RedrawControl(FALSE);
  }
}

void CTKDatePickerControl::SetPaintManager(CTKDatePickerPaintManager* paintManager) {
  if (!paintManager) paintManager = new CTKDatePickerPaintManager;
  if (m_pPaintManager) m_pPaintManager->InternalRelease();
  m_pPaintManager = paintManager;
  m_pPaintManager->RefreshMetrics();
  RedrawControl(FALSE);
}

CString CTKDatePickerControl::GetMonthName(int month) const {
  if (month < 1 || month > 12) return CString();
  return m_arMonthNames[month - 1];
}

CString CTKDatePickerControl::GetDayOfWeekName(int dayOfWeek) const {
  if (dayOfWeek < 1 || dayOfWeek > 7) return CString();
  return m_arDayOfWeekNames[dayOfWeek - 1];
}

BOOL CTKDatePickerControl::GetVisibleDays(COleDateTime& first, COleDateTime& last) const {
  if (m_arrMonthArray.empty()) return FALSE;
  const CTKDatePickerItemMonth* head = m_arrMonthArray.front();
  first = head->GetDay(0)->GetDate();
  if (!head->m_bShowDaysBefore)
    for (const CTKDatePickerItemDay* d : head->m_arrDays)
      if (d->GetDate().GetMonth() == head->GetMonth().GetMonth()) {
        first = d->GetDate();
        break;
      }
  const CTKDatePickerItemMonth* tail = m_arrMonthArray.back();
  last = tail->GetDay(tail->GetDayCount() - 1)->GetDate();
  // Cells past 31 December 9999 hold no day.
  for (int k = tail->GetDayCount() - 1; k > 0 && !IsValid(last); --k) last = tail->GetDay(k - 1)->GetDate();
  if (!tail->m_bShowDaysAfter)
    for (auto it = tail->m_arrDays.rbegin(); it != tail->m_arrDays.rend(); ++it)
      if ((*it)->GetDate().GetMonth() == tail->GetMonth().GetMonth()) {
        last = (*it)->GetDate();
        break;
      }
  return TRUE;
}

int CTKDatePickerControl::GetMonthRange(COleDateTime& first, COleDateTime& last, BOOL monthsOnly) const {
  first = m_dtFirstMonth;
  if (m_arrMonthArray.empty()) {
    last = first;
    return 0;
  }
  const COleDateTime lastShown = m_arrMonthArray.back()->GetMonth();
  last = AddMonthsKeepDay(MonthStart(lastShown.GetYear(), lastShown.GetMonth()), 1);
  if (monthsOnly) return m_nRows * m_nColumns;
  int count = GetMonthCount();
  const CTKDatePickerItemMonth* tail = m_arrMonthArray.back();
  const COleDateTime lastCell = tail->GetDay(tail->GetDayCount() - 1)->GetDate();
  if (IsValid(lastCell) && MonthsBetween(lastCell, last) != 0 && DayOf(lastCell) >= DayOf(last)) {
    last = AddMonthsKeepDay(last, 1);
    ++count;
  }
  const COleDateTime firstCell = m_arrMonthArray.front()->GetDay(0)->GetDate();
  if (MonthsBetween(firstCell, first) != 0) {
    first = AddMonthsKeepDay(first, -1);
    ++count;
  }
  return count;
}

// ---- layout --------------------------------------------------------------------------------------
void CTKDatePickerControl::AddButton(int id) {
  auto* button = new CTKDatePickerButton;
  button->m_nID = id;
  m_arrButtons.push_back(button);
}

void CTKDatePickerControl::RefreshLocale() {
  LoadLocaleNames();
  AdjustLayout(m_rcLayout);
}

void CTKDatePickerControl::SendEvent(UINT code, WPARAM wParam, LPARAM lParam) {
  if (m_pConnection) m_pConnection->BroadcastEvent(code, wParam, lParam);
}

void CTKDatePickerControl::LoadLocaleNames() {
  for (int i = 0; i < 12; ++i) m_arMonthNames[i] = CTKCalendarLocale::GetLocaleString(LOCALE_SMONTHNAME1 + i, 255);
  for (int d = 0; d < 7; ++d)
    m_arDayOfWeekNames[(d + 1) % 7] = CTKCalendarLocale::GetLocaleString(LOCALE_SABBREVDAYNAME1 + d, 255);
  CTKCalendarLocale::ShortenDayNames(m_arDayOfWeekNames, m_bRightToLeft);
  m_strYearMonthFormat.Empty();
  if (GetOSVersionInfo()->IsWin2000OrLater())
    m_strYearMonthFormat = CTKCalendarLocale::GetLocaleString(LOCALE_SYEARMONTH, 256);
}

void CTKDatePickerControl::Populate() {
  ClearMonths();
  CreateMonths();
  if (!m_rcLayout.IsRectEmpty()) AdjustLayout(m_rcLayout);
  RedrawControl(FALSE);
  ClearFocus();
  SendEvent(TK_DPEVENT_POPULATED);
  SendNotification(TK_DPNOTIFY_POPULATED);
}

void CTKDatePickerControl::RedrawControl(BOOL updateNow) {
  m_bChanged = TRUE;
  if (!m_hWnd || m_nLockUpdateCount > 0) return;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  if (updateNow) ::UpdateWindow(m_hWnd);
}

void CTKDatePickerControl::ClearMonths() {
  for (CTKDatePickerItemMonth* m : m_arrMonthArray) m->InternalRelease();
  m_arrMonthArray.clear();
}

void CTKDatePickerControl::CreateMonths() {
  // The last month of the grid is at most December 9999: a first month
  // later than that would repeat December in every following cell.
  const int count = m_nRows * m_nColumns;
  const int latestFirst = 9999 * 12 + 11 - (count - 1);
  if (m_dtFirstMonth.GetStatus() == COleDateTime::valid && latestFirst >= 100 * 12 &&
      m_dtFirstMonth.GetYear() * 12 + m_dtFirstMonth.GetMonth() - 1 > latestFirst)
    m_dtFirstMonth = MonthStart(latestFirst / 12, latestFirst % 12 + 1);
  COleDateTime date = m_dtFirstMonth;
  for (int row = 0; row < m_nRows; ++row)
    for (int col = 0; col < m_nColumns; ++col) {
      auto* month = new CTKDatePickerItemMonth(this, date, row, col);
      m_arrMonthArray.push_back(month);
      // From the month the item shows (January of the year 100 shows as
      // February), so no month appears twice.
      const COleDateTime shown = month->GetMonth();
      date = AddMonthsKeepDay(MonthStart(shown.GetYear(), shown.GetMonth()), 1);
    }
  if (m_arrMonthArray.empty()) return;
  CTKDatePickerItemMonth* head = m_arrMonthArray.front();
  CTKDatePickerItemMonth* tail = m_arrMonthArray.back();
  head->m_bShowDaysBefore = m_bShowNonMonthDays;
  tail->m_bShowDaysAfter = m_bShowNonMonthDays;
  head->m_bShowLeftScroll = !(IsValid(m_dtMinRange) && DayOf(head->GetMonth()) <= DayOf(m_dtMinRange));
  CTKDatePickerItemMonth* rowEnd = m_arrMonthArray[static_cast<std::size_t>(m_nColumns - 1)];
  rowEnd->m_bShowRightScroll = !(IsValid(m_dtMaxRange) && DayOf(tail->GetMonth()) + 30 >= DayOf(m_dtMaxRange));
}

CSize CTKDatePickerControl::CalcGridSize(CRect area) {
  CWnd* owner = GetOwner();
  CWindowDC dc(owner);
  CSize size = m_pPaintManager->GetMonthSize(&dc);
  size.cy += 2;
  int rows = std::max(1, size.cy ? area.Height() / size.cy : 1);
  int cols = std::max(1, size.cx ? area.Width() / size.cx : 1);
  auto reduceTo = [&rows, &cols](int limit) {
    while (rows * cols > limit) {
      if (rows > cols) {
        if (rows == 1) break;
        --rows;
      } else {
        if (cols == 1) break;
        --cols;
      }
    }
  };
  if (IsValid(m_dtMaxRange)) {
    const int g = MonthsBetween(m_dtMaxRange, m_dtFirstMonth) + 1;
    if (IsValid(m_dtMinRange)) {
      const int s = MonthsBetween(m_dtMaxRange, m_dtMinRange) + 1;
      if (s == 12) {
        if (cols >= 6 && rows >= 2) {
          cols = 6;
          rows = 2;
        }
        if (cols == 5 && rows > 2) {
          cols = 4;
          rows = 3;
        }
      }
      reduceTo(s);
    }
    if (rows * cols > g) {
      const COleDateTime moved = AddMonthsKeepDay(m_dtFirstMonth, -(rows * cols - g));
      m_dtFirstMonth = MonthStart(moved.GetYear(), moved.GetMonth());
    }
    if (IsValid(m_dtMinRange) && DayOf(m_dtFirstMonth) < DayOf(m_dtMinRange)) {
      m_dtFirstMonth = MonthStart(m_dtMinRange.GetYear(), m_dtMinRange.GetMonth());
      reduceTo(g);
    }
  }
  m_nRows = rows;
  m_nColumns = cols;
  return size;
}

void CTKDatePickerControl::AdjustLayout(CRect rect) {
  if (!m_hWnd) return;
  if (CTKCalendarLocale::GetLocaleID() != m_lcidActiveLocale) {
    m_lcidActiveLocale = CTKCalendarLocale::GetLocaleID();
    LoadLocaleNames();
  }
  m_dtToday = COleDateTime::GetCurrentTime();
  m_rcLayout = rect;
  const CSize buttonSize = CalcButtonSize();
  CRect area = rect;
  m_pPaintManager->DrawBorder(nullptr, this, area, FALSE);
  if (m_arrButtons.GetVisibleCount() > 0) area.bottom -= buttonSize.cy;
  int cx = 0, cy = 0;
  if (m_bAutoSize) {
    const CSize size = CalcGridSize(area);
    cx = size.cx;
    cy = size.cy;
    if (m_bRestrictMode) {
      m_nRows = std::min(m_nRequestedRows, m_nRows);
      m_nColumns = std::min(m_nRequestedColumns, m_nColumns);
    }
    const int left = std::max(0, (area.left + area.right - m_nColumns * cx) / 2);
    const int top = std::max(0, (area.top + area.bottom - m_nRows * cy) / 2);
    area.SetRect(left, top, left + m_nColumns * cx, top + m_nRows * cy);
    ClearMonths();
    CreateMonths();
  } else {
    cx = area.Width() / std::max(1, m_nColumns);
    cy = area.Height() / std::max(1, m_nRows);
  }
  m_rcGrid = area;
  AdjustButtons();
  for (int i = 0; i < m_nRows; ++i)
    for (int j = 0; j < m_nColumns; ++j) {
      CTKDatePickerItemMonth* month = GetMonth(i * m_nColumns + j);
      if (!month) continue;
      CRect r(area.left + j * cx, area.top + i * cy, area.left + j * cx + cx, area.top + i * cy + cy);
      r.DeflateRect(1, 1);
      month->AdjustLayout(r, !m_bAutoSize);
    }
  m_bChanged = TRUE;
}

BOOL CTKDatePickerControl::GetMinReqRect(RECT* rect, int rows, int cols) {
  if (!rect) return FALSE;
  CWindowDC dc(nullptr);
  const CSize size = m_pPaintManager->GetMonthSize(&dc);
  CRect border(0, 0, 100, 100);
  m_pPaintManager->DrawBorder(nullptr, this, border, FALSE);
  const int b = border.left;
  *rect = CRect(0, 0, cols * size.cx + 2 * b, rows * size.cy + 2 * b);
  if (m_arrButtons.GetVisibleCount() > 0) rect->bottom += CalcButtonSize().cy;
  return TRUE;
}

BOOL CTKDatePickerControl::GetMinReqRect(RECT* rect) { return GetMinReqRect(rect, 1, 1); }

BOOL CTKDatePickerControl::AutoSize(BOOL redraw) {
  CRect rect;
  GetMinReqRect(&rect);
  UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  if (!redraw) flags |= SWP_NOREDRAW;
  return SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height(), flags);
}

CSize CTKDatePickerControl::CalcButtonSize(CSize) {
  if (m_arrButtons.empty()) return CSize(0, 0);
  CWindowDC dc(nullptr);
  CFont* old = dc.SelectObject(m_pPaintManager->GetButtonFont());
  CSize size(0, 0);
  for (CTKDatePickerButton* b : m_arrButtons) {
    const CSize extent = dc.GetTextExtent(b->GetCaption());
    size.cx = std::max(size.cx, extent.cx + 12);
    size.cy = std::max(size.cy, extent.cy + 6);
  }
  dc.SelectObject(old);
  return size;
}

void CTKDatePickerControl::PositionButtons() {
  const CSize size = CalcButtonSize();
  const int n = m_arrButtons.GetVisibleCount();
  int x = (m_rcGrid.left + m_rcGrid.right) / 2 - ((size.cx + 10) * n - 10) / 2;
  for (CTKDatePickerButton* b : m_arrButtons) {
    if (!b->m_bVisible) continue;
    b->m_rcButton.SetRect(x, m_rcGrid.bottom + 1, x + size.cx, m_rcGrid.bottom + 1 + size.cy);
    x += size.cx + 10;
  }
}

void CTKDatePickerControl::AdjustButtons() { PositionButtons(); }

// ---- drawing -------------------------------------------------------------------------------------
void CTKDatePickerControl::Draw(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  m_pPaintManager->DrawBackground(dc, client);
  for (CTKDatePickerItemMonth* m : m_arrMonthArray) m->Draw(dc);
  DrawButtons(dc);
  m_pPaintManager->DrawBorder(dc, this, client, TRUE);
}

void CTKDatePickerControl::DrawButtons(CDC* dc) {
  for (CTKDatePickerButton* b : m_arrButtons)
    if (b->m_bVisible) m_pPaintManager->DrawButton(dc, b->m_rcButton, b->GetCaption(), b->m_bPressed, b->m_bHighlight);
}

int CTKDatePickerControl::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  CRect client;
  GetClientRect(&client);
  AdjustLayout(client);
  if (m_bRightToLeft) SetLayoutRTL(TRUE);
  return 0;
}

BOOL CTKDatePickerControl::OnEraseBkgnd(CDC*) { return TRUE; }

void CTKDatePickerControl::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  if (m_bChanged || !m_bmpCache.GetSafeHandle()) {
    m_bmpCache.DeleteObject();
    m_bmpCache.CreateCompatibleBitmap(&dc, std::max(1, client.Width()), std::max(1, client.Height()));
    CBitmap* old = memory.SelectObject(&m_bmpCache);
    Draw(&memory);
    if (!IsWindowEnabled()) DisableArea(&memory, client, RGB(0xFA, 0xFA, 0xFA), RGB(0x80, 0x80, 0x80));
    dc.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
    m_bChanged = FALSE;
  } else {
    CBitmap* old = memory.SelectObject(&m_bmpCache);
    dc.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
  }
}

LRESULT CTKDatePickerControl::OnPrintClient(CDC* dc, UINT) {
  if (dc && dc->GetSafeHdc()) Draw(dc);
  return 1;
}

void CTKDatePickerControl::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  AdjustLayout(CRect(0, 0, cx, cy));
}

// ---- mouse ---------------------------------------------------------------------------------------
void CTKDatePickerControl::StartRepeatTimer(UINT elapse) {
  if (!m_hWnd) return;
  m_nTimerID = SetTimer(TK_DATEPICKER_TIMERID, elapse);
}

void CTKDatePickerControl::KillRepeatTimer() {
  if (m_nTimerID && m_hWnd) KillTimer(m_nTimerID);
  m_nTimerID = 0;
}

void CTKDatePickerControl::CloseMonthList() {
  if (!m_pListControl) return;
  CTKDatePickerList* list = m_pListControl;
  m_pListControl = nullptr;
  if (list->m_hWnd) list->DestroyWindow();
  delete list;
}

void CTKDatePickerControl::OnLButtonDown(UINT flags, CPoint point) {
  if (m_bIsModal && !m_rcLayout.PtInRect(point)) {
    EndModal(IDCANCEL);
    return;
  }
  if (!m_bIsModal) SetCapture();
  SetFocus();
  if (CTKDatePickerItemMonth* month = HitTestMonth(point)) month->OnLButtonDown(flags, point);
  m_pButtonCaptured = m_arrButtons.HitTest(point);
  UpdateButtonsState(point.x, point.y);
  Default();
}

void CTKDatePickerControl::OnLButtonDblClk(UINT flags, CPoint point) {
  if (CTKDatePickerItemMonth* month = HitTestMonth(point)) month->OnLButtonDown(flags, point);
  m_pButtonCaptured = m_arrButtons.HitTest(point);
  UpdateButtonsState(point.x, point.y);
  Default();
}

void CTKDatePickerControl::ApplyDrag() {
  if (!IsValid(m_dtFirstClicked) || !IsValid(m_dtLastClicked)) return;
  // Whole days from the anchor to the end, half a second away from zero.
  double span = static_cast<double>(m_dtLastClicked - m_dtFirstClicked);
  span += span < 0 ? -0.5 / 86400.0 : 0.5 / 86400.0;
  const int n = static_cast<int>(span);
  // From the far end toward the anchor, so that the days nearest the anchor
  // win when the maximum cuts the range.
  for (int c = n;; c += (n > 0 ? -1 : 1)) {
    const COleDateTime day = AddDays(m_dtFirstClicked, c);
    if (m_mouseMode == mouseDeselecting) m_pSelectedDays->RemoveDay(day);
    else if (IsSelected(day)) m_pSelectedDays->AddDay(day);
    if (c == 0) break;
  }
  RedrawControl(FALSE);
}

void CTKDatePickerControl::OnLButtonUp(UINT flags, CPoint point) {
  KillRepeatTimer();
  if (m_mouseMode == mouseTrackingHeaderList) {
    m_mouseMode = mouseNothing;
    const int offset = m_pListControl ? m_pListControl->GetMonthOffset() : 0;
    CloseMonthList();
    if (offset < 0) ScrollLeft(-offset);
    else if (offset > 0) ScrollRight(offset);
  } else {
    if (CTKDatePickerItemMonth* month = HitTestMonth(point)) month->OnLButtonUp(flags, point);
    if (m_mouseMode == mouseSelecting || m_mouseMode == mouseDeselecting) {
      ApplyDrag();
      m_mouseMode = mouseNothing;
      SendEvent(TK_DPEVENT_SELCHANGED);
      SendNotification(TK_DPNOTIFY_SELCHANGED);
      OnSelectionDone();
    }
  }
  if (!m_hWnd) return;
  if (!m_bIsModal && ::GetCapture() == m_hWnd) ::ReleaseCapture();
  m_pButtonCaptured = nullptr;
  UpdateButtonsState(point.x, point.y);
  m_mouseMode = mouseNothing;
  Default();
}

void CTKDatePickerControl::OnMouseMove(UINT flags, CPoint point) {
  if (m_mouseMode == mouseTrackingHeaderList) {
    if (m_pListControl && m_pListControl->m_hWnd) {
      m_pListControl->Invalidate(FALSE);
      m_pListControl->UpdateWindow();
    }
  } else if (CTKDatePickerItemMonth* month = HitTestMonth(point)) {
    month->OnMouseMove(flags, point);
  }
  UpdateButtonsState(point.x, point.y);
  Default();
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = m_hWnd;
  ::TrackMouseEvent(&tme);
  SendEvent(TK_DPEVENT_MOUSEMOVE, MAKELONG(point.x, point.y), 0);
}

void CTKDatePickerControl::OnMouseLeave() {
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_CANCEL;
  tme.hwndTrack = m_hWnd;
  ::TrackMouseEvent(&tme);
  UpdateButtonsState(-1, -1);
}

void CTKDatePickerControl::UpdateButtonsState(int x, int y) {
  const CPoint pt(x, y);
  for (CTKDatePickerButton* b : m_arrButtons) {
    const BOOL inside = b->m_bVisible && b->m_rcButton.PtInRect(pt);
    if (b == m_pButtonCaptured) {
      if (b->m_bPressed != inside) {
        b->m_bPressed = inside;
        RedrawControl(FALSE);
      }
    } else if (b->m_bPressed) {
      b->m_bPressed = FALSE;
      if (inside) OnButtonClick(b->m_nID);
      RedrawControl(FALSE);
    }
    const BOOL hot = b == m_pButtonCaptured || (!m_pButtonCaptured && inside);
    if (hot != b->m_bHighlight) {
      b->m_bHighlight = hot;
      RedrawControl(FALSE);
    }
  }
}

LRESULT CTKDatePickerControl::OnButtonClick(int id) {
  SendEvent(TK_DPEVENT_BUTTONCLICK, static_cast<WPARAM>(id));
  TK_NMHDR_DPBUTTON nm{};
  nm.nButton = id;
  const LRESULT result = SendNotification(TK_DPNOTIFY_BUTTONCLICK, &nm.hdr);
  if (id == TK_IDS_DATEPICKER_TODAY) {
    ClearFocus();
    m_pSelectedDays->Clear();
    EnsureVisible(m_dtToday);
    Select(m_dtToday);
  } else if (id == TK_IDS_DATEPICKER_NONE) {
    ClearFocus();
    m_pSelectedDays->Clear();
  } else {
    return result;
  }
  RedrawControl(FALSE);
  SendEvent(TK_DPEVENT_SELCHANGED);
  SendNotification(TK_DPNOTIFY_SELCHANGED);
  OnSelectionDone();
  return TRUE;
}

void CTKDatePickerControl::ShowMonthList(CRect headerRect, const COleDateTime& month) {
  CloseMonthList();
  if (!m_bIsModal) SetCapture();
  m_pListControl = new CTKDatePickerList(this, month);
  m_pListControl->Create(headerRect);
  StartRepeatTimer(133);
  m_mouseMode = mouseTrackingHeaderList;
}

void CTKDatePickerControl::OnCaptureChanged(CWnd*) {
  KillRepeatTimer();
  if (m_mouseMode == mouseTrackingHeaderList) {
    m_mouseMode = mouseNothing;
    CloseMonthList();
  }
  m_pButtonCaptured = nullptr;
  // The pop-up lost its mouse to someone else: nothing was chosen.
  EndModal(IDCANCEL);
}

void CTKDatePickerControl::OnCancelMode() { Default(); }

void CTKDatePickerControl::OnTimer(UINT_PTR id) {
  if (id == TK_DATEPICKER_TIMERID) {
    const int step = m_nMonthDelta ? m_nMonthDelta : 1;
    if (m_mouseMode == mouseScrollingLeft) ScrollLeft(step);
    else if (m_mouseMode == mouseScrollingRight) ScrollRight(step);
    else if (m_mouseMode == mouseTrackingHeaderList && m_pListControl) m_pListControl->OnTimerStep();
  }
  Default();
}

void CTKDatePickerControl::OnTimeChange() {
  Default();
  m_dtToday = CTKCalendarLocale::GetCurrentDate();
  RedrawControl(FALSE);
}

void CTKDatePickerControl::OnSysColorChange() {
  m_pPaintManager->RefreshMetrics();
  AdjustLayout(m_rcLayout);
  RedrawControl(FALSE);
}

BOOL CTKDatePickerControl::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (hitTest == HTCLIENT) {
    const CPoint pt = GetCursorPosInClient(this);
    if (CTKDatePickerItemMonth* month = HitTestMonth(pt))
      if (month->OnSetCursor(pt)) return TRUE;
  }
  return static_cast<BOOL>(Default());
}

void CTKDatePickerControl::OnSetFocus(CWnd*) {
  Default();
  RedrawNow();
}

void CTKDatePickerControl::OnKillFocus(CWnd*) {
  Default();
  RedrawNow();
}

void CTKDatePickerControl::OnEnable(BOOL) { RedrawControl(FALSE); }

UINT CTKDatePickerControl::OnGetDlgCode() { return DLGC_WANTARROWS; }

void CTKDatePickerControl::OnDestroy() {
  EndModal(IDABORT);
  CWnd::OnDestroy();
}

// ---- keyboard ------------------------------------------------------------------------------------
void CTKDatePickerControl::EnsureFocusDay() {
  if (IsValid(m_dtFocused)) return;
  COleDateTime lo, hi;
  const BOOL any = GetSelRange(lo, hi);
  if (any) m_dtFocused = lo;
  else m_dtFocused = m_arrMonthArray.empty() ? m_dtFirstMonth : m_arrMonthArray.front()->GetMonth();
  if (any && IsValid(m_dtFirstClicked) && DayOf(m_dtFirstClicked) >= DayOf(lo) && DayOf(m_dtFirstClicked) <= DayOf(hi))
    m_dtFSelBase = m_dtFirstClicked;
  else m_dtFSelBase = m_dtFocused;
}

void CTKDatePickerControl::ApplyKeyboardMove(const COleDateTime& focus, BOOL shift, BOOL ctrl) {
  m_dtFocused = DateOfDay(CTKDatePickerDaysCollection::ClampToCalendar(DayOf(focus)));
  if (shift) {
    const int anchor = CTKDatePickerDaysCollection::ClampToCalendar(DayOf(m_dtFSelBase));
    int end = DayOf(m_dtFocused);
    if (m_nMaxSelectionDays == 0) {
      m_pSelectedDays->Clear();
      return;
    }
    if (m_nMaxSelectionDays > 0 && std::abs(end - anchor) + 1 > m_nMaxSelectionDays)
      end = anchor + (end > anchor ? 1 : -1) * (m_nMaxSelectionDays - 1);
    m_pSelectedDays->SelectRange(DateOfDay(anchor), DateOfDay(end));
    return;
  }
  if (!ctrl) {
    m_pSelectedDays->Clear();
    if (m_nMaxSelectionDays != 0) m_pSelectedDays->AddDay(m_dtFocused);
  }
  m_dtFSelBase = m_dtFocused;
}

void CTKDatePickerControl::MoveFocusBy(int days, BOOL shift, BOOL ctrl) {
  ApplyKeyboardMove(AddDays(m_dtFocused, days), shift, ctrl);
}

void CTKDatePickerControl::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (key == 0) return;
  if (key == VK_RETURN || key == VK_ESCAPE) {
    if (m_bIsModal) {
      EndModal(key == VK_RETURN ? IDOK : IDCANCEL);
      return;
    }
    Default();
    return;
  }
  switch (key) {
    case VK_SPACE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      break;
    default:
      Default();
      return;
  }
  const BOOL shift = ::GetKeyState(VK_SHIFT) < 0;
  const BOOL ctrl = ::GetKeyState(VK_CONTROL) < 0 || m_bMultiSelectionMode;
  CTKDrawHelpers::MirrorArrowKey(this, &key);
  EnsureFocusDay();
  const COleDateTime focus = m_dtFocused;
  switch (key) {
    case VK_LEFT:
      MoveFocusBy(-1, shift, ctrl);
      break;
    case VK_RIGHT:
      MoveFocusBy(1, shift, ctrl);
      break;
    case VK_UP:
      MoveFocusBy(-7, shift, ctrl);
      break;
    case VK_DOWN:
      MoveFocusBy(7, shift, ctrl);
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      const int months = (ctrl ? 12 : 1) * (key == VK_PRIOR ? -1 : 1);
      ApplyKeyboardMove(AddMonthsKeepDay(focus, months), FALSE, FALSE);
      break;
    }
    case VK_HOME:
    case VK_END: {
      COleDateTime target;
      if (ctrl) {
        const int last = static_cast<int>(pv::DaysInMonth(focus.GetYear(), static_cast<unsigned>(focus.GetMonth())));
        target = COleDateTime(focus.GetYear(), focus.GetMonth(), key == VK_HOME ? 1 : std::min(31, last), 0, 0, 0);
      } else {
        const int back = (focus.GetDayOfWeek() - m_nFirstDayOfWeek + 7) % 7;
        target = AddDays(focus, key == VK_HOME ? -back : 6 - back);
      }
      ApplyKeyboardMove(target, FALSE, FALSE);
      break;
    }
    case VK_SPACE:
      if (ctrl) {
        if (m_pSelectedDays->IsSelected(focus)) m_pSelectedDays->RemoveDay(focus);
        else if (m_nMaxSelectionDays == -1 || m_pSelectedDays->GetSelectedDaysCount() < m_nMaxSelectionDays)
          m_pSelectedDays->AddDay(focus);
      }
      break;
  }
  // The owner hears of the change; whatever it does meanwhile, the focus
  // and the keyboard anchor stay as the key left them.
  const COleDateTime savedFocus = m_dtFocused, savedAnchor = m_dtFSelBase;
  ++m_nLockUpdateCount;
  SendEvent(TK_DPEVENT_SELCHANGED);
  SendNotification(TK_DPNOTIFY_SELCHANGED);
  m_dtFocused = savedFocus;
  m_dtFSelBase = savedAnchor;
  --m_nLockUpdateCount;
  EnsureFocusVisible();
  // Scrolling rebuilds the months, which clears the focus; a Shift range
  // crossing into another month keeps its anchor.
  m_dtFocused = savedFocus;
  m_dtFSelBase = savedAnchor;
  RedrawNow();
  Default();
}

#ifndef NDEBUG
std::string CTKDatePickerControl::CheckInvariants() const {
  if (!m_pSelectedDays) return "no selected-days collection";
  if (std::string problem = m_pSelectedDays->CheckInvariants(); !problem.empty()) return "selection: " + problem;
  auto realOrNull = [](const COleDateTime& d) {
    if (d.GetStatus() == COleDateTime::null) return true;
    return IsValid(d) && CTKDatePickerDaysCollection::IsCalendarDay(DayOf(d));
  };
  if (!realOrNull(m_dtFocused)) return "the focus day is no calendar day";
  if (!realOrNull(m_dtFSelBase)) return "the keyboard anchor is no calendar day";
  if ((m_mouseMode == mouseTrackingHeaderList) != (m_pListControl != nullptr))
    return "the month list and its mouse mode disagree";
  if (GetMonthCount() != m_nRows * m_nColumns) return "the grid does not hold rows x columns months";
  for (int i = 0; i < GetMonthCount(); ++i) {
    const COleDateTime month = m_arrMonthArray[static_cast<std::size_t>(i)]->GetMonth();
    if (!IsValid(month)) return "month " + std::to_string(i) + " is not a valid date";
    if (i > 0 && MonthsBetween(month, m_arrMonthArray[static_cast<std::size_t>(i - 1)]->GetMonth()) != 1)
      return "month " + std::to_string(i) + " does not follow the month before it";
  }
  return {};
}
#endif
