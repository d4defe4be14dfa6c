// Geometry: SetWindowPos flags, ShowWindow states, the frame, coordinate
// mapping (mirrored too), deferred positions, monitors and metrics.
#include "tests/platform/window/wm_test_util.h"
#include "tests/support/fixture_reset.h"

using namespace wmtest;

namespace {

const std::vector<UINT> kPosMessages = {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE,
                                        WM_SHOWWINDOW};

TEST_F(WmTest, SetWindowPosFlagTable) {
  struct Case {
    const char* name;
    bool startHidden;
    int x, y, cx, cy;
    UINT flags;
    std::vector<UINT> expected;
    RECT rect;  // in parent client coordinates afterwards
    bool visible;
  };
  const Case cases[] = {
      {"move",
       false,
       30,
       40,
       0,
       0,
       SWP_NOSIZE | SWP_NOZORDER,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE},
       {30, 40, 130, 90},
       true},
      {"size",
       false,
       0,
       0,
       120,
       70,
       SWP_NOMOVE | SWP_NOZORDER,
       {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE},
       {10, 10, 130, 80},
       true},
      {"move and size",
       false,
       1,
       2,
       3,
       4,
       SWP_NOZORDER,
       {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE},
       {1, 2, 4, 6},
       true},
      {"same place",
       false,
       10,
       10,
       100,
       50,
       SWP_NOZORDER,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED},
       {10, 10, 110, 60},
       true},
      {"frame changed",
       false,
       0,
       0,
       0,
       0,
       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED,
       {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED},
       {10, 10, 110, 60},
       true},
      {"no changing",
       false,
       5,
       5,
       0,
       0,
       SWP_NOSIZE | SWP_NOZORDER | SWP_NOSENDCHANGING,
       {WM_WINDOWPOSCHANGED, WM_MOVE},
       {5, 5, 105, 55},
       true},
      {"show",
       true,
       0,
       0,
       0,
       0,
       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED},
       {10, 10, 110, 60},
       true},
      {"hide",
       false,
       0,
       0,
       0,
       0,
       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED},
       {10, 10, 110, 60},
       false},
      {"show when shown is no show",
       false,
       0,
       0,
       0,
       0,
       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED},
       {10, 10, 110, 60},
       true},
      {"async on own thread",
       false,
       7,
       7,
       0,
       0,
       SWP_NOSIZE | SWP_NOZORDER | SWP_ASYNCWINDOWPOS,
       {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE},
       {7, 7, 107, 57},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pvtest::ResetDesktop();
    HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
    HWND w = Child(parent, 1, 10, 10, 100, 50, WS_CHILD | (c.startHidden ? 0 : WS_VISIBLE));
    pv::test::PumpUntilIdle();
    Log().clear();
    ASSERT_TRUE(SetWindowPos(w, nullptr, c.x, c.y, c.cx, c.cy, c.flags));
    EXPECT_EQ(Messages(w, kPosMessages), c.expected);
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(EqualRect(&r, &c.rect)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(IsWindowVisible(w) != FALSE, c.visible);
  }
}

