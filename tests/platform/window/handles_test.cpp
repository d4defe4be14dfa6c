// Handle lookups of the calling thread's windows take a lock-free path; its
// answers must follow windows as they are re-parented, given new owners,
// destroyed and their slots given to new windows.
#include <functional>
#include <string>
#include <vector>

#include "platform/base/lasterror.h"
#include "platform/window/wm_internal.h"
#include "tests/platform/window/wm_test_util.h"

namespace wmtest {
namespace {

struct World {
  HWND a = nullptr, b = nullptr;  // top-level windows
  HWND child = nullptr;           // a child, first of a
  HWND popup = nullptr;           // a popup, first owned by a
  HWND reused = nullptr;          // a new window in the child's old slot
};

struct Step {
  const char* what;
  std::function<void(World&)> act;
  HWND World::*window;  // the window asked about after the step
  HWND World::*parent;  // GetParent's answer (null member: none)
  HWND World::*owner;   // GetWindow(GW_OWNER)'s answer
  bool alive;
};

// How many messages `h`'s procedure saw of WM_USER + 7.
int Heard(HWND h) {
  int n = 0;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == WM_USER + 7) ++n;
  return n;
}

TEST_F(WmTest, LookupsFollowWindowsReparentedReownedDestroyedAndReused) {
  World w;
  w.a = Top();
  w.b = Top();
  w.child = Child(w.a, 1, 0, 0, 10, 10);
  w.popup = CreateWindowEx(0, kClass, u"Popup", WS_POPUP, 0, 0, 10, 10, w.a, nullptr, nullptr, nullptr);
  ASSERT_TRUE(w.child && w.popup);
  HWND World::*const none = nullptr;
  const HWND child = w.child;
  const std::vector<Step> steps = {
      {"first", [](World&) {}, &World::child, &World::a, none, true},
      {"popup owned", [](World&) {}, &World::popup, &World::a, &World::a, true},
      {"child moved to b", [](World& x) { SetParent(x.child, x.b); }, &World::child, &World::b, none, true},
      {"popup given to b",
       [](World& x) { SetWindowLongPtr(x.popup, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(x.b)); }, &World::popup,
       &World::b, &World::b, true},
      {"child made top-level", [](World& x) { SetParent(x.child, nullptr); }, &World::child, none, none, true},
      {"child back under a", [](World& x) { SetParent(x.child, x.a); }, &World::child, &World::a, none, true},
      {"b destroyed with its popup", [](World& x) { DestroyWindow(x.b); }, &World::popup, none, none, false},
      {"a destroyed with its child", [](World& x) { DestroyWindow(x.a); }, &World::child, none, none, false},
      {"child's slot reused",
       [this](World& x) {
         // Enough freed slots that new windows take the ones freed longest ago.
         std::vector<HWND> spare;
         for (int i = 0; i < 80; ++i) spare.push_back(Top(0, 0, 10, 10, WS_POPUP));
         for (HWND h : spare) DestroyWindow(h);
         const uintptr_t slot = reinterpret_cast<uintptr_t>(x.child) & 0xFFFFF;
         for (int i = 0; i < 1000 && !x.reused; ++i) {
           HWND h = Top(0, 0, 10, 10, WS_POPUP);
           if ((reinterpret_cast<uintptr_t>(h) & 0xFFFFF) == slot) x.reused = h;
         }
       },
       &World::child, none, none, false},
      {"the new window in the slot", [](World&) {}, &World::reused, none, none, true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act(w);
    const HWND h = w.*s.window;
    ASSERT_TRUE(h);
    const HWND parent = s.parent ? w.*s.parent : nullptr;
    const HWND owner = s.owner ? w.*s.owner : nullptr;
    EXPECT_EQ(IsWindow(h) != FALSE, s.alive);
    SetLastError(0);
    EXPECT_EQ(GetParent(h), parent);
    EXPECT_EQ(GetLastError(), s.alive ? 0u : static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(GetWindow(h, GW_OWNER), owner);
    const int before = Heard(h);
    SetLastError(0);
    SendMessage(h, WM_USER + 7, 0, 0);
    EXPECT_EQ(Heard(h), before + (s.alive ? 1 : 0));
    EXPECT_EQ(GetLastError(), s.alive ? 0u : static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  // The stale handle of the child reached nothing, the window in its slot only
  // its own messages.
  ASSERT_TRUE(w.reused);
  EXPECT_NE(w.reused, child);
  EXPECT_EQ(Heard(w.reused), 1);
  EXPECT_EQ(GetWindowThreadProcessId(w.reused, nullptr), GetCurrentThreadId());
  EXPECT_EQ(GetWindowThreadProcessId(child, nullptr), 0u);
}

// New windows take the slot freed last; put back however the test ends.
struct WindowSlotReuse {
  WindowSlotReuse() { pv::wm::SetWindowSlotReuseLastFreedForTesting(true); }
  ~WindowSlotReuse() { pv::wm::SetWindowSlotReuseLastFreedForTesting(false); }
};

uintptr_t SlotOf(HWND h) { return reinterpret_cast<uintptr_t>(h) & pv::wm::kIndexMask; }

// A slot that has given out its last generation is never used again: were
// it to start over, the handles it gave out before would find the windows
// made in it later.
TEST_F(WmTest, ASlotPastItsLastGenerationIsRetiredForGood) {
  WindowSlotReuse reuse;
  const HWND first = Top(0, 0, 10, 10, WS_POPUP);
  ASSERT_TRUE(first);
  const uintptr_t slot = SlotOf(first);
  ASSERT_TRUE(DestroyWindow(first));
  pv::wm::SetNextWindowGenerationForTesting(pv::wm::kGenMask);
  const HWND last = Top(0, 0, 10, 10, WS_POPUP);
  ASSERT_EQ(SlotOf(last), slot) << "the new window took the slot freed last";
  ASSERT_TRUE(DestroyWindow(last));

  // Windows made from here on never take the slot again, so neither old
  // handle ever reaches one of them.
  for (unsigned i = 0; i <= pv::wm::kGenMask; ++i) {
    const HWND h = Top(0, 0, 10, 10, WS_POPUP);
    ASSERT_TRUE(h);
    const bool inSlot = SlotOf(h) == slot;
    if (i == 0) EXPECT_FALSE(inSlot) << "a new window took the retired slot";
    EXPECT_NE(h, first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(last));
    const int before = Heard(h);
    SetLastError(0);
    SendMessage(first, WM_USER + 7, 0, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(Heard(h), before) << "the stale handle reached the new window";
    DestroyWindow(h);
    if (!inSlot || h == first) break;
  }
}

// A finished deferred-position list and a finished drop are gone for good:
// their handles reach neither freed memory nor the list or drop made next
// (which the allocator is free to place at the same address).
TEST_F(WmTest, FinishedDeferListsAndDropsStayFinished) {
  HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND a = Child(parent, 1, 0, 0, 10, 10);
  HDWP stale = BeginDeferWindowPos(1);
  stale = DeferWindowPos(stale, a, nullptr, 5, 5, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  ASSERT_NE(stale, nullptr);
  ASSERT_TRUE(EndDeferWindowPos(stale));
  HDWP live = BeginDeferWindowPos(1);
  ASSERT_NE(live, nullptr);
  EXPECT_NE(live, stale);
  SetLastError(0);
  EXPECT_EQ(DeferWindowPos(stale, a, nullptr, 70, 70, 0, 0, SWP_NOZORDER | SWP_NOSIZE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(EndDeferWindowPos(stale));
  live = DeferWindowPos(live, a, nullptr, 9, 9, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  ASSERT_NE(live, nullptr) << "the live list survives the stale handle";
  ASSERT_TRUE(EndDeferWindowPos(live));
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r.left, 9) << "only the live list's position applied";

  const std::vector<std::u16string> first{u"a.txt"}, second{u"b.txt", u"c.txt"};
  HDROP done = pv::MakeDrop(first, POINT{1, 2});
  DragFinish(done);
  HDROP drop = pv::MakeDrop(second, POINT{3, 4});
  EXPECT_NE(drop, done);
  EXPECT_EQ(DragQueryFileW(done, 0xFFFFFFFF, nullptr, 0), 0u);
  WCHAR name[16] = {};
  EXPECT_EQ(DragQueryFileW(done, 0, name, 16), 0u);
  POINT pt{};
  EXPECT_FALSE(DragQueryPoint(done, &pt));
  DragFinish(done);  // finishing twice does nothing
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileW(drop, 1, name, 16), 5u);
  EXPECT_EQ(std::u16string(name), u"c.txt");
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt.x, 3);
  DragFinish(drop);
}

}  // namespace
}  // namespace wmtest
