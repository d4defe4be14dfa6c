// Popup bars through the real window: opened from a bar's control or at a
// point on a fake screen, placed on the monitor's work area, short menus and
// their expansion, and the window's events.
#include <typeinfo>

#include "tests/toolkit/commandbars/popupbar_support.h"
#include "toolkit/common/shadowmanager.h"

namespace cbtest {
namespace {

enum class Opener { Point, MenuBarItem, ComboOnToolBar };

struct PlaceCase {
  const char* name;
  Opener opener;
  CRect rcItem;  // the opening control on the screen; a point popup: its point in left, top
  int nItems;
  CRect expected;
  bool bScrolls;
};

// The screen is 1280 x 800 with a 40-pixel task bar; a second monitor sits
// left of it at negative x (work area 728 high). Menus are 78 wide and 22
// per item plus 4 high.
TEST_F(PopupBarTest, PlacementTable) {
  pv::test::AddMonitor(RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 728});
  pv::test::AddMonitor(RECT{0, 800, 1280, 1600}, RECT{0, 800, 1280, 1560});
  const PlaceCase cases[] = {
      // 3 pixels above the bottom of the work area: opens upwards.
      {"point near the bottom", Opener::Point, CRect(100, 757, 0, 0), 5, CRect(100, 643, 178, 757), false},
      // A point on the task bar has the whole monitor for room.
      {"point on the task bar", Opener::Point, CRect(100, 762, 0, 0), 1, CRect(100, 762, 178, 788), false},
      // Too tall below a point in the lower half: ends at the point.
      {"point in the lower half", Opener::Point, CRect(100, 700, 0, 0), 5, CRect(100, 586, 178, 700), false},
      // Too tall below a point in the upper half: ends at the bottom limit.
      {"point in the upper half", Opener::Point, CRect(100, 300, 0, 0), 30, CRect(100, 91, 178, 755), false},
      // Too tall on both sides: the item's middle in the upper half of the
      // area's height scrolls below it, else above it.
      {"menu item upper half", Opener::MenuBarItem, CRect(300, 300, 340, 320), 40, CRect(300, 320, 378, 755), true},
      {"menu item lower half", Opener::MenuBarItem, CRect(300, 500, 340, 520), 40, CRect(300, 0, 378, 500), true},
      // On a monitor below the first the half height is 377, not its middle
      // line 1177: an item whose middle is at 1110 scrolls above.
      {"menu item on the lower monitor", Opener::MenuBarItem, CRect(300, 1100, 340, 1120), 40,
       CRect(300, 800, 378, 1100), true},
      {"menu item at the right edge", Opener::MenuBarItem, CRect(1250, 0, 1275, 20), 3, CRect(1202, 20, 1280, 90),
       false},
      {"menu item fits below", Opener::MenuBarItem, CRect(40, 0, 80, 20), 3, CRect(40, 20, 118, 90), false},
      // Too tall below: opens above the item.
      {"menu item near the bottom", Opener::MenuBarItem, CRect(40, 700, 80, 720), 5, CRect(40, 586, 118, 700), false},
      {"combo drop-down on a tool bar", Opener::ComboOnToolBar, CRect(1000, 100, 1100, 122), 3,
       CRect(1000, 122, 1078, 192), false},
      // The monitor at negative x has its own edges.
      {"point at the left monitor's right edge", Opener::Point, CRect(-50, 100, 0, 0), 3, CRect(-78, 100, 0, 170),
       false},
      {"menu item on the left monitor", Opener::MenuBarItem, CRect(-1000, 700, -960, 720), 5,
       CRect(-1000, 586, -922, 700), false},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestBar parent(c.opener == Opener::ComboOnToolBar ? TKBarType::Normal : TKBarType::MenuBar, TKBarPosition::Top);
    // The bar holds the item, a little round it.
    CRect rcParent(c.rcItem.left - 10, c.rcItem.top - 10, c.rcItem.left + 200, c.rcItem.top + 40);
    parent.SetWindowPos(nullptr, rcParent.left, rcParent.top, rcParent.Width(), rcParent.Height(), SWP_NOZORDER);
    CTKControl* pItem = parent.GetControls()->AddByType(
        c.opener == Opener::ComboOnToolBar ? TKControlType::ComboBox : TKControlType::Popup, 100);
    CRect rcItem = c.rcItem;
    rcItem.OffsetRect(-rcParent.left, -rcParent.top);
    pItem->SetRect(rcItem);
    PopupPtr menu = NewMenu(c.nItems);
    const BOOL bShown = c.opener == Opener::Point ? menu->PopupAt(c.rcItem.left, c.rcItem.top) : menu->Popup(pItem);
    ASSERT_TRUE(bShown);
    EXPECT_EQ(WindowRect(menu.get()), c.expected);
    EXPECT_EQ(menu->IsScrolling(), c.bScrolls);
    ExpectSane(*menu);
    menu->SetTrackingMode(TKTrackingMode::Off);
  }
}

// A sub-menu that would pass the right edge opens left of its item, and its
// own sub-menus continue to the left.
TEST_F(PopupBarTest, SubMenusFlipLeftAndContinueLeft) {
  PopupPtr top = NewMenu(3);
  ASSERT_TRUE(top->PopupAt(1100, 100));
  ASSERT_EQ(WindowRect(top.get()), CRect(1100, 100, 1178, 170));
  PopupPtr sub = NewMenu(3);
  ASSERT_TRUE(sub->Popup(top->GetControl(0)));
  // Beside the item: the item ends 2 pixels inside the menu's right edge.
  EXPECT_EQ(WindowRect(sub.get()), CRect(1176, 102, 1254, 172));
  PopupPtr subsub = NewMenu(3);
  ASSERT_TRUE(subsub->Popup(sub->GetControl(0)));
  EXPECT_EQ(WindowRect(subsub.get()), CRect(1100, 104, 1178, 174));  // flipped: ends at the item's left
  EXPECT_EQ(subsub->GetDirection() & kTKPopupLeft, kTKPopupLeft);
  PopupPtr last = NewMenu(3);
  ASSERT_TRUE(last->Popup(subsub->GetControl(0)));
  EXPECT_EQ(WindowRect(last.get()), CRect(1024, 106, 1102, 176));  // room on the right, yet left it goes
  for (CTKPopupBar* pBar : {last.get(), subsub.get(), sub.get(), top.get()}) pBar->SetTrackingMode(TKTrackingMode::Off);

  // Opened at a point afterwards, a sub-menu forgets the item and the side
  // it flipped to.
  ASSERT_TRUE(subsub->PopupAt(300, 300));
  EXPECT_EQ(WindowRect(subsub.get()), CRect(300, 300, 378, 370));
  subsub->SetTrackingMode(TKTrackingMode::Off);
}

struct HiddenCase {
  const char* name;
  BOOL bAlwaysShowFullMenus;
  BOOL bAutoHideUnusedPopups;
  BOOL bCustomize;
  std::vector<bool> rarely;  // per command; a last "popup" entry is a sub-menu of rarely used commands
  bool bSubMenu;
  bool bExpandButton;
  int nShown;  // commands that show
};

TEST_F(PopupBarTest, HiddenCommandsTable) {
  const HiddenCase cases[] = {
      {"always full menus", TRUE, TRUE, FALSE, {false, true, false, true}, false, false, 4},
      {"none rarely used", FALSE, TRUE, FALSE, {false, false, false, false}, false, false, 4},
      {"all rarely used", FALSE, TRUE, FALSE, {true, true, true, true}, false, false, 4},
      {"mixed", FALSE, TRUE, FALSE, {false, true, false, true}, false, true, 2},
      {"mixed in customise mode", FALSE, TRUE, TRUE, {false, true, false, true}, false, false, 4},
      {"unused sub-menu hidden", FALSE, TRUE, FALSE, {false, false, false}, true, true, 3},
      {"unused sub-menu kept", FALSE, FALSE, FALSE, {false, false, false}, true, false, 4},
  };
  for (const HiddenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Options()->bAlwaysShowFullMenus = c.bAlwaysShowFullMenus;
    Options()->bAutoHideUnusedPopups = c.bAutoHideUnusedPopups;
    Options()->m_mapHiddenCommands.RemoveAll();
    m_commandBars.SetCustomizeMode(c.bCustomize);
    PopupPtr menu = NewMenu(static_cast<int>(c.rarely.size()));
    for (size_t i = 0; i < c.rarely.size(); ++i)
      if (c.rarely[i]) {
        Options()->m_mapHiddenCommands.SetAt(static_cast<UINT>(menu->GetControl(int(i))->GetID()), TRUE);
      }
    PopupPtr subItems;
    if (c.bSubMenu) {
      subItems = NewMenu(2, 500);
      for (int i = 0; i < 2; ++i) Options()->m_mapHiddenCommands.SetAt(500 + static_cast<UINT>(i), TRUE);
      auto* pSub = new SubMenuControl(subItems.get());
      menu->GetControls()->Add(pSub, 0);
      pSub->SetCaption(u"Sub-menu");
    }
    ASSERT_TRUE(menu->PopupAt(100, 100));
    CTKControl* pExpand = menu->GetControls()->FindControl(CTKPopupBar::kExpandButtonId);
    EXPECT_EQ(pExpand != nullptr && pExpand->IsVisible(), c.bExpandButton);
    EXPECT_EQ(ShownCommands(menu.get()), c.nShown);
    // What shows is what the window makes room for.
    const int nExpandRoom = c.bExpandButton ? 12 : 0;
    EXPECT_EQ(WindowRect(menu.get()).Height(), c.nShown * 22 + 4 + nExpandRoom);
    if (c.bAlwaysShowFullMenus) {
      for (int i = 0; i < menu->GetControlCount(); ++i) EXPECT_FALSE(menu->GetControl(i)->GetRarelyUsed());
    }
    menu->SetTrackingMode(TKTrackingMode::Off);
  }
  m_commandBars.SetCustomizeMode(FALSE);
}

// A short menu: commands 1 and 3 are used, 2 and 4 rarely.
class ShortMenuTest : public PopupBarTest {
 protected:
  ShortMenuTest() {
    Options()->bAlwaysShowFullMenus = FALSE;
    Options()->bShowFullAfterDelay = TRUE;
    m_menu = NewMenu(4);
    Options()->m_mapHiddenCommands.SetAt(static_cast<UINT>(m_menu->GetControl(1)->GetID()), TRUE);
    Options()->m_mapHiddenCommands.SetAt(static_cast<UINT>(m_menu->GetControl(3)->GetID()), TRUE);
  }
  ~ShortMenuTest() override { m_menu->SetTrackingMode(TKTrackingMode::Off); }
  // The middle of the expand button: the band above the bottom border.
  CPoint ExpandButtonPoint() const {
    const CRect rc = WindowRect(m_menu.get());
    return CPoint(rc.CenterPoint().x, rc.bottom - 2 - 6);
  }
  PopupPtr m_menu;
};

TEST_F(ShortMenuTest, RestingOnTheExpandButtonExpandsAfter900ms) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  ASSERT_EQ(WindowRect(m_menu.get()).Height(), 2 * 22 + 4 + 12);
  const CPoint pt = ExpandButtonPoint();
  pv::test::MouseMove(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  pv::test::AdvanceAndPump(899);
  EXPECT_FALSE(m_menu->IsExpanded());
  pv::test::AdvanceAndPump(1);
  EXPECT_TRUE(m_menu->IsExpanded());
  EXPECT_EQ(WindowRect(m_menu.get()).Height(), 4 * 22 + 4);
  EXPECT_EQ(ShownCommands(m_menu.get()), 4);
  EXPECT_TRUE(GetMouseManager()->IsExpandedMenus());
}

TEST_F(ShortMenuTest, LeavingTheExpandButtonStopsTheDelay) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  const CPoint pt = ExpandButtonPoint();
  pv::test::MouseMove(pt.x, pt.y);
  pv::test::AdvanceAndPump(500);
  pv::test::MouseMove(pt.x, WindowRect(m_menu.get()).top + 10);  // onto the first command
  pv::test::AdvanceAndPump(1000);
  EXPECT_FALSE(m_menu->IsExpanded());
}

