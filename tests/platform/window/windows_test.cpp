// Windows: creation and destruction sequences, handles, the tree, window
// data and subclassing.
#include "tests/platform/window/wm_test_util.h"

#include "platform/base/lasterror.h"
#include "tests/support/fixture_reset.h"

using namespace wmtest;

namespace {

const std::vector<UINT> kLifeMessages = {
    WM_GETMINMAXINFO, WM_NCCREATE,          WM_NCCALCSIZE,       WM_CREATE,      WM_SIZE,       WM_MOVE,
    WM_SHOWWINDOW,    WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE,
    WM_SETFOCUS,      WM_KILLFOCUS,         WM_PARENTNOTIFY,     WM_DESTROY,     WM_NCDESTROY};

TEST_F(WmTest, CreationSendsTheSequenceCallersRelyOn) {
  struct Case {
    const char* name;
    bool child;
    DWORD style;
    std::vector<UINT> expected;  // messages of the new window
  };
  const Case cases[] = {
      {"visible overlapped",
       false,
       WS_OVERLAPPEDWINDOW | WS_VISIBLE,
       {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
        WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}},
      {"hidden popup", false, WS_POPUP, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
      {"visible child",
       true,
       WS_CHILD | WS_VISIBLE,
       {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
        WM_WINDOWPOSCHANGED}},
      {"hidden child", true, WS_CHILD, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pvtest::ResetDesktop();
    HWND parent = c.child ? Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE) : nullptr;
    Log().clear();
    HWND w = c.child ? Child(parent, 7, 10, 10, 50, 40, c.style) : Top(50, 50, 300, 200, c.style);
    ASSERT_TRUE(IsWindow(w));
    EXPECT_EQ(Messages(w, kLifeMessages), c.expected);
    if (c.child) {
      // The parent hears about the new child once it exists, before it shows.
      auto pairs = Pairs({WM_PARENTNOTIFY, WM_SHOWWINDOW, WM_MOVE});
      ASSERT_GE(pairs.size(), 2u);
      EXPECT_EQ(pairs[1], std::make_pair(parent, static_cast<UINT>(WM_PARENTNOTIFY)));
      for (const Entry& e : Log())
        if (e.msg == WM_PARENTNOTIFY) {
          EXPECT_EQ(LOWORD(e.wParam), WM_CREATE);
          EXPECT_EQ(HIWORD(e.wParam), 7);
          EXPECT_EQ(reinterpret_cast<HWND>(e.lParam), w);
        }
    }
  }
}

TEST_F(WmTest, CreationCanBeRefusedAndTheWindowIsGone) {
  struct Case {
    UINT refuseAt;
    LRESULT answer;
    bool expectNcDestroy;
  };
  for (Case c : {Case{WM_NCCREATE, FALSE, true}, Case{WM_CREATE, -1, true}}) {
    Log().clear();
    ClassHandler() = [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT* r) {
      if (msg != c.refuseAt) return false;
      *r = c.answer;
      return true;
    };
    HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(w, nullptr);
    ASSERT_FALSE(Log().empty());
    HWND made = Log().front().hwnd;
    EXPECT_FALSE(IsWindow(made));
    EXPECT_EQ(Messages().back(), static_cast<UINT>(WM_NCDESTROY));
    if (c.refuseAt == WM_CREATE) {
      auto m = Messages();
      EXPECT_NE(std::find(m.begin(), m.end(), static_cast<UINT>(WM_DESTROY)), m.end());
    }
    ClassHandler() = nullptr;
  }
}

TEST_F(WmTest, DestructionOrderParentsFirstForDestroyChildrenFirstForNcDestroy) {
  HWND top = Top(10, 10, 400, 300);
  HWND a = Child(top, 1, 0, 0, 100, 100);
  HWND a1 = Child(a, 11, 0, 0, 50, 50);
  HWND b = Child(top, 2, 100, 0, 100, 100);
  HWND owned = CreateWindowEx(0, kClass, u"owned", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, top, nullptr, nullptr, nullptr);
  SetFocus(a1);
  Log().clear();
  ASSERT_TRUE(DestroyWindow(top));
  auto pairs = Pairs({WM_DESTROY, WM_NCDESTROY});
  // Owned windows go first, then the window, then its children top-down;
  // WM_NCDESTROY runs bottom-up.
  // Children were created a, b, so a is above b.
  std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {top, WM_DESTROY}, {a, WM_DESTROY},   {a1, WM_DESTROY},
      {b, WM_DESTROY},     {a1, WM_NCDESTROY},    {a, WM_NCDESTROY}, {b, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(pairs, expected);
  for (HWND h : {top, a, a1, b, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  // The window lost activation and focus before it went.
  auto before = Messages(nullptr, {WM_KILLFOCUS, WM_ACTIVATE, WM_DESTROY});
  ASSERT_GE(before.size(), 3u);
  EXPECT_NE(std::find(before.begin(), before.end(), static_cast<UINT>(WM_KILLFOCUS)), before.end());
}

TEST_F(WmTest, StaleHandlesAreDetectedAndCallsFailSafely) {
  std::vector<HWND> dead;
  for (int i = 0; i < 300; ++i) {
    HWND w = Top(0, 0, 10, 10, WS_POPUP);
    ASSERT_TRUE(IsWindow(w));
    dead.push_back(w);
    DestroyWindow(w);
  }
  std::vector<HWND> live;
  for (int i = 0; i < 100; ++i) live.push_back(Top(0, 0, 10, 10, WS_POPUP));
  for (HWND h : dead) {
    ASSERT_FALSE(IsWindow(h));
    for (HWND l : live) ASSERT_NE(h, l);
  }
  HWND stale = dead.back();
  SetLastError(0);
  EXPECT_EQ(SendMessage(stale, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  RECT r;
  EXPECT_FALSE(GetWindowRect(stale, &r));
  EXPECT_FALSE(PostMessage(stale, WM_USER, 0, 0));
  EXPECT_FALSE(SetWindowText(stale, u"x"));
  EXPECT_FALSE(DestroyWindow(stale));
  EXPECT_FALSE(ShowWindow(stale, SW_SHOW));
  EXPECT_EQ(SetWindowLongPtr(stale, GWLP_USERDATA, 5), 0);
  EXPECT_EQ(GetParent(stale), nullptr);
  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12345678))));
  // Messages posted to a window die with it.
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  PostMessage(w, WM_USER + 1, 0, 0);
  DestroyWindow(w);
  Log().clear();
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(Messages(nullptr, {WM_USER + 1}).empty());
}

TEST_F(WmTest, TreeNavigationAndZOrder) {
  HWND top = Top(0, 0, 400, 300);
  HWND a = Child(top, 1, 0, 0, 10, 10);
  HWND b = Child(top, 2, 0, 0, 10, 10);
  HWND c = Child(top, 3, 0, 0, 10, 10);
  HWND c1 = Child(c, 31, 0, 0, 5, 5);
  HWND popup = CreateWindowEx(0, kClass, u"p", WS_POPUP, 0, 0, 5, 5, c1, nullptr, nullptr, nullptr);
  // New children go to the bottom, so the children follow creation order.
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(c, GW_HWNDFIRST), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // b, c, a
  EXPECT_EQ(GetWindow(top, GW_CHILD), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), a);
  SetWindowPos(a, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // a after b: b, a, c
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), c);

  EXPECT_EQ(GetParent(c1), c);
  EXPECT_EQ(GetParent(popup), top);  // owner is the root of what was given
  EXPECT_EQ(GetWindow(popup, GW_OWNER), top);
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_EQ(GetAncestor(c1, GA_PARENT), c);
  EXPECT_EQ(GetAncestor(c1, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), top);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsChild(top, c1));
  EXPECT_FALSE(IsChild(top, popup));
  EXPECT_FALSE(IsChild(c1, top));

