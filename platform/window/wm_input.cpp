// Input state: activation, focus, capture, mouse and keyboard input turned
// into messages, the US keyboard layout, cursors, the caret and mouse
// tracking.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/base/clock.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

namespace {
std::uint64_t Now() { return pv::Clock::TickCount64(); }

void SendToAllTopLevel(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<HWND> tops;
  for (Wnd* c : Desktop()->children)
    if (c->tid == CurrentTid()) tops.push_back(c->hwnd);
  for (HWND h : tops)
    if (FromHandleQuiet(h)) Send(h, msg, wParam, lParam);
}
}  // namespace

HWND NextActivatable(HWND except) {
  Wnd* x = FromHandleQuiet(except);
  auto ok = [&](Wnd* c) {
    if (!c || c == x || c->destroying || !(c->style & WS_VISIBLE) || (c->style & (WS_DISABLED | WS_MINIMIZE)))
      return false;
    if (c->exStyle & WS_EX_NOACTIVATE) return false;
    if (c->messageOnly || !IsTopLevel(c)) return false;
    for (Wnd* o = c->owner; o; o = o->owner)
      if (o == x) return false;
    return true;
  };
  if (x && x->owner) {
    Wnd* o = x->owner;
    if (ok(o)) {
      Wnd* popup = FromHandleQuiet(GetLastActivePopup(o->hwnd));
      return ok(popup) ? popup->hwnd : o->hwnd;
    }
  }
  for (Wnd* c : Desktop()->children)
    if (ok(c) && c->tid == CurrentTid()) return c->hwnd;
  return nullptr;
}

