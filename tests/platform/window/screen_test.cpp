// Reading the screen through the desktop's DC: what the top-level windows
// show, the topmost last, each only inside its window region, layered ones
// blended, keyed or left out, and the desktop's colour where no window is;
// on every monitor of a screen of two, one at negative x.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "platform/window/test_input.h"
#include "platform/window/winuser.h"
#include "tests/platform/window/wm_test_util.h"
#include "tests/support/screens.h"

namespace {

using wmtest::WmTest;

constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kBlue = RGB(0, 0, 230);
constexpr COLORREF kKey = RGB(255, 0, 255);

class ScreenReadTest : public WmTest {
 protected:
  // A popup window that paints itself in one colour; the left half in the
  // colour key when asked.
  HWND Solid(RECT rc, COLORREF color, DWORD ex = 0, bool keyHalf = false) {
    HWND h = Top(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, WS_POPUP | WS_VISIBLE, ex);
    wmtest::Handlers()[h] = [color, keyHalf](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
      if (msg == WM_ERASEBKGND) {
        *result = 1;
        return true;
      }
      if (msg != WM_PAINT) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      const RECT keyed{0, 0, keyHalf ? client.right / 2 : 0, client.bottom};
      for (const auto& [part, partColor] : {std::pair{client, color}, std::pair{keyed, kKey}}) {
        SetDCBrushColor(dc, partColor);
        FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      }
      EndPaint(hwnd, &ps);
      *result = 0;
      return true;
    };
    return h;
  }

  // What a copy of the screen's rectangle shows, read back pixel by pixel.
  static std::vector<COLORREF> CopyScreen(const RECT& rc) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, rc.right - rc.left, rc.bottom - rc.top);
    HGDIOBJ old = SelectObject(mem, bmp);
    EXPECT_TRUE(BitBlt(mem, 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen, rc.left, rc.top, SRCCOPY));
    std::vector<COLORREF> out;
    for (int y = 0; y < rc.bottom - rc.top; ++y)
      for (int x = 0; x < rc.right - rc.left; ++x) out.push_back(GetPixel(mem, x, y));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
  }

  static COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
  }
};

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 1 && std::abs(GetGValue(a) - GetGValue(b)) <= 1 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

