// The thread state's current message as subclassing procedures use it, the
// modal loop's flags, and drag outlines drawn with CDC::DrawDragRect.
#include <vector>

#include "fw_fixture.h"

namespace fwtest {
namespace {

class CWndExtrasTest : public FrameworkTest {};

// ---- the current message ---------------------------------------------------------------------------
constexpr UINT kProbe = WM_APP + 7;

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT defaultAnswer;
};

class CProbeTarget : public CWnd {
 public:
  std::vector<Seen> seen;
  LRESULT OnProbe(WPARAM wParam, LPARAM lParam) {
    const MSG* current = GetCurrentMessage();
    seen.push_back(Seen{current->message, current->wParam, current->lParam, Default()});
    return static_cast<LRESULT>(wParam + lParam);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CProbeTarget, CWnd)
ON_MESSAGE(kProbe, OnProbe)
END_MESSAGE_MAP()

// A procedure stacked on top of a bound window, dispatching on its own the
// way a hook manager does: it makes its message the thread's current one,
// and passes on "the current message" (with new parameters for lParam 99).
WNDPROC g_below = nullptr;
LRESULT CALLBACK StackedProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  AFX_THREAD_STATE* state = AfxGetThreadState();
  MSG saved = state->m_lastSentMsg;
  state->m_lastSentMsg.hwnd = h;
  state->m_lastSentMsg.message = msg;
  state->m_lastSentMsg.wParam = wp;
  state->m_lastSentMsg.lParam = lp;
  const MSG* current = CWnd::GetCurrentMessage();
  LRESULT result = current->lParam == 99
                       ? ::CallWindowProcW(g_below, current->hwnd, current->message, 1, 2)
                       : ::CallWindowProcW(g_below, current->hwnd, current->message, current->wParam, current->lParam);
  state->m_lastSentMsg = saved;
  return result;
}

TEST_F(CWndExtrasTest, AProcedureAboveTheFrameworkSetsAndRestoresTheCurrentMessage) {
  CProbeTarget target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, u"probe", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  HWND h = target.m_hWnd;

  // Installed and removed with the A forms, as code that recorded a
  // non-Unicode window would.
  g_below = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(h, GWLP_WNDPROC));
  EXPECT_EQ(g_below, AfxGetAfxWndProc());
  EXPECT_EQ(::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StackedProc)),
            reinterpret_cast<LONG_PTR>(g_below));
  EXPECT_EQ(::GetWindowLongPtrW(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&StackedProc));
  EXPECT_EQ(::GetWindowLongA(h, GWL_STYLE), ::GetWindowLongW(h, GWL_STYLE));

  MSG sentinel{};
  sentinel.message = WM_NULL;
  sentinel.wParam = 0x5151;
  AfxGetThreadState()->m_lastSentMsg = sentinel;

  EXPECT_EQ(::SendMessage(h, kProbe, 10, 20), 30);
  EXPECT_EQ(::SendMessage(h, kProbe, 10, 99), 3) << "passed on with the new parameters";
  ::SetWindowText(h, u"through the stack");
  CString text;
  target.GetWindowText(text);
  EXPECT_EQ(text, CString(u"through the stack"));

  ASSERT_EQ(target.seen.size(), 2u);
  EXPECT_EQ(target.seen[0].message, kProbe);
  EXPECT_EQ(target.seen[0].wParam, 10u);
  EXPECT_EQ(target.seen[0].lParam, 20);
  EXPECT_EQ(target.seen[1].wParam, 1u);
  EXPECT_EQ(target.seen[1].lParam, 2);
  for (const Seen& s : target.seen)
    EXPECT_EQ(s.defaultAnswer, 0) << "Default passed the probe to the default procedure";

  EXPECT_EQ(AfxGetThreadState()->m_lastSentMsg.message, static_cast<UINT>(WM_NULL));
  EXPECT_EQ(AfxGetThreadState()->m_lastSentMsg.wParam, 0x5151u) << "put back after each message";

  ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_below));
  EXPECT_EQ(::GetWindowLongPtrW(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(AfxGetAfxWndProc()));
  EXPECT_TRUE(target.DestroyWindow());
  EXPECT_EQ(target.m_hWnd, nullptr);
}

// ---- the modal loop's flags ------------------------------------------------------------------------
struct Idle {
  UINT why;
  HWND who;
};

