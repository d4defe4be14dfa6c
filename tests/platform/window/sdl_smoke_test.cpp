// The desktop back end end to end: a real (virtual) display shows a window,
// a click travels through SDL's event queue to a button, and what the
// display shows changes. Runs under xvfb-run (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

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

// The ordinary run of the window tests skips these; the smoke run (under
// xvfb-run, with PRAVENOR_SDL_SMOKE set) fails when it cannot reach the display.
#define REQUIRE_DISPLAY()                                                                                  \
  if (!std::getenv("PRAVENOR_SDL_SMOKE"))                                                                  \
    GTEST_SKIP() << "needs a virtual display (the platform_window_sdl_smoke test runs it under xvfb-run)"; \
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the smoke run has no DISPLAY";                            \
  ASSERT_TRUE(pv::test::UseDesktopBackend()) << "no display could be opened"

TEST(SdlSmoke, OpensAWindowClicksAButtonAndReadsTheResult) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = ButtonProc;
  wc.lpszClassName = u"PvSmokeButton";
  RegisterClass(&wc);
  wc.lpfnWndProc = FrameProc;
  wc.lpszClassName = u"PvSmokeFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_3DFACE + 1));
  RegisterClass(&wc);
  HWND frame = CreateWindowEx(0, u"PvSmokeFrame", u"Smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 240, nullptr,
                              nullptr, nullptr, nullptr);
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

std::vector<UINT> g_seen;
LRESULT TrackProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_MOUSELEAVE || m == WM_CANCELMODE || m == WM_CAPTURECHANGED || m == WM_ACTIVATEAPP) g_seen.push_back(m);
  return DefWindowProc(h, m, w, l);
}

HWND TrackedWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TrackProc;
    wc.lpszClassName = u"PvSmokeTracked";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    RegisterClass(&wc);
    registered = true;
  }
  return CreateWindowEx(0, u"PvSmokeTracked", u"Tracked", WS_POPUP | WS_VISIBLE, 60, 60, 200, 120, nullptr, nullptr,
                        nullptr, nullptr);
}

// The pointer leaving for the desktop reaches a tracked window as
// WM_MOUSELEAVE; focus going to another program ends the capture and
// deactivates the application.
TEST(SdlSmoke, PointerLeaveAndFocusLossReachTheWindows) {
  REQUIRE_DISPLAY();
  HWND w = TrackedWindow();
  SetActiveWindow(w);
  pv::test::PumpUntilIdle();
  POINT p = pv::test::ClientPoint(w, 30, 30);
  pv::test::MouseMove(p.x, p.y);
  pv::test::PumpUntilIdle();
  TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, w, 0};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  g_seen.clear();
  ASSERT_TRUE(pv::test::SdlPointerLeave(w));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_seen, std::vector<UINT>{WM_MOUSELEAVE});

  ASSERT_EQ(GetActiveWindow(), w);
  SetCapture(w);
  g_seen.clear();
  ASSERT_TRUE(pv::test::SdlFocusLost(w));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED, WM_ACTIVATEAPP}));
  DestroyWindow(w);
  pv::test::UseHeadlessBackend();
}

// The system clipboard: another program's copy after ours reaches us, in
// UTF-8 or legacy GBK; files dropped from the desktop arrive as WM_DROPFILES.
std::vector<std::u16string> g_dropped;
LRESULT DropProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_DROPFILES) {
    auto drop = reinterpret_cast<HDROP>(w);
    for (UINT i = 0, n = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
      WCHAR buf[256];
      DragQueryFile(drop, i, buf, 256);
      g_dropped.push_back(buf);
    }
    DragFinish(drop);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

std::u16string Paste() {
  std::u16string t;
  if (!OpenClipboard(nullptr)) return u"<not open>";
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) t = static_cast<const WCHAR*>(GlobalLock(h));
  CloseClipboard();
  return t;
}

