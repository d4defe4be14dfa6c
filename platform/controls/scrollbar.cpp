// The scroll bar control. It only reports: arrows, page areas and the thumb
// send WM_HSCROLL/WM_VSCROLL to the parent (lParam = the control) and the
// parent moves the position. Held arrows and page areas repeat on a timer
// (first after kFirstRepeat ms, then every kRepeat ms) while the pointer
// stays on the part; release sends SB_ENDSCROLL.
#include <algorithm>

#include "platform/controls/ctl_internal.h"

namespace pv::controls {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeat = 400, kRepeat = 50;

enum Part { None, ArrowLess, PageLess, Thumb, PageMore, ArrowMore };

struct SbState {
  int min = 0, max = 100, page = 0, pos = 0, track = 0;
  UINT disabledArrows = 0;
  Part pressed = None;
  bool inside = false;
  int grabOffset = 0;  // pointer offset into the thumb while dragging
  POINT last{};
};

bool Vert(HWND h) { return (::GetWindowLong(h, GWL_STYLE) & SBS_VERT) != 0; }

struct Geom {
  int length, arrow, thumbStart, thumbLen;
};

int MaxPos(SbState* s) { return std::max(s->min, s->max - std::max(s->page - 1, 0)); }

Geom Measure(HWND h, SbState* s) {
  RECT rc;
  ::GetClientRect(h, &rc);
  bool v = Vert(h);
  int len = v ? rc.bottom : rc.right, thick = v ? rc.right : rc.bottom;
  Geom g{len, std::min(thick, len / 2), 0, 0};
  int trackLen = std::max(0, len - 2 * g.arrow);
  int range = s->max - s->min + 1;
  g.thumbLen = s->page > 0
                   ? std::max(8, static_cast<int>(static_cast<long long>(trackLen) * s->page / std::max(range, 1)))
                   : std::min(thick, trackLen);
  g.thumbLen = std::min(g.thumbLen, trackLen);
  int span = MaxPos(s) - s->min;
  int pos = s->pressed == Thumb ? s->track : s->pos;
  g.thumbStart =
      g.arrow +
      (span > 0 ? static_cast<int>(static_cast<long long>(trackLen - g.thumbLen) * (pos - s->min) / span) : 0);
  return g;
}

Part PartAt(HWND h, SbState* s, POINT p) {
  RECT rc;
  ::GetClientRect(h, &rc);
  if (!::PtInRect(&rc, p)) return None;
  Geom g = Measure(h, s);
  int x = Vert(h) ? p.y : p.x;
  if (x < g.arrow) return ArrowLess;
  if (x >= g.length - g.arrow) return ArrowMore;
  if (x < g.thumbStart) return PageLess;
  if (x < g.thumbStart + g.thumbLen) return Thumb;
  return PageMore;
}

void Send(HWND h, UINT code, int pos = 0) {
  HWND parent = ::GetParent(h);
  if (!parent) return;
  ::SendMessage(parent, Vert(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(h));
}

UINT CodeOf(Part p) {
  switch (p) {
    case ArrowLess:
      return SB_LINEUP;
    case ArrowMore:
      return SB_LINEDOWN;
    case PageLess:
      return SB_PAGEUP;
    case PageMore:
      return SB_PAGEDOWN;
    default:
      return SB_ENDSCROLL;
  }
}

bool Enabled(HWND h, SbState* s, Part p) {
  if (!::IsWindowEnabled(h) || s->max <= s->min) return false;
  if (p == ArrowLess && (s->disabledArrows & ESB_DISABLE_LTUP)) return false;
  if (p == ArrowMore && (s->disabledArrows & ESB_DISABLE_RTDN)) return false;
  return true;
}

void Paint(HWND h, SbState* s) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(h, &ps);
  RECT rc;
  ::GetClientRect(h, &rc);
  bool v = Vert(h);
  Geom g = Measure(h, s);
  HWND parent = ::GetParent(h);
  HBRUSH br = parent ? reinterpret_cast<HBRUSH>(::SendMessage(
                           parent, WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
                     : nullptr;
  if (!br) br = ::GetSysColorBrush(COLOR_SCROLLBAR);
  ::FillRect(dc, &rc, br);
  auto span = [&](int a, int b) { return v ? RECT{0, a, rc.right, b} : RECT{a, 0, b, rc.bottom}; };
  bool any = s->max > s->min && ::IsWindowEnabled(h);
  RECT less = span(0, g.arrow), more = span(g.length - g.arrow, g.length);
  ::DrawFrameControl(dc, &less, DFC_SCROLL,
                     (v ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) |
                         (s->pressed == ArrowLess && s->inside ? DFCS_PUSHED | DFCS_FLAT : 0) |
                         (Enabled(h, s, ArrowLess) ? 0 : DFCS_INACTIVE));
  ::DrawFrameControl(dc, &more, DFC_SCROLL,
                     (v ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) |
                         (s->pressed == ArrowMore && s->inside ? DFCS_PUSHED | DFCS_FLAT : 0) |
                         (Enabled(h, s, ArrowMore) ? 0 : DFCS_INACTIVE));
  if (any && g.thumbLen > 0) {
    if ((s->pressed == PageLess || s->pressed == PageMore) && s->inside) {
      RECT pr =
          s->pressed == PageLess ? span(g.arrow, g.thumbStart) : span(g.thumbStart + g.thumbLen, g.length - g.arrow);
      ::FillRect(dc, &pr, ::GetSysColorBrush(COLOR_3DDKSHADOW));
    }
    RECT th = span(g.thumbStart, g.thumbStart + g.thumbLen);
    ::FillRect(dc, &th, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawEdge(dc, &th, EDGE_RAISED, BF_RECT);
  }
  ::EndPaint(h, &ps);
}

void SetInfo(HWND h, SbState* s, const SCROLLINFO* si, bool redraw) {
  if (si->fMask & SIF_RANGE) {
    s->min = si->nMin;
    s->max = std::max(si->nMin, si->nMax);
  }
  if (si->fMask & SIF_PAGE)
    s->page = static_cast<int>(std::min<UINT>(si->nPage, static_cast<UINT>(s->max - s->min + 1)));
  if (si->fMask & SIF_POS) s->pos = si->nPos;
  s->pos = std::clamp(s->pos, s->min, MaxPos(s));
  if (redraw) ::InvalidateRect(h, nullptr, TRUE);
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<SbState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE:
      SetState(h, new SbState);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<SbState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(h, s);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      Part part = PartAt(h, s, p);
      if (part == None || !Enabled(h, s, part)) return 0;
      if ((::GetWindowLong(h, GWL_STYLE) & WS_TABSTOP) && ::GetFocus() != h) ::SetFocus(h);
      s->pressed = part;
      s->inside = true;
      s->last = p;
      ::SetCapture(h);
      if (part == Thumb) {
        Geom g = Measure(h, s);
        s->track = s->pos;
        s->grabOffset = (Vert(h) ? p.y : p.x) - g.thumbStart;
      } else {
        Send(h, CodeOf(part));
        ::SetTimer(h, kRepeatTimer, kFirstRepeat, nullptr);
      }
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (s->pressed == None || ::GetCapture() != h) return 0;
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      s->last = p;
      if (s->pressed == Thumb) {
        Geom g = Measure(h, s);
        int trackLen = g.length - 2 * g.arrow - g.thumbLen;
        int at = (Vert(h) ? p.y : p.x) - s->grabOffset - g.arrow;
        int span = MaxPos(s) - s->min;
        int pos =
            trackLen > 0
                ? s->min + static_cast<int>(
                               (static_cast<long long>(std::clamp(at, 0, trackLen)) * span + trackLen / 2) / trackLen)
                : s->min;
        if (pos != s->track) {
          s->track = pos;
          ::InvalidateRect(h, nullptr, TRUE);
          Send(h, SB_THUMBTRACK, pos);
        }
      } else {
        bool inside = PartAt(h, s, p) == s->pressed;
        if (inside != s->inside) {
          s->inside = inside;
          ::InvalidateRect(h, nullptr, TRUE);
        }
      }
      return 0;
    }
    case WM_TIMER:
      if (wp == kRepeatTimer && s->pressed != None && s->pressed != Thumb) {
        ::SetTimer(h, kRepeatTimer, kRepeat, nullptr);
        // Page repeats stop once the thumb reaches the pointer.
        if (s->inside && PartAt(h, s, s->last) == s->pressed) Send(h, CodeOf(s->pressed));
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
      if (s->pressed == None) return 0;
      Part was = s->pressed;
      s->pressed = None;
      ::KillTimer(h, kRepeatTimer);
      if (msg == WM_LBUTTONUP && ::GetCapture() == h) ::ReleaseCapture();
      if (was == Thumb) Send(h, SB_THUMBPOSITION, s->track);
      Send(h, SB_ENDSCROLL);
      ::InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case WM_KEYDOWN: {
      UINT code;
      switch (wp) {
        case VK_UP:
        case VK_LEFT:
          code = SB_LINEUP;
          break;
        case VK_DOWN:
        case VK_RIGHT:
          code = SB_LINEDOWN;
          break;
        case VK_PRIOR:
          code = SB_PAGEUP;
          break;
        case VK_NEXT:
          code = SB_PAGEDOWN;
          break;
        case VK_HOME:
          code = SB_TOP;
          break;
        case VK_END:
          code = SB_BOTTOM;
          break;
        default:
          return 0;
      }
      if (s->max <= s->min) return 0;
      Send(h, code);
      Send(h, SB_ENDSCROLL);
      return 0;
    }
    case SBM_SETPOS: {
      int old = s->pos;
      s->pos = std::clamp(static_cast<int>(wp), s->min, MaxPos(s));
      if (lp) ::InvalidateRect(h, nullptr, TRUE);
      return old;
    }
    case SBM_GETPOS:
      return s->pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = s->pos;
      SCROLLINFO si{sizeof si, SIF_RANGE, static_cast<int>(wp), static_cast<int>(lp), 0, 0, 0};
      SetInfo(h, s, &si, msg == SBM_SETRANGEREDRAW);
      return old;
    }
    case SBM_GETRANGE:
      if (wp) *reinterpret_cast<int*>(wp) = s->min;
      if (lp) *reinterpret_cast<int*>(lp) = s->max;
      return 0;
    case SBM_SETSCROLLINFO:
      if (!lp) return s->pos;
      SetInfo(h, s, reinterpret_cast<const SCROLLINFO*>(lp), wp != 0);
      return s->pos;
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(lp);
      if (!si) return FALSE;
      if (si->fMask & SIF_RANGE) {
        si->nMin = s->min;
        si->nMax = s->max;
      }
      if (si->fMask & SIF_PAGE) si->nPage = static_cast<UINT>(s->page);
      if (si->fMask & SIF_POS) si->nPos = s->pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = s->pressed == Thumb ? s->track : s->pos;
      return TRUE;
    }
    case SBM_ENABLE_ARROWS:
      s->disabledArrows = static_cast<UINT>(wp);
      ::InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