class COwnerWnd : public CWnd {
 public:
  std::vector<Idle> idles;
  void OnEnterIdle(UINT nWhy, CWnd* pWho) { idles.push_back(Idle{nWhy, HwndOf(pWho)}); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(COwnerWnd, CWnd)
ON_WM_ENTERIDLE()
END_MESSAGE_MAP()

class CModalWnd : public CWnd {
 public:
  std::vector<LPARAM> kicks;
  LPARAM busyUntil = 0;  // WM_KICKIDLE asks for more idle time below this count
  bool postOnFirstKick = false;
  bool visibleAtFirstKick = false;
  LRESULT OnKickIdle(WPARAM, LPARAM count) {
    if (kicks.empty()) {
      visibleAtFirstKick = IsWindowVisible() != FALSE;
      if (postOnFirstKick) PostMessage(WM_USER + 5);  // a message ends the idle spell
    }
    kicks.push_back(count);
    return count < busyUntil;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CModalWnd, CWnd)
ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
END_MESSAGE_MAP()

TEST_F(CWndExtrasTest, ModalLoopFlagsDecideWhoHearsOfIdleTimeAndWhenTheWindowShows) {
  struct Case {
    const char* name;
    DWORD flags;
    LPARAM busyUntil;
    bool postOnFirstKick;
    size_t enterIdles;
    std::vector<LPARAM> kicks;
    bool visibleAfter;
  };
  const Case cases[] = {
      {"no flags", 0, 0, false, 1, {0}, false},
      {"owner told once per idle spell", 0, 3, false, 1, {0, 1, 2, 3}, false},
      {"a new spell after a message", 0, 0, true, 2, {0, 0}, false},
      {"MLF_NOIDLEMSG", MLF_NOIDLEMSG, 0, false, 0, {0}, false},
      {"MLF_NOKICKIDLE", MLF_NOKICKIDLE, 0, false, 1, {}, false},
      {"MLF_SHOWONIDLE", MLF_SHOWONIDLE, 0, false, 1, {0}, true},
  };
  for (const Case& c : cases) {
    COwnerWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 300), nullptr, 0));
    CModalWnd modal;
    modal.busyUntil = c.busyUntil;
    modal.postOnFirstKick = c.postOnFirstKick;
    ASSERT_TRUE(modal.CreateEx(0, nullptr, u"modal", WS_POPUP, CRect(10, 10, 100, 100), &owner, 0));
    Pump();

    // The queue runs dry in tests, which ends the loop as a cancel.
    EXPECT_EQ(modal.RunModalLoop(c.flags), IDCANCEL) << c.name;
    EXPECT_EQ(owner.idles.size(), c.enterIdles) << c.name;
    for (const Idle& idle : owner.idles) {
      EXPECT_EQ(idle.why, static_cast<UINT>(MSGF_DIALOGBOX)) << c.name;
      EXPECT_EQ(idle.who, modal.m_hWnd) << c.name;
    }
    EXPECT_EQ(modal.kicks, c.kicks) << c.name;
    EXPECT_EQ(modal.IsWindowVisible() != FALSE, c.visibleAfter) << c.name;
    if (c.visibleAfter && !c.kicks.empty()) {
      EXPECT_TRUE(modal.visibleAtFirstKick) << c.name << ": shown before idle work";
    }
    modal.DestroyWindow();
    owner.DestroyWindow();
  }
}

TEST_F(CWndExtrasTest, ModalDialogsTellTheirOwnerOfIdleTimeUnlessTheTemplateSaysNot) {
  constexpr UINT kPlain = 301, kQuiet = 302;
  Resources res;
  for (UINT id : {kPlain, kQuiet}) {
    pv::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | (id == kQuiet ? DS_NOIDLEMSG : 0);
    t.caption = u"Idle";
    t.cx = 100;
    t.cy = 40;
    t.pointSize = 8;
    t.faceName = u"MS Shell Dlg";
    t.items.push_back({WS_VISIBLE | WS_TABSTOP | 0x01, 0, 7, 7, 50, 14, static_cast<UINT>(IDOK), u"Button", u"OK", {}});
    res.Add(5, static_cast<WORD>(id), pv::EncodeDialogResource(t));
  }
  res.Register();
  for (UINT id : {kPlain, kQuiet}) {
    COwnerWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 300), nullptr, 0));
    CDialog dlg(id, &owner);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);  // the queue runs dry
    EXPECT_EQ(owner.idles.size(), id == kQuiet ? 0u : 1u) << id;
    owner.DestroyWindow();
  }
}

