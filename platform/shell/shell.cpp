// The shell services: a recording notification area and task bar for tests
// and headless runs, ShellExecute through xdg-open on a desktop.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/base/lasterror.h"
#include "platform/base/utf.h"
#include "platform/shell/mmsystem.h"
#include "platform/shell/oleacc.h"
#include "platform/shell/shellapi.h"
#include "platform/shell/textserv.h"
#include "platform/shell/tray_dbus.h"
#include "platform/system/modules.h"
#include "platform/system/resources.h"
#include "platform/window/winuser.h"

extern char** environ;

namespace {

struct Taskbar {
  UINT edge = ABE_BOTTOM;
  RECT rc{};
  UINT state = ABS_ALWAYSONTOP;
};

struct ShellState {
  std::recursive_mutex mu;
  int recording = -1;  // -1: from the environment
  bool refuseAdd = false;
  std::vector<pv::shell::TrayIcon> icons;
  std::vector<pv::shell::TrayCall> calls;
  int taskbarMode = 0;  // 0: from the work area, 1: explicit, 2: none
  Taskbar taskbar;
  std::vector<pv::shell::ShellExecuteCall> executes;
};

ShellState& S() {
  static ShellState s;
  return s;
}

bool EnvOn(const char* name) {
  const char* v = std::getenv(name);
  return v && *v && std::strcmp(v, "0") != 0;
}

std::u16string Bounded(const WCHAR* text, size_t max) {
  size_t n = 0;
  while (n < max && text[n]) ++n;
  return std::u16string(text, n);
}

std::u16string Str(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

// What the desktop's tray shows for an icon, its pixels read from the HICON.
pv::shell::desktop_tray::ItemState DesktopItem(const pv::shell::TrayIcon& icon) {
  pv::shell::desktop_tray::ItemState st;
  st.hwnd = icon.hwnd;
  st.id = icon.id;
  st.callbackMessage = icon.callbackMessage;
  st.version = icon.version;
  st.tip = icon.tip;
  pv::shell::desktop_tray::IconPixels(icon.icon, &st.iconWidth, &st.iconHeight, &st.iconArgb);
  return st;
}

}  // namespace

namespace pv::shell {

bool Recording() {
  ShellState& s = S();
  if (s.recording >= 0) return s.recording != 0;
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  return EnvOn("PRAVENOR_HEADLESS") || !display;
}

void SetRecording(bool on) { S().recording = on ? 1 : 0; }

}  // namespace pv::shell

// ---- notification area ------------------------------------------------------------------------

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  ShellState& s = S();
  std::lock_guard<std::recursive_mutex> lock(s.mu);
  pv::shell::TrayCall call;
  call.message = message;
  if (!data || data->cbSize < NOTIFYICONDATAW_V1_SIZE) {
    s.calls.push_back(call);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  call.flags = data->uFlags;
  call.hwnd = data->hWnd;
  call.id = data->uID;
  auto record = [&](BOOL result) {
    call.result = result;
    s.calls.push_back(call);
    return result;
  };
  const bool desktop = !pv::shell::Recording();
  const bool extended = data->cbSize >= NOTIFYICONDATAW_V2_SIZE;
  auto it = std::find_if(s.icons.begin(), s.icons.end(),
                         [&](const pv::shell::TrayIcon& i) { return i.hwnd == data->hWnd && i.id == data->uID; });
  auto apply = [&](pv::shell::TrayIcon& icon) {
    UINT f = data->uFlags;
    if (f & NIF_MESSAGE) icon.callbackMessage = data->uCallbackMessage;
    if (f & NIF_ICON) icon.icon = data->hIcon;
    if (f & NIF_TIP) icon.tip = Bounded(data->szTip, extended ? 127 : 63);
    if (extended && (f & NIF_STATE))
      icon.state = (icon.state & ~data->dwStateMask) | (data->dwState & data->dwStateMask);
    if (extended && (f & NIF_INFO)) {
      icon.info = Bounded(data->szInfo, 255);
      icon.infoTitle = Bounded(data->szInfoTitle, 63);
      icon.infoFlags = data->dwInfoFlags;
    }
  };
  switch (message) {
    case NIM_ADD: {
      if (s.refuseAdd || it != s.icons.end() || !data->hWnd) return record(FALSE);
      pv::shell::TrayIcon icon;
      icon.hwnd = data->hWnd;
      icon.id = data->uID;
      apply(icon);
      // On a desktop the icon exists only once the desktop's tray took it.
      if (desktop && !pv::shell::desktop_tray::Add(DesktopItem(icon))) return record(FALSE);
      s.icons.push_back(icon);
      return record(TRUE);
    }
    case NIM_MODIFY: {
      if (it == s.icons.end()) return record(FALSE);
      apply(*it);
      if (desktop)
        pv::shell::desktop_tray::Update(DesktopItem(*it), (data->uFlags & NIF_ICON) != 0,
                                        (data->uFlags & NIF_TIP) != 0);
      return record(TRUE);
    }
    case NIM_DELETE:
      if (it == s.icons.end()) return record(FALSE);
      if (desktop) pv::shell::desktop_tray::Remove(it->hwnd, it->id);
      s.icons.erase(it);
      return record(TRUE);
    case NIM_SETFOCUS:
      return record(it != s.icons.end());
    case NIM_SETVERSION:
      if (it == s.icons.end() || !extended || data->uVersion > NOTIFYICON_VERSION_4) return record(FALSE);
      it->version = data->uVersion;
      if (desktop) pv::shell::desktop_tray::Update(DesktopItem(*it), false, false);
      return record(TRUE);
    default:
      return record(FALSE);
  }
}

namespace pv::shell {

std::vector<TrayIcon> TrayIcons() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  return S().icons;
}

std::vector<TrayCall> TrayCalls() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  return S().calls;
}

