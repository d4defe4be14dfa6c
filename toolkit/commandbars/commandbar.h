// The window base of the command bars. It holds what the thread's mouse and
// keyboard managers need of a bar: tracking mode, the lock count, the
// selection and the hit test of its window.
#pragma once

#include "platform/framework/afxwnd.h"
#include "toolkit/common/hookmanager.h"

class CTKCommandBar : public CWnd, public CTKHookManagerHookAble {
 public:
  CTKCommandBar() = default;
  ~CTKCommandBar() override;
  CTKCommandBar(const CTKCommandBar&) = delete;
  CTKCommandBar& operator=(const CTKCommandBar&) = delete;

  // Entering (mode 1 or 2) tracks the bar with the thread's mouse manager and
  // hooks it to the keyboard manager; leaving (0) releases both and clears the
  // lock count. FALSE when the bar already tracks or the mode is unchanged.
  virtual BOOL SetTrackingMode(int nMode, BOOL bSelectFirst = TRUE, BOOL bKeyboard = FALSE);
  virtual BOOL SetSelected(int nSelected, BOOL bKeyboard = FALSE);
  // Leaves tracking mode; the bar stops being tracked on the way.
  virtual void OnTrackLost();
  virtual void ClearSelection();
  // 1 inside the bar's window rectangle (and, for a popup with a window
  // region, inside the region), else 0.
  virtual int HitTestScreenPoint(POINT ptScreen) const;
  // The bar's WM_MOUSEMOVE handler; the mouse manager calls it for the
  // tracked bars with the point in client coordinates.
  virtual void OnMouseMove(UINT nFlags, CPoint point);

  int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) override;

  int GetTrackingMode() const { return m_nTracking; }
  BOOL IsTrackingMode() const { return m_nTracking != 0; }
  int GetPosition() const { return m_barPosition; }
  int GetType() const { return m_barType; }
  int GetSelected() const { return m_nSelected; }

  // Above 0 the bar is locked open: the mouse manager raises and lowers it
  // for every tracked bar; leaving tracking mode resets it.
  int m_nLockCount = 0;

  static constexpr int kPositionPopup = 5;
  static constexpr UINT_PTR kHoverTimerId = 112223;

 protected:
  int m_nSelected = -1;
  int m_nTracking = 0;
  BOOL m_bKeyboardSelect = FALSE;
  BOOL m_bMouseTracking = FALSE;
  int m_barType = 1;
  int m_barPosition = 7;
};
