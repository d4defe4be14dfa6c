// Painting: when WM_PAINT comes and what it covers, clipping between
// windows, a window tree rendered headless, scrolling, layered windows.
#include <cstdio>
#include <filesystem>

#include "platform/gdi/gdi_private.h"
#include "tests/platform/window/wm_test_util.h"
#include "tests/support/fixture_reset.h"
#include "tests/support/temp_home.h"

using namespace wmtest;

namespace {

// Windows that fill their client area with one colour when painted.
std::map<HWND, COLORREF>& Colours() {
  static std::map<HWND, COLORREF> c;
  return c;
}

void PaintSolid(HWND w) {
  Handlers()[w] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc;
    GetClientRect(h, &rc);
    HBRUSH b = CreateSolidBrush(Colours()[h]);
    FillRect(dc, &rc, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    *r = 0;
    return true;
  };
}

TEST_F(WmTest, PaintComesOnceForTheUnionOfWhatWasInvalidated) {
  HWND w = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  std::vector<RECT> painted;
  std::vector<BOOL> erased;
  Handlers()[w] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    painted.push_back(ps.rcPaint);
    erased.push_back(ps.fErase);
    EndPaint(h, &ps);
    return true;
  };
  Log().clear();
  RECT a{10, 10, 20, 20}, b{50, 40, 60, 70};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, TRUE);
  RECT u;
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.left, 10);
  EXPECT_EQ(u.bottom, 70);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0].left, 10);
  EXPECT_EQ(painted[0].top, 10);
  EXPECT_EQ(painted[0].right, 60);
  EXPECT_EQ(painted[0].bottom, 70);
  EXPECT_FALSE(erased[0]);  // the class brush erased it
  EXPECT_EQ(Messages(w, {WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
  // Validating part of it leaves the rest.
  InvalidateRect(w, nullptr, FALSE);
  RECT half{0, 0, 200, 100};
  ValidateRect(w, &half);
  GetUpdateRect(w, &u, FALSE);
  EXPECT_EQ(u.top, 100);
  // A procedure that never calls BeginPaint does not get WM_PAINT for ever.
  Handlers()[w] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) { return m == WM_PAINT; };
  Log().clear();
  EXPECT_LT(pv::test::PumpUntilIdle(), 5);
  EXPECT_EQ(Messages(w, {WM_PAINT}).size(), 1u);
}

TEST_F(WmTest, PaintOrderAndChildInvalidationFollowClipChildren) {
  for (bool clip : {false, true}) {
    SCOPED_TRACE(clip ? "WS_CLIPCHILDREN" : "plain");
    pvtest::ResetDesktop();
    HWND p = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | (clip ? WS_CLIPCHILDREN : 0));
    HWND c = Child(p, 1, 10, 10, 50, 50);
    HWND hidden = Child(p, 2, 10, 10, 50, 50, WS_CHILD);
    pv::test::PumpUntilIdle();
    Log().clear();
    InvalidateRect(p, nullptr, TRUE);
    pv::test::PumpUntilIdle();
    auto pairs = Pairs({WM_PAINT});
    if (clip) {
      EXPECT_EQ(pairs, (std::vector<std::pair<HWND, UINT>>{{p, WM_PAINT}}));
    } else {
      // parents paint before their children
      EXPECT_EQ(pairs, (std::vector<std::pair<HWND, UINT>>{{p, WM_PAINT}, {c, WM_PAINT}}));
    }
    EXPECT_TRUE(Messages(hidden, {WM_PAINT}).empty());
    // The hidden child paints when it shows.
    Log().clear();
    ShowWindow(hidden, SW_SHOW);
    pv::test::PumpUntilIdle();
    EXPECT_EQ(Messages(hidden, {WM_PAINT}).size(), 1u);
  }
}

TEST_F(WmTest, UpdateWindowAndRedrawWindowPaintAtOnce) {
  HWND p = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(p, 1, 10, 10, 50, 50);
  pv::test::PumpUntilIdle();
  InvalidateRect(p, nullptr, TRUE);
  Log().clear();
  UpdateWindow(p);
  EXPECT_EQ(Pairs({WM_PAINT}), (std::vector<std::pair<HWND, UINT>>{{p, WM_PAINT}, {c, WM_PAINT}}));
  EXPECT_EQ(pv::test::PumpUntilIdle(), 0);
  Log().clear();
  RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ERASENOW | RDW_NOCHILDREN);
  EXPECT_EQ(Messages(p, {WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_ERASEBKGND}));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(Messages(p, {WM_PAINT}).size(), 1u);
}

