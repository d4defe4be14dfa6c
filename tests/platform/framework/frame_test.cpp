// Frames and the windows they own: floating windows follow the frame's
// activation and enabled state, and may keep its caption active; idle
// updates of every frame; key indicators; the modal state; MDI keys; mini
// frames and their styles.
#include <memory>
#include <vector>

#include "fw_fixture.h"

namespace {

using FrameTest = fwtest::FrameworkTest;

constexpr DWORD kSyncActive = 0x0100;  // the floating window's "keep my frame active" style bit

std::vector<WPARAM>& FloatStatus() {
  static std::vector<WPARAM> v;
  return v;
}

LRESULT FloaterProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_FLOATSTATUS) {
    if (wp & FS_SYNCACTIVE) return (static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)) & kSyncActive) ? 1 : 0;
    FloatStatus().push_back(wp);
    return 0;
  }
  return ::DefWindowProc(h, msg, wp, lp);
}

TEST_F(FrameTest, FloatingWindowsFollowTheFrameAndMayKeepItsCaptionActive) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FloaterProc;
  wc.lpszClassName = u"TestFloater";
  WNDCLASSW known{};
  ASSERT_TRUE(::GetClassInfo(nullptr, wc.lpszClassName, &known) || ::RegisterClass(&wc));
  auto* frame = new CFrameWnd;  // deletes itself when destroyed
  ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  HWND floater = ::CreateWindowEx(WS_EX_TOOLWINDOW, u"TestFloater", u"bar", WS_POPUP | WS_CAPTION | kSyncActive, 500, 0,
                                  100, 50, frame->m_hWnd, nullptr, nullptr, nullptr);
  HWND other = ::CreateWindowEx(0, u"TestFloater", u"other", WS_OVERLAPPEDWINDOW, 0, 400, 100, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(floater && other);
  ::ShowWindow(floater, SW_SHOWNA);
  ::ShowWindow(other, SW_SHOWNA);
  auto caption = [&] {
    pv::test::PumpUntilIdle();
    return pv::test::WindowPixelNc(frame->m_hWnd, 6, 6);
  };

  ::SetActiveWindow(frame->m_hWnd);
  COLORREF active = caption();
  FloatStatus().clear();

  struct Step {
    const char* name;
    HWND activate;  // null: another program takes over
    WPARAM told;
    bool captionActive;
  } steps[] = {
      {"the floating window itself: the frame stays active", floater, FS_ACTIVATE, true},
      {"back to the frame", frame->m_hWnd, FS_ACTIVATE, true},
      {"an unrelated window: floating windows are told to go", other, FS_DEACTIVATE, false},
      {"the frame again", frame->m_hWnd, FS_ACTIVATE, true},
      {"the floating window once more", floater, FS_ACTIVATE, true},
      {"another program while the floating window is active", nullptr, FS_DEACTIVATE, false},
  };
  for (const Step& s : steps) {
    FloatStatus().clear();
    if (s.activate) {
      ::SetActiveWindow(s.activate);
    } else {
      pv::test::AppDeactivate();
      pv::test::PumpUntilIdle();
    }
    EXPECT_EQ(FloatStatus(), std::vector<WPARAM>{s.told}) << s.name;
    EXPECT_EQ(caption() == active, s.captionActive) << s.name;
  }
  ::SetActiveWindow(frame->m_hWnd);

  FloatStatus().clear();
  frame->EnableWindow(FALSE);
  frame->EnableWindow(TRUE);
  EXPECT_EQ(FloatStatus(), (std::vector<WPARAM>{FS_DISABLE, FS_ENABLE}));

  ::DestroyWindow(other);
  frame->DestroyWindow();
}

// ---- idle updates ----
class CIdleFrame : public CFrameWnd {
 public:
  int idles = 0;
  CWnd* victim = nullptr;  // destroyed by this frame's idle update
 protected:
  LRESULT OnIdle(WPARAM wp, LPARAM lp) {
    ++idles;
    if (victim) {
      victim->DestroyWindow();
      victim = nullptr;
    }
    return CFrameWnd::OnIdleUpdateCmdUI(wp, lp);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CIdleFrame, CFrameWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdle)
END_MESSAGE_MAP()

class CIdleMini : public CMiniFrameWnd {
 public:
  int idles = 0;