TEST_F(ShortMenuTest, KeysExpand) {
  struct KeyCase {
    const char* name;
    int nHoverRow;  // the shown command the mouse rests on
    bool bCtrl;
    bool bExpands;
  } cases[] = {
      {"Ctrl+Down", 0, true, true},
      {"Down on the last command", 1, false, true},
      {"Down on the first command", 0, false, false},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    GetMouseManager()->SetExpandedMenus(FALSE);
    ASSERT_TRUE(m_menu->PopupAt(100, 100));
    const CRect rc = WindowRect(m_menu.get());
    pv::test::MouseMove(rc.left + 20, rc.top + 2 + 22 * c.nHoverRow + 11);
    pv::test::PumpUntilIdle();
    if (c.bCtrl) pv::test::Chord(FCONTROL, VK_DOWN);
    else pv::test::KeyPress(VK_DOWN);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(m_menu->IsExpanded() == TRUE, c.bExpands);
    m_menu->SetTrackingMode(TKTrackingMode::Off);
  }
}

// After one popup was expanded, every popup opened before tracking ends
// opens expanded.
TEST_F(ShortMenuTest, ExpansionLastsForFurtherPopups) {
  ASSERT_TRUE(m_menu->PopupAt(100, 100));
  pv::test::Chord(FCONTROL, VK_DOWN);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(m_menu->IsExpanded());
  PopupPtr sub = NewMenu(3, 700);
  Options()->m_mapHiddenCommands.SetAt(701, TRUE);
  ASSERT_TRUE(sub->Popup(m_menu->GetControl(0)));
  EXPECT_TRUE(sub->IsExpanded());
  EXPECT_EQ(ShownCommands(sub.get()), 3);
  sub->SetTrackingMode(TKTrackingMode::Off);
}

