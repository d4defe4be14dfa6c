// The base of every command-bar look: the fonts and metrics derived from
// them, the table of 63 theme colours, and the measuring and drawing of
// controls that every look shares. A look derives from it and draws the
// backgrounds (DrawRectangle, FillCommandBarEntry, the separator) its own
// way. The command bars see it as CTKBarPaintManager; the foundation's
// painters see its theme number (CTKPaintThemeSource).
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxgdi.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/painttheme.h"

class CDC;

// The size of the look's colour table, indexed like the system colours.
constexpr int kTKPaintManagerColorCount = 63;

class CTKPaintManager : public CTKBarPaintManager, public CTKPaintThemeSource {
 public:
  CTKPaintManager() = default;
  ~CTKPaintManager() override = default;
  CTKPaintManager(const CTKPaintManager&) = delete;
  CTKPaintManager& operator=(const CTKPaintManager&) = delete;

  // ---- the looks and the current look ----
  // A new look of the number (its number stored in it), not yet refreshed.
  static CTKPaintManager* CreateTheme(int nTheme);
  // Installs the look as the process-wide one (taking the caller's
  // reference), numbered as installed directly, and refreshes it. The
  // command bars then make the default look through CreateTheme when they
  // need one and none is installed.
  static void SetPaintManager(CTKPaintManager* pPaintManager);
  static void SetTheme(int nTheme);
  static void ReleasePaintManager();
  // The factory number this look was made with (Custom when installed
  // directly).
  int GetThemeNumber() const { return m_nThemeNumber; }

  // The drawing helpers' anti-aliased circle (CTKDrawHelpers::FillCircleAntialiased).
  void FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill);

  // ---- metrics ----
  void RefreshMetrics() override;
  virtual void UpdateFonts();
  virtual void UpdateColors();
  // Builds the regular, bold and vertical fonts from the LOGFONT.
  void SetCommandBarsFontIndirect(const LOGFONT* pLogFont, BOOL bUseStandardFont = FALSE);
  CFont* GetRegularFont() override { return &m_fontRegular; }
  CFont* GetRegularBoldFont() override { return &m_fontRegularBold; }
  CFont* GetIconFont() override { return &m_fontIcon; }
  CFont* GetSmCaptionFont() override { return &m_fontSmCaption; }
  CFont* GetCommandBarFont(CTKCommandBar* pBar) override;
  virtual CFont* GetControlFont(CTKControl* pControl);

  COLORREF GetColor(int nIndex) override;
  // Sets the custom value of a table entry; -1 takes the standard one back.
  void SetColor(int nIndex, COLORREF clrCustom);
  COLORREF GetControlTextColor(CTKControl* pControl) override;
  COLORREF GetControlEditBackColor(CTKControl* pControl) override;
  TKTextOrientation GetControlTextOrientation(CTKControl* pControl) override;

  CSize GetIconSize(BOOL bLarge) override;
  int GetControlHeight() override;
  int GetLargeControlTextHeight() override;

  // ---- controls ----
  CSize DrawControl(CDC* pDC, CTKControl* pControl, BOOL bDraw) override;
  virtual CSize DrawControlPopupParent(CDC* pDC, CTKControl* pControl, BOOL bDraw);
  virtual CSize DrawControlToolBarParent(CDC* pDC, CTKControl* pControl, BOOL bDraw);
  CSize DrawControlCaption(CDC* pDC, CTKControl* pControl, CRect rc, BOOL bDraw, BOOL bVertical, BOOL bCentered,
                           BOOL bDropDownArrow) override;
  CRect GetSplitButtonCommandRect(CTKControl* pControl) override;
  // The background of a control from its states.
  virtual void DrawControlEntry(CDC* pDC, CTKControl* pControl);
  // The small arrow after a caption.
  virtual void DrawDropDownArrow(CDC* pDC, CTKControl* pControl, int x, int y, BOOL bVertical);

  // ---- bars ----
  CSize DrawCommandBarGripper(CDC* pDC, CTKCommandBar* pBar, BOOL bDraw) override;
  CRect GetCommandBarBorders(CTKCommandBar* pBar) override;
  int GetPopupBarGripperWidth(CTKCommandBar* pBar) override;

  // The gap between a popup's icon column and its captions.
  int m_nPopupBarTextPadding = 4;
  // Icon sizes follow the control height.
  BOOL m_bAutoResizeIcons = FALSE;
  // A fixed control height; 0 follows the font.
  int m_nFixedControlHeight = 0;
  // Disabled captions get a highlight copy one pixel down and right.
  BOOL m_bEmbossedDisabledText = TRUE;

 protected:
  // The caption beside an icon area of w x h (the bar's button size).
  CSize DrawCaptionBesideIcon(CDC* pDC, CTKControl* pControl, CRect rc, BOOL bDraw, BOOL bDropDownArrow, int nWidth,
                              int nHeight, BOOL bHasIcon);
  // The caption of a control that the look draws: the text colour is set.
  void DrawCaptionText(CDC* pDC, CTKControl* pControl, const CString& strText, CRect rc, BOOL bVertical,
                       BOOL bCentered);

  // Height of a blank in the regular font plus 6.
  int m_nControlHeight = 22;
  int m_nThemeNumber = TKPaintThemeNumber(TKPaintTheme::Custom);
  CFont m_fontRegular;
  CFont m_fontRegularBold;
  CFont m_fontVert;
  CFont m_fontVertBold;
  CFont m_fontIcon;
  CFont m_fontSmCaption;
  CTKPaintManagerColor m_colors[kTKPaintManagerColorCount];
};