TEST_F(WmTest, AWindowTreeRendersHeadlessToPixels) {
  pv::test::SetScreen(800, 600);
  // A captioned window, a red child, a blue sibling overlapping it (clipping
  // siblings), a green grandchild, and a hidden yellow child.
  HWND top = Top(50, 50, 300, 220, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  HWND red = Child(top, 1, 10, 10, 100, 80, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  HWND blue = Child(top, 2, 60, 40, 100, 80, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  HWND green = Child(blue, 3, 10, 10, 20, 20);
  HWND yellow = Child(top, 4, 200, 100, 50, 50, WS_CHILD);
  Colours()[red] = RGB(255, 0, 0);
  Colours()[blue] = RGB(0, 0, 255);
  Colours()[green] = RGB(0, 128, 0);
  Colours()[yellow] = RGB(255, 255, 0);
  for (HWND h : {red, blue, green, yellow}) PaintSolid(h);
  SetWindowPos(blue, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  pv::test::PumpUntilIdle();
  struct Sample {
    int x, y;
    COLORREF expected;
  };
  const Sample samples[] = {
      {5, 5, GetSysColor(COLOR_WINDOW)},  // the class brush
      {20, 20, RGB(255, 0, 0)},           // red alone
      {100, 60, RGB(0, 0, 255)},          // where blue (on top) overlaps red
      {75, 55, RGB(0, 128, 0)},           // green inside blue
      {159, 119, RGB(0, 0, 255)},         // blue's last pixel
      {160, 120, GetSysColor(COLOR_WINDOW)},
      {220, 120, GetSysColor(COLOR_WINDOW)},  // the hidden child drew nothing
  };
  for (const Sample& s : samples) EXPECT_EQ(pv::test::WindowPixel(top, s.x, s.y), s.expected) << s.x << "," << s.y;
  // The non-client area: the caption in the active caption colour, the frame face.
  EXPECT_EQ(pv::test::WindowPixelNc(top, 4, 10), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(pv::test::WindowPixelNc(top, 2, 100), GetSysColor(COLOR_3DFACE));
  // Bringing red to the top repaints it over blue.
  SetWindowPos(red, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(top, 100, 60), RGB(255, 0, 0));
  EXPECT_EQ(pv::test::WindowPixel(top, 75, 55), RGB(255, 0, 0));    // blue's child is under red now too
  EXPECT_EQ(pv::test::WindowPixel(top, 130, 100), RGB(0, 0, 255));  // blue outside red
  // Moving blue away uncovers the parent.
  SetWindowPos(blue, nullptr, 180, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(top, 150, 110), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(pv::test::WindowPixel(top, 185, 105), RGB(0, 0, 255));
  pvtest::TempFolder folder("pv-window-png");
  std::string path = folder.File("tree.png");
  ASSERT_TRUE(pv::test::SaveWindowPng(top, path.c_str()));
  EXPECT_GT(std::filesystem::file_size(path), 100u);
  ASSERT_TRUE(pv::test::SaveWindowPng(blue, folder.File("child.png").c_str()));
}

TEST_F(WmTest, PrintWindowDrawsTheTreeIntoAnyDc) {
  HWND top = Top(0, 0, 120, 100, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND c = Child(top, 1, 20, 20, 30, 30);
  Colours()[c] = RGB(0, 0, 200);
  PaintSolid(c);
  // WM_PRINTCLIENT goes to a procedure that paints the same way.
  Handlers()[c] = [](HWND h, UINT m, WPARAM w, LPARAM, LRESULT*) {
    if (m != WM_PRINTCLIENT && m != WM_PAINT) return false;
    PAINTSTRUCT ps{};
    HDC dc = m == WM_PAINT ? BeginPaint(h, &ps) : reinterpret_cast<HDC>(w);
    RECT rc;
    GetClientRect(h, &rc);
    HBRUSH b = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(dc, &rc, b);
    DeleteObject(b);
    if (m == WM_PAINT) EndPaint(h, &ps);
    return true;
  };
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 120;
  bi.bmiHeader.biHeight = -100;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(nullptr);
  SelectObject(mem, bmp);
  ASSERT_TRUE(PrintWindow(top, mem, 0));
  auto at = [&](int x, int y) {
    uint32_t p = static_cast<uint32_t*>(bits)[y * 120 + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  EXPECT_EQ(at(0, 0), GetSysColor(COLOR_WINDOWFRAME));    // the border
  EXPECT_EQ(at(10, 10), GetSysColor(COLOR_WINDOW));       // the erased client
  EXPECT_EQ(at(1 + 20 + 5, 1 + 20 + 5), RGB(0, 0, 200));  // the child, offset by the border
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(WmTest, GetDcClipsChildrenAndLockWindowUpdateHidesDrawing) {
  HWND p = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND c = Child(p, 1, 50, 50, 50, 50);
  Colours()[c] = RGB(0, 255, 0);
  PaintSolid(c);
  pv::test::PumpUntilIdle();
  HDC dc = GetDC(p);
  RECT all{0, 0, 200, 200};
  HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
  FillRect(dc, &all, b);
  ReleaseDC(p, dc);
  EXPECT_EQ(pv::test::WindowPixel(p, 10, 10), RGB(10, 20, 30));
  EXPECT_EQ(pv::test::WindowPixel(p, 60, 60), RGB(0, 255, 0));
  EXPECT_EQ(WindowFromDC(dc), nullptr);  // released
  LockWindowUpdate(p);
  dc = GetDC(p);
  HBRUSH w = CreateSolidBrush(RGB(200, 200, 200));
  FillRect(dc, &all, w);
  ReleaseDC(p, dc);
  EXPECT_EQ(pv::test::WindowPixel(p, 10, 10), RGB(10, 20, 30));
  LockWindowUpdate(nullptr);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(p, 10, 10), GetSysColor(COLOR_WINDOW));
  DeleteObject(b);
  DeleteObject(w);
}

TEST_F(WmTest, TheCaretInvertsItsPlaceAndSurvivesPainting) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  const COLORREF white = GetSysColor(COLOR_WINDOW);
  const COLORREF inverted = white ^ 0x00FFFFFF;
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 10));
  SetCaretPos(5, 5);
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), white);  // created hidden
  ShowCaret(w);
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), inverted);
  EXPECT_EQ(pv::test::WindowPixel(w, 7, 5), white);
  HideCaret(w);
  HideCaret(w);
  ShowCaret(w);  // hides nest
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), white);
  ShowCaret(w);
  InvalidateRect(w, nullptr, TRUE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 14), inverted);  // painted over, then put back
  pv::test::AdvanceAndPump(5000);
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), inverted);  // no blinking in a test
  SetCaretPos(20, 5);
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), white);
  EXPECT_EQ(pv::test::WindowPixel(w, 21, 5), inverted);
  POINT p;
  GetCaretPos(&p);
  EXPECT_EQ(p.x, 20);
  DestroyCaret();
  EXPECT_EQ(pv::test::WindowPixel(w, 21, 5), white);
}

