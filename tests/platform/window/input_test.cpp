// Input state: capture, focus and activation sequences, mouse routing and
// activation by click, double clicks, keys and characters, mouse tracking.
#include "platform/base/lasterror.h"
#include "tests/platform/window/wm_test_util.h"
#include "tests/support/fixture_reset.h"

using namespace wmtest;
using pv::test::Button;

namespace {

TEST_F(WmTest, CaptureChangesAreAnnouncedToTheLoser) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND b = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  Log().clear();
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(SetCapture(b), a);
  EXPECT_EQ(GetCapture(), b);
  ReleaseCapture();
  SetCapture(a);
  pv::test::CaptureLoss();
  SetCapture(b);
  DestroyWindow(b);
  EXPECT_EQ(GetCapture(), nullptr);
  std::vector<Entry> changes;
  for (const Entry& e : Log())
    if (e.msg == WM_CAPTURECHANGED) changes.push_back(e);
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].hwnd, a);
  EXPECT_EQ(reinterpret_cast<HWND>(changes[0].lParam), b);
  EXPECT_EQ(changes[1].hwnd, b);
  EXPECT_EQ(changes[1].lParam, 0);
  EXPECT_EQ(changes[2].hwnd, a);  // lost to another application
  EXPECT_EQ(changes[2].lParam, 0);
  EXPECT_EQ(changes[3].hwnd, b);  // destroyed while holding it
}

TEST_F(WmTest, MouseGoesToTheCaptureWindowWherEverThePointerIs) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND b = Top(300, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  SetCapture(a);
  Log().clear();
  pv::test::MouseMove(350, 50);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(Messages(b, {WM_MOUSEMOVE}).size(), 0u);
  bool seen = false;
  for (const Entry& e : Log())
    if (e.hwnd == a && e.msg == WM_MOUSEMOVE) {
      seen = true;
      EXPECT_EQ(GET_X_LPARAM(e.lParam), 350);
      EXPECT_EQ(GET_Y_LPARAM(e.lParam), 50);
    }
  EXPECT_TRUE(seen);
  // No WM_SETCURSOR while captured.
  EXPECT_TRUE(Messages(nullptr, {WM_SETCURSOR}).empty());
}

// Button and modifier flags are those of the moment of the input, even when
// the whole gesture is queued before anything is pumped.
TEST_F(WmTest, MouseFlagsAreTakenWhenTheInputHappens) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  Log().clear();
  pv::test::KeyDown(VK_SHIFT);
  pv::test::MouseDown(Button::Left, 20, 20);
  pv::test::MouseUp(Button::Left, 20, 20);
  pv::test::KeyUp(VK_SHIFT);
  pv::test::MouseDown(Button::Right, 30, 30);
  pv::test::MouseUp(Button::Right, 30, 30);
  pv::test::PumpUntilIdle();
  struct Expect {
    UINT msg;
    WPARAM keys;
  } expected[] = {{WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT},
                  {WM_LBUTTONUP, MK_SHIFT},
                  {WM_RBUTTONDOWN, MK_RBUTTON},
                  {WM_RBUTTONUP, 0}};
  for (const Expect& x : expected) {
    auto seen = Messages(a, {x.msg});
    ASSERT_EQ(seen.size(), 1u) << x.msg;
    for (const Entry& e : Log())
      if (e.hwnd == a && e.msg == x.msg) {
        EXPECT_EQ(e.wParam, x.keys) << x.msg;
      }
  }
}

