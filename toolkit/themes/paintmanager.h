// The base of every command-bar look. The foundation's painters see it as
// the look's theme number (CTKPaintThemeSource).
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "toolkit/common/painttheme.h"

class CDC;

class CTKPaintManager : public CCmdTarget, public CTKPaintThemeSource {
 public:
  CTKPaintManager() = default;
  ~CTKPaintManager() override = default;
  CTKPaintManager(const CTKPaintManager&) = delete;
  CTKPaintManager& operator=(const CTKPaintManager&) = delete;

  // The drawing helpers' anti-aliased circle (CTKDrawHelpers::FillCircleAntialiased).
  void FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill);

  // The theme's factory number (TKPaintTheme's values).
  int GetBaseTheme() override = 0;
};
