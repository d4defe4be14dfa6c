// The combo box on a real (virtual) X display under a window manager: the
// clicks travel through SDL's event queue, and the desktop hands its
// keyboard focus to the windows that appear, as a window manager does.
// Runs under xvfb-run (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/controls/commctrl.h"
#include "managed_display.h"
#include "platform/window/test_input.h"

namespace {

using ctltest::ManagedDisplayScope;

#define REQUIRE_DISPLAY()                                                                                  \
  if (!std::getenv("PRAVENOR_SDL_SMOKE"))                                                                  \
    GTEST_SKIP() << "needs a virtual display (the platform_controls_desktop test runs it under xvfb-run)"; \
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the desktop run has no DISPLAY"

std::u16string Text(HWND h) {
  WCHAR buf[64] = {};
  ::GetWindowText(h, buf, 64);
  return buf;
}

// A click at a screen point, into the SDL window of whichever top-level
// window of ours lies there.
bool ClickScreen(POINT p) {
  HWND at = ::WindowFromPoint(p);
  HWND top = at ? ::GetAncestor(at, GA_ROOT) : nullptr;
  if (!top) return false;
  RECT wr;
  ::GetWindowRect(top, &wr);
  return pv::test::SdlClick(top, p.x - wr.left, p.y - wr.top);
}

TEST(ComboDesktop, AClickOnAnItemOfTheOpenListChoosesItUnderAWindowManager) {
  REQUIRE_DISPLAY();
  ManagedDisplayScope managed;
  ASSERT_TRUE(managed.Ok());
  ASSERT_TRUE(pv::test::UseDesktopBackend()) << "no display could be opened";
  pv::controls::RegisterStandardControls();
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProc;
  wc.lpszClassName = u"PvComboDesktopFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_3DFACE + 1));
  ::RegisterClass(&wc);
  for (DWORD kind : {DWORD(CBS_DROPDOWN | CBS_AUTOHSCROLL), DWORD(CBS_DROPDOWNLIST)}) {
    SCOPED_TRACE(kind);
    HWND frame = ::CreateWindowEx(0, u"PvComboDesktopFrame", u"Combo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 360,
                                  260, nullptr, nullptr, nullptr, nullptr);
    HWND combo = ::CreateWindowEx(0, WC_COMBOBOX, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_HASSTRINGS | kind, 20,
                                  20, 200, 120, frame, reinterpret_cast<HMENU>(28), nullptr, nullptr);
    for (LPCWSTR s : {u"red", u"green", u"blue"}) ::SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    ::SendMessage(combo, CB_SETCURSEL, 0, 0);
    ::SetFocus(combo);
    pv::test::SdlKeyboardFocus();  // settles what the display answers
    RECT cr;
    ::GetWindowRect(combo, &cr);
    ClickScreen(POINT{cr.right - 6, (cr.top + cr.bottom) / 2});  // the arrow
    pv::test::SdlKeyboardFocus();
    ASSERT_TRUE(::SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(::GetActiveWindow(), frame);  // the open list took nothing from it
    // The open list is where the desktop shows it: below the face.
    const int ih = static_cast<int>(::SendMessage(combo, CB_GETITEMHEIGHT, 0, 0));
    const POINT second{cr.left + 20, cr.bottom + 1 + ih + ih / 2};
    HWND list = ::WindowFromPoint(second);
    ASSERT_NE(list, nullptr);
    EXPECT_NE(::GetAncestor(list, GA_ROOT), frame);
    EXPECT_TRUE(managed.UnmanagedAt(second.x, second.y));  // a pop-up, as menus are
    ClickScreen(second);
    pv::test::SdlKeyboardFocus();
    EXPECT_FALSE(::SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(::SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(combo), u"green");
    ::DestroyWindow(frame);
    pv::test::PumpUntilIdle();
  }
  pv::test::UseHeadlessBackend();
}

}  // namespace
