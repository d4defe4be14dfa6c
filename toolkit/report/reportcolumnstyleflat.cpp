#include "toolkit/report/reportcolumnstyleflat.h"

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

// Pressing shows by inversion: *pbPressed stays as it is.
void CTKReportColumnStyleFlat::DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                                    CTKReportColumn* pLeftColumn, const CRect& rc, BOOL*) {
  const COLORREF face = pm->m_clrBtnFace, light = pm->m_clrControlLightLight;
  Frame(pDC, rc, light, pm->m_clrControlDark);
  if (!pColumn->m_bDrawHeaderDivider) {
    VLine(pDC, rc.right - 1, rc.top + 1, rc.Height() - 2, face);
    pDC->SetPixel(rc.right - 1, rc.top, light);
  }
  if (pLeftColumn && !pLeftColumn->m_bDrawHeaderDivider) VLine(pDC, rc.left, rc.top + 1, rc.Height() - 2, face);
}

void CTKReportColumnStyleFlat::DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  pDC->FillSolidRect(&rc, pm->m_clrBtnFace);
  Frame(pDC, rc, pm->m_clrControlLightLight, pm->m_clrControlDark);
}