TEST_F(WmTest, ActivationAndFocusSequences) {
  HWND a = Top(0, 0, 200, 200);
  HWND b = Top(300, 0, 200, 200);
  HWND b1 = Child(b, 1, 10, 10, 50, 20);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetActiveWindow(), b);
  SetFocus(nullptr);
  SetActiveWindow(a);
  ASSERT_EQ(GetFocus(), a);
  Log().clear();
  // Focusing a child of an inactive window activates its window first.
  EXPECT_EQ(SetFocus(b1), a);
  auto seq = Pairs({WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_ACTIVATEAPP});
  std::vector<std::pair<HWND, UINT>> expected = {{a, WM_NCACTIVATE}, {a, WM_ACTIVATE},  {b, WM_NCACTIVATE},
                                                 {b, WM_ACTIVATE},   {a, WM_KILLFOCUS}, {b, WM_SETFOCUS},
                                                 {b, WM_KILLFOCUS},  {b1, WM_SETFOCUS}};
  EXPECT_EQ(seq, expected);
  for (const Entry& e : Log()) {
    if (e.hwnd == a && e.msg == WM_ACTIVATE) {
      EXPECT_EQ(LOWORD(e.wParam), WA_INACTIVE);
      EXPECT_EQ(reinterpret_cast<HWND>(e.lParam), b);
    }
    if (e.hwnd == b1 && e.msg == WM_SETFOCUS) {
      EXPECT_EQ(reinterpret_cast<HWND>(e.wParam), b);
    }
  }
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), b1);
  // Hiding the active window hands activation on; losing the last one
  // deactivates the application.
  Log().clear();
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  auto app = Pairs({WM_ACTIVATEAPP});
  ASSERT_FALSE(app.empty());
  for (const Entry& e : Log())
    if (e.msg == WM_ACTIVATEAPP) {
      EXPECT_EQ(e.wParam, static_cast<WPARAM>(FALSE));
    }
}

TEST_F(WmTest, ClickingActivatesUnlessTheWindowSaysOtherwise) {
  struct Case {
    LRESULT answer;  // 0: let DefWindowProc answer
    bool activates;
    bool buttonDelivered;
  };
  const Case cases[] = {{0, true, true},
                        {MA_ACTIVATEANDEAT, true, false},
                        {MA_NOACTIVATE, false, true},
                        {MA_NOACTIVATEANDEAT, false, false}};
  for (const Case& c : cases) {
    pvtest::ResetDesktop();
    HWND a = Top(0, 0, 200, 200);
    HWND b = Top(300, 0, 200, 200);
    HWND b1 = Child(b, 1, 10, 10, 50, 50);
    SetActiveWindow(a);
    pv::test::PumpUntilIdle();
    Handlers()[b] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
      if (m != WM_MOUSEACTIVATE || !c.answer) return false;
      *r = c.answer;
      return true;
    };
    Log().clear();
    POINT p = pv::test::ClientPoint(b1, 5, 5);
    pv::test::Click(p.x, p.y);
    pv::test::PumpUntilIdle();
    // The child is asked first; DefWindowProc asks the parent.
    auto ma = Pairs({WM_MOUSEACTIVATE});
    ASSERT_EQ(ma.size(), 2u);
    EXPECT_EQ(ma[0].first, b1);
    EXPECT_EQ(ma[1].first, b);
    EXPECT_EQ(GetActiveWindow() == b, c.activates);
    EXPECT_EQ(!Messages(b1, {WM_LBUTTONDOWN}).empty(), c.buttonDelivered);
    EXPECT_EQ(Messages(b1, {WM_LBUTTONUP}).size(), 1u);
    Handlers().clear();
  }
}

