// The desktop back end over SDL2: every visible top-level window is a
// borderless SDL window (the frame is ours, drawn into the backing bitmap)
// presented from its backing bitmap; SDL input becomes queue input; the
// system clipboard carries text; message boxes become real modal boxes.
// Ours first: Xlib's headers define names such as KeyPress as macros.
#include "platform/window/backend_x11.h"
#include "platform/window/test_input.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/utf.h"
#include "platform/gdi/gdi_private.h"
#include "platform/system/msgbox.h"
#include "platform/window/display_library.h"
#include "platform/window/sdl_library.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

namespace {

// The X display SDL talks to, when it talks to one (a probe window tells).
Display* SdlX11Display() {
  SDL_Window* probe = Sdl()->CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
  if (!probe) return nullptr;
  Display* dpy = nullptr;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (Sdl()->GetWindowWMInfo(probe, &info) && info.subsystem == SDL_SYSWM_X11) dpy = info.info.x11.display;
  Sdl()->DestroyWindow(probe);
  return dpy;
}

bool g_assumeCompositor = false;  // tests: take the ARGB path on a bare display

UINT VkFromScancode(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return '0';
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD1 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_RETURN:
      return VK_RETURN;
    case SDL_SCANCODE_ESCAPE:
      return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE:
      return VK_BACK;
    case SDL_SCANCODE_TAB:
      return VK_TAB;
    case SDL_SCANCODE_SPACE:
      return VK_SPACE;
    case SDL_SCANCODE_MINUS:
      return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS:
      return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET:
      return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET:
      return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH:
      return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON:
      return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE:
      return VK_OEM_7;
    case SDL_SCANCODE_GRAVE:
      return VK_OEM_3;
    case SDL_SCANCODE_COMMA:
      return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD:
      return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH:
      return VK_OEM_2;
    case SDL_SCANCODE_CAPSLOCK:
      return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK:
      return VK_SCROLL;
    case SDL_SCANCODE_PAUSE:
      return VK_PAUSE;
    case SDL_SCANCODE_INSERT:
      return VK_INSERT;
    case SDL_SCANCODE_HOME:
      return VK_HOME;
    case SDL_SCANCODE_PAGEUP:
      return VK_PRIOR;
    case SDL_SCANCODE_DELETE:
      return VK_DELETE;
    case SDL_SCANCODE_END:
      return VK_END;
    case SDL_SCANCODE_PAGEDOWN:
      return VK_NEXT;
    case SDL_SCANCODE_RIGHT:
      return VK_RIGHT;
    case SDL_SCANCODE_LEFT:
      return VK_LEFT;
    case SDL_SCANCODE_DOWN:
      return VK_DOWN;
    case SDL_SCANCODE_UP:
      return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE:
      return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS:
      return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS:
      return VK_ADD;
    case SDL_SCANCODE_KP_ENTER:
      return VK_RETURN;
    case SDL_SCANCODE_KP_0:
      return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD:
      return VK_DECIMAL;
    case SDL_SCANCODE_NONUSBACKSLASH:
      return VK_OEM_102;
    case SDL_SCANCODE_APPLICATION:
      return VK_APPS;
    case SDL_SCANCODE_LCTRL:
      return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL:
      return VK_RCONTROL;
    case SDL_SCANCODE_LSHIFT:
      return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT:
      return VK_RSHIFT;
    case SDL_SCANCODE_LALT:
      return VK_LMENU;
    case SDL_SCANCODE_RALT:
      return VK_RMENU;
    case SDL_SCANCODE_LGUI:
      return VK_LWIN;
    case SDL_SCANCODE_RGUI:
      return VK_RWIN;
    default:
      return 0;
  }
}

