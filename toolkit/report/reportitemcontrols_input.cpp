// How in-cell buttons react to the mouse, and the window that holds the
// mouse while one is pressed.
#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportitemcontrols.h"

namespace {
constexpr int kStateNormal = 1;
constexpr int kStatePushed = 3;
constexpr int kStateDisabled = 4;

BOOL InRect(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}
}  // namespace

void CTKReportRecordItemButton::OnLButtonDown(TK_REPORTRECORDITEM_CLICKARGS*) {
  if (m_bEnabled) m_nState = kStatePushed;
}

void CTKReportRecordItemButton::OnLButtonUp(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  CTKReportControl* control = pClickArgs ? pClickArgs->pControl : nullptr;
  if (control && control->IsEditMode()) return;
  m_nState = m_bEnabled ? kStateNormal : kStateDisabled;
  m_nSavedState = m_nState;
  // A disabled button is not clickable: it sends nothing.
  if (!control || !m_bEnabled) return;
  if (!InRect(m_rcControl, pClickArgs->ptClient) || !InRect(m_rcControl, control->GetMouseDownPoint())) return;
  TK_NM_REPORTITEMCONTROL nm{};
  nm.pRow = pClickArgs->pRow;
  nm.pItem = pClickArgs->pItem;
  nm.pColumn = pClickArgs->pColumn;
  nm.pt = pClickArgs->ptClient;
  nm.pItemControl = this;
  control->SendOwnerNotify(TK_NM_REPORT_ITEMBUTTONCLICK, &nm.hdr);
}

void CTKReportRecordItemButton::OnMouseLeave(UINT, POINT) {
  m_nSavedState = m_nState;
  m_nState = m_bEnabled ? kStateNormal : kStateDisabled;
}

void CTKReportRecordItemButton::OnMouseEnter(UINT nFlags, POINT) {
  if (m_nSavedState == kStatePushed && (nFlags & MK_LBUTTON)) m_nState = kStatePushed;
}

void CTKReportRecordItemButton::OnMouseMove(UINT nFlags, POINT point) {
  if (InRect(m_rcControl, point) && m_nSavedState == kStatePushed && (nFlags & MK_LBUTTON)) m_nState = kStatePushed;
}

// ---- the capture window ---------------------------------------------------------------------------

CTKReportRecordItemControlHookWnd::CTKReportRecordItemControlHookWnd(TK_REPORTRECORDITEM_CLICKARGS* pClickArgs) {
  if (pClickArgs) {
    m_ClickArgs = *pClickArgs;
    m_ptClick = pClickArgs->ptClient;
  }
  if (m_ClickArgs.pItem) m_ClickArgs.pItem->InternalAddRef();
}

CTKReportRecordItemControlHookWnd::~CTKReportRecordItemControlHookWnd() {
  if (m_hWnd) DestroyWindow();
  TKReleaseHeld(m_ClickArgs.pItem);
}

LRESULT CTKReportRecordItemControlHookWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_MOUSEMOVE) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &pt);
    CTKReportRecordItem* item = m_ClickArgs.pItem;
    if (!item) return 0;
    TK_REPORTRECORDITEM_CLICKARGS args(m_ClickArgs);
    args.ptClient = pt;
    if (message == WM_LBUTTONDOWN) {
      // A press while captured lands in the control's coordinates.
      if (args.pControl && args.pControl->m_hWnd) ::ScreenToClient(args.pControl->m_hWnd, &args.ptClient);
      item->OnLButtonDown(&args);
    } else if (message == WM_LBUTTONUP) {
      item->InternalAddRef();
      item->OnLButtonUp(&args);  // destroys this window
      item->InternalRelease();
    } else {
      item->OnMouseMove(static_cast<UINT>(wParam), pt, args.pControl);
    }
    return 0;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}
