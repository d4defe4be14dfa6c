// The display back end in use (headless unless a desktop is there), and the
// scripted input and inspection services for tests.
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/base/clock.h"
#include "platform/gdi/gdi_private.h"
#include "platform/system/msgbox.h"
#include "platform/window/test_input.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

void ResetHooks();
void ResetHotKeys();
void ResetIme();
void ResetClipboard();

namespace {

// Everything in memory: top-level windows keep their backing bitmaps and
// nothing is shown.
class HeadlessBackend : public Backend {
 public:
  bool Headless() const override { return true; }
  // The system clipboard holds only what "another program" put there
  // (pv::test::OtherProgramCopies); what we set stays ours.
  bool GetClipboardText(std::u16string* text) override {
    if (!foreign_) return false;
    *text = DecodeSystemText(foreignBytes_);
    return true;
  }
  void SetClipboardText(const std::u16string&) override {
    foreign_ = false;
    changed_ = false;
  }
  bool ClipboardChangedElsewhere() override {
    bool c = changed_;
    changed_ = false;
    return c;
  }
  void ForgetClipboard() { foreign_ = changed_ = false; }
  void SetTextInputRect(const RECT& screen) override { textInput_ = screen; }
  RECT textInput_{};

  // The desktop the tests play: it iconifies minimised windows (a task bar)
  // unless told it has no window manager.
  bool IconifiesWindows() const override { return iconifies_; }
  void SetIconifies(bool on) { iconifies_ = on; }
  void WindowMoved(Wnd* w) override { Track(w); }
  void WindowShown(Wnd* w) override { Track(w); }
  void WindowHidden(Wnd* w) override { iconic_.erase(w->hwnd); }
  void WindowDestroyed(Wnd* w) override { iconic_.erase(w->hwnd); }
  bool ShowsIconic(HWND h) const { return iconic_.count(h) != 0; }
  // The user minimised or restored the window through the desktop.
  void DesktopChanges(HWND h, bool iconic) {
    if (iconic) iconic_.insert(h);
    else iconic_.erase(h);
    DesktopIconicChanged(h, iconic);
  }
  void OtherProgramCopies(std::string bytes) {
    foreignBytes_ = std::move(bytes);
    foreign_ = changed_ = true;
  }

 private:
  void Track(Wnd* w) {
    if (iconifies_ && (w->style & WS_MINIMIZE) && (w->style & WS_VISIBLE)) iconic_.insert(w->hwnd);
    else iconic_.erase(w->hwnd);
  }

  std::string foreignBytes_;
  bool foreign_ = false;
  bool changed_ = false;
  bool iconifies_ = true;
  std::set<HWND> iconic_;  // shown iconified by the desktop
};

// Never destroyed at exit: the process may be ending because the display
// went away (the X library exits on a broken connection), and a back end
// destroying its windows then calls into that connection again from inside
// exit. Whatever the desktop holds for us goes with the connection.
std::unique_ptr<Backend>& InstalledBackend() {
  static auto* b = new std::unique_ptr<Backend>;
  return *b;
}

bool EnvOn(const char* name) {
  const char* v = std::getenv(name);
  return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace

Backend& ActiveBackend() {
  auto& b = InstalledBackend();
  if (!b) {
    bool headless = EnvOn("PRAVENOR_HEADLESS");
    bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!headless && display) b = MakeSdlBackend();
    if (!b) b = std::make_unique<HeadlessBackend>();
  }
  return *b;
}

void SetBackend(std::unique_ptr<Backend> backend) { InstalledBackend() = std::move(backend); }

void DesktopIconicChanged(HWND hwnd, bool iconic) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w || !IsTopLevel(w) || !(w->style & WS_VISIBLE)) return;
  // Only a real change: our own minimise comes back from the desktop as an echo.
  if (((w->style & WS_MINIMIZE) != 0) == iconic) return;
  PostMessage(hwnd, WM_SYSCOMMAND, iconic ? SC_MINIMIZE : SC_RESTORE, 0);
}
std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace pv::wm

