// The pop-up notification window: a small borderless, top-most, never
// activated window that comes up beside the task bar, grows or fades in on
// its timers, stays for its show delay (held while the mouse is over it),
// hides again and closes. Its content is a list of items at fixed
// rectangles; a paint manager draws the background and the plain items.
// Clicks, state changes and user moves reach the owner window as
// TK_WM_POPUPNOTIFY.
#pragma once

#include <vector>

#include "platform/framework/afx.h"
#include "toolkit/controls/popupitem.h"
#include "toolkit/controls/popuppaintmanager.h"

class CTKImageManager;
class CTKMarkupContext;
class CTKPopupPaintManager;

// Sent to the owner: wParam one of the codes below.
constexpr UINT TK_WM_POPUPNOTIFY = WM_USER + 9037;
constexpr WPARAM TK_POPUP_ITEMCLICK = 1;     // lParam: the clicked CTKPopupItem
constexpr WPARAM TK_POPUP_STATECHANGED = 2;  // lParam: the CTKPopupControl
constexpr WPARAM TK_POPUP_POSCHANGED = 3;    // lParam: the CTKPopupControl

enum TKPopupState {
  tkPopupStateClosed = 0,
  tkPopupStateExpanding = 1,
  tkPopupStateShown = 2,
  tkPopupStateCollapsing = 3,
};

enum TKPopupAnimation {
  tkPopupAnimationNone = 0,
  tkPopupAnimationFade = 1,
  tkPopupAnimationSlide = 2,
  tkPopupAnimationUnfold = 3,
};

enum TKPopupLocation {
  tkPopupLocationNearTaskBar = 0,
  tkPopupLocationBottomRight = 1,
  tkPopupLocationCenter = 2,
};

class CTKPopupControl : public CWnd {
 public:
  // Timers of the window.
  static constexpr UINT_PTR kShowTimer = 296;
  static constexpr UINT_PTR kHideTimer = 297;
  static constexpr UINT_PTR kDisplayTimer = 304;
  // A show delay that keeps the window shown until it is closed.
  static constexpr UINT kShowUntilClosed = 0xFFFFFFFF;

  explicit CTKPopupControl(BOOL bAutoDelete = FALSE);
  ~CTKPopupControl() override;

  // ---- settings, read when the window is created or an animation starts ----
  void SetTransparency(int nAlpha) { m_nTransparency = nAlpha; }
  int GetTransparency() const { return m_nTransparency; }
  void SetShowDelay(UINT nMilliseconds) { m_nShowDelay = nMilliseconds; }
  UINT GetShowDelay() const { return m_nShowDelay; }
  // The duration of the show and hide animations; 0 means none. The
  // application calls it the animation delay.
  void SetAnimationTime(UINT nMilliseconds) { m_nAnimationTime = nMilliseconds; }
  UINT GetAnimationTime() const { return m_nAnimationTime; }
  void SetAnimationDelay(UINT nMilliseconds) { SetAnimationTime(nMilliseconds); }
  UINT GetAnimationDelay() const { return GetAnimationTime(); }
  UINT GetStepInterval() const { return m_nStepInterval; }
  // TKPopupAnimation; the application calls it the animation.
  void SetAnimationKind(int nKind) { m_nAnimationKind = nKind; }
  int GetAnimationKind() const { return m_nAnimationKind; }
  void SetPopupAnimation(int nKind) { SetAnimationKind(nKind); }
  int GetPopupAnimation() const { return GetAnimationKind(); }
  // Lets the user drag the window by its background; the application calls
  // it the move flag.
  void AllowMove(BOOL bAllow) { m_bAllowMove = bAllow; }
  BOOL IsMoveAllowed() const { return m_bAllowMove; }
  void SetMoveFlag(BOOL bAllow) { AllowMove(bAllow); }
  void SetPopupSize(CSize size) { m_szPopup = size; }
  CSize GetPopupSize() const { return m_szPopup; }
  // The bottom-right corner of the window; (-1, -1) lets GetPopupPos choose.
  void SetPopupPos(CPoint pt) { m_ptPopup = pt; }
  void SetExplicitPos(CPoint pt) { SetPopupPos(pt); }
  void SetPopupLocation(int nLocation) { m_nPopupLocation = nLocation; }
  int GetPopupLocation() const { return m_nPopupLocation; }
  void SetLayoutRTL(BOOL bRightToLeft) { m_bRightToLeft = bRightToLeft; }
  // An image id in GetImageManager() that shapes and fills the window; 0 none.
  void SetBackgroundImage(int nImageId) { m_nBackgroundImage = nImageId; }
  int GetBackgroundImage() const { return m_nBackgroundImage; }
  void SetHoverIgnored(BOOL bIgnore) { m_bHoverIgnored = bIgnore; }