void ActivateWindow(HWND hwnd, int how, bool setFocus) {
  UiState& s = Ui();
  HWND old = s.input.active;
  if (hwnd == old) return;
  if (hwnd) {
    Wnd* w = FromHandleQuiet(hwnd);
    if (!w || !IsTopLevel(w) || w->destroying) return;
    if (HooksInstalled(WH_CBT)) {
      CBTACTIVATESTRUCT cbt{how == WA_CLICKACTIVE, old};
      if (CallHooks(WH_CBT, HCBT_ACTIVATE, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) return;
    }
  }
  s.input.active = hwnd;
  if (FromHandleQuiet(old)) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    if (FromHandleQuiet(old))
      Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (s.input.active != hwnd) return;  // a handler activated something else meanwhile
  if (!hwnd) {
    if (s.input.focus) {
      HWND f = s.input.focus;
      s.input.focus = nullptr;
      if (FromHandleQuiet(f)) Send(f, WM_KILLFOCUS, 0, 0);
    }
    if (s.input.appActive) {
      s.input.appActive = false;
      SendToAllTopLevel(WM_ACTIVATEAPP, FALSE, 0);
    }
    return;
  }
  if (!s.input.appActive) {
    s.input.appActive = true;
    SendToAllTopLevel(WM_ACTIVATEAPP, TRUE, static_cast<LPARAM>(CurrentTid()));
    if (s.input.active != hwnd) return;
  }
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  if (w->owner) w->owner->lastActivePopup = hwnd;
  if (!Desktop()->children.empty() && Desktop()->children.front() != w && (w->style & WS_VISIBLE))
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!FromHandleQuiet(hwnd) || s.input.active != hwnd) return;
  Send(hwnd, WM_NCACTIVATE, TRUE, 0);
  if (!FromHandleQuiet(hwnd) || s.input.active != hwnd) return;
  Send(hwnd, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(hwnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
  w = FromHandleQuiet(hwnd);
  if (!w || s.input.active != hwnd) return;
  FireWinEvent(EVENT_SYSTEM_FOREGROUND, hwnd, OBJID_WINDOW, CHILDID_SELF);
  if (setFocus) {
    Wnd* f = FromHandleQuiet(s.input.focus);
    if (!f || (f != w && !IsAncestorOf(w, f))) {
      if (!(w->style & WS_MINIMIZE)) SetFocus(hwnd);
    }
  }
  ActiveBackend().WindowMoved(w);
}

void OnWindowHiddenOrDestroyed(HWND hwnd) {
  UiState& s = Ui();
  if (s.input.active == hwnd) {
    HWND next = NextActivatable(hwnd);
    ActivateWindow(next, WA_ACTIVE, true);
  }
}

// ---- keyboard layout (US) -----------------------------------------------------------------------
namespace {
struct KeyInfo {
  UINT vk;
  UINT scan;
  bool extended;
  char16_t plain;
  char16_t shifted;
  const char16_t* name;
};

const KeyInfo kKeys[] = {
    {VK_ESCAPE, 0x01, false, 0x1B, 0x1B, u"Esc"},
    {'1', 0x02, false, u'1', u'!', u"1"},
    {'2', 0x03, false, u'2', u'@', u"2"},
    {'3', 0x04, false, u'3', u'#', u"3"},
    {'4', 0x05, false, u'4', u'$', u"4"},
    {'5', 0x06, false, u'5', u'%', u"5"},
    {'6', 0x07, false, u'6', u'^', u"6"},
    {'7', 0x08, false, u'7', u'&', u"7"},
    {'8', 0x09, false, u'8', u'*', u"8"},
    {'9', 0x0A, false, u'9', u'(', u"9"},
    {'0', 0x0B, false, u'0', u')', u"0"},
    {VK_OEM_MINUS, 0x0C, false, u'-', u'_', u"-"},
    {VK_OEM_PLUS, 0x0D, false, u'=', u'+', u"="},
    {VK_BACK, 0x0E, false, 0x08, 0x08, u"Backspace"},
    {VK_TAB, 0x0F, false, 0x09, 0x09, u"Tab"},
    {'Q', 0x10, false, u'q', u'Q', u"Q"},
    {'W', 0x11, false, u'w', u'W', u"W"},
    {'E', 0x12, false, u'e', u'E', u"E"},
    {'R', 0x13, false, u'r', u'R', u"R"},
    {'T', 0x14, false, u't', u'T', u"T"},
    {'Y', 0x15, false, u'y', u'Y', u"Y"},
    {'U', 0x16, false, u'u', u'U', u"U"},
    {'I', 0x17, false, u'i', u'I', u"I"},
    {'O', 0x18, false, u'o', u'O', u"O"},
    {'P', 0x19, false, u'p', u'P', u"P"},
    {VK_OEM_4, 0x1A, false, u'[', u'{', u"["},
    {VK_OEM_6, 0x1B, false, u']', u'}', u"]"},
    {VK_RETURN, 0x1C, false, 0x0D, 0x0D, u"Enter"},
    {VK_CONTROL, 0x1D, false, 0, 0, u"Ctrl"},
    {'A', 0x1E, false, u'a', u'A', u"A"},
    {'S', 0x1F, false, u's', u'S', u"S"},
    {'D', 0x20, false, u'd', u'D', u"D"},
    {'F', 0x21, false, u'f', u'F', u"F"},
    {'G', 0x22, false, u'g', u'G', u"G"},
    {'H', 0x23, false, u'h', u'H', u"H"},
    {'J', 0x24, false, u'j', u'J', u"J"},
    {'K', 0x25, false, u'k', u'K', u"K"},
    {'L', 0x26, false, u'l', u'L', u"L"},
    {VK_OEM_1, 0x27, false, u';', u':', u";"},
    {VK_OEM_7, 0x28, false, u'\'', u'"', u"'"},
    {VK_OEM_3, 0x29, false, u'`', u'~', u"`"},
    {VK_SHIFT, 0x2A, false, 0, 0, u"Shift"},
    {VK_OEM_5, 0x2B, false, u'\\', u'|', u"\\"},
    {'Z', 0x2C, false, u'z', u'Z', u"Z"},
    {'X', 0x2D, false, u'x', u'X', u"X"},
    {'C', 0x2E, false, u'c', u'C', u"C"},
    {'V', 0x2F, false, u'v', u'V', u"V"},
    {'B', 0x30, false, u'b', u'B', u"B"},
    {'N', 0x31, false, u'n', u'N', u"N"},
    {'M', 0x32, false, u'm', u'M', u"M"},
    {VK_OEM_COMMA, 0x33, false, u',', u'<', u","},
    {VK_OEM_PERIOD, 0x34, false, u'.', u'>', u"."},
    {VK_OEM_2, 0x35, false, u'/', u'?', u"/"},
    {VK_RSHIFT, 0x36, false, 0, 0, u"Right Shift"},
    {VK_MULTIPLY, 0x37, false, u'*', u'*', u"Num *"},
    {VK_MENU, 0x38, false, 0, 0, u"Alt"},
    {VK_SPACE, 0x39, false, u' ', u' ', u"Space"},
    {VK_CAPITAL, 0x3A, false, 0, 0, u"Caps Lock"},
    {VK_F1, 0x3B, false, 0, 0, u"F1"},
    {VK_F2, 0x3C, false, 0, 0, u"F2"},
    {VK_F3, 0x3D, false, 0, 0, u"F3"},
    {VK_F4, 0x3E, false, 0, 0, u"F4"},
    {VK_F5, 0x3F, false, 0, 0, u"F5"},
    {VK_F6, 0x40, false, 0, 0, u"F6"},
    {VK_F7, 0x41, false, 0, 0, u"F7"},
    {VK_F8, 0x42, false, 0, 0, u"F8"},
    {VK_F9, 0x43, false, 0, 0, u"F9"},
    {VK_F10, 0x44, false, 0, 0, u"F10"},
    {VK_NUMLOCK, 0x45, true, 0, 0, u"Num Lock"},
    {VK_SCROLL, 0x46, false, 0, 0, u"Scroll Lock"},
    {VK_NUMPAD7, 0x47, false, u'7', u'7', u"Num 7"},
    {VK_NUMPAD8, 0x48, false, u'8', u'8', u"Num 8"},
    {VK_NUMPAD9, 0x49, false, u'9', u'9', u"Num 9"},
    {VK_SUBTRACT, 0x4A, false, u'-', u'-', u"Num -"},
    {VK_NUMPAD4, 0x4B, false, u'4', u'4', u"Num 4"},
    {VK_NUMPAD5, 0x4C, false, u'5', u'5', u"Num 5"},
    {VK_NUMPAD6, 0x4D, false, u'6', u'6', u"Num 6"},
    {VK_ADD, 0x4E, false, u'+', u'+', u"Num +"},
    {VK_NUMPAD1, 0x4F, false, u'1', u'1', u"Num 1"},
    {VK_NUMPAD2, 0x50, false, u'2', u'2', u"Num 2"},
    {VK_NUMPAD3, 0x51, false, u'3', u'3', u"Num 3"},
    {VK_NUMPAD0, 0x52, false, u'0', u'0', u"Num 0"},
    {VK_DECIMAL, 0x53, false, u'.', u'.', u"Num Del"},
    {VK_OEM_102, 0x56, false, u'\\', u'|', u"\\"},
    {VK_F11, 0x57, false, 0, 0, u"F11"},
    {VK_F12, 0x58, false, 0, 0, u"F12"},
    {VK_HOME, 0x47, true, 0, 0, u"Home"},
    {VK_UP, 0x48, true, 0, 0, u"Up"},
    {VK_PRIOR, 0x49, true, 0, 0, u"Page Up"},
    {VK_LEFT, 0x4B, true, 0, 0, u"Left"},
    {VK_RIGHT, 0x4D, true, 0, 0, u"Right"},
    {VK_END, 0x4F, true, 0, 0, u"End"},
    {VK_DOWN, 0x50, true, 0, 0, u"Down"},
    {VK_NEXT, 0x51, true, 0, 0, u"Page Down"},
    {VK_INSERT, 0x52, true, 0, 0, u"Insert"},
    {VK_DELETE, 0x53, true, 0, 0, u"Delete"},
    {VK_DIVIDE, 0x35, true, u'/', u'/', u"Num /"},
    {VK_LWIN, 0x5B, true, 0, 0, u"Left Windows"},
    {VK_RWIN, 0x5C, true, 0, 0, u"Right Windows"},
    {VK_APPS, 0x5D, true, 0, 0, u"Application"},
    {VK_SNAPSHOT, 0x37, true, 0, 0, u"Prnt Scrn"},
    {VK_PAUSE, 0x45, false, 0, 0, u"Pause"},
    {VK_LSHIFT, 0x2A, false, 0, 0, u"Shift"},
    {VK_LCONTROL, 0x1D, false, 0, 0, u"Ctrl"},
    {VK_RCONTROL, 0x1D, true, 0, 0, u"Right Ctrl"},
    {VK_LMENU, 0x38, false, 0, 0, u"Alt"},
    {VK_RMENU, 0x38, true, 0, 0, u"Right Alt"},
};

const KeyInfo* FindVk(UINT vk) {
  for (const KeyInfo& k : kKeys)
    if (k.vk == vk) return &k;
  return nullptr;
}
const KeyInfo* FindScan(UINT scan, bool extended) {
  for (const KeyInfo& k : kKeys)
    if (k.scan == scan && k.extended == extended) return &k;
  for (const KeyInfo& k : kKeys)
    if (k.scan == scan) return &k;
  return nullptr;
}
bool Down(const BYTE* st, int vk) { return st && (st[vk] & 0x80) != 0; }
}  // namespace

UINT TranslateKeyToChar(UINT vk, UINT scan, const BYTE* st, WCHAR* out) {
  const KeyInfo* k = FindVk(vk);
  if (!k || !k->plain) return 0;
  bool shift = Down(st, VK_SHIFT) || Down(st, VK_LSHIFT) || Down(st, VK_RSHIFT);
  bool ctrl = Down(st, VK_CONTROL) || Down(st, VK_LCONTROL) || Down(st, VK_RCONTROL);
  bool alt = Down(st, VK_MENU) || Down(st, VK_LMENU) || Down(st, VK_RMENU);
  bool caps = st && (st[VK_CAPITAL] & 1);
  bool num = st && (st[VK_NUMLOCK] & 1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
    if (!num) return 0;
    *out = k->plain;
    return 1;
  }
  if (vk == VK_DECIMAL && !num) return 0;
  if (ctrl && alt) return 0;  // no AltGr characters on this layout
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z') {
      *out = static_cast<WCHAR>(vk - 'A' + 1);
      return 1;
    }
    switch (vk) {
      case VK_OEM_4:
        *out = 0x1B;
        return 1;
      case VK_OEM_5:
        *out = 0x1C;
        return 1;
      case VK_OEM_6:
        *out = 0x1D;
        return 1;
      case VK_RETURN:
        *out = 0x0A;
        return 1;
      case VK_BACK:
        *out = 0x7F;
        return 1;
      case VK_ESCAPE:
        *out = 0x1B;
        return 1;
      case VK_SPACE:
        *out = u' ';
        return 1;
      case VK_CANCEL:
        *out = 0x03;
        return 1;
      case '6':
        if (shift) {
          *out = 0x1E;
          return 1;
        }
        return 0;
      case VK_OEM_MINUS:
        if (shift) {
          *out = 0x1F;
          return 1;
        }
        return 0;
      case '2':
        if (shift) {
          *out = 0;
          return 1;
        }
        return 0;
    }
    return 0;
  }
  bool upper = shift;
  if (vk >= 'A' && vk <= 'Z' && caps) upper = !upper;
  *out = upper ? k->shifted : k->plain;
  (void)scan;
  return 1;
}