TEST_F(PopupBarTest, WindowIsNeverActivatedAndRaisesMenuEvents) {
  PopupPtr menu = NewMenu(3);
  pv::test::TakeWinEvents();
  ASSERT_TRUE(menu->PopupAt(200, 200));
  HWND hWnd = menu->GetSafeHwnd();
  WCHAR szClass[32]{};
  ::GetClassNameW(hWnd, szClass, 32);
  EXPECT_EQ(std::u16string(szClass), u"TKPopupBar");
  EXPECT_TRUE(::GetWindowLong(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(::GetParent(hWnd) ? ::GetParent(hWnd) : ::GetWindow(hWnd, GW_OWNER), m_site.GetSafeHwnd());
  HWND hActive = ::GetActiveWindow();
  pv::test::Click(210, 210);
  pv::test::PumpUntilIdle();
  EXPECT_NE(::GetActiveWindow(), hWnd);
  EXPECT_EQ(::GetActiveWindow(), hActive);
  EXPECT_EQ(::SendMessage(hWnd, WM_FLOATSTATUS, FS_SYNCACTIVE, 0), 1);
  if (menu->GetSafeHwnd()) menu->SetTrackingMode(TKTrackingMode::Off);
  std::vector<DWORD> events;
  for (const auto& e : pv::test::TakeWinEvents())
    if (e.hwnd == hWnd && e.idObject == OBJID_MENU) events.push_back(e.event);
  // The click's item takes the focus in between.
  EXPECT_EQ(events, (std::vector<DWORD>{EVENT_SYSTEM_MENUPOPUPSTART, EVENT_OBJECT_FOCUS, EVENT_SYSTEM_MENUPOPUPEND}));
  EXPECT_FALSE(::IsWindow(hWnd));
  EXPECT_EQ(m_site.Count(TK_CBM_POPUPSHOWING), 1);
  EXPECT_EQ(m_site.Count(TK_CBM_POPUPCLOSED), 1);
}

TEST_F(PopupBarTest, AnimationKindTable) {
  struct AnimationCase {
    int nOption;
    BOOL bSystemAnimation;
    BOOL bSystemFade;
    TKPopupAnimation expected;
  } cases[] = {
      {0, FALSE, TRUE, TKPopupAnimation::None},   {0, TRUE, TRUE, TKPopupAnimation::Fade},
      {0, TRUE, FALSE, TKPopupAnimation::Slide},  {2, FALSE, FALSE, TKPopupAnimation::Unfold},
      {3, FALSE, FALSE, TKPopupAnimation::Slide}, {4, FALSE, FALSE, TKPopupAnimation::Fade},
      {5, TRUE, TRUE, TKPopupAnimation::None},
  };
  PopupPtr menu = NewMenu(2);
  for (const AnimationCase& c : cases) {
    Options()->nAnimationType = c.nOption;
    ::SystemParametersInfo(SPI_SETMENUANIMATION, 0, c.bSystemAnimation ? reinterpret_cast<void*>(1) : nullptr, 0);
    ::SystemParametersInfo(SPI_SETMENUFADE, 0, c.bSystemFade ? reinterpret_cast<void*>(1) : nullptr, 0);
    EXPECT_EQ(menu->GetAnimationType(), c.expected) << c.nOption << " " << c.bSystemAnimation << c.bSystemFade;
  }
  // Random picks among the three kinds only.
  Options()->nAnimationType = 1;
  for (int i = 0; i < 20; ++i) {
    const TKPopupAnimation kind = menu->GetAnimationType();
    EXPECT_TRUE(kind == TKPopupAnimation::Unfold || kind == TKPopupAnimation::Slide || kind == TKPopupAnimation::Fade);
  }
  ::SystemParametersInfo(SPI_SETMENUANIMATION, 0, nullptr, 0);
  ::SystemParametersInfo(SPI_SETMENUFADE, 0, nullptr, 0);
}

// Shadows follow the popup's switch, the look's switch and customise mode,
// and go with the popup.
TEST_F(PopupBarTest, ShadowsTable) {
  struct ShadowCase {
    BOOL bShowShadow;
    BOOL bLookShadows;
    BOOL bCustomize;
    int nShadows;
  } cases[] = {
      {TRUE, TRUE, FALSE, 2},
      {FALSE, TRUE, FALSE, 0},
      {TRUE, FALSE, FALSE, 0},
      {TRUE, TRUE, TRUE, 0},
  };
  CTKShadowManager* pShadows = m_look->GetShadowManager();
  pShadows->m_nOptions |= 1;  // shadows without the desktop's alpha
  auto shadowsOf = [&](const CWnd* pOwner) {
    int n = 0;
    for (POSITION pos = pShadows->GetShadows().GetHeadPosition(); pos;) {
      const CTKShadowManager::CShadowWnd* pShadow = pShadows->GetShadows().GetNext(pos);
      n += pShadow->m_pOwner == pOwner && pShadow->GetSafeHwnd() && ::IsWindowVisible(pShadow->GetSafeHwnd());
    }
    return n;
  };
  for (const ShadowCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bShowShadow << c.bLookShadows << c.bCustomize);
    m_look->m_bShowShadow = c.bLookShadows;
    m_commandBars.SetCustomizeMode(c.bCustomize);
    PopupPtr menu = NewMenu(3);
    menu->m_bShowShadow = c.bShowShadow;
    ASSERT_TRUE(menu->PopupAt(300, 300));
    pv::test::PumpUntilIdle();
    EXPECT_EQ(shadowsOf(menu.get()), c.nShadows);
    menu->SetTrackingMode(TKTrackingMode::Off);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(shadowsOf(menu.get()), 0);
  }
  m_commandBars.SetCustomizeMode(FALSE);
  pShadows->m_nOptions &= ~1u;
}

// A popup tool bar: rows of buttons, a new row (after a separator) at each
// group, inside its own borders (2, 4, 2, 4).
TEST_F(PopupBarTest, PopupToolBarLaysOutRowsOfButtons) {
  std::unique_ptr<CTKPopupToolBar, ReleaseBar> bar(CTKPopupToolBar::CreatePopupToolBar(&m_commandBars));
  for (int i = 0; i < 5; ++i) {
    CTKControl* pControl = bar->GetControls()->AddByType(TKControlType::Button, 400 + i);
    pControl->SetBeginGroup(i == 3);
  }
  ASSERT_TRUE(bar->PopupAt(200, 200));
  EXPECT_EQ(bar->GetType(), TKBarType::Normal);
  const CRect rcFirst = bar->GetControl(0)->GetRect();
  const CRect rcFourth = bar->GetControl(3)->GetRect();
  EXPECT_EQ(rcFirst.TopLeft(), CPoint(2, 4));
  EXPECT_EQ(rcFourth.left, 2);
  EXPECT_EQ(rcFourth.top, rcFirst.bottom + TestPaintManager::kSeparator);  // the group's separator between rows
  EXPECT_EQ(bar->GetControl(2)->GetRect().top, 4);
  EXPECT_EQ(WindowRect(bar.get()).Height(),
            4 + 2 * TestPaintManager::kControlHeight + TestPaintManager::kSeparator + 4);
  bar->SetTrackingMode(TKTrackingMode::Off);
}

// A clone is of the same class and carries the controls and the popup's
// own settings, but not the gripper's drawing switch.
TEST_F(PopupBarTest, CloneKeepsClassControlsAndSettings) {
  PopupPtr menu = NewMenu(3);
  menu->m_bTearOffPopup = TRUE;
  menu->m_strTearOffCaption = u"Colours";
  menu->m_nTearOffId = 77;
  menu->m_nTearOffWidth = 120;
  menu->m_bShowShadow = FALSE;
  menu->m_rcBorders = CRect(1, 2, 3, 4);
  menu->m_bContextMenu = TRUE;
  menu->m_bDoubleGripper = TRUE;
  PopupPtr copy(menu->Clone());
  EXPECT_EQ(typeid(*copy), typeid(CTKPopupBar));
  ASSERT_EQ(copy->GetControlCount(), 3);
  EXPECT_EQ(Narrow(copy->GetControl(2)->GetCaption()), "Cmd002");
  EXPECT_EQ(copy->GetControl(2)->GetParent(), copy.get());
  EXPECT_TRUE(copy->m_bTearOffPopup);
  EXPECT_EQ(Narrow(copy->m_strTearOffCaption), "Colours");
  EXPECT_EQ(copy->m_nTearOffId, 77);
  EXPECT_EQ(copy->m_nTearOffWidth, 120);
  EXPECT_FALSE(copy->m_bShowShadow);
  EXPECT_EQ(copy->m_rcBorders, CRect(1, 2, 3, 4));
  EXPECT_TRUE(copy->m_bContextMenu);
  EXPECT_FALSE(copy->m_bDoubleGripper);
  ExpectSane(*copy);

  std::unique_ptr<CTKPopupToolBar, ReleaseBar> bar(CTKPopupToolBar::CreatePopupToolBar(&m_commandBars));
  PopupPtr barCopy(bar->Clone());
  EXPECT_EQ(typeid(*barCopy), typeid(CTKPopupToolBar));
}

TEST_F(PopupBarTest, DefaultItemIsTheFirstVisibleMarkedOne) {
  PopupPtr menu = NewMenu(4);
  EXPECT_EQ(menu->GetDefaultItem(), -1);
  menu->GetControl(1)->SetDefaultItem(TRUE);
  menu->GetControl(1)->SetVisible(FALSE);
  menu->GetControl(3)->SetDefaultItem(TRUE);
  EXPECT_EQ(menu->GetDefaultItem(TRUE), 3);
  EXPECT_EQ(menu->GetDefaultItem(FALSE), 203);
}

// ---- lifetimes ----

// A handler of the showing message that removes the opening control: the
// popup gives up and touches nothing of it.
TEST_F(PopupBarTest, ShowingHandlerRemovingTheOpeningControl) {
  TestBar parent(TKBarType::MenuBar, TKBarPosition::Top);
  CTKControl* pItem = parent.GetControls()->AddByType(TKControlType::Popup, 100);
  pItem->SetRect(CRect(10, 0, 50, 20));
  PopupPtr menu = NewMenu(3);
  m_site.m_handlers[TK_CBM_POPUPSHOWING] = [&](WPARAM, LPARAM) -> LRESULT {
    parent.GetControls()->Remove(pItem);
    return 0;
  };
  EXPECT_FALSE(menu->Popup(pItem));
  EXPECT_FALSE(menu->GetSafeHwnd());
  EXPECT_EQ(menu->GetControlPopup(), nullptr);
  EXPECT_EQ(GetMouseManager()->GetTrackedCount(), 0);
}

// A command-update handler that closes the menu and lets go of it while the
// popup runs its first idle update.
TEST_F(PopupBarTest, UpdateHandlerClosingTheMenu) {
  CTKPopupBar* pMenu = NewMenu(3).release();
  m_site.m_updates[static_cast<UINT>(pMenu->GetControl(1)->GetID())] = [&](CCmdUI*) {
    pMenu->SetTrackingMode(TKTrackingMode::Off);
    pMenu->InternalRelease();
  };
  EXPECT_FALSE(pMenu->PopupAt(100, 100));
  EXPECT_EQ(GetMouseManager()->GetTrackedCount(), 0);
  EXPECT_EQ(m_site.Count(TK_CBM_POPUPCLOSED), 1);
}

}  // namespace
}  // namespace cbtest
