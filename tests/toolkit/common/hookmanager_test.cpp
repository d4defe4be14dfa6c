// The keyboard manager (clients asked newest first, their answers deciding
// whether a key reaches the focus window; Alt and deactivation close the
// popups) and the hook manager (clients of one window in order, a foreign
// subclasser kept in the chain whichever leaves first, clean-up when the
// window goes).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/toolkit/common/test_bar.h"
#include "toolkit/common/hookmanager.h"
#include "toolkit/common/keyboardmanager.h"
#include "toolkit/common/mousemanager.h"

namespace {

std::vector<std::string> g_log;

class Client : public CTKHookManagerHookAble {
 public:
  Client(std::string name, int answer) : m_name(std::move(name)), m_answer(answer) {}
  ~Client() override { g_log.push_back("deleted " + m_name); }
  int HandleHookedMessage(HWND, UINT nMessage, WPARAM& wParam, LPARAM&, LRESULT& lResult) override {
    if (nMessage == WM_KEYDOWN || nMessage == WM_USER) g_log.push_back(m_name + " " + std::to_string(wParam));
    if (m_answer == 1) lResult = 77;
    return m_answer;
  }
  std::string m_name;
  int m_answer;
};

LRESULT BaseProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_KEYDOWN || msg == WM_USER) g_log.push_back("window " + std::to_string(wp));
  if (msg == WM_USER) return 5;
  return ::DefWindowProcW(h, msg, wp, lp);
}

// Another library's subclasser that takes part in the hand-over.
WNDPROC g_foreignSaved = nullptr;
LRESULT ForeignProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_HOOKMANAGER_SINKREMOVED && wp == reinterpret_cast<WPARAM>(g_foreignSaved)) {
    g_foreignSaved = reinterpret_cast<WNDPROC>(lp);
    return 1;
  }
  if (msg == WM_USER) g_log.push_back("foreign");
  return ::CallWindowProcW(g_foreignSaved, h, msg, wp, lp);
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    pv::test::SetScreen(1024, 768, 40);
    GetMouseManager()->SetHook(FALSE);
    GetMouseManager()->SetHook(TRUE);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BaseProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = u"TKHookTestWnd";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, u"TKHookTestWnd", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
    ::SetForegroundWindow(window_);
    ::SetFocus(window_);
    pv::test::PumpUntilIdle();
    g_log.clear();
  }
  void TearDown() override { pvtest::ResetDesktop(); }
  LRESULT SendUser(WPARAM wp) { return ::SendMessageW(window_, WM_USER, wp, 0); }

  pv::FakeClockScope clock_;
  HWND window_ = nullptr;
};

TEST_F(HookTest, KeyboardClientsAreAskedNewestFirstAndTheirAnswerDecides) {
  struct Case {
    int older, newer;
    std::vector<std::string> log;
  } cases[] = {
      {0, 0, {"newer 65", "older 65"}},               // nobody takes it: the popup owns the keyboard
      {0, 1, {"newer 65"}},                           // taken by the newer one
      {0, 2, {"newer 65", "window 65"}},              // let through at once
      {2, 0, {"newer 65", "older 65", "window 65"}},  // let through by the older one
  };
  CTKKeyboardManager* keyboard = GetKeyboardManager();
  for (const Case& c : cases) {
    Client older("older", c.older), newer("newer", c.newer);
    keyboard->AddKeyboardHook(&older);
    keyboard->AddKeyboardHook(&newer);
    keyboard->AddKeyboardHook(&older);  // once only
    EXPECT_EQ(keyboard->GetClientCount(), 2);
    g_log.clear();
    pv::test::KeyPress('A');  // the release is not offered
    pv::test::PumpUntilIdle();
    EXPECT_EQ(g_log, c.log) << c.older << " " << c.newer;
    keyboard->RemoveKeyboardHook(&newer);
    keyboard->RemoveKeyboardHook(&older);
  }
  g_log.clear();
  // Without clients the hooks are gone and keys go their usual way.
  EXPECT_FALSE(keyboard->IsKeyboardHooked());
  pv::test::KeyPress('A');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_log, (std::vector<std::string>{"window 65"}));
}

