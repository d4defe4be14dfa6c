// The pop-up look of theme number 1: the toolkit's derived colours, a flat
// frame, the caption gradient and the band.
#pragma once

#include "toolkit/controls/popupthemeoffice2000.h"

class CTKPopupThemeOfficeXP : public CTKPopupThemeOffice2000 {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;
};