TEST_F(WmTest, ScrollWindowMovesPixelsAndInvalidatesTheRest) {
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  pv::test::PumpUntilIdle();
  HDC dc = GetDC(w);
  for (int y = 0; y < 100; y += 10) {
    RECT band{0, y, 100, y + 10};
    HBRUSH b = CreateSolidBrush(RGB(y, 0, 0));
    FillRect(dc, &band, b);
    DeleteObject(b);
  }
  ReleaseDC(w, dc);
  RECT upd;
  int type = ScrollWindowEx(w, 0, -20, nullptr, nullptr, nullptr, &upd, SW_INVALIDATE);
  EXPECT_EQ(type, SIMPLEREGION);
  EXPECT_EQ(upd.top, 80);
  EXPECT_EQ(upd.bottom, 100);
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 5), RGB(20, 0, 0));
  EXPECT_EQ(pv::test::WindowPixel(w, 5, 75), RGB(90, 0, 0));
  RECT u;
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.top, 80);
  // Children scroll along when asked.
  HWND c = Child(w, 1, 10, 50, 10, 10);
  pv::test::PumpUntilIdle();
  ScrollWindowEx(w, 5, 0, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE);
  RECT cr;
  GetWindowRect(c, &cr);
  EXPECT_EQ(cr.left, 15);
}

// Scrolling a parent that clips its children moves several rectangles of content;
// every one must read pixels from before the scroll, whichever way it goes.
TEST_F(WmTest, ScrollAroundAClippedChildReadsEachPixelBeforeItMoves) {
  struct Case {
    int dx, dy;
  };
  for (Case k : {Case{0, 10}, Case{0, -10}, Case{10, 0}, Case{-10, 0}}) {
    SCOPED_TRACE(testing::Message() << "dx=" << k.dx << " dy=" << k.dy);
    pvtest::ResetDesktop();
    HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
    Child(w, 1, 40, 40, 20, 20);
    pv::test::PumpUntilIdle();
    // Bands across the scroll direction, each its own colour.
    const bool vertical = k.dy != 0;
    auto colour = [&](int x, int y) { return RGB((vertical ? y : x) * 2, 0, 0); };
    HDC dc = GetDC(w);
    for (int i = 0; i < 100; ++i) {
      RECT band = vertical ? RECT{0, i, 100, i + 1} : RECT{i, 0, i + 1, 100};
      HBRUSH b = CreateSolidBrush(RGB(i * 2, 0, 0));
      FillRect(dc, &band, b);
      DeleteObject(b);
    }
    ReleaseDC(w, dc);
    ScrollWindowEx(w, k.dx, k.dy, nullptr, nullptr, nullptr, nullptr, 0);
    // Points beside the child along the scroll axis, each showing what was dx, dy away.
    for (int along : {20, 35, 45, 55, 65, 80}) {
      for (int beside : {10, 85}) {
        int x = vertical ? beside : along, y = vertical ? along : beside;
        EXPECT_EQ(pv::test::WindowPixel(w, x, y), colour(x - k.dx, y - k.dy)) << "at " << x << "," << y;
      }
    }
  }
}

