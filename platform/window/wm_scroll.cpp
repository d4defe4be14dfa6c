// Scroll bars of windows (WS_HSCROLL/WS_VSCROLL): their state, drawing in
// the frame and the mouse protocol (WM_HSCROLL/WM_VSCROLL with SB_*).
#include <algorithm>

#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {
namespace {

ScrollBar* Bar(Wnd* w, int bar) {
  if (bar == SB_HORZ) return &w->hscroll;
  if (bar == SB_VERT) return &w->vscroll;
  return nullptr;
}

DWORD StyleOf(int bar) { return bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL; }

int MaxPos(const ScrollBar& s) {
  int page = s.page ? static_cast<int>(s.page) - 1 : 0;
  return std::max(s.min, s.max - page);
}

// The bar's rectangle in window coordinates (empty when not shown).
RECT BarRect(Wnd* w, int bar) {
  if (!(w->style & StyleOf(bar))) return RECT{};
  RECT c = w->client;
  if (bar == SB_VERT) {
    int cx = GetSystemMetrics(SM_CXVSCROLL);
    if (w->exStyle & WS_EX_LEFTSCROLLBAR) return RECT{c.left - cx, c.top, c.left, c.bottom};
    return RECT{c.right, c.top, c.right + cx, c.bottom};
  }
  return RECT{c.left, c.bottom, c.right, c.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

struct Parts {
  RECT bar, arrow1, arrow2, thumb;
  int trackStart, trackLen, thumbLen, thumbPos;
};

Parts Layout(Wnd* w, int bar) {
  Parts p{};
  p.bar = BarRect(w, bar);
  const ScrollBar& s = *Bar(w, bar);
  bool vert = bar == SB_VERT;
  int len = vert ? p.bar.bottom - p.bar.top : p.bar.right - p.bar.left;
  int arrow = vert ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL);
  if (len < 2 * arrow) arrow = len / 2;
  p.trackStart = arrow;
  p.trackLen = std::max(0, len - 2 * arrow);
  int range = s.max - s.min + 1;
  if (range <= 0) range = 1;
  if (s.page) p.thumbLen = std::max(8, static_cast<int>(static_cast<long long>(p.trackLen) * s.page / range));
  else p.thumbLen = vert ? GetSystemMetrics(SM_CYVTHUMB) : GetSystemMetrics(SM_CXHTHUMB);
  if (p.thumbLen > p.trackLen) p.thumbLen = p.trackLen;
  int span = MaxPos(s) - s.min;
  p.thumbPos =
      p.trackStart +
      (span > 0 ? static_cast<int>(static_cast<long long>(p.trackLen - p.thumbLen) * (s.pos - s.min) / span) : 0);
  if (vert) {
    p.arrow1 = RECT{p.bar.left, p.bar.top, p.bar.right, p.bar.top + arrow};
    p.arrow2 = RECT{p.bar.left, p.bar.bottom - arrow, p.bar.right, p.bar.bottom};
    p.thumb = RECT{p.bar.left, p.bar.top + p.thumbPos, p.bar.right, p.bar.top + p.thumbPos + p.thumbLen};
  } else {
    p.arrow1 = RECT{p.bar.left, p.bar.top, p.bar.left + arrow, p.bar.bottom};
    p.arrow2 = RECT{p.bar.right - arrow, p.bar.top, p.bar.right, p.bar.bottom};
    p.thumb = RECT{p.bar.left + p.thumbPos, p.bar.top, p.bar.left + p.thumbPos + p.thumbLen, p.bar.bottom};
  }
  return p;
}

bool Scrollable(const ScrollBar& s) {
  return s.max > s.min && (s.page == 0 || static_cast<int>(s.page) <= s.max - s.min);
}

void RedrawBars(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN | RDW_NOERASE);
}

void SetBarShown(HWND hwnd, int bar, bool show) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (!w) return;
  DWORD st = StyleOf(bar);
  bool has = (w->style & st) != 0;
  if (has == show) return;
  if (show) w->style |= st;
  else w->style &= ~st;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace

void DrawWindowScrollBars(Wnd* w, HDC dc) {
  for (int bar : {SB_VERT, SB_HORZ}) {
    if (!(w->style & StyleOf(bar))) continue;
    Parts p = Layout(w, bar);
    const ScrollBar& s = *Bar(w, bar);
    bool enabled = Scrollable(s) && !(w->style & WS_DISABLED);
    bool vert = bar == SB_VERT;
    FillRect(dc, &p.bar, GetSysColorBrush(COLOR_SCROLLBAR));
    RECT a1 = p.arrow1, a2 = p.arrow2;
    UINT off1 = (!enabled || (s.disabled & ESB_DISABLE_LTUP)) ? DFCS_INACTIVE : 0;
    UINT off2 = (!enabled || (s.disabled & ESB_DISABLE_RTDN)) ? DFCS_INACTIVE : 0;
    DrawFrameControl(dc, &a1, DFC_SCROLL, (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | off1);
    DrawFrameControl(dc, &a2, DFC_SCROLL, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | off2);
    if (enabled && p.thumbLen > 0) {
      RECT t = p.thumb;
      FillRect(dc, &t, GetSysColorBrush(COLOR_3DFACE));
      DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
    }
  }
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT v = BarRect(w, SB_VERT), h = BarRect(w, SB_HORZ);
    RECT corner{v.left, h.top, v.right, h.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_3DFACE));
  }
}

