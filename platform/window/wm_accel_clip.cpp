// Accelerator tables and the clipboard.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/base/codepage.h"
#include "platform/base/handletable.h"
#include "platform/base/utf.h"
#include "platform/system/resources.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

// ---- accelerators -----------------------------------------------------------------------------------
namespace {
// Accelerator tables by handle: the UI thread's.
struct AcceleratorTables {
  std::map<uintptr_t, std::vector<ACCEL>> byHandle;
  uintptr_t nextHandle = 0x30000;
};

AcceleratorTables& Accelerators() {
  static AcceleratorTables& t = *new AcceleratorTables;
  return t;
}
std::map<uintptr_t, std::vector<ACCEL>>& Tables() { return Accelerators().byHandle; }

std::vector<ACCEL>* Table(HACCEL h) {
  auto it = Tables().find(reinterpret_cast<uintptr_t>(h));
  return it == Tables().end() ? nullptr : &it->second;
}
}  // namespace

HACCEL CreateAcceleratorTable(LPACCEL accels, int count) {
  if (!accels || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<ACCEL> t(accels, accels + count);
  for (ACCEL& a : t) a.fVirt &= 0x7F;
  uintptr_t id = Accelerators().nextHandle;
  Accelerators().nextHandle += 4;
  Tables()[id] = std::move(t);
  return reinterpret_cast<HACCEL>(id);
}
HACCEL CreateAcceleratorTableW(LPACCEL accels, int count) { return CreateAcceleratorTable(accels, count); }

int CopyAcceleratorTable(HACCEL table, LPACCEL accels, int count) {
  auto* t = Table(table);
  if (!t) return 0;
  if (!accels) return static_cast<int>(t->size());
  int n = std::min<int>(count, static_cast<int>(t->size()));
  for (int i = 0; i < n; ++i) accels[i] = (*t)[static_cast<size_t>(i)];
  return n;
}
int CopyAcceleratorTableW(HACCEL table, LPACCEL accels, int count) {
  return CopyAcceleratorTable(table, accels, count);
}

BOOL DestroyAcceleratorTable(HACCEL table) { return Tables().erase(reinterpret_cast<uintptr_t>(table)) ? TRUE : FALSE; }

HACCEL LoadAccelerators(HINSTANCE inst, LPCWSTR name) {
  HRSRC r = FindResourceW(inst, name, RT_ACCELERATOR);
  if (!r) return nullptr;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(inst, r)));
  DWORD size = SizeofResource(inst, r);
  if (!data || size < 6) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::vector<ACCEL> t;
  for (DWORD off = 0; off + 6 <= size; off += 6) {
    ACCEL a{};
    a.fVirt = data[off];
    std::memcpy(&a.key, data + off + 2, 2);
    std::memcpy(&a.cmd, data + off + 4, 2);
    bool last = (a.fVirt & 0x80) != 0;
    a.fVirt &= 0x7F;
    t.push_back(a);
    if (last) break;
  }
  return CreateAcceleratorTable(t.data(), static_cast<int>(t.size()));
}
HACCEL LoadAcceleratorsW(HINSTANCE inst, LPCWSTR name) { return LoadAccelerators(inst, name); }