TEST_F(WmTest, DisabledWindowsRefuseClicksAndBeep) {
  HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(w, 1, 10, 10, 50, 50);
  pv::test::PumpUntilIdle();
  EnableWindow(c, FALSE);
  EXPECT_FALSE(IsWindowEnabled(c));
  Log().clear();
  // A disabled child is skipped: its parent gets the click.
  POINT p = pv::test::ClientPoint(c, 5, 5);
  pv::test::Click(p.x, p.y);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(Messages(c, {WM_LBUTTONDOWN}).empty());
  EXPECT_EQ(Messages(w, {WM_LBUTTONDOWN}).size(), 1u);
  // A disabled top-level window (under a modal dialog) gets nothing, and the user hears it.
  EnableWindow(w, FALSE);
  pv::test::TakeBeeps();
  Log().clear();
  pv::test::Click(100, 100);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(Messages(w, {WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
  EXPECT_EQ(pv::test::TakeBeeps().size(), 1u);
}

TEST_F(WmTest, DoubleClicksNeedTheClassStyleTheTimeAndThePlace) {
  HWND dbl = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE, 0, kDblClass);
  HWND plain = Top(300, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  struct Case {
    const char* name;
    HWND w;
    unsigned gapMs;
    int dx;
    std::vector<UINT> expected;
  };
  const Case cases[] = {
      {"quick", dbl, 100, 0, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
      {"slow", dbl, 600, 0, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"moved", dbl, 100, 10, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"no class style", plain, 100, 0, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pv::Clock::AdvanceBy(5000);
    Log().clear();
    POINT p = pv::test::ClientPoint(c.w, 50, 50);
    pv::test::Click(p.x, p.y);
    pv::test::PumpUntilIdle();
    pv::Clock::AdvanceBy(c.gapMs);
    pv::test::Click(p.x + c.dx, p.y);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(Messages(c.w, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}), c.expected);
  }
  // A third quick click starts over.
  pv::Clock::AdvanceBy(5000);
  Log().clear();
  pv::test::Click(50, 50);
  pv::test::Click(50, 50);
  pv::test::Click(50, 50);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(dbl, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));
}

TEST_F(WmTest, KeysBecomeCharactersOnTheUsLayout) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SetFocus(w);
  pv::test::PumpUntilIdle();
  auto chars = [&](auto script) {
    Log().clear();
    script();
    pv::test::PumpUntilIdle();
    std::u16string out;
    for (const Entry& e : Log())
      if (e.hwnd == w && (e.msg == WM_CHAR || e.msg == WM_SYSCHAR)) out += static_cast<char16_t>(e.wParam);
    return out;
  };
  EXPECT_EQ(chars([] { pv::test::TypeText(u"Hi! a:\"x\" ~{}"); }), u"Hi! a:\"x\" ~{}");
  EXPECT_EQ(chars([] { pv::test::TypeText(u"\u4e2d"); }), u"\u4e2d");  // not on the keyboard: straight through
  EXPECT_EQ(chars([] { pv::test::Chord(FCONTROL, 'A'); }), std::u16string(1, u'\x01'));
  EXPECT_EQ(chars([] { pv::test::KeyPress(VK_RETURN); }), u"\r");
  EXPECT_EQ(chars([] { pv::test::KeyPress(VK_LEFT); }), u"");
  EXPECT_EQ(chars([] {
              pv::test::KeyPress(VK_CAPITAL);
              pv::test::TypeText(u"a");
              pv::test::KeyPress(VK_CAPITAL);
            }),
            u"A");
  EXPECT_EQ(chars([] { pv::test::KeyPress(VK_NUMPAD5); }), u"");
  EXPECT_EQ(chars([] {
              pv::test::KeyPress(VK_NUMLOCK);
              pv::test::KeyPress(VK_NUMPAD5);
              pv::test::KeyPress(VK_NUMLOCK);
            }),
            u"5");
  // Alt+letter is a system key with a system character.
  Log().clear();
  pv::test::Chord(FALT, 'F');
  pv::test::PumpUntilIdle();
  auto m = Messages(w, {WM_SYSKEYDOWN, WM_SYSCHAR, WM_KEYDOWN, WM_CHAR});
  EXPECT_EQ(m, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR}));
  // Key state as the handler sees it.
  SHORT shiftInHandler = 0;
  Handlers()[w] = [&](HWND, UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    if (msg == WM_KEYDOWN && wp == 'Z') shiftInHandler = GetKeyState(VK_SHIFT);
    return false;
  };
  pv::test::Chord(FSHIFT, 'Z');
  pv::test::PumpUntilIdle();
  EXPECT_LT(shiftInHandler, 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

TEST_F(WmTest, KeyboardLayoutServices) {
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_VSC), 0x1Eu);
  EXPECT_EQ(MapVirtualKey(0x1E, MAPVK_VSC_TO_VK), static_cast<UINT>('A'));
  EXPECT_EQ(MapVirtualKey(VK_LEFT, MAPVK_VK_TO_VSC_EX), 0xE04Bu);
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_CHAR), static_cast<UINT>('A'));
  EXPECT_EQ(MapVirtualKey(VK_OEM_2, MAPVK_VK_TO_CHAR), static_cast<UINT>('/'));
  EXPECT_EQ(VkKeyScan(u'a'), 'A');
  EXPECT_EQ(VkKeyScan(u'A'), 0x100 | 'A');
  EXPECT_EQ(VkKeyScan(u'?'), 0x100 | VK_OEM_2);
  EXPECT_EQ(VkKeyScan(u'\u00e9'), -1);
  BYTE state[256] = {};
  WCHAR buf[4];
  state[VK_SHIFT] = 0x80;
  EXPECT_EQ(ToUnicode('1', 0x02, state, buf, 4, 0), 1);
  EXPECT_EQ(buf[0], u'!');
  struct Name {
    UINT vk;
    bool ext;
    const char16_t* text;
  };
  for (Name n : {Name{'A', false, u"A"}, Name{VK_F5, false, u"F5"}, Name{VK_DELETE, true, u"Delete"},
                 Name{VK_DECIMAL, false, u"Num Del"}, Name{VK_ESCAPE, false, u"Esc"}}) {
    LONG lp = static_cast<LONG>(MapVirtualKey(n.vk, MAPVK_VK_TO_VSC) << 16) | (n.ext ? (1 << 24) : 0);
    WCHAR name[32];
    GetKeyNameText(lp, name, 32);
    EXPECT_EQ(std::u16string(name), n.text);
  }
}