SDL_SystemCursor SdlCursorFor(HCURSOR c) {
  ULONG_PTR v = reinterpret_cast<ULONG_PTR>(c);
  switch (v & 0xFFFF) {
    case 32513:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514:
      return SDL_SYSTEM_CURSOR_WAIT;
    case 32515:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648:
      return SDL_SYSTEM_CURSOR_NO;
    case 32649:
      return SDL_SYSTEM_CURSOR_HAND;
    case 32650:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

int ShowSdlMessageBox(const pv::MessageBoxRequest& r) {
  std::vector<int> answers = pv::MessageBoxButtons(r.type);
  static const char* names[] = {"",    "OK", "Cancel", "Abort", "Retry",     "Ignore",
                                "Yes", "No", "Close",  "Help",  "Try Again", "Continue"};
  std::vector<SDL_MessageBoxButtonData> buttons;
  int def = pv::MessageBoxDefaultAnswer(r.type);
  for (int id : answers) {
    SDL_MessageBoxButtonData b{};
    b.buttonid = id;
    b.text = (id > 0 && id < 12) ? names[id] : "OK";
    if (id == def) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (id == IDCANCEL || (answers.size() == 1)) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons.push_back(b);
  }
  std::string text = pv::Utf16ToUtf8(r.text), caption = pv::Utf16ToUtf8(r.caption);
  SDL_MessageBoxData data{};
  UINT icon = r.Icon();
  data.flags = icon == MB_ICONHAND          ? SDL_MESSAGEBOX_ERROR
               : icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                            : SDL_MESSAGEBOX_INFORMATION;
  data.title = caption.c_str();
  data.message = text.c_str();
  data.numbuttons = static_cast<int>(buttons.size());
  data.buttons = buttons.data();
  int answer = def;
  // The owner is disabled while the box is up, as a modal box does.
  HWND owner = r.owner ? GetAncestor(r.owner, GA_ROOT) : GetActiveWindow();
  bool wasEnabled = owner && IsWindowEnabled(owner);
  if (wasEnabled) EnableWindow(owner, FALSE);
  if (Sdl()->ShowMessageBox(&data, &answer) != 0) answer = def;
  if (wasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  return answer < 0 ? (std::find(answers.begin(), answers.end(), IDCANCEL) != answers.end() ? IDCANCEL : def) : answer;
}

class SdlBackend : public Backend {
 public:
  bool Init() {
    // Window surfaces in memory: an accelerated one makes SDL recreate the
    // window behind a renderer, which loses the shape of shaped windows.
    Sdl()->SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (Sdl()->Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    const char* driver = Sdl()->GetCurrentVideoDriver();
    if (!driver || std::string(driver) == "dummy" || std::string(driver) == "offscreen") {
      Sdl()->QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    wakeEvent_ = Sdl()->RegisterEvents(1);
    // The screen: one monitor per display.
    int n = Sdl()->GetNumVideoDisplays();
    auto& mons = Ui().system.monitors;
    mons.clear();
    for (int i = 0; i < n; ++i) {
      SDL_Rect b, u;
      if (Sdl()->GetDisplayBounds(i, &b) != 0) continue;
      if (Sdl()->GetDisplayUsableBounds(i, &u) != 0) u = b;
      std::u16string name = u"\\\\.\\DISPLAY";
      name += static_cast<char16_t>(u'1' + i);
      mons.push_back(Monitor{RECT{b.x, b.y, b.x + b.w, b.y + b.h}, RECT{u.x, u.y, u.x + u.w, u.y + u.h}, i == 0, name});
    }
    if (!mons.empty()) GdiSetScreenSize(mons[0].rect.right - mons[0].rect.left, mons[0].rect.bottom - mons[0].rect.top);
    // Other video systems (Wayland) always have a window manager and a
    // compositor, and SDL gives windows alpha there by itself.
    if ((x11_ = SdlX11Display())) {
      screen_ = DefaultScreen(x11_);
      managed_ = X11HasWindowManager(x11_);
      argbVisual_ = ChooseArgbVisual(X11ScreenVisuals(x11_, screen_));
    }
    Sdl()->StartTextInput();
    pv::SetMessageBoxSink(ShowSdlMessageBox);
    return true;
  }
  ~SdlBackend() override {
    for (auto& [id, w] : windows_) Sdl()->DestroyWindow(w);
    for (auto& [k, c] : cursors_) Sdl()->FreeCursor(c);
  }

  bool Headless() const override { return false; }
  bool IconifiesWindows() const override { return managed_; }

  void WindowShown(Wnd* w) override {
    SDL_Window* sw = Ensure(w);
    if (!sw) return;
    WindowIconChanged(w);
    Sdl()->ShowWindow(sw);
    if (managed_ && (w->style & WS_MINIMIZE)) Sdl()->MinimizeWindow(sw);
    Present(w);
    // Without a window manager SDL gives every window it maps the keyboard
    // focus; the active window keeps it (a tool tip or menu must not take it).
    GiveFocusToActive();
  }
  void WindowHidden(Wnd* w) override {
    if (SDL_Window* sw = Find(w)) {
      Sdl()->HideWindow(sw);
      GiveFocusToActive();  // the display does not hand it back by itself
    }
  }
  void WindowMoved(Wnd* w) override {
    SDL_Window* sw = Find(w);
    if (!sw) return;
    if (managed_ && (w->style & WS_MINIMIZE)) {
      // Iconified by the desktop; the window keeps its place and size there.
      if (!(Sdl()->GetWindowFlags(sw) & SDL_WINDOW_MINIMIZED)) Sdl()->MinimizeWindow(sw);
      return;
    }
    if (Sdl()->GetWindowFlags(sw) & SDL_WINDOW_MINIMIZED) Sdl()->RestoreWindow(sw);
    RECT r = w->rect;
    int x = 0, y = 0, cx = 0, cy = 0;
    Sdl()->GetWindowPosition(sw, &x, &y);
    Sdl()->GetWindowSize(sw, &cx, &cy);
    if (x != r.left || y != r.top) Sdl()->SetWindowPosition(sw, r.left, r.top);
    int ncx = std::max<int>(1, r.right - r.left), ncy = std::max<int>(1, r.bottom - r.top);
    if (cx != ncx || cy != ncy) Sdl()->SetWindowSize(sw, ncx, ncy);
    if (Ui().input.active == w->hwnd && (w->style & WS_VISIBLE)) {
      Sdl()->RaiseWindow(sw);
      // The active window has the desktop's keyboard focus, as on Windows.
      if (Sdl()->GetKeyboardFocus() != sw) Sdl()->SetWindowInputFocus(sw);
    }
  }
  void WindowDestroyed(Wnd* w) override {
    shapes_.erase(w->hwnd);
    SDL_Window* sw = Find(w);
    if (!sw) return;
    ids_.erase(Sdl()->GetWindowID(sw));
    windows_.erase(w->hwnd);
    Sdl()->DestroyWindow(sw);
    w->backendData = nullptr;
    GiveFocusToActive();
  }
  void WindowIconChanged(Wnd* w) override {
    SDL_Window* sw = Find(w);
    HICON icon = w->iconBig ? w->iconBig : w->iconSmall;
    if (!icon && w->cls) icon = w->cls->icon ? w->cls->icon : w->cls->iconSm;
    if (!sw || !icon) return;
    // Drawn over two backgrounds: where they agree the icon is opaque.
    const int size = 32;
    uint32_t* on[2] = {nullptr, nullptr};
    HBITMAP bmp[2] = {nullptr, nullptr};
    HDC mem = CreateCompatibleDC(nullptr);
    for (int k = 0; k < 2; ++k) {
      BITMAPINFO bi{};
      bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      bi.bmiHeader.biWidth = size;
      bi.bmiHeader.biHeight = -size;
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      void* bits = nullptr;
      bmp[k] = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
      if (!bmp[k]) continue;
      on[k] = static_cast<uint32_t*>(bits);
      HGDIOBJ old = SelectObject(mem, bmp[k]);
      RECT all{0, 0, size, size};
      HBRUSH b = CreateSolidBrush(k ? RGB(255, 255, 255) : RGB(0, 0, 0));
      FillRect(mem, &all, b);
      DeleteObject(b);
      DrawIconEx(mem, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
      SelectObject(mem, old);
    }
    DeleteDC(mem);
    if (on[0] && on[1]) {
      if (SDL_Surface* s = Sdl()->CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888)) {
        Sdl()->LockSurface(s);
        for (int y = 0; y < size; ++y) {
          auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(s->pixels) + static_cast<size_t>(y) * s->pitch);
          for (int x = 0; x < size; ++x) {
            uint32_t a = on[0][y * size + x] & 0xFFFFFF, b = on[1][y * size + x] & 0xFFFFFF;
            row[x] = a == b ? (0xFF000000u | a) : 0;
          }
        }
        Sdl()->UnlockSurface(s);
        Sdl()->SetWindowIcon(sw, s);
        Sdl()->FreeSurface(s);
      }
    }
    for (HBITMAP h : bmp)
      if (h) DeleteObject(h);
  }
  void WindowTextChanged(Wnd* w) override {
    if (SDL_Window* sw = Find(w)) Sdl()->SetWindowTitle(sw, pv::Utf16ToUtf8(w->text).c_str());
  }

  void Present(Wnd* top) override {
    SDL_Window* sw = Find(top);
    if (sw && managed_ && (top->style & WS_MINIMIZE)) return;  // an icon of the desktop's
    if (sw && NeedsShape(top) && !Sdl()->IsShapedWindow(sw) && (top->style & WS_VISIBLE)) {
      sw = Ensure(top);
      if (sw) Sdl()->ShowWindow(sw);
    }
    if (!sw || !top->backing) return;
    uint32_t* bits = nullptr;
    int bw, bh, stride;
    if (!GdiGetDibPixels(top->backing, &bits, &bw, &bh, &stride)) return;
    SDL_Surface* dst = Sdl()->GetWindowSurface(sw);
    if (!dst) return;
    if (dst->format->Amask) {
      PresentArgb(top, dst);
    } else {
      SDL_Surface* src = Sdl()->CreateRGBSurfaceWithFormatFrom(bits, bw, bh, 32, stride, SDL_PIXELFORMAT_ARGB8888);
      if (!src) return;
      Sdl()->SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
      Sdl()->UpperBlit(src, nullptr, dst, nullptr);
      Sdl()->FreeSurface(src);
    }
    if (Sdl()->IsShapedWindow(sw)) Shape(top, sw, bits, bw, bh, stride);
    Sdl()->UpdateWindowSurface(sw);
    if (top->exStyle & WS_EX_LAYERED) Sdl()->SetWindowOpacity(sw, top->layeredAlpha / 255.0f);
  }

  void Pump(int timeoutMs) override {
    SDL_Event e;
    bool got = timeoutMs > 0 ? Sdl()->WaitEventTimeout(&e, timeoutMs) != 0 : Sdl()->PollEvent(&e) != 0;
    while (got) {
      Handle(e);
      got = Sdl()->PollEvent(&e) != 0;
    }
    // Focus that left our window and went to none of ours by the end of the
    // events at hand went to another program.
    if (focusLost_) {
      focusLost_ = false;
      DesktopFocusLost();
    }
  }

  void WakeUp() override {
    SDL_Event e{};
    e.type = wakeEvent_;
    Sdl()->PushEvent(&e);
  }

  bool GetClipboardText(std::u16string* text) override {
    if (!Sdl()->HasClipboardText()) return false;
    char* t = Sdl()->GetClipboardText();
    if (!t) return false;
    *text = DecodeSystemText(t);
    Sdl()->free(t);
    return true;
  }
  void SetClipboardText(const std::u16string& text) override {
    exported_ = pv::Utf16ToUtf8(text);
    exportedValid_ = Sdl()->SetClipboardText(exported_.c_str()) == 0;
  }
  // The system clipboard no longer holds what we put there: another
  // program copied something since.
  bool ClipboardChangedElsewhere() override {
    if (!exportedValid_) return false;
    char* t = Sdl()->GetClipboardText();
    bool same = t && exported_ == t;
    Sdl()->free(t);
    if (!same) exportedValid_ = false;
    return !same;
  }

  void SetCursorShape(HCURSOR c) override {
    SDL_SystemCursor id = SdlCursorFor(c);
    SDL_Cursor*& cur = cursors_[id];
    if (!cur) cur = Sdl()->CreateSystemCursor(id);
    if (cur) Sdl()->SetCursor(cur);
  }
  void SetCursorPos(int x, int y) override { Sdl()->WarpMouseGlobal(x, y); }
  void SetTextInputRect(const RECT& screen) override {
    // In the coordinates of the window that has the keyboard.
    Wnd* a = FromHandleQuiet(Ui().input.active);
    if (!a || !Find(a)) return;
    SDL_Rect r{screen.left - a->rect.left, screen.top - a->rect.top, std::max<int>(1, screen.right - screen.left),
               std::max<int>(1, screen.bottom - screen.top)};
    Sdl()->SetTextInputRect(&r);
  }

 private:
  // Puts the desktop's keyboard focus back on our active window, while the
  // application is the active one, on a display without a window manager
  // (a window manager gives it back itself).
  void GiveFocusToActive() {
    Wnd* a = FromHandleQuiet(Ui().input.active);
    SDL_Window* sw = a ? Find(a) : nullptr;
    if (managed_ || !sw || !Ui().input.appActive || !(a->style & WS_VISIBLE)) return;
    Sdl()->SetWindowInputFocus(sw);
  }

  SDL_Window* Find(Wnd* w) {
    auto it = windows_.find(w->hwnd);
    return it == windows_.end() ? nullptr : it->second;
  }

  // Layered and region-shaped windows become X-shaped windows: what the
  // window does not show (outside its region, fully transparent, colour
  // key) is cut out of the desktop window, for the eye and for the mouse.
  static bool NeedsShape(const Wnd* w) { return w->windowRgn || (w->exStyle & WS_EX_LAYERED); }

  // Layered windows take the visual with alpha while a compositor runs, so
  // their half-transparent pixels blend with what lies below; without one
  // they keep the screen's visual and only the shape cuts pixels out.
  bool WantsArgb(const Wnd* w) const {
    return (w->exStyle & WS_EX_LAYERED) && x11_ && argbVisual_ &&
           (g_assumeCompositor || X11HasCompositor(x11_, screen_));
  }

  // A window of the visual with alpha shows the premultiplied image.
  static void PresentArgb(Wnd* top, SDL_Surface* dst) {
    int iw = 0, ih = 0;
    std::vector<uint32_t> image = LayeredArgbImage(top, &iw, &ih);
    if (image.empty() || dst->format->format != SDL_PIXELFORMAT_ARGB8888) return;
    Sdl()->LockSurface(dst);
    int cw = std::min(iw, dst->w), ch = std::min(ih, dst->h);
    for (int y = 0; y < ch; ++y)
      std::memcpy(static_cast<BYTE*>(dst->pixels) + static_cast<size_t>(y) * dst->pitch,
                  image.data() + static_cast<size_t>(y) * iw, static_cast<size_t>(cw) * 4);
    Sdl()->UnlockSurface(dst);
  }

  void Shape(Wnd* top, SDL_Window* sw, const uint32_t* bits, int bw, int bh, int stride) {
    std::vector<uint8_t> mask(static_cast<size_t>(bw) * bh, 0xFF);
    bool layered = (top->exStyle & WS_EX_LAYERED) != 0, pixels = layered && LayeredNeedsPixels(top);
    bool all = layered && !pixels && !LayeredPixelValueShown(top, 0xFF000000u);
    for (int y = 0; y < bh; ++y) {
      const uint32_t* row =
          reinterpret_cast<const uint32_t*>(reinterpret_cast<const BYTE*>(bits) + static_cast<size_t>(y) * stride);
      for (int x = 0; x < bw; ++x) {
        bool shown = !all && (!pixels || LayeredPixelValueShown(top, row[x])) &&
                     (!top->windowRgn || PtInRegion(top->windowRgn, x, y));
        if (!shown) mask[static_cast<size_t>(y) * bw + x] = 0;
      }
    }
    std::vector<uint8_t>& last = shapes_[top->hwnd];
    if (last == mask) return;
    SDL_Surface* s = Sdl()->CreateRGBSurfaceWithFormat(0, bw, bh, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    Sdl()->LockSurface(s);
    for (int y = 0; y < bh; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(s->pixels) + static_cast<size_t>(y) * s->pitch);
      for (int x = 0; x < bw; ++x) row[x] = mask[static_cast<size_t>(y) * bw + x] ? 0xFFFFFFFFu : 0;
    }
    Sdl()->UnlockSurface(s);
    SDL_WindowShapeMode mode{};
    mode.mode = ShapeModeBinarizeAlpha;
    mode.parameters.binarizationCutoff = 1;
    if (Sdl()->SetWindowShape(sw, s, &mode) == 0) last.swap(mask);
    Sdl()->FreeSurface(s);
    RECT r = top->rect;
    Sdl()->SetWindowPosition(sw, r.left, r.top);  // the first shape moves the window where SDL parked it
  }

 public:
  const std::vector<uint8_t>* ShapeOf(HWND h) {
    auto it = shapes_.find(h);
    return it == shapes_.end() ? nullptr : &it->second;
  }

 private:
  SDL_Window* Ensure(Wnd* w) {
    if (w->messageOnly) return nullptr;
    if (SDL_Window* sw = Find(w)) {
      if (!NeedsShape(w) || Sdl()->IsShapedWindow(sw)) return sw;
      // Shaped only now: the desktop window is made again, shaped.
      ids_.erase(Sdl()->GetWindowID(sw));
      windows_.erase(w->hwnd);
      Sdl()->DestroyWindow(sw);
      w->backendData = nullptr;
    }
    RECT r = w->rect;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    // A thin border (WS_BORDER, half of WS_CAPTION) still makes a pop-up.
    bool popup = (w->style & WS_POPUP) && (w->exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) &&
                 (w->style & WS_CAPTION) != WS_CAPTION;
    if (popup) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
    if (w->exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if ((w->exStyle & WS_EX_TOOLWINDOW) && !(w->exStyle & WS_EX_APPWINDOW)) flags |= SDL_WINDOW_SKIP_TASKBAR;
    std::string title = pv::Utf16ToUtf8(w->text);
    int cx = std::max<int>(1, r.right - r.left), cy = std::max<int>(1, r.bottom - r.top);
    SDL_Window* sw = nullptr;
    // SDL reads the visual to create an X window with from a hint.
    const char* hint = Sdl()->GetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID);
    std::string before = hint ? hint : "";
    bool argb = WantsArgb(w);
    if (argb) Sdl()->SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, std::to_string(argbVisual_).c_str());
    if (NeedsShape(w)) {
      sw = Sdl()->CreateShapedWindow(title.c_str(), 0, 0, static_cast<unsigned>(cx), static_cast<unsigned>(cy), flags);
      if (sw) Sdl()->SetWindowPosition(sw, r.left, r.top);
    }
    if (!sw) sw = Sdl()->CreateWindow(title.c_str(), r.left, r.top, cx, cy, flags);
    if (argb && hint) Sdl()->SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, before.c_str());
    if (argb && !hint) Sdl()->ResetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID);
    if (!sw) return nullptr;
    shapes_.erase(w->hwnd);
    windows_[w->hwnd] = sw;
    ids_[Sdl()->GetWindowID(sw)] = w->hwnd;
    w->backendData = sw;
    return sw;
  }

  HWND FromId(Uint32 id) {
    auto it = ids_.find(id);
    return it == ids_.end() ? nullptr : it->second;
  }

  void Input(UINT msg, POINT pt, WPARAM wp = 0, LPARAM lp = 0) {
    InputEvent ev;
    ev.message = msg;
    ev.pt = pt;
    ev.wParam = wp;
    ev.lParam = lp;
    ev.time = static_cast<DWORD>(GetTickCount());
    Ui().input.cursorPos = pt;
    PostInput(ev);
  }

  POINT ScreenPoint(Uint32 windowId, int x, int y) {
    HWND h = FromId(windowId);
    Wnd* w = FromHandleQuiet(h);
    if (!w) return POINT{x, y};
    return POINT{w->rect.left + x, w->rect.top + y};
  }

  void Handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEMOTION:
        Input(WM_MOUSEMOVE, ScreenPoint(e.motion.windowID, e.motion.x, e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        UINT msg = 0;
        WPARAM wp = 0;
        int vk = 0;
        switch (e.button.button) {
          case SDL_BUTTON_LEFT:
            msg = WM_LBUTTONDOWN;
            vk = VK_LBUTTON;
            break;
          case SDL_BUTTON_RIGHT:
            msg = WM_RBUTTONDOWN;
            vk = VK_RBUTTON;
            break;
          case SDL_BUTTON_MIDDLE:
            msg = WM_MBUTTONDOWN;
            vk = VK_MBUTTON;
            break;
          case SDL_BUTTON_X1:
            msg = WM_XBUTTONDOWN;
            vk = VK_XBUTTON1;
            wp = MAKEWPARAM(0, XBUTTON1);
            break;
          case SDL_BUTTON_X2:
            msg = WM_XBUTTONDOWN;
            vk = VK_XBUTTON2;
            wp = MAKEWPARAM(0, XBUTTON2);
            break;
          default:
            return;
        }
        if (down) Ui().input.asyncKeys[vk] |= 0x80;
        else Ui().input.asyncKeys[vk] &= ~0x80;
        Input(down ? msg : msg + 1, ScreenPoint(e.button.windowID, e.button.x, e.button.y), wp);
        break;
      }
      case SDL_MOUSEWHEEL: {
        int x, y;
        Sdl()->GetGlobalMouseState(&x, &y);
        POINT pt = Ui().input.cursorPos;
        if (e.wheel.y) Input(WM_MOUSEWHEEL, pt, static_cast<WPARAM>(static_cast<WORD>(e.wheel.y * WHEEL_DELTA)));
        if (e.wheel.x) Input(WM_MOUSEHWHEEL, pt, static_cast<WPARAM>(static_cast<WORD>(e.wheel.x * WHEEL_DELTA)));
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        UINT vk = VkFromScancode(e.key.keysym.scancode);
        if (!vk) break;
        bool down = e.type == SDL_KEYDOWN;
        UINT generic = vk;
        if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic = VK_SHIFT;
        if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic = VK_CONTROL;
        if (vk == VK_LMENU || vk == VK_RMENU) generic = VK_MENU;
        BYTE* ak = Ui().input.asyncKeys;
        if (down) {
          ak[vk] |= 0x80;
          ak[generic] |= 0x80;
        } else {
          ak[vk] &= ~0x80;
          if (generic != vk) {
            int l = generic == VK_SHIFT ? VK_LSHIFT : generic == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
            if (!((ak[l] | ak[l + 1]) & 0x80)) ak[generic] &= ~0x80;
          } else {
            ak[vk] &= ~0x80;
          }
        }
        bool alt = (ak[VK_MENU] & 0x80) != 0, ctrl = (ak[VK_CONTROL] & 0x80) != 0;
        bool sys = (alt && !ctrl) || generic == VK_F10;
        UINT scan = MapVirtualKey(vk, MAPVK_VK_TO_VSC);
        bool ext = MapVirtualKey(vk, MAPVK_VK_TO_VSC_EX) > 0xFF;
        LPARAM lp = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | (ext ? (1 << 24) : 0) | (alt ? (1 << 29) : 0) |
                    (e.key.repeat ? (1 << 30) : 0);
        if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
        Input(down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP), Ui().input.cursorPos, generic,
              lp);
        break;
      }
      case SDL_TEXTEDITING:
        // The input method's composition so far (start: the cursor in it).
        composing_ = e.edit.text[0] != 0;
        ImeEditing(pv::Utf8ToUtf16(e.edit.text), e.edit.start);
        break;
      case SDL_TEXTINPUT: {
        // Characters the US layout makes from keys come through
        // TranslateMessage; text the input method commits, and characters
        // of other layouts, come here as a composition's result.
        std::u16string text = pv::Utf8ToUtf16(e.text.text);
        bool plain = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
        if (composing_ || !plain) ImeCommit(text);
        composing_ = false;
        break;
      }
      case SDL_DROPBEGIN:
        dropped_.clear();
        break;
      case SDL_DROPFILE:
        if (e.drop.file) {
          dropped_.push_back(pv::Utf8ToUtf16(e.drop.file));
          Sdl()->free(e.drop.file);
        }
        break;
      case SDL_DROPTEXT:
        Sdl()->free(e.drop.file);
        break;
      case SDL_DROPCOMPLETE: {
        // The files arrive together, where the pointer let them go.
        int x = 0, y = 0;
        Sdl()->GetGlobalMouseState(&x, &y);
        Ui().input.cursorPos = POINT{x, y};
        DropFiles(dropped_, POINT{x, y});
        dropped_.clear();
        break;
      }
      case SDL_WINDOWEVENT: {
        HWND h = FromId(e.window.windowID);
        if (!h || !IsWindow(h)) break;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            PostMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            DesktopIconicChanged(h, true);
            break;
          case SDL_WINDOWEVENT_RESTORED:
            DesktopIconicChanged(h, false);
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            if (Wnd* w = FromHandleQuiet(h)) Present(w);
            break;
          case SDL_WINDOWEVENT_LEAVE: {
            // Onto the desktop or another program's window; a window of ours
            // the pointer enters reports its own moves after this.
            int x = 0, y = 0;
            Sdl()->GetGlobalMouseState(&x, &y);
            Input(kPointerLeftInput, POINT{x, y});
            break;
          }
          case SDL_WINDOWEVENT_FOCUS_LOST: {
            SDL_Window* now = Sdl()->GetKeyboardFocus();
            HWND to = now ? FromId(Sdl()->GetWindowID(now)) : nullptr;
            if (!to || to == h) focusLost_ = true;
            break;
          }
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            focusLost_ = false;
            if (!managed_) {
              // Without a window manager the focus moves only because we (or
              // SDL, mapping a window) asked: our activation decides.
              if (Ui().input.active != h) GiveFocusToActive();
              break;
            }
            if (Wnd* w = FromHandleQuiet(h); w && !(w->exStyle & WS_EX_NOACTIVATE) && Ui().input.active != h &&
                                             IsWindowEnabled(h) && !Ui().input.inMenuMode)
              ActivateWindow(h, WA_ACTIVE, true);
            break;
          case SDL_WINDOWEVENT_MOVED:
            if (Wnd* w = FromHandleQuiet(h); w && (w->rect.left != e.window.data1 || w->rect.top != e.window.data2))
              SetWindowPos(h, nullptr, e.window.data1, e.window.data2, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
            break;
        }
        break;
      }
      default:
        break;
    }
  }

  std::map<HWND, SDL_Window*> windows_;
  std::map<Uint32, HWND> ids_;
  std::map<int, SDL_Cursor*> cursors_;
  Uint32 wakeEvent_ = 0;
  bool focusLost_ = false;
  bool composing_ = false;  // the input method has a composition going
  bool managed_ = true;     // a window manager runs: it iconifies and gives focus
  Display* x11_ = nullptr;  // SDL's connection, on an X display
  int screen_ = 0;
  unsigned long argbVisual_ = 0;  // the screen's visual with alpha (0: none)
  std::string exported_;          // the text we last put on the system clipboard
  bool exportedValid_ = false;
  std::vector<std::u16string> dropped_;          // files of the drop in progress
  std::map<HWND, std::vector<uint8_t>> shapes_;  // the shape last given to each shaped window
};

}  // namespace

