#include "toolkit/report/reportcolumnstyleresource.h"

#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/resourceimages.h"
#include "toolkit/report/reportpaintinternal.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

// Each colour of the style as a tint of the base colour's hue: the base
// saturation scaled (truncated) and a luminance, on the 0 to 240 scale.
struct Tint {
  double saturation;
  int luminance;
};
struct BaseTints {
  Tint normalLight, normalDark, pressedLight, pressedDark, shadow, separator, groupBoxBack, groupBoxText,
      groupShadeBack;
};
constexpr BaseTints kBaseTints = {{1.0, 239}, {1.0, 212}, {1.0, 212}, {1.0, 239}, {0.525, 145},
                                  {1.0, 192}, {1.0, 227}, {0.75, 79}, {0.88, 208}};

// The keys of section "ReportControl" of the theme INI.
constexpr const char16_t* kIniSection = u"ReportControl";
struct IniKeys {
  const char16_t *normalLight, *normalDark, *pressedLight, *pressedDark, *shadow, *separator, *groupBoxBack,
      *groupBoxText, *groupShadeBack, *groupShadeBorder, *groupIndent, *selection, *groupLineStyle;
};
constexpr IniKeys kIniKeys = {u"NormalColumnLight",        u"NormalColumnDark",  u"PressedColumnLight",
                              u"PressedColumnDark",        u"ColumnShadow",      u"ColumnSeparator",
                              u"GroupBoxBackground",       u"GroupBoxTextColor", u"GroupShadeBackground",
                              u"GroupShadeBorder",         u"GroupShadeIndent",  u"SelectionBackground",
                              u"GroupShadeBorderLineStyle"};
constexpr int kDefaultGroupLineStyle = 4;
constexpr COLORREF kIniSelectionText = RGB(0, 0, 0);

// Without a theme-image package or a base colour.
struct Colors {
  COLORREF normalLight, normalDark, pressedLight, pressedDark, shadow, separator, groupBoxBack, groupBoxText,
      groupShadeBack, groupShadeBorder, groupIndent;
};
constexpr Colors kFallback = {RGB(252, 253, 255), RGB(196, 221, 255), RGB(196, 221, 255), RGB(252, 253, 255),
                              RGB(101, 147, 207), RGB(154, 198, 255), RGB(227, 239, 255), RGB(50, 75, 44),
                              RGB(190, 218, 251), RGB(111, 157, 217), RGB(253, 238, 201)};

// The band: its fill between the normal gradient's ends, and its top line.
constexpr double kBandBlend = 0.4;
constexpr COLORREF kBandTop = RGB(255, 255, 255);

constexpr const char16_t* kExpandButtonImage = u"ReportExpandButton";

void RefreshFromBaseColor(CTKReportPaintManager* pm, COLORREF base) {
  const DWORD hsl = CTKDrawHelpers::RGBtoHSLPacked(base);
  const int h = static_cast<int>(hsl & 0xFF);
  const int s = static_cast<int>((hsl >> 8) & 0xFF);
  auto make = [h, s](const Tint& tint) {
    const int sat = static_cast<int>(s * tint.saturation);
    return CTKDrawHelpers::HSLPackedToRGB(static_cast<DWORD>(h) | (static_cast<DWORD>(sat) << 8) |
                                          (static_cast<DWORD>(tint.luminance) << 16));
  };
  const BaseTints& t = kBaseTints;
  pm->m_grcGradientColumn.SetStandardColors(make(t.normalLight), make(t.normalDark));
  pm->m_grcGradientColumnPushed.SetStandardColors(make(t.pressedLight), make(t.pressedDark));
  pm->m_clrGradientColumnShadow.SetStandardValue(make(t.shadow));
  pm->m_clrGradientColumnSeparator.SetStandardValue(make(t.separator));
  pm->m_clrGroupBoxBack.SetStandardValue(make(t.groupBoxBack));
  pm->m_clrGroupBoxText.SetStandardValue(make(t.groupBoxText));
  pm->m_clrGroupShadeBack.SetStandardValue(make(t.groupShadeBack));
}

