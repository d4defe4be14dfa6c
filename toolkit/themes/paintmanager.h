// The base of every command-bar look. It holds what the foundation's slider
// painter and scroll-bar style need of it: the anti-aliased circle and the
// theme's factory number.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CDC;

class CTKPaintManager : public CCmdTarget {
 public:
  CTKPaintManager() = default;
  ~CTKPaintManager() override = default;
  CTKPaintManager(const CTKPaintManager&) = delete;
  CTKPaintManager& operator=(const CTKPaintManager&) = delete;

  // A filled circle inscribed in a square, pixel by pixel, its rim blended
  // with the fill inside and with the pixels already there outside. Nothing
  // unless the rectangle is square.
  void FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill);

  // The theme's factory number (0 default, 1 Office, 2 Office 2003, ...).
  virtual int GetBaseTheme() = 0;
  // The same number under the name the foundation uses.
  int GetThemeId() { return GetBaseTheme(); }
};
