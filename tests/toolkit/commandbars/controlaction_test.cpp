// Shared command actions: what linking does to a control, the id-sorted
// list and the ids it refuses, and a caption change reaching every bar
// that shows the command.
#include <gtest/gtest.h>

#include <climits>

#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/commandbarsres.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::TestBar;

class ControlActionTest : public CommandBarsFixture {
 protected:
  void SetUp() override {
    CommandBarsFixture::SetUp();
    m_commandBars.EnableActions();
  }
  CTKCommandBars m_commandBars;
};

// Counts what its action tells it.
class ActionControl : public CTKControl {
 public:
  void OnActionChanging(int nProperty) override { m_changing.push_back(nProperty); }
  void OnActionChanged(int nProperty) override {
    m_changed.push_back(nProperty);
    CTKControl::OnActionChanged(nProperty);
  }
  std::vector<int> m_changing;
  std::vector<int> m_changed;
};

TEST_F(ControlActionTest, TwoBarsShareOneActionAndBothRelayOutOnACaptionChange) {
  TestBar first, second;
  first.SetCommandBars(&m_commandBars);
  second.SetCommandBars(&m_commandBars);
  auto* pMenuItem = new ActionControl();
  auto* pButton = new ActionControl();
  first.GetControls()->Add(pMenuItem, 800);
  second.GetControls()->Add(pButton, 800);
  ASSERT_NE(pMenuItem->GetAction(), nullptr);
  EXPECT_EQ(pMenuItem->GetAction(), pButton->GetAction());
  EXPECT_EQ(m_commandBars.GetActions()->GetCount(), 1);
  first.OnIdleUpdate();
  second.OnIdleUpdate();

  CTKControlAction* pAction = pMenuItem->GetAction();
  pAction->SetCaption(u"&Print\tCtrl+P");
  EXPECT_EQ(pAction->GetCaption(), CString(u"&Print"));
  EXPECT_TRUE(first.IsLayoutDirty());
  EXPECT_TRUE(second.IsLayoutDirty());
  EXPECT_EQ(pMenuItem->GetCaption(), CString(u"&Print"));
  EXPECT_EQ(pButton->GetCaption(), CString(u"&Print"));
  const std::vector<int> caption = {static_cast<int>(TKActionProperty::Caption)};
  EXPECT_EQ(pMenuItem->m_changing, caption);
  EXPECT_EQ(pButton->m_changed, caption);

  // The same caption again: nobody hears of it.
  first.OnIdleUpdate();
  pAction->SetCaption(u"&Print");
  EXPECT_FALSE(first.IsLayoutDirty());
  EXPECT_EQ(pButton->m_changed.size(), 1u);
  ExpectSane(first);
  ExpectSane(second);
  ExpectSane(m_commandBars.GetActions());
}

TEST_F(ControlActionTest, LinkingEmptiesTheControlsTextsAndUnlinkingDoesNotBringThemBack) {
  CTKControlAction* pAction = m_commandBars.CreateAction(801);
  CTKControl control;
  control.SetID(5);
  control.SetCaption(u"Mine\tCtrl+M");
  control.SetTooltip(u"My tip");
  control.SetDescription(u"My description");
  control.SetCategory(u"Mine");
  control.SetShortcutText(u"Ctrl+Q");
  control.SetKeyboardTip(u"M");
  control.SetEnabled(0);
  control.SetChecked(1);

  control.SetAction(pAction);
  EXPECT_EQ(control.GetID(), 801);
  EXPECT_EQ(control.GetEnabled(), 1);  // -1: the action's
  EXPECT_EQ(control.GetChecked(), 0);
  EXPECT_EQ(control.GetCategory(), CString());
  EXPECT_EQ(control.GetKeyboardTip(), CString());
  EXPECT_EQ(control.GetDescription(), CString());
  // The automatic shortcut text is not the control's own text: it stays.
  EXPECT_EQ(control.GetShortcutText(), CString(u"Ctrl+M"));
  // Without its own caption it shows the action's, else the action's tooltip.
  EXPECT_EQ(control.GetCaption(), CString());
  pAction->SetTooltip(u"Action tip");
  EXPECT_EQ(control.GetCaption(), CString(u"Action tip"));
  EXPECT_EQ(control.GetTooltip(), CString(u"Action tip"));
  pAction->SetCaption(u"Action");
  EXPECT_EQ(control.GetCaption(), CString(u"Action"));
  pAction->SetShortcutText(u"F9");
  EXPECT_EQ(control.GetShortcutText(), CString(u"F9"));

  control.SetAction(pAction);  // linked again: still once
  EXPECT_EQ(pAction->GetControlCount(), 1);

  control.SetAction(nullptr);
  EXPECT_EQ(pAction->GetControlCount(), 0);
  EXPECT_EQ(control.GetEnabled(), 1);
  EXPECT_EQ(control.GetChecked(), 0);
  EXPECT_EQ(control.GetCaption(), CString());
  EXPECT_EQ(control.GetTooltip(), CString());
  ExpectSane(m_commandBars.GetActions());
}

