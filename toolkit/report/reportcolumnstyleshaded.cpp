#include "toolkit/report/reportcolumnstyleshaded.h"

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

// How far each of the bottom lines is blended from face to shadow, top first.
constexpr double kBottomLines[3] = {0.25, 0.4, 0.6};
// The band's two bottom lines.
constexpr double kBandLines[2] = {0.4, 0.6};

}  // namespace

void CTKReportColumnStyleShaded::DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                                      CTKReportColumn* pLeftColumn, const CRect& rc, BOOL*) {
  const COLORREF face = pm->m_clrBtnFace, shadow = pm->m_clrControlDark;
  if (pColumn->m_bDrawHeaderDivider) VLine(pDC, rc.right - 1, rc.top + 2, rc.Height() - 6, shadow);
  for (int i = 0; i < 3; i++)
    HLine(pDC, rc.left, rc.bottom - 3 + i, rc.Width(),
          CTKReportPaintManager::BlendColor(face, shadow, kBottomLines[i]));
  if (!pLeftColumn || pLeftColumn->m_bDrawHeaderDivider)
    VLine(pDC, rc.left, rc.top + 2, rc.Height() - 6, pm->m_clrControlLightLight);
}

void CTKReportColumnStyleShaded::DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  const COLORREF face = pm->m_clrBtnFace, shadow = pm->m_clrControlDark;
  pDC->FillSolidRect(&rc, face);
  for (int i = 0; i < 2; i++)
    HLine(pDC, rc.left, rc.bottom - 2 + i, rc.Width(), CTKReportPaintManager::BlendColor(face, shadow, kBandLines[i]));
}
