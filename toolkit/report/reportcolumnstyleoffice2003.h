// The gradient column style (number 3): gradients of the colour manager's
// colours, or of the visual-style colour sets; hot columns are tracked.
#pragma once

#include "toolkit/report/reportcolumnstyle.h"

class CTKReportColumnStyleOffice2003 : public CTKReportColumnStyle {
 public:
  TKReportColumnStyle GetStyle() const override { return TKReportColumnStyle::Office2003; }
  void RefreshColors(CTKReportPaintManager* pm) override;
  BOOL IsHotTrackingEnabled(CTKReportPaintManager*) override { return TRUE; }
  void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn, CTKReportColumn* pLeftColumn,
                            const CRect& rc, BOOL* pbPressed) override;
  void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  void FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  COLORREF GetFooterDividerColor(CTKReportPaintManager* pm) override;
};
