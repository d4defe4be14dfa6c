// What the column styles share: the raised column box, the sort arrow of
// lines, the plain footer, and the gradient pieces of the gradient styles.
#include "toolkit/report/reportcolumnstyle.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

std::optional<TKReportColumnStyle> TKReportColumnStyleFromNumber(int nStyle) {
  switch (nStyle) {
    case 0:
      return TKReportColumnStyle::Shaded;
    case 1:
      return TKReportColumnStyle::Flat;
    case 2:
      return TKReportColumnStyle::Explorer;
    case 3:
      return TKReportColumnStyle::Office2003;
    case 4:
      return TKReportColumnStyle::Resource;
    default:
      return std::nullopt;
  }
}

BOOL CTKReportColumnStyle::IsGroupByVisible(CTKReportPaintManager* pm) { return pm->IsControlGroupByVisible(); }

void CTKReportColumnStyle::DrawColumnBox(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  Frame(pDC, rc, pm->m_clrControlLightLight, pm->m_clrControlDark);
  pDC->MoveTo(rc.left, rc.bottom);
  pDC->LineTo(rc.right, rc.bottom);
  pDC->LineTo(rc.right, rc.top - 1);
}

void CTKReportColumnStyle::DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) {
  const int cx = centre.x, cy = centre.y;
  CPen light, dark;
  light.CreatePen(PS_SOLID, 1, pm->m_clrControlLightLight);
  dark.CreatePen(PS_SOLID, 1, pm->m_clrControlDark);
  if (bDecreasing) {
    DrawLine(pDC, cx, cy + 3, 3, -6, &light);
    DrawLine(pDC, cx - 1, cy + 4, 3, -6, &light);
    DrawLine(pDC, cx - 4, cy - 2, 7, 0, &dark);
    DrawLine(pDC, cx - 4, cy - 1, 3, 6, &dark);
    DrawLine(pDC, cx - 5, cy - 2, 3, 6, &dark);
  } else {
    DrawLine(pDC, cx, cy - 2, 3, 6, &light);
    DrawLine(pDC, cx + 1, cy - 1, 3, 6, &light);
    DrawLine(pDC, cx - 3, cy + 4, 6, 0, &light);
    DrawLine(pDC, cx - 4, cy + 4, 3, -6, &dark);
    DrawLine(pDC, cx - 3, cy + 3, 3, -6, &dark);
  }
}

void CTKReportColumnStyle::DrawSortTriangle(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) {
  const int cx = centre.x, cy = centre.y;
  if (bDecreasing)
    CTKDrawHelpers::Triangle(pDC, CPoint(cx - 4, cy - 2), CPoint(cx, cy + 2), CPoint(cx + 4, cy - 2),
                             pm->m_clrGradientColumnSeparator);
  else
    CTKDrawHelpers::Triangle(pDC, CPoint(cx - 4, cy + 2), CPoint(cx, cy - 2), CPoint(cx + 4, cy + 2),
                             pm->m_clrGradientColumnSeparator);
}

void CTKReportColumnStyle::FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  const int w = rc.Width();
  const COLORREF face = pm->m_clrBtnFace, shadow = pm->m_clrControlDark;
  pDC->FillSolidRect(&rc, face);
  HLine(pDC, rc.left, rc.top, w, pm->m_clrControlBack);
  HLine(pDC, rc.left, rc.top + 1, w, shadow);
  HLine(pDC, rc.left, rc.top + 2, w, CTKReportPaintManager::BlendColor(face, shadow, 0.6));
  HLine(pDC, rc.left, rc.top + 3, w, CTKReportPaintManager::BlendColor(face, shadow, 0.25));
  HLine(pDC, rc.left, rc.bottom - 1, w, shadow);
}

void CTKReportColumnStyle::FillGradientFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc, COLORREF clrTop) {
  const int w = rc.Width();
  const COLORREF dark = pm->m_grcGradientColumn.clrDark, shadow = pm->m_clrGradientColumnShadow;
  GetDrawHelpers()->GradientFill(pDC, &rc, dark, pm->m_grcGradientColumn.clrLight, FALSE);
  HLine(pDC, rc.left, rc.top, w, clrTop);
  HLine(pDC, rc.left, rc.top + 1, w, shadow);
  HLine(pDC, rc.left, rc.top + 2, w, CTKReportPaintManager::BlendColor(dark, shadow, 0.25));
  HLine(pDC, rc.left, rc.top + 3, w, CTKReportPaintManager::BlendColor(dark, shadow, 0.1));
  HLine(pDC, rc.left, rc.bottom - 1, w, shadow);
}

COLORREF CTKReportColumnStyle::GetFooterDividerColor(CTKReportPaintManager* pm) { return pm->m_clrControlDark; }

void CTKReportColumnStyle::FillGroupByHint(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  pm->FillHeaderControl(pDC, rc);
}

void CTKReportColumnStyle::DrawGradientColumn(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                              CTKReportColumn* pLeftColumn, const CRect& rc, BOOL* pbPressed,
                                              BOOL bLeftHighlight) {
  const BOOL pressed = pbPressed ? *pbPressed : FALSE;
  const CTKPaintManagerColorGradient& gradient = pressed                   ? pm->m_grcGradientColumnPushed
                                                 : pColumn->IsHotTracked() ? pm->m_grcGradientColumnHot
                                                                           : pm->m_grcGradientColumn;
  GetDrawHelpers()->FillGradientColor(pDC, &rc, gradient, FALSE);
  HLine(pDC, rc.left, rc.bottom - 1, rc.Width(), pm->m_clrGradientColumnShadow);
  if (pColumn->m_bDrawHeaderDivider)
    VLine(pDC, rc.right - 1, rc.top + 2, rc.Height() - 6, pm->m_clrGradientColumnSeparator);
  if (bLeftHighlight && (!pLeftColumn || pLeftColumn->m_bDrawHeaderDivider))
    VLine(pDC, rc.left, rc.top + 3, rc.Height() - 6, pm->m_clrControlLightLight);
  if (IsGroupByVisible(pm)) HLine(pDC, rc.left, rc.top, rc.Width(), pm->m_clrGradientColumnShadow);
  if (pbPressed) *pbPressed = FALSE;
}
