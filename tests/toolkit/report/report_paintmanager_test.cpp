// The paint manager's settings: defaults, fonts and the heights they give,
// texts by resource id, colours through RefreshMetrics and the formula.
#include <gtest/gtest.h>

#include "platform/framework/afxgdi.h"
#include "tests/toolkit/common/fake_uxtheme.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

int SpaceHeight(CFont* font) {
  CWindowDC dc(nullptr);
  CFont* old = dc.SelectObject(font);
  const int height = dc.GetTextExtent(u" ", 1).cy;
  dc.SelectObject(old);
  return height;
}

class ReportPaintManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { tk_test::FakeUxTheme::Remove(); }
  void TearDown() override {
    tk_test::FakeUxTheme::Remove();
    RefreshColorManager();
  }
};

TEST_F(ReportPaintManagerTest, HeightsFollowTheFontsAndTheFormula) {
  CTKReportPaintManager pm;
  const int h = SpaceHeight(pm.GetTextFont());
  EXPECT_EQ(pm.GetRowHeightDefault(), std::max(18, h + 4));
  const int hc = SpaceHeight(pm.GetCaptionFont());
  EXPECT_EQ(pm.GetFixedHeaderHeight(), hc * 11 / 10 + 8);
  EXPECT_EQ(pm.GetFooterHeightDefault(), hc * 11 / 10 + 8);

  // A big font gives a row height above the minimum; the bold font follows.
  LOGFONTW lf{};
  CTKDrawHelpers::GetIconLogFont(&lf);
  lf.lfHeight = -40;
  pm.SetTextFont(lf);
  const int big = SpaceHeight(pm.GetTextFont());
  EXPECT_GT(big + 4, 18);
  EXPECT_EQ(pm.GetRowHeightDefault(), big + 4);
  LOGFONTW bold{};
  pm.GetBoldTextFont()->GetLogFont(&bold);
  EXPECT_EQ(bold.lfWeight, 700);
  EXPECT_EQ(bold.lfHeight, -40);

  // A new formula applies at the next refresh.
  pm.GetHeaderHeightFormula()->SetParameters(2, 1, 0);
  pm.RefreshMetrics();
  EXPECT_EQ(pm.GetFixedHeaderHeight(), hc * 2);
}

TEST_F(ReportPaintManagerTest, FormulaComputesInIntegersAndTreatsZeroDivisorAsOne) {
  struct Case {
    int mul, div, add, x, expected;
  };
  for (Case c : {Case{11, 10, 8, 13, 22}, Case{11, 10, 8, 19, 28}, Case{3, 0, 1, 5, 16}, Case{1, 1, 0, 7, 7},
                 Case{-1, 2, 0, 3, -1}}) {
    CTKFormulaMulDivC f;
    f.SetParameters(c.mul, c.div, c.add);
    EXPECT_EQ(f.Compute(c.x), c.expected) << c.mul << "/" << c.div << "+" << c.add << " of " << c.x;
  }
}

TEST_F(ReportPaintManagerTest, GridStyleAndGroupRowsChangeBaseHeight) {
  CTKReportPaintManager pm;
  const int rowHeight = pm.GetRowHeightDefault();
  EXPECT_EQ(pm.GetBaseRowHeight(nullptr, nullptr), rowHeight + 1);
  pm.SetGridStyle(FALSE, tkGridNoLines);
  EXPECT_FALSE(pm.IsGridVisible(0));
  EXPECT_EQ(pm.GetBaseRowHeight(nullptr, nullptr), rowHeight);
  pm.SetGridStyle(TRUE, tkGridDashes);
  EXPECT_TRUE(pm.IsGridVisible(1));
  EXPECT_FALSE(pm.IsGridVisible(2));
}