LRESULT ScrollBarNcMouse(Wnd* w, UINT, WPARAM hit, POINT pt) {
  HWND hwnd = w->hwnd;
  int bar = hit == HTVSCROLL ? SB_VERT : SB_HORZ;
  UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  RECT sr = ScreenRect(w);
  POINT p{pt.x - sr.left, pt.y - sr.top};
  Parts parts = Layout(w, bar);
  const ScrollBar& s = *Bar(w, bar);
  if (!Scrollable(s)) return 0;
  auto in = [&](const RECT& r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
  bool vert = bar == SB_VERT;
  int code;
  bool thumb = false;
  if (in(parts.arrow1)) code = SB_LINEUP;
  else if (in(parts.arrow2)) code = SB_LINEDOWN;
  else if (in(parts.thumb)) {
    code = SB_THUMBTRACK;
    thumb = true;
  } else if ((vert ? p.y : p.x) < (vert ? parts.thumb.top : parts.thumb.left)) code = SB_PAGEUP;
  else code = SB_PAGEDOWN;
  const UINT_PTR kRepeat = 0xFFFA;
  SetCapture(hwnd);
  int grab = (vert ? p.y : p.x) - (vert ? parts.thumb.top : parts.thumb.left);
  int track = s.pos;
  if (!thumb) {
    SendMessage(hwnd, msg, MAKEWPARAM(code, 0), 0);
    SetTimer(hwnd, kRepeat, 400, nullptr);
  }
  for (;;) {
    MSG m;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      if (m.lParam != PV_DRY_CANCEL) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (CallMsgFilter(&m, MSGF_SCROLLBAR)) continue;
    if (!IsWindow(hwnd) || GetCapture() != hwnd) break;
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == kRepeat) {
      Wnd* ww = FromHandleQuiet(hwnd);
      if (!ww) break;
      SetTimer(hwnd, kRepeat, 50, nullptr);
      RECT now = ScreenRect(ww);
      POINT cur{Ui().input.cursorPos.x - now.left, Ui().input.cursorPos.y - now.top};
      Parts np = Layout(ww, bar);
      bool still = code == SB_LINEUP     ? PtInRect(&np.arrow1, cur)
                   : code == SB_LINEDOWN ? PtInRect(&np.arrow2, cur)
                   : code == SB_PAGEUP
                       ? (vert ? cur.y < np.thumb.top : cur.x < np.thumb.left) && PtInRect(&np.bar, cur)
                       : (vert ? cur.y >= np.thumb.bottom : cur.x >= np.thumb.right) && PtInRect(&np.bar, cur);
      if (still) SendMessage(hwnd, msg, MAKEWPARAM(code, 0), 0);
      continue;
    }
    if (m.message == WM_MOUSEMOVE && thumb) {
      Wnd* ww = FromHandleQuiet(hwnd);
      if (!ww) break;
      RECT now = ScreenRect(ww);
      int along = (vert ? m.pt.y - now.top : m.pt.x - now.left) - grab;
      Parts np = Layout(ww, bar);
      const ScrollBar& cs = *Bar(ww, bar);
      int room = np.trackLen - np.thumbLen;
      int span = MaxPos(cs) - cs.min;
      int offset = std::clamp(along - (vert ? np.bar.top : np.bar.left) - np.trackStart, 0, std::max(room, 0));
      int pos =
          room > 0 ? cs.min + static_cast<int>((static_cast<long long>(offset) * span + room / 2) / room) : cs.min;
      if (pos != track) {
        track = pos;
        Bar(ww, bar)->trackPos = pos;
        SendMessage(hwnd, msg, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(pos)), 0);
      }
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) break;
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (IsWindow(hwnd)) {
    KillTimer(hwnd, kRepeat);
    if (GetCapture() == hwnd) ReleaseCapture();
    if (thumb) SendMessage(hwnd, msg, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(track)), 0);
    SendMessage(hwnd, msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
  }
  return 0;
}

}  // namespace pv::wm

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL)
    return static_cast<int>(SendMessage(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  ScrollBar* s = Bar(w, bar);
  if (!s) return 0;
  UINT mask = info->fMask;
  if (mask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = std::max(info->nMin, info->nMax);
  }
  if (mask & SIF_PAGE) s->page = info->nPage;
  int range = s->max - s->min + 1;
  if (static_cast<long long>(s->page) > range) s->page = static_cast<UINT>(std::max(range, 0));
  if (mask & SIF_POS) s->pos = info->nPos;
  s->pos = std::clamp(s->pos, s->min, MaxPos(*s));
  bool scrollable = Scrollable(*s);
  if (mask & (SIF_RANGE | SIF_PAGE)) {
    if (mask & SIF_DISABLENOSCROLL) {
      SetBarShown(hwnd, bar, true);
      s->disabled = scrollable ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH;
    } else {
      SetBarShown(hwnd, bar, scrollable);
    }
  }
  if (redraw && IsWindow(hwnd)) RedrawBars(hwnd);
  return s->pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!info) return FALSE;
  if (bar == SB_CTL) return SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  ScrollBar* s = Bar(w, bar);
  if (!s) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = s->min;
    info->nMax = s->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s->page;
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->trackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (bar == SB_CTL) return static_cast<int>(SendMessage(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
  Wnd* w = FromHandle(hwnd);
  ScrollBar* s = w ? Bar(w, bar) : nullptr;
  if (!s) return 0;
  int old = s->pos;
  SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  if (bar == SB_CTL) return static_cast<int>(SendMessage(hwnd, SBM_GETPOS, 0, 0));
  Wnd* w = FromHandle(hwnd);
  ScrollBar* s = w ? Bar(w, bar) : nullptr;
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (bar == SB_CTL) {
    SendMessage(hwnd, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(minPos), maxPos);
    return TRUE;
  }
  SCROLLINFO si{sizeof(si), SIF_RANGE, minPos, maxPos, 0, 0, 0};
  if (!FromHandle(hwnd)) return FALSE;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
  SCROLLINFO si{sizeof(si), SIF_RANGE, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(hwnd, bar, &si)) return FALSE;
  if (minPos) *minPos = si.nMin;
  if (maxPos) *maxPos = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!FromHandle(hwnd)) return FALSE;
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
  if (bar == SB_HORZ || bar == SB_BOTH) SetBarShown(hwnd, SB_HORZ, show != FALSE);
  if (bar == SB_VERT || bar == SB_BOTH) SetBarShown(hwnd, SB_VERT, show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (bar == SB_CTL) return SendMessage(hwnd, SBM_ENABLE_ARROWS, arrows, 0) ? TRUE : FALSE;
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  bool changed = false;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar != static_cast<UINT>(b) && bar != SB_BOTH) continue;
    ScrollBar* s = Bar(w, b);
    if (s->disabled != arrows) changed = true;
    s->disabled = arrows;
  }
  if (changed) RedrawBars(hwnd);
  return changed ? TRUE : FALSE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG idObject, PSCROLLBARINFO info) {
  if (!info) return FALSE;
  if (idObject == OBJID_CLIENT)
    return SendMessage(hwnd, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
  Wnd* w = FromHandle(hwnd);
  if (!w || (idObject != OBJID_HSCROLL && idObject != OBJID_VSCROLL)) return FALSE;
  int bar = idObject == OBJID_VSCROLL ? SB_VERT : SB_HORZ;
  Parts p = Layout(w, bar);
  RECT sr = ScreenRect(w);
  info->rcScrollBar = RectOffset(p.bar, sr.left, sr.top);
  info->dxyLineButton = p.trackStart;
  info->xyThumbTop = p.thumbPos;
  info->xyThumbBottom = p.thumbPos + p.thumbLen;
  for (DWORD& st : info->rgstate) st = 0;
  if (!(w->style & StyleOf(bar))) info->rgstate[0] = STATE_SYSTEM_INVISIBLE;
  else if (!Scrollable(*Bar(w, bar))) info->rgstate[0] = STATE_SYSTEM_UNAVAILABLE;
  return TRUE;
}
