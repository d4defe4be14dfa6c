// Pravenor: an organiser of works and tasks.
//
// Runs the application object's start-up and message loop. With
// --exit-after-start-up the main window is closed as soon as start-up is
// done, so that a headless run checks the whole start and a clean exit.
#include <cstdio>
#include <cstring>

#include "app/pravenorapp.h"
#include "platform/controls/commctrl.h"
#include "platform/shell/platform_modules.h"
#include "platform/window/display_library.h"
#include "platform/window/winuser.h"

CPravenorApp theApp;

int main(int argc, char** argv) {
  bool exitAfterStartUp = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--exit-after-start-up") == 0) exitAfterStartUp = true;

  // GDI, the shell, sound, rich-text and accessibility services are found by
  // module name; registering them also links them into the program.
  pv::RegisterPlatformModules();
  // Dialog templates create the standard controls by class name.
  pv::controls::RegisterStandardControls();
  AfxWinInit(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  // Asking picks the display back end now, before the first window, so the
  // main window's default size follows the real screen. The window is shown
  // through SDL2, opened on first use: on a display without it the program
  // would run unseen, so it stops instead, as it did when the library was
  // linked into it (the reason is on stderr already).
  if (!pv::WindowsOnDisplay() && pv::DisplayLibraryMissing()) {
    std::fputs("pravenor: the main window cannot be shown\n", stderr);
    return 1;
  }
  if (!theApp.InitApplication() || !theApp.InitInstance()) {
    if (theApp.m_pMainWnd && theApp.m_pMainWnd->m_hWnd) theApp.m_pMainWnd->DestroyWindow();
    theApp.ExitInstance();
    return 1;
  }
  if (exitAfterStartUp) theApp.m_pMainWnd->PostMessage(WM_CLOSE);
  return theApp.Run();
}
