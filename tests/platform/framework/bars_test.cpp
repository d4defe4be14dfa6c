// Control bars: the inside rectangle, border styles, delayed show and hide,
// layout on the frame's sides, idle updates of a hidden frame's bars, the
// messages of their child controls, and the non-client borders.
#include <string>
#include <vector>

#include "fw_fixture.h"

namespace {

using BarsTest = fwtest::FrameworkTest;

constexpr UINT kBarId = AFX_IDW_STATUS_BAR;
constexpr int kButtonOwnerSees = 301, kButtonBarTakes = 302;

class CProbeBar : public CControlBar {
 public:
  int height = 20, width = 30;
  std::vector<DWORD> modes;                      // CalcDynamicLayout's
  std::vector<std::pair<DWORD, DWORD>> changes;  // OnBarStyleChange's
  std::vector<CFrameWnd*> updates;               // OnUpdateCmdUI's targets
  int taken = 0;                                 // clicks the bar handled itself
  bool ncBorders = false;                        // client inside CalcInsideRect

  CSize CalcFixedLayout(BOOL, BOOL bHorz) override { return bHorz ? CSize(32767, height) : CSize(width, 32767); }
  CSize CalcDynamicLayout(int nLength, DWORD dwMode) override {
    modes.push_back(dwMode);
    return CControlBar::CalcDynamicLayout(nLength, dwMode);
  }
  void OnBarStyleChange(DWORD o, DWORD n) override { changes.emplace_back(o, n); }
  void OnUpdateCmdUI(CFrameWnd* target, BOOL) override { updates.push_back(target); }
  BOOL Make(CWnd* parent, DWORD barStyle, DWORD wndStyle = WS_VISIBLE) {
    m_dwStyle = barStyle;
    return Create(nullptr, u"", WS_CHILD | wndStyle, CRect(0, 0, 10, 10), parent, kBarId);
  }

 protected:
  void OnTaken() { ++taken; }
  LRESULT OnNcCalcSize(WPARAM, LPARAM lParam) {
    if (!ncBorders) return Default();
    auto* r = reinterpret_cast<RECT*>(lParam);
    CRect inside(*r);
    // Only the border lines: the spaces inside them stay client area.
    CRect lines(inside);
    CalcInsideRect(lines, TRUE);
    CRect spaces(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder);
    *r = CRect(lines.left - spaces.left, lines.top - spaces.top, lines.right + spaces.right,
               lines.bottom + spaces.bottom);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CProbeBar, CControlBar)
ON_BN_CLICKED(kButtonBarTakes, OnTaken)
ON_MESSAGE(WM_NCCALCSIZE, OnNcCalcSize)
END_MESSAGE_MAP()

// A frame that records what reaches it from the bars' children.
class CProbeFrame : public CFrameWnd {
 public:
  std::vector<std::pair<UINT, WPARAM>> seen;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_DRAWITEM) seen.emplace_back(message, wParam);
    if (message == WM_DRAWITEM) return TRUE;
    return CFrameWnd::WindowProc(message, wParam, lParam);
  }
};

CProbeFrame* MakeFrame(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
  auto* frame = new CProbeFrame;  // deletes itself when destroyed
  if (!frame->Create(nullptr, u"Frame", style, CRect(0, 0, 400, 300))) return nullptr;
  return frame;
}

