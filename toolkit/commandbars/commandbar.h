// The window base of the command bars. It owns the bar's controls, gives
// them what they need of a window (redraw, the hot control, the open popup)
// and resolves the bar's owner window, look and icons through the chain of
// parent bars up to the frame-wide command bars. It also holds what the
// thread's mouse and keyboard managers need of a bar: tracking mode, the
// lock count, the selection and the hit test of its window.
#pragma once

#include <string>

#include "platform/framework/afxmsg.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/commandbars/commandbarsdefs.h"
#include "toolkit/common/hookmanager.h"
#include "toolkit/common/trackedbar.h"

class CTKBarPaintManager;
class CTKCommandBars;
class CTKControl;
class CTKControls;
class CTKImageManager;
class CTKToolTipContext;

// Bar flags (the dock sides and the layout switches).
constexpr DWORD kTKBarFlagAlignTop = 0x01;
constexpr DWORD kTKBarFlagAlignBottom = 0x02;
constexpr DWORD kTKBarFlagAlignLeft = 0x04;
constexpr DWORD kTKBarFlagAlignRight = 0x08;
constexpr DWORD kTKBarFlagFloating = 0x10;
constexpr DWORD kTKBarFlagHideWrap = 0x20;
constexpr DWORD kTKBarFlagStretched = 0x40;
constexpr DWORD kTKBarFlagStretchedShared = 0x100000;
constexpr DWORD kTKBarFlagSmartLayout = 0x200000;
// The bar style bit that shows the gripper.
constexpr DWORD kTKBarStyleShowGripper = 0x400000;
// The bar's layout-state bits.
constexpr DWORD kTKBarLayoutDirty = 0x1;
constexpr DWORD kTKBarRedrawPending = 0x2;
// A preferred width that is no width.
constexpr int kTKNoMRUWidth = 32767;

class CTKCommandBar : public CWnd, public CTKHookManagerHookAble, public CTKTrackedBar {
 public:
  // The command-UI object of a bar's idle update: handlers reach the
  // control at the index through it.
  class CCommandBarCmdUI : public CCmdUI {
   public:
    // On: a linked control follows its action again; off disables and, when
    // no check was set in this update, unchecks it.
    void Enable(BOOL bOn = TRUE) override;
    void SetCheck(int nCheck = 1) override;
    // A tab in the text sets the automatic shortcut text.
    void SetText(LPCTSTR lpszText) override;

    CTKControl* m_pControl = nullptr;
    BOOL m_bCheckChanged = FALSE;
  };

  // The code a bar answers first, before the ordinary update of the id.
  static constexpr int kUpdateCommandUICode = static_cast<int>(0xBD11FFFF);

  CTKCommandBar();
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
  // tracked bars with the point in client coordinates. The control under
  // the point becomes the hot one.
  virtual void OnMouseMove(UINT nFlags, CPoint point);
  // Leaves tracking mode; the popup closes and, with bSelectFirst, the
  // selection goes too.
  virtual void LeaveTrackingMode() { SetTrackingMode(TKTrackingMode::Off, TRUE); }
  virtual void DeselectControl() { SetSelected(-1); }

  HWND GetTrackedBarWindow() const override { return GetSafeHwnd(); }
  void OnTrackedMouseMove(UINT nFlags, CPoint ptClient) override { OnMouseMove(nFlags, ptClient); }

