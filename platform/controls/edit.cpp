// The edit control: single and multi-line text with selection, caret,
// clipboard, one-level undo and limits.
//
// Notifications: every user operation that changes the text (typing, a
// deletion, cut, paste, clear, undo, EM_REPLACESEL) sends EN_UPDATE then
// EN_CHANGE once; an operation that changes nothing sends neither.
// WM_SETTEXT always sends both (even for the same text). Text refused by
// the limit sends EN_MAXTEXT.
#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>

#include "platform/base/globalmem.h"
#include "platform/controls/ctl_internal.h"

namespace pv::controls {
namespace {

constexpr UINT kDefaultLimit = 32767;  // what a user may type before EM_LIMITTEXT

struct EditState {
  std::u16string text;
  size_t anchor = 0, caret = 0;
  UINT limit = kDefaultLimit;
  bool modified = false;
  // One-level undo: the text and selection before the last operation.
  bool canUndo = false;
  std::u16string undoText;
  size_t undoAnchor = 0, undoCaret = 0;
  bool typing = false;  // consecutive typed characters join one undo step
  HFONT font = nullptr;
  int leftMargin = 1, rightMargin = 1;
  int scrollX = 0;    // single-line horizontal scroll in pixels
  int firstLine = 0;  // multi-line first visible line
  WCHAR password = 0;
  std::u16string cue;
  bool focused = false;
  bool selecting = false;  // mouse drag in progress
};

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }
bool Multi(HWND h) { return (Style(h) & ES_MULTILINE) != 0; }
size_t SelMin(const EditState* s) { return std::min(s->anchor, s->caret); }
size_t SelMax(const EditState* s) { return std::max(s->anchor, s->caret); }

// Line starts (multi-line): lines break after "\r\n" (and a lone '\n').
std::vector<size_t> LineStarts(const std::u16string& t) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') {
      starts.push_back(i + 2);
      ++i;
    } else if (t[i] == u'\n') {
      starts.push_back(i + 1);
    }
  }
  return starts;
}
size_t LineOf(const std::vector<size_t>& starts, size_t pos) {
  auto it = std::upper_bound(starts.begin(), starts.end(), pos);
  return static_cast<size_t>(it - starts.begin()) - 1;
}
size_t LineEnd(const std::u16string& t, const std::vector<size_t>& starts, size_t line) {
  size_t end = line + 1 < starts.size() ? starts[line + 1] : t.size();
  while (end > starts[line] && (t[end - 1] == u'\n' || t[end - 1] == u'\r')) --end;
  return end;
}

std::u16string Shown(const EditState* s, HWND h, std::u16string_view t) {
  if ((Style(h) & ES_PASSWORD) && !Multi(h)) return std::u16string(t.size(), s->password ? s->password : u'*');
  return std::u16string(t);
}

struct Dc {
  HDC dc;
  HGDIOBJ old;
  HWND h;
  Dc(HWND hwnd, EditState* s) : dc(::GetDC(hwnd)), h(hwnd) { old = ::SelectObject(dc, FontOr(s->font)); }
  ~Dc() {
    ::SelectObject(dc, old);
    ::ReleaseDC(h, dc);
  }
};

int Width(HDC dc, std::u16string_view t) {
  if (t.empty()) return 0;
  SIZE sz{};
  ::GetTextExtentPoint32(dc, t.data(), static_cast<int>(t.size()), &sz);
  return sz.cx;
}
int LineHeight(HDC dc) {
  TEXTMETRICW tm{};
  ::GetTextMetrics(dc, &tm);
  return tm.tmHeight;
}

// Where a line's text starts horizontally (alignment applied), client coordinates.
int LineX(HWND h, EditState* s, HDC dc, std::u16string_view shown) {
  RECT rc;
  ::GetClientRect(h, &rc);
  int avail = rc.right - s->leftMargin - s->rightMargin;
  int w = Width(dc, shown);
  DWORD align = Style(h) & (ES_CENTER | ES_RIGHT);
  int x = s->leftMargin;
  if (w < avail) {
    if (align == ES_RIGHT) x += avail - w;
    else if (align == ES_CENTER) x += (avail - w) / 2;
  }
  return x - (Multi(h) ? 0 : s->scrollX);
}