// ---- input conversion ---------------------------------------------------------------------------
namespace {

bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_XBUTTONDOWN;
}

WPARAM MouseKeys() {
  const BYTE* k = Ui().input.asyncKeys;
  WPARAM w = 0;
  if (k[VK_LBUTTON] & 0x80) w |= MK_LBUTTON;
  if (k[VK_RBUTTON] & 0x80) w |= MK_RBUTTON;
  if (k[VK_MBUTTON] & 0x80) w |= MK_MBUTTON;
  if (k[VK_XBUTTON1] & 0x80) w |= MK_XBUTTON1;
  if (k[VK_XBUTTON2] & 0x80) w |= MK_XBUTTON2;
  if (k[VK_SHIFT] & 0x80) w |= MK_SHIFT;
  if (k[VK_CONTROL] & 0x80) w |= MK_CONTROL;
  return w;
}

HWND KeyTarget(bool* sys) {
  UiState& s = Ui();
  if (FromHandleQuiet(s.input.focus)) return s.input.focus;
  if (FromHandleQuiet(s.input.active)) {
    *sys = true;
    return s.input.active;
  }
  return nullptr;
}

bool DoubleClickOf(const InputEvent& ev, HWND target, bool client) {
  UiState& s = Ui();
  if (!IsButtonDown(ev.message)) return false;
  Wnd* w = FromHandleQuiet(target);
  if (!w || !w->cls) return false;
  if (client && !(w->cls->style & CS_DBLCLKS)) return false;
  if (s.input.lastWasDouble) return false;
  if (s.input.lastClickMsg != ev.message || s.input.lastClickWnd != target) return false;
  if (ev.time - s.input.lastClickTime > s.system.doubleClickTime) return false;
  if (std::abs(ev.pt.x - s.input.lastClickPt.x) > s.system.doubleClickCx / 2 ||
      std::abs(ev.pt.y - s.input.lastClickPt.y) > s.system.doubleClickCy / 2)
    return false;
  if (ev.message == WM_XBUTTONDOWN && HIWORD(ev.wParam) != HIWORD(s.input.lastClickPt.x * 0 + 0)) {}
  return true;
}

// Posts the leave message when the pointer is no longer over the tracked
// window (or the tracked part of it); leaving ends every tracking request of
// the window, as Windows does.
bool LeaveTracked(HWND hitWnd, int hit) {
  UiState& s = Ui();
  if (!s.input.track.hwnd || !(s.input.track.flags & TME_LEAVE)) return false;
  bool nc = (s.input.track.flags & TME_NONCLIENT) != 0;
  bool left = !hitWnd || hitWnd != s.input.track.hwnd || (nc ? hit == HTCLIENT : hit != HTCLIENT);
  if (!left) return false;
  HWND t = s.input.track.hwnd;
  s.input.track = MouseTrack{};
  return PostMessage(t, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0) != FALSE;
}

}  // namespace

bool PointerOffWindows(POINT pt) {
  UiState& s = Ui();
  s.input.cursorPos = pt;
  s.input.lastMouseWnd = nullptr;
  return LeaveTracked(nullptr, HTNOWHERE);
}

void DesktopFocusLost() {
  UiState& s = Ui();
  // Whatever the user held down was released somewhere else.
  for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2, VK_SHIFT, VK_LSHIFT, VK_RSHIFT,
                 VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_MENU, VK_LMENU, VK_RMENU}) {
    s.input.asyncKeys[vk] &= ~0x80;
    s.input.keys[vk] &= ~0x80;
  }
  // Modes end (menus, move/size, drags) and the capture goes, then the
  // application is deactivated.
  HWND target = FromHandleQuiet(s.input.capture) ? s.input.capture : s.input.active;
  if (FromHandleQuiet(target)) Send(target, WM_CANCELMODE, 0, 0);
  if (GetCapture()) ReleaseCapture();
  ActivateWindow(nullptr, WA_INACTIVE, false);
}

bool ConvertInput(const InputEvent& ev, MSG* out, int* hit, HWND* hitWnd) {
  UiState& s = Ui();
  *out = MSG{};
  out->time = ev.time;
  out->pt = ev.pt;
  *hit = HTCLIENT;
  *hitWnd = nullptr;
  UINT m = ev.message;
  if (m == kPointerLeftInput) {
    // The pointer went onto a window of another program or the desktop:
    // the capture still hears of it as a move, nobody else does.
    if (!FromHandleQuiet(s.input.capture)) return false;
    InputEvent move = ev;
    move.message = WM_MOUSEMOVE;
    return ConvertInput(move, out, hit, hitWnd);
  }
  if (m >= WM_KEYFIRST && m <= WM_KEYLAST) {
    bool sys = false;
    HWND target = KeyTarget(&sys);
    if (!target) return false;
    out->hwnd = target;
    out->message = m;
    if (sys && m == WM_KEYDOWN) out->message = WM_SYSKEYDOWN;
    if (sys && m == WM_KEYUP) out->message = WM_SYSKEYUP;
    if (sys && m == WM_CHAR) out->message = WM_SYSCHAR;
    out->wParam = ev.wParam;
    out->lParam = ev.lParam;
    return true;
  }
  // Mouse.
  if (m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL) {
    HWND target = nullptr;
    if (FromHandleQuiet(s.input.capture)) target = s.input.capture;
    else if (FromHandleQuiet(s.input.focus)) target = s.input.focus;
    else if (FromHandleQuiet(s.input.active)) target = s.input.active;
    else if (Wnd* w = HitWindow(ev.pt, hit)) target = w->hwnd;
    if (!target) return false;
    out->hwnd = target;
    out->message = m;
    out->wParam = MAKEWPARAM(static_cast<WORD>(ev.mouseKeys), static_cast<WORD>(static_cast<short>(ev.wParam)));
    out->lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
    *hitWnd = target;
    return true;
  }
  HWND target = nullptr;
  if (FromHandleQuiet(s.input.capture)) {
    target = s.input.capture;
    *hit = HTCLIENT;
  } else {
    Wnd* w = HitWindow(ev.pt, hit);
    if (!w) return false;
    target = w->hwnd;
  }
  *hitWnd = target;
  out->hwnd = target;
  WPARAM xbutton = (m == WM_XBUTTONDOWN || m == WM_XBUTTONUP) ? (ev.wParam & 0xFFFF0000u) : 0;
  if (*hit == HTCLIENT) {
    POINT pt = ev.pt;
    ScreenToClient(target, &pt);
    out->message = m;
    out->wParam = ev.mouseKeys | xbutton;
    out->lParam = MAKELPARAM(pt.x, pt.y);
    if (DoubleClickOf(ev, target, true)) out->message = m + 2;  // *DOWN -> *DBLCLK
  } else {
    out->message = m - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    out->wParam = static_cast<WPARAM>(*hit) | xbutton;
    out->lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
    if (DoubleClickOf(ev, target, false)) out->message += 2;
  }
  return true;
}

