// A bar's control collection: controls made from menus (separators, breaks,
// states, the site's say over each item, actions), navigation, type changes,
// copies and the original snapshot.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/commandbarsres.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::SiteWnd;
using cbtest::TestBar;

// A menu the test builds and destroys.
class Menu {
 public:
  Menu() { m_menu.CreatePopupMenu(); }
  ~Menu() { m_menu.DestroyMenu(); }
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;
  Menu& Item(UINT nId, const char16_t* text, UINT nFlags = MF_STRING) {
    m_menu.AppendMenu(nFlags, nId, text);
    return *this;
  }
  Menu& Separator() {
    m_menu.AppendMenu(MF_SEPARATOR);
    return *this;
  }
  // The sub-menu belongs to this menu from now on.
  Menu& Popup(Menu& sub, const char16_t* text) {
    m_menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.m_menu.Detach()), text);
    return *this;
  }
  CMenu* Get() { return &m_menu; }

 private:
  CMenu m_menu;
};

class ControlsTest : public CommandBarsFixture {
 protected:
  void SetUp() override {
    CommandBarsFixture::SetUp();
    m_commandBars.SetSite(&m_site);
    m_bar.SetCommandBars(&m_commandBars);
  }
  CTKControls* Controls() { return m_bar.GetControls(); }
  // Ids of the controls, with the begin-group mark as "|" before an id.
  std::string Describe() {
    std::string text;
    for (int i = 0; i < Controls()->GetCount(); ++i) {
      CTKControl* pControl = Controls()->GetAt(i);
      if (!text.empty()) text += " ";
      if (pControl->GetBeginGroup()) text += "|";
      text += std::to_string(pControl->GetID());
      if (pControl->GetFlags() & kTKControlFlagWrapRow) text += "w";
    }
    return text;
  }

  SiteWnd m_site;
  CTKCommandBars m_commandBars;
  TestBar m_bar;
};

TEST_F(ControlsTest, SeparatorsAndBreaksMarkTheFollowingControl) {
  struct Case {
    const char* name;
    std::function<void(Menu&)> build;
    const char* expected;
  } cases[] = {
      {"leading separator", [](Menu& m) { m.Separator().Item(1, u"A").Item(2, u"B"); }, "|1 2"},
      {"doubled separator", [](Menu& m) { m.Item(1, u"A").Separator().Separator().Item(2, u"B"); }, "1 |2"},
      {"trailing separator", [](Menu& m) { m.Item(1, u"A").Separator(); }, "1"},
      {"id 0 is a separator", [](Menu& m) { m.Item(1, u"A").Item(0, u"none").Item(2, u"B"); }, "1 |2"},
      {"break", [](Menu& m) { m.Item(1, u"A").Item(2, u"B", MF_MENUBREAK); }, "1 2w"},
      {"break with a bar", [](Menu& m) { m.Item(1, u"A").Item(2, u"B", MF_MENUBARBREAK); }, "1 |2w"},
      {"first MDI child", [](Menu& m) { m.Item(1, u"A").Item(0xFF00, u"1 Doc").Item(2, u"B"); }, "1 2"},
  };
  for (const Case& c : cases) {
    Menu menu;
    c.build(menu);
    Controls()->RemoveAll();
    ASSERT_TRUE(Controls()->LoadMenu(menu.Get()));
    EXPECT_EQ(Describe(), c.expected) << c.name;
    ExpectSane(m_bar);
  }
  EXPECT_FALSE(Controls()->LoadMenu(nullptr));
}

