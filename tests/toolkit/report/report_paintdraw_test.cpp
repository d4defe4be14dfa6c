// The paint manager's drawing, checked by the pixels it leaves in a 32-bit
// memory DC: grid patterns, footers, sort arrows, dividers, glyphs and
// column buttons, with the printing branches on a DC flagged as printing.
#include <gtest/gtest.h>

#include "report_paint_test_support.h"
#include "report_test_support.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportpaintmanager.h"

namespace {

constexpr COLORREF kGrid = RGB(10, 20, 30);
constexpr COLORREF kBack = RGB(250, 251, 252);
constexpr COLORREF kMarker = RGB(1, 2, 3);

class PaintDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pm.m_clrGridLine.SetCustomValue(kGrid);
    pm.m_clrControlBack.SetCustomValue(kBack);
  }
  CTKReportPaintManager pm;
};

TEST_F(PaintDrawTest, GridStylesDrawTheirPatterns) {
  // Vertical lines: the right column of the cell, rows of the pattern.
  struct Case {
    int style;
    BOOL vertical;
    const char* expected;  // g grid colour, b background, per pixel along the line
  };
  const Case cases[] = {
      {tkGridSmallDots, TRUE, "gbgbgbgbgbgbgbgbg"},  {tkGridSolid, TRUE, "ggggggggggggggggg"},
      {tkGridSmallDots, FALSE, "bgbgbgbgbgbgbgbgb"},  // pattern row 1 (y = 17): 55
      {tkGridLargeDots, FALSE, "bbggbbggbbggbbggb"},  // 33
      {tkGridDashes, FALSE, "gggbbbbbgggbbbbbg"},    {tkGridSolid, FALSE, "ggggggggggggggggg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.style << (c.vertical ? " vertical" : " horizontal"));
    PaintCanvas canvas(20, 20, kMarker);
    pm.SetGridStyle(c.vertical, c.style);
    // A 17-pixel cell: a vertical line on x = 16, a horizontal one on y = 17.
    pm.DrawGridLine(canvas.DC(), c.vertical, CRect(0, 0, 17, 17));
    std::string got;
    for (int i = 0; i < 17; i++) {
      const COLORREF px = c.vertical ? canvas.At(16, i) : canvas.At(i, 17);
      got += px == kGrid ? 'g' : px == kBack ? 'b' : '?';
    }
    EXPECT_EQ(got, c.expected);
    // Nothing outside the line.
    EXPECT_EQ(canvas.At(c.vertical ? 15 : 3, c.vertical ? 3 : 16), kMarker);
  }
  pm.SetGridStyle(FALSE, tkGridNoLines);
  PaintCanvas canvas(20, 20, kMarker);
  pm.DrawGridLine(canvas.DC(), FALSE, CRect(0, 0, 17, 17));
  EXPECT_EQ(canvas.CountColor(canvas.Rect(), kMarker), 400);
}

TEST_F(PaintDrawTest, ShadedFooterHasItsFourTopLinesAndBottomLine) {
  pm.m_clrBtnFace.SetCustomValue(RGB(200, 200, 200));
  pm.m_clrControlDark.SetCustomValue(RGB(100, 100, 100));
  PaintCanvas canvas(30, 22, kMarker);
  pm.FillFooter(canvas.DC(), CRect(0, 0, 30, 22));
  const COLORREF face = RGB(200, 200, 200), shadow = RGB(100, 100, 100);
  EXPECT_EQ(canvas.At(5, 0), kBack);
  EXPECT_EQ(canvas.At(5, 1), shadow);
  EXPECT_EQ(canvas.At(5, 2), CTKReportPaintManager::BlendColor(face, shadow, 0.6));
  EXPECT_EQ(canvas.At(5, 3), CTKReportPaintManager::BlendColor(face, shadow, 0.25));
  EXPECT_EQ(canvas.At(5, 10), face);
  EXPECT_EQ(canvas.At(29, 21), shadow);
}

TEST_F(PaintDrawTest, SortArrowNeedsMoreThanTenPixels) {
  pm.SetColumnStyle(TKReportColumnStyle::Explorer);
  pm.m_clrGradientColumnSeparator.SetCustomValue(RGB(0, 128, 0));
  for (BOOL decreasing : {FALSE, TRUE}) {
    PaintCanvas canvas(40, 20, kMarker);
    pm.DrawSortArrow(canvas.DC(), CRect(0, 0, 10, 20), decreasing, 0);
    EXPECT_EQ(canvas.CountColor(canvas.Rect(), kMarker), 800);
    pm.DrawSortArrow(canvas.DC(), CRect(20, 0, 36, 20), decreasing, 0);
    // The triangle's wide edge is two pixels above (decreasing) or below
    // the centre (28, 10); its tip on the other side.
    const int wide = decreasing ? 8 : 12, tip = decreasing ? 12 : 8;
    EXPECT_EQ(canvas.At(26, wide), RGB(0, 128, 0));
    EXPECT_EQ(canvas.At(28, tip), RGB(0, 128, 0));
    EXPECT_EQ(canvas.At(25, tip), kMarker);
  }
}

TEST_F(PaintDrawTest, FreezeDividerByStyle) {
  pm.m_clrFreezeColsDivider.SetCustomValue(RGB(0, 0, 200));
  struct Case {
    int style;
    int position;  // 0: nothing drawn
    int width;
  };
  for (Case c : {Case{0, 0, 0}, Case{tkFreezeDividerThin, 39, 1}, Case{tkFreezeDividerBold, 38, 2},
                 Case{tkFreezeDividerThin | tkFreezeDividerShade, 39, 1}}) {
    SCOPED_TRACE(c.style);
    PaintCanvas canvas(50, 10, kMarker);
    pm.m_nFreezeColsDividerPosition = 99;
    pm.SetFreezeColsDividerStyle(c.style);
    pm.DrawFreezeColsDivider(canvas.DC(), CRect(0, 0, 40, 10), nullptr, nullptr);
    EXPECT_EQ(pm.GetFreezeColsDividerPosition(), c.position);
    EXPECT_EQ(canvas.CountColor(CRect(0, 5, 50, 6), RGB(0, 0, 200)), c.width);
  }
}

TEST_F(PaintDrawTest, SectionDividerThicknessAndBands) {
  struct Case {
    int style, thickness;
  };
  for (Case c : {Case{1, 1}, Case{2, 2}, Case{8, 8}, Case{5, 1}, Case{12, 8}, Case{4, 0}, Case{3, 0}, Case{16, 0}}) {
    EXPECT_EQ(pm.GetDividerThickness(c.style), c.thickness) << c.style;
  }
  PaintCanvas canvas(20, 10, kMarker);
  pm.DrawSectionDivider(canvas.DC(), CRect(0, 2, 20, 4), 1, 2, RGB(9, 9, 9));
  EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(9, 9, 9)), 40);
}

