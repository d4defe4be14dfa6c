// What the command bars measure and draw their controls and themselves
// with: the look's surface as the bars see it. The looks live in the layer
// above (toolkit/themes: CTKPaintManager derives from this class and every
// look from it), so the bars and controls never include them; they reach
// the look of a bar through this class, and the process-wide look through
// its current-look slot, which the looks' layer fills.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "toolkit/commandbars/commandbarsdefs.h"

class CDC;
class CFont;
class CTKShadowManager;
class CTKControl;
class CTKCommandBar;

class CTKBarPaintManager : public CCmdTarget {
 public:
  CTKBarPaintManager() = default;
  ~CTKBarPaintManager() override;
  CTKBarPaintManager(const CTKBarPaintManager&) = delete;
  CTKBarPaintManager& operator=(const CTKBarPaintManager&) = delete;

  // Fonts, colours and sizes read again from the system.
  virtual void RefreshMetrics() = 0;

  // The regular caption font, its bold face (default items), the edit font
  // (from the system's icon-title font) and the small-caption font.
  virtual CFont* GetRegularFont() = 0;
  virtual CFont* GetRegularBoldFont() = 0;
  virtual CFont* GetIconFont() = 0;
  virtual CFont* GetSmCaptionFont() = 0;
  // The font a bar measures and draws its captions with: vertical for bars
  // docked at the left or right.
  virtual CFont* GetCommandBarFont(CTKCommandBar* pBar) = 0;

  // The look's colour of a system colour index 0-62; a larger value is
  // taken as a colour and returned as it is.
  virtual COLORREF GetColor(int nIndex) = 0;
  // The text colour of a control in its states on its bar.
  virtual COLORREF GetControlTextColor(CTKControl* pControl) = 0;
  // An edit field's background: the window colour when enabled, else the
  // button face.
  virtual COLORREF GetControlEditBackColor(CTKControl* pControl) = 0;
  // The bar's own orientation when set, else vertical at the left or right.
  virtual TKTextOrientation GetControlTextOrientation(CTKControl* pControl) = 0;

  // A control background in the given states on a bar of the type and at
  // the position, and the text colour that goes with it.
  virtual void DrawRectangle(CDC* pDC, CRect rc, const TKControlStates& states, TKBarType barType,
                             TKBarPosition barPosition) = 0;
  virtual COLORREF GetRectangleTextColor(const TKControlStates& states, TKBarType barType,
                                         TKBarPosition barPosition) = 0;

  // The automatic icon size: 16 or 32 square, or, with automatic scaling,
  // following the control height.
  virtual CSize GetIconSize(BOOL bLarge) = 0;
  // The height of a control row, never below 22.
  virtual int GetControlHeight() = 0;
  // The caption band of large (icon above caption) controls.
  virtual int GetLargeControlTextHeight() = 0;

  // Measures (bDraw FALSE) or draws a control; measuring answers its size.
  virtual CSize DrawControl(CDC* pDC, CTKControl* pControl, BOOL bDraw) = 0;
  // Measures or draws a control's caption in the rectangle.
  virtual CSize DrawControlCaption(CDC* pDC, CTKControl* pControl, CRect rc, BOOL bDraw, BOOL bVertical, BOOL bCentered,
                                   BOOL bDropDownArrow) = 0;
  // The command part of a split-button popup.
  virtual CRect GetSplitButtonCommandRect(CTKControl* pControl) = 0;

  // A bar's gripper (a docked bar) or caption (a floating bar); measuring
  // with pDC null is allowed.
  virtual CSize DrawCommandBarGripper(CDC* pDC, CTKCommandBar* pBar, BOOL bDraw) = 0;
  // The separator before a control that begins a group; with no control
  // and bDraw FALSE, the separator size the layout keeps.
  virtual CSize DrawCommandBarSeparator(CDC* pDC, CTKCommandBar* pBar, CTKControl* pControl, BOOL bDraw) = 0;
  // The border widths of a bar.
  virtual CRect GetCommandBarBorders(CTKCommandBar* pBar) = 0;
  // Paints a bar's background.
  virtual void FillCommandBarEntry(CDC* pDC, CTKCommandBar* pBar) = 0;
  // The icon column of a popup bar plus 1; 0 for other bars.
  virtual int GetPopupBarGripperWidth(CTKCommandBar* pBar) = 0;

  // ---- popups ----
  // Measures (bDraw FALSE) or draws one of the bars' own buttons; kind 1 is
  // the expand button at the bottom of a short menu.
  virtual CSize DrawSpecialButton(CDC* pDC, int nKind, CTKControl* pControl, CTKCommandBar* pBar, BOOL bDraw);
  // The grip along the bottom of a resizable popup (mode 2: height only).
  virtual void DrawResizeGripper(CDC* pDC, CRect rc, int nResizeMode);
  // Shapes the window of a bar just placed; plain looks keep it square.
  virtual void SetCommandBarRegion(CTKCommandBar* /*pBar*/) {}
  // Plays a popup's appearance from the buffer holding its drawn picture
  // into the window DC: 2 unfolds from the top-left corner, 3 slides down,
  // 4 fades; m_nAnimationSteps frames over m_nAnimationTime.
  virtual void AnimatePopupBar(CDC* pDestDC, CDC* pBufferDC, CRect rc, int nKind);
  // Plays a short menu growing to all its commands, downwards or upwards,
  // from the buffer holding its new picture into the window DC.
  virtual void AnimateExpanding(CTKCommandBar* pBar, CDC* pWindowDC, CDC* pBufferDC, BOOL bDownwards);
  // The shadows of the look's popups, made on first use.
  CTKShadowManager* GetShadowManager();

  // The text without its "&" mnemonic markers ("&&" leaves one "&").
  static CString StripMnemonics(const CString& strText);

  // Read by the bars: the split part of split buttons on tool bars and in
  // popups, popup shadows, the popup animation, the icon flags the options
  // exchange ("UseFadedIcons", "UseDisabledIcons", "IconsWithShadow", in
  // this order), and the fixed edit height (above 0 moves embedded edit
  // windows one pixel down).
  int m_nSplitButtonDropDownWidth = 11;
  int m_nSplitButtonPopupWidth = 20;
  BOOL m_bShowShadow = TRUE;
  BOOL m_bEnableAnimation = FALSE;
  int m_nAnimationSteps = 10;
  int m_nAnimationTime = 100;
  struct TKIconsInfo {
    BOOL bUseFadedIcons = FALSE;
    BOOL bUseDisabledIcons = FALSE;
    BOOL bIconsWithShadow = FALSE;
  } m_iconsInfo;
  int m_nEditHeight = 0;

 private:
  CTKShadowManager* m_pShadowManager = nullptr;

 public:
  // The process-wide look. Without one, the factory the looks' layer set
  // makes the default look (0) on first use; without a factory there is
  // none (null). SetCurrent takes over the caller's reference and releases
  // the look it replaces; null empties the slot.
  using Factory = CTKBarPaintManager* (*)(int nTheme);
  static CTKBarPaintManager* GetCurrent();
  static void SetCurrent(CTKBarPaintManager* pPaintManager);
  static void SetFactory(Factory factory);
  static Factory GetFactory();
};