namespace {
std::atomic<bool> g_displayLibraryMissing{false};  // a display was there, SDL2 was not
}  // namespace

std::unique_ptr<Backend> MakeSdlBackend() {
  if (!Sdl()) {
    // Windows stay off the display; the program decides whether to go on.
    g_displayLibraryMissing = true;
    std::fprintf(stderr, "no display: %s\n", SdlLoadError().c_str());
    return nullptr;
  }
  auto b = std::make_unique<SdlBackend>();
  if (!b->Init()) return nullptr;
  return b;
}

}  // namespace pv::wm

bool pv::DisplayLibraryMissing() { return pv::wm::g_displayLibraryMissing; }

namespace pv::test {

bool UseDesktopBackend() {
  auto b = pv::wm::MakeSdlBackend();
  if (!b) return false;
  pv::wm::SetBackend(std::move(b));
  return true;
}

// The pixel the desktop shows at a point of a top-level window.
COLORREF PresentedPixel(HWND hwnd, int x, int y) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return CLR_INVALID;
  SDL_Surface* s = Sdl()->GetWindowSurface(static_cast<SDL_Window*>(w->backendData));
  if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return CLR_INVALID;
  Sdl()->LockSurface(s);
  const BYTE* row = static_cast<const BYTE*>(s->pixels) + static_cast<size_t>(y) * s->pitch;
  Uint32 px = 0;
  std::memcpy(&px, row + static_cast<size_t>(x) * s->format->BytesPerPixel, s->format->BytesPerPixel);
  Sdl()->UnlockSurface(s);
  Uint8 r, g, b;
  Sdl()->GetRGB(px, s->format, &r, &g, &b);
  return RGB(r, g, b);
}