TEST_F(PaintDrawTest, GlyphsMeasureWithoutADcAndDrawInsideTheRectangle) {
  const CSize size = pm.DrawGlyph(nullptr, CRect(0, 0, 20, 20), tkGlyphChecked);
  EXPECT_EQ(size, CSize(13, 13));
  EXPECT_EQ(pm.DrawGlyph(nullptr, CRect(0, 0, 20, 20), tkGlyphSortAscending), CSize(0, 0));
  PaintCanvas canvas(20, 20, kMarker);
  pm.DrawGlyph(canvas.DC(), CRect(0, 0, 20, 20), tkGlyphChecked);
  // Drawn at (1, 4): nothing in column 0 nor above row 4; the frame is there.
  EXPECT_EQ(canvas.CountColor(CRect(0, 0, 1, 20), kMarker), 20);
  EXPECT_EQ(canvas.CountColor(CRect(0, 0, 20, 4), kMarker), 80);
  EXPECT_NE(canvas.At(1 + 1, 4 + 1), kMarker);
  // A rectangle not taller than the glyph gets nothing drawn.
  PaintCanvas low(20, 12, kMarker);
  pm.DrawGlyph(low.DC(), CRect(0, 0, 20, 12), tkGlyphChecked);
  EXPECT_EQ(low.CountColor(low.Rect(), kMarker), 240);
}