TEST_F(WmTest, SetWindowPosHonoursTheChangingHandlerAndRedrawFlags) {
  HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND w = Child(parent, 1, 10, 10, 100, 50);
  pv::test::PumpUntilIdle();
  // The handler may rewrite the request.
  Handlers()[w] = [](HWND, UINT m, WPARAM, LPARAM l, LRESULT*) {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->cx = 60;
    return false;
  };
  SetWindowPos(w, nullptr, 0, 0, 200, 80, SWP_NOMOVE | SWP_NOZORDER);
  RECT rc;
  GetClientRect(w, &rc);
  EXPECT_EQ(rc.right, 60);
  EXPECT_EQ(rc.bottom, 80);
  Handlers().clear();
  // No redraw leaves nothing to paint; a redraw invalidates the moved window
  // and what it uncovered in the parent.
  pv::test::PumpUntilIdle();
  SetWindowPos(w, nullptr, 200, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
  RECT u;
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
  EXPECT_FALSE(GetUpdateRect(parent, &u, FALSE));
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_TRUE(GetUpdateRect(parent, &u, FALSE));
  EXPECT_EQ(u.left, 200);
  EXPECT_EQ(u.top, 200);
}

TEST_F(WmTest, TopLevelZOrderKeepsTopmostAndOwnedWindowsAbove) {
  HWND a = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  HWND tm = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND b = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  HWND owned = CreateWindowEx(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, 5, 5, a, nullptr, nullptr, nullptr);
  auto order = [] {
    std::vector<HWND> v;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) v.push_back(h);
    return v;
  };
  EXPECT_EQ(order().front(), tm);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{tm, owned, a, b}));
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(GetWindowLong(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(order(), (std::vector<HWND>{b, tm, owned, a}));
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{tm, b, owned, a}));
  // SetWindowPos without SWP_NOACTIVATE activates a top-level window.
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(WmTest, ShowWindowStatesAndPlacement) {
  HWND other = Top(600, 0, 100, 100);
  HWND w = Top(100, 100, 300, 200);
  pv::test::PumpUntilIdle();
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  Log().clear();
  ShowWindow(w, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(w));
  RECT r;
  GetWindowRect(w, &r);
  int f = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(r.left, work.left - f);
  EXPECT_EQ(r.top, work.top - f);
  EXPECT_EQ(r.right, work.right + f);
  EXPECT_EQ(r.bottom, work.bottom + f);
  bool maximizedSize = false;
  for (const Entry& e : Log())
    if (e.hwnd == w && e.msg == WM_SIZE && e.wParam == SIZE_MAXIMIZED) maximizedSize = true;
  EXPECT_TRUE(maximizedSize);
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(w));
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 400);
  // Minimising hands activation on; the placement keeps the normal rectangle.
  SetActiveWindow(w);
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_EQ(GetActiveWindow(), other);
  WINDOWPLACEMENT wp{sizeof(wp)};
  GetWindowPlacement(w, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(wp.rcNormalPosition.left, 100);
  EXPECT_EQ(wp.rcNormalPosition.bottom, 300);
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
  // Maximised, minimised, restored: back to maximised.
  ShowWindow(w, SW_SHOWMAXIMIZED);
  ShowWindow(w, SW_MINIMIZE);
  ShowWindow(w, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(w));
  // Return value: was it visible before?
  EXPECT_TRUE(ShowWindow(w, SW_HIDE));
  EXPECT_FALSE(ShowWindow(w, SW_HIDE));
  Log().clear();
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNA));
  EXPECT_EQ(Messages(w, {WM_SHOWWINDOW}).size(), 1u);
  EXPECT_NE(GetActiveWindow(), w);
}

