// Makes popup command bars behave like system menus: while popups are
// tracked, a thread mouse hook feeds mouse moves to them and closes them on
// a click anywhere else (except in trusted windows). Also reports mouse
// leave for hovered windows by polling, and drops repeated mouse moves at
// one point. One manager per UI thread (GetMouseManager). It sees the bars
// only as CTKTrackedBar.
#pragma once

#include "platform/base/collections.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxapp.h"
#include "toolkit/common/trackedbar.h"

class CWnd;

class CTKMouseManager : public CNoTrackObject {
 public:
  // The open popups in the order they were tracked (newest last); not owned.
  class CTrackArray : public CArray<CTKTrackedBar*, CTKTrackedBar*> {};
  class CTrustedArray : public CArray<HWND, HWND> {};

  // Installs the thread's mouse hook.
  CTKMouseManager();
  ~CTKMouseManager() override;
  CTKMouseManager(const CTKMouseManager&) = delete;
  CTKMouseManager& operator=(const CTKMouseManager&) = delete;

  void SetHook(BOOL bInstall);

  void TrackBar(CTKTrackedBar* pBar);
  void UntrackBar(CTKTrackedBar* pBar);
  // Every tracked bar loses tracking, the oldest first.
  void CloseAllTracked();
  void LockTrackedBars(BOOL bLock);
  // With the first tracked bar locked: every unlocked tracked bar loses tracking.
  void CloseUnlockedTracked();
  // TRUE while popups are tracked and the bar is null, locked or not one of them.
  BOOL IsMouseLocked(CTKTrackedBar* pBar) const;
  // The tracked bar under the point, newest first: one whose IsPointInBar
  // answers 1, or answers other than kPointNeverInBar with the window under
  // the point a child of the bar's window.
  CTKTrackedBar* FindTrackedBarAt(POINT ptScreen) const;
  // For a message of a bar's own loop: TRUE for a button press that should
  // close the popups.
  BOOL IsClickOutsideTracked(CTKTrackedBar* pBar, const MSG* pMsg) const;

  void TrustWindow(HWND hWnd);
  void UntrustWindow(HWND hWnd);

  // The window under the cursor gets a fresh mouse move.
  static void RepeatMouseMove();
  // WM_MOUSELEAVE goes to the window when the cursor leaves it; watching
  // another window first tells the previous one.
  void WatchMouseLeave(HWND hWnd);
  static BOOL IsOwnerForeground(CWnd* pWnd);

  INT_PTR GetTrackedCount() const { return m_arrTracked.GetSize(); }
  CTKTrackedBar* GetTrackedBar(INT_PTR nIndex) const;
  BOOL IsTracked(const CTKTrackedBar* pBar) const;
  HWND GetHoveredWindow() const { return m_hWndHovered; }
  HHOOK GetHook() const { return m_hHook; }
  static POINT GetLastMousePoint() { return s_ptLastMouse; }

  // The bar last put in tracking mode by the command bars; they set it and
  // clear it (a bar clears it when it is destroyed).
  void SetActiveBar(CTKTrackedBar* pBar) { m_pActiveBar = pBar; }
  CTKTrackedBar* GetActiveBar() const { return m_pActiveBar; }

  // The expanded-menus switch: popups opened while it is on show all their
  // commands. Switching it on also switches on the second tracking switch.
  // It lasts while menu tracking goes on: a bar leaving the tracked bars
  // clears it once no tracked bar is left to keep the mouse locked.
  void SetExpandedMenus(BOOL bExpanded);
  BOOL IsExpandedMenus() const { return m_bExpanded; }
  // The second tracking switch: set with the expanded-menus switch and by the
  // mini tool bar, cleared whenever a bar leaves the tracked bars.
  void SetSecondTracking(BOOL bOn) { m_bSecondTracking = bOn; }
  BOOL IsSecondTracking() const { return m_bSecondTracking; }

  // The move lock: while above 0 the command bars ignore mouse moves. Raised
  // and lowered in pairs.
  void LockMouseMove(BOOL bLock) { m_nMoveLockCount += bLock ? 1 : -1; }
  BOOL IsMouseMoveLocked() const { return m_nMoveLockCount > 0; }
  int GetMouseMoveLockCount() const { return m_nMoveLockCount; }

  // The bar that last selected a control; a bar clears it when it is destroyed.
  void SetRememberedBar(CTKTrackedBar* pBar) { m_pRememberedBar = pBar; }
  CTKTrackedBar* GetRememberedBar() const { return m_pRememberedBar; }
  // A bar that goes away is forgotten wherever the manager remembers it.
  void ForgetBar(CTKTrackedBar* pBar);

  // After a drag turned a docked pane into a floating one: bars whose windows
  // are gone leave the tracked bars, and the window under the cursor gets a
  // fresh mouse move.
  void RefreshTrackingState();

  // The lock count (the suspend count): raised by the command bars in pairs
  // around every modal loop of a bar and while a button release must not
  // close the popups (a focused edit, a dropped combo list, a bar dragged to
  // dock).
  int m_nSuspendCount = 0;
  // Set when a popup closed on a button press: the matching release is dropped.
  BOOL m_bSwallowNextButtonUp = FALSE;

  static constexpr UINT_PTR kMouseLeaveTimerId = 113341;

 private:
  static LRESULT MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  static void MouseLeaveTimerProc(HWND hWnd, UINT nMessage, UINT_PTR nIDEvent, DWORD dwTime);
  void DispatchTrackedMessage(UINT nMessage, POINT ptScreen);
  void DispatchBarMessage(CTKTrackedBar* pBar, UINT nMessage, POINT ptScreen);
  static BOOL IsOverBar(const CTKTrackedBar* pBar, POINT ptScreen, HWND hWndAtPoint);
  BOOL IsPassThroughWindow(POINT ptScreen, HWND hWndAtPoint) const;

  CTrackArray m_arrTracked;
  HHOOK m_hHook = nullptr;
  CTKTrackedBar* m_pActiveBar = nullptr;
  // Set once the user expanded a popup to all its commands.
  BOOL m_bExpanded = FALSE;
  BOOL m_bSecondTracking = FALSE;
  int m_nMoveLockCount = 0;
  CTKTrackedBar* m_pRememberedBar = nullptr;
  HWND m_hWndHovered = nullptr;
  CTrustedArray m_arrTrusted;

  // Shared by every thread's manager, as the hook saw it last.
  static POINT s_ptLastMouse;
};

// The calling thread's mouse manager, made on its first use.
CTKMouseManager* GetMouseManager();
