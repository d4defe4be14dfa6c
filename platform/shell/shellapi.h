// Shell services: the notification-area icon, the task bar's position,
// opening documents and addresses, and the shell's auto-complete.
//
// Headless (tests, PRAVENOR_HEADLESS or no display) the notification area is
// a recording tray that tests can make refuse icons or restart. On a desktop
// the icon goes to the desktop's notification area over D-Bus; where there
// is no session bus or no tray, NIM_ADD answers FALSE ("no tray available")
// and callers keep working without their icon.
#pragma once

#include <string>
#include <vector>

#include "platform/base/com.h"
#include "platform/base/wintypes.h"

// ---- notification area ------------------------------------------------------------------------
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr DWORD NIM_SETFOCUS = 3;
constexpr DWORD NIM_SETVERSION = 4;

constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;
constexpr UINT NIF_STATE = 0x08;
constexpr UINT NIF_INFO = 0x10;
constexpr UINT NIF_GUID = 0x20;
constexpr UINT NIF_REALTIME = 0x40;
constexpr UINT NIF_SHOWTIP = 0x80;

constexpr DWORD NIS_HIDDEN = 0x1;
constexpr DWORD NIS_SHAREDICON = 0x2;

constexpr DWORD NIIF_NONE = 0;
constexpr DWORD NIIF_INFO = 1;
constexpr DWORD NIIF_WARNING = 2;
constexpr DWORD NIIF_ERROR = 3;
constexpr DWORD NIIF_USER = 4;
constexpr DWORD NIIF_NOSOUND = 0x10;

constexpr UINT NOTIFYICON_VERSION = 3;
constexpr UINT NOTIFYICON_VERSION_4 = 4;

// Notifications the icon's callback message carries in lParam besides mouse
// messages (version 3 and later).
constexpr UINT NIN_SELECT = 0x0400;     // WM_USER
constexpr UINT NIN_KEYSELECT = 0x0401;  // WM_USER + 1
constexpr UINT NIN_BALLOONSHOW = 0x0402;
constexpr UINT NIN_BALLOONHIDE = 0x0403;
constexpr UINT NIN_BALLOONTIMEOUT = 0x0404;
constexpr UINT NIN_BALLOONUSERCLICK = 0x0405;

struct NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  WCHAR szInfo[256];
  union {
    UINT uTimeout;
    UINT uVersion;
  };
  WCHAR szInfoTitle[64];
  DWORD dwInfoFlags;
  GUID guidItem;
  HICON hBalloonIcon;
};
using NOTIFYICONDATA = NOTIFYICONDATAW;
using PNOTIFYICONDATAW = NOTIFYICONDATAW*;

// cbSize values callers write for the record's generations (the sizes the
// original 32-bit layouts had). Below the second the tip holds 64
// characters and there are no balloon fields.
constexpr DWORD NOTIFYICONDATAW_V1_SIZE = 88;
constexpr DWORD NOTIFYICONDATAW_V2_SIZE = 936;
constexpr DWORD NOTIFYICONDATAW_V3_SIZE = 952;

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);
inline BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATAW* data) { return Shell_NotifyIconW(message, data); }

// ---- task bar ---------------------------------------------------------------------------------
constexpr DWORD ABM_NEW = 0;
constexpr DWORD ABM_REMOVE = 1;
constexpr DWORD ABM_QUERYPOS = 2;
constexpr DWORD ABM_SETPOS = 3;
constexpr DWORD ABM_GETSTATE = 4;
constexpr DWORD ABM_GETTASKBARPOS = 5;
constexpr DWORD ABM_ACTIVATE = 6;
constexpr DWORD ABM_GETAUTOHIDEBAR = 7;
constexpr DWORD ABM_SETAUTOHIDEBAR = 8;
constexpr DWORD ABM_WINDOWPOSCHANGED = 9;

constexpr UINT ABE_LEFT = 0;
constexpr UINT ABE_TOP = 1;
constexpr UINT ABE_RIGHT = 2;
constexpr UINT ABE_BOTTOM = 3;

constexpr UINT ABS_AUTOHIDE = 0x1;
constexpr UINT ABS_ALWAYSONTOP = 0x2;