TEST_F(ScreenReadTest, TheScreenShowsTheWindowsTopmostLastEachInsideItsRegion) {
  pv::test::SetScreen(1024, 768, 40);
  Solid(RECT{100, 100, 300, 300}, kRed);
  HWND topmost = Solid(RECT{250, 250, 400, 400}, kBlue, WS_EX_TOPMOST);
  // Created after the topmost one, yet below it.
  Solid(RECT{200, 200, 350, 350}, kGreen);
  // Shaped: only its left half is its window.
  HWND shaped = Solid(RECT{500, 100, 700, 200}, kGreen);
  SetWindowRgn(shaped, CreateRectRgn(0, 0, 100, 100), TRUE);
  HWND hidden = Solid(RECT{600, 300, 700, 400}, kBlue);
  ShowWindow(hidden, SW_HIDE);
  // Half opaque over the red window; a keyed one shows only its right half.
  HWND glass = Solid(RECT{120, 120, 180, 180}, kGreen, WS_EX_LAYERED);
  SetLayeredWindowAttributes(glass, 0, 128, LWA_ALPHA);
  HWND keyed = Solid(RECT{120, 200, 180, 260}, kBlue, WS_EX_LAYERED, true);
  SetLayeredWindowAttributes(keyed, kKey, 0, LWA_COLORKEY);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(pv::test::WindowPixel(topmost, 5, 5), kBlue);

  const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  const COLORREF blended = RGB((GetRValue(kRed) * 127 + 127) / 255, GetGValue(kGreen) * 128 / 255, 0);
  struct Case {
    POINT pt;
    COLORREF shown;
    const char* what;
  } cases[] = {
      {{110, 110}, kRed, "the red window alone"},
      {{220, 220}, kGreen, "green over red"},
      {{260, 260}, kBlue, "the topmost window over both"},
      {{340, 340}, kBlue, "the topmost window over green"},
      {{50, 50}, desktop, "no window"},
      {{550, 150}, kGreen, "inside the shaped window's region"},
      {{650, 150}, desktop, "outside the shaped window's region"},
      {{650, 350}, desktop, "a hidden window"},
      {{150, 150}, blended, "half opaque green over red"},
      {{130, 230}, kRed, "the keyed half shows what lies below"},
      {{170, 230}, kBlue, "the keyed window's other half"},
  };
  for (const Case& c : cases) EXPECT_PRED2(Near, ScreenPixel(c.pt.x, c.pt.y), c.shown) << c.what;

  // A copy of a rectangle across the edge of two windows, as a popup takes
  // the screen under itself before it animates.
  const std::vector<COLORREF> copy = CopyScreen(RECT{240, 245, 260, 255});
  ASSERT_EQ(copy.size(), 200u);
  EXPECT_EQ(copy[0], kGreen);            // (240, 245)
  EXPECT_EQ(copy[4 * 20 + 15], kGreen);  // (255, 249)
  EXPECT_EQ(copy[5 * 20 + 9], kGreen);   // (249, 250)
  EXPECT_EQ(copy[5 * 20 + 10], kBlue);   // (250, 250): the topmost window's corner
  EXPECT_EQ(copy[199], kBlue);           // (259, 254)

  // Moved, closed: the screen follows at once.
  SetWindowPos(topmost, nullptr, 800, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(ScreenPixel(260, 260), kGreen);
  EXPECT_EQ(ScreenPixel(810, 510), kBlue);
  DestroyWindow(topmost);
  EXPECT_EQ(ScreenPixel(810, 510), desktop);
}

TEST_F(ScreenReadTest, EveryMonitorOfATwoMonitorScreenIsRead) {
  const pvtest::TwoMonitorScreen screen = pvtest::UseTwoMonitors();
  ASSERT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), screen.left.left);
  ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  MONITORINFO info{sizeof(info)};
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(POINT{-10, -100}, MONITOR_DEFAULTTONULL), &info));
  EXPECT_TRUE(EqualRect(&info.rcMonitor, &screen.left));
  EXPECT_TRUE(EqualRect(&info.rcWork, &screen.leftWork));

  // One window on the left monitor above the primary's top, one across both.
  Solid(RECT{-600, -120, -400, -20}, kRed);
  Solid(RECT{-50, 100, 50, 200}, kBlue);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(ScreenPixel(-500, -100), kRed);
  EXPECT_EQ(ScreenPixel(-10, 150), kBlue);
  EXPECT_EQ(ScreenPixel(10, 150), kBlue);
  EXPECT_EQ(ScreenPixel(-700, 500), GetSysColor(COLOR_DESKTOP));
  const std::vector<COLORREF> copy = CopyScreen(RECT{-52, 150, -48, 151});
  EXPECT_EQ(copy, (std::vector<COLORREF>{GetSysColor(COLOR_DESKTOP), GetSysColor(COLOR_DESKTOP), kBlue, kBlue}));
  // The screen DC still measures the primary monitor.
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1024);
  ReleaseDC(nullptr, dc);
}

// Drawing on the screen's DC shows in no window and is gone from the next
// read, which gives what the windows show.
TEST_F(ScreenReadTest, DrawingOnTheScreenShowsNowhere) {
  pv::test::SetScreen(1024, 768, 40);
  HWND red = Solid(RECT{100, 100, 200, 200}, kRed);
  pv::test::PumpUntilIdle();
  HDC screen = GetDC(nullptr);
  HBRUSH brush = CreateSolidBrush(kGreen);
  RECT rc{0, 0, 300, 300};
  FillRect(screen, &rc, brush);
  DeleteObject(brush);
  EXPECT_EQ(GetPixel(screen, 150, 150), kRed);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(pv::test::WindowPixel(red, 50, 50), kRed);
}

}  // namespace
