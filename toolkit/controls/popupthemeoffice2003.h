// The pop-up look of theme number 2: the colour manager's gradients, a strip
// with a gripper along the top edge, and warm buttons under the blue, olive
// and silver colour schemes.
#pragma once

#include "toolkit/controls/popupthemeofficexp.h"

class CTKPopupThemeOffice2003 : public CTKPopupThemeOfficeXP {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;

  // The strip along the top edge.
  CTKPaintManagerColorGradient m_clrCaption;

  // The left x of the first gripper dot on a strip of that width.
  static int GripperStart(int nStripWidth);
};
