#include "toolkit/report/reportcolumnstyleoffice2003.h"

#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

// The colour manager's colours of the style: the normal gradient runs from
// the face mixed with the window colour (per mille of face) to the face.
struct ManagerColors {
  int faceMix;
  int hot;
  int pressed;
  int shadow;
  int separator;
};
constexpr ManagerColors kManager = {205, 31, 33, 30, 39};

// The visual-style colour sets (current theme 1 to 5).
struct ThemeColors {
  COLORREF normalLight, normalDark, shadow, separator;
};
constexpr ThemeColors kOlive = {RGB(244, 247, 222), RGB(183, 198, 145), RGB(96, 128, 88), RGB(96, 128, 88)};
constexpr ThemeColors kSilver = {RGB(243, 244, 250), RGB(153, 151, 181), RGB(124, 124, 148), RGB(110, 109, 143)};
constexpr ThemeColors kBlue = {RGB(221, 236, 254), RGB(129, 169, 226), RGB(59, 97, 156), RGB(106, 140, 203)};
// Pressed and hot gradients of every set.
constexpr COLORREF kThemePressed[2] = {RGB(254, 142, 75), RGB(255, 207, 139)};
constexpr COLORREF kThemeHot[2] = {RGB(255, 242, 200), RGB(255, 212, 151)};

}  // namespace

void CTKReportColumnStyleOffice2003::RefreshColors(CTKReportPaintManager* pm) {
  CTKColorManager* cm = GetColorManager();
  const COLORREF face = cm->GetColor(COLOR_BTNFACE);
  pm->m_grcGradientColumn.SetStandardColors(
      CTKColorManager::MixColors(face, cm->GetColor(COLOR_WINDOW), kManager.faceMix), face);
  pm->m_grcGradientColumnHot.SetStandardColor(cm->GetColor(kManager.hot));
  pm->m_grcGradientColumnPushed.SetStandardColor(cm->GetColor(kManager.pressed));
  pm->m_clrGradientColumnShadow.SetStandardValue(cm->GetColor(kManager.shadow));
  pm->m_clrGradientColumnSeparator.SetStandardValue(cm->GetColor(kManager.separator));

  const int theme = cm->GetCurrentTheme();
  if (theme < 1 || theme > 5) return;
  const ThemeColors& set = theme == CTKColorManager::tkThemeLunaOlive    ? kOlive
                           : theme == CTKColorManager::tkThemeLunaSilver ? kSilver
                                                                         : kBlue;
  pm->m_grcGradientColumn.SetStandardColors(set.normalLight, set.normalDark);
  pm->m_clrGradientColumnShadow.SetStandardValue(set.shadow);
  pm->m_clrGradientColumnSeparator.SetStandardValue(set.separator);
  pm->m_grcGradientColumnPushed.SetStandardColors(kThemePressed[0], kThemePressed[1]);
  pm->m_grcGradientColumnHot.SetStandardColors(kThemeHot[0], kThemeHot[1]);
}

void CTKReportColumnStyleOffice2003::DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                                          CTKReportColumn* pLeftColumn, const CRect& rc,
                                                          BOOL* pbPressed) {
  DrawGradientColumn(pDC, pm, pColumn, pLeftColumn, rc, pbPressed, TRUE);
}

void CTKReportColumnStyleOffice2003::DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  GetDrawHelpers()->GradientFill(pDC, &rc, pm->m_grcGradientColumn.clrLight, pm->m_grcGradientColumn.clrDark, FALSE);
  HLine(pDC, rc.left, rc.bottom - 1, rc.Width(), pm->m_clrGradientColumnShadow);
}

void CTKReportColumnStyleOffice2003::FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  FillGradientFooter(pDC, pm, rc, pm->m_clrControlBack);
}

COLORREF CTKReportColumnStyleOffice2003::GetFooterDividerColor(CTKReportPaintManager* pm) {
  return pm->m_clrGradientColumnSeparator;
}
