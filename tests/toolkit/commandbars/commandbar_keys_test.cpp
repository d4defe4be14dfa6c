// The keys of a tracking bar, typed as a user types them (through the
// thread's keyboard hook): arrows as the bar lies (across, down, right to
// left), Home, End and Tab; mnemonics and first letters, ambiguous ones
// selecting and unique ones executing; beeps for keys that match nothing;
// Escape and Left closing one menu level; the rows of grid bars.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/base/clock.h"
#include "platform/window/test_input.h"
#include "tests/toolkit/commandbars/cbtest_support.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"

namespace {

using cbtest::SiteWnd;
using cbtest::TestBar;

// A button as the bars' buttons answer a click from the keyboard: it runs
// its command.
class KeyButton : public CTKControl {
 public:
  KeyButton() { SetType(TKControlType::Button); }
  void OnClick(BOOL, CPoint) override { Execute(); }
};

// A control that holds the keyboard focus while it is told so (as an edit
// does), and counts the wheel turns the bar hands it.
class WheelControl : public KeyButton {
 public:
  BOOL IsFocused() const override { return m_bFocused; }
  BOOL OnHookMouseWheel(UINT, short zDelta, CPoint) override {
    m_turns.push_back(zDelta);
    return TRUE;
  }
  BOOL m_bFocused = FALSE;
  std::vector<short> m_turns;
};

// A window that counts the wheel messages it is sent.
class WheelWnd : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_MOUSEWHEEL) ++m_nWheels;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  int m_nWheels = 0;
};

class KeyPopup;

// A popup menu of a KeyPopup: it knows the bar it opened from and closes the
// parent's open popup when it stops tracking, as popup bars do.
class KeyPopupBar : public TestBar {
 public:
  KeyPopupBar(CTKCommandBar* pParentBar, CTKControl* pControl)
      : TestBar(TKBarType::Popup, TKBarPosition::Popup), m_pParentBar(pParentBar), m_pControl(pControl) {
    ShowWindow(SW_HIDE);
  }
  CTKCommandBar* GetParentCommandBar() const override { return m_pParentBar; }
  CTKControl* GetControlPopup() const override { return m_pControl; }
  BOOL SetTrackingMode(TKTrackingMode mode, BOOL bSelectFirst = TRUE, BOOL bKeyboard = FALSE) override {
    const BOOL bChanged = CTKCommandBar::SetTrackingMode(mode, bSelectFirst, bKeyboard);
    if (bChanged && mode == TKTrackingMode::Off) {
      ShowWindow(SW_HIDE);
      if (m_pParentBar) m_pParentBar->SetPopupedControl(-1);
    }
    return bChanged;
  }

 private:
  CTKCommandBar* m_pParentBar;
  CTKControl* m_pControl;
};

// A popup control: opening shows its menu tracking from the keyboard with
// the first item selected; executing it opens it.
class KeyPopup : public CTKControl {
 public:
  KeyPopup() { SetType(TKControlType::Popup); }
  ~KeyPopup() override { delete m_pBar; }
  KeyPopupBar* Bar() {
    if (!m_pBar) m_pBar = new KeyPopupBar(GetParent(), this);
    return m_pBar;
  }
  BOOL GetPopuped() const override { return m_bOpen; }
  BOOL SetPopuped(BOOL bOpen) override {
    m_bOpen = bOpen;
    if (bOpen) {
      Bar()->ShowWindow(SW_SHOWNOACTIVATE);
      Bar()->SetTrackingMode(TKTrackingMode::Tracking, TRUE, TRUE);
      Bar()->SetSelected(Bar()->GetControls()->GetNext(-1), kTKSelectedKeyboard);
    } else if (m_pBar && m_pBar->IsTrackingMode()) {
      m_pBar->SetTrackingMode(TKTrackingMode::Off);
    }
    return TRUE;
  }
  void OnExecute() override {
    if (GetParent()) GetParent()->SetPopupedControl(GetIndex(), TRUE);
  }

