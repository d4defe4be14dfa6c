// SDL2 opened on first use: its calls are found by name, a library that
// cannot be opened or lacks a call is refused with a reason, and without
// the library the program goes on headless instead of crashing.
#include "platform/window/sdl_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/window/display_library.h"
#include "platform/window/test_input.h"
#include "platform/window/winuser.h"

namespace {

TEST(SdlLibrary, LoadsEveryCallOrRefusesWithAReason) {
  struct Case {
    const char* library;
    bool loads;
    const char* reason;  // part of the error text when it does not load
  };
  const Case cases[] = {
      {"libSDL2-2.0.so.0", true, ""},
      {"libpravenor-no-such-library.so", false, "cannot load libpravenor-no-such-library.so"},
      // A real library without SDL's calls: the first one asked for is named.
      {"libm.so.6", false, "libm.so.6 has no SDL_Init"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    std::string error = "stale";
    std::unique_ptr<pv::SdlApi> api = pv::LoadSdlApi(c.library, &error);
    ASSERT_EQ(api != nullptr, c.loads) << error;
    if (!c.loads) {
      EXPECT_NE(error.find(c.reason), std::string::npos) << error;
      continue;
    }
    EXPECT_TRUE(error.empty()) << error;
#define PV_EXPECT_BOUND(name) EXPECT_NE(api->name, nullptr) << #name;
    PV_SDL_FUNCTIONS(PV_EXPECT_BOUND)
#undef PV_EXPECT_BOUND
    EXPECT_NE(api->GetWindowWMInfo, nullptr);
    // The calls are SDL's own: one that needs no display answers.
    char copy[8];
    EXPECT_EQ(api->strlcpy(copy, "pravenor", sizeof copy), 8u);
    EXPECT_STREQ(copy, "praveno");
  }
}

// 0 when the display back end and the library's users fail cleanly with a
// library that cannot be loaded; another value names what went wrong.
int MissingLibraryCheck() {
  pv::test::UseSdlLibrary("libpravenor-no-such-library.so");
  if (pv::DisplayLibraryMissing()) return 9;  // nothing has asked for a display yet
  if (pv::test::UseDesktopBackend()) return 1;
  if (!pv::DisplayLibraryMissing()) return 10;
  if (pv::Sdl() != nullptr) return 2;
  if (pv::SdlLoadError().find("libpravenor-no-such-library.so") == std::string::npos) return 3;
  if (pv::test::SdlTextInput("x") || pv::test::SdlSetSystemClipboard("x")) return 4;
  if (pv::test::SdlKeyboardFocus() != nullptr) return 5;
  // The headless back end stands in: windows and the clipboard still work.
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = u"PvNoSdl";
  if (!RegisterClass(&wc)) return 6;
  HWND w = CreateWindowEx(0, wc.lpszClassName, u"still here", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                          nullptr, nullptr, nullptr);
  if (!w || !IsWindowVisible(w)) return 7;
  if (!OpenClipboard(w) || !EmptyClipboard()) return 8;
  CloseClipboard();
  DestroyWindow(w);
  return 0;
}

TEST(SdlLibraryDeathTest, WithoutTheLibraryTheProgramGoesOnWithoutADisplay) {
  // A fresh process: nothing has opened the library there yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(MissingLibraryCheck()), ::testing::ExitedWithCode(0),
              "no display: cannot load libpravenor-no-such-library.so");
}

// A static made before the library's first use is destroyed after the
// library's own statics; its destructor must still reach the library, as
// the window back end's does when the program exits.
struct CallsTheLibraryAtExit {
  ~CallsTheLibraryAtExit() {
    if (!pv::Sdl()) std::_Exit(3);
    (void)pv::Sdl()->GetCurrentVideoDriver();
  }
};

TEST(SdlLibraryDeathTest, TheLibraryOutlivesStaticsMadeBeforeIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static CallsTheLibraryAtExit early;
        if (!pv::Sdl()) std::_Exit(2);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
