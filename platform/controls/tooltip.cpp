// The tooltip control. Tools are window rectangles or whole windows; the
// control learns where the mouse is from TTM_RELAYEVENT (or by subclassing
// the tool window with TTF_SUBCLASS). Delays run on timers, so tests move
// them with the fake clock: a tip shows after the initial delay, hides after
// the auto-pop delay, and moving to another tool while one shows uses the
// (shorter) reshow delay.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/controls/ctl_internal.h"
#include "platform/system/resources.h"

namespace pv::controls {
namespace {

constexpr UINT_PTR kShowTimer = 1, kPopTimer = 2;
constexpr int kMarginDefault = 0;  // extra space inside the tip beyond its border padding

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  HINSTANCE hinst = nullptr;
  std::u16string text;
  bool callback = false;
  UINT resId = 0;
  LPARAM lParam = 0;
};

struct TipState {
  std::vector<Tool> tools;
  bool active = true;
  int current = -1;  // the tool under the mouse
  int shown = -1;    // the tool whose tip is showing
  bool tracking = false;
  bool suppressed = false;  // a click hid the tip until the mouse finds another tool
  POINT trackPos{};
  int delays[4] = {-1, -1, -1, -1};  // TTDT_*: -1 is the default
  int maxWidth = -1;
  std::u16string title;
  COLORREF bk = CLR_NONE, fg = CLR_NONE;
  HFONT font = nullptr;
  std::u16string shownText;
  RECT margin{kMarginDefault, kMarginDefault, kMarginDefault, kMarginDefault};
};

// Windows subclassed for TTF_SUBCLASS tools: their old procedure and tips.
struct Subclass {
  WNDPROC old = nullptr;
  std::vector<HWND> tips;
};
std::map<HWND, Subclass>& Subclasses() {
  static std::map<HWND, Subclass> m;
  return m;
}

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }

int Delay(TipState* s, int which) {
  if (s->delays[which] >= 0) return s->delays[which];
  int initial = s->delays[TTDT_INITIAL] >= 0 ? s->delays[TTDT_INITIAL] : static_cast<int>(::GetDoubleClickTime());
  switch (which) {
    case TTDT_AUTOPOP:
      return initial * 10;
    case TTDT_RESHOW:
      return initial / 5;
    default:
      return initial;
  }
}

int FindTool(TipState* s, HWND hwnd, UINT_PTR id) {
  for (size_t i = 0; i < s->tools.size(); ++i)
    if (s->tools[i].hwnd == hwnd && s->tools[i].id == id) return static_cast<int>(i);
  return -1;
}

bool SizeOk(const TOOLINFOW* ti) { return ti && ti->cbSize >= TTTOOLINFOW_V1_SIZE; }