 private:
  KeyPopupBar* m_pBar = nullptr;
  BOOL m_bOpen = FALSE;
};

class CommandBarKeysTest : public cbtest::CommandBarsFixture {
 protected:
  CommandBarKeysTest() {
    GetMouseManager()->SetHook(FALSE);
    GetMouseManager()->SetHook(TRUE);
    m_site.SetActiveWindow();
    m_site.SetFocus();
  }
  ~CommandBarKeysTest() override { GetMouseManager()->CloseAllTracked(); }

  // A bar with the captions as buttons (ids 100, 101 ...), owned by the site.
  TestBar* MakeBar(TKBarType type, TKBarPosition position, std::vector<const char16_t*> captions, DWORD exStyle = 0) {
    m_bars.push_back(std::make_unique<TestBar>(type, position));
    TestBar* bar = m_bars.back().get();
    if (exStyle) bar->ModifyStyleEx(0, exStyle);
    bar->SetOwner(&m_site);
    AddButtons(bar, captions, 100);
    return bar;
  }
  static void AddButtons(CTKCommandBar* bar, const std::vector<const char16_t*>& captions, int firstId) {
    for (const char16_t* caption : captions) bar->GetControls()->Add(new KeyButton(), firstId++)->SetCaption(caption);
  }
  static KeyPopup* AddPopup(CTKCommandBar* bar, const char16_t* caption) {
    auto* popup = static_cast<KeyPopup*>(bar->GetControls()->Add(new KeyPopup(), 0));
    popup->SetCaption(caption);
    return popup;
  }
  static void Track(CTKCommandBar* bar, int nSelected) {
    bar->SetTrackingMode(TKTrackingMode::Tracking, FALSE, TRUE);
    if (nSelected != -1) bar->SetSelected(nSelected, kTKSelectedKeyboard);
  }
  static void Press(UINT vk, BYTE modifiers = 0) {
    if (modifiers) pv::test::Chord(modifiers, vk);
    else pv::test::KeyPress(vk);
    pv::test::PumpUntilIdle();
  }
  // The ids of the commands the site was sent, in order; forgotten after.
  std::vector<int> TakeCommands() {
    std::vector<int> ids;
    for (const SiteWnd::Message& m : m_site.m_messages)
      if (m.message == WM_COMMAND) ids.push_back(static_cast<int>(LOWORD(m.wParam)));
    m_site.m_messages.clear();
    return ids;
  }

  pv::FakeClockScope m_clock;
  SiteWnd m_site;
  std::vector<std::unique_ptr<TestBar>> m_bars;
};

