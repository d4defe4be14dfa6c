#include "toolkit/controls/trayicon.h"

#include <algorithm>

#include "toolkit/common/drawhelpers.h"

namespace {

constexpr WCHAR kTrayIconClass[] = u"TKTrayIcon";
constexpr UINT kRestoreFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW;  // 0x67

// Registered once: the shell sends it to every top-level window when the
// task bar has been re-created.
UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(u"TaskbarCreated");
  return message;
}

}  // namespace

CTKTrayIcon::CTKTrayIcon() {
  CTKDrawHelpers::RegisterWndClass(nullptr, kTrayIconClass, 0, HICON{}, HBRUSH{});
  m_nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_nid.uCallbackMessage = TK_WM_TRAYICONNOTIFY;
}

CTKTrayIcon::~CTKTrayIcon() {
  RemoveIcon();
  if (m_hWnd) DestroyWindow();
  RemoveAnimationIcons();
  m_hIcon = nullptr;
  if (m_wndMinimize.m_hWnd) m_wndMinimize.DestroyWindow();
}

// ---- creation and the icon -------------------------------------------------------------------

BOOL CTKTrayIcon::Create(LPCTSTR lpszToolTip, DWORD /*dwStyle*/, CWnd* pOwner, UINT nIconID) {
  return Create(lpszToolTip, pOwner, nIconID, 0, 0, false);
}

