// Popup controls whose menus run application code while they open: a
// handler of the popup's notification that removes the opening control,
// and an update handler that closes the menus while the popup shows. Both
// must leave the bars consistent (and, under AddressSanitizer, touch no
// freed object).
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/barwindow_support.h"
#include "toolkit/commandbars/popupbar.h"

namespace {

using cbtest::AttachSubMenu;
using cbtest::RowBar;
using cbtest::SubMenuBar;

class ControlPopupTest : public cbtest::BarWindowFixture {
 protected:
  ControlPopupTest() : m_menu(TKBarType::Popup, TKBarPosition::Popup, &m_site) {
    m_pFile = m_menu.Add(TKControlType::Popup, 0, u"&File");
    m_pEdit = m_menu.Add(TKControlType::Popup, 0, u"&Edit");
    m_menu.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE);
  }
  void Hover(const CTKControl* pControl) { RestOn(m_menu, pControl, CTKCommandBar::kHoverDelay); }

  RowBar m_menu;
  CTKControl* m_pFile;
  CTKControl* m_pEdit;
};

TEST_F(ControlPopupTest, AShowingHandlerMayRemoveTheOpeningControl) {
  AttachSubMenu(m_pFile);
  SubMenuBar* pEditMenu = AttachSubMenu(m_pEdit);
  int nShowing = 0;
  m_site.m_handlers[TK_CBM_POPUPSHOWING] = [&](WPARAM, LPARAM) {
    // The application rebuilds its menu: the item being opened goes, and
    // with it the last reference on its popup bar.
    ++nShowing;
    m_menu.GetControls()->Remove(m_pFile);
    return LRESULT{0};
  };
  Hover(m_pFile);
  EXPECT_EQ(nShowing, 1);
  ASSERT_EQ(m_menu.GetControlCount(), 1);
  EXPECT_EQ(m_menu.GetControl(0), m_pEdit);
  EXPECT_EQ(m_menu.GetPopupedIndex(), -1);
  ExpectSane(m_menu);

  // The menu goes on working.
  m_site.m_handlers.erase(TK_CBM_POPUPSHOWING);
  Hover(m_pEdit);
  EXPECT_TRUE(pEditMenu->IsOpen());
  EXPECT_EQ(m_menu.GetPopupedIndex(), m_pEdit->GetIndex());
}

TEST_F(ControlPopupTest, AnUpdateHandlerClosingTheMenusLeavesNothingOpen) {
  SubMenuBar* pFileMenu = AttachSubMenu(m_pFile, 610);
  SubMenuBar* pEditMenu = AttachSubMenu(m_pEdit, 620);
  int nUpdates = 0;
  m_site.m_updates[610] = [&](CCmdUI*) {
    ++nUpdates;
    CTKCommandBars::ClosePopups();
  };
  Hover(m_pFile);
  EXPECT_EQ(nUpdates, 1);
  EXPECT_EQ(pFileMenu->m_nPopups, 1);
  EXPECT_FALSE(pFileMenu->IsOpen());
  EXPECT_FALSE(m_pFile->GetPopuped());
  EXPECT_EQ(m_menu.GetPopupedIndex(), -1);
  EXPECT_FALSE(m_menu.IsTrackingMode());
  EXPECT_EQ(GetMouseManager()->GetTrackedCount(), 0);
  ExpectSane(m_menu);

  // Opened again from the start, the other sub-menu shows.
  m_menu.SetTrackingMode(TKTrackingMode::Tracking, FALSE, FALSE);
  m_menu.SetSelected(-1);
  Hover(m_pEdit);
  EXPECT_TRUE(pEditMenu->IsOpen());
  EXPECT_TRUE(m_pEdit->GetPopuped());
}

TEST_F(ControlPopupTest, CopiesShareThePopupBarUnlessRecursive) {
  SubMenuBar* pFileMenu = AttachSubMenu(m_pFile);
  CTKControlPopup shared, cloned;
  shared.InternalAddRef();  // held by the test, never released to nothing
  cloned.InternalAddRef();
  shared.Copy(m_pFile, FALSE);
  cloned.Copy(m_pFile, TRUE);
  EXPECT_EQ(shared.GetCommandBar(), pFileMenu);
  ASSERT_NE(cloned.GetCommandBar(), nullptr);
  EXPECT_NE(cloned.GetCommandBar(), pFileMenu);
  EXPECT_EQ(cloned.GetCommandBar()->GetControlCount(), 1);
  EXPECT_TRUE(cloned.IsEqual(m_pFile));
  EXPECT_TRUE(static_cast<CTKControlPopup*>(m_pFile)->IsSharingBarWith(&shared));
  EXPECT_FALSE(static_cast<CTKControlPopup*>(m_pFile)->IsSharingBarWith(&cloned));
}