// Each arrow as the bar lies: across (tool bars, floating and popup tool
// bars), down (menus and bars at a side), and mirrored right to left.
TEST_F(CommandBarKeysTest, ArrowsHomeEndAndTabMoveTheSelectionAsTheBarLies) {
  using P = TKBarPosition;
  using T = TKBarType;
  struct Case {
    T type;
    P position;
    DWORD exStyle;
    UINT key;
    BYTE modifiers;
    int start;
    int selected;
    int value;  // the control's selected value: 2 forwards, 3 backwards
  } cases[] = {
      // Across: Left and Right step, Up and Down leave a plain button alone.
      {T::Normal, P::Top, 0, VK_RIGHT, 0, 1, 2, kTKSelectedKeyboard},
      {T::Normal, P::Top, 0, VK_LEFT, 0, 1, 0, kTKSelectedKeyboardBack},
      {T::Normal, P::Bottom, 0, VK_RIGHT, 0, 3, 0, kTKSelectedKeyboard},  // wraps
      {T::Normal, P::Top, 0, VK_LEFT, 0, 0, 3, kTKSelectedKeyboardBack},  // wraps
      {T::Normal, P::Top, 0, VK_DOWN, 0, 1, 1, kTKSelectedKeyboard},
      {T::Normal, P::Top, 0, VK_UP, 0, 1, 1, kTKSelectedKeyboard},
      {T::MenuBar, P::Top, 0, VK_RIGHT, 0, 2, 3, kTKSelectedKeyboard},
      {T::Normal, P::Popup, 0, VK_RIGHT, 0, 0, 1, kTKSelectedKeyboard},  // a popup tool bar
      // Right to left: the arrows swap.
      {T::MenuBar, P::Top, WS_EX_LAYOUTRTL, VK_LEFT, 0, 1, 2, kTKSelectedKeyboard},
      {T::MenuBar, P::Top, WS_EX_LAYOUTRTL, VK_RIGHT, 0, 1, 0, kTKSelectedKeyboardBack},
      {T::Normal, P::Floating, WS_EX_RTLREADING, VK_LEFT, 0, 3, 0, kTKSelectedKeyboard},
      // Down: Up and Down step, Left and Right leave a plain item alone.
      {T::Popup, P::Popup, 0, VK_DOWN, 0, 1, 2, kTKSelectedKeyboard},
      {T::Popup, P::Popup, 0, VK_UP, 0, 1, 0, kTKSelectedKeyboardBack},
      {T::Popup, P::Popup, 0, VK_UP, 0, 0, 3, kTKSelectedKeyboardBack},
      {T::Normal, P::Left, 0, VK_DOWN, 0, 2, 3, kTKSelectedKeyboard},
      {T::Normal, P::Right, 0, VK_UP, 0, 2, 1, kTKSelectedKeyboardBack},
      {T::Popup, P::Popup, 0, VK_LEFT, 0, 1, 1, kTKSelectedKeyboard},
      {T::Popup, P::Popup, 0, VK_RIGHT, 0, 1, 1, kTKSelectedKeyboard},
      {T::Popup, P::Popup, WS_EX_LAYOUTRTL, VK_LEFT, 0, 1, 1, kTKSelectedKeyboard},
      // Home and End, Tab and Shift+Tab, on any bar.
      {T::Normal, P::Top, 0, VK_HOME, 0, 2, 0, kTKSelectedKeyboard},
      {T::Popup, P::Popup, 0, VK_END, 0, 1, 3, kTKSelectedKeyboardBack},
      {T::Popup, P::Popup, 0, VK_TAB, 0, 1, 2, kTKSelectedKeyboard},
      {T::Normal, P::Top, 0, VK_TAB, FSHIFT, 0, 3, kTKSelectedKeyboardBack},
      {T::Normal, P::Top, 0, VK_TAB, FCONTROL, 0, 1, kTKSelectedKeyboard},
  };
  for (const Case& c : cases) {
    TestBar* bar = MakeBar(c.type, c.position, {u"One", u"Two", u"Three", u"Four"}, c.exStyle);
    Track(bar, c.start);
    Press(c.key, c.modifiers);
    const std::string what = "key " + std::to_string(c.key) + " bar " + std::to_string(static_cast<int>(c.type)) + "/" +
                             std::to_string(static_cast<int>(c.position)) + " from " + std::to_string(c.start);
    EXPECT_EQ(bar->GetSelected(), c.selected) << what;
    ASSERT_NE(bar->GetControl(c.selected), nullptr) << what;
    EXPECT_EQ(bar->GetControl(c.selected)->GetSelected(), c.value) << what;
    EXPECT_TRUE(bar->IsTrackingMode()) << what;
    EXPECT_TRUE(TakeCommands().empty()) << what;
    EXPECT_TRUE(pv::test::TakeBeeps().empty()) << what;
    bar->SetTrackingMode(TKTrackingMode::Off);
    m_bars.clear();
  }
}

