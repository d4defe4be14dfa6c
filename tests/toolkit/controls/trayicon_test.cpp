// The notification-area icon against the shell's recording tray.
#include <gtest/gtest.h>

#include <string>

#include "popup_test_support.h"
#include "toolkit/controls/trayicon.h"

namespace popuptest {
namespace {

using pv::test::AdvanceAndPump;
using pv::test::PumpUntilIdle;

constexpr UINT kIcon = 7107;
constexpr UINT kFrameIcon = 7108;
constexpr UINT kMenu = 7112;
constexpr UINT kRestore = 7113;

class TrayIconTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    owner.watched = {TK_WM_TRAYICONNOTIFY, WM_COMMAND, WM_ENTERMENULOOP};
    owner.answer = [this](UINT message, WPARAM, LPARAM) -> LRESULT {
      return message == TK_WM_TRAYICONNOTIFY ? ownerAnswer : 0;
    };
    ASSERT_TRUE(owner.CreateOwner());
  }
  void TearDown() override {
    owner.DestroyWindow();
    DesktopTest::TearDown();
  }
  static int SetFocusCalls() {
    int n = 0;
    for (auto& call : pv::shell::TrayCalls())
      if (call.message == NIM_SETFOCUS) ++n;
    return n;
  }
  RecordingOwner owner;
  LRESULT ownerAnswer = 0;
};

TEST_F(TrayIconTest, LongTipsAreCutToTheRecordsTipLength) {
  const std::u16string tip(200, u'x');
  CTKTrayIcon tray;
  tray.SetTooltipText(tip.c_str());
  EXPECT_EQ(tray.GetTooltipText().GetLength(), 63);  // the smaller record before Create
  EXPECT_TRUE(pv::shell::TrayIcons().empty());       // hidden: only stored
  ASSERT_TRUE(tray.Create(tip.c_str(), &owner, kIcon, kMenu, kRestore, false));
  EXPECT_EQ(tray.GetTooltipText().GetLength(), 126);
  auto icons = pv::shell::TrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].tip, std::u16string(126, u'x'));
  EXPECT_EQ(icons[0].id, kMenu);
  EXPECT_EQ(icons[0].callbackMessage, TK_WM_TRAYICONNOTIFY);
  EXPECT_NE(icons[0].icon, nullptr);
}

TEST_F(TrayIconTest, TaskbarRestartReaddsOnlyAShownIcon) {
  CTKTrayIcon tray;
  ASSERT_TRUE(tray.Create(u"Pravenor", &owner, kIcon, kMenu, kRestore, false));
  pv::shell::RestartTaskbar();
  PumpUntilIdle();
  EXPECT_EQ(pv::shell::TrayIcons().size(), 1u);

  // Refused while the shell is not ready, then retried when the work area changes.
  pv::shell::SetTrayRefusesAdd(true);
  pv::shell::RestartTaskbar();
  PumpUntilIdle();
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  EXPECT_TRUE(tray.HasAddFailed());
  pv::shell::SetTrayRefusesAdd(false);
  RECT work{0, 0, 1280, 984};
  ::SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, SPIF_SENDCHANGE);
  PumpUntilIdle();
  EXPECT_EQ(pv::shell::TrayIcons().size(), 1u);
  EXPECT_FALSE(tray.HasAddFailed());

  ASSERT_TRUE(tray.RemoveIcon());
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  pv::shell::RestartTaskbar();
  PumpUntilIdle();
  EXPECT_TRUE(pv::shell::TrayIcons().empty());
  ASSERT_TRUE(tray.ShowIcon());
  EXPECT_EQ(pv::shell::TrayIcons().size(), 1u);
}

