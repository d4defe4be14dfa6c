#include "toolkit/report/reportdragwindows.h"

#include <algorithm>

#include "toolkit/common/scopeddc.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportheader.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

constexpr DWORD kDragExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr DWORD kDragStyle = WS_POPUP | WS_DISABLED;

LPCTSTR DragWindowClass() { return AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW)); }

}  // namespace

TK_REPORTDRAGSCROLL TKCalcReportDragScroll(int nOvershoot, BOOL bWholeColumns) {
  TK_REPORTDRAGSCROLL result;
  result.nStep = std::max(3, std::min(nOvershoot / 10, 7));
  result.nInterval = bWholeColumns ? std::max((80 - nOvershoot) * 10, 30) : std::max(100 - nOvershoot, 10);
  return result;
}

// ---- drag image ----

BEGIN_MESSAGE_MAP(CTKReportHeaderDragWnd, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_TIMER()
END_MESSAGE_MAP()

BOOL CTKReportHeaderDragWnd::Create(int left, int top, int right, int bottom, CTKReportHeader* pHeader,
                                    CTKReportPaintManager* pPaintManager, CTKReportColumn* pColumn) {
  m_pHeader = pHeader;
  m_pPaintManager = pPaintManager;
  m_pColumn = pColumn;
  if (top == bottom && pPaintManager) bottom = top + pPaintManager->GetFixedHeaderHeight();
  if (!CreateEx(kDragExStyle, DragWindowClass(), nullptr, kDragStyle, CRect(left, top, right, bottom), nullptr, 0))
    return FALSE;
  if (IsControlScrollingSideways()) SetTimer(kScrollTimer, 100);
  return TRUE;
}

void CTKReportHeaderDragWnd::Draw(CDC* pDC, CRect rc) {
  if (!m_pPaintManager || !pDC) return;
  m_pPaintManager->FillHeaderControl(pDC, rc);
  m_pPaintManager->DrawColumn(pDC, m_pColumn, m_pHeader, rc, TRUE);
}

void CTKReportHeaderDragWnd::OnPaint() {
  CPaintDC paintDC(this);
  CRect rc;
  GetClientRect(&rc);
  CTKBufferDC buffer(paintDC.GetSafeHdc(), rc);
  Draw(&buffer, rc);
}

BOOL CTKReportHeaderDragWnd::IsControlScrollingSideways() {
  CTKReportControl* control = m_pHeader ? m_pHeader->GetControl() : nullptr;
  return control && control->IsScrollBarVisible(SB_HORZ);
}

void CTKReportHeaderDragWnd::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kScrollTimer || !m_pHeader || !m_pHeader->GetControl()) return;
  CTKReportControl* control = m_pHeader->GetControl();
  if (!control->m_hWnd) return;
  CPoint cursor;
  ::GetCursorPos(&cursor);
  CRect header(control->GetElementRect(kTKReportElementHeader));
  control->ClientToScreen(&header);
  if (cursor.y < header.top || cursor.y >= header.bottom) return;

  CRect image, area;
  GetWindowRect(&image);
  control->GetWindowRect(&area);
  const BOOL rtl = (control->GetExStyle() & WS_EX_LAYOUTRTL) != 0;
  const BOOL wholeColumns = control->IsFullColumnScrolling();
  const int forward = rtl ? area.left - image.left : image.right - area.right;
  CTKReportColumn *prev = nullptr, *curr = nullptr, *next = nullptr;
  int pos = 0, count = 0;
  if (wholeColumns) m_pHeader->GetFullColumnScrollInfo(prev, curr, next, pos, count);
  const int limit = control->GetScrollLimit(SB_HORZ);
  BOOL scrolled = FALSE;
  if (forward >= 1) {
    const TK_REPORTDRAGSCROLL tick = TKCalcReportDragScroll(forward, wholeColumns);
    if (wholeColumns) {
      if (pos >= count - 1) return;
      control->SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
    } else {
      if (control->GetLeftOffset() >= limit) return;
      control->SetLeftOffset(std::min(limit, control->GetLeftOffset() + tick.nStep));
    }
    SetTimer(kScrollTimer, static_cast<UINT>(tick.nInterval));
    scrolled = TRUE;
  } else {
    // Back towards the control's left edge, or the frozen columns' right
    // edge when the image reaches into them past their middle.
    int edge = rtl ? area.right : area.left;
    const int frozen = control->GetFreezeColumnsCount();
    if (frozen > 0) {
      CTKReportColumns* columns = control->GetColumns();
      CTKReportColumn* lastFrozen = columns->GetVisibleAt(frozen - 1);
      if (lastFrozen) {
        CRect rc(lastFrozen->m_rcColumn);
        control->ClientToScreen(&rc);
        if (image.left < rc.right && cursor.x > rc.CenterPoint().x) edge = rc.right;
      }
    }
    const int back = rtl ? image.right - edge : edge - image.left;
    if (back < 1) return;
    const TK_REPORTDRAGSCROLL tick = TKCalcReportDragScroll(back, wholeColumns);
    if (wholeColumns) {
      if (pos <= 0) return;
      control->SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
    } else {
      if (control->GetLeftOffset() <= 0) return;
      control->SetLeftOffset(std::max(0, control->GetLeftOffset() - tick.nStep));
    }
    SetTimer(kScrollTimer, static_cast<UINT>(tick.nInterval));
    scrolled = TRUE;
  }
  if (scrolled) {
    control->RedrawControl();
    control->UpdateWindow();
    CPoint client(cursor);
    control->ScreenToClient(&client);
    m_pHeader->OnMouseMove(0, client);
  }
}

