// How windows behave on the desktop: minimising through the desktop's task
// bar (or as captions on a display without a window manager), the captions'
// buttons, the frame of a window whose children reach past its client area,
// clicks on child windows, menus across the menu bar, and the focus after a
// menu.
#include <algorithm>

#include "wm_test_util.h"

using namespace wmtest;

namespace {

int CountMessages(HWND h, UINT msg, WPARAM wParam) {
  int n = 0;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == msg && (e.wParam & 0xFFF0) == wParam) ++n;
  return n;
}

bool SawMinimizedSize(HWND h) {
  return std::any_of(Log().begin(), Log().end(),
                     [&](const Entry& e) { return e.hwnd == h && e.msg == WM_SIZE && e.wParam == SIZE_MINIMIZED; });
}

// The middle of a caption button of a window rectangle, counted from the right
// (0: close, 1: maximise, 2: minimise/restore), in screen coordinates.
POINT CaptionButton(HWND h, int fromRight) {
  RECT r;
  GetWindowRect(h, &r);
  int frame = GetSystemMetrics(SM_CXFRAME);
  int bw = GetSystemMetrics(SM_CXSIZE);
  int x = r.right - frame - 2 - bw / 2;
  if (fromRight >= 1) x -= bw + 2;
  if (fromRight >= 2) x -= bw;
  return POINT{x, r.top + frame + GetSystemMetrics(SM_CYCAPTION) / 2};
}

}  // namespace

// A desktop with a task bar iconifies the minimised window and restores it
// when the user asks it to; the program's own state follows both ways.
TEST_F(WmTest, MinimisedWindowsAreIconifiedByTheDesktopAndFollowIt) {
  HWND w = Top(100, 100, 300, 200);
  pv::test::PumpUntilIdle();
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_TRUE(pv::test::DesktopShowsIconic(w));
  EXPECT_TRUE(SawMinimizedSize(w));
  EXPECT_EQ(GetSystemMetrics(SM_ARRANGE), ARW_HIDE);

  // A click on the task bar: the window hears SC_RESTORE and comes back whole.
  Log().clear();
  pv::test::DesktopRestores(w);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(CountMessages(w, WM_SYSCOMMAND, SC_RESTORE), 1);
  EXPECT_FALSE(IsIconic(w));
  EXPECT_FALSE(pv::test::DesktopShowsIconic(w));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 400);

  // Minimised by the desktop's own control: SC_MINIMIZE, WM_SIZE SIZE_MINIMIZED.
  Log().clear();
  pv::test::DesktopMinimizes(w);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(CountMessages(w, WM_SYSCOMMAND, SC_MINIMIZE), 1);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_TRUE(SawMinimizedSize(w));
  // The echo of our own minimise changes nothing.
  Log().clear();
  pv::test::DesktopMinimizes(w);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(CountMessages(w, WM_SYSCOMMAND, SC_MINIMIZE), 0);
}

// Without a window manager a minimised window stays on the screen as its
// caption, along the bottom of the work area, and its buttons work there.
TEST_F(WmTest, WithoutAWindowManagerMinimisedCaptionsStayOnScreenAndTheirButtonsWork) {
  pv::test::SetDesktopIconifies(false);
  HWND a = Top(100, 100, 300, 200);
  HWND b = Top(150, 150, 300, 200);
  pv::test::PumpUntilIdle();
  ShowWindow(a, SW_MINIMIZE);
  ShowWindow(b, SW_MINIMIZE);
  pv::test::PumpUntilIdle();
  RECT work, ra, rb;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(a, &ra);
  GetWindowRect(b, &rb);
  EXPECT_EQ(ra.left, work.left);
  EXPECT_EQ(ra.bottom, work.bottom);
  EXPECT_EQ(ra.right - ra.left, GetSystemMetrics(SM_CXMINIMIZED));
  EXPECT_EQ(rb.left, work.left + GetSystemMetrics(SM_CXMINSPACING));  // the next place along
  EXPECT_FALSE(pv::test::DesktopShowsIconic(a));
  // The caption is painted (an inactive one: the other window is active).
  int f = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(pv::test::WindowPixelNc(a, f + 1, f + 4), GetSysColor(COLOR_INACTIVECAPTION));

  // Its restore button (where minimise was) restores it; close closes the other.
  POINT restore = CaptionButton(a, 2);
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(restore.x, restore.y)), HTMINBUTTON);
  pv::test::Click(restore.x, restore.y);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(IsIconic(a));
  GetWindowRect(a, &ra);
  EXPECT_EQ(ra.left, 100);
  POINT close = CaptionButton(b, 0);
  pv::test::Click(close.x, close.y);
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(b));
}