// The caption's ink: first and last rows with dark pixels.
std::pair<int, int> InkRows(PaintCanvas& canvas, const CRect& rc) {
  int first = -1, last = -1;
  for (int y = rc.top; y < rc.bottom; y++)
    if (canvas.Count(CRect(rc.left + 4, y, rc.right - 20, y + 1), IsBlackInk) > 0) {
      if (first < 0) first = y;
      last = y;
    }
  return {first, last};
}

TEST_F(PaintDrawTest, ShadedColumnCaptionSitsAboveItsBottomInset) {
  pm.m_clrCaptionText.SetCustomValue(RGB(0, 0, 0));
  CTKReportColumn column(0, u"Caption", 120);
  const CRect rc(0, 0, 120, 30);
  PaintCanvas shaded(120, 30), raised(120, 30);
  pm.SetColumnStyle(TKReportColumnStyle::Shaded);
  pm.DrawColumn(shaded.DC(), &column, nullptr, rc, FALSE);
  pm.SetColumnStyle(TKReportColumnStyle::Flat);
  pm.DrawColumn(raised.DC(), &column, nullptr, rc, FALSE);
  const auto a = InkRows(shaded, rc), b = InkRows(raised, rc);
  ASSERT_GE(a.first, 0);
  EXPECT_EQ(b.first - a.first, 2);  // the caption area is 4 pixels lower; centred: 2
  EXPECT_EQ(b.second - a.second, 2);
}

TEST_F(PaintDrawTest, SortArrowFollowsPrintingSwitch) {
  pm.SetColumnStyle(TKReportColumnStyle::Explorer);
  pm.m_clrGradientColumnSeparator.SetCustomValue(RGB(0, 128, 0));
  pm.m_clrCaptionText.SetCustomValue(RGB(0, 0, 0));
  CTKReportColumns columns(nullptr);
  CTKReportColumn* column = new CTKReportColumn(0, u"Name", 150);
  columns.Add(column);
  columns.GetSortOrder()->Add(column);
  ASSERT_TRUE(column->IsSorted());
  struct Case {
    BOOL printing, printArrows;
    bool arrow;
  };
  for (Case c : {Case{FALSE, FALSE, true}, Case{TRUE, TRUE, true}, Case{TRUE, FALSE, false}}) {
    SCOPED_TRACE(testing::Message() << c.printing << c.printArrows);
    pm.m_bPrintSortTriangle = c.printArrows;
    PaintCanvas canvas(150, 24);
    canvas.SetPrinting(c.printing);
    pm.DrawColumn(canvas.DC(), column, nullptr, CRect(0, 0, 150, 24), FALSE);
    EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(0, 128, 0)) > 10, c.arrow);
  }
}

TEST_F(PaintDrawTest, GroupByHintBoxIsAtLeast55Wide) {
  pm.m_clrHeaderControl.SetCustomValue(RGB(7, 7, 7));
  FakeReportHost host;
  pm.SetReportControl(host.Control());
  for (const char16_t* hint : {u"x", u"a much longer hint than forty-seven pixels"}) {
    pm.SetNoGroupByText(hint);
    PaintCanvas canvas(400, 20, kMarker);
    pm.DrawNoGroupByText(canvas.DC(), CRect(0, 0, 400, 20));
    int width = 0;
    while (width < 400 && canvas.At(width, 0) == RGB(7, 7, 7)) width++;
    CWindowDC screen(nullptr);
    CFont* old = screen.SelectObject(pm.GetCaptionFont());
    const int measured = pm.GetTextWidth(&screen, CString(hint));
    screen.SelectObject(old);
    EXPECT_EQ(width, measured < 47 ? 55 : measured + 8);
  }
}

}  // namespace
