// The thread's mouse manager with popup-bar doubles: clicks elsewhere close
// the tracked popups except in trusted and IME windows, a locked parent
// keeps itself and closes its unlocked children, moves reach every unlocked
// bar once per point, and mouse leave reaches each watched window once, in
// order.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/test_bar.h"
#include "toolkit/common/mousemanager.h"

#ifndef CS_IME
#define CS_IME 0x00010000
#endif

namespace {

using tktest::TestBar;

std::vector<std::pair<HWND, UINT>> g_messages;

LRESULT RecordingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSELEAVE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) g_messages.emplace_back(h, msg);
  return ::DefWindowProcW(h, msg, wp, lp);
}

class MouseManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    // The reset took the thread's hooks away.
    manager_ = GetMouseManager();
    manager_->SetHook(FALSE);
    manager_->SetHook(TRUE);
    for (LPCWSTR name : {u"TKMouseTestPlain", u"TKMouseTestIme"}) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = RecordingProc;
      wc.hInstance = AfxGetInstanceHandle();
      wc.lpszClassName = name;
      wc.style = name[11] == u'I' ? CS_IME : 0;
      ::RegisterClassW(&wc);
    }
    // Stands where the desktop is: any click that meets no popup lands here.
    desktop_ = Make(u"TKMouseTestPlain", CRect(0, 0, 1024, 728));
    g_messages.clear();
  }
  void TearDown() override {
    bars_.clear();
    manager_->SetActiveBar(nullptr);
    manager_->m_nSuspendCount = 0;
    manager_->m_bSwallowNextButtonUp = FALSE;
    manager_->WatchMouseLeave(nullptr);
    pvtest::ResetDesktop();
  }
  HWND Make(LPCWSTR cls, CRect rc, DWORD exStyle = 0) {
    return ::CreateWindowExW(exStyle, cls, u"", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
                             nullptr, nullptr, nullptr, nullptr);
  }
  TestBar* Bar(const char* name, CRect rc) {
    bars_.push_back(std::make_unique<TestBar>(name, &log_, rc));
    return bars_.back().get();
  }
  void ClickAt(int x, int y) {
    pv::test::Click(x, y);
    pv::test::PumpUntilIdle();
  }

  pv::FakeClockScope clock_;
  CTKMouseManager* manager_ = nullptr;
  HWND desktop_ = nullptr;
  std::vector<std::string> log_;
  std::vector<std::unique_ptr<TestBar>> bars_;
};

TEST_F(MouseManagerTest, AClickElsewhereClosesTrackedPopupsButNotOneInATrustedOrImeWindow) {
  TestBar* menuBar = Bar("menubar", CRect(0, 0, 400, 20));
  TestBar* popup = Bar("popup", CRect(100, 100, 200, 300));
  HWND trusted = Make(u"TKMouseTestPlain", CRect(500, 100, 600, 200));
  Make(u"TKMouseTestIme", CRect(700, 100, 800, 200));  // an IME composition window

  // The first popup of a tracking clears the selection of the active bar.
  manager_->SetActiveBar(menuBar);
  popup->Open();
  EXPECT_EQ(log_, (std::vector<std::string>{"clear menubar"}));
  log_.clear();
  ASSERT_TRUE(manager_->IsTracked(popup));

  manager_->TrustWindow(trusted);
  ClickAt(550, 150);  // trusted
  ClickAt(750, 150);  // IME composition window
  ClickAt(150, 150);  // the popup itself
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(manager_->GetTrackedCount(), 1);

  // Trust given back, the same click closes the popup.
  manager_->UntrustWindow(trusted);
  ClickAt(550, 150);
  EXPECT_EQ(log_, (std::vector<std::string>{"lost popup"}));
  EXPECT_EQ(manager_->GetTrackedCount(), 0);
  EXPECT_FALSE(popup->IsTrackingMode());

  // And on the desktop.
  popup->Open();
  log_.clear();
  ClickAt(300, 500);
  EXPECT_EQ(log_, (std::vector<std::string>{"lost popup"}));
  EXPECT_EQ(manager_->GetTrackedCount(), 0);
}

