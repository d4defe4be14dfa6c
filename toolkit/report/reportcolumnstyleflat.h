// The raised column style (number 1), and the look of every number no
// style has: simple 3D buttons.
#pragma once

#include "toolkit/report/reportcolumnstyle.h"

class CTKReportColumnStyleFlat : public CTKReportColumnStyle {
 public:
  TKReportColumnStyle GetStyle() const override { return TKReportColumnStyle::Flat; }
  void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn, CTKReportColumn* pLeftColumn,
                            const CRect& rc, BOOL* pbPressed) override;
  void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
};