void ResetTray() {
  pv::shell::desktop_tray::RemoveAll();
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().icons.clear();
  S().calls.clear();
  S().refuseAdd = false;
}

void SetTrayRefusesAdd(bool refuse) {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().refuseAdd = refuse;
}

void RestartTaskbar() {
  {
    std::lock_guard<std::recursive_mutex> lock(S().mu);
    S().icons.clear();
  }
  // Sent, not posted, so each window has re-added its icon when this returns.
  SendMessage(HWND_BROADCAST, RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
}

BOOL NotifyTrayIcon(HWND hwnd, UINT id, UINT notification) {
  UINT msg = 0, version = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(S().mu);
    for (auto& i : S().icons)
      if (i.hwnd == hwnd && i.id == id) {
        msg = i.callbackMessage;
        version = i.version;
      }
  }
  if (!msg) return FALSE;
  if (version >= NOTIFYICON_VERSION_4) {
    // The newer form: the event and the id in lParam, the cursor in wParam.
    POINT pt{};
    GetCursorPos(&pt);
    return PostMessage(hwnd, msg, MAKEWPARAM(pt.x, pt.y), MAKELPARAM(notification, id));
  }
  return PostMessage(hwnd, msg, static_cast<WPARAM>(id), static_cast<LPARAM>(notification));
}

void SetTaskbar(UINT edge, const RECT& rc, UINT state) {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().taskbarMode = 1;
  S().taskbar = {edge, rc, state};
}

void SetNoTaskbar() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().taskbarMode = 2;
}

void UseWorkAreaTaskbar() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().taskbarMode = 0;
}

}  // namespace pv::shell

// ---- task bar ---------------------------------------------------------------------------------

namespace {

// The task bar is the strip the work area leaves out of the primary screen
// (the widest one if several edges differ).
std::optional<Taskbar> FindTaskbar() {
  ShellState& s = S();
  if (s.taskbarMode == 1) return s.taskbar;
  if (s.taskbarMode == 2) return std::nullopt;
  RECT work{};
  if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0)) return std::nullopt;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  struct Side {
    UINT edge;
    LONG size;
    RECT rc;
  };
  Side sides[] = {
      {ABE_BOTTOM, screen.bottom - work.bottom, {screen.left, work.bottom, screen.right, screen.bottom}},
      {ABE_TOP, work.top - screen.top, {screen.left, screen.top, screen.right, work.top}},
      {ABE_LEFT, work.left - screen.left, {screen.left, screen.top, work.left, screen.bottom}},
      {ABE_RIGHT, screen.right - work.right, {work.right, screen.top, screen.right, screen.bottom}},
  };
  const Side* best = nullptr;
  for (const Side& side : sides)
    if (side.size > 0 && (!best || side.size > best->size)) best = &side;
  if (!best) return std::nullopt;
  return Taskbar{best->edge, best->rc, ABS_ALWAYSONTOP};
}

}  // namespace

