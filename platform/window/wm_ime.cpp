// The input method: the desktop's text-editing events (a composition being
// typed, then the committed text) become WM_IME_STARTCOMPOSITION,
// WM_IME_COMPOSITION and WM_IME_ENDCOMPOSITION to the focus window, with the
// strings read through ImmGetCompositionString. DefWindowProc shows the
// composition in a small window at the caret and turns committed text into
// WM_IME_CHAR and then WM_CHAR, as Windows does, so windows that know
// nothing of input methods still get the characters.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/window/imm.h"
#include "platform/window/wm_internal.h"

namespace pv::wm {

namespace {

constexpr char16_t kCompositionClass[] = u"PvImeComposition";

// The input method context of the UI thread.
struct ImeState {
  bool composing = false;
  HWND target = nullptr;  // the window composing
  std::u16string composition;
  int cursor = 0;
  std::u16string result;
  COMPOSITIONFORM form{CFS_DEFAULT, {0, 0}, {0, 0, 0, 0}};
  HWND formOwner = nullptr;  // the window that had the focus when the form was set
  HWND window = nullptr;     // the composition window DefWindowProc shows
};

ImeState& Ime() {
  static ImeState& ime = *new ImeState;
  return ime;
}

// The one context of the thread: its address names it.
HIMC Context() { return &Ime(); }

HWND Target() {
  HWND f = Ui().input.focus ? Ui().input.focus : Ui().input.active;
  return FromHandleQuiet(f) ? f : nullptr;
}

HFONT CompositionFont() {
  static HFONT f = nullptr;
  if (!f) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    f = CreateFontIndirect(&ncm.lfMessageFont);
  }
  return f;
}

LRESULT CompositionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ old = SelectObject(dc, CompositionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::u16string& t = Ime().composition;
    TextOut(dc, 2, 1, t.c_str(), static_cast<int>(t.size()));
    // Text being composed is underlined, as input methods show it.
    SIZE sz{};
    GetTextExtentPoint32(dc, t.c_str(), static_cast<int>(t.size()), &sz);
    RECT line{2, rc.bottom - 2, 2 + sz.cx, rc.bottom - 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_WINDOWTEXT));
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Where composition shows, on the screen: the composition form's point, else
// the caret of the window, else the window's client corner.
RECT CompositionPlace(HWND hwnd) {
  ImeState& ime = Ime();
  POINT p{0, 0};
  int height = 16;
  if (ime.formOwner == hwnd && (ime.form.dwStyle & (CFS_POINT | CFS_FORCE_POSITION | CFS_RECT))) {
    p = ime.form.ptCurrentPos;
  } else if (Ui().caret.hwnd == hwnd) {
    p = Ui().caret.pos;
    height = std::max(Ui().caret.height, 1);
  }
  ClientToScreen(hwnd, &p);
  return RECT{p.x, p.y, p.x + 1, p.y + height};
}

void ShowCompositionWindow(HWND owner) {
  ImeState& ime = Ime();
  // Classes survive ResetWindowManager, so registering once per process is enough.
  static std::once_flag classOnce;
  std::call_once(classOnce, [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CompositionProc;
    wc.lpszClassName = kCompositionClass;
    RegisterClass(&wc);
  });
  if (ime.composition.empty()) {
    if (IsWindow(ime.window)) ShowWindow(ime.window, SW_HIDE);
    return;
  }
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CompositionFont());
  SIZE sz{};
  GetTextExtentPoint32(dc, ime.composition.c_str(), static_cast<int>(ime.composition.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  RECT at = CompositionPlace(owner);
  int cx = sz.cx + 6, cy = sz.cy + 6;
  if (!IsWindow(ime.window))
    ime.window = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kCompositionClass, u"",
                                WS_POPUP | WS_BORDER, at.left, at.top, cx, cy, nullptr, nullptr, nullptr, nullptr);
  if (!ime.window) return;
  SetWindowPos(ime.window, HWND_TOPMOST, at.left, at.top, cx, cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(ime.window, nullptr, TRUE);
}

void HideCompositionWindow() {
  if (IsWindow(Ime().window)) ShowWindow(Ime().window, SW_HIDE);
}

void Begin(HWND target) {
  ImeState& ime = Ime();
  ime.composing = true;
  ime.target = target;
  ime.composition.clear();
  ime.cursor = 0;
  PlaceCandidates();
  Send(target, WM_IME_STARTCOMPOSITION, 0, 0);
}

void End() {
  ImeState& ime = Ime();
  HWND target = ime.target;
  ime.composing = false;
  ime.composition.clear();
  ime.target = nullptr;
  if (FromHandleQuiet(target)) Send(target, WM_IME_ENDCOMPOSITION, 0, 0);
}

}  // namespace

void PlaceCandidates() {
  HWND target = Ime().composing ? Ime().target : Target();
  if (!FromHandleQuiet(target)) return;
  ActiveBackend().SetTextInputRect(CompositionPlace(target));
}

void ImeEditing(const std::u16string& text, int cursor) {
  ImeState& ime = Ime();
  if (text.empty() && !ime.composing) return;
  HWND target = ime.composing ? ime.target : Target();
  if (!FromHandleQuiet(target)) return;
  if (!ime.composing) Begin(target);
  if (!FromHandleQuiet(target)) return;
  ime.composition = text;
  ime.cursor = std::clamp(cursor, 0, static_cast<int>(text.size()));
  WPARAM last = text.empty() ? 0 : text.back();
  Send(target, WM_IME_COMPOSITION, last, GCS_COMPSTR | GCS_CURSORPOS);
  // Cancelled (everything deleted): the composition ends with nothing committed.
  if (text.empty()) End();
}

void ImeCommit(const std::u16string& text) {
  ImeState& ime = Ime();
  HWND target = ime.composing ? ime.target : Target();
  if (!FromHandleQuiet(target) || text.empty()) return;
  if (!ime.composing) Begin(target);
  if (!FromHandleQuiet(target)) return;
  ime.composition.clear();
  ime.result = text;
  Send(target, WM_IME_COMPOSITION, text.front(), GCS_RESULTSTR);
  End();
}

void ResetIme() {
  ImeState& ime = Ime();
  if (IsWindow(ime.window)) DestroyWindow(ime.window);
  ime = ImeState{};
}

// DefWindowProc's part.
LRESULT DefImeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_IME_STARTCOMPOSITION:
      return 0;
    case WM_IME_COMPOSITION:
      if (lParam & GCS_RESULTSTR) {
        // The committed text reaches the window as characters.
        for (char16_t c : Ime().result) PostMessage(hwnd, WM_IME_CHAR, c, 1);
      }
      if (lParam & GCS_COMPSTR) ShowCompositionWindow(hwnd);
      if (lParam & GCS_RESULTSTR) HideCompositionWindow();
      return 0;
    case WM_IME_ENDCOMPOSITION:
      HideCompositionWindow();
      return 0;
    case WM_IME_CHAR:
      PostMessage(hwnd, WM_CHAR, wParam, lParam);
      return 0;
  }
  return 0;
}

}  // namespace pv::wm