TEST_F(WmTest, FrameSizesAndAdjustWindowRect) {
  struct Case {
    DWORD style, ex;
    BOOL menu;
    RECT expected;  // from a 0,0,100,100 client
  };
  const int cap = GetSystemMetrics(SM_CYCAPTION), menu = GetSystemMetrics(SM_CYMENU);
  const int fr = GetSystemMetrics(SM_CXFRAME), dlg = GetSystemMetrics(SM_CXDLGFRAME);
  const Case cases[] = {
      {WS_POPUP, 0, FALSE, {0, 0, 100, 100}},
      {WS_POPUP | WS_BORDER, 0, FALSE, {-1, -1, 101, 101}},
      {WS_OVERLAPPEDWINDOW, 0, FALSE, {-fr, -fr - cap, 100 + fr, 100 + fr}},
      {WS_OVERLAPPEDWINDOW, 0, TRUE, {-fr, -fr - cap - menu, 100 + fr, 100 + fr}},
      {WS_POPUP | WS_CAPTION, 0, FALSE, {-dlg, -dlg - cap, 100 + dlg, 100 + dlg}},
      {WS_CHILD, WS_EX_CLIENTEDGE, FALSE, {-2, -2, 102, 102}},
      {WS_POPUP | WS_CAPTION,
       WS_EX_TOOLWINDOW,
       FALSE,
       {-dlg, -dlg - GetSystemMetrics(SM_CYSMCAPTION), 100 + dlg, 100 + dlg}},
  };
  for (const Case& c : cases) {
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, c.style, c.menu, c.ex);
    EXPECT_TRUE(EqualRect(&r, &c.expected))
        << c.style << " " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    if (c.menu) continue;
    // A real window of that style has exactly that client area (big enough
    // for the minimum tracking size of sizable windows).
    r = RECT{0, 0, 200, 150};
    AdjustWindowRectEx(&r, c.style, FALSE, c.ex);
    HWND parent = (c.style & WS_CHILD) ? Top(0, 0, 500, 500, WS_POPUP) : nullptr;
    HWND w = CreateWindowEx(c.ex, kClass, u"", c.style, 50, 50, r.right - r.left, r.bottom - r.top, parent, nullptr,
                            nullptr, nullptr);
    RECT cr;
    GetClientRect(w, &cr);
    EXPECT_EQ(cr.right, 200);
    EXPECT_EQ(cr.bottom, 150);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    RECT wr;
    GetWindowRect(w, &wr);
    EXPECT_EQ(p.x - wr.left, -c.expected.left);
    EXPECT_EQ(p.y - wr.top, -c.expected.top);
  }
  // Scroll bars take their room from the client area.
  HWND s = Top(0, 0, 200, 200, WS_POPUP | WS_VSCROLL | WS_HSCROLL);
  RECT cr;
  GetClientRect(s, &cr);
  EXPECT_EQ(cr.right, 200 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(cr.bottom, 200 - GetSystemMetrics(SM_CYHSCROLL));
}

TEST_F(WmTest, CoordinateMappingIncludingMirroredWindows) {
  HWND ltr = Top(100, 50, 200, 100, WS_POPUP | WS_VISIBLE);
  HWND rtl = Top(400, 50, 200, 100, WS_POPUP | WS_VISIBLE, WS_EX_LAYOUTRTL);
  HWND child = Child(rtl, 1, 10, 20, 30, 40);
  EXPECT_TRUE(GetWindowLong(child, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);  // inherited
  POINT p{5, 6};
  ClientToScreen(ltr, &p);
  EXPECT_EQ(p.x, 105);
  EXPECT_EQ(p.y, 56);
  p = POINT{5, 6};
  ClientToScreen(rtl, &p);
  EXPECT_EQ(p.x, 600 - 5);  // measured from the right edge
  ScreenToClient(rtl, &p);
  EXPECT_EQ(p.x, 5);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.right, 600 - 10);
  EXPECT_EQ(r.left, 600 - 40);
  EXPECT_EQ(r.top, 70);
  // A rectangle mapped into a mirrored window stays well ordered.
  RECT m{105, 60, 115, 70};
  MapWindowPoints(nullptr, rtl, reinterpret_cast<POINT*>(&m), 2);
  MapWindowPoints(nullptr, ltr, reinterpret_cast<POINT*>(&m), 0);
  RECT k{505, 60, 515, 70};
  MapWindowPoints(nullptr, rtl, reinterpret_cast<POINT*>(&k), 2);
  EXPECT_LT(k.left, k.right);
  EXPECT_EQ(k.left, 85);
  EXPECT_EQ(k.right, 95);
  p = POINT{0, 0};
  MapWindowPoints(ltr, rtl, &p, 1);
  EXPECT_EQ(p.x, 500);
  EXPECT_EQ(p.y, 0);
}

