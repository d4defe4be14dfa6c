// The calls other threads may make on the UI thread's windows (posting,
// sending, broadcasting, hooks, SetWindowPos, reading the text) while the UI
// thread creates, changes and destroys them. The races these guard are
// caught by the sanitizers of the test build; the outcome checked here is
// the same on every run.
#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/lasterror.h"
#include "tests/platform/window/wm_test_util.h"

using namespace wmtest;

namespace {

constexpr const char16_t* kPlainClass = u"PvThreadsPlain";

void RegisterPlain() {
  static bool done = false;
  if (done) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = kPlainClass;
  RegisterClass(&wc);
  done = true;
}

HWND Plain(int x, const char16_t* text = u"") {
  return CreateWindowEx(0, kPlainClass, text, WS_POPUP, x, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

void Drain() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
}

std::atomic<int> g_ownHookCalls{0};
LRESULT CALLBACK CountingHook(int code, WPARAM wParam, LPARAM lParam) {
  ++g_ownHookCalls;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK OtherThreadHook(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
std::atomic<int> g_winEvents{0};
void CALLBACK CountingWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) { ++g_winEvents; }
void CALLBACK OtherWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {}

std::atomic<DWORD> g_userMessageThread{0};
LRESULT CALLBACK ThreadRecordingProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER) g_userMessageThread = GetCurrentThreadId();
  return DefWindowProc(h, msg, w, l);
}

}  // namespace

// The calling thread finds its own windows without the table lock; a
// window of another thread, even in a slot one of ours held before, must
// never pass for one of ours.
TEST_F(WmTest, AnotherThreadsWindowInASlotOnceOursIsStillTheOtherThreads) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ThreadRecordingProc;
  wc.lpszClassName = u"PvThreadsRecording";
  RegisterClass(&wc);
  // Enough freed slots that the next window takes the one freed longest ago.
  std::vector<HWND> freed;
  for (int i = 0; i < 80; ++i) freed.push_back(Top(0, 0, 10, 10, WS_POPUP));
  for (HWND h : freed) DestroyWindow(h);

  std::promise<HWND> created;
  std::promise<void> checked;
  std::atomic<bool> postArrived{false};
  auto index = [](HWND h) { return reinterpret_cast<uintptr_t>(h) & 0xFFFFF; };
  std::thread worker([&] {
    // Slots are handed out oldest freed first: go through the list until
    // one of the slots freed above comes up.
    HWND w = nullptr;
    for (int i = 0; i < 100000 && !w; ++i) {
      HWND h =
          CreateWindowEx(0, u"PvThreadsRecording", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      for (HWND f : freed)
        if (index(f) == index(h)) w = h;
      if (!w) DestroyWindow(h);
    }
    created.set_value(w);
    checked.get_future().wait();
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
      if (m.hwnd == w && m.message == WM_USER + 5) postArrived = true;
    DestroyWindow(w);
  });
  HWND theirs = created.get_future().get();
  HWND stale = nullptr;
  for (HWND f : freed)
    if (index(f) == index(theirs)) stale = f;
  if (!theirs || !stale) {
    checked.set_value();
    worker.join();
    FAIL() << "the other thread's window never took a slot of ours";
  }

  EXPECT_TRUE(IsWindow(theirs));
  EXPECT_FALSE(IsWindow(stale));
  g_userMessageThread = 0;
  MSG m{theirs, WM_USER, 0, 0, 0, {}};
  SetLastError(0);
  EXPECT_EQ(DispatchMessage(&m), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(g_userMessageThread.load(), 0u) << "another thread's procedure ran on this thread";
  SetLastError(0);
  EXPECT_FALSE(PostMessage(stale, WM_USER + 5, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(PostMessage(theirs, WM_USER + 5, 0, 0));
  MSG mine;
  EXPECT_FALSE(PeekMessage(&mine, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE)) << "posted to the wrong queue";

  checked.set_value();
  worker.join();
  EXPECT_TRUE(postArrived.load());
}

TEST_F(WmTest, OtherThreadsReachWindowsThatComeAndGoOnlyThroughTheirHandles) {
  RegisterPlain();
  std::atomic<HWND> target{nullptr};
  std::atomic<bool> stop{false};
  std::atomic<long> rounds{0};
  std::thread worker([&] {
    WCHAR text[64];
    while (!stop.load()) {
      HWND h = target.load();
      // Each call looks the window up while the UI thread may free it.
      PostMessage(h, WM_NULL, 0, 0);
      SendNotifyMessage(h, WM_NULL, 0, 0);
      PostMessage(HWND_BROADCAST, WM_NULL, 0, 0);  // walks the desktop's list
      SetWindowPos(h, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      GetWindowText(h, text, 64);
      IsWindow(h);
      ++rounds;
    }
  });
  // Windows come and go in batches, so the desktop's list grows and shrinks
  // (its storage moves) under the worker's broadcasts.
  std::u16string text;
  for (int i = 0; i < 250 || rounds.load() < 100; ++i) {
    HWND batch[12];
    for (HWND& h : batch) h = Plain(i % 50);
    target.store(batch[i % 12]);
    text.assign(static_cast<size_t>(i % 40 + 1), u'x');
    SetWindowText(batch[i % 12], text.c_str());  // the text's storage moves under the worker's reads
    Drain();
    for (HWND h : batch) DestroyWindow(h);
    if (i > 100000) break;  // a hang guard only
  }
  stop.store(true);
  worker.join();
  Drain();
  EXPECT_GT(rounds.load(), 0);
}

TEST_F(WmTest, HooksInstalledAndRemovedByAnotherThreadLeaveTheUiThreadsChainWhole) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  g_ownHookCalls = 0;
  g_winEvents = 0;
  HHOOK own = SetWindowsHookEx(WH_CALLWNDPROC, CountingHook, nullptr, GetCurrentThreadId());
  HWINEVENTHOOK ownEvents =
      SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, CountingWinEvent, 0, 0, 0);
  std::atomic<bool> stop{false};
  std::atomic<long> churn{0};
  std::thread worker([&] {
    DWORD me = GetCurrentThreadId();
    while (!stop.load()) {
      // Several at once, so the tables' storage moves while the UI thread walks them.
      HHOOK hooks[8];
      HWINEVENTHOOK events[8];
      for (int i = 0; i < 8; ++i) {
        hooks[i] = SetWindowsHookEx(WH_CALLWNDPROC, OtherThreadHook, nullptr, me);
        events[i] = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, OtherWinEvent, 0, me, 0);
      }
      for (int i = 0; i < 8; ++i) {
        UnhookWindowsHookEx(hooks[i]);
        UnhookWinEvent(events[i]);
      }
      ++churn;
    }
  });
  const int sends = 20000;
  for (int i = 0; i < sends || churn.load() < 50; ++i) {
    if (i < sends) {
      SendMessage(w, WM_NULL, 0, 0);
      NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, w, OBJID_WINDOW, CHILDID_SELF);
    }
    if (i > 10000000) break;  // a hang guard only
  }
  stop.store(true);
  worker.join();
  // The other thread's hooks never ran here, and ours ran for every send.
  EXPECT_EQ(g_ownHookCalls.load(), sends);
  EXPECT_EQ(g_winEvents.load(), sends);
  EXPECT_TRUE(UnhookWindowsHookEx(own));
  EXPECT_TRUE(UnhookWinEvent(ownEvents));
}

