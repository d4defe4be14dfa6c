// Pravenor: an organiser of works and tasks.
//
// Runs the application object's start-up and message loop. With
// --exit-after-start-up the main window is closed as soon as start-up is
// done, so that a headless run checks the whole start and a clean exit.
#include <cstring>

#include "app/pravenorapp.h"
#include "platform/controls/commctrl.h"
#include "platform/shell/platform_modules.h"

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
  if (!theApp.InitApplication() || !theApp.InitInstance()) {
    if (theApp.m_pMainWnd && theApp.m_pMainWnd->m_hWnd) theApp.m_pMainWnd->DestroyWindow();
    theApp.ExitInstance();
    return 1;
  }
  if (exitAfterStartUp) theApp.m_pMainWnd->PostMessage(WM_CLOSE);
  return theApp.Run();
}