TEST(SdlSmoke, ClipboardOfOtherProgramsAndDroppedFiles) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DropProc;
  wc.lpszClassName = u"PvSmokeDrop";
  RegisterClass(&wc);
  HWND w = CreateWindowEx(WS_EX_ACCEPTFILES, u"PvSmokeDrop", u"Drop", WS_POPUP | WS_VISIBLE, 80, 80, 200, 120, nullptr,
                          nullptr, nullptr, nullptr);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(OpenClipboard(w));
  EmptyClipboard();
  std::u16string ours = u"ours";
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (ours.size() + 1) * 2);
  std::copy(ours.c_str(), ours.c_str() + ours.size() + 1, static_cast<WCHAR*>(GlobalLock(g)));
  GlobalUnlock(g);
  SetClipboardData(CF_UNICODETEXT, g);
  CloseClipboard();
  EXPECT_EQ(Paste(), u"ours");
  ASSERT_TRUE(pv::test::SdlSetSystemClipboard("\xE4\xB8\xAD theirs"));
  EXPECT_EQ(Paste(), u"\u4E2D theirs");
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  ASSERT_TRUE(pv::test::SdlSetSystemClipboard("\xB2\xBB\xC4\xDC"));  // GBK
  EXPECT_EQ(Paste(), u"\u4E0D\u80FD");

  POINT p = pv::test::ClientPoint(w, 50, 50);
  SetCursorPos(p.x, p.y);
  pv::test::PumpUntilIdle();
  g_dropped.clear();
  ASSERT_TRUE(pv::test::SdlDropFiles(w, {"/tmp/one.txt", "/tmp/\xE6\x96\x87.txt"}));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_dropped, (std::vector<std::u16string>{u"/tmp/one.txt", u"/tmp/\u6587.txt"}));
  DestroyWindow(w);
  pv::test::UseHeadlessBackend();
}

// A layered window's transparent and colour-keyed pixels, and what a window
// region leaves out, are cut out of the desktop window's shape.
TEST(SdlSmoke, LayeredAndRegionWindowsAreShapedOnTheDesktop) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"PvSmokeShaped";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
  RegisterClass(&wc);
  HWND pop = CreateWindowEx(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"PvSmokeShaped", u"", WS_POPUP | WS_VISIBLE, 100, 100,
                            40, 30, nullptr, nullptr, nullptr, nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -30;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  auto* px = static_cast<uint32_t*>(bits);
  for (int i = 0; i < 40 * 30; ++i) px[i] = (i % 40) < 20 ? 0xFF00FF00u : 0;
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  POINT src{0, 0};
  SIZE size{40, 30};
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(pop, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::PresentedShape(pop, 5, 5), 1);
  EXPECT_EQ(pv::test::PresentedShape(pop, 30, 5), 0);
  EXPECT_EQ(pv::test::PresentedPixel(pop, 5, 5), RGB(0, 255, 0));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  // A plain window that takes a region later is made shaped.
  HWND round = CreateWindowEx(0, u"PvSmokeShaped", u"Round", WS_POPUP | WS_VISIBLE, 200, 100, 60, 60, nullptr, nullptr,
                              nullptr, nullptr);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::PresentedShape(round, 1, 1), -1);
  SetWindowRgn(round, CreateEllipticRgn(0, 0, 60, 60), TRUE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::PresentedShape(round, 30, 30), 1);
  EXPECT_EQ(pv::test::PresentedShape(round, 1, 1), 0);
  DestroyWindow(pop);
  DestroyWindow(round);
  pv::test::UseHeadlessBackend();
}