TEST_F(WmTest, DeferredPositionsApplyTogether) {
  HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND a = Child(parent, 1, 0, 0, 10, 10);
  HWND b = Child(parent, 2, 0, 0, 10, 10);
  HDWP d = BeginDeferWindowPos(2);
  d = DeferWindowPos(d, a, nullptr, 5, 5, 20, 20, SWP_NOZORDER);
  d = DeferWindowPos(d, b, nullptr, 50, 50, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  d = DeferWindowPos(d, a, nullptr, 0, 0, 30, 30, SWP_NOZORDER | SWP_NOMOVE);  // merges into the first
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r.right, 10);  // nothing moves before the end
  EXPECT_TRUE(EndDeferWindowPos(d));
  GetWindowRect(a, &r);
  EXPECT_TRUE(EqualRect(&r, std::make_unique<RECT>(RECT{5, 5, 35, 35}).get()));
  GetWindowRect(b, &r);
  EXPECT_EQ(r.left, 50);
  // A bad window ends the batch.
  d = BeginDeferWindowPos(1);
  EXPECT_EQ(DeferWindowPos(d, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)), nullptr, 0, 0, 1, 1, 0), nullptr);
}

TEST_F(WmTest, MonitorsWorkAreaAndMetrics) {
  pv::test::SetScreen(1024, 768, 30);
  pv::test::AddMonitor(RECT{1024, 0, 2048, 768}, RECT{1024, 0, 2048, 768});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2048);
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.bottom, 738);
  HMONITOR left = MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTONULL);
  HMONITOR right = MonitorFromPoint(POINT{1500, 10}, MONITOR_DEFAULTTONULL);
  EXPECT_NE(left, right);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 10}, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 10}, MONITOR_DEFAULTTONEAREST), right);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 10}, MONITOR_DEFAULTTOPRIMARY), left);
  RECT straddle{900, 0, 1300, 100};  // mostly on the right one
  EXPECT_EQ(MonitorFromRect(&straddle, MONITOR_DEFAULTTONULL), right);
  MONITORINFOEXW mi{};
  mi.cbSize = sizeof(mi);
  ASSERT_TRUE(GetMonitorInfo(left, &mi));
  EXPECT_EQ(mi.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
  EXPECT_EQ(mi.rcWork.bottom, 738);
  int count = 0;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR, HDC, LPRECT, LPARAM p) -> BOOL {
        ++*reinterpret_cast<int*>(p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 2);
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0));
  EXPECT_GT(ncm.lfMenuFont.lfFaceName[0], 0);
  ncm.cbSize = 3;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0));
  // Changing a setting can tell every window.
  HWND w = Top(0, 0, 10, 10, WS_POPUP);
  Log().clear();
  SystemParametersInfo(SPI_SETWHEELSCROLLLINES, 5, nullptr, SPIF_SENDCHANGE);
  UINT lines = 0;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  EXPECT_EQ(lines, 5u);
  EXPECT_EQ(Messages(w, {WM_SETTINGCHANGE}).size(), 1u);
  pv::test::SetMetric(SM_MIDEASTENABLED, 1);
  EXPECT_EQ(GetSystemMetrics(SM_MIDEASTENABLED), 1);
}

}  // namespace

