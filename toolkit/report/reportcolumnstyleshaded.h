// The shaded column style (number 0): a flat face with three shaded lines at the
// bottom, a shadow divider and a highlight at the left; its captions sit 4
// pixels higher.
#pragma once

#include "toolkit/report/reportcolumnstyle.h"

class CTKReportColumnStyleShaded : public CTKReportColumnStyle {
 public:
  TKReportColumnStyle GetStyle() const override { return TKReportColumnStyle::Shaded; }
  int GetCaptionBottomInset() const override { return 4; }
  void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn, CTKReportColumn* pLeftColumn,
                            const CRect& rc, BOOL* pbPressed) override;
  void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
};