// The frame's inside, where its view would go.
HWND MakePane(CWnd* frame) {
  return ::CreateWindowEx(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, frame->m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
}

CRect RectIn(CWnd* frame, HWND h) {
  CRect r;
  ::GetWindowRect(h, &r);
  frame->ScreenToClient(&r);
  return r;
}

TEST_F(BarsTest, InsideRectLosesTheBorderLinesTheBorderSpacesAndTheGripper) {
  const int bx = 2 * ::GetSystemMetrics(SM_CXBORDER), by = 2 * ::GetSystemMetrics(SM_CYBORDER);
  struct Case {
    const char* name;
    DWORD style;
    BOOL horz;
    CRect borders;  // left, top, right, bottom spaces
    CRect expect;   // from (0, 0, 100, 30)
  } cases[] = {
      {"default spaces", 0, TRUE, CRect(6, 1, 6, 1), CRect(6, 1, 94, 29)},
      {"status bar: lines above and below, 2 on top", CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM, TRUE, CRect(0, 2, 0, 0),
       CRect(0, by + 2, 100, 30 - by)},
      {"all four lines, no spaces", CBRS_BORDER_ANY, TRUE, CRect(0, 0, 0, 0), CRect(bx, by, 100 - bx, 30 - by)},
      {"gripper of a docked bar", CBRS_GRIPPER, TRUE, CRect(6, 1, 6, 1), CRect(13, 1, 94, 29)},
      {"no gripper while floating", CBRS_GRIPPER | CBRS_FLOATING, TRUE, CRect(6, 1, 6, 1), CRect(6, 1, 94, 29)},
      {"upright: the spaces turn with the bar", CBRS_GRIPPER, FALSE, CRect(6, 1, 4, 3), CRect(1, 13, 97, 26)},
  };
  for (const Case& c : cases) {
    CProbeBar bar;
    bar.m_dwStyle = c.style;
    bar.SetBorders(&c.borders);
    EXPECT_EQ(bar.GetBorders(), c.borders) << c.name;
    CRect r(0, 0, 100, 30);
    bar.CalcInsideRect(r, c.horz);
    EXPECT_EQ(r, c.expect) << c.name;
  }
}

TEST_F(BarsTest, StyleChangesReachTheBarAndCreationGivesASideBarItsLine) {
  CProbeBar bar;
  bar.SetBarStyle(CBRS_TOP);
  bar.SetBarStyle(CBRS_TOP);  // unchanged: not told
  bar.SetBarStyle(CBRS_BOTTOM);
  EXPECT_EQ(bar.changes, (std::vector<std::pair<DWORD, DWORD>>{{0, CBRS_TOP}, {CBRS_TOP, CBRS_BOTTOM}}));

  CProbeFrame* frame = MakeFrame();
  ASSERT_NE(frame, nullptr);
  struct Case {
    DWORD style, expect;
  } cases[] = {
      {CBRS_TOP, CBRS_ALIGN_TOP | CBRS_BORDER_TOP | CBRS_BORDER_3D},
      {CBRS_BOTTOM, CBRS_ALIGN_BOTTOM | CBRS_BORDER_BOTTOM | CBRS_BORDER_3D},
      {CBRS_LEFT, CBRS_ALIGN_LEFT | CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM | CBRS_BORDER_3D},
      {CBRS_RIGHT, CBRS_ALIGN_RIGHT | CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM | CBRS_BORDER_3D},
      // Its own 3-D borders, or borders not of the standard kind, stay as asked.
      {CBRS_ALIGN_TOP | CBRS_BORDER_ANY | CBRS_BORDER_3D, CBRS_ALIGN_TOP | CBRS_BORDER_ANY | CBRS_BORDER_3D},
      {CBRS_ALIGN_BOTTOM | CBRS_BORDER_ANY, CBRS_ALIGN_BOTTOM | CBRS_BORDER_ANY},
  };
  for (const Case& c : cases) {
    CProbeBar probe;
    ASSERT_TRUE(probe.Make(frame, c.style));
    EXPECT_EQ(probe.m_dwStyle, c.expect) << std::hex << c.style;
    EXPECT_TRUE(probe.GetStyle() & WS_CLIPSIBLINGS);
    probe.DestroyWindow();
  }
  frame->DestroyWindow();
}

TEST_F(BarsTest, BarsTakeTheirSidesInTheSizeTheyAskForWithTheirLayoutMode) {
  CProbeFrame* frame = MakeFrame();
  ASSERT_NE(frame, nullptr);
  HWND pane = MakePane(frame);
  CRect client;
  frame->GetClientRect(&client);
  struct Case {
    DWORD style;
    DWORD mode;
    CRect bar, pane;
  } cases[] = {
      // The frame's layout stretches its bars across its sides.
      {CBRS_TOP, LM_STRETCH | LM_HORZ | LM_HORZDOCK, CRect(0, 0, client.right, 20),
       CRect(0, 20, client.right, client.bottom)},
      {CBRS_BOTTOM, LM_STRETCH | LM_HORZ | LM_HORZDOCK, CRect(0, client.bottom - 20, client.right, client.bottom),
       CRect(0, 0, client.right, client.bottom - 20)},
      {CBRS_LEFT, LM_STRETCH | LM_VERTDOCK, CRect(0, 0, 30, client.bottom), CRect(30, 0, client.right, client.bottom)},
      {CBRS_RIGHT, LM_STRETCH | LM_VERTDOCK, CRect(client.right - 30, 0, client.right, client.bottom),
       CRect(0, 0, client.right - 30, client.bottom)},
  };
  for (const Case& c : cases) {
    CProbeBar bar;
    ASSERT_TRUE(bar.Make(frame, c.style));
    bar.modes.clear();
    frame->RecalcLayout();
    ASSERT_FALSE(bar.modes.empty());
    EXPECT_EQ(bar.modes.back(), c.mode) << std::hex << c.style;
    EXPECT_EQ(RectIn(frame, bar.m_hWnd), c.bar) << std::hex << c.style;
    EXPECT_EQ(RectIn(frame, pane), c.pane) << std::hex << c.style;
    bar.DestroyWindow();
  }
  frame->DestroyWindow();
}

TEST_F(BarsTest, DelayedShowAndHideWaitForTheNextLayoutOrIdleUpdate) {
  CProbeFrame* frame = MakeFrame();
  ASSERT_NE(frame, nullptr);
  HWND pane = MakePane(frame);
  CProbeBar bar;
  ASSERT_TRUE(bar.Make(frame, CBRS_BOTTOM));
  frame->RecalcLayout();
  CRect client;
  frame->GetClientRect(&client);

  // Who carries out the pending request: the frame's idle update (its delayed
  // layout), or the bar's own idle update.
  for (bool byFrame : {true, false}) {
    SCOPED_TRACE(byFrame ? "by the frame's layout" : "by the bar's idle update");
    frame->ShowControlBar(&bar, FALSE, TRUE);
    EXPECT_TRUE(bar.GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(bar.IsVisible());
    // A layout query does not carry it out, but already leaves the room.
    CRect query;
    frame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CWnd::reposQuery, &query);
    EXPECT_EQ(query.bottom, client.bottom);
    EXPECT_TRUE(bar.GetStyle() & WS_VISIBLE);

    (byFrame ? static_cast<CWnd*>(frame) : &bar)->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(bar.GetStyle() & WS_VISIBLE);
    if (byFrame) {
      EXPECT_EQ(RectIn(frame, pane).bottom, client.bottom);
    }

    frame->ShowControlBar(&bar, TRUE, TRUE);
    EXPECT_FALSE(bar.GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(bar.IsVisible());
    (byFrame ? static_cast<CWnd*>(frame) : &bar)->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_TRUE(bar.GetStyle() & WS_VISIBLE);
    frame->RecalcLayout();
    EXPECT_EQ(RectIn(frame, pane).bottom, client.bottom - 20);
  }

  // Shown or hidden at once, an earlier delayed request is dropped.
  frame->ShowControlBar(&bar, FALSE, TRUE);
  frame->ShowControlBar(&bar, TRUE, FALSE);
  bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
  EXPECT_TRUE(bar.GetStyle() & WS_VISIBLE);

  // The View menu's check follows the pending state.
  frame->ShowControlBar(&bar, FALSE, TRUE);
  CTestCmdUI ui;
  ui.m_nID = kBarId;
  ui.DoUpdate(frame, FALSE);
  EXPECT_EQ(ui.m_nCheck, 0);
  bar.DestroyWindow();
  frame->DestroyWindow();
}

TEST_F(BarsTest, BarsOfAFrameNotYetShownTakeTheirRoomAndUpdate) {
  CProbeFrame* frame = MakeFrame(WS_OVERLAPPEDWINDOW);  // hidden, as during its OnCreate
  ASSERT_NE(frame, nullptr);
  HWND pane = MakePane(frame);
  CProbeBar bar;
  ASSERT_TRUE(bar.Make(frame, CBRS_BOTTOM));
  frame->RecalcLayout();
  CRect client;
  frame->GetClientRect(&client);
  EXPECT_EQ(RectIn(frame, bar.m_hWnd), CRect(0, client.bottom - 20, client.right, client.bottom));
  EXPECT_EQ(RectIn(frame, pane).bottom, client.bottom - 20);
  bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
  EXPECT_EQ(bar.updates, std::vector<CFrameWnd*>{frame});

  // A bar hidden on its own is not updated.
  bar.updates.clear();
  bar.ShowWindow(SW_HIDE);
  bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
  EXPECT_TRUE(bar.updates.empty());
  bar.DestroyWindow();
  frame->DestroyWindow();
}

TEST_F(BarsTest, ChildControlsOfABarSpeakToItsOwner) {
  CProbeFrame* frame = MakeFrame();
  ASSERT_NE(frame, nullptr);
  CProbeBar bar;
  ASSERT_TRUE(bar.Make(frame, CBRS_BOTTOM));
  HWND seen = ::CreateWindowEx(0, u"Button", u"a", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, bar.m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtonOwnerSees)), nullptr, nullptr);
  HWND taken = ::CreateWindowEx(0, u"Button", u"b", WS_CHILD | WS_VISIBLE, 10, 0, 10, 10, bar.m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtonBarTakes)), nullptr, nullptr);
  ASSERT_TRUE(seen && taken);
  frame->seen.clear();
  ::SendMessage(seen, fwtest::kBmClick, 0, 0);
  ::SendMessage(taken, fwtest::kBmClick, 0, 0);
  NMHDR nm{seen, static_cast<UINT_PTR>(kButtonOwnerSees), static_cast<UINT>(-2)};  // a click
  bar.SendMessage(WM_NOTIFY, kButtonOwnerSees, reinterpret_cast<LPARAM>(&nm));
  DRAWITEMSTRUCT dis{};
  dis.CtlID = kButtonOwnerSees;
  dis.hwndItem = seen;
  EXPECT_EQ(bar.SendMessage(WM_DRAWITEM, kButtonOwnerSees, reinterpret_cast<LPARAM>(&dis)), TRUE);

  EXPECT_EQ(frame->seen, (std::vector<std::pair<UINT, WPARAM>>{{WM_COMMAND, MAKEWPARAM(kButtonOwnerSees, BN_CLICKED)},
                                                               {WM_NOTIFY, kButtonOwnerSees},
                                                               {WM_DRAWITEM, kButtonOwnerSees}}));
  EXPECT_EQ(bar.taken, 1);
  bar.DestroyWindow();
  frame->DestroyWindow();
}

