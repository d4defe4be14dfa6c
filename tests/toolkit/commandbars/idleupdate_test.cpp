// A bar's idle update: its controls' states through the owner window's
// update handlers, manual and customised controls, and the controls shown
// for the active document template.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::SiteWnd;
using cbtest::TestBar;

class TemplateCommandBars : public CTKCommandBars {
 public:
  UINT GetActiveDocTemplate() override { return m_nTemplate; }
  UINT m_nTemplate = 0;
};

// A bar that answers the update of one id itself.
class AnsweringBar : public TestBar {
 public:
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override {
    if (nID == 0 && nCode == kUpdateCommandUICode && static_cast<CCmdUI*>(pExtra)->m_nID == m_nAnswered) {
      static_cast<CCmdUI*>(pExtra)->SetText(u"From the bar");
      return TRUE;
    }
    return TestBar::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
  }
  UINT m_nAnswered = 0;
};

class IdleUpdateTest : public CommandBarsFixture {
 protected:
  IdleUpdateTest() {
    m_commandBars.SetSite(&m_site);
    m_bar.SetCommandBars(&m_commandBars);
  }
  CTKControl* Add(int nId) { return m_bar.GetControls()->AddByType(TKControlType::Button, nId); }

  SiteWnd m_site;
  TemplateCommandBars m_commandBars;
  AnsweringBar m_bar;
};

TEST_F(IdleUpdateTest, UpdateHandlersSetStatesAndTexts) {
  struct Case {
    const char* name;
    std::function<void(CCmdUI*)> handler;
    int nEnabledBefore, nCheckedBefore;
    int nEnabled, nChecked;
    const char16_t* caption;
  } cases[] = {
      {"enable", [](CCmdUI* p) { p->Enable(TRUE); }, 0, 0, 1, 0, u"Item"},
      {"disable unchecks", [](CCmdUI* p) { p->Enable(FALSE); }, 1, 1, 0, 0, u"Item"},
      {"check then disable",
       [](CCmdUI* p) {
         p->SetCheck(1);
         p->Enable(FALSE);
       },
       1, 0, 0, 1, u"Item"},
      {"radio", [](CCmdUI* p) { p->SetRadio(TRUE); }, 1, 0, 1, 1, u"Item"},
      {"text", [](CCmdUI* p) { p->SetText(u"Save\tCtrl+S"); }, 1, 0, 1, 0, u"Save"},
  };
  for (const Case& c : cases) {
    m_bar.GetControls()->RemoveAll();
    CTKControl* pControl = Add(900);
    pControl->SetCaption(u"Item");
    pControl->SetEnabled(c.nEnabledBefore);
    pControl->SetChecked(c.nCheckedBefore);
    m_site.m_updates[900] = c.handler;
    m_bar.OnIdleUpdate();
    EXPECT_EQ(pControl->GetEnabled(), c.nEnabled) << c.name;
    EXPECT_EQ(pControl->GetChecked(), c.nChecked) << c.name;
    EXPECT_EQ(pControl->GetCaption(), CString(c.caption)) << c.name;
  }
  EXPECT_EQ(m_bar.GetControl(0)->GetShortcutText(), CString(u"Ctrl+S"));
  ExpectSane(m_bar);
}

TEST_F(IdleUpdateTest, CommandsWithoutAHandlerAreDisabledUnlessTheOptionIsOff) {
  CTKControl* pOrphan = Add(901);
  CTKControl* pHandled = Add(902);
  m_site.m_commands.insert(902);  // a command handler but no update handler
  m_bar.OnIdleUpdate();
  EXPECT_EQ(pOrphan->GetEnabled(), 0);
  EXPECT_EQ(pHandled->GetEnabled(), 1);
  pOrphan->SetEnabled(1);
  m_commandBars.GetCommandBarsOptions()->bDisableCommandIfNoHandler = FALSE;
  m_bar.OnIdleUpdate();
  EXPECT_EQ(pOrphan->GetEnabled(), 1);
}