int TranslateAccelerator(HWND hwnd, HACCEL table, LPMSG msg) {
  auto* t = Table(table);
  if (!t || !msg || !IsWindow(hwnd)) return 0;
  UINT m = msg->message;
  bool key = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
  bool chr = m == WM_CHAR || m == WM_SYSCHAR;
  if (!key && !chr) return 0;
  BYTE mods = 0;
  if (GetKeyState(VK_SHIFT) < 0) mods |= FSHIFT;
  if (GetKeyState(VK_CONTROL) < 0) mods |= FCONTROL;
  if (GetKeyState(VK_MENU) < 0 || (m == WM_SYSKEYDOWN || m == WM_SYSCHAR)) mods |= FALT;
  for (const ACCEL& a : *t) {
    bool match = false;
    if (a.fVirt & FVIRTKEY) {
      match = key && a.key == (msg->wParam & 0xFFFF) && (a.fVirt & (FSHIFT | FCONTROL | FALT)) == mods;
    } else {
      // A character accelerator: the character, and Alt as written.
      match = chr && a.key == (msg->wParam & 0xFFFF) && ((a.fVirt & FALT) != 0) == ((mods & FALT) != 0);
    }
    if (!match) continue;
    Wnd* w = FromHandleQuiet(hwnd);
    Wnd* top = w ? TopLevelOf(w) : nullptr;
    HMENU menu = top ? top->menu : nullptr;
    UINT state = menu ? GetMenuState(menu, a.cmd, MF_BYCOMMAND) : static_cast<UINT>(-1);
    if (menu && state != static_cast<UINT>(-1)) {
      // Give the window a chance to update its menu before looking at the item.
      SendMessage(top->hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
      state = GetMenuState(menu, a.cmd, MF_BYCOMMAND);
      if (state != static_cast<UINT>(-1) && ((state & (MF_GRAYED | MF_DISABLED)) || IsIconic(top->hwnd))) return 1;
    }
    if (GetCapture()) return 1;  // a mode is running: the key is consumed, nothing is run
    SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}
int TranslateAcceleratorW(HWND hwnd, HACCEL table, LPMSG msg) { return TranslateAccelerator(hwnd, table, msg); }

// ---- clipboard ----------------------------------------------------------------------------------
namespace {

// The clipboard: the UI thread's.
struct ClipboardState {
  HWND openBy = nullptr;
  bool open = false;
  HWND owner = nullptr;
  std::vector<std::pair<UINT, HANDLE>> formats;  // in the order set; null = delayed rendering
  std::vector<std::pair<UINT, HGLOBAL>> synthesized;
  DWORD sequence = 1;
  bool changed = false;
  bool imported = false;  // the formats are the system clipboard's text, not ours
  std::vector<HWND> listeners;
  std::map<UINT, std::u16string> names;
};

ClipboardState& Clipboard() {
  static ClipboardState& c = *new ClipboardState;
  return c;
}

void FreeData(UINT format, HANDLE h) {
  if (!h) return;
  if (format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
      (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
    DeleteObject(h);
  else GlobalFree(h);
}

void ClearSynth() {
  for (auto& [f, h] : Clipboard().synthesized) GlobalFree(h);
  Clipboard().synthesized.clear();
}

HANDLE Find(UINT format) {
  for (auto& [f, h] : Clipboard().formats)
    if (f == format) return h;
  return nullptr;
}

bool Has(UINT format) {
  for (auto& [f, h] : Clipboard().formats)
    if (f == format) return true;
  return false;
}

HGLOBAL MakeText16(const std::u16string& s) {
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (s.size() + 1) * sizeof(WCHAR));
  if (!g) return nullptr;
  auto* p = static_cast<WCHAR*>(GlobalLock(g));
  std::memcpy(p, s.data(), s.size() * sizeof(WCHAR));
  p[s.size()] = 0;
  GlobalUnlock(g);
  return g;
}

HGLOBAL MakeText8(const std::string& s) {
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1);
  if (!g) return nullptr;
  auto* p = static_cast<char*>(GlobalLock(g));
  std::memcpy(p, s.data(), s.size());
  p[s.size()] = 0;
  GlobalUnlock(g);
  return g;
}

// Text of a clipboard block, bounded by the block's size (a block without
// its terminating zero is not read past its end).
std::u16string Read16(HGLOBAL g) {
  SIZE_T size = GlobalSize(g);
  auto* p = static_cast<const WCHAR*>(GlobalLock(g));
  if (!p) return {};
  size_t n = 0, max = size / sizeof(WCHAR);
  while (n < max && p[n]) ++n;
  std::u16string s(p, n);
  GlobalUnlock(g);
  return s;
}

std::string Read8(HGLOBAL g) {
  SIZE_T size = GlobalSize(g);
  auto* p = static_cast<const char*>(GlobalLock(g));
  if (!p) return {};
  size_t n = 0;
  while (n < size && p[n]) ++n;
  std::string s(p, n);
  GlobalUnlock(g);
  return s;
}

HANDLE Render(UINT format) {
  HANDLE h = Find(format);
  if (h || !Has(format)) return h;
  // Delayed rendering: the owner puts it there now.
  if (IsWindow(Clipboard().owner)) SendMessage(Clipboard().owner, WM_RENDERFORMAT, format, 0);
  return Find(format);
}

void FreeFormats() {
  for (auto& [f, h] : Clipboard().formats) FreeData(f, h);
  Clipboard().formats.clear();
  ClearSynth();
}

// On a desktop, text another program put on the system clipboard shows up
// as ours when we do not own the clipboard. When another program copies
// after we did, our data goes (the owner hears WM_DESTROYCLIPBOARD, as
// Windows tells it when another program empties the clipboard).
void ImportSystemText() {
  ClipboardState& c = Clipboard();
  bool ours = c.owner || (!c.formats.empty() && !c.imported);
  if (ours) {
    if (!ActiveBackend().ClipboardChangedElsewhere()) return;
    HWND owner = c.owner;
    c.owner = nullptr;
    FreeFormats();
    c.sequence++;
    if (IsWindow(owner)) SendMessage(owner, WM_DESTROYCLIPBOARD, 0, 0);
    for (HWND l : c.listeners)
      if (IsWindow(l)) PostMessage(l, WM_CLIPBOARDUPDATE, 0, 0);
  }
  // What we took from the system earlier may be stale: take it afresh.
  if (c.imported) FreeFormats();
  c.imported = false;
  std::u16string text;
  if (!ActiveBackend().GetClipboardText(&text)) return;
  c.formats.emplace_back(CF_UNICODETEXT, MakeText16(text));
  c.imported = true;
}

// Importing replaces blocks a caller may hold while the clipboard is open.
void ImportWhileClosed() {
  if (!Clipboard().open) ImportSystemText();
}

}  // namespace

namespace pv::wm {
void ResetClipboard() {
  ClipboardState& c = Clipboard();
  for (auto& [f, h] : c.formats) FreeData(f, h);
  c.formats.clear();
  ClearSynth();
  c.open = false;
  c.openBy = nullptr;
  c.owner = nullptr;
  c.imported = false;
  c.listeners.clear();
  c.changed = false;
}

std::u16string DecodeSystemText(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = static_cast<int>(std::min<size_t>(bytes.size(), 0x7FFFFFFF));
  // UTF-8 as it should be; else the legacy 8-bit text of older programs:
  // GBK when every byte pair is one, else Windows-1252 (which takes any byte).
  for (UINT cp : {CP_UTF8, 936u, 1252u}) {
    int len = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
    if (len <= 0) continue;
    std::u16string out(static_cast<size_t>(len), u'\0');
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), n, reinterpret_cast<LPWSTR>(out.data()), len);
    return out;
  }
  return pv::Utf8ToUtf16(std::string(bytes));
}
}  // namespace pv::wm

