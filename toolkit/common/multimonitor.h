// Monitor geometry (work area and whole area) with single-monitor fallbacks
// when the monitor functions are not available.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"
#include "toolkit/common/modulehandle.h"

class CWnd;

class CTKMultiMonitor {
 public:
  CTKMultiMonitor();
  ~CTKMultiMonitor();
  CTKMultiMonitor(const CTKMultiMonitor&) = delete;
  CTKMultiMonitor& operator=(const CTKMultiMonitor&) = delete;

  RECT GetWorkAreaOfMonitor(RECT* rect, HMONITOR monitor);
  RECT GetScreenAreaOfMonitor(RECT* rect, HMONITOR monitor);
  RECT GetScreenAreaAtPoint(RECT* rect, POINT point);
  RECT GetScreenAreaOfRect(RECT* rect, const RECT& rectangle);
  RECT GetWorkAreaOfHwnd(RECT* rect, HWND hwnd);
  RECT GetWorkAreaAtPoint(RECT* rect, POINT point);
  RECT GetWorkAreaOfRect(RECT* rect, const RECT& rectangle);
  RECT GetWorkAreaOfWindow(RECT* rect, CWnd* window);
  RECT GetWorkAreaAtCursor(RECT* rect);

  // The same queries answering the rectangle only.
  RECT GetScreenAreaAtPoint(POINT point);
  RECT GetScreenAreaOfRect(const RECT& rectangle);
  RECT GetWorkAreaAtPoint(POINT point);
  RECT GetWorkAreaOfRect(const RECT& rectangle);
  RECT GetWorkAreaOfWindow(CWnd* window);
  RECT GetWorkAreaAtCursor();

  // Fails for a null monitor or a missing entry point.
  BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);
  // Whether the five entry points were found.
  BOOL HasMonitorFunctions() const { return m_pfnGetMonitorInfo != nullptr; }

 private:
  using PFNGETSYSTEMMETRICS = int (*)(int);
  using PFNMONITORFROMWINDOW = HMONITOR (*)(HWND, DWORD);
  using PFNMONITORFROMRECT = HMONITOR (*)(LPCRECT, DWORD);
  using PFNMONITORFROMPOINT = HMONITOR (*)(POINT, DWORD);
  using PFNGETMONITORINFO = BOOL (*)(HMONITOR, LPMONITORINFO);

  RECT WorkArea(RECT* rect, HMONITOR monitor);
  RECT ScreenArea(RECT* rect, HMONITOR monitor);

  PFNGETSYSTEMMETRICS m_pfnGetSystemMetrics = nullptr;
  PFNMONITORFROMWINDOW m_pfnMonitorFromWindow = nullptr;
  PFNMONITORFROMRECT m_pfnMonitorFromRect = nullptr;
  PFNMONITORFROMPOINT m_pfnMonitorFromPoint = nullptr;
  PFNGETMONITORINFO m_pfnGetMonitorInfo = nullptr;
  CTKModuleHandle m_modUser32;
};

// The process-wide object, made on first use and destroyed at exit.
CTKMultiMonitor* GetMultiMonitor();