TEST_F(WmTest, TrackMouseEventReportsLeaveAndHover) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::MouseMove(50, 50);
  pv::test::PumpUntilIdle();
  TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE | TME_HOVER, a, 300};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  Log().clear();
  pv::test::AdvanceAndPump(299);
  EXPECT_TRUE(Messages(a, {WM_MOUSEHOVER}).empty());
  pv::test::AdvanceAndPump(1);
  EXPECT_EQ(Messages(a, {WM_MOUSEHOVER}).size(), 1u);
  pv::test::AdvanceAndPump(1000);
  EXPECT_EQ(Messages(a, {WM_MOUSEHOVER}).size(), 1u);  // once per request
  pv::test::MouseMove(250, 50);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(a, {WM_MOUSELEAVE}).size(), 1u);
  // Asking while the pointer is elsewhere answers at once.
  Log().clear();
  tme.dwFlags = TME_LEAVE;
  TrackMouseEvent(&tme);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(a, {WM_MOUSELEAVE}).size(), 1u);
}

// A pointer that goes onto the desktop (no window of ours under it) leaves
// the tracked window, client or non-client, and ends its hover request.
TEST_F(WmTest, PointerOntoTheDesktopLeavesTheTrackedWindow) {
  HWND a = Top(100, 100, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  struct Case {
    DWORD flags;
    POINT over;  // where the pointer rests first
    UINT leave;
  };
  POINT client = pv::test::ClientPoint(a, 20, 20);
  for (const Case& c : {Case{TME_LEAVE | TME_HOVER, client, WM_MOUSELEAVE},
                        Case{TME_LEAVE | TME_NONCLIENT, POINT{150, 105}, WM_NCMOUSELEAVE}}) {
    pv::test::MouseMove(c.over.x, c.over.y);
    pv::test::PumpUntilIdle();
    TRACKMOUSEEVENT tme{sizeof(tme), c.flags, a, 300};
    ASSERT_TRUE(TrackMouseEvent(&tme));
    Log().clear();
    pv::test::MouseMove(700, 700);  // nothing of ours there
    pv::test::PumpUntilIdle();
    EXPECT_EQ(Messages(a, {WM_MOUSELEAVE, WM_NCMOUSELEAVE}), std::vector<UINT>{c.leave}) << c.leave;
    POINT pos;
    GetCursorPos(&pos);
    EXPECT_EQ(pos.x, 700);
    tme = TRACKMOUSEEVENT{sizeof(tme), TME_QUERY, nullptr, 0};
    TrackMouseEvent(&tme);
    EXPECT_EQ(tme.dwFlags, 0u);  // leaving ends the hover request too
    pv::test::AdvanceAndPump(1000);
    EXPECT_TRUE(Messages(a, {WM_MOUSEHOVER}).empty());
  }
}

// Another program taking the desktop's focus ends modes and capture before
// the application is deactivated, as Windows does.
TEST_F(WmTest, LosingTheDesktopFocusEndsCaptureAndModes) {
  HWND a = Top();
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetActiveWindow(), a);
  pv::test::MouseDown(Button::Left, 150, 150);
  pv::test::PumpUntilIdle();
  SetCapture(a);
  Log().clear();
  pv::test::AppDeactivate();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);  // released elsewhere
  EXPECT_EQ(Messages(a, {WM_CANCELMODE, WM_CAPTURECHANGED, WM_ACTIVATE, WM_ACTIVATEAPP}),
            (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED, WM_ACTIVATE, WM_ACTIVATEAPP}));
}