TEST_F(WmTest, LayeredAndShapedWindowsKeepTheirSettings) {
  HWND plain = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 128, LWA_ALPHA));
  HWND w = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  ASSERT_TRUE(SetLayeredWindowAttributes(w, RGB(1, 2, 3), 128, LWA_ALPHA | LWA_COLORKEY));
  COLORREF key;
  BYTE alpha;
  DWORD flags;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(key, RGB(1, 2, 3));
  // Per-pixel content from a memory bitmap.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -30;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  auto* px = static_cast<uint32_t*>(bits);
  for (int i = 0; i < 40 * 30; ++i) px[i] = 0x80400000u;  // half transparent, premultiplied red
  GdiMarkDirty(bmp);
  HDC mem = CreateCompatibleDC(nullptr);
  SelectObject(mem, bmp);
  SIZE size{40, 30};
  POINT src{0, 0}, dst{300, 200};
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &dst, &size, mem, &src, 0, &bf, ULW_ALPHA));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 300);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_EQ(pv::test::WindowPixelNc(w, 5, 5), RGB(0x40, 0, 0));
  EXPECT_FALSE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));  // content came per pixel
  DeleteDC(mem);
  DeleteObject(bmp);
  // A window region limits hit testing.
  HWND shaped = Top(500, 500, 100, 100, WS_POPUP | WS_VISIBLE);
  SetWindowRgn(shaped, CreateRectRgn(0, 0, 50, 50), TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{510, 510}), shaped);
  EXPECT_NE(WindowFromPoint(POINT{590, 590}), shaped);
  RECT box;
  EXPECT_EQ(GetWindowRgnBox(shaped, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 50);
}

// The image given to UpdateLayeredWindow stays what the window shows (a
// pending or later WM_PAINT does not paint over it), and the mouse passes
// through fully transparent pixels and colour-keyed ones to the window below.
TEST_F(WmTest, LayeredImageIsKeptAndTransparentPixelsLetClicksThrough) {
  HWND below = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND w = Top(10, 10, 40, 30, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);  // shown: a paint is pending
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -30;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  auto* px = static_cast<uint32_t*>(bits);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) px[y * 40 + x] = x < 20 ? 0xFF00FF00u : 0;  // left opaque green, right clear
  px[5 * 40 + 5] = 0xFF0000FFu;                                              // one blue (the key below)
  GdiMarkDirty(bmp);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  POINT src{0, 0};
  SIZE size{40, 30};
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  pv::test::PumpUntilIdle();
  InvalidateRect(w, nullptr, TRUE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixelNc(w, 2, 2), RGB(0, 255, 0));
  EXPECT_TRUE(Messages(w, {WM_PAINT, WM_ERASEBKGND}).empty());
  EXPECT_EQ(WindowFromPoint(POINT{12, 12}), w);      // opaque
  EXPECT_EQ(WindowFromPoint(POINT{40, 20}), below);  // alpha 0
  // The same image with a colour key instead: only the key lets clicks through.
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, &size, mem, &src, RGB(0, 0, 255), nullptr, ULW_COLORKEY));
  EXPECT_EQ(WindowFromPoint(POINT{15, 15}), below);  // the keyed pixel
  EXPECT_EQ(WindowFromPoint(POINT{16, 15}), w);
  // Attributes: constant alpha 0 hides the whole window from the mouse.
  HWND attr = Top(100, 100, 50, 50, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(SetLayeredWindowAttributes(attr, 0, 0, LWA_ALPHA));
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), below);
  ASSERT_TRUE(SetLayeredWindowAttributes(attr, 0, 255, LWA_ALPHA));
  EXPECT_EQ(WindowFromPoint(POINT{120, 120}), attr);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
}

}  // namespace
