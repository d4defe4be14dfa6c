// Temporary: menus, scroll bars and the clipboard land next.
#include "platform/window/wm_internal.h"
using namespace pv::wm;
namespace pv::wm {
int MenuBarHeight(Wnd*) { return GetSystemMetrics(SM_CYMENU); }
void DestroyWindowMenus(Wnd*) {}
int TrackMenuBar(HWND, int, bool) { return 0; }
void DrawMenuBar(Wnd*, HDC, const RECT&) {}
void DrawWindowScrollBars(Wnd*, HDC) {}
LRESULT ScrollBarNcMouse(Wnd*, UINT, WPARAM, POINT) { return 0; }
void ResetClipboard() {}
}
HMENU LoadMenu(HINSTANCE, LPCWSTR) { return nullptr; }
BOOL EndMenu() { return TRUE; }
