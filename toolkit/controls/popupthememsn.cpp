#include "toolkit/controls/popupthememsn.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/controls/popupcontrol.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPale = RGB(207, 221, 244);

struct ButtonColors {
  COLORREF selected;
  COLORREF pressed;
  COLORREF border;
};
constexpr ButtonColors kButtons = {RGB(194, 238, 255), RGB(134, 162, 224), RGB(114, 142, 184)};

struct FrameColors {
  COLORREF outerTopLeft, outerBottomRight;
  COLORREF innerTopLeft, innerBottomRight;
  COLORREF bodyTopLeft, bodyBottomRight;
};
constexpr FrameColors kFrames = {RGB(166, 180, 207), RGB(69, 86, 144),  kWhite, kPale,
                                 RGB(114, 142, 184), RGB(185, 201, 239)};

// The vertical bands from the top: where each ends (from the inner top; 0
// for the bottom) and its gradient.
struct Band {
  int bottom;
  COLORREF from;
  COLORREF to;
};
constexpr Band kBands[] = {
    {12, RGB(207, 215, 236), kWhite},
    {23, kWhite, kPale},
    {40, kPale, kWhite},
    {0, kWhite, kPale},
};
constexpr int kBodyTop = 22;

}  // namespace

void CTKPopupThemeMSN::RefreshMetrics() {
  CTKPopupThemeOffice2000::RefreshMetrics();
  m_clrButtonSelected = kButtons.selected;
  m_clrButtonPressed = kButtons.pressed;
  m_clrButtonSelectedBorder.SetStandardColor(kButtons.border);
  m_clrButtonPressedBorder.SetStandardColor(kButtons.border);
}

void CTKPopupThemeMSN::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  if (pControl && pControl->GetBackgroundImage() > 0) {
    CTKPopupPaintManager::DrawBackground(pDC, pControl, rc);
    return;
  }
  pDC->Draw3dRect(rc, kFrames.outerTopLeft, kFrames.outerBottomRight);
  rc.DeflateRect(1, 1);
  pDC->Draw3dRect(rc, kFrames.innerTopLeft, kFrames.innerBottomRight);
  rc.DeflateRect(1, 1);
  const int t = rc.top;
  CTKDrawHelpers* pHelpers = GetDrawHelpers();
  int top = t;
  for (const Band& band : kBands) {
    const int bottom = band.bottom ? t + band.bottom : rc.bottom;
    pHelpers->GradientFill(pDC, CRect(rc.left, top, rc.right, bottom), band.from, band.to, FALSE);
    top = bottom;
  }
  pDC->Draw3dRect(CRect(rc.left, t + kBodyTop, rc.right, rc.bottom), kFrames.bodyTopLeft, kFrames.bodyBottomRight);
}
