#include "toolkit/common/mousemanager.h"

#include "platform/framework/afxwnd.h"
#include "platform/window/winuser.h"
#include "toolkit/common/drawhelpers.h"

#ifndef CS_IME
#define CS_IME 0x00010000
#endif

POINT CTKMouseManager::s_ptLastMouse = {0, 0};

namespace {

CThreadLocal<CTKMouseManager> g_mouseManager;

bool IsButtonDown(UINT nMessage) {
  switch (nMessage) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

bool IsLocked(const CTKTrackedBar* pBar) { return pBar && pBar->m_nLockCount > 0; }

}  // namespace

CTKMouseManager* GetMouseManager() { return g_mouseManager.GetData(); }

CTKMouseManager::CTKMouseManager() { SetHook(TRUE); }

CTKMouseManager::~CTKMouseManager() { SetHook(FALSE); }

void CTKMouseManager::SetHook(BOOL bInstall) {
  if (bInstall) {
    if (!m_hHook)
      m_hHook = ::SetWindowsHookExW(WH_MOUSE, &CTKMouseManager::MouseHookProc, nullptr, ::GetCurrentThreadId());
  } else if (m_hHook) {
    ::UnhookWindowsHookEx(m_hHook);
    m_hHook = nullptr;
  }
}

CTKTrackedBar* CTKMouseManager::GetTrackedBar(INT_PTR nIndex) const {
  return nIndex >= 0 && nIndex < m_arrTracked.GetSize() ? m_arrTracked[nIndex] : nullptr;
}

BOOL CTKMouseManager::IsTracked(const CTKTrackedBar* pBar) const {
  for (INT_PTR i = 0; i < m_arrTracked.GetSize(); ++i)
    if (m_arrTracked[i] == pBar) return TRUE;
  return FALSE;
}

void CTKMouseManager::TrackBar(CTKTrackedBar* pBar) {
  if (!pBar) return;
  if (m_arrTracked.GetSize() == 0 && m_pActiveBar && m_pActiveBar != pBar) m_pActiveBar->ClearSelection();
  if (!IsTracked(pBar)) m_arrTracked.Add(pBar);
}

void CTKMouseManager::UntrackBar(CTKTrackedBar* pBar) {
  for (INT_PTR i = 0; i < m_arrTracked.GetSize(); ++i) {
    if (m_arrTracked[i] == pBar) {
      m_arrTracked.RemoveAt(i);
      m_bSecondTracking = FALSE;
      // Menu tracking is over: the next menu opens with its rarely used
      // commands hidden again.
      if (!IsMouseLocked(nullptr)) m_bExpanded = FALSE;
      if (m_arrTracked.GetSize() == 0) RepeatMouseMove();
      break;
    }
  }
  m_bSwallowNextButtonUp = FALSE;
}

void CTKMouseManager::SetExpandedMenus(BOOL bExpanded) {
  m_bExpanded = bExpanded;
  if (bExpanded) m_bSecondTracking = TRUE;
}

void CTKMouseManager::ForgetBar(CTKTrackedBar* pBar) {
  if (!pBar) return;
  if (m_pActiveBar == pBar) m_pActiveBar = nullptr;
  if (m_pRememberedBar == pBar) m_pRememberedBar = nullptr;
  if (IsTracked(pBar)) UntrackBar(pBar);
}

void CTKMouseManager::RefreshTrackingState() {
  // Walk a copy: untracking changes the array.
  CTrackArray bars;
  bars.Copy(m_arrTracked);
  for (INT_PTR i = 0; i < bars.GetSize(); ++i) {
    const HWND hWnd = bars[i]->GetTrackedBarWindow();
    if (!hWnd || !::IsWindow(hWnd)) UntrackBar(bars[i]);
  }
  RepeatMouseMove();
}

void CTKMouseManager::CloseAllTracked() {
  while (m_arrTracked.GetSize() > 0) {
    CTKTrackedBar* bar = m_arrTracked[0];
    bar->OnTrackLost();
    // A bar that stayed tracked would keep this loop going for ever.
    if (m_arrTracked.GetSize() > 0 && m_arrTracked[0] == bar) UntrackBar(bar);
  }
}

void CTKMouseManager::LockTrackedBars(BOOL bLock) {
  for (INT_PTR i = 0; i < m_arrTracked.GetSize(); ++i) m_arrTracked[i]->m_nLockCount += bLock ? 1 : -1;
}

void CTKMouseManager::CloseUnlockedTracked() {
  if (m_arrTracked.GetSize() == 0 || !IsLocked(m_arrTracked[0])) return;
  // Each loss of tracking changes the array: walk a copy.
  CTrackArray bars;
  bars.Copy(m_arrTracked);
  for (INT_PTR i = 0; i < bars.GetSize(); ++i) {
    CTKTrackedBar* bar = bars[i];
    if (IsTracked(bar) && bar->m_nLockCount == 0) bar->OnTrackLost();
  }
}

BOOL CTKMouseManager::IsMouseLocked(CTKTrackedBar* pBar) const {
  if (m_arrTracked.GetSize() == 0) return FALSE;
  return !pBar || IsLocked(pBar) || !IsTracked(pBar);
}

BOOL CTKMouseManager::IsOverBar(const CTKTrackedBar* pBar, POINT ptScreen, HWND hWndAtPoint) {
  const HWND hWndBar = pBar->GetTrackedBarWindow();
  if (!hWndBar) return FALSE;
  const int inBar = pBar->IsPointInBar(ptScreen);
  if (inBar == 1) return TRUE;
  return inBar != CTKTrackedBar::kPointNeverInBar && hWndAtPoint && ::IsChild(hWndBar, hWndAtPoint);
}

CTKTrackedBar* CTKMouseManager::FindTrackedBarAt(POINT ptScreen) const {
  const HWND hWndAtPoint = ::WindowFromPoint(ptScreen);
  for (INT_PTR i = m_arrTracked.GetSize() - 1; i >= 0; --i)
    if (IsOverBar(m_arrTracked[i], ptScreen, hWndAtPoint)) return m_arrTracked[i];
  return nullptr;
}

BOOL CTKMouseManager::IsPassThroughWindow(POINT ptScreen, HWND hWndAtPoint) const {
  for (INT_PTR i = 0; i < m_arrTrusted.GetSize(); ++i) {
    const HWND trusted = m_arrTrusted[i];
    if (!::IsWindow(trusted) || !::IsWindowVisible(trusted)) continue;
    RECT rc{};
    ::GetWindowRect(trusted, &rc);
    if (::PtInRect(&rc, ptScreen)) return TRUE;
  }
  return hWndAtPoint && (::GetClassLongW(hWndAtPoint, GCL_STYLE) & CS_IME) != 0;
}

BOOL CTKMouseManager::IsClickOutsideTracked(CTKTrackedBar* pBar, const MSG* pMsg) const {
  if (!pMsg || !IsButtonDown(pMsg->message)) return FALSE;
  if (m_arrTracked.GetSize() == 0) return TRUE;
  POINT pt{};
  ::GetCursorPos(&pt);
  if (CTKTrackedBar* under = FindTrackedBarAt(pt)) {
    if (!IsLocked(under) || IsLocked(pBar)) return FALSE;
  }
  return !IsPassThroughWindow(pt, ::WindowFromPoint(pt));
}

void CTKMouseManager::TrustWindow(HWND hWnd) { m_arrTrusted.Add(hWnd); }

void CTKMouseManager::UntrustWindow(HWND hWnd) {
  for (INT_PTR i = 0; i < m_arrTrusted.GetSize(); ++i) {
    if (m_arrTrusted[i] == hWnd) {
      m_arrTrusted.RemoveAt(i);
      return;
    }
  }
}

void CTKMouseManager::RepeatMouseMove() {
  s_ptLastMouse = POINT{-1, -1};
  POINT pt{};
  ::GetCursorPos(&pt);
  ::SetCursorPos(pt.x, pt.y);
}

void CTKMouseManager::WatchMouseLeave(HWND hWnd) {
  if (hWnd == m_hWndHovered) return;
  const HWND previous = m_hWndHovered;
  m_hWndHovered = hWnd;
  if (previous && ::IsWindow(previous)) {
    // The previous window is told now; its poll must not tell it again.
    ::KillTimer(previous, kMouseLeaveTimerId);
    ::SendMessageW(previous, WM_MOUSELEAVE, 0, 0);
  }
  if (hWnd && m_hWndHovered == hWnd) ::SetTimer(hWnd, kMouseLeaveTimerId, 50, &CTKMouseManager::MouseLeaveTimerProc);
}

BOOL CTKMouseManager::IsOwnerForeground(CWnd* pWnd) { return CTKDrawHelpers::IsTopParentActive(pWnd); }

void CTKMouseManager::MouseLeaveTimerProc(HWND hWnd, UINT, UINT_PTR nIDEvent, DWORD) {
  CTKMouseManager* manager = GetMouseManager();
  if (!::IsWindow(hWnd)) {
    if (manager->m_hWndHovered == hWnd) manager->m_hWndHovered = nullptr;
    return;
  }
  if (hWnd != manager->m_hWndHovered) {
    // A window no longer watched was told when the watch moved on.
    ::KillTimer(hWnd, nIDEvent);
    return;
  }
  POINT pt{};
  ::GetCursorPos(&pt);
  RECT rc{};
  ::GetWindowRect(hWnd, &rc);
  if (::PtInRect(&rc, pt)) {
    const bool topLevel = ::GetParent(hWnd) == nullptr;
    const bool popup = (::GetWindowLongW(hWnd, GWL_STYLE) & WS_POPUP) != 0;
    if (topLevel || popup || ::GetAncestor(hWnd, GA_ROOTOWNER) == ::GetForegroundWindow()) return;
  }
  ::KillTimer(hWnd, nIDEvent);
  manager->m_hWndHovered = nullptr;
  ::PostMessageW(hWnd, WM_MOUSELEAVE, 0, 0);
}

// ---- the hook ------------------------------------------------------------------------------------

LRESULT CTKMouseManager::MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  CTKMouseManager* manager = GetMouseManager();
  const HHOOK hook = manager->m_hHook;
  if (nCode != HC_ACTION || !lParam) return ::CallNextHookEx(hook, nCode, wParam, lParam);
  const UINT message = static_cast<UINT>(wParam);
  const POINT pt = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)->pt;

  if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
    manager->m_bSwallowNextButtonUp = FALSE;
  } else if ((message == WM_LBUTTONUP || message == WM_NCLBUTTONUP) && manager->m_bSwallowNextButtonUp) {
    manager->m_bSwallowNextButtonUp = FALSE;
    return 1;
  }
  const bool tracking = manager->m_arrTracked.GetSize() > 0;
  if (tracking && (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE) && pt.x == s_ptLastMouse.x &&
      pt.y == s_ptLastMouse.y)
    return 1;
  s_ptLastMouse = pt;
  if (tracking) manager->DispatchTrackedMessage(message, pt);
  return ::CallNextHookEx(hook, nCode, wParam, lParam);
}