// The tool under a point of a window's client area.
int ToolAt(TipState* s, HWND hwnd, POINT pt) {
  for (size_t i = 0; i < s->tools.size(); ++i) {
    const Tool& t = s->tools[i];
    if (t.flags & TTF_TRACK) continue;
    if (t.flags & TTF_IDISHWND) {
      if (reinterpret_cast<HWND>(t.id) == hwnd) return static_cast<int>(i);
    } else if (t.hwnd == hwnd && ::PtInRect(&t.rect, pt)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void SendTipNotify(Tool& t, UINT code, NMHDR* hdr, HWND tip) {
  hdr->hwndFrom = tip;
  hdr->idFrom = t.id;
  hdr->code = code;
  if (t.hwnd) ::SendMessage(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(hdr));
}

std::u16string TextOf(HWND tip, TipState* s, int i) {
  Tool& t = s->tools[static_cast<size_t>(i)];
  if (t.resId) {
    WCHAR buf[512] = {};
    ::LoadString(t.hinst, t.resId, buf, 512);
    return buf;
  }
  if (!t.callback) return t.text;
  NMTTDISPINFOW di{};
  di.uFlags = t.flags;
  di.lParam = t.lParam;
  SendTipNotify(t, TTN_GETDISPINFO, &di.hdr, tip);
  if (i >= static_cast<int>(s->tools.size())) return u"";
  if (di.uFlags & TTF_DI_SETITEM) {
    // The answer is kept as the tool's text.
  }
  std::u16string text;
  if (di.hinst && di.lpszText && IS_INTRESOURCE(di.lpszText)) {
    WCHAR buf[512] = {};
    ::LoadString(di.hinst, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(di.lpszText)), buf, 512);
    text = buf;
  } else if (di.lpszText && di.lpszText != LPSTR_TEXTCALLBACKW) {
    text = di.lpszText;
  } else {
    text = di.szText;
  }
  if (di.uFlags & TTF_DI_SETITEM) {
    t.text = text;
    t.callback = false;
  }
  return text;
}

UINT TextFormat(HWND h, TipState* s) {
  return DT_NOPREFIX * ((Style(h) & TTS_NOPREFIX) != 0) | (s->maxWidth >= 0 ? DT_WORDBREAK : DT_SINGLELINE) |
         DT_EXPANDTABS;
}

constexpr int kMargin = 3;

SIZE Measure(HWND h, TipState* s, const std::u16string& text) {
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  RECT r{0, 0, s->maxWidth >= 0 ? s->maxWidth : 4096, 0};
  ::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, TextFormat(h, s) | DT_CALCRECT);
  int titleH = 0, titleW = 0;
  if (!s->title.empty()) {
    RECT tr{0, 0, 4096, 0};
    ::DrawText(dc, s->title.c_str(), static_cast<int>(s->title.size()), &tr, DT_SINGLELINE | DT_CALCRECT);
    titleH = tr.bottom + 2;
    titleW = tr.right;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  return SIZE{std::max<LONG>(r.right, titleW) + 2 * kMargin + 2 + s->margin.left + s->margin.right,
              r.bottom + titleH + 2 * kMargin + 2 + s->margin.top + s->margin.bottom};
}

void Hide(HWND h, TipState* s) {
  ::KillTimer(h, kPopTimer);
  if (s->shown < 0) return;
  int i = s->shown;
  s->shown = -1;
  ::ShowWindow(h, SW_HIDE);
  if (i < static_cast<int>(s->tools.size())) {
    NMHDR hdr{};
    SendTipNotify(s->tools[static_cast<size_t>(i)], TTN_POP, &hdr, h);
  }
}

void Show(HWND h, TipState* s, int i, POINT at) {
  std::u16string text = TextOf(h, s, i);
  if (!::IsWindow(h) || i >= static_cast<int>(s->tools.size())) return;
  if (text.empty()) return;  // no text, no tip
  if (s->shown >= 0 && s->shown != i) Hide(h, s);
  s->shownText = text;
  SIZE sz = Measure(h, s, text);
  NMHDR hdr{};
  s->shown = i;
  Tool& t = s->tools[static_cast<size_t>(i)];
  SendTipNotify(t, TTN_SHOW, &hdr, h);  // non-zero: the tool's window placed the tip itself
  if (!::IsWindow(h)) return;
  ::SetWindowPos(h, HWND_TOPMOST, at.x, at.y, sz.cx, sz.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(h, nullptr, TRUE);
  if (!s->tracking) ::SetTimer(h, kPopTimer, static_cast<UINT>(Delay(s, TTDT_AUTOPOP)), nullptr);
}

bool OwnerActive(HWND h, const Tool& t) {
  if (Style(h) & TTS_ALWAYSTIP) return true;
  HWND root = ::GetAncestor(t.hwnd, GA_ROOT);
  return root && ::GetActiveWindow() == root;
}

POINT TipPosition() {
  POINT p;
  ::GetCursorPos(&p);
  return POINT{p.x, p.y + 20};
}

void Relay(HWND h, TipState* s, const MSG& m) {
  if (!s->active || s->tracking) return;
  switch (m.message) {
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
      int i = ToolAt(s, m.hwnd, pt);
      if (i == s->current) return;
      s->current = i;
      s->suppressed = false;
      ::KillTimer(h, kShowTimer);
      if (i < 0 || !OwnerActive(h, s->tools[static_cast<size_t>(i)])) {
        Hide(h, s);
        return;
      }
      bool showing = s->shown >= 0;
      if (showing) {
        Hide(h, s);
        ::SetTimer(h, kShowTimer, static_cast<UINT>(std::max(1, Delay(s, TTDT_RESHOW))), nullptr);
      } else {
        ::SetTimer(h, kShowTimer, static_cast<UINT>(std::max(1, Delay(s, TTDT_INITIAL))), nullptr);
      }
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
      ::KillTimer(h, kShowTimer);
      Hide(h, s);
      s->suppressed = true;
      return;
    default:
      return;
  }
}

void StoreTool(Tool& t, const TOOLINFOW* ti, bool textToo) {
  t.flags = ti->uFlags;
  t.hwnd = ti->hwnd;
  t.id = ti->uId;
  t.rect = ti->rect;
  t.hinst = ti->hinst;
  if (ti->cbSize >= TTTOOLINFOW_V2_SIZE) t.lParam = ti->lParam;
  if (textToo) {
    t.callback = ti->lpszText == LPSTR_TEXTCALLBACKW;
    t.resId = 0;
    t.text.clear();
    if (ti->lpszText && IS_INTRESOURCE(ti->lpszText) && !t.callback && ti->hinst)
      t.resId = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(ti->lpszText));
    else if (ti->lpszText && !t.callback && !IS_INTRESOURCE(ti->lpszText)) t.text = ti->lpszText;
  }
}

void LoadTool(const Tool& t, TOOLINFOW* ti) {
  ti->uFlags = t.flags;
  ti->hwnd = t.hwnd;
  ti->uId = t.id;
  ti->rect = t.rect;
  ti->hinst = t.hinst;
  if (ti->cbSize >= TTTOOLINFOW_V2_SIZE) ti->lParam = t.lParam;
  if (ti->lpszText && !IS_INTRESOURCE(ti->lpszText) && ti->lpszText != LPSTR_TEXTCALLBACKW) {
    // The caller's buffer: as the callers use it, 80 characters.
    size_t n = std::min<size_t>(t.text.size(), 79);
    std::copy_n(t.text.begin(), n, ti->lpszText);
    ti->lpszText[n] = 0;
  }
}

LRESULT CALLBACK SubclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Subclasses().find(w);
  if (it == Subclasses().end()) return ::DefWindowProc(w, msg, wp, lp);
  WNDPROC old = it->second.old;
  if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_NCMOUSEMOVE) {
    MSG m{w, msg, wp, lp, 0, {}};
    std::vector<HWND> tips = it->second.tips;
    for (HWND tip : tips)
      if (::IsWindow(tip)) ::SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    Subclasses().erase(w);
  }
  return ::CallWindowProc(old, w, msg, wp, lp);
}

