// Messages and loops: queue order and filters, nested sending, modal loops
// driven by scripted input, timers on the fake clock, hooks, other threads.
#include <atomic>
#include <thread>

#include "tests/platform/window/wm_test_util.h"

using namespace wmtest;

namespace {

TEST_F(WmTest, QueueOrderFiltersAndQuit) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND c = Child(w, 1, 0, 0, 10, 10);
  HWND other = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  const DWORD postedAt = GetTickCount();
  PostMessage(w, WM_USER + 1, 1, 0);
  PostMessage(other, WM_USER + 2, 2, 0);
  PostMessage(c, WM_USER + 3, 3, 0);
  PostThreadMessage(GetWindowThreadProcessId(w, nullptr), WM_USER + 4, 4, 0);
  PostQuitMessage(9);
  pv::Clock::AdvanceBy(50);
  MSG m;
  // Peeking without removing leaves the message first in line.
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  // A window filter takes that window's messages and its children's.
  ASSERT_TRUE(PeekMessage(&m, w, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  // A posted message carries the tick it was posted at.
  EXPECT_EQ(m.time, postedAt);
  EXPECT_EQ(static_cast<DWORD>(GetMessageTime()), postedAt);
  ASSERT_TRUE(PeekMessage(&m, w, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
  EXPECT_FALSE(PeekMessage(&m, w, WM_USER, WM_USER + 10, PM_REMOVE));
  // -1 takes thread messages only; a range filter skips the others.
  ASSERT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 4));
  EXPECT_EQ(m.hwnd, nullptr);
  // WM_QUIT waits until the posted messages are gone.
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 9u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(GetMessage(&m, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7777777)), 0, 0), -1);
}

TEST_F(WmTest, NestedSendMessageIsReentrantAndSurvivesDestruction) {
  HWND a = Top(0, 0, 10, 10, WS_POPUP);
  HWND b = Top(0, 0, 10, 10, WS_POPUP);
  int depth = 0, maxDepth = 0;
  Handlers()[a] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m != WM_USER) return false;
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    *r = wp == 0 ? 1 : 10 + SendMessage(b, WM_USER, wp - 1, 0);
    --depth;
    return true;
  };
  Handlers()[b] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m != WM_USER) return false;
    *r = 100 + SendMessage(a, WM_USER, wp, 0);
    return true;
  };
  // a(3) -> b(2) -> a(2) -> b(1) -> a(1) -> b(0) -> a(0)=1
  EXPECT_EQ(SendMessage(a, WM_USER, 3, 0), 10 + 100 + 10 + 100 + 10 + 100 + 1);
  EXPECT_EQ(maxDepth, 4);

  // A window destroyed inside its own handler: the callers unwind safely.
  HWND d = Top(0, 0, 10, 10, WS_POPUP);
  Handlers()[d] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_USER + 5) return false;
    DestroyWindow(h);
    *r = 7;
    return true;
  };
  PostMessage(d, WM_USER + 5, 0, 0);
  EXPECT_EQ(pv::test::PumpUntilIdle(), 1);
  EXPECT_FALSE(IsWindow(d));
}