void CommitInput(const InputEvent& ev, MSG* msg, int hit, HWND hitWnd, bool* eat) {
  UiState& s = Ui();
  *eat = false;
  UINT m = ev.message;
  if (m >= WM_KEYFIRST && m <= WM_KEYLAST) {
    // The system variants (Alt held, F10) are keys too: their state counts
    // and the keyboard hooks see them.
    if (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP) {
      UINT vk = static_cast<UINT>(ev.wParam) & 0xFF;
      bool down = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
      auto set = [&](UINT k) {
        if (down) {
          if (!(s.input.keys[k] & 0x80)) s.input.keys[k] ^= 0x01;
          s.input.keys[k] |= 0x80;
        } else {
          s.input.keys[k] &= ~0x80;
        }
      };
      set(vk);
      if (vk == VK_SHIFT) set((ev.lParam >> 16 & 0xFF) == 0x36 ? VK_RSHIFT : VK_LSHIFT);
      if (vk == VK_CONTROL) set((ev.lParam & (1 << 24)) ? VK_RCONTROL : VK_LCONTROL);
      if (vk == VK_MENU) set((ev.lParam & (1 << 24)) ? VK_RMENU : VK_LMENU);
      if (HooksInstalled(WH_KEYBOARD) && CallHooks(WH_KEYBOARD, HC_ACTION, ev.wParam, ev.lParam)) *eat = true;
    }
    return;
  }
  // Mouse.
  s.input.cursorPos = ev.pt;
  if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_RBUTTONDOWN || m == WM_RBUTTONUP || m == WM_MBUTTONDOWN ||
      m == WM_MBUTTONUP || m == WM_XBUTTONDOWN || m == WM_XBUTTONUP) {
    int vk = (m <= WM_LBUTTONDBLCLK)   ? VK_LBUTTON
             : (m <= WM_RBUTTONDBLCLK) ? VK_RBUTTON
             : (m <= WM_MBUTTONDBLCLK) ? VK_MBUTTON
                                       : (HIWORD(ev.wParam) == XBUTTON2 ? VK_XBUTTON2 : VK_XBUTTON1);
    if (IsButtonDown(m)) s.input.keys[vk] |= 0x80;
    else s.input.keys[vk] &= ~0x80;
  }
  HWND target = msg->hwnd;
  if (m == WM_MOUSEMOVE) LeaveTracked(hitWnd, hit);
  if (m == WM_MOUSEMOVE && (s.input.track.flags & TME_HOVER)) {
    if (std::abs(ev.pt.x - s.input.track.hoverPt.x) > 2 || std::abs(ev.pt.y - s.input.track.hoverPt.y) > 2 ||
        hitWnd != s.input.track.hwnd) {
      s.input.track.hoverPt = ev.pt;
      s.input.track.hoverStart = ev.time;
    }
  }
  s.input.lastMouseWnd = hitWnd;
  if (HooksInstalled(WH_MOUSE)) {
    MOUSEHOOKSTRUCTEX mh{};
    mh.pt = ev.pt;
    mh.hwnd = target;
    mh.wHitTestCode = static_cast<UINT>(hit);
    mh.mouseData = (m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL) ? static_cast<DWORD>(ev.wParam << 16)
                                                               : static_cast<DWORD>(ev.wParam & 0xFFFF0000u);
    if (CallHooks(WH_MOUSE, HC_ACTION, msg->message, reinterpret_cast<LPARAM>(&mh))) {
      *eat = true;
      return;
    }
    if (!FromHandleQuiet(target)) {
      *eat = true;
      return;
    }
  }
  if (m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL) return;
  if (hit == HTERROR) {
    // Over a disabled window: the cursor is asked for, clicks are refused.
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTERROR, m));
    *eat = true;
    return;
  }
  if (!FromHandleQuiet(s.input.capture)) {
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, m));
    if (!FromHandleQuiet(target)) {
      *eat = true;
      return;
    }
  }
  if (IsButtonDown(m)) {
    // Click state for double clicks.
    if (msg->message == m + 2 || msg->message == m - WM_MOUSEMOVE + WM_NCMOUSEMOVE + 2) {
      s.input.lastWasDouble = true;
    } else {
      s.input.lastWasDouble = false;
      s.input.lastClickMsg = m;
      s.input.lastClickWnd = target;
      s.input.lastClickTime = ev.time;
      s.input.lastClickPt = ev.pt;
    }
    // Clicking a window other than the active one asks it (a child asks its
    // parents through DefWindowProc, so an MDI child comes forward) and
    // activates its top-level window unless it says otherwise, as Windows does.
    Wnd* w = FromHandleQuiet(target);
    Wnd* top = w ? TopLevelOf(w) : nullptr;
    if (top && s.input.active != target && !FromHandleQuiet(s.input.capture)) {
      LRESULT ma = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->hwnd), MAKELPARAM(hit, m));
      top = FromHandleQuiet(top->hwnd);
      if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) && top && s.input.active != top->hwnd &&
          !(top->exStyle & WS_EX_NOACTIVATE))
        ActivateWindow(top->hwnd, WA_CLICKACTIVE, true);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) *eat = true;
      if (!FromHandleQuiet(target)) *eat = true;
    }
  }
}

void PostInput(const InputEvent& input) {
  // Buttons and Shift/Ctrl are reported as they were when the input
  // happened, not when the message is taken off the queue.
  InputEvent ev = input;
  ev.mouseKeys = MouseKeys();
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> lock(q->m);
  // Consecutive moves merge, as a real mouse reports only where it is now.
  if (ev.message == WM_MOUSEMOVE && !q->input.empty() && q->input.back().message == WM_MOUSEMOVE) {
    q->input.back() = ev;
    return;
  }
  q->input.push_back(ev);
}

bool CheckHover() {
  UiState& s = Ui();
  if (!(s.input.track.flags & TME_HOVER) || !s.input.track.hwnd) return false;
  if (!FromHandleQuiet(s.input.track.hwnd)) {
    s.input.track = MouseTrack{};
    return false;
  }
  std::uint64_t now = Now();
  if (now - s.input.track.hoverStart < s.input.track.hoverTime) return false;
  HWND h = s.input.track.hwnd;
  bool nc = (s.input.track.flags & TME_NONCLIENT) != 0;
  s.input.track.flags &= ~static_cast<DWORD>(TME_HOVER);
  if (!(s.input.track.flags & TME_LEAVE)) s.input.track.hwnd = nullptr;
  POINT pt = s.input.cursorPos;
  if (nc) {
    PostMessage(h, WM_NCMOUSEHOVER, static_cast<WPARAM>(HTCLIENT), MAKELPARAM(pt.x, pt.y));
  } else {
    ScreenToClient(h, &pt);
    PostMessage(h, WM_MOUSEHOVER, MouseKeys(), MAKELPARAM(pt.x, pt.y));
  }
  return true;
}

}  // namespace pv::wm