TEST_F(MouseManagerTest, AClickOnALockedParentClosesOnlyItsUnlockedChildren) {
  TestBar* parent = Bar("parent", CRect(100, 100, 200, 300));
  TestBar* child = Bar("child", CRect(200, 120, 300, 220));
  TestBar* grandchild = Bar("grandchild", CRect(300, 140, 400, 240));
  TestBar* stranger = Bar("stranger", CRect(600, 600, 700, 700));
  EXPECT_FALSE(manager_->IsMouseLocked(nullptr));  // nothing tracked: nothing locked

  parent->Open();
  manager_->LockTrackedBars(TRUE);  // the parent only: the children open later
  child->Open();
  grandchild->Open();
  EXPECT_EQ(parent->m_nLockCount, 1);
  EXPECT_EQ(child->m_nLockCount, 0);

  struct Case {
    CTKTrackedBar* bar;
    BOOL locked;
  } cases[] = {{nullptr, TRUE}, {parent, TRUE}, {child, FALSE}, {stranger, TRUE}};
  for (const Case& c : cases) EXPECT_EQ(manager_->IsMouseLocked(c.bar), c.locked);

  // A click on an unlocked popup closes nothing.
  ClickAt(250, 150);
  EXPECT_TRUE(log_.empty());

  ClickAt(150, 150);
  EXPECT_EQ(log_, (std::vector<std::string>{"lost child", "lost grandchild"}));
  EXPECT_TRUE(manager_->IsTracked(parent));
  EXPECT_EQ(manager_->GetTrackedCount(), 1);

  // Unlocked again, the parent closes like any popup; leaving tracking
  // mode resets the count.
  manager_->LockTrackedBars(FALSE);
  manager_->CloseAllTracked();
  EXPECT_EQ(log_.back(), "lost parent");
  EXPECT_EQ(parent->m_nLockCount, 0);
}

TEST_F(MouseManagerTest, MovesReachEveryUnlockedTrackedBarOncePerPoint) {
  TestBar* first = Bar("first", CRect(100, 100, 200, 300));
  TestBar* second = Bar("second", CRect(200, 100, 300, 200));
  TestBar* locked = Bar("locked", CRect(300, 100, 400, 200));
  first->Open();
  second->Open();
  locked->Open();
  locked->m_nLockCount = 1;

  pv::test::MouseMove(500, 400);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(first->m_moves.size(), 1u);
  EXPECT_EQ(first->m_moves[0], CPoint(400, 300));  // client coordinates of each bar
  ASSERT_EQ(second->m_moves.size(), 1u);
  EXPECT_EQ(second->m_moves[0], CPoint(300, 300));
  EXPECT_TRUE(locked->m_moves.empty());
  EXPECT_EQ(CTKMouseManager::GetLastMousePoint().x, 500);

  // The same point again is swallowed; a new one is not.
  pv::test::MouseMove(500, 400);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(first->m_moves.size(), 1u);
  pv::test::MouseMove(501, 400);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(first->m_moves.size(), 2u);

  // A popup closed by a press swallows the matching release; a new press clears that.
  locked->m_nLockCount = 0;
  manager_->CloseAllTracked();
  manager_->m_bSwallowNextButtonUp = TRUE;
  g_messages.clear();
  pv::test::MouseUp(pv::test::Button::Left, 500, 400);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(g_messages.empty());
  EXPECT_FALSE(manager_->m_bSwallowNextButtonUp);
  ClickAt(500, 400);
  EXPECT_EQ(g_messages, (std::vector<std::pair<HWND, UINT>>{{desktop_, WM_LBUTTONDOWN}, {desktop_, WM_LBUTTONUP}}));
}