namespace pv::test {

// What the test helpers record and switch: the UI thread's.
struct TestRecord {
  int dryCancels = 0;      // dry modal loops ended as a cancel
  bool quit = false;       // PumpUntilIdle took a WM_QUIT ...
  int quitCode = 0;        // ... with this code
  int dryCancelMode = -1;  // SetModalDryCancel: -1 follows the back end
  std::vector<WinEventRecord> winEvents;
};

namespace {
TestRecord& Record() {
  static TestRecord& r = *new TestRecord;
  return r;
}
std::vector<WinEventRecord>& WinEvents() { return Record().winEvents; }

std::uint64_t Now() { return pv::Clock::TickCount64(); }

void Inject(UINT msg, POINT pt, WPARAM wParam = 0) {
  InputEvent ev;
  ev.message = msg;
  ev.pt = pt;
  ev.wParam = wParam;
  ev.time = static_cast<DWORD>(Now());
  Ui().input.cursorPos = pt;
  PostInput(ev);
}

UINT DownMsg(Button b) {
  if (Ui().system.swapButtons && b == Button::Left) b = Button::Right;
  else if (Ui().system.swapButtons && b == Button::Right) b = Button::Left;
  switch (b) {
    case Button::Left:
      return WM_LBUTTONDOWN;
    case Button::Right:
      return WM_RBUTTONDOWN;
    case Button::Middle:
      return WM_MBUTTONDOWN;
    case Button::X1:
    case Button::X2:
      return WM_XBUTTONDOWN;
  }
  return WM_LBUTTONDOWN;
}

int ButtonVk(Button b) {
  switch (b) {
    case Button::Left:
      return Ui().system.swapButtons ? VK_RBUTTON : VK_LBUTTON;
    case Button::Right:
      return Ui().system.swapButtons ? VK_LBUTTON : VK_RBUTTON;
    case Button::Middle:
      return VK_MBUTTON;
    case Button::X1:
      return VK_XBUTTON1;
    case Button::X2:
      return VK_XBUTTON2;
  }
  return VK_LBUTTON;
}

WPARAM XData(Button b) {
  if (b == Button::X1) return MAKEWPARAM(0, XBUTTON1);
  if (b == Button::X2) return MAKEWPARAM(0, XBUTTON2);
  return 0;
}

void KeyEvent(UINT vk, bool down) {
  UINT scan = MapVirtualKey(vk, MAPVK_VK_TO_VSC);
  bool extended = MapVirtualKey(vk, MAPVK_VK_TO_VSC_EX) > 0xFF;
  UINT msgVk = vk;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) msgVk = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) msgVk = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) msgVk = VK_MENU;
  BYTE* ak = Ui().input.asyncKeys;
  bool wasDown = (ak[msgVk] & 0x80) != 0;
  if (down) {
    ak[vk] |= 0x80;
    ak[msgVk] |= 0x80;
  } else {
    ak[vk] &= ~0x80;
    if (msgVk != vk) {
      int l = msgVk == VK_SHIFT ? VK_LSHIFT : msgVk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
      if (!((ak[l] | ak[l + 1]) & 0x80)) ak[msgVk] &= ~0x80;
    } else {
      ak[msgVk] &= ~0x80;
    }
  }
  bool alt = (ak[VK_MENU] & 0x80) != 0;
  bool ctrl = (ak[VK_CONTROL] & 0x80) != 0;
  InputEvent ev;
  // Alt without Ctrl makes the system variants; so does F10.
  bool sys = (alt && !ctrl) || (msgVk == VK_MENU && !ctrl) || msgVk == VK_F10;
  ev.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  ev.wParam = msgVk;
  LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (extended) lp |= 1 << 24;
  if (alt && msgVk != VK_MENU) lp |= 1 << 29;
  if (msgVk == VK_MENU && down) lp |= 1 << 29;
  if (down && wasDown) lp |= 1 << 30;
  if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
  ev.lParam = lp;
  ev.time = static_cast<DWORD>(Now());
  ev.pt = Ui().input.cursorPos;
  PostInput(ev);
}
}  // namespace