BOOL CTKTrayIcon::Create(LPCTSTR lpszToolTip, CWnd* pOwner, UINT nIconID, UINT nMenuID, UINT nDefaultMenuItem,
                         bool bDefaultMenuItemByPos) {
  m_nIconID = nIconID;
  m_strToolTip = lpszToolTip ? lpszToolTip : u"";
  m_hWndNotify = CWnd::HwndOf(pOwner);
  // The record has the 128-character tip of its generation.
  m_nMaxTipLength = 127;
  SetIcon(nIconID);
  SetTooltipText(lpszToolTip);
  if (!m_hWnd) CreateEx(0, kTrayIconClass, lpszToolTip, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
  m_nid.hWnd = m_hWnd;
  m_nid.uID = nMenuID;
  m_nDefaultMenuItem = nDefaultMenuItem;
  m_bDefaultMenuItemByPos = bDefaultMenuItemByPos ? TRUE : FALSE;
  m_uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  return ShowIcon();
}

BOOL CTKTrayIcon::ShellNotify(DWORD dwMessage) { return ::Shell_NotifyIconW(dwMessage, &m_nid); }

BOOL CTKTrayIcon::ShowIcon() {
  if (!m_bRemoved) RemoveIcon();
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (ShellNotify(NIM_ADD)) {
    m_bHidden = m_bRemoved = FALSE;
    return TRUE;
  }
  m_bAddFailed = TRUE;
  return FALSE;
}

BOOL CTKTrayIcon::RemoveIcon() {
  m_bAddFailed = FALSE;
  if (m_bRemoved) return TRUE;
  m_nid.uFlags = 0;
  if (!ShellNotify(NIM_DELETE)) return FALSE;
  m_bHidden = m_bRemoved = TRUE;
  return TRUE;
}

BOOL CTKTrayIcon::AddIcon() {
  if (m_bHidden || m_bRemoved) return FALSE;
  m_nid.uFlags = m_uFlags;
  BOOL bAdded = ShellNotify(NIM_ADD);
  m_bAddFailed = !bAdded;
  return bAdded;
}

HICON CTKTrayIcon::LoadSmallIcon(UINT nIconID) {
  HINSTANCE hModule = AfxFindResourceHandle(MAKEINTRESOURCE(nIconID), RT_GROUP_ICON);
  return static_cast<HICON>(::LoadImageW(hModule ? hModule : AfxGetResourceHandle(), MAKEINTRESOURCE(nIconID),
                                         IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                         LR_DEFAULTCOLOR));
}

BOOL CTKTrayIcon::SetIcon(UINT nIconID, UINT /*nUnused*/) {
  HICON hIcon = LoadSmallIcon(nIconID);
  if (!hIcon) return FALSE;
  m_hIcon = hIcon;
  return SetNotifyIcon(hIcon);
}

BOOL CTKTrayIcon::SetNotifyIcon(HICON hIcon) {
  if (hIcon == m_nid.hIcon) return TRUE;
  m_nid.uFlags = NIF_ICON;
  m_nid.hIcon = hIcon;
  // While hidden the icon is only stored.
  return m_bHidden ? TRUE : ShellNotify(NIM_MODIFY);
}

void CTKTrayIcon::SetTooltipText(LPCTSTR lpszToolTip) {
  m_strToolTip = CString(lpszToolTip ? lpszToolTip : u"").Left(m_nMaxTipLength - 1);
  SetNotifyTip(m_strToolTip);
}

BOOL CTKTrayIcon::SetNotifyTip(LPCTSTR lpszToolTip) {
  m_nid.uFlags = NIF_TIP;
  const size_t nCapacity = sizeof(m_nid.szTip) / sizeof(m_nid.szTip[0]);
  size_t nMax = std::min(static_cast<size_t>(std::max(m_nMaxTipLength - 1, 0)), nCapacity - 1);
  size_t n = 0;
  for (; lpszToolTip && n < nMax && lpszToolTip[n]; ++n) m_nid.szTip[n] = lpszToolTip[n];
  m_nid.szTip[n] = 0;
  return m_bHidden ? TRUE : ShellNotify(NIM_MODIFY);
}

// ---- animation -------------------------------------------------------------------------------

BOOL CTKTrayIcon::SetAnimationIcons(const UINT* pIconIDs, int nCount, const CString* pToolTips) {
  RemoveAnimationIcons();
  for (int i = 0; pIconIDs && i < nCount; ++i) {
    HICON hIcon = LoadSmallIcon(pIconIDs[i]);
    if (!hIcon) return FALSE;
    TRAYICONDATA frame;
    frame.hIcon = hIcon;
    if (pToolTips) frame.strToolTip = pToolTips[i];
    m_arrFrames.push_back(frame);
  }
  return TRUE;
}

BOOL CTKTrayIcon::SetAnimationIcons(const UINT* pIconIDs, const CString* pToolTips, int nCount) {
  return SetAnimationIcons(pIconIDs, nCount, pToolTips);
}

void CTKTrayIcon::RemoveAnimationIcons() {
  std::vector<TRAYICONDATA> frames;
  frames.swap(m_arrFrames);
  for (TRAYICONDATA& frame : frames) {
    if (frame.hIcon) ::DestroyIcon(frame.hIcon);
  }
}

void CTKTrayIcon::StartAnimation(UINT nPeriod) {
  if (m_hWnd) SetTimer(m_nIDEvent, nPeriod);
}

void CTKTrayIcon::StartAnimation(UINT nTimerID, UINT nPeriod) {
  m_nIDEvent = nTimerID;
  StartAnimation(nPeriod);
}

void CTKTrayIcon::StopAnimation() { StopAnimationTimer(); }

void CTKTrayIcon::StopAnimationTimer() {
  if (m_hWnd) KillTimer(m_nIDEvent);
  SetNotifyTip(m_strToolTip);
  SetIcon(m_nIconID);
}

void CTKTrayIcon::OnAnimationTimer() {
  // With no frames there is nothing to show and no index to advance.
  if (m_arrFrames.empty()) return;
  if (m_nCurrentFrame >= 0 && m_nCurrentFrame < static_cast<int>(m_arrFrames.size())) {
    const TRAYICONDATA& frame = m_arrFrames[static_cast<size_t>(m_nCurrentFrame)];
    SetNotifyTip(frame.strToolTip.IsEmpty() ? m_strToolTip : frame.strToolTip);
    if (frame.hIcon) SetNotifyIcon(frame.hIcon);
  }
  m_nCurrentFrame = (m_nCurrentFrame + 1) % static_cast<int>(m_arrFrames.size());
  if (m_nCurrentFrame < 0) m_nCurrentFrame = 0;
}

// ---- messages --------------------------------------------------------------------------------

LRESULT CTKTrayIcon::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TK_WM_TRAYICONNOTIFY) return OnTrayNotification(wParam, lParam);
  if (message != 0 && message == TaskbarCreatedMessage()) {
    AddIcon();
    return 0;
  }
  if (message == WM_TIMER) {
    if (wParam == m_nIDEvent) OnAnimationTimer();
    return 0;
  }
  if (message == WM_SETTINGCHANGE) {
    LRESULT lResult = CWnd::WindowProc(message, wParam, lParam);
    // An icon the shell refused gets another chance when the work area changes.
    if (wParam == SPI_SETWORKAREA && m_bAddFailed) AddIcon();
    return lResult;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CTKTrayIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
  if (wParam != m_nid.uID || !m_hWndNotify) return 0;
  if (::SendMessage(m_hWndNotify, TK_WM_TRAYICONNOTIFY, wParam, lParam)) return 1;
  switch (LOWORD(lParam)) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT: {
      CMenu menu;
      if (!menu.LoadMenu(m_nid.uID)) return 0;
      HMENU hSubMenu = ::GetSubMenu(menu.GetSafeHmenu(), 0);
      if (!hSubMenu) return 0;
      ::SetMenuDefaultItem(hSubMenu, m_nDefaultMenuItem, m_bDefaultMenuItemByPos);
      POINT pt{};
      ::GetCursorPos(&pt);
      ::SetForegroundWindow(m_hWndNotify);
      ::TrackPopupMenu(hSubMenu, 0, pt.x, pt.y, 0, m_hWndNotify, nullptr);
      // So that the menu closes properly when the user clicks elsewhere.
      ::PostMessage(m_hWndNotify, WM_NULL, 0, 0);
      menu.DestroyMenu();
      ShellNotify(NIM_SETFOCUS);
      break;
    }
    case WM_LBUTTONDBLCLK: {
      ::SetForegroundWindow(m_hWndNotify);
      UINT nCommand = m_nDefaultMenuItem;
      if (m_bDefaultMenuItemByPos) {
        CMenu menu;
        if (!menu.LoadMenu(m_nid.uID)) return 0;
        HMENU hSubMenu = ::GetSubMenu(menu.GetSafeHmenu(), 0);
        if (!hSubMenu) return 0;
        nCommand = ::GetMenuItemID(hSubMenu, static_cast<int>(m_nDefaultMenuItem));
      }
      ::SendMessage(m_hWndNotify, WM_COMMAND, nCommand, 0);
      break;
    }
    default:
      break;
  }
  return 1;
}

