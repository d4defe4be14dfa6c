// The command bar that drops down from a control or opens at a point: menus,
// sub-menus, drop-down parts of buttons and context menus. A popup bar is a
// top-level window that is never activated. It sizes itself from its
// controls, places itself on the monitor's work area beside or below the
// control that opened it, hides rarely used commands behind an expand
// button, scrolls when it is taller than the room it has, animates its
// appearance and casts shadows. A popup holding a resizable gallery can be
// resized by the grip along its bottom (popupbar_scroll.cpp).
// CTKPopupToolBar is the same window laid out as rows of buttons.
#pragma once

#include "platform/base/geometry.h"
#include "platform/framework/afxmsg.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"

class CDC;

// Which way a popup opens from its control or point.
constexpr DWORD kTKPopupLeft = 0x1;           // towards smaller x, or right-aligned at the point
constexpr DWORD kTKPopupBelow = 0x2;          // below the control rather than beside it
constexpr DWORD kTKPopupBottomAligned = 0x4;  // a point popup ends at the point

// What the grip of a popup may change (a gallery's answer).
constexpr int kTKResizeNone = 0;
constexpr int kTKResizeWidth = 0x1;
constexpr int kTKResizeHeight = 0x2;

// How a popup appears; the "Animation" option holds these numbers beside 0
// (as the system says) and 1 (one of the three at random).
enum class TKPopupAnimation : int { System = 0, Random = 1, Unfold = 2, Slide = 3, Fade = 4, None = 5 };

class CTKPopupBar : public CTKCommandBar {
 public:
  // The button at the bottom of a menu that shows its rarely used commands.
  class CControlExpandButton : public CTKControl {
   public:
    CControlExpandButton();
    CSize GetSize(CDC* pDC) override;
    void Draw(CDC* pDC) override;
    void OnExecute() override;
  };

  // A scroll button is no control: a rectangle, its running timer and its
  // timer event.
  struct CScrollButton {
    CRect rc;
    UINT_PTR nTimer = 0;
    UINT_PTR nEvent = 0;
  };

  static constexpr int kExpandButtonId = 9150;
  static constexpr UINT_PTR kScrollDownTimerId = 5001;
  static constexpr UINT_PTR kScrollUpTimerId = 5002;
  static constexpr UINT_PTR kExpandDelayTimerId = 5004;
  // Resting on a scroll button moves one control per interval.
  static constexpr UINT kScrollInterval = 80;
  // Resting on the expand button with the mouse expands the menu.
  static constexpr UINT kExpandDelay = 900;
  static constexpr int kScrollButtonHeight = 16;
  // The grip below the bottom border: height only, or both ways.
  static constexpr int kResizeGripHeightOnly = 8;
  static constexpr int kResizeGripBoth = 11;
  // The room a popup keeps free above the bottom of its monitor's work area.
  static constexpr int kBottomMargin = 5;

  CTKPopupBar();
  ~CTKPopupBar() override;

  // A new popup bar of the command bars (no window yet); the caller holds
  // its one reference.
  static CTKPopupBar* CreatePopupBar(CTKCommandBars* pCommandBars);

  // Shows the popup for the control (null: at the popup point). FALSE when
  // the window could not be made or was closed while it opened.
  BOOL Popup(CTKControl* pControlPopup, BOOL bSelectFirst = FALSE) override;
  // Shows the popup at a screen point, keeping clear of the rectangle.
  BOOL PopupAt(int x, int y, const CRect* prcExclude = nullptr);
  void SetDirection(DWORD dwFlags) { m_dwPopupFlags = dwFlags; }
  DWORD GetDirection() const { return m_dwPopupFlags; }
  CPoint GetPopupPoint() const { return m_ptPopup; }
  CRect GetExcludeRect() const { return m_rcExclude; }