void MouseMove(int x, int y) { Inject(WM_MOUSEMOVE, POINT{x, y}); }

void MouseDown(Button b, int x, int y) {
  Ui().input.asyncKeys[ButtonVk(b)] |= 0x80;
  Inject(DownMsg(b), POINT{x, y}, XData(b));
}

void MouseUp(Button b, int x, int y) {
  Ui().input.asyncKeys[ButtonVk(b)] &= ~0x80;
  Inject(DownMsg(b) + 1, POINT{x, y}, XData(b));
}

void Click(int x, int y, Button b) {
  MouseMove(x, y);
  MouseDown(b, x, y);
  MouseUp(b, x, y);
}

void DoubleClick(int x, int y, Button b) {
  Click(x, y, b);
  MouseDown(b, x, y);
  MouseUp(b, x, y);
}

void Wheel(int delta, int x, int y, bool horizontal) {
  Inject(horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL, POINT{x, y}, static_cast<WPARAM>(static_cast<WORD>(delta)));
}

POINT ClientPoint(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

void ClickClient(HWND hwnd, int x, int y, Button b) {
  POINT p = ClientPoint(hwnd, x, y);
  Click(p.x, p.y, b);
}

void KeyDown(UINT vk) { KeyEvent(vk, true); }
void KeyUp(UINT vk) { KeyEvent(vk, false); }
void KeyPress(UINT vk) {
  KeyEvent(vk, true);
  KeyEvent(vk, false);
}

void Chord(BYTE modifiers, UINT vk) {
  if (modifiers & FCONTROL) KeyDown(VK_CONTROL);
  if (modifiers & FSHIFT) KeyDown(VK_SHIFT);
  if (modifiers & FALT) KeyDown(VK_MENU);
  KeyPress(vk);
  if (modifiers & FALT) KeyUp(VK_MENU);
  if (modifiers & FSHIFT) KeyUp(VK_SHIFT);
  if (modifiers & FCONTROL) KeyUp(VK_CONTROL);
}

void Char(WCHAR ch) {
  InputEvent ev;
  ev.message = WM_CHAR;
  ev.wParam = ch;
  ev.lParam = 1;
  ev.time = static_cast<DWORD>(Now());
  ev.pt = Ui().input.cursorPos;
  PostInput(ev);
}

void TypeText(std::u16string_view text) {
  for (char16_t c : text) {
    SHORT k = (c >= 0x20 || c == u'\r' || c == u'\t' || c == 0x08) ? VkKeyScan(c) : -1;
    if (c == u'\n') k = VK_RETURN;
    if (k == -1) {
      Char(c);
      continue;
    }
    bool shift = (k & 0x100) != 0;
    if (shift) KeyDown(VK_SHIFT);
    KeyPress(static_cast<UINT>(k & 0xFF));
    if (shift) KeyUp(VK_SHIFT);
  }
}

void OtherProgramCopies(std::string_view bytes) {
  if (auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend())) h->OtherProgramCopies(std::string(bytes));
}

bool DropFiles(const std::vector<std::u16string>& files, int x, int y) {
  Ui().input.cursorPos = POINT{x, y};
  return pv::wm::DropFiles(files, POINT{x, y});
}

void CaptureLoss() {
  if (GetCapture()) ReleaseCapture();
}

void AppDeactivate() { DesktopFocusLost(); }

void ImeEditing(std::u16string_view text, int cursor) { pv::wm::ImeEditing(std::u16string(text), cursor); }
void ImeCommit(std::u16string_view text) { pv::wm::ImeCommit(std::u16string(text)); }
RECT TextInputRect() {
  auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend());
  return h ? h->textInput_ : RECT{};
}