// Synthesised input travels the way real input does: absolute positions
// map 0..65535 onto the screen, relative moves add up, buttons, wheel and
// keys become the messages a user's would, characters arrive as WM_CHAR.
TEST_F(WmTest, SendInputAndMouseEventActLikeTheUser) {
  HWND w = Top(0, 0, 1280, 1024, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  SetFocus(w);
  Log().clear();
  INPUT in[4]{};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dx = 32768;  // the middle of the 1280x1024 screen
  in[0].mi.dy = 65535;
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dx = -40;
  in[1].mi.dy = -24;
  in[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP;
  in[2].type = INPUT_KEYBOARD;
  in[2].ki.wVk = 'A';
  in[3].type = INPUT_KEYBOARD;
  in[3].ki.wScan = 0x4E2D;
  in[3].ki.dwFlags = KEYEVENTF_UNICODE;
  EXPECT_EQ(SendInput(4, in, sizeof(INPUT)), 4u);
  EXPECT_EQ(SendInput(1, in, sizeof(INPUT) - 1), 0u);  // a wrong record size is refused
  mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-WHEEL_DELTA), 0);
  pv::test::PumpUntilIdle();
  std::vector<Entry> got;
  for (const Entry& e : Log())
    if (e.hwnd == w && (e.msg == WM_LBUTTONDOWN || e.msg == WM_LBUTTONUP || e.msg == WM_KEYDOWN || e.msg == WM_CHAR ||
                        e.msg == WM_MOUSEWHEEL))
      got.push_back(e);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].msg, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 640);
  EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), 1023);
  EXPECT_EQ(got[1].msg, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(GET_X_LPARAM(got[1].lParam), 600);
  EXPECT_EQ(GET_Y_LPARAM(got[1].lParam), 999);
  EXPECT_EQ(got[2].msg, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(got[2].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(got[3].msg, static_cast<UINT>(WM_CHAR));  // from TranslateMessage
  EXPECT_EQ(got[3].wParam, static_cast<WPARAM>(u'a'));
  EXPECT_EQ(got[4].msg, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(got[4].wParam, static_cast<WPARAM>(0x4E2D));
  EXPECT_EQ(got[5].msg, static_cast<UINT>(WM_MOUSEWHEEL));
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[5].wParam), -WHEEL_DELTA);
  POINT pos;
  GetCursorPos(&pos);
  EXPECT_EQ(pos.x, 600);
}

TEST_F(WmTest, HitTestingSkipsTransparentChildrenAndRoutesNonClientMouse) {
  HWND w = Top(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND glass = Child(w, 1, 0, 0, 100, 100);
  Handlers()[glass] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_NCHITTEST) return false;
    *r = HTTRANSPARENT;
    return true;
  };
  pv::test::PumpUntilIdle();
  POINT p = pv::test::ClientPoint(glass, 10, 10);
  EXPECT_EQ(WindowFromPoint(p), w);
  Log().clear();
  RECT r;
  GetWindowRect(w, &r);
  pv::test::Click(r.left + 150, r.top + 10);  // the caption
  pv::test::PumpUntilIdle();
  bool nc = false;
  for (const Entry& e : Log())
    if (e.hwnd == w && e.msg == WM_NCLBUTTONDOWN) {
      nc = true;
      EXPECT_EQ(e.wParam, static_cast<WPARAM>(HTCAPTION));
    }
  EXPECT_TRUE(nc);
  EXPECT_TRUE(Messages(w, {WM_LBUTTONDOWN}).empty());
}

TEST_F(WmTest, WheelGoesToTheFocusWindowAndBubblesToParents) {
  HWND w = Top(0, 0, 300, 300, WS_POPUP | WS_VISIBLE);
  HWND c = Child(w, 1, 0, 0, 100, 100);
  SetFocus(c);
  pv::test::PumpUntilIdle();
  Log().clear();
  pv::test::Wheel(-WHEEL_DELTA, 250, 250);
  pv::test::PumpUntilIdle();
  auto pairs = Pairs({WM_MOUSEWHEEL});
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].first, c);
  EXPECT_EQ(pairs[1].first, w);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Log()[0].msg == WM_MOUSEWHEEL ? Log()[0].wParam : 0), -WHEEL_DELTA);
}

}  // namespace

