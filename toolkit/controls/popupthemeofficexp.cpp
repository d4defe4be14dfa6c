#include "toolkit/controls/popupthemeofficexp.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/controls/popupcontrol.h"

namespace {

// The colour manager's indices of each colour of the look.
struct ManagerIndices {
  int background;
  int buttonSelected;
  int buttonPressed;
  int buttonBorder;
  int frame;
};
constexpr ManagerIndices kIndices = {30, 31, 33, 32, 16};

}  // namespace

void CTKPopupThemeOfficeXP::RefreshMetrics() {
  CTKPopupThemeOffice2000::RefreshMetrics();
  m_clrBackground.SetStandardColor(ManagerColor(kIndices.background));
  m_clrButtonSelected = ManagerColor(kIndices.buttonSelected);
  m_clrButtonPressed = ManagerColor(kIndices.buttonPressed);
  m_clrButtonSelectedBorder.SetStandardColor(ManagerColor(kIndices.buttonBorder));
  m_clrButtonPressedBorder.SetStandardColor(ManagerColor(kIndices.buttonBorder));
  m_clrFrame.SetStandardColor(ManagerColor(kIndices.frame));
}

void CTKPopupThemeOfficeXP::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcCaption(rc.left, rc.top, rc.right, rc.top + kCaptionHeight);
  GetDrawHelpers()->GradientFill(pDC, rcCaption, kCaption.captionFrom, kCaption.captionTo, TRUE);
  CRect rcBand(rc.left, rcCaption.top + kCaptionHeight, rc.right, rc.bottom);
  rcBand.DeflateRect(1, 1);
  rcBand.right = rcBand.left + kBandWidth;
  pDC->FillSolidRect(rcBand, kCaption.band);
}
