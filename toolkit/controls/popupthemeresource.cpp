#include "toolkit/controls/popupthemeresource.h"

#include "toolkit/common/resourceimages.h"

void CTKPopupThemeResource::RefreshMetrics() {
  CTKPopupThemeOffice2003::RefreshMetrics();
  // Keys missing from the section stay none and their fills are skipped.
  CTKResourceImages* pImages = GetResourceImages();
  auto color = [pImages](LPCTSTR key) {
    return pImages ? pImages->GetIniColor(u"PopupControl", key, kColorNone) : kColorNone;
  };
  m_clrBackground.SetStandardColors(color(u"BackgroundLight"), color(u"BackgroundDark"));
  m_clrCaption.SetStandardColors(color(u"CaptionLight"), color(u"CaptionDark"));
  m_clrFrame.SetStandardColor(color(u"FrameBorder"));
  m_clrText = color(u"NormalText");
  m_clrButtonSelected = color(u"ButtonSelected");
  m_clrButtonPressed = color(u"ButtonPressed");
  m_clrButtonSelectedBorder.SetStandardColor(color(u"ButtonBorder"));
  m_clrButtonPressedBorder.SetStandardColor(color(u"ButtonBorder"));
}

void CTKPopupThemeResource::DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) {
  CTKPopupThemeOffice2003::DrawBackground(pDC, pControl, rc);
}