TEST_F(WmTest, HotKeysTurnTheirKeyIntoWmHotkey) {
  HWND w = Top(100, 100, 200, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND other = Top(400, 100, 200, 100, WS_POPUP);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetFocus(), w);
  ASSERT_TRUE(RegisterHotKey(w, 7, MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT, 'K'));
  ASSERT_TRUE(RegisterHotKey(nullptr, 8, MOD_ALT, VK_F9));

  // One combination, one hot key; bad arguments are refused.
  struct Refused {
    HWND hwnd;
    UINT mods;
    UINT vk;
    DWORD error;
  } refused[] = {
      {other, MOD_CONTROL | MOD_SHIFT, 'K', ERROR_HOTKEY_ALREADY_REGISTERED},
      {w, 0x100, 'K', ERROR_INVALID_PARAMETER},
      {w, MOD_ALT, 0, ERROR_INVALID_PARAMETER},
      {reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0)), MOD_ALT, 'Q', ERROR_INVALID_WINDOW_HANDLE},
  };
  for (const Refused& r : refused) {
    SetLastError(0);
    EXPECT_FALSE(RegisterHotKey(r.hwnd, 9, r.mods, r.vk));
    EXPECT_EQ(GetLastError(), r.error);
  }

  Log().clear();
  pv::test::Chord(FCONTROL | FSHIFT, 'K');  // the hot key: the focus window never sees K
  pv::test::Chord(FCONTROL, 'K');           // other modifiers: an ordinary key
  pv::test::PumpUntilIdle();
  std::vector<std::pair<WPARAM, LPARAM>> hot;
  int kDowns = 0;
  for (const Entry& e : Log()) {
    if (e.hwnd == w && e.msg == WM_HOTKEY) hot.emplace_back(e.wParam, e.lParam);
    if (e.msg == WM_KEYDOWN && e.wParam == 'K') ++kDowns;
  }
  EXPECT_EQ(hot, (std::vector<std::pair<WPARAM, LPARAM>>{{7, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'K')}}));
  EXPECT_EQ(kDowns, 1);

  // A held key repeats: MOD_NOREPEAT gives one WM_HOTKEY, and the repeats go nowhere.
  Log().clear();
  pv::test::KeyDown(VK_CONTROL);
  pv::test::KeyDown(VK_SHIFT);
  pv::test::KeyDown('K');
  pv::test::KeyDown('K');
  pv::test::KeyUp('K');
  pv::test::KeyUp(VK_SHIFT);
  pv::test::KeyUp(VK_CONTROL);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(w, {WM_HOTKEY}).size(), 1u);
  EXPECT_EQ(Messages(w, {WM_KEYDOWN}).size(), 2u) << "only Ctrl and Shift";

  // A thread hot key comes as a thread message.
  pv::test::KeyDown(VK_MENU);
  pv::test::KeyDown(VK_F9);
  MSG m{};
  bool gotThreadHotKey = false;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_HOTKEY && m.hwnd == nullptr && m.wParam == 8) gotThreadHotKey = true;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  EXPECT_TRUE(gotThreadHotKey);
  pv::test::KeyUp(VK_F9);
  pv::test::KeyUp(VK_MENU);
  pv::test::PumpUntilIdle();

  // Unregistered, or gone with its window.
  EXPECT_TRUE(UnregisterHotKey(nullptr, 8));
  SetLastError(0);
  EXPECT_FALSE(UnregisterHotKey(nullptr, 8));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_NOT_REGISTERED);
  DestroyWindow(w);
  EXPECT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_SHIFT, 'K')) << "the combination is free again";
  SetLastError(0);
  EXPECT_FALSE(UnregisterHotKey(w, 7));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_NOT_REGISTERED);

  EXPECT_TRUE(LockSetForegroundWindow(LSFW_LOCK));
  EXPECT_TRUE(LockSetForegroundWindow(LSFW_UNLOCK));
  EXPECT_FALSE(LockSetForegroundWindow(3));
}