struct APPBARDATA {
  DWORD cbSize;
  HWND hWnd;
  UINT uCallbackMessage;
  UINT uEdge;
  RECT rc;
  LPARAM lParam;
};
using PAPPBARDATA = APPBARDATA*;

// ABM_GETTASKBARPOS fills uEdge and rc and answers TRUE (FALSE when there
// is no task bar: the work area is the whole screen); ABM_GETSTATE answers
// the ABS_* state. Other messages answer FALSE.
UINT_PTR SHAppBarMessage(DWORD message, PAPPBARDATA data);

// ---- opening documents ------------------------------------------------------------------------
constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_PNF = 3;
constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
constexpr INT_PTR SE_ERR_OOM = 8;
constexpr INT_PTR SE_ERR_SHARE = 26;
constexpr INT_PTR SE_ERR_NOASSOC = 31;

// Opens a document, folder or address with the desktop's handler (xdg-open)
// or starts a program; a value above 32 is success, else an SE_ERR_* code.
// The verbs "open", "explore" and none are supported; others answer
// SE_ERR_NOASSOC. Recorded in tests instead of run.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);
inline HINSTANCE ShellExecute(HWND o, LPCWSTR v, LPCWSTR f, LPCWSTR p, LPCWSTR d, INT s) {
  return ShellExecuteW(o, v, f, p, d, s);
}

// Icons of a file: a module's icon groups (the program, a loaded or
// built-in module named by file) or an .ico file (one icon). Large icons are
// SM_CXICON square, small SM_CXSMICON. With index -1 and no output arrays it
// answers how many icons the file holds; otherwise how many it extracted,
// starting at index (a negative index names the resource id -index).
UINT ExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT count);
inline UINT ExtractIconEx(LPCWSTR f, int i, HICON* l, HICON* s, UINT n) { return ExtractIconExW(f, i, l, s, n); }

// ---- auto-complete ----------------------------------------------------------------------------
constexpr DWORD SHACF_DEFAULT = 0;
constexpr DWORD SHACF_FILESYSTEM = 0x1;
constexpr DWORD SHACF_URLALL = 0x6;
// Not available here: answers E_NOTIMPL, so callers keep their plain field.
HRESULT SHAutoComplete(HWND edit, DWORD flags);

namespace pv::shell {

// Registers "shell32", "shlwapi", "winmm", "oleacc" and "RICHED20" in the module
// registry so the entry points callers look up by name are found; later
// calls do nothing. The program registers every area's modules at start
// (pv::RegisterPlatformModules); a test that looks the shell up by name
// calls this itself.
void RegisterModules();

// Whether the recording (headless) shell is in use; tests may force it.
bool Recording();
void SetRecording(bool on);

struct TrayIcon {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::u16string tip;
  DWORD state = 0;
  std::u16string infoTitle;
  std::u16string info;
  DWORD infoFlags = 0;
  UINT version = 0;
};

struct TrayCall {
  DWORD message = 0;  // NIM_*
  UINT flags = 0;     // uFlags of the record
  HWND hwnd = nullptr;
  UINT id = 0;
  BOOL result = FALSE;
};

std::vector<TrayIcon> TrayIcons();
std::vector<TrayCall> TrayCalls();
void ResetTray();  // no icons, no calls, accepting
// While set, NIM_ADD answers FALSE (the shell is not ready).
void SetTrayRefusesAdd(bool refuse);
// The task bar restarts: every icon is gone and the registered message
// "TaskbarCreated" is sent to every top-level window.
void RestartTaskbar();
// The user acts on an icon: posts its callback message with the id in
// wParam and `notification` (a mouse message or NIN_*) in lParam. FALSE when
// there is no such icon or it has no callback message.
BOOL NotifyTrayIcon(HWND hwnd, UINT id, UINT notification);

// The task bar: by default found from the work area's difference to the
// screen; tests may place one explicitly.
void SetTaskbar(UINT edge, const RECT& rc, UINT state = ABS_ALWAYSONTOP);
void SetNoTaskbar();
void UseWorkAreaTaskbar();

struct ShellExecuteCall {
  HWND owner = nullptr;
  std::u16string verb, file, parameters, directory;
  INT show = 0;
  INT_PTR result = 0;
};
std::vector<ShellExecuteCall> ShellExecuteCalls();
void ClearShellExecuteCalls();

}  // namespace pv::shell