// A letter selects the control whose mnemonic it is, else the one whose
// caption it begins; a unique match runs, an ambiguous one only selects (and
// the next press selects the next match). Nothing matched beeps, except
// Shift and Ctrl; Ctrl+letter looks for no mnemonic.
TEST_F(CommandBarKeysTest, AMnemonicSelectsWhenAmbiguousAndRunsWhenUnique) {
  // ids:                 100       101     102      103        104      105      106     107        108
  const std::vector<const char16_t*> captions = {u"&File", u"Format",  u"Fonts",     u"&Save",   u"&Send",
                                                 u"Print", u"Preview", u"&1 Recent", u"Save &As"};
  struct Case {
    const char* what;
    std::vector<std::pair<UINT, BYTE>> keys;
    int selected;
    std::vector<int> commands;
    std::vector<UINT> beeps;
  } cases[] = {
      {"a mnemonic wins over first letters", {{'F', 0}}, 0, {100}, {}},
      {"a mnemonic later in a caption", {{'A', 0}}, 8, {108}, {}},
      {"two mnemonics: the first is selected", {{'S', 0}}, 3, {}, {}},
      {"two mnemonics: again selects the second", {{'S', 0}, {'S', 0}}, 4, {}, {}},
      {"two mnemonics: a third time, back to the first", {{'S', 0}, {'S', 0}, {'S', 0}}, 3, {}, {}},
      {"two first letters: the first", {{'P', 0}}, 5, {}, {}},
      {"two first letters: then the second", {{'P', 0}, {'P', 0}}, 6, {}, {}},
      {"a digit of the numeric pad", {{VK_NUMPAD1, 0}}, 7, {107}, {}},
      {"the digit key", {{'1', 0}}, 7, {107}, {}},
      {"nothing matches", {{'Q', 0}}, -1, {}, {0}},
      {"Ctrl+letter looks for no mnemonic", {{'F', FCONTROL}}, -1, {}, {0}},
      {"Shift and Ctrl alone", {{VK_SHIFT, 0}, {VK_CONTROL, 0}}, -1, {}, {}},
      {"a key that types nothing", {{VK_F5, 0}}, -1, {}, {}},
  };
  for (const Case& c : cases) {
    TestBar* bar = MakeBar(TKBarType::Popup, TKBarPosition::Popup, captions);
    Track(bar, -1);
    for (const auto& [key, modifiers] : c.keys) Press(key, modifiers);
    EXPECT_EQ(TakeCommands(), c.commands) << c.what;
    EXPECT_EQ(pv::test::TakeBeeps(), c.beeps) << c.what;
    if (c.commands.empty()) {
      EXPECT_EQ(bar->GetSelected(), c.selected) << c.what;
      EXPECT_TRUE(bar->IsTrackingMode()) << c.what;
    } else {
      // Running a command closes the menus.
      EXPECT_FALSE(bar->IsTrackingMode()) << c.what;
    }
    bar->SetTrackingMode(TKTrackingMode::Off);
    m_bars.clear();
  }

  // A disabled control's mnemonic is passed over: the next one matches.
  TestBar* bar = MakeBar(TKBarType::Popup, TKBarPosition::Popup, {u"&Cut", u"&Copy"});
  bar->GetControl(0)->SetEnabled(FALSE);
  Track(bar, -1);
  Press('C');
  EXPECT_EQ(TakeCommands(), std::vector<int>{101});
}