TEST_F(ControlsTest, MenuStatesReachControlsWithoutAnAction) {
  struct Case {
    BOOL bActions;
    UINT nFlags;
    int nEnabled, nChecked;
  } cases[] = {
      {FALSE, MF_STRING, 1, 0},
      {FALSE, MF_CHECKED, 1, 1},
      {FALSE, MF_GRAYED, 0, 0},
      {FALSE, MF_GRAYED | MF_CHECKED, 0, 1},
      {TRUE, MF_GRAYED | MF_CHECKED, 1, 0},  // linked: the action's states
  };
  for (const Case& c : cases) {
    m_commandBars.EnableActions(c.bActions);
    m_commandBars.GetActions()->RemoveAll();
    Menu menu;
    menu.Item(10, u"&Bold", c.nFlags);
    Controls()->RemoveAll();
    Controls()->LoadMenu(menu.Get());
    CTKControl* pControl = Controls()->GetAt(0);
    ASSERT_NE(pControl, nullptr);
    EXPECT_EQ(pControl->GetAction() != nullptr, c.bActions != FALSE);
    EXPECT_EQ(pControl->GetEnabled(), c.nEnabled) << c.nFlags << " " << c.bActions;
    EXPECT_EQ(pControl->GetChecked(), c.nChecked) << c.nFlags << " " << c.bActions;
    EXPECT_EQ(pControl->GetCaption(), CString(u"&Bold"));
  }
}

TEST_F(ControlsTest, AMenuItemBecomesAControlWithItsTextTypeAndDefault) {
  Menu tools;
  tools.Item(30, u"Options");
  Menu help;
  help.Item(40, u"About");
  Menu odd;
  odd.Item(41, u"x");
  Menu menu;
  menu.Item(20, u"&Open\tCtrl+O").Popup(tools, u"Tools\t200").Popup(help, u"&Help").Popup(odd, u"Odd\t99999999999");
  menu.Get()->SetDefaultItem(0, TRUE);
  ASSERT_TRUE(Controls()->LoadMenu(menu.Get()));
  ASSERT_EQ(Controls()->GetCount(), 4);

  CTKControl* pOpen = Controls()->GetAt(0);
  EXPECT_EQ(pOpen->GetType(), TKControlType::Button);
  EXPECT_EQ(pOpen->GetCaption(), CString(u"&Open"));
  EXPECT_EQ(pOpen->GetShortcutText(), CString(u"Ctrl+O"));
  EXPECT_TRUE(pOpen->GetDefaultItem());

  CTKControl* pTools = Controls()->GetAt(1);  // the id after the tab
  EXPECT_EQ(pTools->GetType(), TKControlType::Popup);
  EXPECT_EQ(pTools->GetID(), 200);
  EXPECT_EQ(pTools->GetCaption(), CString(u"Tools"));
  EXPECT_FALSE(pTools->GetDefaultItem());

  CTKControl* pHelp = Controls()->GetAt(2);
  EXPECT_EQ(pHelp->GetID(), -1);
  EXPECT_EQ(pHelp->GetCaption(), CString(u"&Help"));

  // A number no command can have is no id: the text stays whole.
  CTKControl* pOdd = Controls()->GetAt(3);
  EXPECT_EQ(pOdd->GetID(), -1);
  EXPECT_EQ(pOdd->GetCaption(), CString(u"Odd"));
  EXPECT_EQ(pOdd->GetShortcutText(), CString(u"99999999999"));
  ExpectSane(m_bar);
}

