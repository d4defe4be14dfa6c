// The pop-up look of theme number 0: a raised 3-D frame, a blue caption
// gradient and a dark band at the left of the body.
#pragma once

#include "toolkit/controls/popuppaintmanager.h"

class CTKPopupThemeOffice2000 : public CTKPopupPaintManager {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;

 protected:
  // The caption gradient and the band beside the body, shared with the looks
  // built on this one.
  struct CaptionColors {
    COLORREF captionFrom;
    COLORREF captionTo;
    COLORREF band;
  };
  static const CaptionColors kCaption;
  static constexpr int kCaptionHeight = 22;
  static constexpr int kBandWidth = 30;
};