// Menus opened from a menu bar: Down opens, Right opens a sub-menu, Escape
// and Left close only the innermost menu, Escape on the menu bar ends it;
// Enter runs the selected item.
TEST_F(CommandBarKeysTest, EscapeAndLeftCloseOneMenuLevel) {
  TestBar* menuBar = MakeBar(TKBarType::MenuBar, TKBarPosition::Top, {});
  KeyPopup* file = AddPopup(menuBar, u"&File");
  AddPopup(menuBar, u"&Edit");
  CTKCommandBar* fileMenu = file->Bar();
  AddButtons(fileMenu, {u"&New"}, 200);
  KeyPopup* recent = AddPopup(fileMenu, u"&Recent");
  AddButtons(fileMenu, {u"E&xit"}, 202);
  CTKCommandBar* recentMenu = recent->Bar();
  AddButtons(recentMenu, {u"&1 first", u"&2 second"}, 300);

  Track(menuBar, 0);
  Press(VK_DOWN);
  ASSERT_EQ(menuBar->GetPopupedIndex(), 0);
  ASSERT_TRUE(fileMenu->IsTrackingMode());
  EXPECT_EQ(fileMenu->GetSelected(), 0);
  Press(VK_DOWN);
  Press(VK_RIGHT);
  ASSERT_TRUE(recentMenu->IsTrackingMode());
  EXPECT_EQ(fileMenu->GetPopupedIndex(), 1);

  struct Step {
    UINT key;
    bool fileOpen, recentOpen, menuBarTracking;
    int fileSelected;
  } steps[] = {
      {VK_ESCAPE, true, false, true, 1},  // only the sub-menu closes
      {VK_RIGHT, true, true, true, 1},    // and opens again
      {VK_LEFT, true, false, true, 1},    // Left closes it too
      {VK_ESCAPE, false, false, true, -1}, {VK_ESCAPE, false, false, false, -1},
  };
  for (const Step& s : steps) {
    Press(s.key);
    EXPECT_EQ(fileMenu->IsTrackingMode(), s.fileOpen) << s.key;
    EXPECT_EQ(file->GetPopuped(), s.fileOpen) << s.key;
    EXPECT_EQ(recentMenu->IsTrackingMode(), s.recentOpen) << s.key;
    EXPECT_EQ(recent->GetPopuped(), s.recentOpen) << s.key;
    EXPECT_EQ(menuBar->IsTrackingMode(), s.menuBarTracking) << s.key;
    if (s.fileOpen) EXPECT_EQ(fileMenu->GetSelected(), s.fileSelected) << s.key;
  }
  EXPECT_TRUE(::IsWindowVisible(menuBar->GetSafeHwnd()));
  EXPECT_FALSE(::IsWindowVisible(fileMenu->GetSafeHwnd()));

  // The menu bar tracks again: with the menu open, the menu's mnemonic opens
  // the sub-menu, Down and Enter run its second item and close everything.
  Track(menuBar, 0);
  Press(VK_DOWN);
  Press('R');
  ASSERT_TRUE(recentMenu->IsTrackingMode());
  Press(VK_DOWN);
  Press(VK_RETURN);
  EXPECT_EQ(TakeCommands(), std::vector<int>{301});
  EXPECT_FALSE(menuBar->IsTrackingMode());
  EXPECT_FALSE(fileMenu->IsTrackingMode());
  EXPECT_FALSE(recentMenu->IsTrackingMode());
  EXPECT_EQ(GetKeyboardManager()->GetClientCount(), 0);
  EXPECT_TRUE(pv::test::TakeBeeps().empty());
}