TEST_F(TrayIconTest, TheOwnerAnsweringNonZeroSuppressesTheMenuAndTheDoubleClick) {
  CTKTrayIcon tray;
  ASSERT_TRUE(tray.Create(u"Pravenor", &owner, kIcon, kMenu, kRestore, false));
  HWND hidden = tray.GetSafeHwnd();
  ASSERT_TRUE(hidden);
  for (LRESULT answer : {LRESULT{1}, LRESULT{0}}) {
    SCOPED_TRACE(answer);
    ownerAnswer = answer;
    owner.messages.clear();
    int focusBefore = SetFocusCalls();
    ASSERT_TRUE(pv::shell::NotifyTrayIcon(hidden, kMenu, WM_RBUTTONUP));
    PumpUntilIdle();
    ASSERT_TRUE(pv::shell::NotifyTrayIcon(hidden, kMenu, WM_LBUTTONDBLCLK));
    PumpUntilIdle();
    EXPECT_EQ(owner.Of(TK_WM_TRAYICONNOTIFY).size(), 2u);  // offered first either way
    auto commands = owner.Of(WM_COMMAND);
    if (answer) {
      EXPECT_TRUE(owner.Of(WM_ENTERMENULOOP).empty());
      EXPECT_EQ(SetFocusCalls(), focusBefore);
      EXPECT_TRUE(commands.empty());
    } else {
      EXPECT_EQ(owner.Of(WM_ENTERMENULOOP).size(), 1u);
      EXPECT_EQ(SetFocusCalls(), focusBefore + 1);  // the icon gets its focus back
      ASSERT_EQ(commands.size(), 1u);
      EXPECT_EQ(commands[0].wParam, kRestore);  // the default item by command id
    }
  }
}

TEST_F(TrayIconTest, AnimationCyclesFramesAndAnEmptyListDoesNothing) {
  CTKTrayIcon tray;
  ASSERT_TRUE(tray.Create(u"Main tip", &owner, kIcon, kMenu, kRestore, false));
  // No frames: ticks change nothing (the frame index has nothing to advance over).
  tray.StartAnimation(100);
  AdvanceAndPump(350);
  EXPECT_EQ(tray.GetCurrentFrame(), 0);
  EXPECT_EQ(pv::shell::TrayIcons()[0].tip, u"Main tip");

  const UINT ids[2] = {kFrameIcon, kIcon};
  const CString tips[2] = {CString(u"Frame one"), CString()};
  ASSERT_TRUE(tray.SetAnimationIcons(ids, 2, tips));
  EXPECT_EQ(tray.GetAnimationIconCount(), 2);
  AdvanceAndPump(100);
  EXPECT_EQ(pv::shell::TrayIcons()[0].tip, u"Frame one");
  EXPECT_EQ(tray.GetCurrentFrame(), 1);
  AdvanceAndPump(100);
  EXPECT_EQ(pv::shell::TrayIcons()[0].tip, u"Main tip");  // an empty frame tip shows the icon's own
  EXPECT_EQ(tray.GetCurrentFrame(), 0);
  tray.StopAnimation();
  AdvanceAndPump(300);
  EXPECT_EQ(pv::shell::TrayIcons()[0].tip, u"Main tip");
  // A missing icon stops the loading; the frames before it stay.
  const UINT withMissing[3] = {kFrameIcon, 9999, kIcon};
  EXPECT_FALSE(tray.SetAnimationIcons(withMissing, 3, nullptr));
  EXPECT_EQ(tray.GetAnimationIconCount(), 1);
}

TEST_F(TrayIconTest, MinimiseHidesTheFrameAndRestoreShowsIt) {
  CTKTrayIcon tray;
  ASSERT_TRUE(tray.Create(u"Pravenor", &owner, kIcon, kMenu, kRestore, false));
  CWnd frame;
  ASSERT_TRUE(frame.CreateEx(0, AfxRegisterWndClass(0), u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300,
                             nullptr, nullptr));
  tray.MinimizeToTray(&frame);
  EXPECT_FALSE(::IsWindowVisible(frame.GetSafeHwnd()));
  tray.MaximizeFromTray(&frame);
  EXPECT_TRUE(::IsWindowVisible(frame.GetSafeHwnd()));
  EXPECT_EQ(::GetParent(frame.GetSafeHwnd()), nullptr);
  EXPECT_EQ(::GetActiveWindow(), frame.GetSafeHwnd());
  CRect tray_rect;
  EXPECT_TRUE(CTKTrayIcon::GetTrayWndRect(&tray_rect));
  EXPECT_EQ(tray_rect, CRect(1180, 984, 1264, 1024));  // near the right end of a bottom bar
  frame.DestroyWindow();
}

}  // namespace
}  // namespace popuptest
