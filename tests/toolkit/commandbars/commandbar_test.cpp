// What the input managers need of a command bar: the hit test of its window
// (a popup's window region counts) and tracking mode, which registers the
// bar with the thread's mouse and keyboard managers and releases it again.
#include <gtest/gtest.h>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"

namespace {

class Bar : public CTKCommandBar {
 public:
  Bar() {
    CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), u"", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100, nullptr,
             nullptr);
  }
  ~Bar() override { DestroyWindow(); }
  void SetPosition(int position) { m_barPosition = position; }
};

class CommandBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    GetMouseManager()->SetHook(FALSE);
    GetMouseManager()->SetHook(TRUE);
  }
  void TearDown() override { pvtest::ResetDesktop(); }
};

TEST_F(CommandBarTest, APopupsWindowRegionLimitsItsHitTest) {
  Bar bar;
  EXPECT_EQ(bar.GetPosition(), 7);
  EXPECT_EQ(bar.GetType(), 1);
  EXPECT_EQ(bar.GetSelected(), -1);
  ::SetWindowRgn(bar.GetSafeHwnd(), ::CreateEllipticRgn(0, 0, 100, 100), FALSE);
  struct Case {
    int position;
    POINT pt;
    int hit;
  } cases[] = {
      {7, {101, 101}, 1},  // not a popup: the window rectangle alone counts
      {5, {101, 101}, 0},  // a popup: outside its region
      {5, {150, 150}, 1}, {5, {250, 150}, 0}, {7, {99, 150}, 0},
  };
  for (const Case& c : cases) {
    bar.SetPosition(c.position);
    EXPECT_EQ(bar.HitTestScreenPoint(c.pt), c.hit) << c.position << " " << c.pt.x;
  }
}

TEST_F(CommandBarTest, TrackingModeRegistersTheBarWithTheInputManagers) {
  Bar bar;
  CTKMouseManager* mouse = GetMouseManager();
  EXPECT_TRUE(bar.SetTrackingMode(1, FALSE, FALSE));
  EXPECT_TRUE(mouse->IsTracked(&bar));
  EXPECT_TRUE(GetKeyboardManager()->IsKeyboardHooked());
  EXPECT_FALSE(bar.SetTrackingMode(2));  // already tracking: only the mode changes
  EXPECT_EQ(bar.GetTrackingMode(), 2);

  mouse->LockTrackedBars(TRUE);
  EXPECT_EQ(bar.m_nLockCount, 1);
  bar.OnTrackLost();
  EXPECT_FALSE(bar.IsTrackingMode());
  EXPECT_FALSE(mouse->IsTracked(&bar));
  EXPECT_EQ(bar.m_nLockCount, 0);
  EXPECT_FALSE(GetKeyboardManager()->IsKeyboardHooked());
}

}  // namespace