void HookTool(HWND tip, HWND w) {
  if (!w || !::IsWindow(w)) return;
  auto& sc = Subclasses()[w];
  if (!sc.old)
    sc.old = reinterpret_cast<WNDPROC>(::SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  if (std::find(sc.tips.begin(), sc.tips.end(), tip) == sc.tips.end()) sc.tips.push_back(tip);
}

void UnhookTip(HWND tip) {
  for (auto& [w, sc] : Subclasses()) std::erase(sc.tips, tip);
}

void Paint(HWND h, TipState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  HBRUSH br = ::CreateSolidBrush(s->bk == CLR_NONE ? ::GetSysColor(COLOR_INFOBK) : s->bk);
  ::FillRect(dc, &rc, br);
  ::DeleteObject(br);
  ::FrameRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOWFRAME));
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, s->fg == CLR_NONE ? ::GetSysColor(COLOR_INFOTEXT) : s->fg);
  RECT tr{rc.left + 1 + kMargin + s->margin.left, rc.top + 1 + kMargin + s->margin.top,
          rc.right - 1 - kMargin - s->margin.right, rc.bottom - 1 - kMargin - s->margin.bottom};
  if (!s->title.empty()) {
    ::DrawText(dc, s->title.c_str(), static_cast<int>(s->title.size()), &tr, DT_SINGLELINE);
    RECT m{0, 0, 0, 0};
    ::DrawText(dc, s->title.c_str(), static_cast<int>(s->title.size()), &m, DT_SINGLELINE | DT_CALCRECT);
    tr.top += m.bottom + 2;
  }
  ::DrawText(dc, s->shownText.c_str(), static_cast<int>(s->shownText.size()), &tr, TextFormat(h, s));
  ::SelectObject(dc, old);
  ::EndPaint(h, &ps);
}

}  // namespace

