#include "toolkit/controls/popupthemeoffice2000.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/controls/popupcontrol.h"

namespace {

// Colour-manager indices.
constexpr int kColorBtnShadow = 16;
constexpr int kColorBtnHighlight = 20;

}  // namespace

const CTKPopupThemeOffice2000::CaptionColors CTKPopupThemeOffice2000::kCaption = {
    RGB(0, 0, 128),     // caption gradient from
    RGB(24, 180, 192),  // caption gradient to
    RGB(0, 0, 128),     // band
};

void CTKPopupThemeOffice2000::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  m_clrFrame.SetStandardColors(ManagerColor(kColorBtnHighlight), ManagerColor(kColorBtnShadow));
}

void CTKPopupThemeOffice2000::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  FillGradient(pDC, rc, m_clrBackground, FALSE);
  Frame3d(pDC, rc, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rc.DeflateRect(1, 1);
  CRect rcCaption(rc.left, rc.top, rc.right, rc.top + kCaptionHeight);
  GetDrawHelpers()->GradientFill(pDC, rcCaption, kCaption.captionFrom, kCaption.captionTo, TRUE);
  rc.DeflateRect(1, 1);
  CRect rcBody(rc.left, rcCaption.top + kCaptionHeight + 1, rc.right, rc.bottom);
  Frame3d(pDC, rcBody, m_clrFrame.clrDark, m_clrFrame.clrLight);
  rcBody.DeflateRect(1, 1);
  Frame3d(pDC, rcBody, m_clrFrame.clrLight, m_clrFrame.clrDark);
  rcBody.DeflateRect(1, 1);
  pDC->FillSolidRect(CRect(rcBody.left, rcBody.top, rcBody.left + kBandWidth, rcBody.bottom), kCaption.band);
}