// ---- drag outlines ---------------------------------------------------------------------------------
constexpr int kSide = 40;

// A white 32-bit canvas in a memory DC.
struct Canvas {
  CDC dc;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas() {
    dc.CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kSide;
    bi.bmiHeader.biHeight = -kSide;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = ::SelectObject(dc.m_hDC, bitmap);
    dc.PatBlt(0, 0, kSide, kSide, WHITENESS);
  }
  ~Canvas() {
    ::SelectObject(dc.m_hDC, old);
    ::DeleteObject(bitmap);
  }
  std::vector<COLORREF> Pixels() {
    std::vector<COLORREF> out;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) out.push_back(dc.GetPixel(x, y) & 0xFFFFFF);
    return out;
  }
  // The expected result: each side of the frame inverted with the brush.
  void InvertFrame(const RECT& r, SIZE size, HBRUSH brush) {
    HGDIOBJ before = ::SelectObject(dc.m_hDC, brush);
    int w = r.right - r.left, h = r.bottom - r.top;
    dc.PatBlt(r.left, r.top, w, size.cy, PATINVERT);
    dc.PatBlt(r.left, r.bottom - size.cy, w, size.cy, PATINVERT);
    dc.PatBlt(r.left, r.top + size.cy, size.cx, h - 2 * size.cy, PATINVERT);
    dc.PatBlt(r.right - size.cx, r.top + size.cy, size.cx, h - 2 * size.cy, PATINVERT);
    ::SelectObject(dc.m_hDC, before);
  }
};

TEST_F(CWndExtrasTest, DragOutlinesInvertTheFrameAndMoveWithoutLeavingTraces) {
  const RECT first{5, 5, 25, 25}, moved{6, 8, 30, 27};
  const SIZE frame{3, 2}, none{0, 0};
  HBRUSH halftone = ::GdiGetHalftoneBrush();
  ASSERT_EQ(CDC::GetHalftoneBrush()->m_hObject, halftone);
  CBrush black(RGB(0, 0, 0));

  const std::vector<COLORREF> white(kSide * kSide, 0xFFFFFF);
  {
    Canvas drawn, expected;
    drawn.dc.DrawDragRect(&first, frame, nullptr, none);
    expected.InvertFrame(first, frame, halftone);
    EXPECT_EQ(drawn.Pixels(), expected.Pixels()) << "first outline";
    EXPECT_NE(drawn.Pixels(), white);
    EXPECT_EQ(drawn.dc.GetPixel(15, 15) & 0xFFFFFF, 0xFFFFFFu) << "the inside is left alone";
  }
  {
    Canvas drawn, expected;
    drawn.dc.DrawDragRect(&first, frame, nullptr, none);
    drawn.dc.DrawDragRect(&moved, frame, &first, frame);
    expected.InvertFrame(moved, frame, halftone);
    EXPECT_EQ(drawn.Pixels(), expected.Pixels()) << "moved over its old place";
    drawn.dc.DrawDragRect(&moved, none, &moved, frame);
    EXPECT_EQ(drawn.Pixels(), white) << "an empty frame only erases";
  }
  {
    Canvas drawn, expected;
    drawn.dc.DrawDragRect(&first, frame, nullptr, none, &black);
    drawn.dc.DrawDragRect(&moved, frame, &first, frame, nullptr, &black);
    expected.InvertFrame(moved, frame, halftone);
    EXPECT_EQ(drawn.Pixels(), expected.Pixels()) << "an outline of another brush is erased whole";
  }
  {
    // The caller's clip region and brush survive, and clip the outline.
    Canvas drawn, expected;
    CBrush red(RGB(255, 0, 0));
    drawn.dc.IntersectClipRect(0, 0, 15, kSide);
    CBrush* callerBrush = drawn.dc.SelectObject(&red);
    drawn.dc.DrawDragRect(&first, frame, nullptr, none);
    expected.dc.IntersectClipRect(0, 0, 15, kSide);
    expected.InvertFrame(first, frame, halftone);
    EXPECT_EQ(drawn.Pixels(), expected.Pixels());
    CRect clip;
    drawn.dc.GetClipBox(&clip);
    EXPECT_EQ(clip, CRect(0, 0, 15, kSide));
    EXPECT_EQ(::GetCurrentObject(drawn.dc.m_hDC, OBJ_BRUSH), red.m_hObject);
    drawn.dc.SelectObject(callerBrush);
  }
}

}  // namespace
}  // namespace fwtest