  std::vector<HWND> seen;
  EnumChildWindows(
      top,
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{b, a, c, c1}));

  EXPECT_EQ(GetDlgItem(top, 3), c);
  EXPECT_EQ(GetDlgCtrlID(c1), 31);
  EXPECT_EQ(GetDlgItem(top, 31), nullptr);  // only direct children
  SetWindowText(b, u"Needle");
  EXPECT_EQ(FindWindowEx(top, nullptr, kClass, u"Needle"), b);
  EXPECT_EQ(FindWindowEx(top, b, kClass, u"Needle"), nullptr);
  EXPECT_EQ(FindWindow(kClass, u"Top"), top);
}

TEST_F(WmTest, SetParentKeepsTheScreenPositionAndRefusesCycles) {
  HWND p1 = Top(100, 100, 300, 300, WS_POPUP | WS_VISIBLE);
  HWND p2 = Top(500, 100, 300, 300, WS_POPUP | WS_VISIBLE);
  HWND c = Child(p1, 1, 20, 30, 50, 40);
  HWND g = Child(c, 2, 1, 1, 5, 5);
  RECT before;
  GetWindowRect(c, &before);
  EXPECT_EQ(SetParent(c, p2), p1);
  EXPECT_EQ(GetParent(c), p2);
  RECT after;
  GetWindowRect(c, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_EQ(SetParent(c, g), nullptr);  // a window cannot go under its own child
  EXPECT_EQ(GetParent(c), p2);
}

TEST_F(WmTest, WindowLongsExtraBytesAndStyles) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP);
  // 16 extra bytes: pointer-sized at 0 and 8, 32-bit up to 12.
  EXPECT_EQ(SetWindowLongPtr(w, 8, 0x1234), 0);
  EXPECT_EQ(GetWindowLongPtr(w, 8), 0x1234);
  EXPECT_EQ(SetWindowLong(w, 12, 77), 0);
  EXPECT_EQ(GetWindowLong(w, 12), 77);
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtr(w, 12, 1), 0);
  EXPECT_EQ(GetLastError(), 1413u);
  EXPECT_EQ(GetWindowLong(w, 12), 77);  // untouched
  EXPECT_EQ(GetWindowLong(w, -100), 0);

  // 32-bit access cannot carry a procedure.
  SetLastError(0);
  EXPECT_EQ(GetWindowLong(w, GWL_WNDPROC), 0);
  EXPECT_EQ(GetLastError(), 1413u);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(w, GWLP_WNDPROC)), &RecordingProc);

  Log().clear();
  LONG old = GetWindowLong(w, GWL_STYLE);
  SetWindowLong(w, GWL_STYLE, old | WS_BORDER);
  EXPECT_EQ(Messages(w, {WM_STYLECHANGING, WM_STYLECHANGED}), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  for (const Entry& e : Log())
    if (e.msg == WM_STYLECHANGED) {
      auto* ss = reinterpret_cast<STYLESTRUCT*>(e.lParam);
      (void)ss;  // only valid during the call; the order is what matters
      EXPECT_EQ(static_cast<int>(e.wParam), GWL_STYLE);
    }
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(SetWindowLongPtr(w, GWLP_USERDATA, 99), 0);
  EXPECT_EQ(GetWindowLongPtr(w, GWLP_USERDATA), 99);

  HWND owner = Top(0, 0, 10, 10, WS_POPUP);
  SetWindowLongPtr(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  EXPECT_EQ(GetWindow(w, GW_OWNER), owner);
  HWND c = Child(owner, 5, 0, 0, 1, 1);
  SetWindowLongPtr(c, GWLP_ID, 42);
  EXPECT_EQ(GetDlgCtrlID(c), 42);
}

// Three procedures chained by subclassing; each records and passes on.
std::vector<char>& Trail() {
  static std::vector<char> t;
  return t;
}
WNDPROC g_prevB = nullptr;
WNDPROC g_prevC = nullptr;
LRESULT ProcB(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) Trail().push_back('B');
  return CallWindowProc(g_prevB, h, m, w, l);
}
LRESULT ProcC(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) {
    Trail().push_back('C');
    if (w == 1) {
      // Unsubclass from inside the call, then still pass this message on.
      SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_prevC));
    }
  }
  return CallWindowProc(g_prevC, h, m, w, l);
}

