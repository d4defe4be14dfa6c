#include "toolkit/commandbars/commandbar.h"

#include "platform/window/winuser.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"

CTKCommandBar::~CTKCommandBar() {
  CTKCommandBar::SetTrackingMode(TKTrackingMode::Off);
  GetKeyboardManager()->RemoveKeyboardHook(this);
  GetMouseManager()->ForgetBar(this);
}

BOOL CTKCommandBar::SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst, BOOL bKeyboard) {
  const bool entering = mode != TKTrackingMode::Off;
  if ((IsTrackingMode() && entering) || m_tracking == mode) {
    m_tracking = mode;
    return FALSE;
  }
  m_tracking = mode;
  if (entering) {
    m_bKeyboardSelect = bKeyboard;
    m_bMouseTracking = !bSelectFirst && !bKeyboard;
    GetMouseManager()->TrackBar(this);
    GetKeyboardManager()->AddKeyboardHook(this);
  } else {
    m_bKeyboardSelect = FALSE;
    m_bMouseTracking = FALSE;
    m_nLockCount = 0;
    GetMouseManager()->UntrackBar(this);
    GetKeyboardManager()->RemoveKeyboardHook(this);
    if (bSelectFirst) SetSelected(-1);
  }
  return TRUE;
}

BOOL CTKCommandBar::SetSelected(int nSelected, BOOL bKeyboard) {
  if (nSelected == m_nSelected) return FALSE;
  m_bKeyboardSelect = bKeyboard;
  if (!GetSafeHwnd()) return FALSE;
  m_nSelected = nSelected;
  if (nSelected == -1) {
    ::KillTimer(m_hWnd, kHoverTimerId);
    return TRUE;
  }
  // The bar holding the hot control.
  GetMouseManager()->SetRememberedBar(this);
  return TRUE;
}

void CTKCommandBar::OnTrackLost() { SetTrackingMode(TKTrackingMode::Off); }

void CTKCommandBar::ClearSelection() { SetSelected(-1); }

int CTKCommandBar::HitTestScreenPoint(POINT ptScreen) const {
  if (!GetSafeHwnd()) return 0;
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  if (!::PtInRect(&rc, ptScreen)) return 0;
  if (m_barPosition == TKBarPosition::Popup) {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    const int kind = ::GetWindowRgn(m_hWnd, region);
    const bool outside = (kind == SIMPLEREGION || kind == COMPLEXREGION) &&
                         !::PtInRegion(region, ptScreen.x - rc.left, ptScreen.y - rc.top);
    ::DeleteObject(region);
    if (outside) return 0;
  }
  return 1;
}

void CTKCommandBar::OnMouseMove(UINT, CPoint) {
  // The base bar has no controls to hot-track.
}

int CTKCommandBar::HandleHookedMessage(HWND, UINT, WPARAM&, LPARAM&, LRESULT&) { return 0; }