// ---- activation, focus, capture -----------------------------------------------------------------
HWND SetActiveWindow(HWND hwnd) {
  HWND old = Ui().input.active;
  if (hwnd) {
    Wnd* w = FromHandle(hwnd);
    if (!w) return nullptr;
    Wnd* top = TopLevelOf(w);
    if (!top || top->tid != CurrentTid()) return nullptr;
    if (top->style & WS_DISABLED) return nullptr;
    hwnd = top->hwnd;
  }
  ActivateWindow(hwnd, WA_ACTIVE, true);
  return old;
}

HWND GetActiveWindow() { return FromHandleQuiet(Ui().input.active) ? Ui().input.active : nullptr; }

BOOL SetForegroundWindow(HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }
// Only other processes are kept from taking the foreground: nothing to do here.
BOOL LockSetForegroundWindow(UINT code) {
  if (code != LSFW_LOCK && code != LSFW_UNLOCK) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
BOOL AllowSetForegroundWindow(DWORD) { return TRUE; }

HWND SetFocus(HWND hwnd) {
  UiState& s = Ui();
  HWND old = FromHandleQuiet(s.input.focus) ? s.input.focus : nullptr;
  const HWND before = old;  // what the caller gets back, even if activation moved the focus meanwhile
  if (hwnd) {
    Wnd* w = FromHandle(hwnd);
    if (!w || w->tid != CurrentTid()) return nullptr;
    if (hwnd == old) return old;
    if (HooksInstalled(WH_CBT) &&
        CallHooks(WH_CBT, HCBT_SETFOCUS, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(old)))
      return nullptr;
    w = FromHandleQuiet(hwnd);
    if (!w) return nullptr;
    Wnd* top = TopLevelOf(w);
    if (top && (top->style & WS_MINIMIZE)) return nullptr;
    if (top && s.input.active != top->hwnd) {
      ActivateWindow(top->hwnd, WA_ACTIVE, false);
      if (!FromHandleQuiet(hwnd)) return nullptr;
      old = FromHandleQuiet(s.input.focus) ? s.input.focus : nullptr;
      if (old == hwnd) return before;
    }
  } else {
    if (!old) return nullptr;
    if (HooksInstalled(WH_CBT) && CallHooks(WH_CBT, HCBT_SETFOCUS, 0, reinterpret_cast<LPARAM>(old))) return nullptr;
  }
  s.input.focus = hwnd;
  if (old && FromHandleQuiet(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && s.input.focus == hwnd && FromHandleQuiet(hwnd)) {
    Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    FireWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, CHILDID_SELF);
  }
  return FromHandleQuiet(before) ? before : nullptr;
}

HWND GetFocus() { return FromHandleQuiet(Ui().input.focus) ? Ui().input.focus : nullptr; }

HWND SetCapture(HWND hwnd) {
  UiState& s = Ui();
  HWND old = FromHandleQuiet(s.input.capture) ? s.input.capture : nullptr;
  Wnd* w = FromHandle(hwnd);
  if (!w) return old;
  if (old == hwnd) return old;
  s.input.capture = hwnd;
  if (old) Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  FireWinEvent(EVENT_SYSTEM_CAPTURESTART, hwnd, OBJID_WINDOW, CHILDID_SELF);
  return old;
}

BOOL ReleaseCapture() {
  UiState& s = Ui();
  HWND old = s.input.capture;
  s.input.capture = nullptr;
  if (old && FromHandleQuiet(old)) {
    Send(old, WM_CAPTURECHANGED, 0, 0);
    FireWinEvent(EVENT_SYSTEM_CAPTUREEND, old, OBJID_WINDOW, CHILDID_SELF);
  }
  return TRUE;
}

HWND GetCapture() { return FromHandleQuiet(Ui().input.capture) ? Ui().input.capture : nullptr; }

BOOL GetGUIThreadInfo(DWORD, PGUITHREADINFO info) {
  if (!info) return FALSE;
  UiState& s = Ui();
  info->flags = (s.input.inMenuMode ? GUI_INMENUMODE : 0) | (s.input.moveSizeWnd ? GUI_INMOVESIZE : 0);
  info->hwndActive = GetActiveWindow();
  info->hwndFocus = GetFocus();
  info->hwndCapture = GetCapture();
  info->hwndMenuOwner = s.input.menuOwner;
  info->hwndMoveSize = s.input.moveSizeWnd;
  info->hwndCaret = s.caret.hwnd;
  info->rcCaret = RECT{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
  return TRUE;
}

// ---- key state ----------------------------------------------------------------------------------
SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE k = Ui().input.keys[vk];
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
    int l = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    k |= (Ui().input.keys[l] | Ui().input.keys[l + 1]) & 0x80;
  }
  return static_cast<SHORT>(((k & 0x80) ? 0xFF80 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE k = Ui().input.asyncKeys[vk];
  if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) {
    int l = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    k |= (Ui().input.asyncKeys[l] | Ui().input.asyncKeys[l + 1]) & 0x80;
  }
  return static_cast<SHORT>((k & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(PBYTE state) {
  if (!state) return FALSE;
  std::memcpy(state, Ui().input.keys, 256);
  return TRUE;
}

BOOL SetKeyboardState(PBYTE state) {
  if (!state) return FALSE;
  std::memcpy(Ui().input.keys, state, 256);
  return TRUE;
}

// ---- keyboard layout services -------------------------------------------------------------------
namespace {
const HKL kUsLayout = reinterpret_cast<HKL>(static_cast<ULONG_PTR>(0x04090409));
}

UINT MapVirtualKeyEx(UINT code, UINT type, HKL) {
  switch (type) {
    case MAPVK_VK_TO_VSC:
    case MAPVK_VK_TO_VSC_EX: {
      const KeyInfo* k = FindVk(code);
      if (!k) return 0;
      return (type == MAPVK_VK_TO_VSC_EX && k->extended) ? (0xE000 | k->scan) : k->scan;
    }
    case MAPVK_VSC_TO_VK:
    case MAPVK_VSC_TO_VK_EX: {
      bool ext = (code & 0xFF00) == 0xE000;
      const KeyInfo* k = FindScan(code & 0xFF, ext);
      if (!k) return 0;
      UINT vk = k->vk;
      if (type == MAPVK_VSC_TO_VK) {
        if (vk == VK_LSHIFT || vk == VK_RSHIFT) vk = VK_SHIFT;
        if (vk == VK_LCONTROL || vk == VK_RCONTROL) vk = VK_CONTROL;
        if (vk == VK_LMENU || vk == VK_RMENU) vk = VK_MENU;
      } else {
        if (vk == VK_SHIFT) vk = (code & 0xFF) == 0x36 ? VK_RSHIFT : VK_LSHIFT;
        if (vk == VK_CONTROL) vk = ext ? VK_RCONTROL : VK_LCONTROL;
        if (vk == VK_MENU) vk = ext ? VK_RMENU : VK_LMENU;
      }
      return vk;
    }
    case MAPVK_VK_TO_CHAR: {
      const KeyInfo* k = FindVk(code);
      if (!k || !k->plain || code == VK_ESCAPE || code == VK_BACK || code == VK_TAB || code == VK_RETURN) {
        if (k && (code == VK_BACK || code == VK_TAB || code == VK_RETURN || code == VK_ESCAPE)) return k->plain;
        return 0;
      }
      if (code >= 'A' && code <= 'Z') return code;
      return k->plain;
    }
  }
  return 0;
}
UINT MapVirtualKeyExW(UINT code, UINT type, HKL hkl) { return MapVirtualKeyEx(code, type, hkl); }
UINT MapVirtualKey(UINT code, UINT type) { return MapVirtualKeyEx(code, type, kUsLayout); }
UINT MapVirtualKeyW(UINT code, UINT type) { return MapVirtualKey(code, type); }

int ToUnicodeEx(UINT vk, UINT scan, const BYTE* state, LPWSTR buffer, int size, UINT, HKL) {
  if (scan & 0x8000) return 0;  // key up
  WCHAR ch;
  if (!TranslateKeyToChar(vk, scan, state, &ch)) return 0;
  if (buffer && size > 0) {
    buffer[0] = ch;
    if (size > 1) buffer[1] = 0;
  }
  return 1;
}
int ToUnicode(UINT vk, UINT scan, const BYTE* state, LPWSTR buffer, int size, UINT flags) {
  return ToUnicodeEx(vk, scan, state, buffer, size, flags, kUsLayout);
}
int ToAscii(UINT vk, UINT scan, const BYTE* state, LPWORD chars, UINT flags) {
  WCHAR ch[2];
  int n = ToUnicode(vk, scan, state, ch, 2, flags);
  if (n == 1 && chars) chars[0] = ch[0] < 0x80 ? ch[0] : u'?';
  return n;
}

SHORT VkKeyScanEx(WCHAR ch, HKL) {
  if (ch >= u'a' && ch <= u'z') return static_cast<SHORT>(ch - u'a' + 'A');
  if (ch >= u'A' && ch <= u'Z') return static_cast<SHORT>(0x100 | ch);
  if (ch >= 1 && ch <= 26) return static_cast<SHORT>(0x200 | (ch - 1 + 'A'));
  for (const KeyInfo& k : kKeys) {
    if (k.vk >= VK_NUMPAD0 && k.vk <= VK_DIVIDE) continue;
    if (k.plain && k.plain == ch) return static_cast<SHORT>(k.vk);
    if (k.shifted && k.shifted == ch && k.shifted != k.plain) return static_cast<SHORT>(0x100 | k.vk);
  }
  if (ch == 0x1B) return VK_ESCAPE;
  return -1;
}
SHORT VkKeyScanExW(WCHAR ch, HKL hkl) { return VkKeyScanEx(ch, hkl); }
SHORT VkKeyScan(WCHAR ch) { return VkKeyScanEx(ch, kUsLayout); }
SHORT VkKeyScanW(WCHAR ch) { return VkKeyScan(ch); }

int GetKeyNameText(LONG lParam, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
  bool ext = (lParam & (1 << 24)) != 0;
  const KeyInfo* k = FindScan(scan, ext);
  if (!k) {
    buffer[0] = 0;
    return 0;
  }
  const char16_t* name = k->name;
  if ((lParam & (1 << 25)) && (k->vk == VK_LSHIFT || k->vk == VK_SHIFT || k->vk == VK_RSHIFT)) name = u"Shift";
  int n = 0;
  while (name[n] && n < size - 1) {
    buffer[n] = name[n];
    ++n;
  }
  buffer[n] = 0;
  return n;
}
int GetKeyNameTextW(LONG lParam, LPWSTR buffer, int size) { return GetKeyNameText(lParam, buffer, size); }

HKL GetKeyboardLayout(DWORD) { return kUsLayout; }
int GetKeyboardLayoutList(int count, HKL* list) {
  if (count > 0 && list) list[0] = kUsLayout;
  return 1;
}
BOOL GetKeyboardLayoutName(LPWSTR name) {
  if (!name) return FALSE;
  const char16_t* id = u"00000409";
  for (int i = 0; i < 9; ++i) name[i] = id[i];
  return TRUE;
}
BOOL GetKeyboardLayoutNameW(LPWSTR name) { return GetKeyboardLayoutName(name); }
HKL ActivateKeyboardLayout(HKL, UINT) { return kUsLayout; }
int GetKeyboardType(int typeFlag) {
  switch (typeFlag) {
    case 0:
      return 4;  // enhanced 101/102-key
    case 1:
      return 0;
    case 2:
      return 12;  // function keys
  }
  return 0;
}

// ---- cursors ------------------------------------------------------------------------------------
namespace {
const WORD kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                               32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
}

HCURSOR LoadCursor(HINSTANCE inst, LPCWSTR name) {
  if (!inst && IS_INTRESOURCE(name)) {
    WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (WORD c : kSystemCursors)
      if (c == id) return reinterpret_cast<HCURSOR>(static_cast<ULONG_PTR>(0x7F000000u | id));
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HANDLE h = LoadImage(inst, name, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
  return reinterpret_cast<HCURSOR>(h);
}
HCURSOR LoadCursorW(HINSTANCE inst, LPCWSTR name) { return LoadCursor(inst, name); }
HCURSOR LoadCursorFromFile(LPCWSTR path) {
  return reinterpret_cast<HCURSOR>(LoadImage(nullptr, path, IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = Ui().input.cursor;
  Ui().input.cursor = cursor;
  if (old != cursor) ActiveBackend().SetCursorShape(cursor);
  return old;
}
HCURSOR GetCursor() { return Ui().input.cursor; }
int ShowCursor(BOOL show) { return show ? ++Ui().input.cursorShowCount : --Ui().input.cursorShowCount; }

BOOL GetCursorPos(LPPOINT pt) {
  if (!pt) return FALSE;
  *pt = Ui().input.cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  UiState& s = Ui();
  if (s.input.clipCursorOn) {
    x = std::clamp<int>(x, s.input.clipCursor.left, s.input.clipCursor.right - 1);
    y = std::clamp<int>(y, s.input.clipCursor.top, s.input.clipCursor.bottom - 1);
  }
  s.input.cursorPos = POINT{x, y};
  ActiveBackend().SetCursorPos(x, y);
  // Moving the pointer is a mouse move for whoever is under it.
  InputEvent ev;
  ev.message = WM_MOUSEMOVE;
  ev.pt = s.input.cursorPos;
  ev.time = static_cast<DWORD>(Now());
  PostInput(ev);
  return TRUE;
}

BOOL GetCursorInfo(PCURSORINFO info) {
  if (!info) return FALSE;
  info->flags = Ui().input.cursorShowCount >= 0 ? CURSOR_SHOWING : 0;
  info->hCursor = Ui().input.cursor;
  info->ptScreenPos = Ui().input.cursorPos;
  return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
  UiState& s = Ui();
  if (!rect) {
    s.input.clipCursorOn = false;
    return TRUE;
  }
  s.input.clipCursor = *rect;
  s.input.clipCursorOn = true;
  return TRUE;
}

BOOL GetClipCursor(LPRECT rect) {
  if (!rect) return FALSE;
  UiState& s = Ui();
  if (s.input.clipCursorOn) {
    *rect = s.input.clipCursor;
  } else {
    rect->left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    rect->top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    rect->right = rect->left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    rect->bottom = rect->top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  }
  return TRUE;
}

// ---- caret --------------------------------------------------------------------------------------
// The caret is drawn by inverting its rectangle in the owner's client area,
// so drawing it twice takes it away again. It is taken off around painting
// and scrolling of its window, and blinks on the clock (not in test mode,
// where a shown caret stays on so pixels are predictable).
namespace pv::wm {
namespace {
void Invert() {
  Caret& c = Ui().caret;
  HDC dc = GetDC(c.hwnd);
  if (!dc) return;
  PatBlt(dc, c.pos.x, c.pos.y, c.width, c.height, DSTINVERT);
  ReleaseDC(c.hwnd, dc);
  c.drawn = !c.drawn;
}
bool ShouldShow() {
  Caret& c = Ui().caret;
  return c.hwnd && c.hideCount == 0 && !c.blinkOff && IsWindowVisible(c.hwnd);
}
}  // namespace

void CaretErase(HWND hwnd) {
  Caret& c = Ui().caret;
  if (c.drawn && (!hwnd || c.hwnd == hwnd) && FromHandleQuiet(c.hwnd)) Invert();
  if (!FromHandleQuiet(c.hwnd)) c.drawn = false;
}

void CaretRestore(HWND hwnd) {
  Caret& c = Ui().caret;
  if (!c.drawn && (!hwnd || c.hwnd == hwnd) && ShouldShow()) Invert();
}

void CheckCaretBlink() {
  Caret& c = Ui().caret;
  if (!c.hwnd || c.hideCount != 0 || TestMode() || Ui().system.caretBlink == INFINITE || Ui().system.caretBlink == 0)
    return;
  std::uint64_t now = pv::Clock::TickCount64();
  if (now < c.nextBlink) return;
  c.nextBlink = now + Ui().system.caretBlink;
  if (c.blinkOff) {
    c.blinkOff = false;
    CaretRestore(c.hwnd);
  } else {
    CaretErase(c.hwnd);
    c.blinkOff = true;
  }
  if (Wnd* w = FromHandleQuiet(c.hwnd)) MarkPresent(w);
}
}  // namespace pv::wm

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  DestroyCaret();
  Caret& c = Ui().caret;
  c = Caret{};
  c.hwnd = hwnd;
  c.bitmap = bitmap;
  c.width = width ? width : GetSystemMetrics(SM_CXBORDER);
  c.height = height ? height : GetSystemMetrics(SM_CYBORDER);
  c.hideCount = 1;
  return TRUE;
}

BOOL DestroyCaret() {
  if (!Ui().caret.hwnd) return FALSE;
  CaretErase(nullptr);
  Ui().caret = Caret{};
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  Caret& c = Ui().caret;
  if (!c.hwnd || (hwnd && hwnd != c.hwnd)) return FALSE;
  if (c.hideCount > 0) c.hideCount--;
  if (c.hideCount == 0) {
    c.blinkOff = false;
    c.nextBlink = pv::Clock::TickCount64() + Ui().system.caretBlink;
    CaretRestore(c.hwnd);
  }
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  Caret& c = Ui().caret;
  if (!c.hwnd || (hwnd && hwnd != c.hwnd)) return FALSE;
  CaretErase(c.hwnd);
  c.hideCount++;
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  Caret& c = Ui().caret;
  if (!c.hwnd) return FALSE;
  if (c.pos.x == x && c.pos.y == y) return TRUE;
  CaretErase(c.hwnd);
  c.pos = POINT{x, y};
  c.blinkOff = false;
  c.nextBlink = pv::Clock::TickCount64() + Ui().system.caretBlink;
  CaretRestore(c.hwnd);
  PlaceCandidates();  // the input method's candidates open at the caret
  return TRUE;
}

BOOL GetCaretPos(LPPOINT pt) {
  if (!pt) return FALSE;
  *pt = Ui().caret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return Ui().system.caretBlink; }
BOOL SetCaretBlinkTime(UINT ms) {
  Ui().system.caretBlink = ms;
  return TRUE;
}

// ---- mouse tracking -------------------------------------------------------------------------------
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT tme) {
  if (!tme || tme->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UiState& s = Ui();
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = s.input.track.hwnd ? s.input.track.flags : 0;
    tme->hwndTrack = s.input.track.hwnd;
    tme->dwHoverTime = s.input.track.hoverTime;
    return TRUE;
  }
  if (!FromHandle(tme->hwndTrack)) return FALSE;
  DWORD kinds = tme->dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT);
  if (tme->dwFlags & TME_CANCEL) {
    if (s.input.track.hwnd == tme->hwndTrack) {
      s.input.track.flags &= ~(kinds & (TME_HOVER | TME_LEAVE));
      if (!(s.input.track.flags & (TME_HOVER | TME_LEAVE))) s.input.track = MouseTrack{};
    }
    return TRUE;
  }
  // Is the pointer over the window (in the part asked for) now?
  int hit = HTNOWHERE;
  Wnd* under = HitWindow(s.input.cursorPos, &hit);
  bool nc = (kinds & TME_NONCLIENT) != 0;
  bool over = under && under->hwnd == tme->hwndTrack && (nc ? hit != HTCLIENT : hit == HTCLIENT);
  if (Ui().input.capture == tme->hwndTrack) over = true;
  if (s.input.track.hwnd != tme->hwndTrack) s.input.track = MouseTrack{};
  s.input.track.hwnd = tme->hwndTrack;
  if (kinds & TME_LEAVE) {
    if (!over) {
      PostMessage(tme->hwndTrack, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    } else {
      s.input.track.flags |= TME_LEAVE;
    }
  }
  if (kinds & TME_HOVER) {
    s.input.track.flags |= TME_HOVER;
    UINT hoverDefault = 400;
    s.input.track.hoverTime =
        (tme->dwHoverTime == HOVER_DEFAULT || tme->dwHoverTime == 0) ? hoverDefault : tme->dwHoverTime;
    s.input.track.hoverStart = Now();
    s.input.track.hoverPt = s.input.cursorPos;
  }
  if (nc) s.input.track.flags |= TME_NONCLIENT;
  if (!(s.input.track.flags & (TME_HOVER | TME_LEAVE))) s.input.track = MouseTrack{};
  return TRUE;
}
BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT tme) { return TrackMouseEvent(tme); }

UINT GetDoubleClickTime() { return Ui().system.doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  Ui().system.doubleClickTime = ms ? ms : 500;
  return TRUE;
}

BOOL SwapMouseButton(BOOL swap) {
  BOOL old = Ui().system.swapButtons;
  Ui().system.swapButtons = swap != FALSE;
  return old;
}

BOOL DragDetect(HWND hwnd, POINT pt) {
  if (!FromHandle(hwnd)) return FALSE;
  RECT r{pt.x - GetSystemMetrics(SM_CXDRAG), pt.y - GetSystemMetrics(SM_CYDRAG), pt.x + GetSystemMetrics(SM_CXDRAG),
         pt.y + GetSystemMetrics(SM_CYDRAG)};
  SetCapture(hwnd);
  BOOL result = FALSE;
  for (;;) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      if (m.lParam != PV_DRY_CANCEL) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (GetCapture() != hwnd) break;
    if (m.message == WM_LBUTTONUP || m.message == WM_RBUTTONUP) break;
    if (m.message == WM_MOUSEMOVE) {
      POINT p = m.pt;
      if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) {
        result = TRUE;
        break;
      }
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) break;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  return result;
}

namespace {
void MouseInput(const MOUSEINPUT& mi) {
  UiState& s = Ui();
  POINT pt = s.input.cursorPos;
  if (mi.dwFlags & MOUSEEVENTF_MOVE) {
    if (mi.dwFlags & MOUSEEVENTF_ABSOLUTE) {
      bool virt = (mi.dwFlags & MOUSEEVENTF_VIRTUALDESK) != 0;
      int x0 = virt ? GetSystemMetrics(SM_XVIRTUALSCREEN) : 0, y0 = virt ? GetSystemMetrics(SM_YVIRTUALSCREEN) : 0;
      int cx = GetSystemMetrics(virt ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
      int cy = GetSystemMetrics(virt ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
      // 0 is the first pixel, 65535 the last.
      auto map = [](LONG d, int size) {
        return static_cast<int>(
            (static_cast<long long>(std::clamp<LONG>(d, 0, 65535)) * std::max(0, size - 1) + 32767) / 65535);
      };
      pt.x = x0 + map(mi.dx, cx);
      pt.y = y0 + map(mi.dy, cy);
    } else {
      pt.x += mi.dx;
      pt.y += mi.dy;
    }
    if (s.input.clipCursorOn) {
      pt.x = std::clamp<int>(pt.x, s.input.clipCursor.left, s.input.clipCursor.right - 1);
      pt.y = std::clamp<int>(pt.y, s.input.clipCursor.top, s.input.clipCursor.bottom - 1);
    }
  }
  auto post = [&](UINT msg, WPARAM wp) {
    InputEvent ev;
    ev.message = msg;
    ev.pt = pt;
    ev.wParam = wp;
    ev.time = mi.time ? mi.time : static_cast<DWORD>(Now());
    ev.extra = mi.dwExtraInfo;
    s.input.cursorPos = pt;
    PostInput(ev);
  };
  if (mi.dwFlags & MOUSEEVENTF_MOVE) post(WM_MOUSEMOVE, 0);
  struct Button {
    DWORD down, up;
    UINT msg;
    int vk;
  };
  const Button buttons[] = {
      {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, WM_LBUTTONDOWN, s.system.swapButtons ? VK_RBUTTON : VK_LBUTTON},
      {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, WM_RBUTTONDOWN, s.system.swapButtons ? VK_LBUTTON : VK_RBUTTON},
      {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, WM_MBUTTONDOWN, VK_MBUTTON}};
  for (const Button& b : buttons) {
    UINT msg = b.msg;
    if (s.system.swapButtons && msg != WM_MBUTTONDOWN) msg = msg == WM_LBUTTONDOWN ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    if (mi.dwFlags & b.down) {
      s.input.asyncKeys[b.vk] |= 0x80;
      post(msg, 0);
    }
    if (mi.dwFlags & b.up) {
      s.input.asyncKeys[b.vk] &= ~0x80;
      post(msg + 1, 0);
    }
  }
  for (WORD x : {static_cast<WORD>(XBUTTON1), static_cast<WORD>(XBUTTON2)}) {
    if (!(mi.mouseData & x)) continue;
    int vk = x == XBUTTON1 ? VK_XBUTTON1 : VK_XBUTTON2;
    if (mi.dwFlags & MOUSEEVENTF_XDOWN) {
      s.input.asyncKeys[vk] |= 0x80;
      post(WM_XBUTTONDOWN, MAKEWPARAM(0, x));
    }
    if (mi.dwFlags & MOUSEEVENTF_XUP) {
      s.input.asyncKeys[vk] &= ~0x80;
      post(WM_XBUTTONUP, MAKEWPARAM(0, x));
    }
  }
  if (mi.dwFlags & MOUSEEVENTF_WHEEL) post(WM_MOUSEWHEEL, static_cast<WORD>(mi.mouseData));
  if (mi.dwFlags & MOUSEEVENTF_HWHEEL) post(WM_MOUSEHWHEEL, static_cast<WORD>(mi.mouseData));
}
}  // namespace

UINT SendInput(UINT count, LPINPUT inputs, int size) {
  if (!inputs || size != static_cast<int>(sizeof(INPUT))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UINT done = 0;
  for (UINT i = 0; i < count; ++i) {
    const INPUT& in = inputs[i];
    if (in.type == INPUT_MOUSE) {
      MouseInput(in.mi);
    } else if (in.type == INPUT_KEYBOARD) {
      const KEYBDINPUT& k = in.ki;
      if (k.dwFlags & KEYEVENTF_UNICODE) {
        // A character, not a key: it reaches the focus as WM_CHAR on the way down.
        if (!(k.dwFlags & KEYEVENTF_KEYUP)) {
          InputEvent ev;
          ev.message = WM_CHAR;
          ev.wParam = k.wScan;
          ev.lParam = 1;
          ev.time = k.time ? k.time : static_cast<DWORD>(Now());
          ev.pt = Ui().input.cursorPos;
          PostInput(ev);
        }
      } else {
        BYTE vk = static_cast<BYTE>(k.wVk);
        if (k.dwFlags & KEYEVENTF_SCANCODE)
          vk = static_cast<BYTE>(
              MapVirtualKey(k.wScan | ((k.dwFlags & KEYEVENTF_EXTENDEDKEY) ? 0xE000 : 0), MAPVK_VSC_TO_VK));
        keybd_event(vk, static_cast<BYTE>(k.wScan), k.dwFlags & (KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY),
                    k.dwExtraInfo);
      }
    } else if (in.type != INPUT_HARDWARE) {
      SetLastError(ERROR_INVALID_PARAMETER);
      break;
    }
    ++done;
  }
  return done;
}

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi = MOUSEINPUT{static_cast<LONG>(dx), static_cast<LONG>(dy), data, flags, 0, extra};
  SendInput(1, &in, sizeof in);
}

void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR) {
  InputEvent ev;
  ev.message = (flags & KEYEVENTF_KEYUP) ? WM_KEYUP : WM_KEYDOWN;
  ev.wParam = vk;
  UINT sc = scan ? scan : MapVirtualKey(vk, MAPVK_VK_TO_VSC);
  ev.lParam = static_cast<LPARAM>(1 | (sc << 16) | ((flags & KEYEVENTF_EXTENDEDKEY) ? (1u << 24) : 0) |
                                  ((flags & KEYEVENTF_KEYUP) ? 0xC0000000u : 0));
  ev.time = static_cast<DWORD>(Now());
  if (flags & KEYEVENTF_KEYUP) Ui().input.asyncKeys[vk] &= ~0x80;
  else Ui().input.asyncKeys[vk] |= 0x80;
  PostInput(ev);
}