POINT PosFromChar(HWND h, EditState* s, size_t pos) {
  Dc d(h, s);
  if (!Multi(h)) {
    std::u16string shown = Shown(s, h, s->text);
    return POINT{LineX(h, s, d.dc, shown) + Width(d.dc, std::u16string_view(shown).substr(0, pos)), 1};
  }
  auto starts = LineStarts(s->text);
  size_t line = LineOf(starts, pos);
  size_t end = LineEnd(s->text, starts, line);
  std::u16string_view whole = std::u16string_view(s->text).substr(starts[line], end - starts[line]);
  size_t within = std::min(pos, end) - starts[line];
  return POINT{LineX(h, s, d.dc, whole) + Width(d.dc, whole.substr(0, within)),
               (static_cast<int>(line) - s->firstLine) * LineHeight(d.dc)};
}

// Nearest character boundary to a client point.
size_t CharFromPos(HWND h, EditState* s, int x, int y) {
  Dc d(h, s);
  size_t from = 0, to = s->text.size();
  std::u16string shown;
  if (Multi(h)) {
    auto starts = LineStarts(s->text);
    int lh = std::max(1, LineHeight(d.dc));
    int line = s->firstLine + (y < 0 ? -1 : y / lh);
    line = std::clamp(line, 0, static_cast<int>(starts.size()) - 1);
    from = starts[static_cast<size_t>(line)];
    to = LineEnd(s->text, starts, static_cast<size_t>(line));
    shown = s->text.substr(from, to - from);
  } else {
    shown = Shown(s, h, s->text);
  }
  int x0 = LineX(h, s, d.dc, shown);
  size_t best = 0;
  int prev = 0;
  for (size_t i = 1; i <= shown.size(); ++i) {
    int w = Width(d.dc, std::u16string_view(shown).substr(0, i));
    if (x - x0 >= (prev + w + 1) / 2) best = i;
    else break;
    prev = w;
  }
  return from + best;
}

void ScrollCaretIntoView(HWND h, EditState* s) {
  RECT rc;
  ::GetClientRect(h, &rc);
  if (!Multi(h)) {
    if (!(Style(h) & ES_AUTOHSCROLL)) {
      s->scrollX = 0;
      return;
    }
    POINT p = PosFromChar(h, s, s->caret);
    int right = rc.right - s->rightMargin;
    int old = s->scrollX;
    if (p.x > right) s->scrollX += p.x - right + (right - s->leftMargin) / 4;
    else if (p.x < s->leftMargin)
      s->scrollX = std::max(0, s->scrollX - (s->leftMargin - p.x) - (right - s->leftMargin) / 4);
    if (old != s->scrollX) NotifyParent(h, EN_HSCROLL);
    return;
  }
  Dc d(h, s);
  int lh = std::max(1, LineHeight(d.dc));
  int rows = std::max(1, static_cast<int>(rc.bottom) / lh);
  auto starts = LineStarts(s->text);
  int line = static_cast<int>(LineOf(starts, s->caret));
  int old = s->firstLine;
  if (line < s->firstLine) s->firstLine = line;
  else if (line >= s->firstLine + rows) s->firstLine = line - rows + 1;
  if (old != s->firstLine) NotifyParent(h, EN_VSCROLL);
}

void Changed(HWND h, EditState* s) {
  s->modified = true;
  ScrollCaretIntoView(h, s);
  NotifyParent(h, EN_UPDATE);
  ::InvalidateRect(h, nullptr, TRUE);
  NotifyParent(h, EN_CHANGE);
}

void SaveUndo(EditState* s) {
  s->canUndo = true;
  s->undoText = s->text;
  s->undoAnchor = s->anchor;
  s->undoCaret = s->caret;
}

// Adjusts typed or pasted text for the styles; false when ES_NUMBER refuses it.
bool Filter(HWND h, std::u16string& t) {
  DWORD st = Style(h);
  for (auto& c : t) {
    if (st & ES_UPPERCASE) c = static_cast<char16_t>(std::towupper(c));
    else if (st & ES_LOWERCASE) c = static_cast<char16_t>(std::towlower(c));
  }
  if (st & ES_NUMBER)
    for (char16_t c : t)
      if (c < u'0' || c > u'9') return false;
  if (!(st & ES_MULTILINE)) {
    // A single line keeps the text up to the first line break.
    size_t cut = t.find_first_of(u"\r\n");
    if (cut != std::u16string::npos) t.resize(cut);
  }
  return true;
}