void RefreshFromIni(CTKReportPaintManager* pm, CTKResourceImages* images) {
  auto ini = [images](const char16_t* key) {
    return images->GetIniColor(kIniSection, key, CTKPaintManagerColor::kNone);
  };
  const IniKeys& k = kIniKeys;
  pm->m_grcGradientColumn.clrLight.SetStandardValue(ini(k.normalLight));
  pm->m_grcGradientColumn.clrDark.SetStandardValue(ini(k.normalDark));
  pm->m_grcGradientColumnPushed.clrLight.SetStandardValue(ini(k.pressedLight));
  pm->m_grcGradientColumnPushed.clrDark.SetStandardValue(ini(k.pressedDark));
  pm->m_clrGradientColumnShadow.SetStandardValue(ini(k.shadow));
  pm->m_clrGradientColumnSeparator.SetStandardValue(ini(k.separator));
  pm->m_clrGroupBoxBack.SetStandardValue(ini(k.groupBoxBack));
  pm->m_clrGroupBoxText.SetStandardValue(ini(k.groupBoxText));
  pm->m_clrGroupShadeBack.SetStandardValue(ini(k.groupShadeBack));
  pm->m_clrGroupShadeBorder.SetStandardValue(ini(k.groupShadeBorder));
  pm->m_clrIndentControl.SetStandardValue(ini(k.groupIndent));
  pm->m_clrHighlight.SetStandardValue(ini(k.selection));
  pm->m_clrHighlightText.SetStandardValue(kIniSelectionText);
  pm->m_nGroupGridLineStyle = images->GetIniInt(kIniSection, k.groupLineStyle, kDefaultGroupLineStyle);
}

void RefreshFromFallback(CTKReportPaintManager* pm) {
  const Colors& c = kFallback;
  pm->m_grcGradientColumn.SetStandardColors(c.normalLight, c.normalDark);
  pm->m_grcGradientColumnPushed.SetStandardColors(c.pressedLight, c.pressedDark);
  pm->m_clrGradientColumnShadow.SetStandardValue(c.shadow);
  pm->m_clrGradientColumnSeparator.SetStandardValue(c.separator);
  pm->m_clrGroupBoxBack.SetStandardValue(c.groupBoxBack);
  pm->m_clrGroupBoxText.SetStandardValue(c.groupBoxText);
  pm->m_clrGroupShadeBack.SetStandardValue(c.groupShadeBack);
  pm->m_clrGroupShadeBorder.SetStandardValue(c.groupShadeBorder);
  pm->m_clrIndentControl.SetStandardValue(c.groupIndent);
}

}  // namespace

void CTKReportColumnStyleResource::RefreshColors(CTKReportPaintManager* pm) {
  if (pm->m_clrThemeBase != CTKPaintManagerColor::kNone) RefreshFromBaseColor(pm, pm->m_clrThemeBase);
  else if (CTKResourceImages* images = GetResourceImages(); images && images->IsLoaded()) RefreshFromIni(pm, images);
  else RefreshFromFallback(pm);
  pm->m_grcGradientColumnHot.SetStandardFrom(pm->m_grcGradientColumn);
  pm->m_clrGroupRowText.SetStandardValue(pm->m_clrGroupBoxText);
}

void CTKReportColumnStyleResource::DrawColumnBackground(CDC* pDC, CTKReportPaintManager* pm, CTKReportColumn* pColumn,
                                                        CTKReportColumn* pLeftColumn, const CRect& rc,
                                                        BOOL* pbPressed) {
  DrawGradientColumn(pDC, pm, pColumn, pLeftColumn, rc, pbPressed, FALSE);
}

void CTKReportColumnStyleResource::DrawColumnBox(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  GetDrawHelpers()->FillGradientColor(pDC, &rc, pm->m_grcGradientColumn, FALSE);
  Frame(pDC, rc, pm->m_clrGradientColumnShadow, pm->m_clrGradientColumnShadow);
}

void CTKReportColumnStyleResource::DrawSectionBand(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  pDC->FillSolidRect(&rc, CTKReportPaintManager::BlendColor(pm->m_grcGradientColumn.clrLight,
                                                            pm->m_grcGradientColumn.clrDark, kBandBlend));
  HLine(pDC, rc.left, rc.top, rc.Width(), kBandTop);
  HLine(pDC, rc.left, rc.bottom - 1, rc.Width(), pm->m_clrGradientColumnSeparator);
}

void CTKReportColumnStyleResource::DrawSortArrow(CDC* pDC, CTKReportPaintManager* pm, CPoint centre, BOOL bDecreasing) {
  DrawSortTriangle(pDC, pm, centre, bDecreasing);
}

void CTKReportColumnStyleResource::FillFooter(CDC* pDC, CTKReportPaintManager* pm, const CRect& rc) {
  FillGradientFooter(pDC, pm, rc, pm->m_clrGroupBoxBack);
}

COLORREF CTKReportColumnStyleResource::GetFooterDividerColor(CTKReportPaintManager* pm) {
  return pm->m_clrGradientColumnSeparator;
}

CTKResourceImage* CTKReportColumnStyleResource::GetExpandButtonImage() {
  CTKResourceImages* images = GetResourceImages();
  return images ? images->GetImage(kExpandButtonImage) : nullptr;
}