TEST_F(ReportPaintManagerTest, TextsComeFromTheResources) {
  CTKReportPaintManager pm;
  EXPECT_EQ(pm.GetNoItemsText(), CString(u"There are no items to show."));
  EXPECT_EQ(pm.GetSortByText(), CString(u"Sort by: "));
  EXPECT_EQ(pm.GetIncreasingText(), CString(u"/Increasing"));
  EXPECT_EQ(pm.GetDecreasingText(), CString(u"/Decreasing"));
  EXPECT_EQ(pm.GetNoGroupByText(), CString(u"Drag a column header here to group by that column."));
  EXPECT_EQ(pm.GetNoFieldsAvailableText(), CString(u"(no fields available)"));
  EXPECT_EQ(pm.GetExpandText(), CString(u"Expand"));
  EXPECT_EQ(pm.GetCollapseText(), CString(u"Collapse"));
}

TEST_F(ReportPaintManagerTest, GlyphStripHoldsElevenTwelvePixelImages) {
  CTKReportPaintManager pm;
  for (UINT id = 0; id < 11; id++) {
    CTKImageManagerIcon* icon = pm.GetGlyphs()->LookupIcon(id, 16);
    ASSERT_NE(icon, nullptr) << id;
    EXPECT_EQ(icon->GetWidth(), 12);
    EXPECT_EQ(icon->GetHeight(), 12);
  }
  EXPECT_EQ(pm.GetGlyphs()->LookupIcon(11, 16), nullptr);
  EXPECT_EQ(pm.GetGlyphs()->GetMaskColor(), static_cast<COLORREF>(-1));  // restored
}

TEST_F(ReportPaintManagerTest, StandardColoursFollowSystemColoursAndCustomValuesSurvive) {
  CTKReportPaintManager pm;
  CTKColorManager* cm = GetColorManager();
  EXPECT_EQ(pm.m_clrHighlight.GetColor(), cm->GetColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pm.m_clrGridLine.GetColor(), cm->GetColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pm.m_clrHeaderControl.GetColor(), cm->GetColor(COLOR_BTNFACE));
  EXPECT_EQ(pm.m_clrSelectedRowText.GetColor(), cm->GetColor(COLOR_BTNTEXT));
  EXPECT_EQ(pm.GetControlBackColor(nullptr), cm->GetColor(COLOR_WINDOW));
  EXPECT_EQ(pm.m_clrItemShade.GetColor(), RGB(245, 245, 245));
  EXPECT_EQ(pm.m_clrPreviewText.GetColor(), RGB(0, 0, 255));
  EXPECT_EQ(pm.m_clrFreezeColsDivider.GetColor(), RGB(0, 0, 222));

  // A custom 3D shadow does not feed the derived colours (they take the
  // effective value) ... until the next refresh, where it does.
  pm.m_clrGridLine.SetCustomValue(RGB(1, 2, 3));
  pm.m_clrControlDark.SetCustomValue(RGB(9, 9, 9));
  pm.RefreshMetrics();
  EXPECT_EQ(pm.m_clrGridLine.GetColor(), RGB(1, 2, 3));
  EXPECT_EQ(pm.m_clrGroupRowText.GetColor(), RGB(9, 9, 9));
  EXPECT_EQ(pm.m_clrControlDark.GetStandardColor(), cm->GetColor(COLOR_BTNSHADOW));
}