TEST_F(WmTest, SubclassChainsRunNewestFirstAndCanUnhookWhileRunning) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  ClassHandler() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_USER) return false;
    Trail().push_back('A');
    *r = 5;
    return true;
  };
  Trail().clear();
  g_prevB = reinterpret_cast<WNDPROC>(SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProcB)));
  g_prevC = reinterpret_cast<WNDPROC>(SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProcC)));
  EXPECT_EQ(g_prevB, &RecordingProc);
  EXPECT_EQ(g_prevC, &ProcB);
  EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 5);
  EXPECT_EQ(Trail(), (std::vector<char>{'C', 'B', 'A'}));
  Trail().clear();
  EXPECT_EQ(SendMessage(w, WM_USER, 1, 0), 5);
  EXPECT_EQ(Trail(), (std::vector<char>{'C', 'B', 'A'}));
  Trail().clear();
  SendMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(Trail(), (std::vector<char>{'B', 'A'}));
}

TEST_F(WmTest, PropertiesTextAndDialogItemNumbers) {
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  int a = 1, b = 2;
  EXPECT_TRUE(SetProp(w, u"Pv.Data", &a));
  EXPECT_EQ(GetProp(w, u"PV.DATA"), &a);  // names ignore case
  EXPECT_TRUE(SetProp(w, u"pv.data", &b));
  EXPECT_EQ(GetProp(w, u"Pv.Data"), &b);
  EXPECT_TRUE(SetProp(w, MAKEINTATOM(0xC123), &a));
  EXPECT_EQ(GetProp(w, MAKEINTATOM(0xC123)), &a);
  EXPECT_EQ(RemoveProp(w, u"Pv.Data"), &b);
  EXPECT_EQ(GetProp(w, u"Pv.Data"), nullptr);

  SetWindowText(w, u"Caf\u00e9 \u4e2d\u6587");
  WCHAR buf[4];
  EXPECT_EQ(GetWindowText(w, buf, 4), 3);  // truncated, always terminated
  EXPECT_EQ(std::u16string(buf), u"Caf");
  EXPECT_EQ(GetWindowTextLength(w), 7);

  HWND parent = Top(0, 0, 100, 100, WS_POPUP);
  Child(parent, 9, 0, 0, 10, 10);
  struct Case {
    const char16_t* text;
    BOOL isSigned;
    BOOL ok;
    UINT value;
  };
  const Case cases[] = {{u"42", FALSE, TRUE, 42},
                        {u" -7 ", TRUE, TRUE, static_cast<UINT>(-7)},
                        {u"-7", FALSE, FALSE, 0},
                        {u"12a", TRUE, FALSE, 0},
                        {u"", TRUE, FALSE, 0},
                        {u"4294967295", FALSE, TRUE, 4294967295u},
                        {u"4294967296", FALSE, FALSE, 0},
                        {u"2147483648", TRUE, FALSE, 0}};
  for (const Case& c : cases) {
    SetDlgItemText(parent, 9, c.text);
    BOOL ok = 2;
    UINT v = GetDlgItemInt(parent, 9, &ok, c.isSigned);
    EXPECT_EQ(ok, c.ok) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)).size();
    EXPECT_EQ(v, c.value);
  }
}