void SetDesktopIconifies(bool on) {
  if (auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend())) h->SetIconifies(on);
}
bool DesktopShowsIconic(HWND hwnd) {
  auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend());
  return h && h->ShowsIconic(hwnd);
}
void DesktopMinimizes(HWND hwnd) {
  if (auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend())) h->DesktopChanges(hwnd, true);
}
void DesktopRestores(HWND hwnd) {
  if (auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend())) h->DesktopChanges(hwnd, false);
}

int PumpUntilIdle(int maxMessages) {
  int n = 0;
  MSG m;
  while (n < maxMessages && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      if (m.lParam != PV_DRY_CANCEL) {
        Record().quit = true;
        Record().quitCode = static_cast<int>(m.wParam);
      }
      continue;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
    ++n;
  }
  PresentDirty();
  return n;
}

int AdvanceAndPump(unsigned ms) {
  int n = PumpUntilIdle();
  if (!pv::Clock::IsFake()) return n;
  // Step through the due times so that timers fire in their order and a
  // timer due twice in the span fires twice.
  std::uint64_t end = Now() + ms;
  for (;;) {
    std::uint64_t next = std::min(end, NextTimerDue());
    std::uint64_t now = Now();
    if (next > now) pv::Clock::AdvanceBy(next - now);
    n += PumpUntilIdle();
    if (Now() >= end) break;
  }
  return n;
}

bool TakeQuit(int* code) {
  bool q = Record().quit;
  if (code) *code = Record().quitCode;
  Record().quit = false;
  Record().quitCode = 0;
  return q;
}

int DryCancelCount() { return Record().dryCancels; }
void NoteDryCancel() { ++Record().dryCancels; }

namespace {
bool PixelAt(Wnd* w, int x, int y, bool client, COLORREF* out) {
  Wnd* top = TopLevelOf(w);
  if (!top) return false;
  EnsureBacking(top);
  uint32_t* bits = nullptr;
  int bw, bh, stride;
  if (!top->backing || !GdiGetDibPixels(top->backing, &bits, &bw, &bh, &stride)) return false;
  RECT tsr = ScreenRect(top);
  POINT p{x, y};
  if (client) {
    ClientToScreen(w->hwnd, &p);
  } else {
    RECT sr = ScreenRect(w);
    p.x += sr.left;
    p.y += sr.top;
  }
  int bx = p.x - tsr.left, by = p.y - tsr.top;
  if (bx < 0 || by < 0 || bx >= bw || by >= bh) return false;
  uint32_t px = reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(bits) + static_cast<size_t>(by) * stride)[bx];
  *out = RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
  return true;
}
}  // namespace

COLORREF WindowPixel(HWND hwnd, int x, int y) {
  Wnd* w = FromHandleQuiet(hwnd);
  COLORREF c = CLR_INVALID;
  if (w) PixelAt(w, x, y, true, &c);
  return c;
}

COLORREF WindowPixelNc(HWND hwnd, int x, int y) {
  Wnd* w = FromHandleQuiet(hwnd);
  COLORREF c = CLR_INVALID;
  if (w) PixelAt(w, x, y, false, &c);
  return c;
}

bool SaveWindowPng(HWND hwnd, const char* path) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return false;
  Wnd* top = TopLevelOf(w);
  if (!top) return false;
  EnsureBacking(top);
  if (!top->backing) return false;
  if (top == w) return GdiSavePng(top->backing, path);
  // A child: copy its part of the top-level bitmap.
  RECT sr = ScreenRect(w), tsr = ScreenRect(top);
  HDC src = GdiCreateSurfaceDC(top->backing);
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = std::max<LONG>(1, sr.right - sr.left);
  bi.bmiHeader.biHeight = -std::max<LONG>(1, sr.bottom - sr.top);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, sr.right - sr.left, sr.bottom - sr.top, src, sr.left - tsr.left, sr.top - tsr.top, SRCCOPY);
  SelectObject(mem, old);
  bool ok = GdiSavePng(bmp, path);
  DeleteObject(bmp);
  DeleteDC(mem);
  DeleteDC(src);
  return ok;
}