// Children that reach past their parent's client area do not cut its frame:
// the scroll bars are drawn over them.
TEST_F(WmTest, ChildrenReachingPastTheClientAreaLeaveTheScrollBarsDrawn) {
  HWND top = Top(50, 50, 400, 300);
  HWND parent = Child(top, 1, 10, 10, 300, 200, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_CLIPCHILDREN,
                      WS_EX_CLIENTEDGE);
  HWND child = Child(parent, 2, 100, 80, 800, 600);
  Handlers()[child] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_ERASEBKGND && m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc;
    GetClientRect(h, &rc);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &rc, red);
    DeleteObject(red);
    EndPaint(h, &ps);
    *r = m == WM_ERASEBKGND;
    return true;
  };
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE);
  pv::test::PumpUntilIdle();
  RECT client;
  GetClientRect(parent, &client);
  POINT c{0, 0};
  ClientToScreen(parent, &c);
  RECT wr;
  GetWindowRect(parent, &wr);
  int ox = c.x - wr.left, oy = c.y - wr.top;
  // Inside the client area the child shows; on the bars (below and right of it) the bars do.
  EXPECT_EQ(pv::test::WindowPixel(parent, client.right - 2, client.bottom - 2), RGB(255, 0, 0));
  COLORREF vbar = pv::test::WindowPixelNc(parent, ox + client.right + 8, oy + client.bottom - 30);
  COLORREF hbar = pv::test::WindowPixelNc(parent, ox + client.right - 30, oy + client.bottom + 8);
  EXPECT_EQ(vbar, GetSysColor(COLOR_SCROLLBAR));
  EXPECT_EQ(hbar, GetSysColor(COLOR_SCROLLBAR));
}

// A scroll-bar arrow at the default metrics is as large as Windows draws it
// (7 by 4 pixels at 16), not a dot.
TEST_F(WmTest, ScrollBarArrowsHaveTheirFullSize) {
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  for (UINT kind : {DFCS_SCROLLUP, DFCS_SCROLLLEFT}) {
    RECT r{0, 0, 16, 16};
    DrawFrameControl(mem, &r, DFC_SCROLL, kind);
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    int widest = 0, rows = 0, tallest = 0, cols = 0;
    for (int y = 0; y < 16; ++y) {
      int n = 0;
      for (int x = 0; x < 16; ++x) {
        uint32_t p = static_cast<uint32_t*>(bits)[y * 16 + x] & 0xFFFFFF;
        n += RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF) == text;
      }
      widest = std::max(widest, n);
      rows += n > 0;
    }
    for (int x = 0; x < 16; ++x) {
      int n = 0;
      for (int y = 0; y < 16; ++y) {
        uint32_t p = static_cast<uint32_t*>(bits)[y * 16 + x] & 0xFFFFFF;
        n += RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF) == text;
      }
      tallest = std::max(tallest, n);
      cols += n > 0;
    }
    bool up = kind == DFCS_SCROLLUP;
    EXPECT_GE(up ? widest : tallest, 7) << kind;
    EXPECT_GE(up ? rows : cols, 4) << kind;
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

// A click on a child of the active window asks it (and through
// DefWindowProc its parents) with WM_MOUSEACTIVATE, as Windows does: that
// is how a document window behind another comes forward.
TEST_F(WmTest, ClicksOnChildrenOfTheActiveWindowAskForMouseActivation) {
  HWND top = Top(50, 50, 300, 200);
  HWND panel = Child(top, 1, 10, 10, 200, 150);
  HWND inner = Child(panel, 2, 10, 10, 50, 50);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetActiveWindow(), top);
  Log().clear();
  pv::test::ClickClient(inner, 5, 5);
  pv::test::PumpUntilIdle();
  std::vector<std::pair<HWND, UINT>> asked = Pairs({WM_MOUSEACTIVATE});
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].first, inner);
  EXPECT_EQ(asked[1].first, panel);
  EXPECT_EQ(asked[2].first, top);
  EXPECT_EQ(Messages(inner, {WM_LBUTTONDOWN}).size(), 1u);
  // The active window itself is not asked.
  Log().clear();
  pv::test::ClickClient(top, 250, 5);
  pv::test::PumpUntilIdle();
  EXPECT_TRUE(Pairs({WM_MOUSEACTIVATE}).empty());
}