 protected:
  LRESULT OnIdle(WPARAM wp, LPARAM lp) {
    ++idles;
    return CFrameWnd::OnIdleUpdateCmdUI(wp, lp);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CIdleMini, CMiniFrameWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdle)
END_MESSAGE_MAP()

class CUpdatedBar : public CControlBar {
 public:
  std::vector<CFrameWnd*> targets;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL) override { targets.push_back(target); }
};

TEST_F(FrameTest, IdleUpdatesReachEveryVisibleFrameOfTheThreadOnce) {
  CWinApp app(u"Idle");
  auto* main = new CIdleFrame;
  ASSERT_TRUE(main->Create(nullptr, u"Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  app.m_pMainWnd = main;
  auto* inner = new CIdleFrame;  // a document frame inside the main window
  ASSERT_TRUE(inner->Create(nullptr, u"Inner", WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), main));
  auto* floating = new CIdleMini;
  ASSERT_TRUE(
      floating->Create(nullptr, u"Floating", WS_POPUP | WS_CAPTION | WS_VISIBLE, CRect(500, 0, 600, 100), main));
  auto* hidden = new CIdleMini;
  ASSERT_TRUE(hidden->Create(nullptr, u"Hidden", WS_POPUP | WS_CAPTION, CRect(500, 200, 600, 300), main));
  auto* other = new CIdleFrame;  // a second top-level frame of the program
  ASSERT_TRUE(other->Create(nullptr, u"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 400, 300, 600)));
  auto* doomed = new CIdleMini;  // destroyed by another frame's idle update before its turn
  ASSERT_TRUE(doomed->Create(nullptr, u"Doomed", WS_POPUP | WS_CAPTION | WS_VISIBLE, CRect(700, 0, 800, 100), main));
  other->victim = doomed;
  CUpdatedBar bar;
  bar.m_dwStyle = CBRS_BOTTOM;
  ASSERT_TRUE(bar.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), floating, AFX_IDW_STATUS_BAR));
  floating->DelayRecalcLayout();

  app.OnIdle(0);
  EXPECT_EQ(main->idles, 1);
  EXPECT_EQ(inner->idles, 1);
  EXPECT_EQ(floating->idles, 1);
  EXPECT_EQ(hidden->idles, 0);
  EXPECT_EQ(other->idles, 1);
  EXPECT_EQ(bar.targets, std::vector<CFrameWnd*>{floating});
  EXPECT_EQ(floating->m_nIdleFlags, 0u);  // its delayed layout ran

  bar.DestroyWindow();
  other->DestroyWindow();
  main->DestroyWindow();
  app.m_pMainWnd = nullptr;
}

// ---- key indicators ----
TEST_F(FrameTest, KeyIndicatorsAreEnabledWhileTheirKeysToggleIsOn) {
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  ::SetActiveWindow(frame->m_hWnd);
  auto enabled = [&](UINT id) {
    CTestCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(frame, TRUE);
    return ui.m_bEnabled != FALSE;
  };
  struct Case {
    UINT id;
    UINT vk;
  } cases[] = {{ID_INDICATOR_CAPS, VK_CAPITAL},
               {ID_INDICATOR_NUM, VK_NUMLOCK},
               {ID_INDICATOR_SCRL, VK_SCROLL},
               {ID_INDICATOR_KANA, VK_KANA}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    bool initially = (::GetKeyState(static_cast<int>(c.vk)) & 1) != 0;
    EXPECT_EQ(enabled(c.id), initially);
    pv::test::KeyPress(c.vk);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(enabled(c.id), !initially);
    pv::test::KeyPress(c.vk);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(enabled(c.id), initially);
  }
  // Indicators without a key of their own have no handler here.
  EXPECT_FALSE(enabled(ID_INDICATOR_EXT));
  frame->DestroyWindow();
}

// ---- modal state ----
class CRefusingMini : public CMiniFrameWnd {
 protected:
  LRESULT OnDisableModal(WPARAM, LPARAM) { return 1; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRefusingMini, CMiniFrameWnd)
ON_MESSAGE(WM_DISABLEMODAL, OnDisableModal)
END_MESSAGE_MAP()

TEST_F(FrameTest, AModalWindowDisablesTheFramesOtherTopLevelWindowsUntilItEnds) {
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  auto mini = [&](CMiniFrameWnd* w, CWnd* owner, int x) {
    EXPECT_TRUE(w->Create(nullptr, u"mini", WS_POPUP | WS_CAPTION | WS_VISIBLE, CRect(x, 0, x + 80, 60), owner));
    return w->m_hWnd;
  };
  HWND floating = mini(new CMiniFrameWnd, frame, 500);
  HWND nested = mini(new CMiniFrameWnd, CWnd::FromHandle(floating), 600);  // owned through the floating frame
  HWND refusing = mini(new CRefusingMini, frame, 700);
  HWND kept = mini(new CMiniFrameWnd, frame, 800);  // already disabled by the program
  ::EnableWindow(kept, FALSE);
  HWND foreign = ::CreateWindowEx(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 900, 0, 50, 50, frame->m_hWnd, nullptr,
                                  nullptr, nullptr);  // no window object of ours
  auto* unrelated = new CFrameWnd;
  ASSERT_TRUE(unrelated->Create(nullptr, u"Unrelated", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 400, 300, 600)));
  struct Expect {
    HWND h;
    bool duringModal;
    bool after;
  } expect[] = {{floating, false, true}, {nested, false, true}, {refusing, true, true},
                {kept, false, false},    {foreign, true, true}, {unrelated->m_hWnd, true, true}};
  auto check = [&](bool modal, const char* when) {
    for (const Expect& e : expect)
      EXPECT_EQ(::IsWindowEnabled(e.h) != FALSE, modal ? e.duringModal : e.after) << when << " " << (&e - expect);
  };

  // Disabled by a modal window (what a dialog or message box on the frame does).
  frame->EnableWindow(FALSE);
  EXPECT_TRUE(frame->InModalState());
  check(true, "frame disabled");
  frame->EnableWindow(TRUE);
  EXPECT_FALSE(frame->InModalState());
  check(false, "frame enabled");

  // Nested states end with the outermost.
  frame->BeginModalState();
  frame->BeginModalState();
  frame->EndModalState();
  check(true, "inner state ended");
  frame->EndModalState();
  check(false, "outer state ended");

  // A real modal dialog owned by the frame.
  pv::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  t.cx = 100;
  t.cy = 40;
  struct Probe : CDialog {
    HWND watched = nullptr;
    int enabledWhileUp = -1;
    BOOL OnInitDialog() override {
      enabledWhileUp = ::IsWindowEnabled(watched) ? 1 : 0;
      return CDialog::OnInitDialog();
    }
  } dlg;
  dlg.watched = floating;
  dlg.InitModalIndirect(t, frame);
  dlg.DoModal();
  EXPECT_EQ(dlg.enabledWhileUp, 0);
  check(false, "dialog ended");

  unrelated->DestroyWindow();
  ::DestroyWindow(foreign);
  frame->DestroyWindow();
}

// ---- MDI keys ----
TEST_F(FrameTest, MdiKeysCloseAndCycleTheChildren) {
  auto* frame = new CMDIFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, u"MDI", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 600, 400)));
  ASSERT_NE(frame->m_hWndMDIClient, nullptr);
  std::vector<HWND> children;
  for (const char16_t* name : {u"A", u"B", u"C"}) {
    auto* child = new CMDIChildWnd;
    ASSERT_TRUE(
        child->Create(nullptr, name, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, frame));
    children.push_back(child->m_hWnd);
  }
  ::SetActiveWindow(frame->m_hWnd);
  auto active = [&] {
    CMDIChildWnd* c = frame->MDIGetActive();
    return c ? c->m_hWnd : nullptr;
  };
  auto press = [&](BYTE mods, UINT vk) {
    ::SetFocus(active());
    pv::test::Chord(mods, vk);
    fwtest::Pump();
  };
  HWND start = active();
  ASSERT_NE(start, nullptr);

  press(FCONTROL, VK_F6);
  HWND next = active();
  EXPECT_NE(next, start);
  press(FCONTROL | FSHIFT, VK_F6);
  EXPECT_EQ(active(), start);
  press(FCONTROL, VK_TAB);
  EXPECT_EQ(active(), next);
  press(FCONTROL | FSHIFT, VK_TAB);
  EXPECT_EQ(active(), start);
  // Not without Ctrl, and not while a modal window has the frame disabled.
  press(0, VK_F6);
  EXPECT_EQ(active(), start);
  frame->EnableWindow(FALSE);
  press(FCONTROL, VK_F6);
  EXPECT_EQ(active(), start);
  press(FCONTROL, VK_F4);
  EXPECT_TRUE(::IsWindow(start));
  frame->EnableWindow(TRUE);

  press(FCONTROL, VK_F4);
  EXPECT_FALSE(::IsWindow(start));
  EXPECT_NE(active(), nullptr);
  frame->DestroyWindow();
}

