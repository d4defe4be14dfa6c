// Resting the mouse in a menu: after the hover delay a sub-menu opens and
// another closes, unless hovering is off or the bars are locked; resting on
// an open sub-menu's item expands it after the re-expand delay.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/barwindow_support.h"
#include "toolkit/commandbars/popupbar.h"

namespace {

using cbtest::AttachSubMenu;
using cbtest::RowBar;
using cbtest::SubMenuBar;

class BarHoverTest : public cbtest::BarWindowFixture {
 protected:
  BarHoverTest() : m_menu(TKBarType::Popup, TKBarPosition::Popup, &m_site) {
    m_pOpen = m_menu.Add(TKControlType::Popup, 0, u"&Open");
    m_pRecent = m_menu.Add(TKControlType::Popup, 0, u"&Recent");
    m_pExit = m_menu.Add(TKControlType::Button, 101, u"E&xit");
    m_pOpenMenu = AttachSubMenu(m_pOpen, 501);
    m_pRecentMenu = AttachSubMenu(m_pRecent, 502);
    // The menu is up, as a popup menu is once shown.
    m_menu.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE);
  }
  void Rest(const CTKControl* pControl, unsigned ms) { RestOn(m_menu, pControl, ms); }

  RowBar m_menu;
  CTKControl* m_pOpen;
  CTKControl* m_pRecent;
  CTKControl* m_pExit;
  SubMenuBar* m_pOpenMenu;
  SubMenuBar* m_pRecentMenu;
};

TEST_F(BarHoverTest, ThreeHundredMillisecondsOpenASubMenuAndCloseAnother) {
  Rest(m_pOpen, 299);
  EXPECT_FALSE(m_pOpenMenu->IsOpen());
  pv::test::AdvanceAndPump(1);
  // The menu already tracked: opening its sub-menu only changes its mode.
  ASSERT_TRUE(m_pOpenMenu->IsOpen());
  EXPECT_TRUE(m_pOpen->GetPopuped());
  EXPECT_EQ(m_menu.GetPopupedIndex(), m_pOpen->GetIndex());
  EXPECT_EQ(m_menu.GetTrackingMode(), TKTrackingMode::PopupOpen);
  ExpectSane(m_menu);

  Rest(m_pRecent, 300);  // another sub-menu takes its place
  EXPECT_FALSE(m_pOpenMenu->IsOpen());
  EXPECT_FALSE(m_pOpen->GetPopuped());
  EXPECT_TRUE(m_pRecentMenu->IsOpen());

  Rest(m_pExit, 300);  // a plain item closes it; the menu stays
  EXPECT_FALSE(m_pRecentMenu->IsOpen());
  EXPECT_EQ(m_menu.GetPopupedIndex(), -1);
  EXPECT_TRUE(m_menu.IsTrackingMode());
  EXPECT_EQ(m_menu.GetSelected(), m_pExit->GetIndex());
  ExpectSane(m_menu);
}

TEST_F(BarHoverTest, NothingOpensWithHoverOffOrTheBarsLocked) {
  struct Case {
    const char* name;
    std::function<void(CTKCommandBar&)> set;
    std::function<void(CTKCommandBar&)> undo;
    bool bSelected;  // the item still becomes hot
  } cases[] = {
      {"hover off", [](CTKCommandBar& bar) { bar.SetPopupOnHover(FALSE); },
       [](CTKCommandBar& bar) { bar.SetPopupOnHover(TRUE); }, true},
      {"a modal loop runs", [](CTKCommandBar&) { ++GetMouseManager()->m_nSuspendCount; },
       [](CTKCommandBar&) { --GetMouseManager()->m_nSuspendCount; }, true},
      {"the tracked bars locked", [](CTKCommandBar&) { GetMouseManager()->LockTrackedBars(TRUE); },
       [](CTKCommandBar&) { GetMouseManager()->LockTrackedBars(FALSE); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(m_menu);
    Rest(m_pOpen, 1000);
    EXPECT_FALSE(m_pOpenMenu->IsOpen());
    EXPECT_EQ(m_pOpenMenu->m_nPopups, 0);
    EXPECT_EQ(m_menu.GetSelected() == m_pOpen->GetIndex(), c.bSelected);
    c.undo(m_menu);
    Rest(m_pExit, 300);
    m_menu.SetSelected(-1);
  }
}

TEST_F(BarHoverTest, FiveSecondsOnAnOpenShortMenusItemExpandIt) {
  CTKCommandBars commandBars;
  commandBars.SetSite(&m_site);
  commandBars.EnableActions(FALSE);
  CTKCommandBarsOptions* pOptions = commandBars.GetCommandBarsOptions();
  pOptions->bAlwaysShowFullMenus = FALSE;
  pOptions->m_mapHiddenCommands.SetAt(702, TRUE);
  m_menu.SetCommandBars(&commandBars);
  // A real popup menu with one rarely used command.
  CTKControl* pTools = m_menu.Add(TKControlType::Popup, 0, u"&Tools");
  CTKPopupBar* pToolsMenu = CTKPopupBar::CreatePopupBar(&commandBars);
  pToolsMenu->GetControls()->AddByType(TKControlType::Button, 701)->SetCaption(u"&Options");
  pToolsMenu->GetControls()->AddByType(TKControlType::Button, 702)->SetCaption(u"&Macros");
  static_cast<CTKControlPopup*>(pTools)->SetCommandBar(pToolsMenu);
  pToolsMenu->InternalRelease();

  struct Case {
    const char* name;
    BOOL bOption;
    bool bLeaveForSubMenu;
    bool bExpanded;
  } cases[] = {
      {"resting on the item", TRUE, false, true},
      {"moved into the sub-menu", TRUE, true, false},
      {"option off", FALSE, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pOptions->bShowFullAfterDelay = c.bOption;
    GetMouseManager()->SetExpandedMenus(FALSE);
    Rest(pTools, 300);
    ASSERT_TRUE(pToolsMenu->IsVisible());
    ASSERT_TRUE(pToolsMenu->HasHiddenCommands());
    if (c.bLeaveForSubMenu) {
      CRect rc = pToolsMenu->GetControl(0)->GetRect();
      pToolsMenu->ClientToScreen(&rc);
      pv::test::MouseMove(rc.CenterPoint().x, rc.CenterPoint().y);
      pv::test::PumpUntilIdle();
    }
    pv::test::AdvanceAndPump(4999);
    EXPECT_FALSE(pToolsMenu->IsExpanded());
    pv::test::AdvanceAndPump(1);
    EXPECT_EQ(pToolsMenu->IsExpanded() != FALSE, c.bExpanded);
    Rest(m_pExit, 300);
    ASSERT_FALSE(pToolsMenu->IsVisible());
  }
  m_menu.GetControls()->Remove(pTools);
  m_menu.SetCommandBars(nullptr);
}

}  // namespace