// A control in a bar with reflected handlers, and a frame with ordinary
// handlers of the same notification and command, all writing to one log.
constexpr UINT kReflectingId = 303;
constexpr UINT kProbeCode = static_cast<UINT>(-750);
constexpr WORD kProbeCommand = 0x77;

std::vector<std::string>& Heard() {
  static std::vector<std::string> heard;
  return heard;
}

class CReflectingControl : public CWnd {
 public:
  BOOL handles = FALSE;         // what the reflected handlers answer
  bool destroysItself = false;  // the notification's handler destroys the control

 protected:
  BOOL OnReflectedNotify(NMHDR*, LRESULT*) {
    Heard().push_back("control-notify");
    BOOL answer = handles;
    if (destroysItself) DestroyWindow();
    return answer;
  }
  BOOL OnReflectedCommand() {
    Heard().push_back("control-command");
    return handles;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CReflectingControl, CWnd)
ON_NOTIFY_REFLECT_EX(kProbeCode, OnReflectedNotify)
ON_CONTROL_REFLECT_EX(kProbeCommand, OnReflectedCommand)
END_MESSAGE_MAP()

class CHandlingFrame : public CFrameWnd {
 public:
  int resends = 0;  // times the notification's handler sends it again

 protected:
  void OnOwnerNotify(NMHDR* nm, LRESULT*) {
    Heard().push_back("frame-notify");
    if (resends > 0) {
      --resends;
      ::SendMessage(::GetParent(nm->hwndFrom), WM_NOTIFY, nm->idFrom, reinterpret_cast<LPARAM>(nm));
    }
  }
  void OnOwnerCommand() { Heard().push_back("frame-command"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CHandlingFrame, CFrameWnd)
ON_NOTIFY(kProbeCode, kReflectingId, OnOwnerNotify)
ON_CONTROL(kProbeCommand, kReflectingId, OnOwnerCommand)
END_MESSAGE_MAP()

TEST_F(BarsTest, AControlInABarHearsItsMessagesOnceBeforeTheOwner) {
  struct Case {
    const char* name;
    BOOL controlHandles;
    bool destroysItself;
    int resends;
    std::vector<std::string> notify, command;
  };
  const std::vector<Case> cases = {
      {"handled by the control", TRUE, false, 0, {"control-notify"}, {"control-command"}},
      {"passed on to the owner",
       FALSE,
       false,
       0,
       {"control-notify", "frame-notify"},
       {"control-command", "frame-command"}},
      {"sent again by the owner's handler",
       FALSE,
       false,
       1,
       {"control-notify", "frame-notify", "control-notify", "frame-notify"},
       {"control-command", "frame-command"}},
      {"the control destroyed by its handler", FALSE, true, 0, {"control-notify", "frame-notify"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* frame = new CHandlingFrame;  // deletes itself when destroyed
    ASSERT_TRUE(frame->Create(nullptr, u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
    CProbeBar bar;
    ASSERT_TRUE(bar.Make(frame, CBRS_BOTTOM));
    CReflectingControl control;
    ASSERT_TRUE(control.Create(nullptr, u"control", WS_VISIBLE, CRect(0, 0, 10, 10), &bar, kReflectingId));
    control.handles = c.controlHandles;
    control.destroysItself = c.destroysItself;
    frame->resends = c.resends;
    const HWND controlWnd = control.m_hWnd;

    Heard().clear();
    NMHDR nm{controlWnd, kReflectingId, kProbeCode};
    ::SendMessage(bar.m_hWnd, WM_NOTIFY, kReflectingId, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(Heard(), c.notify);

    Heard().clear();
    if (::IsWindow(controlWnd))
      ::SendMessage(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(kReflectingId, kProbeCommand),
                    reinterpret_cast<LPARAM>(controlWnd));
    EXPECT_EQ(Heard(), c.command);

    // A control sending to the frame itself is reflected there as usual.
    if (::IsWindow(controlWnd)) {
      Heard().clear();
      frame->resends = 0;
      ::SendMessage(frame->m_hWnd, WM_NOTIFY, kReflectingId, reinterpret_cast<LPARAM>(&nm));
      const std::vector<std::string> direct = c.controlHandles
                                                  ? std::vector<std::string>{"control-notify"}
                                                  : std::vector<std::string>{"control-notify", "frame-notify"};
      EXPECT_EQ(Heard(), direct);
    }
    bar.DestroyWindow();
    frame->DestroyWindow();
  }
}

TEST_F(BarsTest, NonClientPaintDrawsTheBorderLines) {
  CProbeFrame* frame = MakeFrame();
  ASSERT_NE(frame, nullptr);
  CProbeBar bar;
  bar.ncBorders = true;
  bar.SetBorders(0, 0, 0, 0);
  ASSERT_TRUE(bar.Make(frame, CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP | CBRS_BORDER_3D));
  bar.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  frame->RecalcLayout();
  pv::test::PumpUntilIdle();
  bar.SendMessage(WM_NCPAINT, 1);
  EXPECT_EQ(pv::test::WindowPixelNc(bar.m_hWnd, 5, 0), ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pv::test::WindowPixelNc(bar.m_hWnd, 5, 1), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  bar.DestroyWindow();
  frame->DestroyWindow();
}

}  // namespace
