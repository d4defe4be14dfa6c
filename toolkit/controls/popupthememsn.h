// The pop-up look of theme number 3: a double frame, soft blue bands and
// blue buttons.
#pragma once

#include "toolkit/controls/popupthemeoffice2000.h"

class CTKPopupThemeMSN : public CTKPopupThemeOffice2000 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};