TEST_F(WmTest, SetWindowPosFromAnotherThreadIsAppliedByTheOwnerAndDiesWithTheWindow) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  pv::test::PumpUntilIdle();
  std::thread([&] { EXPECT_TRUE(SetWindowPos(w, nullptr, 30, 40, 50, 60, SWP_NOZORDER | SWP_NOACTIVATE)); }).join();
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);  // waits for the owner thread's loop
  pv::test::PumpUntilIdle();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right, 80);
  EXPECT_EQ(r.bottom, 100);

  // The window dies before its thread reads the request: nothing is left
  // behind (the leak checker of the test build watches this).
  HWND doomed = Top(0, 0, 10, 10, WS_POPUP);
  std::thread([&] { EXPECT_TRUE(SetWindowPos(doomed, nullptr, 1, 2, 3, 4, SWP_NOZORDER)); }).join();
  DestroyWindow(doomed);
  pv::test::PumpUntilIdle();

  // The request taken off the queue but never dispatched, and then its
  // window destroyed: the same.
  HWND dropped = Top(0, 0, 10, 10, WS_POPUP);
  std::thread([&] { EXPECT_TRUE(SetWindowPos(dropped, nullptr, 1, 2, 3, 4, SWP_NOZORDER)); }).join();
  MSG m;
  while (PeekMessage(&m, dropped, 0, 0, PM_REMOVE)) {}
  DestroyWindow(dropped);

  // A message that only looks like such a request names nothing to apply.
  const UINT asks = RegisterWindowMessage(u"PravenorSetWindowPos");
  PostMessage(w, asks, 0, 0x1234);
  PostMessage(w, asks, 0, reinterpret_cast<LPARAM>(&r));
  pv::test::PumpUntilIdle();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.right, 80);

  // A window destroyed meanwhile: the other thread is told so.
  HWND gone = Top(0, 0, 10, 10, WS_POPUP);
  DestroyWindow(gone);
  std::thread([&] {
    SetLastError(0);
    EXPECT_FALSE(SetWindowPos(gone, nullptr, 1, 2, 3, 4, SWP_NOZORDER));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessage(gone, WM_NULL, 0, 0));
  }).join();
}

// A worker thread sets and kills timers of its own while the UI thread's
// timer fires: neither thread sees the other's timers, and the table's
// storage may move under neither.
TEST_F(WmTest, TimersSetAndKilledByAnotherThreadLeaveTheUiThreadsTimersAlone) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  ASSERT_EQ(SetTimer(w, 7, USER_TIMER_MINIMUM, nullptr), 7u);
  std::atomic<bool> stop{false};
  std::atomic<long> churn{0};
  std::atomic<int> foreignSeen{0};
  std::thread worker([&] {
    while (!stop.load()) {
      // Several at once, so the table grows and shrinks while the UI thread walks it.
      UINT_PTR ids[8];
      for (UINT_PTR& id : ids) id = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, nullptr);
      MSG m;
      while (PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (m.hwnd == w) ++foreignSeen;
      for (UINT_PTR id : ids) KillTimer(nullptr, id);
      ++churn;
    }
  });
  int fired = 0;
  for (int i = 0; i < 20000 || churn.load() < 50; ++i) {
    if (i < 20000) {
      pv::Clock::AdvanceBy(USER_TIMER_MINIMUM);
      MSG m;
      while (PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        EXPECT_EQ(m.hwnd, w);
        if (m.hwnd == w && m.wParam == 7) ++fired;
      }
    }
    if (i > 10000000) break;  // a hang guard only
  }
  stop.store(true);
  worker.join();
  EXPECT_EQ(foreignSeen.load(), 0);
  EXPECT_EQ(fired, 20000);
  EXPECT_TRUE(KillTimer(w, 7));
}