namespace {

TEST_F(WmTest, CaptionDragsMoveBorderDragsSizeAndEscapeUndoes) {
  HWND w = Top(100, 100, 300, 200);
  pv::test::PumpUntilIdle();
  RECT r;
  GetWindowRect(w, &r);
  // Drag the caption by (40, 30).
  POINT grab{r.left + 100, r.top + 8};
  pv::test::MouseMove(grab.x, grab.y);
  pv::test::MouseDown(pv::test::Button::Left, grab.x, grab.y);
  pv::test::MouseMove(grab.x + 40, grab.y + 30);
  pv::test::MouseUp(pv::test::Button::Left, grab.x + 40, grab.y + 30);
  Log().clear();
  pv::test::PumpUntilIdle();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.top, 130);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(Messages(w, {WM_ENTERSIZEMOVE, WM_MOVING, WM_EXITSIZEMOVE}),
            (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVING, WM_EXITSIZEMOVE}));
  // Drag the bottom-right corner by (50, 20).
  POINT corner{r.right - 1, r.bottom - 1};
  pv::test::MouseMove(corner.x, corner.y);
  pv::test::MouseDown(pv::test::Button::Left, corner.x, corner.y);
  pv::test::MouseMove(corner.x + 50, corner.y + 20);
  pv::test::MouseUp(pv::test::Button::Left, corner.x + 50, corner.y + 20);
  pv::test::PumpUntilIdle();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 350);
  EXPECT_EQ(r.bottom - r.top, 220);
  // Escape in the middle of a drag puts the window back.
  pv::test::MouseMove(r.left + 100, r.top + 8);
  pv::test::MouseDown(pv::test::Button::Left, r.left + 100, r.top + 8);
  pv::test::MouseMove(r.left + 300, r.top + 300);
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  RECT after;
  GetWindowRect(w, &after);
  EXPECT_TRUE(EqualRect(&r, &after));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WmTest, AltSpaceOpensTheSystemMenuAndItsCommandsRun) {
  HWND w = Top(100, 100, 300, 200);
  SetFocus(w);
  pv::test::PumpUntilIdle();
  Log().clear();
  // Alt+Space, then Up from nothing selected wraps to the last item: Close.
  pv::test::Chord(FALT, VK_SPACE);
  pv::test::KeyPress(VK_UP);
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  bool close = false;
  for (const Entry& e : Log())
    if (e.msg == WM_SYSCOMMAND && (e.wParam & 0xFFF0) == SC_CLOSE) close = true;
  EXPECT_TRUE(close);
  EXPECT_FALSE(IsWindow(w));
  // The menu's items follow the window's state.
  HWND z = Top(0, 0, 300, 200);
  ShowWindow(z, SW_MAXIMIZE);
  HMENU sys = GetSystemMenu(z, FALSE);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(GetMenuItemCount(sys), 7);
  SendMessage(z, WM_SYSCOMMAND, SC_KEYMENU, u' ');  // runs and ends dry
  EXPECT_TRUE(GetMenuState(sys, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(sys, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED);
}

}  // namespace

TEST_F(WmTest, ArrangeIconicWindowsLinesMinimisedChildrenUpAlongTheBottom) {
  // A parent 400 wide holds two 160-wide icons per row: three minimised
  // children fill the bottom row and start the one above; the others stay.
  HWND parent = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND kids[4];
  for (int i = 0; i < 4; ++i)
    kids[i] = Child(parent, i + 1, 10 + i * 20, 10, 100, 80, WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX);
  ShowWindow(kids[0], SW_MINIMIZE);
  ShowWindow(kids[2], SW_MINIMIZE);
  ShowWindow(kids[3], SW_MINIMIZE);
  pv::test::PumpUntilIdle();
  const int cx = GetSystemMetrics(SM_CXMINSPACING), cy = GetSystemMetrics(SM_CYMINSPACING);
  EXPECT_EQ(ArrangeIconicWindows(parent), static_cast<UINT>(cy));
  auto at = [&](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return std::make_pair(static_cast<int>(r.left), static_cast<int>(r.top));
  };
  EXPECT_EQ(at(kids[0]), std::make_pair(0, 300 - cy));
  EXPECT_EQ(at(kids[2]), std::make_pair(cx, 300 - cy));
  EXPECT_EQ(at(kids[3]), std::make_pair(0, 300 - 2 * cy));
  EXPECT_EQ(at(kids[1]), std::make_pair(30, 10)) << "not minimised";
  // Restored and minimised again, a window goes back to its arranged place.
  ShowWindow(kids[2], SW_RESTORE);
  ShowWindow(kids[2], SW_MINIMIZE);
  EXPECT_EQ(at(kids[2]), std::make_pair(cx, 300 - cy));
  EXPECT_EQ(ArrangeIconicWindows(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0))), 0u);
}