// In a grid bar the vertical arrows go to the row above or below: to the
// last control starting at or before the selection's left edge, else the
// row's first; round from the last row to the first and back.
TEST_F(CommandBarKeysTest, VerticalArrowsWalkTheRowsOfAGridBar) {
  // Rows of the laid-out bar (as its layout leaves them):
  //   row 0: [0: 0-30] [1: 30-60] [2: 60-90]
  //   row 1: [3: 0-45] [4: 45-90]
  //   row 2: [5: 20-90]
  struct Placed {
    int left, right, row;
  } const layout[] = {{0, 30, 0}, {30, 60, 0}, {60, 90, 0}, {0, 45, 1}, {45, 90, 1}, {20, 90, 2}};
  struct Case {
    TKBarType type;
    TKBarPosition position;
    int start;
    UINT key;
    int selected;
  } cases[] = {
      {TKBarType::Normal, TKBarPosition::Floating, 1, VK_DOWN, 3},
      {TKBarType::Normal, TKBarPosition::Floating, 2, VK_DOWN, 4},
      {TKBarType::Normal, TKBarPosition::Floating, 3, VK_DOWN, 5},  // none at or before: the row's first
      {TKBarType::Normal, TKBarPosition::Floating, 5, VK_DOWN, 0},  // round to the first row
      {TKBarType::Normal, TKBarPosition::Floating, 4, VK_UP, 1},
      {TKBarType::Normal, TKBarPosition::Floating, 5, VK_UP, 3},
      {TKBarType::Normal, TKBarPosition::Floating, 0, VK_UP, 5},  // round to the last row
      {TKBarType::Normal, TKBarPosition::Floating, -1, VK_DOWN, 0},
      {TKBarType::Normal, TKBarPosition::Floating, -1, VK_UP, 5},
      {TKBarType::Normal, TKBarPosition::Popup, 2, VK_DOWN, 4},  // a popup tool bar
      {TKBarType::Normal, TKBarPosition::Popup, 4, VK_UP, 1},
      {TKBarType::Normal, TKBarPosition::Top, 1, VK_DOWN, 1},  // a docked tool bar has no rows to walk
  };
  for (const Case& c : cases) {
    TestBar* bar = MakeBar(c.type, c.position, {u"a", u"b", u"c", u"d", u"e", u"f"});
    for (int i = 0; i < 6; ++i) {
      const Placed& p = layout[i];
      bar->GetControl(i)->SetRect(CRect(p.left, p.row * 22, p.right, p.row * 22 + 22));
      bar->GetControl(i)->SetRowRect(CRect(0, p.row * 22, 90, p.row * 22 + 22));
    }
    Track(bar, c.start);
    Press(c.key);
    EXPECT_EQ(bar->GetSelected(), c.selected)
        << "from " << c.start << " key " << c.key << " position " << static_cast<int>(c.position);
    // Moving up marks the control as reached backwards; from no selection
    // the first control in the direction is simply selected.
    EXPECT_EQ(bar->GetControl(c.selected)->GetSelected(),
              c.key == VK_DOWN || c.start == -1 ? kTKSelectedKeyboard : kTKSelectedKeyboardBack);
    bar->SetTrackingMode(TKTrackingMode::Off);
    m_bars.clear();
  }

  // One row: the walk comes back to the start and selects nothing new.
  TestBar* bar = MakeBar(TKBarType::Normal, TKBarPosition::Floating, {u"a", u"b"});
  for (int i = 0; i < 2; ++i) {
    bar->GetControl(i)->SetRect(CRect(i * 30, 0, i * 30 + 30, 22));
    bar->GetControl(i)->SetRowRect(CRect(0, 0, 60, 22));
  }
  Track(bar, 1);
  Press(VK_DOWN);
  EXPECT_EQ(bar->GetSelected(), 1);
}

