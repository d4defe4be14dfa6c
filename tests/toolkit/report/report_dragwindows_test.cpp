// The column drag windows: auto-scroll steps, the drop marker's arrows and
// placement, the drag image's drawing; and the printable page width.
#include <gtest/gtest.h>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "report_paint_test_support.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reportcolumn.h"
#include "toolkit/report/reportdragwindows.h"
#include "toolkit/report/reportpaintmanager.h"
#include "toolkit/report/reportprintoptions.h"

namespace {

TEST(ReportDragScroll, StepAndIntervalFollowTheOvershoot) {
  struct Case {
    int overshoot;
    BOOL wholeColumns;
    int step, interval;
  };
  const Case cases[] = {
      {35, FALSE, 3, 65}, {200, FALSE, 7, 10}, {200, TRUE, 7, 30}, {1, FALSE, 3, 99},
      {1, TRUE, 3, 790},  {55, FALSE, 5, 45},  {79, TRUE, 7, 30},  {70, TRUE, 7, 100},
  };
  for (const Case& c : cases) {
    const TK_REPORTDRAGSCROLL r = TKCalcReportDragScroll(c.overshoot, c.wholeColumns);
    EXPECT_EQ(r.nStep, c.step) << c.overshoot;
    EXPECT_EQ(r.nInterval, c.interval) << c.overshoot << " " << c.wholeColumns;
  }
}

TEST(ReportDropMarker, ArrowsPointAtTheHeaderRow) {
  const int h = 40;
  CRgn rgn;
  ASSERT_TRUE(CTKReportHeaderDropWnd::BuildArrowRegion(rgn, h));
  struct Case {
    int x, y;
    bool inside;
  };
  const Case cases[] = {
      {6, 1, true},   {6, 7, true},      {2, 1, false},    {9, 1, false},      // down arrow: shaft and head
      {6, 15, false}, {6, h - 2, true},  {6, h - 8, true}, {2, h - 2, false},  // gap; up arrow
      {8, 5, true},   {10, h - 5, true}, {0, 20, false},
  };
  for (const Case& c : cases) EXPECT_EQ(rgn.PtInRegion(c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
  CRect box;
  rgn.GetRgnBox(&box);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.bottom, h);
}

class ReportDragWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);
  }
  void TearDown() override { pvtest::ResetDesktop(); }
};

TEST_F(ReportDragWindowTest, DropMarkerIsCentredOnTheRowMiddle) {
  auto* marker = new CTKReportHeaderDropWnd(RGB(255, 0, 0));
  ASSERT_TRUE(marker->Create(nullptr, 20));
  EXPECT_EQ(marker->GetHeight(), 40);
  marker->SetPosition(300, 110);
  CRect rc;
  marker->GetWindowRect(&rc);
  EXPECT_EQ(rc, CRect(294, 90, 306, 130));
  EXPECT_TRUE(marker->IsWindowVisible());
  EXPECT_NE(marker->GetExStyle() & WS_EX_TOPMOST, 0u);
  marker->DestroyWindow();  // deletes itself
}

TEST_F(ReportDragWindowTest, DragImageTakesTheHeaderHeightAndDrawsTheColumnBox) {
  CTKReportPaintManager pm;
  pm.m_clrHeaderControl.SetCustomValue(RGB(1, 2, 3));
  CTKReportColumn column(0, u"Dragged", 80);
  auto* image = new CTKReportHeaderDragWnd();
  ASSERT_TRUE(image->Create(100, 50, 180, 50, nullptr, &pm, &column));
  CRect rc;
  image->GetWindowRect(&rc);
  EXPECT_EQ(rc.Height(), pm.GetFixedHeaderHeight());
  PaintCanvas canvas(80, rc.Height());
  image->Draw(canvas.DC(), canvas.Rect());
  // The external form: header face inside a raised frame.
  EXPECT_EQ(canvas.At(40, 3), RGB(1, 2, 3));
  EXPECT_EQ(canvas.At(0, 3), static_cast<COLORREF>(pm.m_clrControlLightLight));
  image->DestroyWindow();
}

TEST(ReportPrintWidth, PageWidthInScreenPixelsLessMargins) {
  struct Case {
    int device, dpi, margins, expected;
  };
  for (Case c : {Case{4800, 600, 0, 768}, Case{2550, 300, 96, 720}, Case{1000, 96, 50, 950}, Case{1000, 0, 0, 0}}) {
    EXPECT_EQ(TKCalcPrintPageWidth(c.device, c.dpi, c.margins), c.expected) << c.device << "@" << c.dpi;
  }
  // Without a default printer nothing is measured, and nothing is cached.
  CTKReportPaintManager pm;
  EXPECT_EQ(pm.GetPrintPageWidth(), 0);
  EXPECT_EQ(pm.m_nPrintPageWidth, 0);
}

}  // namespace