// Replaces the selection with text from the user. Returns whether anything changed.
bool Replace(HWND h, EditState* s, std::u16string t, bool undoable, bool limited, bool typing = false) {
  size_t a = SelMin(s), b = SelMax(s);
  if (limited) {
    size_t room = s->limit - std::min<size_t>(s->limit, s->text.size() - (b - a));
    if (t.size() > room) {
      t.resize(room);
      NotifyParent(h, EN_MAXTEXT);
    }
  }
  if (t.empty() && a == b) return false;
  if (undoable && !(typing && s->typing)) SaveUndo(s);
  s->typing = typing;
  s->text.replace(a, b - a, t);
  s->anchor = s->caret = a + t.size();
  Changed(h, s);
  return true;
}

std::u16string SelText(EditState* s) { return s->text.substr(SelMin(s), SelMax(s) - SelMin(s)); }

void Copy(HWND h, EditState* s) {
  if ((Style(h) & ES_PASSWORD) || s->anchor == s->caret) return;
  std::u16string t = SelText(s);
  if (!::OpenClipboard(h)) return;
  ::EmptyClipboard();
  HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (t.size() + 1) * sizeof(char16_t));
  if (mem) {
    auto* p = static_cast<char16_t*>(::GlobalLock(mem));
    std::copy(t.begin(), t.end(), p);
    p[t.size()] = 0;
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
  }
  ::CloseClipboard();
}

std::u16string ClipboardText(HWND h) {
  std::u16string t;
  if (!::OpenClipboard(h)) return t;
  if (HANDLE mem = ::GetClipboardData(CF_UNICODETEXT)) {
    auto* p = static_cast<const char16_t*>(::GlobalLock(mem));
    if (p) t = p;
    ::GlobalUnlock(mem);
  }
  ::CloseClipboard();
  return t;
}

bool ReadOnly(HWND h) { return (Style(h) & ES_READONLY) != 0; }

void Paste(HWND h, EditState* s) {
  if (ReadOnly(h)) return;
  std::u16string t = ClipboardText(h);
  if (!Filter(h, t)) {
    ::MessageBeep(0);
    return;
  }
  Replace(h, s, t, true, true);
}

void Clear(HWND h, EditState* s) {
  if (ReadOnly(h) || s->anchor == s->caret) return;
  Replace(h, s, u"", true, false);
}

bool Undo(HWND h, EditState* s) {
  if (!s->canUndo || ReadOnly(h)) return false;
  std::u16string t = s->text;
  size_t a = s->anchor, c = s->caret;
  s->text = s->undoText;
  s->anchor = s->undoAnchor;
  s->caret = s->undoCaret;
  // Undoing again redoes.
  s->undoText = t;
  s->undoAnchor = a;
  s->undoCaret = c;
  s->typing = false;
  Changed(h, s);
  return true;
}

void SetSel(HWND h, EditState* s, long start, long end) {
  size_t n = s->text.size();
  if (start == -1) {
    s->anchor = s->caret;  // removes the selection, the caret stays
  } else {
    size_t e = end < 0 ? n : std::min<size_t>(static_cast<size_t>(end), n);
    s->anchor = std::min<size_t>(static_cast<size_t>(start), n);
    s->caret = e;
  }
  s->typing = false;
  ScrollCaretIntoView(h, s);
  ::InvalidateRect(h, nullptr, TRUE);
}

bool IsWordChar(char16_t c) { return std::iswalnum(c) || c == u'_'; }
size_t WordLeft(const std::u16string& t, size_t p) {
  while (p > 0 && !IsWordChar(t[p - 1])) --p;
  while (p > 0 && IsWordChar(t[p - 1])) --p;
  return p;
}
size_t WordRight(const std::u16string& t, size_t p) {
  while (p < t.size() && IsWordChar(t[p])) ++p;
  while (p < t.size() && !IsWordChar(t[p])) ++p;
  return p;
}

void MoveCaret(HWND h, EditState* s, size_t to, bool extend) {
  s->caret = to;
  if (!extend) s->anchor = to;
  s->typing = false;
  ScrollCaretIntoView(h, s);
  ::InvalidateRect(h, nullptr, TRUE);
}