TEST_F(HookTest, AltAloneAndDeactivationClosePopups) {
  std::vector<std::string> lost;
  tktest::TestBar popup("popup", &lost, CRect(500, 100, 600, 300));
  popup.Open();  // hooks the bar to the keyboard manager too
  ASSERT_TRUE(GetKeyboardManager()->IsKeyboardHooked());

  // A first press of Alt closes the popups; holding it down closes nothing.
  pv::test::KeyDown(VK_MENU);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(lost, (std::vector<std::string>{"lost popup"}));
  EXPECT_FALSE(GetKeyboardManager()->IsKeyboardHooked());  // its last client went with it
  popup.Open();
  lost.clear();
  pv::test::KeyDown(VK_MENU);  // repeat
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(lost.empty());
  pv::test::KeyUp(VK_MENU);
  pv::test::PumpUntilIdle();

  // While the mouse manager is suspended Alt goes to the clients instead.
  GetMouseManager()->m_nSuspendCount = 1;
  pv::test::KeyPress(VK_MENU);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(lost.empty());
  GetMouseManager()->m_nSuspendCount = 0;

  pv::test::AppDeactivate();
  pv::test::PumpUntilIdle();
  EXPECT_EQ(lost, (std::vector<std::string>{"lost popup"}));
}

TEST_F(HookTest, TheLaterClientOfAWindowIsAskedFirst) {
  CTKHookManager* hooks = GetHookManager();
  Client first("first", 0), second("second", 0);
  hooks->AddHook(window_, &first);
  hooks->AddHook(window_, &second);
  hooks->AddHook(window_, &first);  // once only
  ASSERT_NE(hooks->FindSink(window_), nullptr);
  EXPECT_EQ(hooks->FindSink(window_)->GetClientCount(), 2);

  EXPECT_EQ(SendUser(1), 5);
  second.m_answer = 1;
  EXPECT_EQ(SendUser(2), 77);  // handled: neither the first client nor the window sees it
  second.m_answer = 2;
  EXPECT_EQ(SendUser(3), 5);  // stopped: the window sees it, the first client does not
  EXPECT_EQ(g_log, (std::vector<std::string>{"second 1", "first 1", "window 1", "second 2", "second 3", "window 3"}));

  hooks->RemoveClient(&second);
  hooks->RemoveHook(window_, &first);
  EXPECT_EQ(hooks->FindSink(window_), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window_, GWLP_WNDPROC)), &BaseProc);
}

TEST_F(HookTest, AForeignSubclasserSurvivesEitherOrderOfRemoval) {
  CTKHookManager* hooks = GetHookManager();
  Client client("client", 0);

  // Foreign above the sink: the sink leaves, the foreign one takes over its procedure.
  hooks->AddHook(window_, &client);
  g_foreignSaved =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
  hooks->RemoveHook(window_, &client);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window_, GWLP_WNDPROC)), &ForeignProc);
  EXPECT_EQ(g_foreignSaved, &BaseProc);
  g_log.clear();
  EXPECT_EQ(SendUser(1), 5);
  EXPECT_EQ(g_log, (std::vector<std::string>{"foreign", "window 1"}));

  // Foreign below the sink: it leaves first and hands its procedure to the sink.
  hooks->AddHook(window_, &client);
  const LRESULT taken = ::SendMessageW(window_, WM_HOOKMANAGER_SINKREMOVED, reinterpret_cast<WPARAM>(&ForeignProc),
                                       reinterpret_cast<LPARAM>(g_foreignSaved));
  EXPECT_EQ(taken, 1);
  g_log.clear();
  EXPECT_EQ(SendUser(2), 5);
  EXPECT_EQ(g_log, (std::vector<std::string>{"client 2", "window 2"}));
  hooks->RemoveHook(window_, &client);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window_, GWLP_WNDPROC)), &BaseProc);
}

TEST_F(HookTest, DestroyingTheWindowRemovesItsSinkAndAutoDeleteClients) {
  CTKHookManager* hooks = GetHookManager();
  auto* owned = new Client("owned", 0);
  owned->m_bAutoDestroy = TRUE;
  Client kept("kept", 0);
  hooks->AddHook(window_, owned);
  hooks->AddHook(window_, &kept);
  ::DestroyWindow(window_);
  EXPECT_EQ(hooks->FindSink(window_), nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"deleted owned"}));
  g_log.clear();
}

}  // namespace