// A handler that runs its own loop until the button comes up, as drag
// trackers do.
TEST_F(WmTest, ModalLoopInsideAHandlerSeesScriptedInput) {
  HWND w = Top(100, 100, 300, 200, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  std::vector<POINT> moves;
  bool ended = false;
  bool cancelled = false;
  Handlers()[w] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_LBUTTONDOWN) return false;
    SetCapture(h);
    for (;;) {
      MSG msg;
      if (!GetMessage(&msg, nullptr, 0, 0)) {
        cancelled = msg.lParam == PV_DRY_CANCEL;
        if (!cancelled) PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (GetCapture() != h) {
        cancelled = true;
        break;
      }
      if (msg.message == WM_MOUSEMOVE) moves.push_back(POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
      if (msg.message == WM_LBUTTONUP) {
        ended = true;
        break;
      }
      DispatchMessage(&msg);
    }
    ReleaseCapture();
    return true;
  };
  pv::test::MouseDown(pv::test::Button::Left, 110, 110);
  pv::test::MouseMove(120, 115);
  pv::test::MouseUp(pv::test::Button::Left, 120, 115);
  pv::test::MouseMove(500, 500);  // outside: still the capture window's, in its client coordinates
  pv::test::MouseDown(pv::test::Button::Left, 500, 500);
  pv::test::MouseUp(pv::test::Button::Left, 500, 500);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(ended);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].x, 20);
  EXPECT_EQ(moves[0].y, 15);

  // The same loop with nothing more to come ends as a cancel in a test.
  ended = false;
  Log().clear();
  pv::test::MouseDown(pv::test::Button::Left, 150, 150);
  int before = pv::test::DryCancelCount();
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(ended);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(pv::test::DryCancelCount(), before + 1);
  // The mode was cancelled first (capture window told), and the capture change seen.
  auto m = Messages(w, {WM_CANCELMODE, WM_CAPTURECHANGED});
  EXPECT_EQ(m, (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED}));
  EXPECT_FALSE(pv::test::TakeQuit());
}

TEST_F(WmTest, QuitEndingANestedLoopReachesTheOuterLoop) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  int inner = 0;
  Handlers()[w] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_USER) return false;
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
      ++inner;
      DispatchMessage(&msg);
    }
    PostQuitMessage(static_cast<int>(msg.wParam));  // give it back to whoever runs outside
    return true;
  };
  PostMessage(w, WM_USER, 0, 0);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(inner, 1);
  int code = 0;
  EXPECT_TRUE(pv::test::TakeQuit(&code));
  EXPECT_EQ(code, 3);
}

TEST_F(WmTest, TimersFireInOrderOnTheFakeClockAndCoalesce) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  std::vector<std::pair<UINT_PTR, DWORD>> fired;
  Handlers()[w] = [&](HWND, UINT m, WPARAM id, LPARAM, LRESULT*) {
    if (m != WM_TIMER) return false;
    fired.emplace_back(id, static_cast<DWORD>(GetTickCount()));
    return true;
  };
  DWORD t0 = GetTickCount();
  SetTimer(w, 1, 100, nullptr);
  SetTimer(w, 2, 250, nullptr);
  SetTimer(w, 3, 5, nullptr);  // raised to the 10 ms minimum
  KillTimer(w, 3);
  pv::test::AdvanceAndPump(500);
  std::vector<std::pair<UINT_PTR, DWORD>> expected = {{1, t0 + 100}, {1, t0 + 200}, {2, t0 + 250}, {1, t0 + 300},
                                                      {1, t0 + 400}, {2, t0 + 500}, {1, t0 + 500}};
  EXPECT_EQ(fired, expected);

  // Time that passed without a loop running gives one WM_TIMER per timer.
  fired.clear();
  pv::Clock::AdvanceBy(10000);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].first + fired[1].first, 3u);

  // Re-setting a timer restarts it; killing one in another's handler stops it.
  fired.clear();
  Handlers()[w] = [&](HWND h, UINT m, WPARAM id, LPARAM, LRESULT*) {
    if (m != WM_TIMER) return false;
    fired.emplace_back(id, 0);
    if (id == 1) KillTimer(h, 2);
    return true;
  };
  SetTimer(w, 1, 100, nullptr);
  SetTimer(w, 2, 100, nullptr);
  pv::test::AdvanceAndPump(100);
  EXPECT_EQ(fired, (std::vector<std::pair<UINT_PTR, DWORD>>{{1, 0}}));
  EXPECT_FALSE(KillTimer(w, 2));

  // Timer procedures, thread timers, and timers dying with their window.
  static int procCalls = 0;
  procCalls = 0;
  UINT_PTR tid = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++procCalls; });
  EXPECT_NE(tid, 0u);
  SetTimer(w, 9, 50, [](HWND, UINT, UINT_PTR, DWORD) { procCalls += 100; });
  DestroyWindow(w);
  pv::test::AdvanceAndPump(120);
  EXPECT_EQ(procCalls, 2);
  KillTimer(nullptr, tid);
  pv::test::AdvanceAndPump(120);
  EXPECT_EQ(procCalls, 2);
}

