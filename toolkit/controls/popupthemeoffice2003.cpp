#include "toolkit/controls/popupthemeoffice2003.h"

#include <algorithm>

#include "toolkit/controls/popupcontrol.h"

namespace {

// Colour-manager indices and gradient numbers.
constexpr int kFrameIndex = 54;
constexpr int kBackgroundGradient = 1;
constexpr int kCaptionGradient = 2;

// The buttons under the colour schemes (those of 1 to 5), and the border of
// each scheme; other schemes keep the derived colours.
constexpr COLORREF kSchemeButtonSelected = RGB(255, 238, 194);
constexpr COLORREF kSchemeButtonPressed = RGB(254, 128, 62);
struct SchemeBorder {
  int scheme;
  COLORREF border;
};
constexpr SchemeBorder kSchemeBorders[] = {
    {CTKColorManager::tkThemeLunaOlive, RGB(63, 93, 56)},
    {CTKColorManager::tkThemeLunaSilver, RGB(75, 75, 111)},
};
constexpr COLORREF kSchemeBorderOther = RGB(0, 0, 128);

// The gripper's dots: a dark square, a light one below right, a mid-tone
// point where they overlap.
struct GripperColors {
  COLORREF dark;
  COLORREF light;
  COLORREF overlap;
};
constexpr GripperColors kGripper = {RGB(40, 50, 71), RGB(249, 249, 251), RGB(97, 116, 152)};
constexpr int kGripperDots = 9;
constexpr int kStripHeight = 7;

}  // namespace

void CTKPopupThemeOffice2003::RefreshMetrics() {
  CTKPopupThemeOfficeXP::RefreshMetrics();
  CTKColorManager* pColorManager = GetColorManager();
  const CTKPaintManagerColorGradient& background = pColorManager->GetGradientColor(kBackgroundGradient);
  m_clrBackground.SetStandardColors(background.clrDark, background.clrLight);
  m_clrCaption.SetStandardFrom(pColorManager->GetGradientColor(kCaptionGradient));
  m_clrFrame.SetStandardColor(ManagerColor(kFrameIndex));
  const int nScheme = pColorManager->GetCurrentTheme();
  if (!pColorManager->IsLunaColorsDisabled() && nScheme >= 1 && nScheme <= 5) {
    m_clrButtonSelected = kSchemeButtonSelected;
    m_clrButtonPressed = kSchemeButtonPressed;
    COLORREF clrBorder = kSchemeBorderOther;
    for (const SchemeBorder& entry : kSchemeBorders)
      if (entry.scheme == nScheme) clrBorder = entry.border;
    m_clrButtonSelectedBorder.SetStandardColor(clrBorder);
    m_clrButtonPressedBorder.SetStandardColor(clrBorder);
  }
}

int CTKPopupThemeOffice2003::GripperStart(int nStripWidth) { return std::max(2, (nStripWidth - 36) / 2) + 1; }

void CTKPopupThemeOffice2003::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcStrip(rc.left, rc.top, rc.right, rc.top + kStripHeight);
  FillGradient(pDC, rcStrip, m_clrCaption, FALSE);
  const int x0 = GripperStart(rcStrip.Width()), t = rcStrip.top;
  for (int i = 0; i < kGripperDots; ++i) {
    const int x = x0 + 4 * i;
    pDC->FillSolidRect(x - 1, t + 1, 2, 2, kGripper.dark);
    pDC->FillSolidRect(x, t + 2, 2, 2, kGripper.light);
    pDC->SetPixel(x, t + 2, kGripper.overlap);
  }
}
