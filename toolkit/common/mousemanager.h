// Makes popup command bars behave like system menus: while popups are
// tracked, a thread mouse hook feeds mouse moves to them and closes them on
// a click anywhere else (except in trusted windows). Also reports mouse
// leave for hovered windows by polling, and drops repeated mouse moves at
// one point. One manager per UI thread (GetMouseManager).
#pragma once

#include "platform/base/collections.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxapp.h"

class CTKCommandBar;
class CWnd;

class CTKMouseManager : public CNoTrackObject {
 public:
  // The open popups in the order they were tracked (newest last); not owned.
  class CTrackArray : public CArray<CTKCommandBar*, CTKCommandBar*> {};
  class CTrustedArray : public CArray<HWND, HWND> {};

  // Installs the thread's mouse hook.
  CTKMouseManager();
  ~CTKMouseManager() override;
  CTKMouseManager(const CTKMouseManager&) = delete;
  CTKMouseManager& operator=(const CTKMouseManager&) = delete;

  void SetHook(BOOL bInstall);

  void TrackBar(CTKCommandBar* pBar);
  void UntrackBar(CTKCommandBar* pBar);
  // Every tracked bar loses tracking, the oldest first.
  void CloseAllTracked();
  void LockTrackedBars(BOOL bLock);
  // With the first tracked bar locked: every unlocked tracked bar loses tracking.
  void CloseUnlockedTracked();
  // TRUE while popups are tracked and the bar is null, locked or not one of them.
  BOOL IsMouseLocked(CTKCommandBar* pBar) const;
  CTKCommandBar* FindTrackedBarAt(POINT ptScreen) const;
  // For a message of a bar's own loop: TRUE for a button press that should
  // close the popups.
  BOOL IsClickOutsideTracked(CTKCommandBar* pBar, const MSG* pMsg) const;

  void TrustWindow(HWND hWnd);
  void UntrustWindow(HWND hWnd);

  // The window under the cursor gets a fresh mouse move.
  static void RepeatMouseMove();
  // WM_MOUSELEAVE goes to the window when the cursor leaves it; watching
  // another window first tells the previous one.
  void WatchMouseLeave(HWND hWnd);
  static BOOL IsOwnerForeground(CWnd* pWnd);

  INT_PTR GetTrackedCount() const { return m_arrTracked.GetSize(); }
  CTKCommandBar* GetTrackedBar(INT_PTR nIndex) const;
  BOOL IsTracked(const CTKCommandBar* pBar) const;
  HWND GetHoveredWindow() const { return m_hWndHovered; }
  HHOOK GetHook() const { return m_hHook; }
  static POINT GetLastMousePoint() { return s_ptLastMouse; }

  // Raised by the command bars while a button release must not close the
  // popups (a focused edit, a dropped combo list, a bar dragged to dock).
  int m_nSuspendCount = 0;
  // The bar last put in tracking mode by the command bars.
  CTKCommandBar* m_pActiveBar = nullptr;
  // Set once the user expanded a popup to all its commands; never cleared.
  BOOL m_bExpanded = FALSE;
  // Set when a popup closed on a button press: the matching release is dropped.
  BOOL m_bSwallowNextButtonUp = FALSE;

  static constexpr UINT_PTR kMouseLeaveTimerId = 113341;

 private:
  static LRESULT MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  static void MouseLeaveTimerProc(HWND hWnd, UINT nMessage, UINT_PTR nIDEvent, DWORD dwTime);
  void DispatchTrackedMessage(UINT nMessage, POINT ptScreen);
  void DispatchBarMessage(CTKCommandBar* pBar, UINT nMessage, POINT ptScreen);
  BOOL IsOverBar(CTKCommandBar* pBar, POINT ptScreen, HWND hWndAtPoint) const;
  BOOL IsPassThroughWindow(POINT ptScreen, HWND hWndAtPoint) const;

  CTrackArray m_arrTracked;
  HHOOK m_hHook = nullptr;
  HWND m_hWndHovered = nullptr;
  CTrustedArray m_arrTrusted;

  // Shared by every thread's manager, as the hook saw it last.
  static POINT s_ptLastMouse;
};

// The calling thread's mouse manager, made on its first use.
CTKMouseManager* GetMouseManager();
