// Draws a self-drawn scroll bar (CTKScrollBase) in the flat, classic or
// visual-styles look, or the same data as a horizontal slider with round
// minus and plus buttons.
#pragma once

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"

class CDC;
class CTKPaintThemeSource;
class CTKScrollBase;
class CTKWinThemeWrapper;

class CTKScrollBarPaintManager {
 public:
  // Reads the metrics and makes its own visual-styles wrapper.
  explicit CTKScrollBarPaintManager(CTKPaintThemeSource* pPaintManager);
  virtual ~CTKScrollBarPaintManager();
  CTKScrollBarPaintManager(const CTKScrollBarPaintManager&) = delete;
  CTKScrollBarPaintManager& operator=(const CTKScrollBarPaintManager&) = delete;

  virtual void DrawScrollBar(CDC* pDC, CTKScrollBase* pScrollBar);
  // Re-reads the scroll-bar metrics and opens the visual style "SCROLLBAR".
  virtual void ReadMetrics();
  // The owning paint manager's metrics refresh: the sizes are read again
  // (a slider keeps its own).
  void RefreshMetrics();

  // A Marlett arrow glyph centred in the button: nType 0 up, 1 down, 2 left, 3 right.
  void DrawArrowGlyph(CDC* pDC, CRect rcArrow, int nType, BOOL bEnabled);

  int m_cxHScroll = 0;
  int m_cyHScroll = 0;
  int m_cyVScroll = 0;
  int m_cxVScroll = 0;
  int m_nThumbSize = 0;  // 0: proportional
  CTKWinThemeWrapper* m_pThemeScrollBar = nullptr;
  // The command-bar look the bar belongs to (not owned); its theme number
  // picks the bar's style.
  CTKPaintThemeSource* m_pPaintManager = nullptr;
};

class CTKSliderPaintManager : public CTKScrollBarPaintManager {
 public:
  explicit CTKSliderPaintManager(CTKPaintThemeSource* pPaintManager);

  // Horizontal bars only.
  void DrawScrollBar(CDC* pDC, CTKScrollBase* pScrollBar) override;
  // Arrow buttons 16 wide and high, a fixed thumb of 11.
  void ReadMetrics() override;
};