namespace {
// Puts an SDL window event for a top-level window into SDL's event queue.
bool SdlWindowEvent(HWND hwnd, Uint8 event) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return false;
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = Sdl()->GetWindowID(static_cast<SDL_Window*>(w->backendData));
  e.window.event = event;
  return Sdl()->PushEvent(&e) == 1;
}
}  // namespace

bool SdlPointerLeave(HWND hwnd) { return SdlWindowEvent(hwnd, SDL_WINDOWEVENT_LEAVE); }

int PresentedAlpha(HWND hwnd, int x, int y) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return -1;
  SDL_Surface* s = Sdl()->GetWindowSurface(static_cast<SDL_Window*>(w->backendData));
  if (!s || !s->format->Amask || x < 0 || y < 0 || x >= s->w || y >= s->h) return -1;
  Sdl()->LockSurface(s);
  Uint32 px = 0;
  std::memcpy(&px, static_cast<const BYTE*>(s->pixels) + static_cast<size_t>(y) * s->pitch + static_cast<size_t>(x) * 4,
              4);
  Sdl()->UnlockSurface(s);
  Uint8 r, g, b, a;
  Sdl()->GetRGBA(px, s->format, &r, &g, &b, &a);
  return a;
}

void SdlAssumeCompositor(bool on) { pv::wm::g_assumeCompositor = on; }