// ---- hooks ----
std::vector<std::string>& HookTrail() {
  static std::vector<std::string> t;
  return t;
}
HHOOK g_h1 = nullptr, g_h2 = nullptr, g_h3 = nullptr;

LRESULT Hook1(int code, WPARAM w, LPARAM l) {
  HookTrail().push_back("1");
  return CallNextHookEx(g_h1, code, w, l);
}
LRESULT Hook2(int code, WPARAM w, LPARAM l) {
  HookTrail().push_back("2");
  // Removes itself while it runs, then passes the call on.
  UnhookWindowsHookEx(g_h2);
  return CallNextHookEx(g_h2, code, w, l);
}
LRESULT Hook3(int code, WPARAM w, LPARAM l) {
  HookTrail().push_back("3");
  return CallNextHookEx(g_h3, code, w, l);
}

TEST_F(WmTest, HookChainsRunNewestFirstAndSurviveSelfRemoval) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  g_h1 = SetWindowsHookEx(WH_CALLWNDPROC, Hook1, nullptr, 0);
  g_h2 = SetWindowsHookEx(WH_CALLWNDPROC, Hook2, nullptr, 0);
  g_h3 = SetWindowsHookEx(WH_CALLWNDPROC, Hook3, nullptr, 0);
  HookTrail().clear();
  SendMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(HookTrail(), (std::vector<std::string>{"3", "2", "1"}));
  HookTrail().clear();
  SendMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(HookTrail(), (std::vector<std::string>{"3", "1"}));
  // Posted messages are not sent: the call-window hook does not see them.
  HookTrail().clear();
  PostMessage(w, WM_USER, 0, 0);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(HookTrail().empty());
  EXPECT_FALSE(UnhookWindowsHookEx(g_h2));
  EXPECT_TRUE(UnhookWindowsHookEx(g_h1));
  EXPECT_TRUE(UnhookWindowsHookEx(g_h3));
}

// The framework's pattern: a CBT hook subclasses the window before its first message.
WNDPROC g_cbtOld = nullptr;
std::vector<UINT>& CbtSeen() {
  static std::vector<UINT> v;
  return v;
}
LRESULT CbtSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  CbtSeen().push_back(m);
  return CallWindowProc(g_cbtOld, h, m, w, l);
}
HHOOK g_cbt = nullptr;
bool g_refuse = false;
LRESULT CbtHook(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_CREATEWND) {
    auto* cbt = reinterpret_cast<CBT_CREATEWND*>(l);
    EXPECT_NE(cbt->lpcs, nullptr);
    if (g_refuse) return 1;
    HWND h = reinterpret_cast<HWND>(w);
    EXPECT_TRUE(IsWindow(h));
    g_cbtOld =
        reinterpret_cast<WNDPROC>(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CbtSubclassProc)));
  }
  return CallNextHookEx(g_cbt, code, w, l);
}

TEST_F(WmTest, CbtHookSeesCreationFirstAndCanRefuseIt) {
  g_cbt = SetWindowsHookEx(WH_CBT, CbtHook, nullptr, GetWindowThreadProcessId(GetDesktopWindow(), nullptr));
  CbtSeen().clear();
  g_refuse = false;
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  ASSERT_TRUE(IsWindow(w));
  ASSERT_FALSE(CbtSeen().empty());
  EXPECT_EQ(CbtSeen().front(), static_cast<UINT>(WM_NCCREATE));
  g_refuse = true;
  EXPECT_EQ(Top(0, 0, 10, 10, WS_POPUP), nullptr);
  g_refuse = false;
  UnhookWindowsHookEx(g_cbt);
}