// With a menu open, the pointer moving onto another item of the menu bar
// opens that menu instead.
TEST_F(WmTest, ThePointerMovingAlongTheMenuBarSwitchesMenus) {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 101, u"&Open");
  HMENU edit = CreatePopupMenu();
  AppendMenu(edit, MF_STRING, 201, u"&Copy");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"&File");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), u"&Edit");
  HWND w = Top(50, 50, 400, 300);
  SetMenu(w, bar);
  pv::test::PumpUntilIdle();
  RECT fileItem, editItem;
  ASSERT_TRUE(GetMenuItemRect(w, bar, 0, &fileItem));
  ASSERT_TRUE(GetMenuItemRect(w, bar, 1, &editItem));
  Log().clear();
  // Open File with a click, move onto Edit, take its (selected) first item.
  pv::test::Click((fileItem.left + fileItem.right) / 2, (fileItem.top + fileItem.bottom) / 2);
  pv::test::MouseMove((editItem.left + editItem.right) / 2, (editItem.top + editItem.bottom) / 2);
  pv::test::KeyPress(VK_RETURN);
  pv::test::PumpUntilIdle();
  std::vector<HMENU> opened;
  for (const Entry& e : Log())
    if (e.hwnd == w && e.msg == WM_INITMENUPOPUP) opened.push_back(reinterpret_cast<HMENU>(e.wParam));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], file);
  EXPECT_EQ(opened[1], edit);
  bool copied = std::any_of(Log().begin(), Log().end(), [&](const Entry& e) {
    return e.hwnd == w && e.msg == WM_COMMAND && LOWORD(e.wParam) == 201;
  });
  EXPECT_TRUE(copied);
  EXPECT_EQ(Messages(w, {WM_EXITMENULOOP}).size(), 1u);  // one menu loop throughout
}

// The focus stays with the window that had it when a menu closes, so that
// keys and accelerators keep reaching it.
TEST_F(WmTest, TheFocusStaysWhereItWasWhenAMenuCloses) {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 101, u"&Open");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"&File");
  HWND w = Top(50, 50, 400, 300);
  SetMenu(w, bar);
  HWND field = Child(w, 5, 10, 10, 100, 20);
  SetFocus(field);
  pv::test::PumpUntilIdle();
  pv::test::Chord(FALT, 'F');
  pv::test::KeyPress(VK_ESCAPE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(GetFocus(), field);
  Log().clear();
  pv::test::KeyPress('A');
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(field, {WM_KEYDOWN}).size(), 1u);
  EXPECT_TRUE(Messages(w, {WM_SYSCOMMAND}).empty());
}

// A window that was given only its large icon (a frame's program icon)
// shows it, drawn small, at the left of its caption.
TEST_F(WmTest, TheCaptionShowsTheLargeIconWhenThereIsNoSmallOne) {
  // A 32x32 icon, solid red.
  std::vector<BYTE> andBits(32 * 32 / 8, 0), xorBits(32 * 32 * 4);
  for (size_t i = 0; i < xorBits.size(); i += 4) {
    xorBits[i] = 0;
    xorBits[i + 1] = 0;
    xorBits[i + 2] = 255;
    xorBits[i + 3] = 255;
  }
  HICON red = CreateIcon(nullptr, 32, 32, 1, 32, andBits.data(), xorBits.data());
  ASSERT_NE(red, nullptr);
  HWND w = Top(50, 50, 300, 200);
  SendMessage(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(red));
  pv::test::PumpUntilIdle();
  int f = GetSystemMetrics(SM_CXFRAME);
  int cap = GetSystemMetrics(SM_CYCAPTION);
  int is = GetSystemMetrics(SM_CXSMICON);
  EXPECT_EQ(pv::test::WindowPixelNc(w, f + 2 + is / 2, f + (cap - 1) / 2), RGB(255, 0, 0));
  DestroyWindow(w);
  DestroyIcon(red);
}