using namespace pv::wm;

HIMC ImmGetContext(HWND hwnd) { return FromHandle(hwnd) ? Context() : nullptr; }
BOOL ImmReleaseContext(HWND, HIMC himc) { return himc == Context() ? TRUE : FALSE; }

LONG ImmGetCompositionStringW(HIMC himc, DWORD index, LPVOID buffer, DWORD bufferLength) {
  if (himc != Context()) return IMM_ERROR_GENERAL;
  ImeState& ime = Ime();
  const std::u16string* s = nullptr;
  switch (index) {
    case GCS_COMPSTR:
      s = &ime.composition;
      break;
    case GCS_RESULTSTR:
      s = &ime.result;
      break;
    case GCS_CURSORPOS:
      return ime.cursor;
    default:
      return IMM_ERROR_GENERAL;
  }
  LONG bytes = static_cast<LONG>(s->size() * sizeof(char16_t));
  if (bufferLength == 0 || !buffer) return bytes;
  LONG n = std::min<LONG>(bytes, static_cast<LONG>(bufferLength) & ~1L);
  std::memcpy(buffer, s->data(), static_cast<size_t>(n));
  return n;
}

BOOL ImmSetCompositionWindow(HIMC himc, LPCOMPOSITIONFORM form) {
  if (himc != Context() || !form) return FALSE;
  Ime().form = *form;
  Ime().formOwner = Target();
  PlaceCandidates();
  return TRUE;
}

BOOL ImmGetCompositionWindow(HIMC himc, LPCOMPOSITIONFORM form) {
  if (himc != Context() || !form) return FALSE;
  *form = Ime().form;
  return TRUE;
}