  // ---- looks ----
  // 0 Office 2000, 1 Office XP, 2 Office 2003, 3 MSN, 4 theme images,
  // any other number the plain paint manager.
  void SetTheme(int nTheme);
  void SetTheme(TKPopupTheme theme) { SetTheme(TKPopupThemeNumber(theme)); }
  int GetTheme() const { return m_nTheme; }
  // Takes ownership, refreshes its metrics and redraws.
  void SetPaintManager(CTKPopupPaintManager* pPaintManager);
  CTKPopupPaintManager* GetPaintManager() const { return m_pPaintManager; }
  CTKImageManager* GetImageManager() const { return m_pImageManager; }
  void EnableMarkup(BOOL bEnable = TRUE);
  CTKMarkupContext* GetMarkupContext() const { return m_pMarkupContext; }

  // ---- items ----
  // Takes over the caller's reference; no redraw.
  CTKPopupItem* AddItem(CTKPopupItem* pItem);
  void RemoveAllItems();
  int GetItemCount() const { return static_cast<int>(m_arrItems.size()); }
  CTKPopupItem* GetItem(int nIndex) const;
  // The last added item whose rectangle holds the point.
  CTKPopupItem* HitTest(CPoint pt) const;
  CTKPopupItem* GetHotItem() const { return m_pHotItem; }
  CTKPopupItem* GetPressedItem() const { return m_pPressedItem; }
  void RedrawControl();

  // ---- showing and closing ----
  // FALSE when the window cannot be created or the pop-up is not closed.
  BOOL Show(CWnd* pParent);
  using CWnd::Create;
  virtual BOOL Create(CWnd* pParent);
  BOOL Close();
  int GetPopupState() const { return m_nPopupState; }
  void SetPopupState(int nState);
  // The bottom-right corner of the whole window.
  CPoint GetPopupPos() const;
  BOOL IsMouseOver() const { return m_bCapture; }
  BYTE GetAppliedAlpha() const { return static_cast<BYTE>(m_nCurrentAlphaApplied); }

  virtual void OnClick(CTKPopupItem* pItem);
  virtual void OnExpanding(BOOL bFromStart);
  virtual void OnCollapsing();
  virtual void OnShow();
  virtual void Notify(WPARAM wParam, LPARAM lParam);

  // Builds the window region from an image: every pixel that is not exactly
  // magenta RGB(255, 0, 255) after drawing it over magenta. Null on failure.
  static HRGN BitmapToRegion(CTKImageManagerIcon* pImage);

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 protected:
  struct TKPopupGeometry {
    int left = 0, top = 0, right = 0, bottom = 0, alpha = 0;
    CRect Rect() const { return CRect(left, top, right, bottom); }
    void SetRect(const RECT& rc) { left = rc.left, top = rc.top, right = rc.right, bottom = rc.bottom; }
  };

  void PostNcDestroy() override;

  void UpdateState();
  BOOL SetLayeredAlpha(int nAlpha);
  void Animate(int nStep);
  // Hover, hiding interrupted by the mouse, and the hot item (point (-1, -1): the mouse left).
  void TrackHover(CPoint point);
  void UpdateBackground();
  void TrackMove();

  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  void OnTimer(UINT_PTR nIDEvent);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnMouseLeave();
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnCaptureChanged(CWnd* pWnd);
  DECLARE_MESSAGE_MAP()

  using PFNSETLAYEREDWINDOWATTRIBUTES = BOOL (*)(HWND, COLORREF, BYTE, DWORD);
  using PFNUPDATELAYEREDWINDOW = BOOL (*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

  CTKPopupPaintManager* m_pPaintManager = nullptr;
  std::vector<CTKPopupItem*> m_arrItems;
  CTKPopupItem* m_pHotItem = nullptr;
  CTKPopupItem* m_pPressedItem = nullptr;
  int m_nAnimationKind = tkPopupAnimationNone;
  int m_nPopupState = tkPopupStateClosed;
  CSize m_szPopup{170, 130};
  CPoint m_ptPopup{-1, -1};
  int m_nTransparency = 255;
  int m_nCurrentAlphaApplied = 255;
  UINT m_nShowDelay = 5000;
  UINT m_nAnimationTime = 256;
  UINT m_nStepInterval = 16;
  int m_nStep = 0;
  int m_nTheme = 0;
  BOOL m_bAllowMove = FALSE;
  TKPopupGeometry m_stateTarget;
  TKPopupGeometry m_stateCurrent;
  CTKImageManager* m_pImageManager = nullptr;
  BOOL m_bRightToLeft = FALSE;
  CTKMarkupContext* m_pMarkupContext = nullptr;
  int m_nBackgroundImage = 0;
  BOOL m_bAutoDelete;
  int m_nPopupLocation = tkPopupLocationNearTaskBar;
  HCURSOR m_hHandCursor = nullptr;
  BOOL m_bHoverIgnored = FALSE;
  PFNSETLAYEREDWINDOWATTRIBUTES m_pfnSetLayeredWindowAttributes = nullptr;
  PFNUPDATELAYEREDWINDOW m_pfnUpdateLayeredWindow = nullptr;
  BOOL m_bCapture = FALSE;  // the mouse is over the window or an item is pressed
  BOOL m_bPerPixelAlpha = FALSE;

  friend class CTKPopupItem;
};