// Under a compositor a layered window takes the visual with alpha and shows
// its half-transparent pixels premultiplied, to be blended; without one
// (Xvfb has none) it keeps the screen's visual and only its shape.
TEST(SdlSmoke, LayeredWindowsTakeTheVisualWithAlphaUnderACompositor) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"PvSmokeArgb";
  RegisterClass(&wc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 30;
  bi.bmiHeader.biHeight = -10;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  auto* px = static_cast<uint32_t*>(bits);
  // Opaque green, half-transparent red (premultiplied), clear.
  for (int i = 0; i < 30 * 10; ++i) px[i] = (i % 30) < 10 ? 0xFF00FF00u : (i % 30) < 20 ? 0x80400000u : 0;
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  auto show = [&] {
    HWND pop = CreateWindowEx(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"PvSmokeArgb", u"", WS_POPUP | WS_VISIBLE, 300, 300,
                              30, 10, nullptr, nullptr, nullptr, nullptr);
    POINT src{0, 0};
    SIZE size{30, 10};
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(UpdateLayeredWindow(pop, nullptr, nullptr, &size, mem, &src, 0, &bf, ULW_ALPHA));
    pv::test::PumpUntilIdle();
    return pop;
  };
  HWND plain = show();
  EXPECT_EQ(pv::test::PresentedAlpha(plain, 15, 5), -1);
  EXPECT_EQ(pv::test::PresentedShape(plain, 25, 5), 0);
  DestroyWindow(plain);
  pv::test::SdlAssumeCompositor(true);
  HWND argb = show();
  pv::test::SdlAssumeCompositor(false);
  EXPECT_EQ(pv::test::PresentedAlpha(argb, 5, 5), 255);
  EXPECT_EQ(pv::test::PresentedAlpha(argb, 15, 5), 0x80);
  EXPECT_EQ(pv::test::PresentedPixel(argb, 15, 5), RGB(0x40, 0, 0));
  EXPECT_EQ(pv::test::PresentedAlpha(argb, 25, 5), 0);
  EXPECT_EQ(pv::test::PresentedShape(argb, 15, 5), 1);  // still shaped: clear pixels let clicks through
  EXPECT_EQ(pv::test::PresentedShape(argb, 25, 5), 0);
  DestroyWindow(argb);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  pv::test::UseHeadlessBackend();
}

}  // namespace

namespace {
HWND SmokeWindow(DWORD style, DWORD ex, int x, int y, int cx, int cy) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"PvSmokePlain";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    RegisterClass(&wc);
    registered = true;
  }
  return CreateWindowEx(ex, u"PvSmokePlain", u"Plain", style, x, y, cx, cy, nullptr, nullptr, nullptr, nullptr);
}
}  // namespace

// Without a window manager nothing gives our window the keyboard: the
// active window takes it, and keeps it while tool tips and menus (windows
// that are not activated) come and go.
TEST(SdlSmoke, TheActiveWindowHasTheKeyboardFocusOnABareDisplay) {
  REQUIRE_DISPLAY();
  HWND frame = SmokeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 40, 40, 320, 240);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetActiveWindow(), frame);
  EXPECT_EQ(pv::test::SdlKeyboardFocus(), frame);
  HWND tip = SmokeWindow(WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 60, 60, 100, 20);
  ShowWindow(tip, SW_SHOWNA);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(GetActiveWindow(), frame);
  EXPECT_EQ(pv::test::SdlKeyboardFocus(), frame);
  ShowWindow(tip, SW_HIDE);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::SdlKeyboardFocus(), frame);
  DestroyWindow(tip);
  DestroyWindow(frame);
  pv::test::UseHeadlessBackend();
}