TEST_F(ControlsTest, TheSiteMayChangeOrSupplyTheControl) {
  CTKControl* pSupplied = nullptr;
  int nCreated = 0;
  m_site.m_handlers[TK_CBM_CREATECONTROL] = [&](WPARAM, LPARAM lParam) -> LRESULT {
    auto* pRequest = reinterpret_cast<TK_CREATECONTROL_REQUEST*>(lParam);
    EXPECT_EQ(pRequest->pCommandBar, &m_bar);
    EXPECT_EQ(pRequest->pControl, nullptr);
    if (pRequest->nID == 50) {
      pRequest->nID = 51;
      pRequest->strCaption = u"Changed";
      pRequest->controlType = TKControlType::RadioButton;
      pRequest->buttonStyle = TKButtonStyle::Caption;
      return 1;
    }
    if (pRequest->nID == 52) {
      pSupplied = new CTKControl();
      pSupplied->SetType(TKControlType::Gallery);
      pRequest->pControl = pSupplied;
      return 1;
    }
    return 0;
  };
  m_site.m_handlers[TK_CBM_CONTROLCREATED] = [&](WPARAM, LPARAM lParam) -> LRESULT {
    auto* pRequest = reinterpret_cast<TK_CREATECONTROL_REQUEST*>(lParam);
    EXPECT_NE(pRequest->pControl, nullptr);
    EXPECT_EQ(pRequest->pControl->GetControls(), Controls());
    ++nCreated;
    return 0;
  };
  Menu menu;
  menu.Item(50, u"Plain").Item(52, u"Gallery").Item(53, u"Left alone");
  ASSERT_TRUE(Controls()->LoadMenu(menu.Get()));
  ASSERT_EQ(Controls()->GetCount(), 3);
  EXPECT_EQ(nCreated, 3);
  CTKControl* pChanged = Controls()->GetAt(0);
  EXPECT_EQ(pChanged->GetID(), 51);
  EXPECT_EQ(pChanged->GetCaption(), CString(u"Changed"));
  EXPECT_EQ(pChanged->GetType(), TKControlType::RadioButton);
  EXPECT_EQ(pChanged->GetStyle(), TKButtonStyle::Caption);
  EXPECT_EQ(Controls()->GetAt(1), pSupplied);
  EXPECT_EQ(pSupplied->GetType(), TKControlType::Gallery);
  EXPECT_EQ(pSupplied->GetID(), 52);
  EXPECT_EQ(pSupplied->GetCaption(), CString(u"Gallery"));
  EXPECT_EQ(Controls()->GetAt(2)->GetType(), TKControlType::Button);

  // A custom control (type 7) is never made from a menu.
  m_site.m_handlers[TK_CBM_CREATECONTROL] = [&](WPARAM, LPARAM lParam) -> LRESULT {
    reinterpret_cast<TK_CREATECONTROL_REQUEST*>(lParam)->controlType = TKControlType::Custom;
    return 1;
  };
  Controls()->RemoveAll();
  Controls()->LoadMenu(menu.Get());
  EXPECT_EQ(Controls()->GetCount(), 0);
}

TEST_F(ControlsTest, ReservedIdsNeverGetActions) {
  m_commandBars.EnableActions();
  struct Case {
    int nId;
    bool bAction;
  } cases[] = {{TK_ID_POPUPBAR_EXPAND, false},
               {TK_ID_CUSTOMIZE, false},
               {9100, false},
               {9299, false},
               {35000, false},
               {35003, false},
               {9099, true},
               {35004, true}};
  for (const Case& c : cases) {
    CTKControl* pControl = Controls()->AddByType(TKControlType::Button, c.nId);
    EXPECT_EQ(pControl->GetAction() != nullptr, c.bAction) << c.nId;
    EXPECT_EQ(pControl->GetID(), c.nId);
  }
  // Not an action, but its prompt: the caption comes from the string.
  EXPECT_EQ(Controls()->GetAt(0)->GetCaption(), CString(u"Expand"));
  ExpectSane(m_bar);
}

TEST_F(ControlsTest, ReloadingAMenuWithSubMenusKeepsTheActionsAndTheTitles) {
  m_commandBars.EnableActions();
  Menu file;
  file.Item(100, u"&New");
  Menu edit;
  edit.Item(110, u"&Undo");
  Menu menu;
  menu.Popup(file, u"&File").Popup(edit, u"&Edit").Item(120, u"&Window");
  for (int i = 0; i < 100; ++i) {
    Controls()->RemoveAll();
    ASSERT_TRUE(Controls()->LoadMenu(menu.Get()));
  }
  // One action per command (New and Undo in the sub-menus' bars, Window);
  // the sub-menus themselves get none and keep their own titles.
  EXPECT_EQ(m_commandBars.GetActions()->GetCount(), 3);
  ASSERT_EQ(Controls()->GetCount(), 3);
  const int nSubMenuIds[] = {100, 110};
  for (int i = 0; i < 2; ++i) {
    CTKControl* pPopup = Controls()->GetAt(i);
    EXPECT_EQ(pPopup->GetAction(), nullptr);
    EXPECT_EQ(pPopup->GetID(), -1);
    CTKCommandBar* pSubMenu = pPopup->GetCommandBar();
    ASSERT_NE(pSubMenu, nullptr);
    ASSERT_EQ(pSubMenu->GetControlCount(), 1);
    EXPECT_EQ(pSubMenu->GetControl(0)->GetID(), nSubMenuIds[i]);
  }
  EXPECT_EQ(Controls()->GetAt(0)->GetCaption(), CString(u"&File"));
  EXPECT_EQ(Controls()->GetAt(1)->GetCaption(), CString(u"&Edit"));
  CTKControl* pWindow = Controls()->GetAt(2);
  ASSERT_NE(pWindow->GetAction(), nullptr);
  EXPECT_EQ(pWindow->GetAction()->GetCaption(), CString(u"&Window"));
  EXPECT_EQ(pWindow->GetCaption(), CString(u"&Window"));
  ExpectSane(m_bar);
  ExpectSane(m_commandBars.GetActions());
}