  int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) override;
  // The last release destroys the window, then the bar.
  void OnFinalRelease() override;
  // Every message is shown to the tooltip context first.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  TKTrackingMode GetTrackingMode() const { return m_tracking; }
  BOOL IsTrackingMode() const { return m_tracking != TKTrackingMode::Off; }
  TKBarPosition GetPosition() const { return m_barPosition; }
  TKBarType GetType() const { return m_barType; }
  int GetSelected() const { return m_nSelected; }
  // Tracking entered by the mouse alone (no keyboard, no first selection):
  // the bar's first popup may animate; later ones open at once.
  BOOL IsMouseTrackingEntered() const { return m_bMouseTracking; }
  void ClearMouseTrackingEntered() { m_bMouseTracking = FALSE; }

  // ---- controls ----
  CTKControls* GetControls() const { return m_pControls; }
  // Releases the held collection, takes the caller's reference to the new
  // one and becomes its parent.
  void SetControls(CTKControls* pControls);
  int GetControlCount() const;
  CTKControl* GetControl(int nIndex) const;
  // The index of the control whose popup is open; -1 for none.
  int GetPopupedIndex() const { return m_nPopuped; }
  // Closes the open popup (-1) or opens the control's: the bar enters
  // tracking mode on the way. FALSE for a missing or disabled control and
  // when the control's popup does not open.
  virtual BOOL SetPopupedControl(int nPopuped, BOOL bKeyboard = FALSE);

  // ---- what popup bars add ----
  // Shows the bar as the popup of the control (null: at its popup point).
  // Only popup bars show themselves.
  virtual BOOL Popup(CTKControl* /*pControlPopup*/, BOOL /*bSelectFirst*/ = FALSE) { return FALSE; }
  // The right button released over a control of one of this bar's popups.
  virtual void OnPopupRButtonUp(CTKCommandBar* /*pBar*/, CPoint /*point*/) {}
  void SetRightButtonTracking(BOOL bRightButton) { m_bRightButtonTracking = bRightButton; }
  BOOL IsRightButtonTracking() const { return m_bRightButtonTracking; }
  BOOL IsPopupOnHover() const { return m_bPopupOnHover; }
  void SetPopupOnHover(BOOL bPopupOnHover) { m_bPopupOnHover = bPopupOnHover; }
  // The move lock of the thread's mouse manager, unless the bar is exempt.
  BOOL IsMouseLocked() const;
  // The controls changed: the layout is dirty, nothing is selected and no
  // popup is open.
  virtual int OnControlsChanged();
  // A control's enabled value as the bar sees it; -1 leaves it alone.
  virtual int IsControlEnabled(const CTKControl* /*pControl*/) const { return -1; }
  // A control was selected (hot) or deselected: the site hears of it and the
  // status bar shows its description.
  virtual void OnControlSelected(BOOL bSelected, CTKControl* pControl);
  void SetStatusText(const CString& strText);
  // The control whose description stays off the status bar until it has
  // been deselected once more (a clicked button); -1 none.
  void SetStatusControl(int nIndex) { m_nStatusControl = nIndex; }
  int GetStatusControl() const { return m_nStatusControl; }

  // ---- the chain up to the command bars ----
  CTKCommandBars* GetCommandBars() const;
  void SetCommandBars(CTKCommandBars* pCommandBars) { m_pCommandBars = pCommandBars; }
  // The bar of the control that opened this one; null for a top bar.
  virtual CTKCommandBar* GetParentCommandBar() const { return nullptr; }
  // The control whose popup this bar is; null for a top bar.
  virtual CTKControl* GetControlPopup() const { return nullptr; }
  CTKCommandBar* GetTopParentBar() const;
  BOOL IsCustomizeMode() const;
  virtual BOOL IsCustomizable() const { return m_bCustomizable; }
  void SetCustomizable(BOOL bCustomizable) { m_bCustomizable = bCustomizable; }
  // The command bars' site, else the top bar's owner, its window's owner or
  // parent, else the thread's main window.
  CWnd* GetSite() const;
  // Where notifications and commands go: the first notify window up the
  // chain, a window owner, else the site.
  CWnd* GetOwnerWindow() const;
  void SetOwner(CWnd* pOwner) { m_pOwner = pOwner; }
  void SetNotifyWindow(CWnd* pWnd) { m_pNotifyWnd = pWnd; }
  // The bar's own look, else the command bars', else the top bar's own,
  // else the process-wide one.
  CTKBarPaintManager* GetPaintManager() const;
  // Takes over the caller's reference.
  void SetPaintManager(CTKBarPaintManager* pPaintManager);
  CTKImageManager* GetImageManager() const;
  void SetImageManager(CTKImageManager* pImageManager);
  virtual BOOL IsKeyboardCuesVisible() const;

  // ---- sizes and settings ----
  virtual CSize GetIconSize() const;
  void SetIconSize(CSize szIcon) { m_szIcons = szIcon; }
  virtual CSize GetButtonSize() const;
  void SetButtonSize(CSize szButton) { m_szButtons = szButton; }
  TKButtonStyle GetDefaultButtonStyle() const { return m_defaultButtonStyle; }
  void SetDefaultButtonStyle(TKButtonStyle style) { m_defaultButtonStyle = style; }
  TKTextOrientation GetTextOrientation() const { return m_textOrientation; }
  void SetTextOrientation(TKTextOrientation orientation) { m_textOrientation = orientation; }
  DWORD GetFlags() const { return m_dwFlags; }
  void ModifyFlags(DWORD dwAdd, DWORD dwRemove);
  BOOL GetShowGripper() const { return (m_dwStyle & kTKBarStyleShowGripper) != 0; }
  void SetShowGripper(BOOL bShow);
  CString GetTitle() const { return m_strTitle; }
  void SetTitle(const CString& strTitle) { m_strTitle = strTitle; }
  int GetBarID() const { return m_nBarID; }
  void SetBarID(int nBarID) { m_nBarID = nBarID; }
  int GetMRUWidth() const { return m_nMRUWidth; }
  void SetMRUWidth(int nWidth) { m_nMRUWidth = nWidth; }
  void SetReturnCommand(int* pReturnCommand, BOOL bRecursive = FALSE);
  int* GetReturnCommand() const { return m_pReturnCmd; }
  BOOL IsRecursivePopup() const { return m_bRecursePopup; }
  BOOL IsNoNotify() const { return m_bNoNotify; }
  virtual BOOL IsPopupBar() const { return FALSE; }
  virtual BOOL IsRibbonBar() const { return FALSE; }
  virtual BOOL IsDialogBar() const { return FALSE; }
  virtual BOOL IsVisible() const;
  virtual void SetVisible(BOOL) {}

  // ---- the idle cycle ----
  // Changes only mark the bar; its next idle update applies them.
  void DelayLayout() { m_dwLayoutState |= kTKBarLayoutDirty; }
  virtual void DelayRedraw() { m_dwLayoutState |= kTKBarRedrawPending; }
  BOOL IsLayoutDirty() const { return (m_dwLayoutState & kTKBarLayoutDirty) != 0; }
  BOOL IsRedrawPending() const { return (m_dwLayoutState & kTKBarRedrawPending) != 0; }
  // While locked, redraw requests only mark the bar.
  void LockRedraw() { ++m_nLockRedraw; }
  void UnlockRedraw();
  // Redraws the rectangle (null: all).
  virtual void Redraw(const CRect* pRect = nullptr, BOOL bAnimate = FALSE);
  // The background, the gripper, then every visible control meeting the
  // clip rectangle with the separators before groups.
  virtual void DrawCommandBar(CDC* pDC, CRect rcClipBox);
  virtual void FillCommandBarEntry(CDC* pDC);
  virtual CRect GetBorders();
  virtual void OnRecalcLayout() {}
  // A bar with a visible window hides its controls for the active document
  // template, updates their states through the owner window's command
  // routing, then runs the pending redraw and layout.
  virtual void OnIdleUpdate();
  // Hide flag 0x40 from each control's template maps and the command bars'
  // active document template.
  void UpdateDocTemplateControls();
  // Each control's state through the command-UI mechanism: the bar first,
  // then the owner window.
  void UpdateCommandUI();
  virtual void EnsureVisible(CTKControl* /*pControl*/) {}

  // ---- copies ----
  // Takes the source's type, position, bar id, flags, style, title,
  // customisability, preferred width, icon and button sizes, command bars
  // and default button style, then a copy of its controls (recursive:
  // with copies of the bars their popups open).
  virtual void Copy(CTKCommandBar* pSource, BOOL bRecursive = FALSE);
  // A new bar with Copy applied; the caller holds its one reference.
  virtual CTKCommandBar* Clone(BOOL bRecursive = FALSE);

  // ---- what the layout engine reads and writes ----
  // The last layout made more than one row or column.
  BOOL IsMultiLine() const { return m_bMultiLine; }
  void SetMultiLine(BOOL bMultiLine) { m_bMultiLine = bMultiLine; }
  // The gaps between the controls of a row and between rows.
  int GetHorizontalSpacing() const { return m_nHorizontalSpacing; }
  int GetVerticalSpacing() const { return m_nVerticalSpacing; }
  void SetSpacing(int nHorizontal, int nVertical);
  // The icon size of large buttons: an own button size keeps the bar's
  // icon size; else the command bars' large size, the look's automatic
  // large size when asked, or twice the icon size.
  virtual CSize GetLargeIconSize(BOOL bAutomatic) const;

  // Where a control dropped at the client point would go: the index of the
  // nearest visible customisable control (-1 for none), whether after it,
  // and the 6-pixel insert marker (empty on the dragged control itself).
  virtual void FindInsertPosition(CTKControl* pDragged, CPoint point, CRect& rcMarker, int& nIndex, BOOL& bAfter);

  // The tooltip service the bar's messages are shown to; a reference is held.
  void SetToolTipContext(CTKToolTipContext* pContext);
  CTKToolTipContext* GetToolTipContext() const { return m_pToolTipContext; }

  // ---- keys while the bar tracks (commandbar_keys.cpp) ----
  // What ProcessNavigationKey is asked to do; the numbers are the codes the
  // bars hand each other.
  enum class Navigation : int {
    Next = 0,
    Previous = 1,
    // Closes the open popup; in a grid bar, the row above.
    Up = 2,
    // Opens the selected control's popup; in a grid bar, the row below.
    Down = 3,
    // Out one level: a popup closes, its parent bar tracks again.
    Escape = 4,
    Execute = 5,
    First = 6,
    Last = 7,
    // The horizontal arrows: Previous and Next.
    Left = 8,
    Right = 9,
    // The frame's system menu, from a menu bar.
    SystemMenu = 10,
  };
  // A key pressed while the bar tracks: 1 taken, 2 let through to the focus
  // window, 0 refused (the bar beneath may take it).
  virtual int OnHookKeyDown(UINT nChar, LPARAM lParam);
  // FALSE when the bar refuses the move.
  virtual BOOL ProcessNavigationKey(Navigation code);
  // The control the key types the mnemonic of (else the first letter of its
  // caption), searching from the one after the selection and wrapping; -1
  // for none. Ambiguous when another control matches the same way.
  int FindMnemonic(UINT nChar, BOOL& bAmbiguous) const;

  static constexpr UINT_PTR kHoverTimerId = 112223;
  static constexpr UINT_PTR kExpandTimerId = 112224;
  static constexpr UINT_PTR kKeyboardTipsTimerId = 52426;
  static constexpr UINT_PTR kAnimationTimerId = 707907;
  // Resting on a control opens its popup; resting on an open popup's item
  // expands it. Process-wide, never changed.
  static constexpr UINT kHoverDelay = 300;
  static constexpr UINT kExpandDelay = 5000;