// What the site and the bar's own state make of keys: the site hears each
// key first and may even release the bar; a locked bar swallows keys; an
// edit of the bar that has the focus keeps its arrows; Space opens the
// frame's system menu from a menu bar.
TEST_F(CommandBarKeysTest, TheSiteHearsKeysFirstAndLockedOrCustomisingBarsLeaveThem) {
  TestBar* bar = MakeBar(TKBarType::MenuBar, TKBarPosition::Top, {u"One", u"Two"});
  Track(bar, 0);
  Press(VK_RIGHT);
  ASSERT_EQ(m_site.Count(TK_CBM_TRACKINGKEY), 1);
  for (const SiteWnd::Message& m : m_site.m_messages) {
    if (m.message != TK_CBM_TRACKINGKEY) continue;
    EXPECT_EQ(reinterpret_cast<CTKCommandBar*>(m.lParam), bar);
    EXPECT_NE(m.wParam, 0u);
  }
  EXPECT_EQ(bar->GetSelected(), 1);

  // Locked open (a modal loop of the bar runs): the key goes nowhere.
  GetMouseManager()->LockTrackedBars(TRUE);
  Press(VK_LEFT);
  EXPECT_EQ(bar->GetSelected(), 1);
  GetMouseManager()->LockTrackedBars(FALSE);

  // Space: the menu bar closes and asks the site for its system menu.
  m_site.m_messages.clear();
  Press(VK_SPACE);
  EXPECT_FALSE(bar->IsTrackingMode());
  bool systemMenu = false;
  for (const SiteWnd::Message& m : m_site.m_messages)
    systemMenu |= m.message == WM_SYSCOMMAND && m.wParam == SC_KEYMENU && m.lParam == ' ';
  EXPECT_TRUE(systemMenu);

  // An edit inside the bar with the focus keeps its arrows.
  TestBar* tools = MakeBar(TKBarType::Normal, TKBarPosition::Top, {u"One", u"Two"});
  CWnd edit;
  edit.CreateEx(0, AfxRegisterWndClass(0), u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), tools, 7);
  Track(tools, 0);
  edit.SetFocus();
  Press(VK_RIGHT);
  EXPECT_EQ(tools->GetSelected(), 0);
  tools->SetTrackingMode(TKTrackingMode::Off);
  edit.DestroyWindow();

  // A site that releases the bar while it hears the key: the bar goes and
  // nothing touches it afterwards.
  auto* owned = new TestBar(TKBarType::Popup, TKBarPosition::Popup);
  owned->SetOwner(&m_site);
  AddButtons(owned, {u"One", u"Two"}, 100);
  Track(owned, 0);
  m_site.m_handlers[TK_CBM_TRACKINGKEY] = [](WPARAM, LPARAM lParam) -> LRESULT {
    auto* pBar = reinterpret_cast<CTKCommandBar*>(lParam);
    pBar->SetTrackingMode(TKTrackingMode::Off);
    pBar->InternalRelease();
    return 0;
  };
  Press(VK_DOWN);
  EXPECT_EQ(GetMouseManager()->GetTrackedCount(), 0);
  m_site.m_handlers.clear();
  EXPECT_TRUE(TakeCommands().empty());
}

// A wheel turn while the bar tracks: the selected control takes it when it
// has the focus, an edit of the bar with the focus gets it as usual, and
// otherwise it is swallowed, so nothing beneath the menu scrolls.
TEST_F(CommandBarKeysTest, AWheelTurnGoesToTheFocusedControlOrNowhere) {
  pv::test::SetScreen(1024, 768, 40);
  TestBar* bar = MakeBar(TKBarType::Normal, TKBarPosition::Top, {u"One"});
  auto* wheel = static_cast<WheelControl*>(bar->GetControls()->Add(new WheelControl(), 200));
  WheelWnd edit;
  edit.CreateEx(0, AfxRegisterWndClass(0), u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), bar, 7);
  Track(bar, 1);
  const CPoint over = pv::test::ClientPoint(bar->GetSafeHwnd(), 100, 50);
  auto turn = [&] {
    pv::test::Wheel(120, over.x, over.y);
    pv::test::PumpUntilIdle();
  };

  wheel->m_bFocused = TRUE;
  turn();
  EXPECT_EQ(wheel->m_turns, std::vector<short>{120});

  wheel->m_bFocused = FALSE;
  edit.SetFocus();
  turn();
  EXPECT_EQ(edit.m_nWheels, 1);

  m_site.SetFocus();
  const int siteWheels = m_site.Count(WM_MOUSEWHEEL);
  turn();
  EXPECT_EQ(m_site.Count(WM_MOUSEWHEEL), siteWheels);
  EXPECT_EQ(edit.m_nWheels, 1);
  EXPECT_EQ(wheel->m_turns.size(), 1u);

  // Out of tracking the bar leaves the wheel alone.
  bar->SetTrackingMode(TKTrackingMode::Off);
  turn();
  EXPECT_EQ(m_site.Count(WM_MOUSEWHEEL), siteWheels + 1);
  edit.DestroyWindow();
}

}  // namespace