// ---- mini frames ----
class CMenuMini : public CMiniFrameWnd {
 public:
  int systemMenus = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITMENUPOPUP && HIWORD(lParam)) ++systemMenus;
    return CMiniFrameWnd::WindowProc(message, wParam, lParam);
  }
};

TEST_F(FrameTest, MiniFrameStylesAndTheSystemMenu) {
  auto* owner = new CFrameWnd;
  ASSERT_TRUE(owner->Create(nullptr, u"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  const DWORD base = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  struct Case {
    const char* name;
    DWORD style;
    bool menus;  // the three ways open the system menu
  } cases[] = {
      {"system menu", base | WS_SYSMENU, true},
      {"blocked system menu", base | WS_SYSMENU | MFS_BLOCKSYSMENU, false},
      {"no system menu", base, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* mini = new CMenuMini;
    ASSERT_TRUE(mini->Create(nullptr, u"mini", c.style, CRect(500, 0, 600, 100), owner));
    EXPECT_FALSE(mini->GetStyle() & WS_MAXIMIZEBOX);  // the block is not a window style
    ::SetActiveWindow(mini->m_hWnd);
    CRect r;
    mini->GetWindowRect(&r);
    mini->SendMessage(WM_SYSCOMMAND, SC_KEYMENU, u' ');  // Alt+Space
    pv::test::PumpUntilIdle();
    mini->SendMessage(WM_POPUPSYSTEMMENU, 0, MAKELPARAM(r.left + 20, r.top + 20));
    pv::test::PumpUntilIdle();
    mini->SendMessage(WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(r.left + 4, r.top + 4));  // the icon
    pv::test::PumpUntilIdle();
    EXPECT_EQ(mini->systemMenus, c.menus ? 3 : 0);
    mini->DestroyWindow();
  }

  // Sizing: frame styles become a sizing frame, and the minimum is small.
  auto* sizable = new CMiniFrameWnd;
  ASSERT_TRUE(sizable->Create(nullptr, u"s", base | MFS_THICKFRAME, CRect(500, 0, 600, 100), owner));
  EXPECT_TRUE(sizable->GetStyle() & WS_THICKFRAME);
  sizable->MoveWindow(500, 0, 2, 2);
  CRect r;
  sizable->GetWindowRect(&r);
  EXPECT_EQ(r.Width(), 2 * ::GetSystemMetrics(SM_CXFRAME) + 2 * ::GetSystemMetrics(SM_CXSMSIZE));
  EXPECT_EQ(r.Height(), 2 * ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYSMCAPTION));
  EXPECT_LT(r.Width(), ::GetSystemMetrics(SM_CXMINTRACK));
  sizable->DestroyWindow();
  owner->DestroyWindow();
}

TEST_F(FrameTest, ASynchronisedMiniFrameCaptionFollowsItsOwner) {
  auto* owner = new CFrameWnd;
  ASSERT_TRUE(owner->Create(nullptr, u"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  auto* synced = new CMiniFrameWnd;
  ASSERT_TRUE(synced->Create(nullptr, u"synced", style | MFS_SYNCACTIVE, CRect(500, 0, 600, 100), owner));
  auto* plain = new CMiniFrameWnd;
  ASSERT_TRUE(plain->Create(nullptr, u"plain", style, CRect(500, 200, 600, 300), owner));
  HWND other = ::CreateWindowEx(0, u"Static", u"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 400, 100, 50, nullptr,
                                nullptr, nullptr, nullptr);
  EXPECT_EQ(synced->SendMessage(WM_FLOATSTATUS, FS_SYNCACTIVE), 1);
  EXPECT_EQ(plain->SendMessage(WM_FLOATSTATUS, FS_SYNCACTIVE), 0);

  auto caption = [](CWnd* w) {
    pv::test::PumpUntilIdle();
    return pv::test::WindowPixelNc(w->m_hWnd, 6, 6);
  };
  ::SetActiveWindow(plain->m_hWnd);
  COLORREF active = caption(plain);
  COLORREF ownerInactive = caption(owner);
  ::SetActiveWindow(owner->m_hWnd);
  COLORREF inactive = caption(plain);
  COLORREF ownerActive = caption(owner);
  ASSERT_NE(active, inactive);
  ASSERT_NE(ownerActive, ownerInactive);

  struct Step {
    const char* name;
    HWND activate;  // null: another program takes over
    bool syncedActive, ownerActive;
  } steps[] = {
      {"the owner", owner->m_hWnd, true, true},
      {"the synchronised frame itself", synced->m_hWnd, true, true},
      {"an unrelated window", other, false, false},
      {"the synchronised frame from outside", synced->m_hWnd, true, true},
      {"the plain frame: it does not keep the owner active", plain->m_hWnd, false, false},
      {"the owner again", owner->m_hWnd, true, true},
      {"another program", nullptr, false, false},
  };
  for (const Step& s : steps) {
    if (s.activate) {
      ::SetActiveWindow(s.activate);
    } else {
      pv::test::AppDeactivate();
    }
    EXPECT_EQ(caption(synced) == active, s.syncedActive) << s.name;
    EXPECT_EQ(caption(owner) == ownerActive, s.ownerActive) << s.name;
    // A repaint keeps the owner's state, not the window's own.
    synced->SendMessage(WM_NCPAINT, 1);
    EXPECT_EQ(caption(synced) == active, s.syncedActive) << s.name << " (repainted)";
  }
  ::DestroyWindow(other);
  owner->DestroyWindow();
}

}  // namespace