void CTKMouseManager::DispatchTrackedMessage(UINT nMessage, POINT ptScreen) {
  const HWND hWndAtPoint = ::WindowFromPoint(ptScreen);
  for (INT_PTR i = m_arrTracked.GetSize() - 1; i >= 0; --i) {
    CTKTrackedBar* bar = m_arrTracked[i];
    if (!IsOverBar(bar, ptScreen, hWndAtPoint)) continue;
    if (IsLocked(bar) && nMessage != WM_MOUSEMOVE && nMessage != WM_NCMOUSEMOVE && !m_bSwallowNextButtonUp) {
      CloseUnlockedTracked();
      s_ptLastMouse = POINT{0, 0};
    }
    return;
  }
  if (IsPassThroughWindow(ptScreen, hWndAtPoint)) return;
  // Closing a bar changes the array: walk a copy, skipping bars already gone.
  CTrackArray bars;
  bars.Copy(m_arrTracked);
  for (INT_PTR i = 0; i < bars.GetSize(); ++i)
    if (IsTracked(bars[i])) DispatchBarMessage(bars[i], nMessage, ptScreen);
}

void CTKMouseManager::DispatchBarMessage(CTKTrackedBar* pBar, UINT nMessage, POINT ptScreen) {
  switch (nMessage) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      if (!IsLocked(pBar) && pBar->GetTrackedBarWindow()) {
        CPoint pt(ptScreen);
        ::ScreenToClient(pBar->GetTrackedBarWindow(), &pt);
        pBar->OnTrackedMouseMove(0, pt);
      }
      break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
      if (m_nSuspendCount <= 0) CloseAllTracked();
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      CloseAllTracked();
      break;
    default:
      break;
  }
}