TEST_F(ReportPaintManagerTest, VisualStyleSetsRecolourGroupsAndGrid) {
  tk_test::FakeUxThemeState silver;
  silver.fileName = u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles";
  silver.colorName = u"Metallic";
  tk_test::FakeUxTheme::Install(silver);
  CTKReportPaintManager pm;
  ASSERT_EQ(GetColorManager()->GetCurrentTheme(), 3);
  EXPECT_EQ(pm.m_clrGridLine.GetColor(), RGB(229, 229, 235));
  EXPECT_EQ(pm.m_clrGroupShadeBorder.GetColor(), RGB(165, 164, 189));
  EXPECT_EQ(pm.m_clrIndentControl.GetColor(), RGB(253, 238, 201));
  pm.m_clrGridLine.SetCustomValue(RGB(7, 7, 7));
  pm.RefreshMetrics();
  EXPECT_EQ(pm.m_clrGridLine.GetColor(), RGB(7, 7, 7));

  // The gradient column style takes the theme's gradient table.
  pm.SetColumnStyle(TKReportColumnStyle::Office2003);
  EXPECT_EQ(pm.m_grcGradientColumn.clrLight.GetColor(), RGB(243, 244, 250));
  EXPECT_EQ(pm.m_grcGradientColumn.clrDark.GetColor(), RGB(153, 151, 181));
  EXPECT_EQ(pm.m_grcGradientColumnPushed.clrLight.GetColor(), RGB(254, 142, 75));
  EXPECT_EQ(pm.m_grcGradientColumnHot.clrDark.GetColor(), RGB(255, 212, 151));
  EXPECT_EQ(pm.m_clrGradientColumnSeparator.GetColor(), RGB(110, 109, 143));
}

TEST_F(ReportPaintManagerTest, ThemeBaseColourDerivesTheImageStyleColours) {
  CTKReportPaintManager pm;
  pm.SetColumnStyle(TKReportColumnStyle::Resource);
  pm.SetThemeBaseColor(RGB(0, 0, 255));
  const DWORD hsl = CTKDrawHelpers::RGBtoHSLPacked(RGB(0, 0, 255));
  const DWORD hs = hsl & 0xFFFF;
  const int s = static_cast<int>((hsl >> 8) & 0xFF);
  auto tint = [&](int sat, int lum) {
    return CTKDrawHelpers::HSLPackedToRGB((hsl & 0xFF) | (static_cast<DWORD>(sat) << 8) |
                                          (static_cast<DWORD>(lum) << 16));
  };
  EXPECT_EQ(pm.m_grcGradientColumn.clrLight.GetColor(), CTKDrawHelpers::HSLPackedToRGB(hs | (239u << 16)));
  EXPECT_EQ(pm.m_grcGradientColumn.clrDark.GetColor(), CTKDrawHelpers::HSLPackedToRGB(hs | (212u << 16)));
  // Pressing reverses the normal gradient.
  EXPECT_EQ(pm.m_grcGradientColumnPushed.clrLight.GetColor(), pm.m_grcGradientColumn.clrDark.GetColor());
  EXPECT_EQ(pm.m_grcGradientColumnPushed.clrDark.GetColor(), pm.m_grcGradientColumn.clrLight.GetColor());
  EXPECT_EQ(pm.m_grcGradientColumnHot.clrLight.GetColor(), pm.m_grcGradientColumn.clrLight.GetColor());
  EXPECT_EQ(pm.m_clrGradientColumnShadow.GetColor(), tint(static_cast<int>(s * 0.525), 145));
  EXPECT_EQ(pm.m_clrGroupBoxText.GetColor(), tint(static_cast<int>(s * 0.75), 79));
  EXPECT_EQ(pm.m_clrGroupRowText.GetColor(), pm.m_clrGroupBoxText.GetColor());
  EXPECT_EQ(pm.m_clrGroupShadeBack.GetColor(), tint(static_cast<int>(s * 0.88), 208));
}

TEST_F(ReportPaintManagerTest, BlendColorTruncatesEachChannel) {
  struct Case {
    COLORREF from, to;
    double alpha;
    COLORREF expected;
  };
  for (Case c : {Case{RGB(255, 255, 255), RGB(0, 0, 0), 0.5, RGB(127, 127, 127)},
                 Case{RGB(10, 20, 30), RGB(20, 0, 30), 0.25, RGB(12, 15, 30)},
                 Case{RGB(0, 100, 200), RGB(0, 100, 200), 0.7, RGB(0, 100, 200)},
                 Case{RGB(100, 0, 0), RGB(0, 0, 0), 1.0, RGB(0, 0, 0)}}) {
    EXPECT_EQ(CTKReportPaintManager::BlendColor(c.from, c.to, c.alpha), c.expected);
  }
}

}  // namespace