// ---- drop marker ----

BEGIN_MESSAGE_MAP(CTKReportHeaderDropWnd, CWnd)
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CTKReportHeaderDropWnd::BuildArrowRegion(CRgn& rgn, int h) {
  const POINT down[7] = {{8, 0}, {8, 4}, {11, 4}, {6, 9}, {1, 4}, {4, 4}, {4, 0}};
  const POINT up[7] = {{4, h}, {4, h - 4}, {0, h - 4}, {6, h - 10}, {12, h - 4}, {8, h - 4}, {8, h}};
  CRgn top, bottom;
  if (!top.CreatePolygonRgn(down, 7, WINDING) || !bottom.CreatePolygonRgn(up, 7, WINDING)) return FALSE;
  rgn.DeleteObject();
  if (!rgn.CreateRectRgn(0, 0, 0, 0)) return FALSE;
  return rgn.CombineRgn(&top, &bottom, RGN_OR) != ERROR;
}

BOOL CTKReportHeaderDropWnd::Create(CWnd*, int nHeaderHeight) {
  m_nHeight = nHeaderHeight + 20;
  if (!CreateEx(kDragExStyle, DragWindowClass(), nullptr, kDragStyle, CRect(0, 0, 12, m_nHeight), nullptr, 0))
    return FALSE;
  if (BuildArrowRegion(m_rgn, m_nHeight)) {
    // The window takes over the region it is given: it gets a copy.
    CRgn windowRgn;
    windowRgn.CreateRectRgn(0, 0, 0, 0);
    windowRgn.CopyRgn(&m_rgn);
    HRGN handed = static_cast<HRGN>(windowRgn.Detach());
    if (SetWindowRgn(handed, FALSE) == 0) ::DeleteObject(handed);
  }
  return TRUE;
}

void CTKReportHeaderDropWnd::SetPosition(int x, int y) {
  SetWindowPos(nullptr, x - 6, y - m_nHeight / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
}

BOOL CTKReportHeaderDropWnd::OnEraseBkgnd(CDC* pDC) {
  pDC->FillSolidRect(0, 0, 12, m_nHeight, m_clr);
  return TRUE;
}

void CTKReportHeaderDropWnd::PostNcDestroy() {
  m_rgn.DeleteObject();
  delete this;
}