int PresentedShape(HWND hwnd, int x, int y) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return -1;
  auto* sw = static_cast<SDL_Window*>(w->backendData);
  SDL_WindowShapeMode mode{};
  if (!Sdl()->IsShapedWindow(sw) || Sdl()->GetShapedWindowMode(sw, &mode) != 0) return -1;
  auto* b = dynamic_cast<pv::wm::SdlBackend*>(&pv::wm::ActiveBackend());
  const std::vector<uint8_t>* m = b ? b->ShapeOf(hwnd) : nullptr;
  int cx = w->rect.right - w->rect.left;
  if (!m || x < 0 || y < 0 || x >= cx || static_cast<size_t>(y * cx + x) >= m->size()) return -1;
  return (*m)[static_cast<size_t>(y * cx + x)] ? 1 : 0;
}

bool SdlTextEditing(const char* utf8, int start) {
  if (!Sdl()) return false;
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  Sdl()->strlcpy(e.edit.text, utf8, sizeof(e.edit.text));
  e.edit.start = start;
  e.edit.length = 0;
  return Sdl()->PushEvent(&e) == 1;
}

bool SdlTextInput(const char* utf8) {
  if (!Sdl()) return false;
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  Sdl()->strlcpy(e.text.text, utf8, sizeof(e.text.text));
  return Sdl()->PushEvent(&e) == 1;
}

