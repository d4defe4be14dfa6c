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
  void SetPosition(TKBarPosition position) { m_barPosition = position; }
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
  EXPECT_EQ(bar.GetPosition(), TKBarPosition::None);
  EXPECT_EQ(bar.GetType(), TKBarType::Normal);
  EXPECT_EQ(bar.GetSelected(), -1);
  ::SetWindowRgn(bar.GetSafeHwnd(), ::CreateEllipticRgn(0, 0, 100, 100), FALSE);
  struct Case {
    TKBarPosition position;
    POINT pt;
    int hit;
  } cases[] = {
      {TKBarPosition::None, {101, 101}, 1},   // not a popup: the window rectangle alone counts
      {TKBarPosition::Popup, {101, 101}, 0},  // a popup: outside its region
      {TKBarPosition::Popup, {150, 150}, 1}, {TKBarPosition::Popup, {250, 150}, 0}, {TKBarPosition::None, {99, 150}, 0},
  };
  for (const Case& c : cases) {
    bar.SetPosition(c.position);
    EXPECT_EQ(bar.HitTestScreenPoint(c.pt), c.hit) << static_cast<int>(c.position) << " " << c.pt.x;
  }
}

TEST_F(CommandBarTest, TrackingModeRegistersTheBarWithTheInputManagers) {
  Bar bar;
  CTKMouseManager* mouse = GetMouseManager();
  EXPECT_TRUE(bar.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE));
  EXPECT_TRUE(mouse->IsTracked(&bar));
  EXPECT_TRUE(GetKeyboardManager()->IsKeyboardHooked());
  EXPECT_FALSE(bar.SetTrackingMode(TKTrackingMode::PopupOpen));  // already tracking: only the mode changes
  EXPECT_EQ(bar.GetTrackingMode(), TKTrackingMode::PopupOpen);

  mouse->LockTrackedBars(TRUE);
  EXPECT_EQ(bar.m_nLockCount, 1);
  bar.OnTrackLost();
  EXPECT_FALSE(bar.IsTrackingMode());
  EXPECT_FALSE(mouse->IsTracked(&bar));
  EXPECT_EQ(bar.m_nLockCount, 0);
  EXPECT_FALSE(GetKeyboardManager()->IsKeyboardHooked());
}

TEST_F(CommandBarTest, ABarHoldingTheHotControlIsRememberedUntilItIsDestroyed) {
  CTKMouseManager* mouse = GetMouseManager();
  {
    Bar bar;
    mouse->SetActiveBar(&bar);
    EXPECT_TRUE(bar.SetSelected(0));
    EXPECT_EQ(mouse->GetRememberedBar(), &bar);
    EXPECT_TRUE(bar.SetSelected(-1));  // dropping the selection keeps the record
    EXPECT_EQ(mouse->GetRememberedBar(), &bar);
    EXPECT_TRUE(bar.SetTrackingMode(TKTrackingMode::Tracking));
  }
  // Gone: no stale pointer is left with the manager.
  EXPECT_EQ(mouse->GetRememberedBar(), nullptr);
  EXPECT_EQ(mouse->GetActiveBar(), nullptr);
  EXPECT_EQ(mouse->GetTrackedCount(), 0);
}

}  // namespace