UINT_PTR SHAppBarMessage(DWORD message, PAPPBARDATA data) {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  switch (message) {
    case ABM_GETTASKBARPOS: {
      if (!data) return FALSE;
      auto bar = FindTaskbar();
      if (!bar) return FALSE;
      data->uEdge = bar->edge;
      data->rc = bar->rc;
      return TRUE;
    }
    case ABM_GETSTATE: {
      auto bar = FindTaskbar();
      return bar ? bar->state : 0;
    }
    default:
      return FALSE;
  }
}

// ---- ShellExecute -----------------------------------------------------------------------------

namespace {

constexpr INT_PTR kSuccess = 42;

bool IsAddress(std::u16string_view f) {
  return f.find(u"://") != std::u16string_view::npos || f.rfind(u"mailto:", 0) == 0;
}

std::u16string Lower(std::u16string s) {
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return s;
}

std::string PathOf(std::u16string_view f) {
  std::string p = pv::Utf16ToUtf8(f);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

bool IsBrowserName(const std::u16string& file) {
  std::u16string l = Lower(file);
  return l == u"iexplore" || l == u"iexplore.exe";
}

std::optional<std::string> FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) {
    if (access(name.c_str(), X_OK) == 0) return name;
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "/usr/bin:/bin";
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t e = all.find(':', pos);
    std::string dir = all.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (e == std::string::npos) break;
    pos = e + 1;
  }
  return std::nullopt;
}

// Splits a parameter line into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitArgs(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
      continue;
    }
    if ((c == ' ' || c == '\t') && !quoted) {
      if (any) out.push_back(cur);
      cur.clear();
      any = false;
      continue;
    }
    cur += c;
    any = true;
  }
  if (any) out.push_back(cur);
  return out;
}

// Starts a program without a shell in between; a thread reaps it.
bool Spawn(const std::vector<std::string>& argv, const std::string& dir) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

INT_PTR Execute(const pv::shell::ShellExecuteCall& c, bool recording) {
  std::u16string verb = Lower(c.verb);
  if (!verb.empty() && verb != u"open" && verb != u"explore") return SE_ERR_NOASSOC;
  if (c.file.empty()) return SE_ERR_FNF;
  std::string dir = PathOf(c.directory);
  if (!dir.empty()) {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return SE_ERR_PNF;
  }
  // The web browser by its old name: the address is in the parameters.
  if (IsBrowserName(c.file)) {
    if (c.parameters.empty()) return SE_ERR_FNF;
    if (recording) return kSuccess;
    return Spawn({"xdg-open", pv::Utf16ToUtf8(c.parameters)}, dir) ? kSuccess : SE_ERR_NOASSOC;
  }
  if (IsAddress(c.file)) {
    if (recording) return kSuccess;
    return Spawn({"xdg-open", pv::Utf16ToUtf8(c.file)}, dir) ? kSuccess : SE_ERR_NOASSOC;
  }
  std::string path = PathOf(c.file);
  if (!dir.empty() && path[0] != '/') path = dir + "/" + path;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    bool program = S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
    if (recording) return kSuccess;
    if (program) {
      std::vector<std::string> argv{path};
      for (auto& a : SplitArgs(pv::Utf16ToUtf8(c.parameters))) argv.push_back(a);
      return Spawn(argv, dir) ? kSuccess : SE_ERR_ACCESSDENIED;
    }
    return Spawn({"xdg-open", path}, dir) ? kSuccess : SE_ERR_NOASSOC;
  }
  // A program by name.
  if (path.find('/') == std::string::npos) {
    if (auto prog = FindProgram(path)) {
      if (recording) return kSuccess;
      std::vector<std::string> argv{*prog};
      for (auto& a : SplitArgs(pv::Utf16ToUtf8(c.parameters))) argv.push_back(a);
      return Spawn(argv, dir) ? kSuccess : SE_ERR_ACCESSDENIED;
    }
    return SE_ERR_FNF;
  }
  size_t slash = path.rfind('/');
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  struct stat pst {};
  return stat(parent.c_str(), &pst) == 0 ? SE_ERR_FNF : SE_ERR_PNF;
}

}  // namespace

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show) {
  pv::shell::ShellExecuteCall c{owner, Str(verb), Str(file), Str(parameters), Str(directory), show, 0};
  bool recording = pv::shell::Recording();
  c.result = Execute(c, recording);
  {
    std::lock_guard<std::recursive_mutex> lock(S().mu);
    S().executes.push_back(c);
  }
  if (c.result <= 32) SetLastError(c.result == SE_ERR_PNF ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
  return reinterpret_cast<HINSTANCE>(c.result);
}

namespace pv::shell {

std::vector<ShellExecuteCall> ShellExecuteCalls() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  return S().executes;
}

void ClearShellExecuteCalls() {
  std::lock_guard<std::recursive_mutex> lock(S().mu);
  S().executes.clear();
}

}  // namespace pv::shell