TEST_F(ControlActionTest, RemovingAControlOrEmptyingTheListUnlinks) {
  TestBar bar;
  bar.SetCommandBars(&m_commandBars);
  CTKControl* pControl = bar.GetControls()->AddByType(TKControlType::Button, 802);
  pControl->InternalAddRef();
  CTKControlAction* pAction = pControl->GetAction();
  ASSERT_NE(pAction, nullptr);
  bar.GetControls()->Remove(pControl);
  EXPECT_EQ(pControl->GetAction(), nullptr);
  EXPECT_EQ(pAction->GetControlCount(), 0);
  pControl->InternalRelease();

  CTKControl* pOther = bar.GetControls()->AddByType(TKControlType::Button, 803);
  ASSERT_NE(pOther->GetAction(), nullptr);
  m_commandBars.GetActions()->RemoveAll();
  EXPECT_EQ(pOther->GetAction(), nullptr);
  EXPECT_EQ(pOther->GetEnabled(), 1);
  EXPECT_EQ(m_commandBars.GetActions()->GetCount(), 0);
  ExpectSane(bar);
}

TEST_F(ControlActionTest, OnlyIdsFrom1To0xFFFFFFEHaveActions) {
  CTKControlActions* pActions = m_commandBars.GetActions();
  struct Case {
    int nId;
    bool bAction;
  } cases[] = {{0, false},       {-1, false}, {INT_MIN, false},   {0x0FFFFFFF, false},
               {INT_MAX, false}, {1, true},   {0x0FFFFFFE, true}, {40001, true}};
  for (const Case& c : cases) {
    const int nCount = pActions->GetCount();
    CTKControlAction* pAction = pActions->CreateAction(c.nId);
    EXPECT_EQ(pAction != nullptr, c.bAction) << c.nId;
    EXPECT_EQ(pActions->FindAction(c.nId), pAction) << c.nId;
    EXPECT_EQ(pActions->GetCount(), nCount + (c.bAction ? 1 : 0)) << c.nId;
    // Even one inserted by hand is never found.
    auto* pInserted = new CTKControlAction(pActions);
    CTKControl probe;
    probe.SetID(c.nId);
    pInserted->AddControl(&probe);
    probe.SetAction(nullptr);
    pActions->Insert(pInserted);
    if (!c.bAction) EXPECT_EQ(pActions->FindAction(c.nId), nullptr) << c.nId;
  }
  ExpectSane(pActions);
  // Without actions the command bars make none.
  m_commandBars.EnableActions(FALSE);
  EXPECT_EQ(m_commandBars.CreateAction(900), nullptr);
}

TEST_F(ControlActionTest, TheListStaysSortedAndFindsTheFirstOfEqualIds) {
  CTKControlActions* pActions = m_commandBars.GetActions();
  for (int nId : {50, 10, 30, 20, 40}) pActions->CreateAction(nId);
  EXPECT_EQ(pActions->CreateAction(30), pActions->FindAction(30));  // no second one
  ASSERT_EQ(pActions->GetCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(pActions->GetAt(i)->GetID(), (i + 1) * 10);
  bool bThrown = false;
  try {
    pActions->GetAt(5);
  } catch (CInvalidArgException* e) {
    e->Delete();
    bThrown = true;
  }
  EXPECT_TRUE(bThrown);
  ExpectSane(pActions);
}

TEST_F(ControlActionTest, ANewActionTakesItsIdsPromptWithoutCaptionFallback) {
  CTKControlAction* pAction = m_commandBars.CreateAction(TK_ID_TOOLBAR_HIDE);
  EXPECT_EQ(pAction->GetTooltip(), CString(u"Close"));
  EXPECT_EQ(pAction->GetDescription(), CString());
  EXPECT_EQ(pAction->GetCaption(), CString());  // no part 2: the caption stays empty
  pAction->SetPrompt(u"Prints\nPrint\nP&rint it\nR");
  EXPECT_EQ(pAction->GetCaption(), CString(u"P&rint it"));
  EXPECT_EQ(pAction->GetKeyboardTip(), CString(u"R"));
  pAction->SetPrompt(u"Other\nOther\nOther\nO");  // only empty ones are filled
  EXPECT_EQ(pAction->GetCaption(), CString(u"P&rint it"));
  EXPECT_EQ(pAction->GetKeyboardTip(), CString(u"R"));
}

TEST_F(ControlActionTest, CustomiseModeEnablesEveryLinkedControl) {
  TestBar bar;
  bar.SetCommandBars(&m_commandBars);
  CTKControl* pControl = bar.GetControls()->AddByType(TKControlType::Button, 804);
  pControl->GetAction()->SetEnabled(FALSE);
  EXPECT_EQ(pControl->GetEnabled(), 0);
  m_commandBars.SetCustomizeMode(TRUE);
  EXPECT_EQ(pControl->GetEnabled(), 1);
  EXPECT_TRUE(pControl->GetAction()->GetEnabled());
  m_commandBars.SetCustomizeMode(FALSE);
}

}  // namespace