TEST_F(WmTest, ClassesRegisterOnceAndReportTheirData) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"PvTwice";
  wc.cbClsExtra = 8;
  wc.style = CS_HREDRAW;
  ATOM atom = RegisterClassEx(&wc);
  ASSERT_NE(atom, 0);
  SetLastError(0);
  EXPECT_EQ(RegisterClassEx(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  WNDCLASSW info{};
  EXPECT_TRUE(GetClassInfo(nullptr, u"pvtwice", &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW));
  HWND w = CreateWindowEx(0, MAKEINTATOM(atom), u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(IsWindow(w));
  WCHAR name[32];
  GetClassName(w, name, 32);
  EXPECT_EQ(std::u16string(name), u"PvTwice");
  EXPECT_EQ(GetClassLongPtr(w, GCW_ATOM), atom);
  SetClassLongPtr(w, 0, 0x55);
  EXPECT_EQ(GetClassLongPtr(w, 0), 0x55u);
  EXPECT_FALSE(UnregisterClass(u"PvTwice", nullptr));  // still has a window
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClass(u"PvTwice", nullptr));
  EXPECT_EQ(CreateWindowEx(0, u"PvTwice", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(RegisterWindowMessage(u"Pv.Msg"), RegisterWindowMessage(u"PV.MSG"));
  EXPECT_GE(RegisterWindowMessage(u"Pv.Msg"), 0xC000u);
}

}  // namespace
