// The cell tip window's placement and the section border records.
#include <gtest/gtest.h>

#include "platform/window/test_input.h"
#include "report_paint_test_support.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/report/reporttip.h"

namespace {

class ReportTipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1280, 1024, 40);  // work area 1280 x 984
    pv::test::MouseMove(5, 5);
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                nullptr, nullptr));
    ASSERT_TRUE(tip.Create(&parent));
  }
  void TearDown() override {
    tip.DestroyWindow();
    parent.DestroyWindow();
    pvtest::ResetDesktop();
  }
  CRect Shown() {
    CRect rc;
    tip.GetWindowRect(&rc);
    return rc;
  }
  CWnd parent;
  CTKReportTip tip;
};

TEST_F(ReportTipTest, SecondCreateKeepsTheWindow) {
  const HWND hwnd = tip.m_hWnd;
  EXPECT_TRUE(tip.Create(&parent));
  EXPECT_EQ(tip.m_hWnd, hwnd);
}

TEST_F(ReportTipTest, SingleLineTipIsTheTextWidthPlusSix) {
  tip.SetTooltipText(u"");
  tip.SetTooltipRect(CRect(100, 100, 400, 120));
  tip.Activate(TRUE, FALSE);
  EXPECT_EQ(Shown(), CRect(100, 100, 106, 120));
  EXPECT_TRUE(tip.IsWindowVisible());
  // Hiding keeps the place and the text.
  tip.SetTooltipText(u"kept");
  tip.Activate(FALSE, FALSE);
  EXPECT_FALSE(tip.IsWindowVisible());
  EXPECT_EQ(Shown().TopLeft(), CPoint(100, 100));
  EXPECT_EQ(tip.GetTooltipText(), CString(u"kept"));
}

TEST_F(ReportTipTest, WorkAreaCorrections) {
  // A single-line tip wider than the work area starts at its left edge.
  CString wide;
  for (int i = 0; i < 400; i++) wide += u"W";
  tip.SetTooltipText(wide);
  tip.SetTooltipRect(CRect(900, 980, 1000, 1000));
  tip.Activate(TRUE, FALSE);
  EXPECT_EQ(Shown().left, 0);
  EXPECT_GT(Shown().right, 1280);
  EXPECT_EQ(Shown().top, 980);  // never moved vertically
  // A multi-line tip below the work area moves up to its bottom.
  tip.SetTooltipText(u"one\ntwo");
  tip.SetTooltipRect(CRect(1200, 900, 1300, 1100));
  tip.Activate(TRUE, TRUE);
  EXPECT_EQ(Shown(), CRect(1180, 784, 1280, 984));
}

TEST_F(ReportTipTest, RightToLeftParentAlignsOnTheHoverRectangle) {
  parent.ModifyStyleEx(0, WS_EX_LAYOUTRTL);
  tip.SetTooltipText(u"");
  tip.SetHoverRect(CRect(50, 50, 250, 70));
  tip.SetTooltipRect(CRect(60, 50, 200, 70));
  tip.Activate(TRUE, FALSE);
  EXPECT_EQ(Shown(), CRect(245, 50, 251, 70));
}

TEST(ReportBorder, StripsInsideTheMargin) {
  CTKReportBorder border;
  EXPECT_EQ(CSize(border.GetSize()), CSize(0, 0));
  PaintCanvas canvas(40, 20, RGB(1, 2, 3));
  border.SetBorderColor(RGB(200, 0, 0));
  border.Draw(canvas.DC(), 0, 0, 40, 20);
  EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(200, 0, 0)), 0);
  border.GetBorderThickness()->SetTop(1);
  border.GetMargin()->m_nLeft = 5;
  border.GetMargin()->m_nTop = 2;
  border.Draw(canvas.DC(), 0, 0, 40, 20);
  EXPECT_EQ(canvas.CountColor(canvas.Rect(), RGB(200, 0, 0)), 35);
  EXPECT_EQ(canvas.CountColor(CRect(5, 2, 40, 3), RGB(200, 0, 0)), 35);
  border.GetPadding()->m_nBottom = 4;
  EXPECT_EQ(CSize(border.GetSize()), CSize(5, 7));
  // An inverted rectangle draws nothing.
  PaintCanvas other(40, 20, RGB(1, 2, 3));
  border.Draw(other.DC(), 0, 20, 40, 10);
  EXPECT_EQ(other.CountColor(other.Rect(), RGB(1, 2, 3)), 800);
  EXPECT_EQ(CRect(DeflateByThickness(1, 2, 3, 4, nullptr)), CRect(1, 2, 3, 4));
}

}  // namespace
