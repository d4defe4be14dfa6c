// The desktop back end end to end: a real (virtual) display shows a window,
// a click travels through SDL's event queue to a button, and what the
// display shows changes. Runs under xvfb-run (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window/test_input.h"
#include "platform/window/winuser.h"

namespace {

COLORREF g_face = RGB(200, 0, 0);
int g_commands = 0;

LRESULT ButtonProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT rc;
      GetClientRect(h, &rc);
      HBRUSH b = CreateSolidBrush(g_face);
      FillRect(dc, &rc, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONUP:
      g_face = RGB(0, 160, 0);
      SetWindowText(h, u"clicked");
      InvalidateRect(h, nullptr, TRUE);
      SendMessage(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), 0), reinterpret_cast<LPARAM>(h));
      return 0;
  }
  return DefWindowProc(h, m, w, l);
}

LRESULT FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND && LOWORD(w) == 7) ++g_commands;
  return DefWindowProc(h, m, w, l);
}

TEST(SdlSmoke, OpensAWindowClicksAButtonAndReadsTheResult) {
  // The ordinary run of the window tests skips it; the smoke run (under
  // xvfb-run, with PRAVENOR_SDL_SMOKE set) fails when it cannot reach the display.
  if (!std::getenv("PRAVENOR_SDL_SMOKE"))
    GTEST_SKIP() << "needs a virtual display (the platform_window_sdl_smoke test runs it under xvfb-run)";
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the smoke run has no DISPLAY";
  ASSERT_TRUE(pv::test::UseDesktopBackend()) << "no display could be opened";
  WNDCLASSW wc{};
  wc.lpfnWndProc = ButtonProc;
  wc.lpszClassName = u"PvSmokeButton";
  RegisterClass(&wc);
  wc.lpfnWndProc = FrameProc;
  wc.lpszClassName = u"PvSmokeFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_3DFACE + 1));
  RegisterClass(&wc);
  HWND frame = CreateWindowEx(0, u"PvSmokeFrame", u"Smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 240,
                              nullptr, nullptr, nullptr, nullptr);
  HWND button = CreateWindowEx(0, u"PvSmokeButton", u"Press", WS_CHILD | WS_VISIBLE, 20, 20, 120, 40, frame,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
  ASSERT_TRUE(IsWindow(button));
  pv::test::PumpUntilIdle();
  POINT p{60, 40};  // inside the button, in the frame window's own coordinates
  RECT wr, br;
  GetWindowRect(frame, &wr);
  GetWindowRect(button, &br);
  p = POINT{(br.left + br.right) / 2 - wr.left, (br.top + br.bottom) / 2 - wr.top};
  EXPECT_EQ(pv::test::PresentedPixel(frame, p.x, p.y), RGB(200, 0, 0));
  EXPECT_EQ(pv::test::PresentedPixel(frame, 4, 10), GetSysColor(COLOR_ACTIVECAPTION));  // our caption
  ASSERT_TRUE(pv::test::SdlClick(frame, p.x, p.y));
  pv::test::PumpUntilIdle();
  WCHAR text[32];
  GetWindowText(button, text, 32);
  EXPECT_EQ(std::u16string(text), u"clicked");
  EXPECT_EQ(g_commands, 1);
  EXPECT_EQ(pv::test::PresentedPixel(frame, p.x, p.y), RGB(0, 160, 0));
  pv::test::UseHeadlessBackend();
}

}  // namespace
