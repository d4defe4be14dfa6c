// The pop-up look of theme number 4: the Office 2003 shapes in colours from
// the "PopupControl" section of the theme images' INI text.
#pragma once

#include "toolkit/controls/popupthemeoffice2003.h"

class CTKPopupThemeResource : public CTKPopupThemeOffice2003 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};
