// The control base: its text rules, the chains through which it reads its
// action's and bar's values, its hide flags, copies, execution and what it
// answers to accessibility.
#include <gtest/gtest.h>

#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/commandbars/commandbarsres.h"

namespace {

using cbtest::CommandBarsFixture;
using cbtest::SiteWnd;
using cbtest::TestBar;

class ControlTest : public CommandBarsFixture {
 protected:
  // A control of the bar, added the way the bars add them.
  CTKControl* AddButton(TestBar& bar, int nId = 0) {
    CTKControl* pControl = bar.GetControls()->AddByType(TKControlType::Button, nId);
    ExpectSane(bar);
    return pControl;
  }
};

// Counts what a control is told.
class CountingControl : public CTKControl {
 public:
  void OnCaptionChanged() override { ++m_nCaptionChanged; }
  void OnClick(BOOL bKeyboard, CPoint) override { m_nClicks += bKeyboard ? 10 : 1; }
  int m_nCaptionChanged = 0;
  int m_nClicks = 0;
};

TEST_F(ControlTest, ATabInTheCaptionGivesTheShortcutText) {
  struct Case {
    const char16_t* before;  // caption set first (layout marks cleared after it)
    const char16_t* text;
    const char16_t* caption;
    const char16_t* shortcut;
    bool bLayout;
    int nCaptionChanged;
  } cases[] = {
      {u"", u"Save\tCtrl+S", u"Save", u"Ctrl+S", true, 1},
      {u"Save\tCtrl+S", u"Save\tCtrl+S", u"Save", u"Ctrl+S", false, 0},  // the same again: nothing
      {u"Save\tCtrl+S", u"Save\tCtrl+Shift+S", u"Save", u"Ctrl+Shift+S", true, 0},
      {u"Save\tCtrl+S", u"save", u"save", u"Ctrl+S", true, 1},  // compared with case; no tab keeps the shortcut
      {u"Save", u"Save\t", u"Save", u"", false, 0},
      {u"", u"A\tB\tC", u"A", u"B\tC", true, 1},  // cut at the first tab
  };
  TestBar bar;
  for (const Case& c : cases) {
    auto* pControl = new CountingControl();
    bar.GetControls()->Add(pControl, 0);
    pControl->SetCaption(c.before);
    bar.OnIdleUpdate();
    pControl->m_nCaptionChanged = 0;
    ASSERT_FALSE(bar.IsLayoutDirty());
    pControl->SetCaption(c.text);
    EXPECT_EQ(pControl->GetCaption(), CString(c.caption)) << cbtest::Narrow(c.text);
    EXPECT_EQ(pControl->GetShortcutText(), CString(c.shortcut)) << cbtest::Narrow(c.text);
    EXPECT_EQ(bar.IsLayoutDirty() != FALSE, c.bLayout) << cbtest::Narrow(c.text);
    EXPECT_EQ(pControl->m_nCaptionChanged, c.nCaptionChanged) << cbtest::Narrow(c.text);
    bar.GetControls()->Remove(pControl);
  }
  ExpectSane(bar);
}

TEST_F(ControlTest, APromptFillsTheTextsPartByPart) {
  struct Case {
    const char16_t* caption;  // the control's caption before
    const char16_t* prompt;
    const char16_t* description;
    const char16_t* tooltip;
    const char16_t* captionAfter;
    const char16_t* keyboardTip;
    int nCaptionChanged;
  } cases[] = {
      {u"", u"Saves the file", u"Saves the file", u"Saves the file", u"Saves the file", u"", 1},
      {u"", u"Saves the file\nSave", u"Saves the file", u"Save", u"Save", u"", 1},
      {u"", u"Saves\nSave\nS&ave it", u"Saves", u"Save", u"S&ave it", u"", 1},
      {u"", u"Saves\nSave\n\nV", u"Saves", u"Save", u"Save", u"V", 1},  // an empty part 2: the tooltip
      {u"", u"\nClose", u"", u"Close", u"Close", u"", 1},
      {u"Mine", u"Saves\nSave\nOther\nK", u"Saves", u"Save", u"Mine", u"K", 0},
      {u"Mine", u"", u"", u"", u"Mine", u"", 0},  // nothing for an empty prompt
  };
  for (const Case& c : cases) {
    CountingControl control;
    control.SetCaption(c.caption);
    control.m_nCaptionChanged = 0;
    control.SetPrompt(c.prompt);
    EXPECT_EQ(control.GetDescription(), CString(c.description)) << cbtest::Narrow(c.prompt);
    EXPECT_EQ(control.GetTooltip(), CString(c.tooltip)) << cbtest::Narrow(c.prompt);
    EXPECT_EQ(control.GetCaption(), CString(c.captionAfter)) << cbtest::Narrow(c.prompt);
    EXPECT_EQ(control.GetKeyboardTip(), CString(c.keyboardTip)) << cbtest::Narrow(c.prompt);
    EXPECT_EQ(control.m_nCaptionChanged, c.nCaptionChanged) << cbtest::Narrow(c.prompt);
  }
  // A keyboard tip of its own stays.
  CTKControl control;
  control.SetKeyboardTip(u"Q");
  control.SetPrompt(u"a\nb\nc\nK");
  EXPECT_EQ(control.GetKeyboardTip(), CString(u"Q"));
}

TEST_F(ControlTest, ANewIdTakesItsStringsPrompt) {
  CTKControl control;
  control.SetID(TK_ID_TOOLBAR_HIDE);
  EXPECT_EQ(control.GetID(), static_cast<int>(TK_ID_TOOLBAR_HIDE));
  EXPECT_EQ(control.GetTooltip(), CString(u"Close"));
  EXPECT_EQ(control.GetCaption(), CString(u"Close"));
  EXPECT_EQ(control.GetDescription(), CString());

  // The same id again changes nothing, even after the texts were edited.
  control.SetTooltip(u"Hide");
  control.SetID(TK_ID_TOOLBAR_HIDE);
  EXPECT_EQ(control.GetTooltip(), CString(u"Hide"));

  // An id without a string leaves the texts as they were.
  control.SetID(23456);
  EXPECT_EQ(control.GetID(), 23456);
  EXPECT_EQ(control.GetTooltip(), CString(u"Hide"));
  EXPECT_EQ(control.GetCaption(), CString(u"Close"));
}

TEST_F(ControlTest, IconAndHelpIdsFallBackThroughTheAction) {
  CTKCommandBars commandBars;
  commandBars.EnableActions();
  struct Case {
    int nId, nIconId, nCustomIconId, nHelpId;
    int nActionId;  // 0: no action
    int nActionIconId, nActionHelpId;
    int nIcon, nHelp;
  } cases[] = {
      {100, 0, 0, 0, 0, 0, 0, 100, 100},    // the command id
      {0, 0, 0, 0, 0, 0, 0, 0, 0},          // no id: no icon
      {100, 7, 0, 8, 0, 0, 0, 7, 8},        // its own
      {100, -3, 0, -1, 0, 0, 0, 100, 100},  // 0 or less: the command id
      {100, 7, 9, 0, 0, 0, 0, 9, 100},      // the user's icon wins
      {200, 0, 0, 0, 200, 0, 0, 200, 200},  // the action's id
      {200, 0, 0, 0, 200, 11, 12, 11, 12},  // the action's own
      {200, 5, 0, 6, 200, 11, 12, 5, 6},    // its own before the action's
  };
  for (const Case& c : cases) {
    CTKControl control;
    if (c.nActionId) {
      CTKControlAction* pAction = commandBars.CreateAction(c.nActionId);
      pAction->SetIconId(c.nActionIconId);
      pAction->SetHelpId(c.nActionHelpId);
      control.SetAction(pAction);
    } else {
      control.SetID(c.nId);
    }
    control.SetIconId(c.nIconId);
    control.SetCustomIconId(c.nCustomIconId);
    control.SetHelpId(c.nHelpId);
    EXPECT_EQ(control.GetIconId(), c.nIcon) << c.nId << " " << c.nIconId;
    EXPECT_EQ(control.GetHelpId(), c.nHelp) << c.nId << " " << c.nHelpId;
    control.SetAction(nullptr);
  }
  // With no icon id there is no image at all.
  CTKControl control;
  EXPECT_EQ(control.GetImage(16), nullptr);
}

TEST_F(ControlTest, TheEffectiveStyleTakesTheFirstSetting) {
  struct Case {
    int nCustom;
    TKButtonStyle style, reduced, barDefault, expected;
  } cases[] = {
      {-1, TKButtonStyle::Automatic, TKButtonStyle::Automatic, TKButtonStyle::Automatic, TKButtonStyle::Automatic},
      {-1, TKButtonStyle::Automatic, TKButtonStyle::Automatic, TKButtonStyle::Caption, TKButtonStyle::Caption},
      {-1, TKButtonStyle::Automatic, TKButtonStyle::Icon, TKButtonStyle::Caption, TKButtonStyle::Icon},
      {-1, TKButtonStyle::IconAboveCaption, TKButtonStyle::Icon, TKButtonStyle::Caption,
       TKButtonStyle::IconAboveCaption},
      {3, TKButtonStyle::IconAboveCaption, TKButtonStyle::Icon, TKButtonStyle::Caption, TKButtonStyle::IconAndCaption},
      {0, TKButtonStyle::IconAboveCaption, TKButtonStyle::Icon, TKButtonStyle::Caption, TKButtonStyle::Automatic},
  };
  TestBar bar;
  CTKControl* pControl = AddButton(bar);
  for (const Case& c : cases) {
    bar.SetDefaultButtonStyle(c.barDefault);
    pControl->SetCustomStyle(c.nCustom);
    pControl->SetStyle(c.style);
    pControl->SetReducedStyle(c.reduced);
    EXPECT_EQ(pControl->GetStyle(), c.expected) << c.nCustom << " " << static_cast<int>(c.style);
  }
}

TEST_F(ControlTest, EnabledAndCheckedFollowTheActionAndCustomiseMode) {
  CTKCommandBars commandBars;
  commandBars.EnableActions();
  TestBar bar;
  bar.SetCommandBars(&commandBars);
  CTKControlAction* pAction = commandBars.CreateAction(300);
  CTKControl* pControl = AddButton(bar);
  pControl->SetAction(pAction);
  struct Case {
    BOOL bActionEnabled;
    int nActionChecked;
    BOOL bCustomize;
    int nEnabled, nChecked;
  } cases[] = {
      {TRUE, 0, FALSE, 1, 0},
      {FALSE, 1, FALSE, 0, 1},
      {FALSE, 2, TRUE, 1, 2},  // customising: every linked control reads as enabled
  };
  for (const Case& c : cases) {
    pAction->SetEnabled(c.bActionEnabled);
    pAction->SetChecked(c.nActionChecked);
    commandBars.SetCustomizeMode(c.bCustomize);
    EXPECT_EQ(pControl->GetEnabled(), c.nEnabled);
    EXPECT_EQ(pControl->GetChecked(), c.nChecked);
  }
  // Values of its own are its own.
  pControl->SetEnabled(0);
  pControl->SetChecked(1);
  EXPECT_EQ(pControl->GetEnabled(), 0);
  EXPECT_EQ(pControl->GetChecked(), 1);
  commandBars.SetCustomizeMode(FALSE);
  bar.GetControls()->RemoveAll();
  ExpectSane(commandBars.GetActions());
}

TEST_F(ControlTest, HideFlagsOutsideTheMaskHideTheControl) {
  CTKCommandBars commandBars;
  commandBars.EnableActions();
  struct Case {
    DWORD dwHide;
    DWORD dwMask;
    BOOL bActionVisible;
    BOOL bVisible;
  } cases[] = {
      {0, 0, TRUE, TRUE},
      {kTKHideExpand, 0, TRUE, FALSE},
      {kTKHideExpand, kTKHideExpand | kTKHideScroll, TRUE, TRUE},
      {kTKHideExpand | kTKHideWrap, kTKHideExpand | kTKHideScroll, TRUE, FALSE},
      {kTKHideWrap, kTKHideWrap, TRUE, TRUE},
      {0, 0, FALSE, FALSE},  // an invisible action hides every linked control
      {kTKHideGeneric, 0xFF, FALSE, FALSE},
  };
  CTKControlAction* pAction = commandBars.CreateAction(400);
  for (const Case& c : cases) {
    CTKControl control;
    control.SetAction(pAction);
    pAction->SetVisible(c.bActionVisible);
    control.SetHideFlags(c.dwHide);
    EXPECT_EQ(control.IsVisible(c.dwMask), c.bVisible) << c.dwHide << " " << c.dwMask;
  }
  // SetVisible is hide flag 0x01 and re-lays the bar out.
  TestBar bar;
  CTKControl* pControl = AddButton(bar);
  bar.OnIdleUpdate();
  pControl->SetVisible(FALSE);
  EXPECT_EQ(pControl->GetHideFlags(), kTKHideGeneric);
  EXPECT_TRUE(bar.IsLayoutDirty());
}

TEST_F(ControlTest, ACopyKeepsTheSettingsButNotThePlacement) {
  CTKControl source;
  source.SetID(500);
  source.SetCaption(u"&Find\tCtrl+F");
  source.SetTooltip(u"Find text");
  source.SetDescription(u"Finds text");
  source.SetParameter(u"p");
  source.SetKeyboardTip(u"F");
  source.SetCustomCaption(u"Search");
  source.SetCategory(u"Edit");
  source.SetIconId(5);
  source.SetHelpId(6);
  source.SetCustomIconId(7);
  source.SetFlags(kTKControlFlagRightAlign | kTKControlFlagWrapRow);
  source.SetType(TKControlType::Button);
  source.SetStyle(TKButtonStyle::IconAndCaption);
  source.SetCustomStyle(2);
  source.SetWidth(80);
  source.SetHeight(30);
  source.SetIconSize(CSize(24, 24));
  source.SetBeginGroup(TRUE);
  source.SetDefaultItem(TRUE);
  source.SetEnabled(0);
  source.SetChecked(1);
  source.SetCloseSubMenuOnClick(FALSE);
  source.SetExecuteOnPressInterval(50);
  source.SetTag(99);
  source.GetDocTemplatesAssigned().SetAt(128, 0);
  source.GetDocTemplatesExcluded().SetAt(129, 0);
  source.SetHideFlags(0xFF);

  CTKControl* pCopy = source.Clone();
  EXPECT_EQ(pCopy->GetHideFlags(), kTKHideGeneric | kTKHideCustomize | kTKHideDocTemplate | kTKHideRibbonTab);
  EXPECT_TRUE(pCopy->IsEqual(&source));
  EXPECT_EQ(pCopy->GetCaption(), CString(u"Search"));
  EXPECT_EQ(pCopy->GetShortcutText(), CString(u"Ctrl+F"));
  EXPECT_EQ(pCopy->GetKeyboardTip(), CString(u"F"));
  EXPECT_EQ(pCopy->GetCategory(), CString(u"Edit"));
  EXPECT_EQ(pCopy->GetHelpId(), 6);
  EXPECT_EQ(pCopy->GetIconId(), 7);
  EXPECT_EQ(pCopy->GetHeight(), 30);
  EXPECT_EQ(pCopy->GetIconSizeField(), CSize(24, 24));
  EXPECT_TRUE(pCopy->GetDefaultItem());
  EXPECT_EQ(pCopy->GetEnabled(), 0);
  EXPECT_EQ(pCopy->GetChecked(), 1);
  EXPECT_FALSE(pCopy->GetCloseSubMenuOnClick());
  EXPECT_EQ(pCopy->GetExecuteOnPressInterval(), 50);
  EXPECT_EQ(pCopy->GetTag(), 99u);
  UINT nValue = 0;
  EXPECT_TRUE(pCopy->GetDocTemplatesAssigned().Lookup(128, nValue));
  EXPECT_TRUE(pCopy->GetDocTemplatesExcluded().Lookup(129, nValue));

  // Equality ignores states but not what the user sees.
  pCopy->SetEnabled(1);
  EXPECT_TRUE(pCopy->IsEqual(&source));
  pCopy->SetHideFlags(pCopy->GetHideFlags() & ~kTKHideCustomize);
  EXPECT_FALSE(pCopy->IsEqual(&source));
  pCopy->InternalRelease();
}

TEST_F(ControlTest, ExecutingTellsTheSiteThenSendsTheCommand) {
  SiteWnd site;
  CTKCommandBars commandBars;
  commandBars.SetSite(&site);
  TestBar bar;
  bar.SetCommandBars(&commandBars);
  CTKControl* pControl = AddButton(bar, 700);
  struct Case {
    LRESULT notifyAnswer;
    int nCommands;
  } cases[] = {{0, 1}, {1, 0}};
  for (const Case& c : cases) {
    site.m_messages.clear();
    site.m_handlers[TK_CBM_CONTROLNOTIFY] = [&](WPARAM wParam, LPARAM lParam) -> LRESULT {
      auto* pHeader = reinterpret_cast<TK_NMCONTROL*>(lParam);
      EXPECT_EQ(wParam, 700u);
      EXPECT_EQ(pHeader->pControl, pControl);
      EXPECT_EQ(pHeader->hdr.code, static_cast<UINT>(TK_CBN_EXECUTE));
      EXPECT_EQ(pHeader->hdr.idFrom, 700u);
      return c.notifyAnswer;
    };
    pControl->OnExecute();
    EXPECT_EQ(site.Count(TK_CBM_CONTROLNOTIFY), 1);
    EXPECT_EQ(site.Count(WM_COMMAND), c.nCommands) << c.notifyAnswer;
    EXPECT_EQ(pControl->GetPressed(), kTKPressedNone);
  }
  // A control without id sends nothing.
  site.m_messages.clear();
  AddButton(bar, 0)->OnExecute();
  EXPECT_EQ(site.Count(TK_CBM_CONTROLNOTIFY), 0);
  EXPECT_EQ(site.Count(WM_COMMAND), 0);
}

TEST_F(ControlTest, InReturnCommandModeTheIdGoesToTheCallerAndNothingIsSent) {
  SiteWnd site;
  CTKCommandBars commandBars;
  commandBars.SetSite(&site);
  TestBar bar(TKBarType::Popup, TKBarPosition::Popup);
  bar.SetCommandBars(&commandBars);
  int nChosen = 0;
  bar.SetReturnCommand(&nChosen);
  ASSERT_TRUE(bar.SetTrackingMode(TKTrackingMode::Tracking));
  CTKControl* pControl = AddButton(bar, 701);
  pControl->OnExecute();
  EXPECT_EQ(nChosen, 701);
  EXPECT_EQ(site.Count(TK_CBM_CONTROLNOTIFY), 0);
  EXPECT_EQ(site.Count(WM_COMMAND), 0);
  EXPECT_FALSE(bar.IsTrackingMode());  // the menus closed
}

TEST_F(ControlTest, AHandlerMayReleaseTheBarWhileItsControlExecutes) {
  SiteWnd site;
  CTKCommandBars commandBars;
  commandBars.SetSite(&site);
  auto* pBar = new TestBar();
  pBar->SetCommandBars(&commandBars);
  CTKControl* pControl = AddButton(*pBar, 702);
  pControl->SetCloseSubMenuOnClick(FALSE);  // the control touches its bar after the command
  site.m_handlers[WM_COMMAND] = [&](WPARAM, LPARAM) -> LRESULT {
    pBar->InternalRelease();  // the last reference: window and bar go
    pBar = nullptr;
    return 0;
  };
  pControl->OnExecute();
  EXPECT_EQ(pBar, nullptr);
  EXPECT_EQ(site.Count(WM_COMMAND), 1);
}

TEST_F(ControlTest, SelectionTellsTheSiteAndShowsTheDescription) {
  SiteWnd site;
  CTKCommandBars commandBars;
  commandBars.SetSite(&site);
  TestBar bar;
  bar.SetCommandBars(&commandBars);
  CTKControl* pControl = AddButton(bar, 703);
  pControl->SetDescription(u"Opens a file");
  CString strStatus;
  site.m_messages.clear();
  site.m_handlers[0x362] = [&](WPARAM, LPARAM lParam) -> LRESULT {
    strStatus = reinterpret_cast<LPCWSTR>(lParam);
    return 0;
  };
  EXPECT_TRUE(bar.SetSelected(0));
  EXPECT_EQ(pControl->GetSelected(), kTKSelectedMouse);
  ASSERT_EQ(site.Count(TK_CBM_CONTROLSELECTED), 1);
  EXPECT_EQ(site.m_messages.front().wParam, reinterpret_cast<WPARAM>(pControl));
  EXPECT_EQ(strStatus, CString(u"Opens a file"));
  EXPECT_EQ(commandBars.GetHelpId(), 703);
  EXPECT_FALSE(pControl->SetSelected(kTKSelectedMouse));  // unchanged

  EXPECT_TRUE(bar.SetSelected(-1));
  EXPECT_EQ(pControl->GetSelected(), kTKSelectedNone);
  EXPECT_EQ(site.m_messages.back().message, 0x375u);  // the idle text is back
  EXPECT_EQ(commandBars.GetHelpId(), 0);
  EXPECT_EQ(site.Count(TK_CBM_CONTROLSELECTED), 2);

  // With the option off the status bar is left alone.
  commandBars.GetCommandBarsOptions()->bShowStatusBarDescriptions = FALSE;
  site.m_messages.clear();
  bar.SetSelected(0, kTKSelectedKeyboard);
  EXPECT_EQ(pControl->GetSelected(), kTKSelectedKeyboard);
  EXPECT_EQ(site.Count(0x362), 0);
}

TEST_F(ControlTest, RedrawsWaitForTheIdleUpdateWhileLocked) {
  TestBar bar;
  CTKControl* pControl = AddButton(bar);
  pControl->SetRect(CRect(10, 10, 30, 30));
  bar.OnIdleUpdate();
  bar.Validate();
  pControl->SetChecked(1);
  EXPECT_EQ(bar.UpdateRect(), CRect(10, 10, 30, 30));
  bar.Validate();

  bar.LockRedraw();
  pControl->SetChecked(0);
  pControl->SetEnabled(0);
  pControl->SetBeginGroup(TRUE);
  EXPECT_TRUE(bar.UpdateRect().IsRectEmpty());
  EXPECT_TRUE(bar.IsRedrawPending());
  bar.UnlockRedraw();
  EXPECT_TRUE(bar.UpdateRect().IsRectEmpty());  // nothing until the idle update
  const int nLayouts = bar.m_nLayouts;
  bar.OnIdleUpdate();
  CRect rcClient;
  bar.GetClientRect(&rcClient);
  EXPECT_EQ(bar.UpdateRect(), rcClient);  // one redraw of the whole bar
  EXPECT_FALSE(bar.IsRedrawPending());
  EXPECT_EQ(bar.m_nLayouts, nLayouts + 1);
  EXPECT_FALSE(bar.IsLayoutDirty());

  // The command-target pair (1, -2) redraws the control at once.
  bar.Validate();
  EXPECT_TRUE(pControl->OnCmdMsg(1, -2, nullptr, nullptr));
  EXPECT_EQ(bar.UpdateRect(), CRect(10, 10, 30, 30));
}

TEST_F(ControlTest, TheAccessibleAnswersDescribeTheControl) {
  TestBar bar;
  CTKControl* pControl = AddButton(bar, 704);
  pControl->SetCaption(u"&Open\tCtrl+O");
  VARIANT self{};
  self.vt = VT_EMPTY;
  BSTR name = nullptr;
  ASSERT_EQ(pControl->GetAccessibleName(self, &name), S_OK);
  EXPECT_EQ(CString(name), CString(u"Open\tCtrl+O"));
  ::SysFreeString(name);
  BSTR shortcut = nullptr;
  ASSERT_EQ(pControl->GetAccessibleKeyboardShortcut(self, &shortcut), S_OK);
  EXPECT_EQ(CString(shortcut), CString(u"O"));
  ::SysFreeString(shortcut);
  VARIANT other{};
  other.vt = VT_I4;
  other.lVal = 2;
  EXPECT_EQ(pControl->GetAccessibleName(other, &name), E_INVALIDARG);

  struct Case {
    TKBarType type;
    LONG role;
  } roles[] = {{TKBarType::Normal, ROLE_SYSTEM_PUSHBUTTON},
               {TKBarType::Ribbon, ROLE_SYSTEM_PUSHBUTTON},
               {TKBarType::MenuBar, ROLE_SYSTEM_MENUITEM},
               {TKBarType::Popup, ROLE_SYSTEM_MENUITEM}};
  for (const Case& c : roles) {
    bar.SetType(c.type);
    VARIANT role{};
    ASSERT_EQ(pControl->GetAccessibleRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, c.role) << static_cast<int>(c.type);
  }
  bar.SetType(TKBarType::Normal);

  struct StateCase {
    int nSelected, nEnabled, nChecked, nPressed;
    DWORD dwHide;
    LONG state;
  } states[] = {
      {0, 1, 0, 0, 0, STATE_SYSTEM_FOCUSABLE},
      {1, 1, 0, 0, 0, STATE_SYSTEM_FOCUSABLE | 0x86},
      {0, 0, 1, 0, 0, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED},
      {0, 1, 0, 2, kTKHideGeneric, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_PRESSED | STATE_SYSTEM_INVISIBLE},
  };
  for (const StateCase& c : states) {
    pControl->SetSelected(c.nSelected);
    pControl->SetEnabled(c.nEnabled);
    pControl->SetChecked(c.nChecked);
    pControl->SetPressed(c.nPressed);
    pControl->SetHideFlags(c.dwHide);
    VARIANT state{};
    ASSERT_EQ(pControl->GetAccessibleState(self, &state), S_OK);
    EXPECT_EQ(state.lVal, c.state) << c.nSelected << c.nEnabled << c.nChecked << c.nPressed;
  }
  // Without a caption the tooltip names it.
  CTKControl* pIcon = AddButton(bar, 0);
  pIcon->SetTooltip(u"Print");
  ASSERT_EQ(pIcon->GetAccessibleName(self, &name), S_OK);
  EXPECT_EQ(CString(name), CString(u"Print"));
  ::SysFreeString(name);
}

TEST_F(ControlTest, ACommandUIObjectOfABarFindsItsControl) {
  TestBar bar;
  CTKControl* pFirst = AddButton(bar, 1);
  CTKControl* pSecond = AddButton(bar, 2);
  CCmdUI cmdUI;
  cmdUI.m_pOther = &bar;
  cmdUI.m_nIndex = 1;
  EXPECT_EQ(CTKControl::FromCmdUI(&cmdUI), pSecond);
  cmdUI.m_nIndex = 0;
  EXPECT_EQ(CTKControl::FromCmdUI(&cmdUI), pFirst);
  cmdUI.m_nIndex = 2;
  EXPECT_EQ(CTKControl::FromCmdUI(&cmdUI), nullptr);
  SiteWnd other;
  cmdUI.m_pOther = &other;
  cmdUI.m_nIndex = 0;
  EXPECT_EQ(CTKControl::FromCmdUI(&cmdUI), nullptr);
}

TEST_F(ControlTest, ClicksGoToOnClickUnlessCustomisingAFixedControl) {
  CTKCommandBars commandBars;
  TestBar bar;
  bar.SetCommandBars(&commandBars);
  auto* pControl = new CountingControl();
  bar.GetControls()->Add(pControl, 0);
  pControl->OnLButtonDown(CPoint(1, 1));
  EXPECT_TRUE(pControl->OnLButtonDblClk(CPoint(1, 1)));
  EXPECT_EQ(pControl->m_nClicks, 2);
  commandBars.SetCustomizeMode(TRUE);
  pControl->SetFlags(kTKControlFlagNoMovable);
  pControl->OnLButtonDown(CPoint(1, 1));
  EXPECT_EQ(pControl->m_nClicks, 2);
  VARIANT self{};
  EXPECT_EQ(pControl->AccessibleDoDefaultAction(self), S_OK);
  EXPECT_EQ(pControl->m_nClicks, 12);  // by keyboard
  commandBars.SetCustomizeMode(FALSE);
}

}  // namespace