LRESULT CALLBACK ToolTipProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<TipState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE: {
      SetState(h, new TipState);
      // Always a pop-up with a border.
      LONG st = ::GetWindowLong(h, GWL_STYLE);
      ::SetWindowLong(h, GWL_STYLE, (st & ~WS_CHILD) | WS_POPUP);
      return ::DefWindowProc(h, msg, wp, lp);
    }
    case WM_DESTROY:
      UnhookTip(h);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<TipState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(h, s);
      return 0;
    case WM_TIMER:
      if (wp == kShowTimer) {
        ::KillTimer(h, kShowTimer);
        if (s->active && s->current >= 0 && !s->suppressed) Show(h, s, s->current, TipPosition());
        return 0;
      }
      if (wp == kPopTimer) {
        ::KillTimer(h, kPopTimer);
        Hide(h, s);
        s->suppressed = true;  // stays hidden until the mouse finds another tool
        return 0;
      }
      return 0;
    case TTM_ACTIVATE:
      s->active = wp != 0;
      if (!s->active) {
        ::KillTimer(h, kShowTimer);
        Hide(h, s);
        s->current = -1;
      }
      return 0;
    case TTM_SETDELAYTIME: {
      int v = static_cast<short>(LOWORD(lp));
      if (wp == TTDT_AUTOMATIC) {
        s->delays[TTDT_INITIAL] = v;
        s->delays[TTDT_AUTOPOP] = v < 0 ? -1 : v * 10;
        s->delays[TTDT_RESHOW] = v < 0 ? -1 : v / 5;
      } else if (wp <= TTDT_INITIAL) {
        s->delays[wp] = v;
      }
      return 0;
    }
    case TTM_GETDELAYTIME:
      return wp <= TTDT_INITIAL ? Delay(s, static_cast<int>(wp == TTDT_AUTOMATIC ? TTDT_INITIAL : wp)) : 0;
    case TTM_ADDTOOL: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return FALSE;
      if (FindTool(s, ti->hwnd, ti->uId) >= 0) return FALSE;
      Tool t;
      StoreTool(t, ti, true);
      s->tools.push_back(std::move(t));
      if (ti->uFlags & TTF_SUBCLASS)
        HookTool(h, (ti->uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(ti->uId) : ti->hwnd);
      return TRUE;
    }
    case TTM_DELTOOL: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return 0;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i < 0) return 0;
      if (s->shown == i) Hide(h, s);
      if (s->current == i) {
        s->current = -1;
        ::KillTimer(h, kShowTimer);
      }
      s->tools.erase(s->tools.begin() + i);
      if (s->shown > i) --s->shown;
      if (s->current > i) --s->current;
      return 0;
    }
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(s->tools.size());
    case TTM_GETTOOLINFO: {
      auto* ti = reinterpret_cast<TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return FALSE;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i < 0) return FALSE;
      LoadTool(s->tools[static_cast<size_t>(i)], ti);
      return TRUE;
    }
    case TTM_GETCURRENTTOOL: {
      int i = s->shown >= 0 ? s->shown : -1;
      auto* ti = reinterpret_cast<TOOLINFOW*>(lp);
      if (i < 0) return FALSE;
      if (SizeOk(ti)) LoadTool(s->tools[static_cast<size_t>(i)], ti);
      return TRUE;
    }
    case TTM_SETTOOLINFO: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return 0;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i >= 0) StoreTool(s->tools[static_cast<size_t>(i)], ti, true);
      return 0;
    }
    case TTM_NEWTOOLRECT: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return 0;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i >= 0) s->tools[static_cast<size_t>(i)].rect = ti->rect;
      return 0;
    }
    case TTM_UPDATETIPTEXT: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      if (!SizeOk(ti)) return 0;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i < 0) return 0;
      Tool& t = s->tools[static_cast<size_t>(i)];
      Tool copy = t;
      StoreTool(copy, ti, true);
      t.text = copy.text;
      t.callback = copy.callback;
      t.resId = copy.resId;
      t.hinst = ti->hinst;
      if (s->shown == i) {
        s->shownText = TextOf(h, s, i);
        RECT wr;
        ::GetWindowRect(h, &wr);
        SIZE sz = Measure(h, s, s->shownText);
        ::SetWindowPos(h, nullptr, 0, 0, sz.cx, sz.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(h, nullptr, TRUE);
      }
      return 0;
    }
    case TTM_GETTEXT: {
      auto* ti = reinterpret_cast<TOOLINFOW*>(lp);
      if (!SizeOk(ti) || !ti->lpszText) return 0;
      int i = FindTool(s, ti->hwnd, ti->uId);
      if (i < 0) {
        ti->lpszText[0] = 0;
        return 0;
      }
      std::u16string t = TextOf(h, s, i);
      size_t cap = wp ? static_cast<size_t>(wp) : 80;
      size_t n = std::min(t.size(), cap - 1);
      std::copy_n(t.begin(), n, ti->lpszText);
      ti->lpszText[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case TTM_HITTEST: {
      auto* ht = reinterpret_cast<TTHITTESTINFOW*>(lp);
      if (!ht) return FALSE;
      int i = ToolAt(s, ht->hwnd, ht->pt);
      if (i < 0) return FALSE;
      if (ht->ti.cbSize >= TTTOOLINFOW_V1_SIZE) LoadTool(s->tools[static_cast<size_t>(i)], &ht->ti);
      return TRUE;
    }
    case TTM_RELAYEVENT:
      if (lp) Relay(h, s, *reinterpret_cast<const MSG*>(lp));
      return 0;
    case TTM_WINDOWFROMPOINT:
      return lp ? reinterpret_cast<LRESULT>(::WindowFromPoint(*reinterpret_cast<const POINT*>(lp))) : 0;
    case TTM_POP:
      ::KillTimer(h, kShowTimer);
      Hide(h, s);
      return 0;
    case TTM_POPUP: {
      int i = s->current >= 0 ? s->current : (s->tools.empty() ? -1 : 0);
      if (i >= 0 && s->active) Show(h, s, i, TipPosition());
      return 0;
    }
    case TTM_UPDATE:
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case TTM_TRACKACTIVATE: {
      auto* ti = reinterpret_cast<const TOOLINFOW*>(lp);
      int i = SizeOk(ti) ? FindTool(s, ti->hwnd, ti->uId) : -1;
      if (wp && i >= 0) {
        s->tracking = true;
        Show(h, s, i, s->trackPos);
      } else {
        s->tracking = false;
        Hide(h, s);
      }
      return 0;
    }
    case TTM_TRACKPOSITION:
      s->trackPos = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (s->tracking && s->shown >= 0)
        ::SetWindowPos(h, nullptr, s->trackPos.x, s->trackPos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    case TTM_SETTIPBKCOLOR:
      s->bk = static_cast<COLORREF>(wp);
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case TTM_SETTIPTEXTCOLOR:
      s->fg = static_cast<COLORREF>(wp);
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      int old = s->maxWidth;
      s->maxWidth = static_cast<int>(lp);
      return old;
    }
    case TTM_GETMAXTIPWIDTH:
      return s->maxWidth;
    case TTM_SETTITLE:
      s->title = lp ? reinterpret_cast<LPCWSTR>(lp) : u"";
      return TRUE;
    case TTM_SETMARGIN:
      if (lp) s->margin = *reinterpret_cast<const RECT*>(lp);
      return 0;
    case TTM_GETMARGIN:
      if (lp) *reinterpret_cast<RECT*>(lp) = s->margin;
      return 0;
    case TTM_ADJUSTRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return FALSE;
      int d = kMargin + 1, sign = wp ? 1 : -1;
      r->left -= sign * (d + s->margin.left);
      r->top -= sign * (d + s->margin.top);
      r->right += sign * (d + s->margin.right);
      r->bottom += sign * (d + s->margin.bottom);
      return TRUE;
    }
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
