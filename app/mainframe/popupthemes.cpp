#include "app/mainframe/popupthemes.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/controls/popupcontrol.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
}  // namespace

void CPopupThemeColorBlue::SetColors(COLORREF background, COLORREF frame, COLORREF bodyBackground, COLORREF bodyFrame,
                                     COLORREF text) {
  m_clrBackground.SetStandardColors(background, background);
  m_clrFrame.SetStandardColors(frame, frame);
  m_clrBodyBackground.SetStandardColors(bodyBackground, bodyBackground);
  m_clrBodyFrame.SetStandardColors(bodyFrame, bodyFrame);
  m_clrText = text;
}

void CPopupThemeColorBlue::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  SetColors(RGB(50, 50, 255), kWhite, RGB(70, 70, 250), RGB(200, 200, 200), kWhite);
}

void CPopupThemeColorBlack::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  SetColors(RGB(10, 10, 10), kWhite, RGB(70, 70, 70), RGB(200, 200, 200), kWhite);
}

void CPopupThemeColorGreen::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  SetColors(RGB(30, 120, 30), kYellow, RGB(70, 130, 70), kYellow, kYellow);
}

void CPopupThemeColorRed::RefreshMetrics() {
  CTKPopupPaintManager::RefreshMetrics();
  SetColors(RGB(255, 50, 50), kYellow, RGB(230, 70, 70), kYellow, kWhite);
}

void CPopupThemeColorBlue::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (DrawBackgroundImage(pDC, pControl)) return;
  pDC->FillSolidRect(rc, m_clrBackground.clrLight.GetColor());
  pDC->Draw3dRect(rc, m_clrFrame.clrLight.GetColor(), m_clrFrame.clrLight.GetColor());
  // The body under the 25-pixel caption strip.
  rc.top += 25;
  rc.left += 5;
  rc.right -= 5;
  rc.bottom -= 5;
  pDC->FillSolidRect(rc, m_clrBodyBackground.clrLight.GetColor());
  pDC->Draw3dRect(rc, m_clrBodyFrame.clrLight.GetColor(), m_clrBodyFrame.clrLight.GetColor());
}

void CPopupThemeSilvery::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (DrawBackgroundImage(pDC, pControl)) return;
  pDC->FillSolidRect(rc, RGB(116, 116, 116));
  rc.top += 25;
  rc.left += 3;
  rc.right -= 3;
  rc.bottom -= 3;
  pDC->FillSolidRect(rc, kWhite);
  rc.DeflateRect(2, 2);
  if (rc.Height() > 30) rc.bottom = rc.top + 30;
  GetDrawHelpers()->GradientFill(pDC, rc, RGB(231, 231, 231), kWhite, FALSE);
}
