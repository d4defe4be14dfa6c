// The application's own looks of the reminder pop-up: four colour painters
// (a background and a frame round a body with its own background and frame)
// and the silvery painter (a grey caption over a white body with a light
// band at its top).
#pragma once

#include "toolkit/controls/popupthememsn.h"

class CPopupThemeColorBlue : public CTKPopupPaintManager {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
  void RefreshMetrics() override;

  CTKPaintManagerColorGradient m_clrBodyBackground;
  CTKPaintManagerColorGradient m_clrBodyFrame;

 protected:
  // Sets every colour of the look; each gradient gets one colour twice.
  void SetColors(COLORREF background, COLORREF frame, COLORREF bodyBackground, COLORREF bodyFrame, COLORREF text);
};

class CPopupThemeColorBlack : public CPopupThemeColorBlue {
 public:
  void RefreshMetrics() override;
};

class CPopupThemeColorGreen : public CPopupThemeColorBlue {
 public:
  void RefreshMetrics() override;
};

class CPopupThemeColorRed : public CPopupThemeColorBlue {
 public:
  void RefreshMetrics() override;
};

class CPopupThemeSilvery : public CTKPopupThemeMSN {
 public:
  void DrawBackground(CDC* pDC, CTKPopupControl* pControl, CRect rc) override;
};