HHOOK g_getMsg = nullptr;
LRESULT GetMsgHook(int code, WPARAM w, LPARAM l) {
  auto* m = reinterpret_cast<MSG*>(l);
  if (m->message == WM_USER + 7 && w == PM_REMOVE) m->message = WM_USER + 8;  // hooks may change what is returned
  return CallNextHookEx(g_getMsg, code, w, l);
}
HHOOK g_mouse = nullptr;
LRESULT MouseHook(int code, WPARAM w, LPARAM l) {
  if (w == WM_LBUTTONDOWN) return 1;  // swallow presses
  return CallNextHookEx(g_mouse, code, w, l);
}
HHOOK g_kbd = nullptr;
LRESULT KeyboardHook(int code, WPARAM w, LPARAM l) {
  if (w == 'Q') return 1;
  return CallNextHookEx(g_kbd, code, w, l);
}

TEST_F(WmTest, MessageMouseAndKeyboardHooksSeeAndFilterInput) {
  HWND w = Top(100, 100, 200, 200, WS_POPUP | WS_VISIBLE);
  SetFocus(w);
  pv::test::PumpUntilIdle();
  g_getMsg = SetWindowsHookEx(WH_GETMESSAGE, GetMsgHook, nullptr, 0);
  g_mouse = SetWindowsHookEx(WH_MOUSE, MouseHook, nullptr, 0);
  g_kbd = SetWindowsHookEx(WH_KEYBOARD, KeyboardHook, nullptr, 0);
  Log().clear();
  PostMessage(w, WM_USER + 7, 0, 0);
  pv::test::Click(150, 150);
  pv::test::KeyPress('Q');
  pv::test::KeyPress('W');
  pv::test::PumpUntilIdle();
  auto m = Messages(w, {WM_USER + 7, WM_USER + 8, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR});
  EXPECT_EQ(m, (std::vector<UINT>{WM_USER + 8, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR}));
  for (const Entry& e : Log())
    if (e.msg == WM_CHAR) {
      EXPECT_EQ(e.wParam, static_cast<WPARAM>(u'w'));
    }
  UnhookWindowsHookEx(g_getMsg);
  UnhookWindowsHookEx(g_mouse);
  UnhookWindowsHookEx(g_kbd);
}

TEST_F(WmTest, OtherThreadsPostAndSendToTheUiThread) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  DWORD uiThread = GetWindowThreadProcessId(w, nullptr);
  std::atomic<int> handled{0};
  Handlers()[w] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT* r) {
    if (m != WM_USER) return false;
    ++handled;
    *r = static_cast<LRESULT>(wp * 2);
    return true;
  };
  pv::test::SetModalDryCancel(0);  // the loop below must wait for the worker
  LRESULT sent = 0;
  std::thread worker([&] {
    PostMessage(w, WM_USER, 1, 0);
    sent = SendMessage(w, WM_USER, 21, 0);  // blocks until the UI thread answers
    PostThreadMessage(uiThread, WM_USER + 1, 0, 0);
  });
  MSG m;
  int got = 0;
  while (GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_USER + 1) break;
    DispatchMessage(&m);
    ++got;
  }
  worker.join();
  EXPECT_EQ(sent, 42);
  EXPECT_EQ(handled.load(), 2);
  EXPECT_EQ(got, 1);
}

TEST_F(WmTest, PaintAndTimerComeAfterPostedAndInput) {
  HWND w = Top(100, 100, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  SetTimer(w, 1, 10, nullptr);
  pv::Clock::AdvanceBy(20);
  InvalidateRect(w, nullptr, TRUE);
  pv::test::MouseMove(120, 120);
  PostMessage(w, WM_USER, 0, 0);
  Log().clear();
  pv::test::PumpUntilIdle();
  auto m = Messages(w, {WM_USER, WM_MOUSEMOVE, WM_PAINT, WM_TIMER});
  EXPECT_EQ(m, (std::vector<UINT>{WM_USER, WM_MOUSEMOVE, WM_PAINT, WM_TIMER}));
}

}  // namespace