#ifndef NDEBUG
  // Every control of the bar knows its index, collection and parent; the
  // selection and the open popup are controls of the bar or -1.
  std::string CheckInvariants() const;
#endif

 protected:
  // ---- the window's messages ----
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnPaint();
  LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnTimer(UINT_PTR nIDEvent);
  void OnMouseLeave();
  void OnNcMouseMove(UINT nHitTest, CPoint point);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  LRESULT OnNcHitTest(CPoint point);
  void OnNcLButtonDown(UINT nHitTest, CPoint point);
  LRESULT OnHelpHitTest(WPARAM wParam, LPARAM lParam);
  // The visible control under the client point; null for none.
  CTKControl* HitTestControl(CPoint point) const;
  DECLARE_MESSAGE_MAP()

 protected:
  BOOL m_bMouseLockExempt = FALSE;
  BOOL m_bPopupOnHover = TRUE;
  BOOL m_bHideCaret = TRUE;
  int m_nMRUWidth = kTKNoMRUWidth;
  int m_nSelected = -1;
  int m_nPopuped = -1;
  HWND m_hwndCaret = nullptr;
  int m_nBarID = 0;
  TKTrackingMode m_tracking = TKTrackingMode::Off;
  CWnd* m_pOwner = nullptr;
  DWORD m_dwLayoutState = 0;
  DWORD m_dwFlags = 0;
  DWORD m_dwStyle = kTKBarStyleShowGripper;
  CString m_strTitle;
  TKBarType m_barType = TKBarType::Normal;
  CTKControls* m_pControls = nullptr;
  TKBarPosition m_barPosition = TKBarPosition::None;
  CTKCommandBars* m_pCommandBars = nullptr;
  CWnd* m_pNotifyWnd = nullptr;
  CSize m_szIcons;
  CSize m_szButtons;
  int m_nShowTextBelowIcons = 2;
  BOOL m_bRightButtonTracking = FALSE;
  BOOL m_bNoNotify = FALSE;
  BOOL m_bRecursePopup = FALSE;
  BOOL m_bKeyboardSelect = FALSE;
  BOOL m_bCustomizable = TRUE;
  int* m_pReturnCmd = nullptr;
  BOOL m_bMouseTracking = FALSE;
  int m_nLockRedraw = 0;
  CTKBarPaintManager* m_pPaintManager = nullptr;
  CTKImageManager* m_pImageManager = nullptr;
  BOOL m_bMultiLine = FALSE;
  TKButtonStyle m_defaultButtonStyle = TKButtonStyle::Automatic;
  int m_nHorizontalSpacing = 0;
  int m_nVerticalSpacing = 0;
  int m_nStatusControl = -1;
  CTKToolTipContext* m_pToolTipContext = nullptr;
  // Explicit caption orientation; Automatic follows the position.
  TKTextOrientation m_textOrientation = TKTextOrientation::Automatic;
};
