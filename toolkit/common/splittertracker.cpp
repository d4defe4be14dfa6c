#include "toolkit/common/splittertracker.h"

#include <algorithm>

#include "platform/framework/afxgdi.h"
#include "platform/framework/afxwnd.h"
#include "platform/system/modules.h"
#include "platform/window/winuser.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/systemservices.h"

CTKSplitterTracker::CTKSplitterTracker(BOOL bSolid, BOOL bDesktopDC)
    : m_bSolid(bSolid), m_rcBoundRect(0, 0, 0, 0), m_bDesktopDC(bDesktopDC) {
  TKEnsureUser32Module();
  if (HMODULE user32 = ::GetModuleHandleW(u"USER32"))
    m_pfnSetLayeredWindowAttributes =
        pv::ProcAs<BOOL(HWND, COLORREF, BYTE, DWORD)>(::GetProcAddress(user32, "SetLayeredWindowAttributes"));
}

CTKSplitterTracker::~CTKSplitterTracker() {
  if (m_hWndLayered && ::IsWindow(m_hWndLayered)) ::DestroyWindow(m_hWndLayered);
  if (m_pDC) {
    ::ReleaseDC(m_hWndDC, m_pDC->Detach());
    delete m_pDC;
  }
}

BOOL CTKSplitterTracker::Track(CWnd* pTrackWnd, CRect rcAvail, CRect& rectTracker, CPoint point, BOOL bHoriz) {
  const HWND hWnd = CWnd::HwndOf(pTrackWnd);
  if (!hWnd || !::IsWindow(hWnd)) return FALSE;
  m_pWnd = pTrackWnd;
  ::SetCapture(hWnd);

  m_hWndDC = m_bDesktopDC ? ::GetDesktopWindow() : hWnd;
  const BOOL layered = m_bDesktopDC && m_rcBoundRect.IsRectEmpty() && GetOSVersionInfo()->IsWinVistaOrLater() &&
                       m_pfnSetLayeredWindowAttributes && !CTKColorManager::IsLowResolution();
  if (layered) {
    LPCTSTR className =
        AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW), static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    m_hWndLayered = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, className, nullptr, WS_POPUP, 0,
                                      0, 0, 0, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    if (m_hWndLayered) m_pfnSetLayeredWindowAttributes(m_hWndLayered, 0, 100, LWA_ALPHA);
  }
  if (!m_hWndLayered) {
    m_bLocked = ::LockWindowUpdate(m_hWndDC);
    m_pDC = new CDC;
    m_pDC->Attach(::GetDCEx(m_hWndDC, nullptr, DCX_WINDOW | DCX_CACHE | (m_bLocked ? DCX_LOCKWINDOWUPDATE : 0)));
  }

  const int offset = bHoriz ? rectTracker.left - point.x : rectTracker.top - point.y;
  OnInvertTracker(rectTracker);
  if (!m_rcBoundRect.IsRectEmpty()) OnInvertTracker(m_rcBoundRect);

  BOOL result = FALSE;
  MSG msg{};
  while (::GetCapture() == hWnd) {
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE) {
      CPoint pt(static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam)));
      ::ClientToScreen(hWnd, &pt);
      if (bHoriz) pt.x += offset;
      else pt.y += offset;
      pt.x = std::min(std::max(pt.x, rcAvail.left), rcAvail.right);
      pt.y = std::min(std::max(pt.y, rcAvail.top), rcAvail.bottom);
      if (bHoriz ? pt.x != rectTracker.left : pt.y != rectTracker.top) {
        OnInvertTracker(rectTracker);
        if (bHoriz) rectTracker.OffsetRect(pt.x - rectTracker.left, 0);
        else rectTracker.OffsetRect(0, pt.y - rectTracker.top);
        OnInvertTracker(rectTracker);
      }
    } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      break;
    } else if (msg.message == WM_LBUTTONUP) {
      result = TRUE;
      break;
    } else {
      ::DispatchMessageW(&msg);
    }
  }

  if (!m_rcBoundRect.IsRectEmpty()) OnInvertTracker(m_rcBoundRect);
  OnInvertTracker(rectTracker);
  if (::GetCapture() == hWnd) ::ReleaseCapture();
  if (m_hWndLayered) {
    if (::IsWindow(m_hWndLayered)) ::DestroyWindow(m_hWndLayered);
    m_hWndLayered = nullptr;
  } else {
    if (m_bLocked) ::LockWindowUpdate(nullptr);
    m_bLocked = FALSE;
    if (m_pDC) {
      ::ReleaseDC(m_hWndDC, m_pDC->Detach());
      delete m_pDC;
      m_pDC = nullptr;
    }
  }
  return result;
}

void CTKSplitterTracker::OnInvertTracker(const CRect& rect) {
  CRect rc = rect;
  if (!m_bDesktopDC && m_pWnd && m_pWnd->GetSafeHwnd()) m_pWnd->ScreenToClient(&rc);
  if (m_hWndLayered) {
    ::SetWindowPos(m_hWndLayered, nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    return;
  }
  if (!m_pDC || !m_pDC->GetSafeHdc()) return;
  if (m_bSolid) {
    m_pDC->InvertRect(&rc);
    return;
  }
  CBrush* halftone = CDC::GetHalftoneBrush();
  CBrush* old = m_pDC->SelectObject(halftone);
  m_pDC->PatBlt(rc.left, rc.top, rc.Width(), rc.Height(), PATINVERT);
  m_pDC->SelectObject(old);
}