TEST_F(ControlsTest, GetNextWrapsOnceAndSkipsWhatCannotBeNavigated) {
  for (int i = 0; i < 5; ++i) Controls()->AddByType(TKControlType::Button, i + 1);
  Controls()->GetAt(1)->SetFlags(kTKControlFlagSkipFocus);
  Controls()->GetAt(2)->SetHideFlags(kTKHideExpand);  // rarely used
  Controls()->GetAt(3)->SetTemporary(TRUE);
  struct Case {
    int nStart, nDirection;
    BOOL bSkipFocus, bSkipTemporary, bStrict;
    int nNext;
  } cases[] = {
      {-1, +1, TRUE, FALSE, TRUE, 0}, {0, +1, TRUE, FALSE, TRUE, 3},   // 1 skips focus, 2 is hidden
      {0, +1, FALSE, FALSE, TRUE, 1}, {0, +1, TRUE, FALSE, FALSE, 2},  // rarely used counts when not strict
      {0, +1, TRUE, TRUE, TRUE, 4},   {4, +1, TRUE, FALSE, TRUE, 0},   // wraps to the first
      {-1, -1, TRUE, FALSE, TRUE, 4}, {0, -1, TRUE, FALSE, TRUE, 4},   // wraps to the last
      {3, -1, TRUE, FALSE, TRUE, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Controls()->GetNext(c.nStart, c.nDirection, c.bSkipFocus, c.bSkipTemporary, c.bStrict), c.nNext)
        << c.nStart << " " << c.nDirection;

  // Only the start itself can be navigated: coming back to it is no answer.
  for (int i = 1; i < 5; ++i) Controls()->GetAt(i)->SetHideFlags(kTKHideGeneric);
  EXPECT_EQ(Controls()->GetNext(0, +1), -1);
  EXPECT_EQ(Controls()->GetNext(-1, +1), 0);
  Controls()->GetAt(0)->SetHideFlags(kTKHideGeneric);
  EXPECT_EQ(Controls()->GetNext(-1, +1), -1);
  EXPECT_EQ(Controls()->GetNext(-1, -1), -1);
  Controls()->RemoveAll();
  EXPECT_EQ(Controls()->GetNext(-1, +1), -1);
}

TEST_F(ControlsTest, ChangingTheTypeKeepsPopupsAndReplacesOthersInPlace) {
  CTKControl* pFirst = Controls()->AddByType(TKControlType::Button, 1);
  CTKControl* pSplit = Controls()->AddByType(TKControlType::SplitButtonPopup, 2);
  CTKControl* pButton = Controls()->AddByType(TKControlType::Button, 3);
  pButton->SetCaption(u"Zoom");
  pButton->SetBeginGroup(TRUE);
  Controls()->AddByType(TKControlType::Button, 4);

  EXPECT_EQ(Controls()->ChangeControlType(pSplit, TKControlType::Popup), pSplit);
  EXPECT_EQ(pSplit->GetType(), TKControlType::Popup);

  CTKControl* pCombo = Controls()->ChangeControlTypeAt(2, TKControlType::ComboBox);
  ASSERT_NE(pCombo, nullptr);
  EXPECT_NE(pCombo, pButton);
  EXPECT_EQ(Controls()->GetCount(), 4);
  EXPECT_EQ(Controls()->GetAt(2), pCombo);
  EXPECT_EQ(pCombo->GetType(), TKControlType::ComboBox);
  EXPECT_EQ(pCombo->GetID(), 3);
  EXPECT_EQ(pCombo->GetCaption(), CString(u"Zoom"));
  EXPECT_TRUE(pCombo->GetBeginGroup());
  EXPECT_EQ(Controls()->GetAt(0), pFirst);
  EXPECT_EQ(Controls()->ChangeControlType(pCombo, TKControlType::Plain), nullptr);
  ExpectSane(m_bar);
}

TEST_F(ControlsTest, InsertingOutOfRangeAppendsAndRemovingKeepsIndexes) {
  CTKControl* pA = Controls()->AddByType(TKControlType::Button, 1);
  CTKControl* pB = Controls()->AddByType(TKControlType::Button, 2, CString(), -1);
  CTKControl* pC = Controls()->AddByType(TKControlType::Button, 3, CString(), 99);
  CTKControl* pD = Controls()->AddByType(TKControlType::Button, 4, CString(), 0);
  EXPECT_EQ(Describe(), "4 1 2 3");
  EXPECT_EQ(Controls()->AddByType(TKControlType::Plain, 5), nullptr);
  EXPECT_EQ(pA->GetParent(), &m_bar);
  ExpectSane(m_bar);

  // The selected control leaves the bar's selection with it.
  m_bar.SetSelected(pB->GetIndex());
  Controls()->Remove(pB);
  EXPECT_EQ(m_bar.GetSelected(), -1);
  EXPECT_EQ(Describe(), "4 1 3");
  EXPECT_EQ(pC->GetIndex(), 2);
  ExpectSane(m_bar);

  // Another collection's control is left alone.
  CTKControls other;
  other.Remove(pD);
  EXPECT_EQ(Controls()->GetCount(), 3);
  EXPECT_EQ(Controls()->FindControl(3), pC);
  EXPECT_EQ(Controls()->FindControl(TKControlType::Button, -1, TRUE, FALSE), pD);
  pD->SetVisible(FALSE);
  EXPECT_EQ(Controls()->FindControl(TKControlType::Button, -1, TRUE, FALSE), pA);
  EXPECT_EQ(Controls()->GetVisibleCount(), 2);
  EXPECT_EQ(Controls()->GetVisibleAt(1), pC);
}

TEST_F(ControlsTest, CopiesLeaveTemporaryControlsOutAndCompareWithTheSnapshot) {
  Controls()->AddByType(TKControlType::Button, 1);
  Controls()->AddByType(TKControlType::Button, 2, CString(), -1, TRUE);
  Controls()->AddByType(TKControlType::Button, 3);
  EXPECT_TRUE(Controls()->IsChanged());  // never had a snapshot
  Controls()->CreateOriginalControls();
  ASSERT_NE(Controls()->GetOriginalControls(), nullptr);
  EXPECT_TRUE(Controls()->GetOriginalControls()->IsOriginalControls());
  EXPECT_EQ(Controls()->GetOriginalControls()->GetCount(), 2);
  EXPECT_FALSE(Controls()->IsChanged());

  CTKControls* pDuplicate = Controls()->Duplicate();
  EXPECT_EQ(pDuplicate->GetCount(), 2);
  EXPECT_TRUE(pDuplicate->IsEqual(Controls()));
  ASSERT_NE(pDuplicate->GetOriginalControls(), nullptr);

  Controls()->GetAt(2)->SetCaption(u"Changed");
  EXPECT_TRUE(Controls()->IsChanged());
  EXPECT_FALSE(pDuplicate->IsEqual(Controls()));

  TestBar other;
  other.GetControls()->Copy(pDuplicate);
  EXPECT_TRUE(other.GetControls()->IsEqual(pDuplicate));
  EXPECT_NE(other.GetControls()->GetOriginalControls(), nullptr);
  EXPECT_EQ(other.GetControls()->GetAt(0)->GetParent(), &other);
  ExpectSane(other);
  pDuplicate->InternalRelease();
}

}  // namespace