BOOL OpenClipboard(HWND owner) {
  ClipboardState& c = Clipboard();
  if (c.open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.openBy = owner;
  c.changed = false;
  ImportSystemText();
  return TRUE;
}

BOOL EmptyClipboard() {
  ClipboardState& c = Clipboard();
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  if (c.owner && c.owner != c.openBy && IsWindow(c.owner)) SendMessage(c.owner, WM_DESTROYCLIPBOARD, 0, 0);
  FreeFormats();
  c.owner = c.openBy;
  c.imported = false;
  c.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  ClipboardState& c = Clipboard();
  if (!c.open && data) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (!format) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ClearSynth();
  c.imported = false;
  for (auto& [f, h] : c.formats)
    if (f == format) {
      if (h != data) FreeData(f, h);
      h = data;
      c.changed = true;
      return data ? data : reinterpret_cast<HANDLE>(1);
    }
  c.formats.emplace_back(format, data);
  c.changed = true;
  return data ? data : reinterpret_cast<HANDLE>(1);
}

HANDLE GetClipboardData(UINT format) {
  ClipboardState& c = Clipboard();
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (HANDLE h = Render(format)) return h;
  for (auto& [f, h] : c.synthesized)
    if (f == format) return h;
  // Text in one form is offered in the others ("ANSI" is UTF-8 here).
  HGLOBAL made = nullptr;
  if (format == CF_UNICODETEXT) {
    HANDLE src = Render(CF_TEXT);
    if (!src) src = Render(CF_OEMTEXT);
    if (src) made = MakeText16(pv::Utf8ToUtf16(Read8(src)));
  } else if (format == CF_TEXT || format == CF_OEMTEXT) {
    if (HANDLE src16 = Render(CF_UNICODETEXT)) made = MakeText8(pv::Utf16ToUtf8(Read16(src16)));
    else if (HANDLE src8 = Render(format == CF_TEXT ? CF_OEMTEXT : CF_TEXT)) made = MakeText8(Read8(src8));
  } else if (format == CF_LOCALE && (Has(CF_TEXT) || Has(CF_UNICODETEXT))) {
    made = GlobalAlloc(GMEM_MOVEABLE, sizeof(LCID));
    if (made) {
      *static_cast<LCID*>(GlobalLock(made)) = 0x0409;
      GlobalUnlock(made);
    }
  }
  if (!made) return nullptr;
  c.synthesized.emplace_back(format, made);
  return made;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  ImportWhileClosed();
  if (Has(format)) return TRUE;
  bool text = Has(CF_TEXT) || Has(CF_UNICODETEXT) || Has(CF_OEMTEXT);
  if ((format == CF_TEXT || format == CF_UNICODETEXT || format == CF_OEMTEXT || format == CF_LOCALE) && text)
    return TRUE;
  return FALSE;
}

BOOL CloseClipboard() {
  ClipboardState& c = Clipboard();
  if (!c.open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open = false;
  if (c.changed) {
    c.sequence++;
    c.changed = false;
    // On a desktop the text goes to the system clipboard too; without text
    // we still take the system clipboard over, as emptying it does.
    if (HANDLE h = Find(CF_UNICODETEXT)) ActiveBackend().SetClipboardText(Read16(h));
    else if (HANDLE h8 = Find(CF_TEXT)) ActiveBackend().SetClipboardText(pv::Utf8ToUtf16(Read8(h8)));
    else if (!Has(CF_UNICODETEXT) && !Has(CF_TEXT)) ActiveBackend().SetClipboardText(u"");
    for (HWND l : c.listeners)
      if (IsWindow(l)) PostMessage(l, WM_CLIPBOARDUPDATE, 0, 0);
  }
  c.openBy = nullptr;
  return TRUE;
}

UINT RegisterClipboardFormat(LPCWSTR name) {
  UINT id = RegisterWindowMessage(name);
  if (id) {
    size_t n = 0;
    while (name[n]) ++n;
    Clipboard().names.emplace(id, std::u16string(name, n));
  }
  return id;
}
UINT RegisterClipboardFormatW(LPCWSTR name) { return RegisterClipboardFormat(name); }

int GetClipboardFormatName(UINT format, LPWSTR buffer, int size) {
  auto it = Clipboard().names.find(format);
  if (it == Clipboard().names.end() || !buffer || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(it->second.size()), size - 1);
  std::memcpy(buffer, it->second.data(), static_cast<size_t>(n) * sizeof(WCHAR));
  buffer[n] = 0;
  return n;
}
int GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size) {
  return GetClipboardFormatName(format, buffer, size);
}

namespace {
std::vector<UINT> AllFormats() {
  std::vector<UINT> all;
  for (auto& [f, h] : Clipboard().formats) all.push_back(f);
  bool text = Has(CF_TEXT) || Has(CF_UNICODETEXT) || Has(CF_OEMTEXT);
  if (text) {
    for (UINT f : {static_cast<UINT>(CF_UNICODETEXT), static_cast<UINT>(CF_TEXT), static_cast<UINT>(CF_OEMTEXT),
                   static_cast<UINT>(CF_LOCALE)})
      if (std::find(all.begin(), all.end(), f) == all.end()) all.push_back(f);
  }
  return all;
}
}  // namespace

UINT EnumClipboardFormats(UINT format) {
  if (!Clipboard().open) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  auto all = AllFormats();
  if (format == 0) return all.empty() ? 0 : all[0];
  auto it = std::find(all.begin(), all.end(), format);
  if (it == all.end() || it + 1 == all.end()) return 0;
  return *(it + 1);
}

int CountClipboardFormats() {
  ImportWhileClosed();
  return static_cast<int>(AllFormats().size());
}
HWND GetClipboardOwner() { return IsWindow(Clipboard().owner) ? Clipboard().owner : nullptr; }
HWND GetOpenClipboardWindow() { return Clipboard().open ? Clipboard().openBy : nullptr; }
DWORD GetClipboardSequenceNumber() { return Clipboard().sequence; }

BOOL AddClipboardFormatListener(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  auto& l = Clipboard().listeners;
  if (std::find(l.begin(), l.end(), hwnd) == l.end()) l.push_back(hwnd);
  return TRUE;
}

BOOL RemoveClipboardFormatListener(HWND hwnd) {
  auto& l = Clipboard().listeners;
  auto it = std::find(l.begin(), l.end(), hwnd);
  if (it == l.end()) return FALSE;
  l.erase(it);
  return TRUE;
}

// ---- dropped files -----------------------------------------------------------------------------------
namespace {
struct DropRecord {
  std::vector<std::u16string> files;
  POINT pt;
  uintptr_t handle = 0;
};
// The dropped-file lists not yet finished, by generation-tagged handle, so
// a finished drop's handle never reaches a later one. `mutex` guards the
// table and every record in it.
struct Drops {
  std::mutex mutex;
  pv::detail::HandleTable<DropRecord> table{pv::detail::HandleTag::Drop};
};
Drops& DropTable() {
  static auto* drops = new Drops;  // never destroyed: drops may finish during exit
  return *drops;
}
}  // namespace

HDROP pv::MakeDrop(const std::vector<std::u16string>& files, POINT pt) {
  auto* d = new DropRecord{files, pt};
  std::lock_guard<std::mutex> lock(DropTable().mutex);
  d->handle = DropTable().table.Add(d);
  if (!d->handle) {
    delete d;
    return nullptr;
  }
  return reinterpret_cast<HDROP>(d->handle);
}

namespace pv::wm {
bool DropFiles(const std::vector<std::u16string>& files, POINT screen) {
  if (files.empty()) return false;
  int hit = HTNOWHERE;
  Wnd* w = HitWindow(screen, &hit);
  while (w && w != Desktop() && !(w->exStyle & WS_EX_ACCEPTFILES)) w = w->parent;
  if (!w || w == Desktop()) return false;
  HWND target = w->hwnd;
  POINT pt = screen;
  ScreenToClient(target, &pt);
  HDROP drop = MakeDrop(files, pt);
  if (PostMessage(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) return true;
  DragFinish(drop);
  return false;
}
}  // namespace pv::wm

UINT DragQueryFileW(HDROP hDrop, UINT iFile, LPWSTR lpszFile, UINT cch) {
  std::lock_guard<std::mutex> lock(DropTable().mutex);
  DropRecord* d = DropTable().table.Find(reinterpret_cast<uintptr_t>(hDrop));
  if (!d) return 0;
  if (iFile == 0xFFFFFFFF) return static_cast<UINT>(d->files.size());
  if (iFile >= d->files.size()) return 0;
  const std::u16string& f = d->files[iFile];
  if (!lpszFile || cch == 0) return static_cast<UINT>(f.size());
  UINT n = std::min<UINT>(static_cast<UINT>(f.size()), cch - 1);
  for (UINT i = 0; i < n; ++i) lpszFile[i] = f[i];
  lpszFile[n] = 0;
  return n;
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
  std::lock_guard<std::mutex> lock(DropTable().mutex);
  DropRecord* d = DropTable().table.Find(reinterpret_cast<uintptr_t>(hDrop));
  if (!d || !ppt) return FALSE;
  *ppt = d->pt;
  return TRUE;
}

void DragFinish(HDROP hDrop) {
  DropRecord* d;
  {
    std::lock_guard<std::mutex> lock(DropTable().mutex);
    d = DropTable().table.Find(reinterpret_cast<uintptr_t>(hDrop));
    if (!d) return;  // finished already, or never a drop
    DropTable().table.Remove(d->handle);
  }
  delete d;
}
