// The visual-style column style (number 2): the "HEADER" visual style's
// items when themes are on, else two-level 3D buttons; check glyphs from
// the "BUTTON" visual style.
#pragma once

#include "toolkit/report/reportcolumnstyle.h"

class CTKReportColumnStyleExplorer : public CTKReportColumnStyle {
 public:
  TKReportColumnStyle GetStyle() const override { return TKReportColumnStyle::Explorer; }
  BOOL IsHotTrackingEnabled(CTKReportPaintManager* pm) override;
  void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn, CTKReportColumn* pLeftColumn,
                            const CRect& rc, BOOL* pbPressed) override;
  void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  void DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) override;
  BOOL DrawCheckGlyph(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc, int nGlyph, CSize* pSize) override;
};