bool SdlSetSystemClipboard(const char* bytes) { return Sdl() && Sdl()->SetClipboardText(bytes) == 0; }

bool SdlDropFiles(HWND hwnd, const std::vector<std::string>& files) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return false;
  Uint32 id = Sdl()->GetWindowID(static_cast<SDL_Window*>(w->backendData));
  SDL_Event e{};
  e.type = SDL_DROPBEGIN;
  e.drop.windowID = id;
  Sdl()->PushEvent(&e);
  for (const std::string& f : files) {
    SDL_Event d{};
    d.type = SDL_DROPFILE;
    d.drop.windowID = id;
    d.drop.file = Sdl()->strdup(f.c_str());
    Sdl()->PushEvent(&d);
  }
  SDL_Event c{};
  c.type = SDL_DROPCOMPLETE;
  c.drop.windowID = id;
  return Sdl()->PushEvent(&c) == 1;
}
bool SdlFocusLost(HWND hwnd) { return SdlWindowEvent(hwnd, SDL_WINDOWEVENT_FOCUS_LOST); }

HWND SdlKeyboardFocus() {
  if (!Sdl()) return nullptr;
  // Waits until the display has carried out what we asked and its answers
  // (focus changes) have arrived, then reads them.
  for (int round = 0; round < 3; ++round) {
    for (pv::wm::Wnd* w = nullptr; HWND h : pv::wm::TopLevelWindows()) {
      w = pv::wm::FromHandleQuiet(h);
      if (!w || !w->backendData) continue;
      SDL_SysWMinfo info;
      SDL_VERSION(&info.version);
      if (Sdl()->GetWindowWMInfo(static_cast<SDL_Window*>(w->backendData), &info) && info.subsystem == SDL_SYSWM_X11)
        XSync(info.info.x11.display, False);
      break;
    }
    Sdl()->PumpEvents();
    PumpUntilIdle();
  }
  SDL_Window* f = Sdl()->GetKeyboardFocus();
  if (!f) return nullptr;
  for (HWND h : pv::wm::TopLevelWindows())
    if (pv::wm::Wnd* w = pv::wm::FromHandleQuiet(h); w && w->backendData == f) return h;
  return nullptr;
}

// Puts an SDL mouse click into SDL's own event queue, so it travels the
// same way a real click does.
bool SdlClick(HWND hwnd, int x, int y) {
  pv::wm::Wnd* w = pv::wm::FromHandleQuiet(hwnd);
  if (!w || !w->backendData) return false;
  Uint32 id = Sdl()->GetWindowID(static_cast<SDL_Window*>(w->backendData));
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = id;
  e.motion.x = x;
  e.motion.y = y;
  Sdl()->PushEvent(&e);
  for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
    SDL_Event b{};
    b.type = type;
    b.button.windowID = id;
    b.button.button = SDL_BUTTON_LEFT;
    b.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    b.button.clicks = 1;
    b.button.x = x;
    b.button.y = y;
    Sdl()->PushEvent(&b);
  }
  return true;
}

}  // namespace pv::test