TEST_F(MouseManagerTest, ABarFoundAtAPointClaimsItOrAChildUnderItUnlessItNeverClaimsThere) {
  TestBar* bar = Bar("dialog", CRect(100, 100, 300, 300));
  // A child window in the bar's lower part, where the bar itself answers
  // "not in the bar".
  const HWND child = ::CreateWindowExW(0, u"TKMouseTestPlain", u"", WS_CHILD | WS_VISIBLE, 10, 50, 100, 100,
                                       bar->GetSafeHwnd(), nullptr, nullptr, nullptr);
  ASSERT_TRUE(child);
  bar->Open();
  struct Case {
    std::optional<int> belowCaption;
    POINT pt;
    bool found;
  } cases[] = {
      {std::nullopt, {150, 110}, true},                      // the caption row
      {std::nullopt, {150, 200}, true},                      // the child, inside the bar
      {0, {150, 110}, true},                                 // the caption row claims it
      {0, {150, 200}, true},                                 // not in the bar, but over its child
      {0, {250, 280}, false},                                // not in the bar, no child there
      {CTKTrackedBar::kPointNeverInBar, {150, 200}, false},  // its child does not count either
      {CTKTrackedBar::kPointNeverInBar, {150, 110}, true},
      {std::nullopt, {400, 400}, false},
  };
  for (const Case& c : cases) {
    bar->m_belowCaption = c.belowCaption;
    EXPECT_EQ(manager_->FindTrackedBarAt(c.pt) == bar, c.found)
        << c.belowCaption.value_or(99) << " at " << c.pt.x << "," << c.pt.y;
  }
}

TEST_F(MouseManagerTest, TheManagerForgetsABarThatGoesAwayAndItsSwitchesFollowTracking) {
  TestBar* first = Bar("first", CRect(100, 100, 200, 300));
  TestBar* second = Bar("second", CRect(300, 100, 400, 300));
  manager_->SetActiveBar(first);
  manager_->SetRememberedBar(first);
  first->Open();
  second->Open();

  // Switching the expanded menus on switches the second tracking switch on;
  // a bar leaving the tracked bars switches that off, the expanded menus stay.
  manager_->SetExpandedMenus(TRUE);
  EXPECT_TRUE(manager_->IsSecondTracking());
  second->Close();
  EXPECT_FALSE(manager_->IsSecondTracking());
  EXPECT_TRUE(manager_->IsExpandedMenus());
  manager_->SetExpandedMenus(FALSE);

  // The move lock counts in pairs.
  manager_->LockMouseMove(TRUE);
  manager_->LockMouseMove(TRUE);
  manager_->LockMouseMove(FALSE);
  EXPECT_TRUE(manager_->IsMouseMoveLocked());
  manager_->LockMouseMove(FALSE);
  EXPECT_FALSE(manager_->IsMouseMoveLocked());

  // A destroyed bar's window leaves the tracked bars on a refresh.
  second->Open();
  second->DestroyWindow();
  manager_->RefreshTrackingState();
  EXPECT_FALSE(manager_->IsTracked(second));
  EXPECT_TRUE(manager_->IsTracked(first));

  // A bar that goes away is no longer active, remembered or tracked.
  bars_.erase(bars_.begin());
  EXPECT_EQ(manager_->GetActiveBar(), nullptr);
  EXPECT_EQ(manager_->GetRememberedBar(), nullptr);
  EXPECT_EQ(manager_->GetTrackedCount(), 0);
}

