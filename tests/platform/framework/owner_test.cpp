// CWnd::GetOwner as windows are re-parented, given new owners, destroyed
// and their handles given to new windows: a child's owner is its parent, a
// top-level window's its owner, an owner set on the object wins, and a
// child of the desktop has none.
#include <functional>
#include <vector>

#include "fw_fixture.h"

namespace fwtest {
namespace {

class OwnerTest : public FrameworkTest {
 protected:
  HWND Make(DWORD style, HWND parent) {
    return ::CreateWindowEx(0, u"Static", u"", style, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  }
};

struct World {
  HWND a = nullptr, b = nullptr;  // top-level windows
  HWND child = nullptr;           // a child, first of a
  HWND popup = nullptr;           // a popup, first owned by a
  HWND reused = nullptr;          // a new child in the old child's slot
  CWnd explicitOwner;             // an owner set on the child's object
};

struct Step {
  const char* what;
  std::function<void(World&)> act;
  HWND World::*window;
  HWND World::*owner;  // null member: no owner
};

HWND OwnerOf(HWND h) {
  CWnd* owner = CWnd::FromHandle(h)->GetOwner();
  return owner ? owner->GetSafeHwnd() : nullptr;
}

TEST_F(OwnerTest, OwnersFollowWindowsReparentedReownedDestroyedAndReused) {
  World w;
  w.a = Make(WS_OVERLAPPED, nullptr);
  w.b = Make(WS_OVERLAPPED, nullptr);
  w.child = Make(WS_CHILD, w.a);
  w.popup = Make(WS_POPUP, w.a);
  ASSERT_TRUE(w.a && w.b && w.child && w.popup);
  CWnd permanentB;
  ASSERT_TRUE(permanentB.Attach(w.b));
  HWND World::*const none = nullptr;
  const std::vector<Step> steps = {
      {"child of a", [](World&) {}, &World::child, &World::a},
      {"popup owned by a", [](World&) {}, &World::popup, &World::a},
      {"top-level without owner", [](World&) {}, &World::a, none},
      {"child moved to b", [](World& x) { ::SetParent(x.child, x.b); }, &World::child, &World::b},
      {"popup given to b",
       [](World& x) { ::SetWindowLongPtr(x.popup, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(x.b)); }, &World::popup,
       &World::b},
      {"child of the desktop", [](World& x) { ::SetParent(x.child, nullptr); }, &World::child, none},
      {"child back under a", [](World& x) { ::SetParent(x.child, x.a); }, &World::child, &World::a},
      {"popup's owner destroyed", [&](World& x) { permanentB.Detach(), ::DestroyWindow(x.b); }, &World::popup, none},
      {"child destroyed", [](World& x) { ::DestroyWindow(x.child); }, &World::child, none},
      {"child's slot reused",
       [this](World& x) {
         std::vector<HWND> spare;  // enough freed slots that the oldest freed is reused
         for (int i = 0; i < 80; ++i) spare.push_back(Make(WS_OVERLAPPED, nullptr));
         for (HWND h : spare) ::DestroyWindow(h);
         const uintptr_t slot = reinterpret_cast<uintptr_t>(x.child) & 0xFFFFF;
         for (int i = 0; i < 1000 && !x.reused; ++i) {
           HWND h = Make(WS_CHILD, x.a);
           if ((reinterpret_cast<uintptr_t>(h) & 0xFFFFF) == slot) x.reused = h;
         }
       },
       &World::child, none},
      {"the new child in the slot", [](World&) {}, &World::reused, &World::a},
      {"explicit owner",
       [](World& x) {
         x.explicitOwner.Attach(
             x.b = ::CreateWindowEx(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
         CWnd::FromHandle(x.reused)->SetOwner(&x.explicitOwner);
       },
       &World::reused, &World::b},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act(w);
    ASSERT_TRUE(w.*s.window);
    EXPECT_EQ(OwnerOf(w.*s.window), s.owner ? w.*s.owner : nullptr);
  }
  // The permanent object is the one found while it is attached.
  EXPECT_EQ(CWnd::FromHandle(w.reused)->GetOwner(), &w.explicitOwner);
  w.explicitOwner.Detach();
}

}  // namespace
}  // namespace fwtest
