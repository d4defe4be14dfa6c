// The plain look: flat backgrounds in the system colours, a highlight for
// the hot control and a frame for checked ones. Every theme number makes it
// until the looks of the factory are built.
#pragma once

#include "toolkit/themes/paintmanager.h"

class CTKPlainTheme : public CTKPaintManager {
 public:
  CTKPlainTheme() = default;

  int GetBaseTheme() override { return TKPaintThemeNumber(TKPaintTheme::Default); }
  void DrawRectangle(CDC* pDC, CRect rc, const TKControlStates& states, TKBarType barType,
                     TKBarPosition barPosition) override;
  COLORREF GetRectangleTextColor(const TKControlStates& states, TKBarType barType, TKBarPosition barPosition) override;
  void FillCommandBarEntry(CDC* pDC, CTKCommandBar* pBar) override;
  CSize DrawCommandBarSeparator(CDC* pDC, CTKCommandBar* pBar, CTKControl* pControl, BOOL bDraw) override;
};