// A bare display does not iconify windows: a minimised window stays on the
// screen as its caption along the bottom, and its restore button works.
TEST(SdlSmoke, OnABareDisplayMinimisedWindowsStayAsCaptions) {
  REQUIRE_DISPLAY();
  HWND frame = SmokeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 40, 40, 320, 240);
  pv::test::PumpUntilIdle();
  EXPECT_NE(GetSystemMetrics(SM_ARRANGE), ARW_HIDE);
  ShowWindow(frame, SW_MINIMIZE);
  pv::test::PumpUntilIdle();
  ASSERT_TRUE(IsIconic(frame));
  RECT r, work;
  GetWindowRect(frame, &r);
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(r.bottom, work.bottom);
  EXPECT_EQ(r.left, work.left);
  int f = GetSystemMetrics(SM_CXFRAME);
  COLORREF cap = pv::test::PresentedPixel(frame, f + 1, f + 4);
  EXPECT_TRUE(cap == GetSysColor(COLOR_INACTIVECAPTION) || cap == GetSysColor(COLOR_ACTIVECAPTION)) << std::hex << cap;
  // The restore button: the third from the right.
  int bw = GetSystemMetrics(SM_CXSIZE);
  int x = (r.right - r.left) - f - 2 - bw / 2 - (bw + 2) - bw;
  ASSERT_TRUE(pv::test::SdlClick(frame, x, f + GetSystemMetrics(SM_CYCAPTION) / 2));
  pv::test::PumpUntilIdle();
  EXPECT_FALSE(IsIconic(frame));
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 40);
  DestroyWindow(frame);
  pv::test::UseHeadlessBackend();
}

// The input method's events from SDL: the composition reaches the focus
// window as WM_IME_COMPOSITION, the committed text as WM_CHAR.
std::vector<UINT> g_ime;
std::u16string g_typed;
LRESULT ImeProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_IME_STARTCOMPOSITION || m == WM_IME_COMPOSITION || m == WM_IME_ENDCOMPOSITION) g_ime.push_back(m);
  if (m == WM_CHAR) g_typed += static_cast<char16_t>(w);
  return DefWindowProc(h, m, w, l);
}

TEST(SdlSmoke, TheInputMethodsCompositionAndTextReachTheFocusWindow) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = ImeProc;
  wc.lpszClassName = u"PvSmokeIme";
  RegisterClass(&wc);
  HWND w = CreateWindowEx(0, u"PvSmokeIme", u"Ime", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 240, nullptr,
                          nullptr, nullptr, nullptr);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(GetFocus(), w);
  ASSERT_TRUE(pv::test::SdlTextEditing("zhong", 5));
  ASSERT_TRUE(pv::test::SdlTextInput("\xE4\xB8\xAD"));  // U+4E2D
  pv::test::PumpUntilIdle();
  std::vector<UINT> want = {WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION, WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION};
  EXPECT_EQ(g_ime, want);
  EXPECT_EQ(g_typed, u"\u4e2d");
  DestroyWindow(w);
  pv::test::UseHeadlessBackend();
}

// On a real display the screen's DC reads what our windows show there: the
// one on top where two overlap, each where it alone is.
TEST(SdlSmoke, TheScreenDcReadsWhatTheWindowsShow) {
  REQUIRE_DISPLAY();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"PvSmokeRed";
  wc.hbrBackground = CreateSolidBrush(RGB(200, 0, 0));
  RegisterClass(&wc);
  wc.lpszClassName = u"PvSmokeBlue";
  wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 200));
  RegisterClass(&wc);
  HWND below = CreateWindowEx(0, u"PvSmokeRed", u"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150, nullptr, nullptr,
                              nullptr, nullptr);
  HWND above = CreateWindowEx(WS_EX_TOPMOST, u"PvSmokeBlue", u"", WS_POPUP | WS_VISIBLE, 200, 150, 200, 150, nullptr,
                              nullptr, nullptr, nullptr);
  pv::test::PumpUntilIdle();
  ASSERT_EQ(pv::test::PresentedPixel(below, 20, 20), RGB(200, 0, 0));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, 120, 120), RGB(200, 0, 0));
  EXPECT_EQ(GetPixel(screen, 250, 200), RGB(0, 0, 200));
  EXPECT_EQ(GetPixel(screen, 350, 280), RGB(0, 0, 200));
  ReleaseDC(nullptr, screen);
  DestroyWindow(above);
  DestroyWindow(below);
  pv::test::UseHeadlessBackend();
}
