#include "toolkit/report/reportinplacebutton.h"

#include <cstdlib>

#include "toolkit/report/reportcontrol.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportrow.h"

// ---- the cell description ----------------------------------------------------------------------

CTKReportInplaceControl::~CTKReportInplaceControl() { TKReleaseHeld(pItem); }

void CTKReportInplaceControl::SetItemArgs(TK_REPORTRECORDITEM_ARGS* pItemArgs) {
  CTKReportRecordItem* previous = pItem;
  if (pItemArgs) {
    pControl = pItemArgs->pControl;
    pRow = pItemArgs->pRow;
    pColumn = pItemArgs->pColumn;
    pItem = pItemArgs->pItem;
    rcItem = pItemArgs->rcItem;
    if (pItem) pItem->InternalAddRef();
  } else {
    pControl = nullptr;
    pRow = nullptr;
    pColumn = nullptr;
    pItem = nullptr;
    rcItem = RECT{};
  }
  if (previous) previous->InternalRelease();
}

// ---- the button --------------------------------------------------------------------------------

namespace {
constexpr UINT_PTR kSpinTimer = 1;
constexpr UINT kSpinFirstDelay = 500;
constexpr UINT kSpinRepeat = 100;
}  // namespace

CTKReportInplaceButton::CTKReportInplaceButton(int nID) : m_nID(nID) {}

CTKReportInplaceButton::~CTKReportInplaceButton() {
  if (m_hWnd) DestroyWindow();
  SetItemArgs(nullptr);
}

void CTKReportInplaceButton::ResetState() {
  m_bPressed = FALSE;
  m_bPushed = FALSE;
  m_nSpinState = 0;
  m_nTickCount = 0;
  m_unSpinTimerId = 0;
  m_nSpinIncrement = 0;
}

void CTKReportInplaceButton::Create(TK_REPORTRECORDITEM_ARGS* pItemArgs, CRect& rcButtons) {
  if (!pItemArgs || !pItemArgs->pControl) return;
  SetItemArgs(pItemArgs);
  CTKReportControl* control = pItemArgs->pControl;
  CRect rect(pItemArgs->rcItem);
  if (m_bInsideCellButton) {
    rect.right = rcButtons.left;
    rect.left = rect.right - m_nWidth;
    rcButtons.left -= m_nWidth;
  } else {
    rect.left = rcButtons.right;
    rect.right = rect.left + m_nWidth;
    rcButtons.right += m_nWidth;
  }
  rect.top += 1;
  rect.bottom -= 2;
  rect.left -= 1;
  if (m_nID == kTKReportComboButton) rect.right -= 1;
  CTKReportPaintManager* paint = control->GetPaintManager();
  if (paint && paint->m_bSingleLineButtons) rect.bottom = std::min<LONG>(rect.bottom, rect.top + m_nFixedHeight);
  if (!m_hWnd) CStatic::Create(u"", WS_CHILD | SS_NOTIFY, rect, control, 0xFFFF);
  ResetState();
  if (m_hWnd) SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_SHOWWINDOW | SWP_NOZORDER);
}

void CTKReportInplaceButton::StartSpinTimer(UINT nElapse) {
  if (!m_hWnd) return;
  m_unSpinTimerId = SetTimer(kSpinTimer, nElapse, nullptr);
}

void CTKReportInplaceButton::KillSpinTimer() {
  if (m_unSpinTimerId && m_hWnd) KillTimer(kSpinTimer);
  m_unSpinTimerId = 0;
}

void CTKReportInplaceButton::NotifyItem() {
  if (pItem) pItem->OnInplaceButtonDown(this);
}

BOOL CTKReportInplaceButton::InSpinPart(CPoint point) const {
  CRect rc;
  ::GetClientRect(m_hWnd, &rc);
  if (!rc.PtInRect(point)) return FALSE;
  const BOOL upper = point.y < rc.top + rc.Height() / 2;
  return m_nSpinState == (upper ? 1 : 2);
}

void CTKReportInplaceButton::OnButtonDown(CPoint point) {
  if (m_nID == kTKReportSpinButton) {
    CRect rc;
    if (m_hWnd) ::GetClientRect(m_hWnd, &rc);
    m_bPushed = TRUE;
    m_nSpinState = point.y < rc.top + rc.Height() / 2 ? 1 : 2;
    m_nSpinIncrement = m_nSpinState == 1 ? m_nSpinStep : -m_nSpinStep;
    NotifyItem();
    // The item may have ended the edit and hidden the button meanwhile.
    if (!m_hWnd) return;
    m_nTickCount = 0;
    StartSpinTimer(kSpinFirstDelay);
  } else {
    m_bPressed = TRUE;
    m_bPushed = TRUE;
  }
  if (m_hWnd) {
    Invalidate(FALSE);
    SetCapture();
  }
}

void CTKReportInplaceButton::OnButtonMove(CPoint point) {
  if (m_nID == kTKReportSpinButton) {
    if (!m_nSpinState) return;
    const BOOL over = InSpinPart(point);
    if (over == m_bPushed) return;
    m_bPushed = over;
    if (over) {
      // Re-entering steps by one again, whatever the step.
      m_nSpinIncrement = m_nSpinState == 1 ? 1 : -1;
      m_nTickCount = 0;
      StartSpinTimer(kSpinFirstDelay);
    } else {
      KillSpinTimer();
      m_nSpinIncrement = 0;
      m_nTickCount = 0;
    }
    Invalidate(FALSE);
    return;
  }
  if (!m_bPressed) return;
  CRect rc;
  ::GetClientRect(m_hWnd, &rc);
  const BOOL over = rc.PtInRect(point);
  if (over != m_bPushed) {
    m_bPushed = over;
    Invalidate(FALSE);
  }
}

void CTKReportInplaceButton::OnButtonUp() {
  if (!m_bPressed && !m_nSpinState) return;
  const BOOL pushed = m_bPushed;
  KillSpinTimer();
  m_bPressed = FALSE;
  m_bPushed = FALSE;
  m_nSpinState = 0;
  m_nSpinIncrement = 0;
  m_nTickCount = 0;
  if (m_hWnd) {
    Invalidate(FALSE);
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  }
  // Expand and combo buttons act on release, over the button only.
  if (pushed && m_nID != kTKReportSpinButton) NotifyItem();
}

void CTKReportInplaceButton::OnSpinTimer() {
  if (m_nTickCount == 0 && std::abs(m_nSpinIncrement) < 10) StartSpinTimer(kSpinRepeat);
  if (++m_nTickCount == 20) {
    if (std::abs(m_nSpinIncrement) < 100000) m_nSpinIncrement *= 10;
    m_nTickCount = 0;
  }
  NotifyItem();
}

LRESULT CTKReportInplaceButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  switch (message) {
    case WM_LBUTTONDOWN:
      OnButtonDown(point);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (m_nID == kTKReportSpinButton) OnButtonDown(point);
      return 0;
    case WM_MOUSEMOVE:
      OnButtonMove(point);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != m_hWnd && (m_bPressed || m_nSpinState)) {
        KillSpinTimer();
        m_bPressed = FALSE;
        m_bPushed = FALSE;
        m_nSpinState = 0;
        m_nSpinIncrement = 0;
        Invalidate(FALSE);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kSpinTimer) {
        OnSpinTimer();
        return 0;
      }
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT: {
      CPaintDC dc(this);
      if (pControl && pControl->GetPaintManager()) pControl->GetPaintManager()->DrawInplaceButton(&dc, this);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    default:
      break;
  }
  return CStatic::WindowProc(message, wParam, lParam);
}
