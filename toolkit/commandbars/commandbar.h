// The window base of the command bars. It holds what the thread's mouse and
// keyboard managers need of a bar: tracking mode, the lock count, the
// selection and the hit test of its window.
#pragma once

#include "platform/framework/afxwnd.h"
#include "toolkit/common/hookmanager.h"
#include "toolkit/common/trackedbar.h"

// Whether a bar tracks the mouse and keys, and why.
enum class TKTrackingMode : int {
  Off = 0,
  Tracking = 1,
  // Entered when one of the bar's controls opens its popup.
  PopupOpen = 2,
};

// Bar kinds; the numbers are stored.
enum class TKBarType : int { MenuBar = 0, Normal = 1, Popup = 2, Ribbon = 3 };

// Where a bar sits; the numbers are stored (dock rows are indexed 0-3).
enum class TKBarPosition : int {
  Top = 0,
  Bottom = 1,
  Left = 2,
  Right = 3,
  Floating = 4,
  Popup = 5,
  List = 6,
  None = 7
};

class CTKCommandBar : public CWnd, public CTKHookManagerHookAble, public CTKTrackedBar {
 public:
  CTKCommandBar() = default;
  ~CTKCommandBar() override;
  CTKCommandBar(const CTKCommandBar&) = delete;
  CTKCommandBar& operator=(const CTKCommandBar&) = delete;

  // Entering a tracking mode tracks the bar with the thread's mouse manager
  // and hooks it to the keyboard manager; leaving (Off) releases both and
  // clears the lock count. FALSE when the bar already tracks or the mode is
  // unchanged.
  virtual BOOL SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst = TRUE, BOOL bKeyboard = FALSE);
  virtual BOOL SetSelected(int nSelected, BOOL bKeyboard = FALSE);
  // Leaves tracking mode; the bar stops being tracked on the way.
  void OnTrackLost() override;
  void ClearSelection() override;
  // 1 inside the bar's window rectangle (and, for a popup with a window
  // region, inside the region), else 0.
  int HitTestScreenPoint(POINT ptScreen) const override;
  // The bar's WM_MOUSEMOVE handler; the mouse manager calls it for the
  // tracked bars with the point in client coordinates.
  virtual void OnMouseMove(UINT nFlags, CPoint point);

  HWND GetTrackedBarWindow() const override { return GetSafeHwnd(); }
  void OnTrackedMouseMove(UINT nFlags, CPoint ptClient) override { OnMouseMove(nFlags, ptClient); }

  int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) override;

  TKTrackingMode GetTrackingMode() const { return m_tracking; }
  BOOL IsTrackingMode() const { return m_tracking != TKTrackingMode::Off; }
  TKBarPosition GetPosition() const { return m_barPosition; }
  TKBarType GetType() const { return m_barType; }
  int GetSelected() const { return m_nSelected; }

  static constexpr UINT_PTR kHoverTimerId = 112223;

 protected:
  int m_nSelected = -1;
  TKTrackingMode m_tracking = TKTrackingMode::Off;
  BOOL m_bKeyboardSelect = FALSE;
  BOOL m_bMouseTracking = FALSE;
  TKBarType m_barType = TKBarType::Normal;
  TKBarPosition m_barPosition = TKBarPosition::None;
};