// The expanded-menus switch follows menu tracking as a whole: closing a
// sub-menu, locked or not, leaves it on; it goes off only when the last
// tracked bar leaves, however that bar goes. The second tracking switch goes
// off with any bar that leaves.
TEST_F(MouseManagerTest, TheExpandedMenusLastUntilTheLastTrackedBarLeaves) {
  enum class Step { OpenMenu, OpenSub, Expand, SecondOn, Lock, Unlock, CloseSub, CloseMenu, CloseAll, DestroySub };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    BOOL expanded;
    BOOL second;
  };
  const Case cases[] = {
      {"sub-menu closed", {Step::OpenMenu, Step::OpenSub, Step::Expand, Step::CloseSub}, TRUE, FALSE},
      {"menu closed", {Step::OpenMenu, Step::OpenSub, Step::Expand, Step::CloseSub, Step::CloseMenu}, FALSE, FALSE},
      {"all closed by a click", {Step::OpenMenu, Step::OpenSub, Step::Expand, Step::CloseAll}, FALSE, FALSE},
      {"locked menu, sub closed",
       {Step::OpenMenu, Step::Lock, Step::OpenSub, Step::Expand, Step::CloseSub},
       TRUE,
       FALSE},
      {"locked, then all closed",
       {Step::OpenMenu, Step::OpenSub, Step::Lock, Step::Expand, Step::Unlock, Step::CloseAll},
       FALSE,
       FALSE},
      {"sub destroyed", {Step::OpenMenu, Step::OpenSub, Step::Expand, Step::DestroySub}, TRUE, FALSE},
      {"expanded, nothing closed", {Step::OpenMenu, Step::OpenSub, Step::Expand}, TRUE, TRUE},
      {"mini bar's switch, menu open", {Step::OpenMenu, Step::SecondOn}, FALSE, TRUE},
      {"mini bar's switch, a bar left", {Step::OpenMenu, Step::OpenSub, Step::SecondOn, Step::CloseSub}, FALSE, FALSE},
      {"expanded with nothing tracked, then a menu", {Step::Expand, Step::OpenMenu, Step::CloseMenu}, FALSE, FALSE},
  };
  for (const Case& c : cases) {
    auto menu = std::make_unique<TestBar>("menu", nullptr, CRect(100, 100, 200, 300));
    auto sub = std::make_unique<TestBar>("sub", nullptr, CRect(200, 120, 300, 220));
    for (Step step : c.steps) {
      switch (step) {
        case Step::OpenMenu:
          menu->Open();
          break;
        case Step::OpenSub:
          sub->Open();
          break;
        case Step::Expand:
          manager_->SetExpandedMenus(TRUE);
          break;
        case Step::SecondOn:
          manager_->SetSecondTracking(TRUE);
          break;
        case Step::Lock:
          manager_->LockTrackedBars(TRUE);
          break;
        case Step::Unlock:
          manager_->LockTrackedBars(FALSE);
          break;
        case Step::CloseSub:
          sub->Close();
          break;
        case Step::CloseMenu:
          menu->Close();
          break;
        case Step::CloseAll:
          manager_->CloseAllTracked();
          break;
        case Step::DestroySub:
          sub.reset();
          break;
      }
    }
    EXPECT_EQ(manager_->IsExpandedMenus(), c.expanded) << c.name;
    EXPECT_EQ(manager_->IsSecondTracking(), c.second) << c.name;
    sub.reset();
    menu.reset();
    EXPECT_FALSE(manager_->IsExpandedMenus()) << c.name;
    manager_->SetSecondTracking(FALSE);
  }
}

TEST_F(MouseManagerTest, MouseLeaveReachesEachWatchedWindowOnceInOrder) {
  HWND a = Make(u"TKMouseTestPlain", CRect(100, 100, 200, 200));
  HWND b = Make(u"TKMouseTestPlain", CRect(300, 100, 400, 200));
  pv::test::MouseMove(150, 150);
  pv::test::PumpUntilIdle();
  manager_->WatchMouseLeave(a);
  pv::test::AdvanceAndPump(200);  // still over A
  EXPECT_TRUE(g_messages.empty());

  pv::test::MouseMove(350, 150);
  pv::test::PumpUntilIdle();
  manager_->WatchMouseLeave(b);  // A is told at once
  manager_->WatchMouseLeave(b);  // the same window again: nothing
  EXPECT_EQ(g_messages, (std::vector<std::pair<HWND, UINT>>{{a, WM_MOUSELEAVE}}));
  pv::test::AdvanceAndPump(200);  // A's poll must not tell it again
  EXPECT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(manager_->GetHoveredWindow(), b);

  pv::test::MouseMove(700, 500);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_messages.size(), 1u);  // the poll notices within 50 ms
  pv::test::AdvanceAndPump(50);
  EXPECT_EQ(g_messages, (std::vector<std::pair<HWND, UINT>>{{a, WM_MOUSELEAVE}, {b, WM_MOUSELEAVE}}));
  EXPECT_EQ(manager_->GetHoveredWindow(), nullptr);
  pv::test::AdvanceAndPump(500);
  EXPECT_EQ(g_messages.size(), 2u);
}

}  // namespace