// ---- auto-complete and modules ----------------------------------------------------------------

HRESULT SHAutoComplete(HWND, DWORD) { return E_NOTIMPL; }

namespace {
BOOL CollectIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<std::u16string>*>(param);
  // Numeric names travel as "#id".
  names->push_back(IS_INTRESOURCE(name) ? u"#" + pv::Utf8ToUtf16(std::to_string(reinterpret_cast<ULONG_PTR>(name)))
                                        : std::u16string(name));
  return TRUE;
}
}  // namespace

UINT ExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT count) {
  if (!file || !*file) return 0;
  int cxBig = GetSystemMetrics(SM_CXICON), cxSmall = GetSystemMetrics(SM_CXSMICON);
  // The names of the icons, in order; LoadImage takes each.
  HMODULE module = GetModuleHandleW(file);
  std::vector<std::u16string> names;
  std::u16string path(file);
  if (module) {
    EnumResourceNamesW(module, RT_GROUP_ICON, CollectIconGroup, reinterpret_cast<LONG_PTR>(&names));
  } else {
    HANDLE probe = LoadImage(nullptr, file, IMAGE_ICON, cxSmall, cxSmall, LR_LOADFROMFILE);
    if (!probe) return 0;
    DestroyIcon(static_cast<HICON>(probe));
    names.push_back(path);
  }
  if (index == -1 && !large && !small) return static_cast<UINT>(names.size());
  auto load = [&](const std::u16string& name, int cx) -> HICON {
    UINT flags = module ? 0 : LR_LOADFROMFILE;
    const char16_t* id = name.c_str();
    if (module && name[0] == u'#') id = MAKEINTRESOURCE(std::stoi(pv::Utf16ToUtf8(name.substr(1))));
    return static_cast<HICON>(LoadImage(module, id, IMAGE_ICON, cx, cx, flags));
  };
  std::vector<std::u16string> chosen;
  if (index < 0) {
    std::u16string byId = u"#" + pv::Utf8ToUtf16(std::to_string(-static_cast<long long>(index)));
    if (std::find(names.begin(), names.end(), byId) != names.end()) chosen.push_back(byId);
  } else {
    for (size_t i = static_cast<size_t>(index); i < names.size() && chosen.size() < count; ++i)
      chosen.push_back(names[i]);
  }
  UINT got = 0;
  for (size_t i = 0; i < chosen.size() && i < count; ++i) {
    HICON big = large ? load(chosen[i], cxBig) : nullptr;
    HICON little = small ? load(chosen[i], cxSmall) : nullptr;
    if (large) large[i] = big;
    if (small) small[i] = little;
    if (big || little) ++got;
  }
  return got;
}

namespace pv::shell {

void RegisterModules() {
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE shell = pv::RegisterBuiltinModule(u"shell32", false);
    pv::AddModuleFunction(shell, "Shell_NotifyIconW", &Shell_NotifyIconW);
    pv::AddModuleFunction(shell, "SHAppBarMessage", &SHAppBarMessage);
    pv::AddModuleFunction(shell, "ShellExecuteW", &ShellExecuteW);
    pv::AddModuleFunction(shell, "ExtractIconExW", &ExtractIconExW);
    HMODULE shlwapi = pv::RegisterBuiltinModule(u"shlwapi", false);
    pv::AddModuleFunction(shlwapi, "SHAutoComplete", &SHAutoComplete);
    HMODULE winmm = pv::RegisterBuiltinModule(u"winmm", false);
    pv::AddModuleFunction(winmm, "PlaySoundW", &PlaySoundW);
    pv::AddModuleFunction(winmm, "sndPlaySoundW", &sndPlaySoundW);
    pv::acc::RegisterModule();
    pv::richtext::RegisterModule();
  });
}

}  // namespace pv::shell