void KeyDown(HWND h, EditState* s, UINT vk) {
  bool shift = ::GetKeyState(VK_SHIFT) < 0, ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const auto& t = s->text;
  bool multi = Multi(h);
  switch (vk) {
    case VK_LEFT:
      if (!shift && s->anchor != s->caret) return MoveCaret(h, s, SelMin(s), false);
      if (ctrl) return MoveCaret(h, s, WordLeft(t, s->caret), shift);
      if (s->caret == 0) return MoveCaret(h, s, 0, shift);
      return MoveCaret(
          h, s, s->caret - ((s->caret >= 2 && t[s->caret - 1] == u'\n' && t[s->caret - 2] == u'\r') ? 2 : 1), shift);
    case VK_RIGHT:
      if (!shift && s->anchor != s->caret) return MoveCaret(h, s, SelMax(s), false);
      if (ctrl) return MoveCaret(h, s, WordRight(t, s->caret), shift);
      if (s->caret >= t.size()) return MoveCaret(h, s, t.size(), shift);
      return MoveCaret(
          h, s, s->caret + ((t[s->caret] == u'\r' && s->caret + 1 < t.size() && t[s->caret + 1] == u'\n') ? 2 : 1),
          shift);
    case VK_HOME:
    case VK_END: {
      if (!multi || ctrl) return MoveCaret(h, s, vk == VK_HOME ? 0 : t.size(), shift);
      auto starts = LineStarts(t);
      size_t line = LineOf(starts, s->caret);
      return MoveCaret(h, s, vk == VK_HOME ? starts[line] : LineEnd(t, starts, line), shift);
    }
    case VK_UP:
    case VK_DOWN: {
      if (!multi) return KeyDown(h, s, vk == VK_UP ? VK_LEFT : VK_RIGHT);
      auto starts = LineStarts(t);
      size_t line = LineOf(starts, s->caret);
      if ((vk == VK_UP && line == 0) || (vk == VK_DOWN && line + 1 >= starts.size())) return;
      POINT p = PosFromChar(h, s, s->caret);
      Dc d(h, s);
      int lh = LineHeight(d.dc);
      return MoveCaret(h, s, CharFromPos(h, s, p.x, p.y + (vk == VK_UP ? -lh : lh) + lh / 2), shift);
    }
    case VK_DELETE:
      if (ReadOnly(h)) return;
      if (shift && s->anchor != s->caret) {  // Shift+Delete cuts
        Copy(h, s);
        Clear(h, s);
        return;
      }
      if (s->anchor == s->caret) {
        if (s->caret >= t.size()) return;
        size_t n = (t[s->caret] == u'\r' && s->caret + 1 < t.size() && t[s->caret + 1] == u'\n') ? 2 : 1;
        s->anchor = s->caret + n;
      }
      Replace(h, s, u"", true, false);
      return;
    case VK_INSERT:
      if (ctrl) Copy(h, s);
      else if (shift) Paste(h, s);
      return;
    default:
      return;
  }
}

void CharIn(HWND h, EditState* s, WCHAR ch) {
  switch (ch) {
    case 0x01:  // Ctrl+A
      SetSel(h, s, 0, -1);
      return;
    case 0x03:  // Ctrl+C
      Copy(h, s);
      return;
    case 0x16:  // Ctrl+V
      Paste(h, s);
      return;
    case 0x18:  // Ctrl+X
      if (ReadOnly(h) || (Style(h) & ES_PASSWORD)) return;
      Copy(h, s);
      Clear(h, s);
      return;
    case 0x1A:  // Ctrl+Z
      Undo(h, s);
      return;
    case 0x08:  // Backspace
      if (ReadOnly(h)) return;
      if (s->anchor == s->caret) {
        if (s->caret == 0) return;
        size_t n = (s->caret >= 2 && s->text[s->caret - 1] == u'\n' && s->text[s->caret - 2] == u'\r') ? 2 : 1;
        s->anchor = s->caret - n;
      }
      Replace(h, s, u"", true, false);
      return;
    default:
      break;
  }
  std::u16string t;
  if (ch == u'\r' || ch == u'\n') {
    if (!Multi(h)) return;
    t = u"\r\n";
  } else if (ch == u'\t') {
    if (!Multi(h)) return;
    t = u"\t";
  } else if (ch < 0x20) {
    return;
  } else {
    t.assign(1, ch);
  }
  if (ReadOnly(h)) {
    ::MessageBeep(0);
    return;
  }
  if (t != u"\r\n" && !Filter(h, t)) {
    ::MessageBeep(0);
    return;
  }
  Replace(h, s, t, true, true, true);
}

