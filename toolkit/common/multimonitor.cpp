#include "toolkit/common/multimonitor.h"

#include "platform/framework/afxwnd.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/systemservices.h"

CTKMultiMonitor::CTKMultiMonitor() {
  TKEnsureUser32Module();
  if (m_modUser32.Init(u"User32.dll")) {
    const char* infoName = GetOSVersionInfo()->IsWinNT4OrLater() ? "GetMonitorInfoW" : "GetMonitorInfoA";
    bool all = m_modUser32.GetEntryPoint(m_pfnGetSystemMetrics, "GetSystemMetrics") &&
               m_modUser32.GetEntryPoint(m_pfnMonitorFromWindow, "MonitorFromWindow") &&
               m_modUser32.GetEntryPoint(m_pfnMonitorFromRect, "MonitorFromRect") &&
               m_modUser32.GetEntryPoint(m_pfnMonitorFromPoint, "MonitorFromPoint") &&
               m_modUser32.GetEntryPoint(m_pfnGetMonitorInfo, infoName);
    if (!all) {
      m_pfnGetSystemMetrics = nullptr;
      m_pfnMonitorFromWindow = nullptr;
      m_pfnMonitorFromRect = nullptr;
      m_pfnMonitorFromPoint = nullptr;
      m_pfnGetMonitorInfo = nullptr;
    }
  }
}

CTKMultiMonitor::~CTKMultiMonitor() = default;

BOOL CTKMultiMonitor::GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (!monitor || !m_pfnGetMonitorInfo || !info) return FALSE;
  info->cbSize = sizeof(MONITORINFO);
  return m_pfnGetMonitorInfo(monitor, info);
}

RECT CTKMultiMonitor::WorkArea(RECT* rect, HMONITOR monitor) {
  MONITORINFO info{};
  if (GetMonitorInfo(monitor, &info)) {
    *rect = info.rcWork;
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, rect, 0);
  }
  return *rect;
}

RECT CTKMultiMonitor::ScreenArea(RECT* rect, HMONITOR monitor) {
  MONITORINFO info{};
  if (GetMonitorInfo(monitor, &info)) {
    *rect = info.rcMonitor;
  } else {
    *rect = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return *rect;
}

// Every lookup passes 0 (no default monitor): a place outside every monitor
// gives no monitor, and the primary-screen fallback answers.
RECT CTKMultiMonitor::GetWorkAreaOfMonitor(RECT* rect, HMONITOR monitor) { return WorkArea(rect, monitor); }
RECT CTKMultiMonitor::GetScreenAreaOfMonitor(RECT* rect, HMONITOR monitor) { return ScreenArea(rect, monitor); }
RECT CTKMultiMonitor::GetScreenAreaAtPoint(RECT* rect, POINT point) {
  return ScreenArea(rect, m_pfnMonitorFromPoint ? m_pfnMonitorFromPoint(point, 0) : nullptr);
}
RECT CTKMultiMonitor::GetScreenAreaOfRect(RECT* rect, const RECT& rectangle) {
  return ScreenArea(rect, m_pfnMonitorFromRect ? m_pfnMonitorFromRect(&rectangle, 0) : nullptr);
}
RECT CTKMultiMonitor::GetWorkAreaOfHwnd(RECT* rect, HWND hwnd) {
  return WorkArea(rect, m_pfnMonitorFromWindow ? m_pfnMonitorFromWindow(hwnd, 0) : nullptr);
}
RECT CTKMultiMonitor::GetWorkAreaAtPoint(RECT* rect, POINT point) {
  return WorkArea(rect, m_pfnMonitorFromPoint ? m_pfnMonitorFromPoint(point, 0) : nullptr);
}
RECT CTKMultiMonitor::GetWorkAreaOfRect(RECT* rect, const RECT& rectangle) {
  return WorkArea(rect, m_pfnMonitorFromRect ? m_pfnMonitorFromRect(&rectangle, 0) : nullptr);
}
RECT CTKMultiMonitor::GetWorkAreaOfWindow(RECT* rect, CWnd* window) {
  return GetWorkAreaOfHwnd(rect, window ? window->GetSafeHwnd() : nullptr);
}
RECT CTKMultiMonitor::GetWorkAreaAtCursor(RECT* rect) {
  POINT point{};
  ::GetCursorPos(&point);
  return GetWorkAreaAtPoint(rect, point);
}

RECT CTKMultiMonitor::GetScreenAreaAtPoint(POINT point) {
  RECT rect{};
  return GetScreenAreaAtPoint(&rect, point);
}
RECT CTKMultiMonitor::GetScreenAreaOfRect(const RECT& rectangle) {
  RECT rect{};
  return GetScreenAreaOfRect(&rect, rectangle);
}
RECT CTKMultiMonitor::GetWorkAreaAtPoint(POINT point) {
  RECT rect{};
  return GetWorkAreaAtPoint(&rect, point);
}
RECT CTKMultiMonitor::GetWorkAreaOfRect(const RECT& rectangle) {
  RECT rect{};
  return GetWorkAreaOfRect(&rect, rectangle);
}
RECT CTKMultiMonitor::GetWorkAreaOfWindow(CWnd* window) {
  RECT rect{};
  return GetWorkAreaOfWindow(&rect, window);
}
RECT CTKMultiMonitor::GetWorkAreaAtCursor() {
  RECT rect{};
  return GetWorkAreaAtCursor(&rect);
}

CTKMultiMonitor* GetMultiMonitor() {
  static CTKMultiMonitor monitor;
  return &monitor;
}