  // Entering raises the menu-popup-start event; leaving raises the end
  // event, destroys the window, closes the parent's open popup and tells the
  // site.
  BOOL SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst = TRUE, BOOL bKeyboard = FALSE) override;
  BOOL SetSelected(int nSelected, BOOL bKeyboard = FALSE) override;
  BOOL IsVisible() const override;
  BOOL IsPopupBar() const override { return TRUE; }
  CTKCommandBar* GetParentCommandBar() const override;
  CTKControl* GetControlPopup() const override { return m_pControlPopup; }
  int OnControlsChanged() override;
  void OnRecalcLayout() override;
  // A popup redraws at once, unless it is being shown.
  void DelayRedraw() override;
  void OnMouseMove(UINT nFlags, CPoint point) override;
  int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) override;

  // ---- size and place ----
  virtual CSize CalcDynamicLayout(int nLength, DWORD dwMode);
  virtual CRect CalcPopupRect(CPoint pt, CSize sz);
  virtual void UpdateLocation();
  // The parent control's say on the rectangle the popup must not cover.
  virtual void AdjustExcludeRect(CRect& rc, BOOL bVertical);
  virtual BOOL CreatePopupWindow();
  virtual void Animate();
  CRect GetBorders() override;
  // The resize mode of the popup's first visible gallery.
  int GetResizeMode() const { return m_nResizeMode; }
  void SetMaximumHeight(int nHeight) { m_nMaxHeight = nHeight; }
  int GetMaximumHeight() const { return m_nMaxHeight; }

  // ---- rarely used commands ----
  // Shows the rarely used commands; FALSE when there were none hidden.
  BOOL ExpandBar();
  BOOL IsExpanded() const { return m_bExpanded; }
  BOOL HasHiddenCommands() const { return m_bHiddenCommands; }
  // The index (bByIndex) or id of the first visible default item; -1 none.
  int GetDefaultItem(BOOL bByIndex = TRUE) const;

  // The kind of animation the options ask for.
  TKPopupAnimation GetAnimationType() const;

  // ---- scrolling (popupbar_scroll.cpp) ----
  BOOL IsScrolling() const { return m_bScrolling; }
  int GetFirstVisibleIndex() const { return m_nFirstVisible; }
  int GetEndIndex() const { return m_nEndIndex; }
  CRect GetScrollUpRect() const { return m_scrollUp.rc; }
  CRect GetScrollDownRect() const { return m_scrollDown.rc; }
  // Lays out the run of controls that shows, from the first visible index
  // down or from the end index up; null: the window's size.
  void ScrollLayout(const CSize* pSize, BOOL bUpwards, BOOL bRedraw);

  // ---- the resize grip (popupbar_scroll.cpp) ----
  CRect GetResizeGripRect() const { return m_rcResizeGrip; }
  // The grip's drag loop on the first visible gallery.
  void TrackResize();
  void ApplyResize();

  // The bar's picture: background, controls, scroll arrows and the grip.
  void DrawCommandBar(CDC* pDC, CRect rcClipBox) override;

  BOOL m_bShowShadow = TRUE;
  BOOL m_bContextMenu = FALSE;
  BOOL m_bTearOffPopup = FALSE;
  CString m_strTearOffCaption;
  int m_nTearOffId = 0;
  int m_nTearOffWidth = 0;
  CRect m_rcBorders{2, 4, 2, 4};
  BOOL m_bDoubleGripper = FALSE;

  BOOL IsShowShadow() const { return m_bShowShadow; }

  // Copies the bar's controls and settings, and a popup's own settings.
  void Copy(CTKCommandBar* pSource, BOOL bRecursive = FALSE) override;
  CTKPopupBar* Clone(BOOL bRecursive = FALSE) override;

#ifndef NDEBUG
  // Scrolling indexes lie within the controls; the visible run is exactly
  // the controls without the scroll hide flag.
  std::string CheckInvariants() const;
#endif

 protected:
  // Places the window for the size from the popup point.
  void MoveToPoint(CSize sz);
  // Lowers the redraw lock; reaching zero runs the redraw held back.
  void Unlock();
  void UpdateExpandingState();
  void UpdateShortcuts() {}
  // With Ctrl+Down, or Down on the last command, a short menu expands;
  // then the key moves the selection as on any bar.
  int OnHookKeyDown(UINT nChar, LPARAM lParam) override;
  CTKControl* FindExpandButton() const;
  CTKControl* FirstVisibleGallery() const;
  // The animation the popup about to show will play (None: none).
  TKPopupAnimation ChooseAnimation() const;
  // Keeps what the screen shows under the rectangle, for the animation.
  void CaptureScreenBelow(CRect rcScreen);
  void ReleaseScreenBelow();
  void AddShadows();
  void RemoveShadows();
  // Scroll-button hover: starts or kills the buttons' timers.
  void OnScrollButtonsHover(CPoint point);
  void StepScroll(UINT_PTR nEvent);
  void KillScrollTimers();
  void DrawScrollArrows(CDC* pDC);

  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  BOOL OnNcActivate(BOOL bActive);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnTimer(UINT_PTR nIDEvent);
  void OnLButtonDown(UINT nFlags, CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  LRESULT OnFloatStatus(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 protected:
  CTKControl* m_pControlPopup = nullptr;
  CPoint m_ptPopup;
  CRect m_rcExclude;
  DWORD m_dwPopupFlags = 0;
  BOOL m_bInLayout = FALSE;
  BOOL m_bHiddenCommands = FALSE;
  BOOL m_bExpanded = FALSE;
  BOOL m_bExpanding = FALSE;
  CRect m_rcGripper;
  CRect m_rcResizeGrip;
  int m_nResizeMode = kTKResizeNone;
  BOOL m_bGripperHot = FALSE;
  int m_nMaxHeight = 0;
  BOOL m_bScrolling = FALSE;
  int m_nFirstVisible = 0;
  int m_nEndIndex = 0;
  CScrollButton m_scrollDown{CRect(), 0, kScrollDownTimerId};
  CScrollButton m_scrollUp{CRect(), 0, kScrollUpTimerId};
  BOOL m_bShadowsAdded = FALSE;
  // The grip's drag loop runs: keys go to it, not to the menus.
  BOOL m_bTrackingResize = FALSE;
  TKPopupAnimation m_pendingAnimation = TKPopupAnimation::None;
  HBITMAP m_hbmScreenBelow = nullptr;
};

// The popup laid out as a tool bar: rows of buttons with its own borders.
class CTKPopupToolBar : public CTKPopupBar {
 public:
  CTKPopupToolBar();
  static CTKPopupToolBar* CreatePopupToolBar(CTKCommandBars* pCommandBars);
  CSize CalcDynamicLayout(int nLength, DWORD dwMode) override;
  CTKPopupBar* Clone(BOOL bRecursive = FALSE) override;
};
