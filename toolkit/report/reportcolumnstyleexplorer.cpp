#include "toolkit/report/reportcolumnstyleexplorer.h"

#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

// The visual-style parts and states.
constexpr int kHeaderItemPart = 1;
constexpr int kHeaderItemNormal = 1, kHeaderItemHot = 2, kHeaderItemPressed = 3;
constexpr int kCheckBoxPart = 3;

// The check-box state of each check glyph.
int CheckBoxState(int nGlyph) {
  switch (nGlyph) {
    case tkGlyphUnchecked:
      return 1;
    case tkGlyphChecked:
      return 5;
    case tkGlyphUncheckedDisabled:
      return 4;
    case tkGlyphCheckedDisabled:
      return 8;
    default:
      return 9;  // indeterminate
  }
}

}  // namespace

BOOL CTKReportColumnStyleExplorer::IsHotTrackingEnabled(CTKReportPaintManager* pm) {
  return pm->m_themeHeader->IsAppThemed();
}

void CTKReportColumnStyleExplorer::DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                                        CTKReportColumn* pLeftColumn, const CRect& rc,
                                                        BOOL* pbPressed) {
  const BOOL pressed = pbPressed ? *pbPressed : FALSE;
  if (pbPressed) *pbPressed = FALSE;
  if (IsVisualStyleOn(pm->m_themeHeader)) {
    const int state = pressed ? kHeaderItemPressed : pColumn->IsHotTracked() ? kHeaderItemHot : kHeaderItemNormal;
    pm->m_themeHeader->DrawThemeBackground(pDC->GetSafeHdc(), kHeaderItemPart, state, &rc, nullptr);
    return;
  }
  const COLORREF face = pm->m_clrBtnFace, shadow = pm->m_clrControlDark, light = pm->m_clrControlLightLight;
  if (pressed) {
    Frame(pDC, rc, shadow, shadow);
    return;
  }
  Frame(pDC, rc, light, pm->m_clrBtnText);
  CRect inner(rc);
  inner.DeflateRect(1, 1);
  Frame(pDC, inner, face, shadow);
  if (!pColumn->m_bDrawHeaderDivider) {
    VLine(pDC, rc.right - 1, rc.top, rc.Height() - 1, face);
    VLine(pDC, rc.right, rc.top, rc.Height() - 1, face);
    pDC->SetPixel(rc.right, rc.top - 1, light);
    pDC->SetPixel(rc.right, rc.bottom - 1, shadow);
  }
  if (pLeftColumn && !pLeftColumn->m_bDrawHeaderDivider) {
    VLine(pDC, rc.left - 1, rc.top, rc.Height() - 1, face);
    pDC->SetPixel(rc.left - 1, rc.bottom - 1, shadow);
  }
}

void CTKReportColumnStyleExplorer::DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  const COLORREF face = pm->m_clrBtnFace;
  pDC->FillSolidRect(&rc, face);
  Frame(pDC, rc, pm->m_clrControlLightLight, pm->m_clrBtnText);
  CRect inner(rc);
  inner.DeflateRect(1, 1);
  Frame(pDC, inner, face, pm->m_clrControlDark);
}

void CTKReportColumnStyleExplorer::DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) {
  DrawSortTriangle(pDC, pm, centre, bDecreasing);
}

BOOL CTKReportColumnStyleExplorer::DrawCheckGlyph(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc, int nGlyph,
                                                  CSize* pSize) {
  CTKWinThemeWrapper* theme = pm->m_themeButton;
  if (!IsVisualStyleOn(theme)) return FALSE;
  SIZE part{};
  if (FAILED(theme->GetThemePartSize(pDC ? pDC->GetSafeHdc() : nullptr, kCheckBoxPart, 1, nullptr, TS_DRAW, &part)))
    return FALSE;
  if (pDC) {
    const int top = rc.top + (rc.Height() - part.cy) / 2;
    CRect rcPart(rc.left + 1, top, rc.left + 1 + part.cx, top + part.cy);
    theme->DrawThemeBackground(pDC->GetSafeHdc(), kCheckBoxPart, CheckBoxState(nGlyph), &rcPart, nullptr);
  }
  *pSize = CSize(part.cx, part.cy);
  return TRUE;
}
