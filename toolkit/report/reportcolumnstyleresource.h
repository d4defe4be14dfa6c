// The theme-image column style (number 4): colours from the theme INI's
// "ReportControl" section or derived from a base colour, the expand
// buttons from the theme image "ReportExpandButton".
#pragma once

#include "toolkit/report/reportcolumnstyle.h"

class CTKReportColumnStyleResource : public CTKReportColumnStyle {
 public:
  TKReportColumnStyle GetStyle() const override { return TKReportColumnStyle::Resource; }
  void RefreshColors(CTKReportPaintManager* pm) override;
  void DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn, CTKReportColumn* pLeftColumn,
                            const CRect& rc, BOOL* pbPressed) override;
  void DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  void DrawColumnBox(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  void DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) override;
  void FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) override;
  COLORREF GetFooterDividerColor(CTKReportPaintManager* pm) override;
  // Nothing behind the hint: the group-by box's own colour shows.
  void FillGroupByHint(CDC*, CTKReportPaintManager*, const CRect&) override {}
  CTKResourceImage* GetExpandButtonImage() override;
};