TEST_F(ControlPopupTest, AlongAMenuBarEachMenuOpensInTurnAndASecondClickClosesIt) {
  RowBar menuBar(TKBarType::MenuBar, TKBarPosition::Top, &m_site);
  CTKControl* pItems[] = {menuBar.Add(TKControlType::Popup, 0, u"&File"),
                          menuBar.Add(TKControlType::Popup, 0, u"&Edit"),
                          menuBar.Add(TKControlType::Popup, 0, u"&View")};
  SubMenuBar* pMenus[] = {AttachSubMenu(pItems[0]), AttachSubMenu(pItems[1]), AttachSubMenu(pItems[2])};
  const POINT ptFile = menuBar.ScreenPoint(pItems[0]);
  pv::test::Click(ptFile.x, ptFile.y);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(pMenus[0]->IsOpen());
  EXPECT_EQ(m_site.Count(TK_CBM_MENUBARTRACKING), 1);
  for (int i : {1, 2, 0}) {
    const POINT pt = menuBar.ScreenPoint(pItems[i]);
    pv::test::MouseMove(pt.x, pt.y);
    pv::test::PumpUntilIdle();
    for (int j = 0; j < 3; ++j) EXPECT_EQ(pMenus[j]->IsOpen(), i == j) << i << " " << j;
    EXPECT_EQ(menuBar.GetPopupedIndex(), i);
  }
  pv::test::Click(ptFile.x, ptFile.y);  // the open item again
  pv::test::PumpUntilIdle();
  for (SubMenuBar* pMenu : pMenus) EXPECT_FALSE(pMenu->IsOpen());
  EXPECT_FALSE(menuBar.IsTrackingMode());
  EXPECT_EQ(menuBar.GetPopupedIndex(), -1);
  ExpectSane(menuBar);
}

TEST_F(ControlPopupTest, AMenuLoadedIntoABarMakesButtonsAndPopupsWithTheirSubMenus) {
  CMenu file, recent, menu;
  recent.CreatePopupMenu();
  recent.AppendMenu(MF_STRING, 130, u"&1 notes.txt");
  file.CreatePopupMenu();
  file.AppendMenu(MF_STRING, 100, u"&New");
  file.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(recent.Detach()), u"&Recent");
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(file.Detach()), u"&File");
  menu.AppendMenu(MF_STRING, 120, u"&Window");
  // The owner supplies the bar of one sub-menu.
  CTKPopupBar* pSupplied = CTKPopupBar::CreatePopupBar(nullptr);
  m_site.m_handlers[TK_CBM_CREATECOMMANDBAR] = [&](WPARAM, LPARAM lParam) {
    auto* pRequest = reinterpret_cast<TK_CREATEBAR_REQUEST*>(lParam);
    if (pRequest->strCaption != CString(u"Recent")) return LRESULT{0};
    pRequest->pCommandBar = pSupplied;
    return LRESULT{1};
  };
  CTKCommandBars commandBars;
  commandBars.SetSite(&m_site);
  RowBar bar(TKBarType::MenuBar, TKBarPosition::Top, &m_site);
  bar.SetCommandBars(&commandBars);
  ASSERT_TRUE(bar.GetControls()->LoadMenu(&menu));
  bar.OnRecalcLayout();
  menu.DestroyMenu();

  ASSERT_EQ(bar.GetControlCount(), 2);
  auto* pFile = dynamic_cast<CTKControlPopup*>(bar.GetControl(0));
  ASSERT_NE(pFile, nullptr);
  EXPECT_NE(dynamic_cast<CTKControlButton*>(bar.GetControl(1)), nullptr);
  EXPECT_EQ(dynamic_cast<CTKControlPopup*>(bar.GetControl(1)), nullptr);
  auto* pFileMenu = dynamic_cast<CTKPopupBar*>(pFile->GetCommandBar());
  ASSERT_NE(pFileMenu, nullptr);
  EXPECT_EQ(pFileMenu->GetTitle(), CString(u"File"));
  ASSERT_EQ(pFileMenu->GetControlCount(), 2);
  EXPECT_EQ(pFileMenu->GetControl(0)->GetID(), 100);
  auto* pRecent = dynamic_cast<CTKControlPopup*>(pFileMenu->GetControl(1));
  ASSERT_NE(pRecent, nullptr);
  EXPECT_EQ(pRecent->GetCommandBar(), pSupplied);
  ASSERT_EQ(pSupplied->GetControlCount(), 1);
  EXPECT_EQ(pSupplied->GetControl(0)->GetID(), 130);

  // Clicked, the menu-bar item opens its real popup bar.
  const POINT pt = bar.ScreenPoint(pFile);
  pv::test::Click(pt.x, pt.y);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(pFileMenu->IsVisible());
  EXPECT_TRUE(pFile->GetPopuped());
  EXPECT_EQ(bar.GetPopupedIndex(), 0);
  CTKCommandBars::ClosePopups();
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(pFile->GetPopuped());
  bar.GetControls()->RemoveAll();
}

}  // namespace