void Paint(HWND h, EditState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  bool grey = ReadOnly(h) || !::IsWindowEnabled(h);
  HWND parent = ::GetParent(h);
  ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(h) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  ::SetBkColor(dc, ::GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
  HBRUSH br = nullptr;
  if (parent)
    br = reinterpret_cast<HBRUSH>(::SendMessage(parent, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
  if (!br) br = ::GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW);
  ::FillRect(dc, &rc, br);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  int lh = LineHeight(dc);
  COLORREF text = ::GetTextColor(dc);
  auto drawRun = [&](int x, int y, std::u16string_view line, size_t lineStart) {
    // Selected part drawn inverted (kept when unfocused only with ES_NOHIDESEL).
    size_t a = SelMin(s), b = SelMax(s);
    bool showSel = a != b && (s->focused || (Style(h) & ES_NOHIDESEL));
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOut(dc, x, y, line.data(), static_cast<int>(line.size()));
    if (!showSel) return;
    size_t la = std::clamp(a, lineStart, lineStart + line.size()) - lineStart;
    size_t lb = std::clamp(b, lineStart, lineStart + line.size()) - lineStart;
    if (la == lb) return;
    int xa = x + Width(dc, line.substr(0, la)), xb = x + Width(dc, line.substr(0, lb));
    RECT sel{xa, y, xb, y + lh};
    ::FillRect(dc, &sel, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    ::TextOut(dc, xa, y, line.data() + la, static_cast<int>(lb - la));
    ::SetTextColor(dc, text);
  };
  if (s->text.empty() && !s->focused && !s->cue.empty()) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOut(dc, s->leftMargin, Multi(h) ? 0 : 1, s->cue.data(), static_cast<int>(s->cue.size()));
  } else if (!Multi(h)) {
    std::u16string shown = Shown(s, h, s->text);
    drawRun(LineX(h, s, dc, shown), 1, shown, 0);
  } else {
    auto starts = LineStarts(s->text);
    for (size_t line = static_cast<size_t>(s->firstLine); line < starts.size(); ++line) {
      int y = (static_cast<int>(line) - s->firstLine) * lh;
      if (y >= rc.bottom) break;
      size_t end = LineEnd(s->text, starts, line);
      std::u16string_view v = std::u16string_view(s->text).substr(starts[line], end - starts[line]);
      drawRun(LineX(h, s, dc, v), y, v, starts[line]);
    }
  }
  ::SelectObject(dc, old);
  ::EndPaint(h, &ps);
}

void PlaceCaret(HWND h, EditState* s) {
  if (!s->focused) return;
  POINT p = PosFromChar(h, s, s->caret);
  ::SetCaretPos(p.x, p.y);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<EditState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE: {
      auto* st = new EditState;
      SetState(h, st);
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        st->text = cs->lpszName;
        if (!(cs->style & ES_MULTILINE)) Filter(h, st->text);
      }
      if (cs->style & ES_PASSWORD) st->password = u'*';
      if (cs->style & ES_MULTILINE) st->limit = kDefaultLimit;
      return ::DefWindowProc(h, msg, wp, lp);
    }
    case WM_NCDESTROY:
      SetState<EditState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (Multi(h)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT: {
      std::u16string t = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
      if (!Multi(h)) Filter(h, t);
      s->text = t;
      s->anchor = s->caret = 0;
      s->scrollX = 0;
      s->firstLine = 0;
      s->canUndo = false;
      s->typing = false;
      s->modified = false;
      ::DefWindowProc(h, msg, wp, reinterpret_cast<LPARAM>(s->text.c_str()));
      NotifyParent(h, EN_UPDATE);
      ::InvalidateRect(h, nullptr, TRUE);
      NotifyParent(h, EN_CHANGE);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      size_t n = std::min<size_t>(s->text.size(), wp - 1);
      auto* out = reinterpret_cast<LPWSTR>(lp);
      std::copy_n(s->text.begin(), n, out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(s->text.size());
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_PAINT:
      Paint(h, s);
      PlaceCaret(h, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS: {
      s->focused = true;
      Dc d(h, s);
      ::CreateCaret(h, nullptr, 1, LineHeight(d.dc));
      PlaceCaret(h, s);
      ::ShowCaret(h);
      ::InvalidateRect(h, nullptr, TRUE);
      NotifyParent(h, EN_SETFOCUS);
      return 0;
    }
    case WM_KILLFOCUS:
      s->focused = false;
      s->selecting = false;
      ::DestroyCaret();
      ::InvalidateRect(h, nullptr, TRUE);
      NotifyParent(h, EN_KILLFOCUS);
      return 0;
    case WM_CHAR:
      CharIn(h, s, static_cast<WCHAR>(wp));
      PlaceCaret(h, s);
      return 0;
    case WM_KEYDOWN:
      KeyDown(h, s, static_cast<UINT>(wp));
      PlaceCaret(h, s);
      return 0;
    case WM_LBUTTONDOWN: {
      if (::GetFocus() != h) ::SetFocus(h);
      size_t pos = CharFromPos(h, s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      MoveCaret(h, s, pos, (wp & MK_SHIFT) != 0);
      s->selecting = true;
      ::SetCapture(h);
      PlaceCaret(h, s);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      size_t pos = CharFromPos(h, s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      size_t a = pos, b = pos;
      while (a > 0 && IsWordChar(s->text[a - 1])) --a;
      while (b < s->text.size() && IsWordChar(s->text[b])) ++b;
      s->anchor = a;
      s->caret = b;
      ::InvalidateRect(h, nullptr, TRUE);
      PlaceCaret(h, s);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->selecting && ::GetCapture() == h) {
        MoveCaret(h, s, CharFromPos(h, s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), true);
        PlaceCaret(h, s);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->selecting) {
        s->selecting = false;
        if (::GetCapture() == h) ::ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      s->selecting = false;
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        ::SetCursor(::LoadCursor(nullptr, IDC_IBEAM));
        return TRUE;
      }
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_CUT:
      if (!(Style(h) & ES_PASSWORD) && !ReadOnly(h)) {
        Copy(h, s);
        Clear(h, s);
      }
      return 0;
    case WM_COPY:
      Copy(h, s);
      return 0;
    case WM_PASTE:
      Paste(h, s);
      return 0;
    case WM_CLEAR:
      Clear(h, s);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return Undo(h, s);
    case EM_CANUNDO:
      return s->canUndo;
    case EM_EMPTYUNDOBUFFER:
      s->canUndo = false;
      s->typing = false;
      return 0;
    case EM_GETSEL: {
      DWORD a = static_cast<DWORD>(SelMin(s)), b = static_cast<DWORD>(SelMax(s));
      if (wp) *reinterpret_cast<DWORD*>(wp) = a;
      if (lp) *reinterpret_cast<DWORD*>(lp) = b;
      return MAKELONG(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_SETSEL:
      SetSel(h, s, static_cast<long>(static_cast<int>(wp)), static_cast<long>(static_cast<int>(lp)));
      PlaceCaret(h, s);
      return 0;
    case EM_REPLACESEL: {
      std::u16string t = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
      if (!Multi(h)) Filter(h, t);
      bool undoable = wp != 0;
      if (!undoable) s->canUndo = false;
      Replace(h, s, t, undoable, false);
      PlaceCaret(h, s);
      return 0;
    }
    case EM_LIMITTEXT:
      s->limit = wp ? static_cast<UINT>(wp) : (Multi(h) ? 0xFFFFFFFFu : 0x7FFFFFFEu);
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(s->limit);
    case EM_GETMODIFY:
      return s->modified;
    case EM_SETMODIFY:
      s->modified = wp != 0;
      return 0;
    case EM_SETREADONLY: {
      DWORD st = Style(h);
      ::SetWindowLong(h, GWL_STYLE,
                      static_cast<LONG>(wp ? (st | ES_READONLY) : (st & ~static_cast<DWORD>(ES_READONLY))));
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      s->password = static_cast<WCHAR>(wp);
      DWORD st = Style(h);
      ::SetWindowLong(h, GWL_STYLE,
                      static_cast<LONG>(wp ? (st | ES_PASSWORD) : (st & ~static_cast<DWORD>(ES_PASSWORD))));
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return s->password;
    case EM_SETMARGINS:
      if (wp & EC_LEFTMARGIN) s->leftMargin = LOWORD(lp) == EC_USEFONTINFO ? 1 : LOWORD(lp);
      if (wp & EC_RIGHTMARGIN) s->rightMargin = HIWORD(lp) == EC_USEFONTINFO ? 1 : HIWORD(lp);
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case EM_GETMARGINS:
      return MAKELONG(s->leftMargin, s->rightMargin);
    case EM_SETCUEBANNER:
      s->cue = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case EM_GETCUEBANNER: {
      if (!wp || lp <= 0) return FALSE;
      auto* out = reinterpret_cast<LPWSTR>(wp);
      size_t n = std::min<size_t>(s->cue.size(), static_cast<size_t>(lp) - 1);
      std::copy_n(s->cue.begin(), n, out);
      out[n] = 0;
      return TRUE;
    }
    case EM_GETLINECOUNT:
      return Multi(h) ? static_cast<LRESULT>(LineStarts(s->text).size()) : 1;
    case EM_LINEINDEX: {
      if (!Multi(h)) return 0;
      auto starts = LineStarts(s->text);
      long line = static_cast<long>(static_cast<int>(wp));
      if (line < 0) line = static_cast<long>(LineOf(starts, s->caret));
      if (static_cast<size_t>(line) >= starts.size()) return -1;
      return static_cast<LRESULT>(starts[static_cast<size_t>(line)]);
    }
    case EM_LINEFROMCHAR: {
      if (!Multi(h)) return 0;
      auto starts = LineStarts(s->text);
      long pos = static_cast<long>(static_cast<int>(wp));
      size_t p = pos < 0 ? SelMin(s) : std::min<size_t>(static_cast<size_t>(pos), s->text.size());
      return static_cast<LRESULT>(LineOf(starts, p));
    }
    case EM_LINELENGTH: {
      long pos = static_cast<long>(static_cast<int>(wp));
      if (!Multi(h)) return static_cast<LRESULT>(s->text.size());
      auto starts = LineStarts(s->text);
      size_t p = pos < 0 ? s->caret : std::min<size_t>(static_cast<size_t>(pos), s->text.size());
      size_t line = LineOf(starts, p);
      return static_cast<LRESULT>(LineEnd(s->text, starts, line) - starts[line]);
    }
    case EM_GETLINE: {
      // The buffer's first WORD holds its size; the line is not terminated.
      auto* out = reinterpret_cast<LPWSTR>(lp);
      if (!out) return 0;
      size_t cap = static_cast<WORD>(out[0]);
      auto starts = LineStarts(s->text);
      size_t line = Multi(h) ? static_cast<size_t>(wp) : 0;
      if (line >= starts.size()) return 0;
      size_t end = LineEnd(s->text, starts, line);
      size_t n = std::min(cap, end - starts[line]);
      std::copy_n(s->text.begin() + static_cast<long>(starts[line]), n, out);
      return static_cast<LRESULT>(n);
    }
    case EM_GETFIRSTVISIBLELINE:
      return Multi(h) ? s->firstLine : 0;
    case EM_LINESCROLL:
    case EM_SCROLL: {
      if (!Multi(h)) return 0;
      int lines = static_cast<int>(LineStarts(s->text).size());
      int delta = static_cast<int>(lp);
      if (msg == EM_SCROLL) {
        delta = wp == SB_LINEDOWN ? 1 : wp == SB_LINEUP ? -1 : wp == SB_PAGEDOWN ? 10 : wp == SB_PAGEUP ? -10 : 0;
      }
      int old = s->firstLine;
      s->firstLine = std::clamp(s->firstLine + delta, 0, std::max(0, lines - 1));
      if (old != s->firstLine) {
        ::InvalidateRect(h, nullptr, TRUE);
        NotifyParent(h, EN_VSCROLL);
      }
      return msg == EM_SCROLL ? MAKELONG(s->firstLine - old, TRUE) : TRUE;
    }
    case EM_SCROLLCARET:
      ScrollCaretIntoView(h, s);
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case EM_POSFROMCHAR: {
      if (wp > s->text.size()) return -1;
      POINT p = PosFromChar(h, s, wp);
      return MAKELONG(p.x, p.y);
    }
    case EM_CHARFROMPOS: {
      size_t pos = CharFromPos(h, s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      size_t line = Multi(h) ? LineOf(LineStarts(s->text), pos) : 0;
      return MAKELONG(pos, line);
    }
    case EM_GETRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      ::GetClientRect(h, r);
      r->left += s->leftMargin;
      r->right -= s->rightMargin;
      return 0;
    }
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
