// The splitter tracker's modal loop: the outline stays at the bound while
// the pointer is beyond it, and Escape ends the drag with the screen as it
// was and the tracker rectangle at its last place.
#include <gtest/gtest.h>

#include <vector>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/input_test_support.h"
#include "toolkit/common/splittertracker.h"

namespace {

class SplitterTrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    window_.CreateEx(0, AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH))), u"",
                     WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr);
    window_.SetForegroundWindow();
    window_.SetFocus();
    pv::test::PumpUntilIdle();
  }
  void TearDown() override {
    window_.DestroyWindow();
    pvtest::ResetDesktop();
  }
  bool AllWhite() {
    for (int y = 0; y < 300; y += 7)
      for (int x = 0; x < 400; ++x)
        if (pv::test::WindowPixelNc(window_.GetSafeHwnd(), x, y) != RGB(255, 255, 255)) return false;
    return true;
  }
  int DarkAt(int x, int y) {
    // How many of two neighbouring pixels the outline inverted.
    int dark = 0;
    for (int dx = 0; dx < 2; ++dx) dark += pv::test::WindowPixelNc(window_.GetSafeHwnd(), x + dx, y) == 0 ? 1 : 0;
    return dark;
  }

  pv::FakeClockScope clock_;
  CWnd window_;
};

TEST_F(SplitterTrackerTest, TheOutlineStopsAtTheBoundAndEscapeRestoresThePixels) {
  ASSERT_TRUE(AllWhite());
  for (BOOL solid : {TRUE, FALSE}) {
    CTKSplitterTracker tracker(solid, FALSE);
    CRect rect(200, 100, 204, 400);  // a splitter bar moving left and right
    std::vector<int> atBound, atStart;
    tktest::ScriptTicker ticker({
        [] { pv::test::MouseMove(450, 250); },  // far beyond the right bound (300)
        [&] {
          atBound.push_back(DarkAt(200, 150));  // window x of screen 300
          atStart.push_back(DarkAt(100, 150));  // where it began
          pv::test::MouseMove(480, 250);        // still beyond: no change
        },
        [&] {
          atBound.push_back(DarkAt(200, 150));
          pv::test::KeyPress(VK_ESCAPE);
        },
    });
    const BOOL released = tracker.Track(&window_, CRect(150, 100, 300, 400), rect, CPoint(202, 250), TRUE);
    EXPECT_FALSE(released);
    EXPECT_EQ(rect, CRect(300, 100, 304, 400));  // the last place drawn
    const int expected = solid ? 2 : 1;          // the halftone inverts every other pixel
    EXPECT_EQ(atBound, (std::vector<int>{expected, expected})) << solid;
    EXPECT_EQ(atStart, (std::vector<int>{0})) << solid;
    EXPECT_TRUE(AllWhite()) << solid;
    EXPECT_EQ(::GetCapture(), nullptr);
  }

  // Released with the left button: TRUE, at the pointer within the bounds.
  CTKSplitterTracker tracker(TRUE, FALSE);
  CRect rect(200, 100, 204, 400);
  tktest::ScriptTicker ticker({
      [] { pv::test::MouseMove(252, 250); },
      [] { pv::test::MouseUp(pv::test::Button::Left, 252, 250); },
  });
  EXPECT_TRUE(tracker.Track(&window_, CRect(150, 100, 300, 400), rect, CPoint(202, 250), TRUE));
  EXPECT_EQ(rect, CRect(250, 100, 254, 400));
  EXPECT_TRUE(AllWhite());
}

}  // namespace