// ---- minimising into the tray ----------------------------------------------------------------

BOOL CTKTrayIcon::IsWindowAnimationOn() {
  ANIMATIONINFO info{};
  info.cbSize = sizeof(info);
  ::SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0);
  return info.iMinAnimate != 0;
}

namespace {

struct TrayWalk {
  RECT* rect;
};

BOOL CALLBACK FindTrayChild(HWND hwnd, LPARAM lParam) {
  auto* walk = reinterpret_cast<TrayWalk*>(lParam);
  WCHAR name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  std::u16string_view className(name);
  if (className == u"TrayNotifyWnd") {
    ::GetWindowRect(hwnd, walk->rect);
  } else if (className == u"TrayClockWClass") {
    RECT clock{};
    ::GetWindowRect(hwnd, &clock);
    if (clock.bottom < walk->rect->bottom - 5) {
      walk->rect->top = clock.bottom;  // a vertical task bar
    } else {
      walk->rect->right = clock.left;
    }
    return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL CTKTrayIcon::GetTrayWndRect(RECT* pRect) {
  if (!pRect) return FALSE;
  if (HWND hTray = ::FindWindowW(u"Shell_TrayWnd", nullptr)) {
    ::GetWindowRect(hTray, pRect);
    TrayWalk walk{pRect};
    ::EnumChildWindows(hTray, &FindTrayChild, reinterpret_cast<LPARAM>(&walk));
    return TRUE;
  }
  APPBARDATA abd{};
  abd.cbSize = sizeof(abd);
  if (::SHAppBarMessage(ABM_GETTASKBARPOS, &abd)) {
    const RECT& bar = abd.rc;
    if (abd.uEdge == ABE_LEFT || abd.uEdge == ABE_RIGHT) {
      *pRect = RECT{bar.left, bar.bottom - 100, bar.right, bar.bottom - 16};
    } else if (abd.uEdge == ABE_TOP || abd.uEdge == ABE_BOTTOM) {
      *pRect = RECT{bar.right - 100, bar.top, bar.right - 16, bar.bottom};
    }
    return TRUE;
  }
  RECT work{};
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return FALSE;
  *pRect = RECT{work.right - 150, work.bottom - 30, work.right, work.bottom};
  return TRUE;
}

BOOL CTKTrayIcon::RemoveTaskbarButton(CWnd* pFrame) {
  if (!m_wndMinimize.m_hWnd) {
    LPCTSTR lpszClass = AfxRegisterWndClass(0);
    if (!m_wndMinimize.CreateEx(0, lpszClass, u"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, nullptr))
      return FALSE;
  }
  if (pFrame) pFrame->SetParent(&m_wndMinimize);
  return TRUE;
}

void CTKTrayIcon::MinimizeToTray(CWnd* pFrame) {
  if (!pFrame || !pFrame->m_hWnd) return;
  if (IsWindowAnimationOn()) {
    CRect rcFrame, rcTray;
    pFrame->GetWindowRect(&rcFrame);
    GetTrayWndRect(&rcTray);
    ::DrawAnimatedRects(pFrame->m_hWnd, IDANI_CAPTION, &rcFrame, &rcTray);
  }
  RemoveTaskbarButton(pFrame);
  pFrame->ShowWindow(SW_HIDE);
}

void CTKTrayIcon::MaximizeFromTray(CWnd* pFrame) {
  if (!pFrame || !pFrame->m_hWnd) return;
  if (IsWindowAnimationOn()) {
    CRect rcFrame, rcTray;
    pFrame->GetWindowRect(&rcFrame);
    GetTrayWndRect(&rcTray);
    pFrame->SetParent(nullptr);
    ::DrawAnimatedRects(pFrame->m_hWnd, IDANI_CAPTION, &rcTray, &rcFrame);
  } else {
    pFrame->SetParent(nullptr);
  }
  pFrame->SetWindowPos(nullptr, 0, 0, 0, 0, kRestoreFlags);
  if (m_wndMinimize.m_hWnd) m_wndMinimize.SetActiveWindow();
  pFrame->SetActiveWindow();
  pFrame->SetForegroundWindow();
}