TEST_F(IdleUpdateTest, ManualHiddenAndBarAnsweredControlsAreNotRoutedToTheOwner) {
  CTKControl* pManual = Add(903);
  pManual->SetFlags(kTKControlFlagManualUpdate);
  CTKControl* pHidden = Add(904);
  pHidden->SetHideFlags(kTKHideWrap);  // hidden by the layout: not updated
  CTKControl* pRare = Add(905);
  pRare->SetHideFlags(kTKHideExpand | kTKHideGeneric);  // hidden for these reasons: still updated
  CTKControl* pAnswered = Add(906);
  m_bar.m_nAnswered = 906;
  for (UINT nId : {903u, 904u, 905u, 906u}) m_site.m_updates[nId] = [](CCmdUI* p) { p->Enable(FALSE); };
  m_bar.OnIdleUpdate();
  EXPECT_EQ(m_site.m_nUpdates[903], 0);
  EXPECT_EQ(pManual->GetEnabled(), 1);
  EXPECT_EQ(m_site.m_nUpdates[904], 0);
  EXPECT_EQ(m_site.m_nUpdates[905], 1);
  EXPECT_EQ(pRare->GetEnabled(), 0);
  EXPECT_EQ(m_site.m_nUpdates[906], 0);
  EXPECT_EQ(pAnswered->GetCaption(), CString(u"From the bar"));
  EXPECT_EQ(pAnswered->GetEnabled(), 1);
}

TEST_F(IdleUpdateTest, CustomiseModeEnablesInsteadOfAskingTheOwner) {
  m_commandBars.EnableActions();
  CTKControl* pPlain = Add(907);
  CTKControl* pLinked = Add(908);
  ASSERT_NE(pLinked->GetAction(), nullptr);
  pPlain->SetEnabled(0);
  m_site.m_updates[907] = [](CCmdUI* p) { p->Enable(FALSE); };
  m_commandBars.SetCustomizeMode(TRUE);
  m_bar.OnIdleUpdate();
  EXPECT_EQ(m_site.m_nUpdates[907], 0);
  EXPECT_EQ(pPlain->GetEnabled(), 1);
  EXPECT_EQ(pLinked->GetEnabled(), 1);  // through its action
  m_commandBars.SetCustomizeMode(FALSE);
  // A linked control turned off and on follows its action again.
  m_site.m_updates[908] = [](CCmdUI* p) { p->Enable(FALSE); };
  m_bar.OnIdleUpdate();
  EXPECT_EQ(pLinked->GetEnabled(), 0);
  m_site.m_updates[908] = [](CCmdUI* p) { p->Enable(TRUE); };
  m_bar.OnIdleUpdate();
  EXPECT_EQ(pLinked->GetEnabled(), 1);
  EXPECT_TRUE(pLinked->GetAction()->GetEnabled());
  m_bar.GetControls()->RemoveAll();
}

TEST_F(IdleUpdateTest, TemplateMapsShowControlsForTheActiveDocumentTemplate) {
  CTKControl* pAssigned = Add(910);
  pAssigned->GetDocTemplatesAssigned().SetAt(128, 0);
  CTKControl* pExcluded = Add(911);
  pExcluded->GetDocTemplatesExcluded().SetAt(128, 0);
  CTKControl* pBoth = Add(912);
  CTKControl* pFree = Add(913);
  pBoth->GetDocTemplatesAssigned().SetAt(129, 0);
  struct Case {
    UINT nTemplate;
    BOOL bAssigned, bExcluded, bBoth;
  } cases[] = {
      {0, TRUE, TRUE, TRUE},  // no active template: nothing changes
      {128, TRUE, FALSE, FALSE},
      {129, FALSE, TRUE, TRUE},
      {130, FALSE, TRUE, FALSE},
  };
  for (const Case& c : cases) {
    m_commandBars.m_nTemplate = c.nTemplate;
    m_bar.OnIdleUpdate();
    EXPECT_EQ(pAssigned->IsVisible(), c.bAssigned) << c.nTemplate;
    EXPECT_EQ(pExcluded->IsVisible(), c.bExcluded) << c.nTemplate;
    EXPECT_EQ(pBoth->IsVisible(), c.bBoth) << c.nTemplate;
    EXPECT_TRUE(pFree->IsVisible());
  }
  // A change re-lays the bar out in the same idle update.
  const int nLayouts = m_bar.m_nLayouts;
  m_commandBars.m_nTemplate = 128;
  m_bar.OnIdleUpdate();
  EXPECT_EQ(m_bar.m_nLayouts, nLayouts + 1);
  m_bar.OnIdleUpdate();
  EXPECT_EQ(m_bar.m_nLayouts, nLayouts + 1);
}

TEST_F(IdleUpdateTest, AnExecutedControlIsUpdatedBeforeItIsRedrawn) {
  CTKControl* pControl = Add(914);
  pControl->SetCloseSubMenuOnClick(FALSE);
  m_site.m_updates[914] = [](CCmdUI* p) { p->SetCheck(1); };
  pControl->OnExecute();
  EXPECT_EQ(m_site.Count(WM_COMMAND), 1);
  EXPECT_EQ(pControl->GetChecked(), 1);
  EXPECT_EQ(pControl->GetPressed(), kTKPressedNone);
}

}  // namespace