std::vector<WinEventRecord> TakeWinEvents() {
  std::vector<WinEventRecord> v;
  v.swap(WinEvents());
  return v;
}

void RecordWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild) {
  auto& v = WinEvents();
  if (v.size() < 100000) v.push_back(WinEventRecord{event, hwnd, idObject, idChild});
}

void SetModalDryCancel(int mode) { Record().dryCancelMode = mode; }

void UseHeadlessBackend() {
  ResetWindowManager();
  pv::SetMessageBoxSink({});
  SetBackend(MakeHeadlessBackend());
  ResetWindowManager();
}

void ResetWindowManager() {
  if (GetCapture()) ReleaseCapture();
  std::vector<HWND> tops;
  for (Wnd* c : Desktop()->children)
    if (c->tid == CurrentTid()) tops.push_back(c->hwnd);
  for (Wnd* c : MessageRoot()->children)
    if (c->tid == CurrentTid()) tops.push_back(c->hwnd);
  for (HWND h : tops)
    if (IsWindow(h)) DestroyWindow(h);
  ResetHooks();
  ResetHotKeys();
  ResetIme();
  ResetClipboard();
  if (auto* h = dynamic_cast<HeadlessBackend*>(&ActiveBackend())) {
    h->ForgetClipboard();
    h->SetIconifies(true);
  }
  auto q = CurrentQueue();
  {
    std::lock_guard<std::mutex> lock(q->m);
    q->posted.clear();
    q->pendingPos.clear();
    q->input.clear();
    q->quit = false;
  }
  UiState& s = Ui();
  {
    std::lock_guard<std::mutex> timersLock(s.timers.m);
    s.timers.list.clear();
  }
  s.input.focus = s.input.active = s.input.capture = nullptr;
  s.input.appActive = false;
  std::memset(s.input.keys, 0, sizeof(s.input.keys));
  std::memset(s.input.asyncKeys, 0, sizeof(s.input.asyncKeys));
  s.input.cursorPos = POINT{0, 0};
  s.input.cursor = nullptr;
  s.caret = Caret{};
  s.input.track = MouseTrack{};
  s.input.lastMouseWnd = s.input.lastClickWnd = nullptr;
  s.input.lastClickMsg = 0;
  s.input.lastWasDouble = false;
  s.system.doubleClickTime = 500;
  s.system.swapButtons = false;
  s.input.clipCursorOn = false;
  s.system.beeps.clear();
  s.input.inMenuMode = false;
  s.input.menuOwner = nullptr;
  s.input.lockUpdate = nullptr;
  s.system.monitors.clear();
  s.system.wheelLines = 3;
  s.system.keyboardCues = false;
  ClearMetrics();
  SetScreen(1280, 1024);
  WinEvents().clear();
  Record().quit = false;
  Record().dryCancels = 0;
  SetModalDryCancel(-1);
}

}  // namespace pv::test

bool pv::wm::TestMode() {
  int mode = pv::test::Record().dryCancelMode;
  if (mode >= 0) return mode != 0;
  return ActiveBackend().Headless();
}

bool pv::WindowsOnDisplay() { return !pv::wm::ActiveBackend().Headless(); }

std::u16string pv::WindowText(HWND hwnd) {
  int n = ::GetWindowTextLength(hwnd);
  std::u16string t(static_cast<size_t>(std::max(n, 0)) + 1, u'\0');
  n = ::GetWindowText(hwnd, t.data(), static_cast<int>(t.size()));
  t.resize(static_cast<size_t>(std::max(n, 0)));
  return t;
}
