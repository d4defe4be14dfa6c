// Window geometry: coordinates, the non-client frame, SetWindowPos and
// ShowWindow, minimise/maximise, hit testing, shapes and layering.
#include <algorithm>
#include <cstring>

#include "platform/base/handletable.h"
#include "platform/gdi/gdi_private.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

bool Mirrored(const Wnd* w) { return w && (w->exStyle & WS_EX_LAYOUTRTL) != 0; }

RECT ScreenRect(const Wnd* w) {
  if (!w) return RECT{};
  if (!w->parent || w->parent == Desktop() || w->parent == MessageRoot()) return w->rect;
  const Wnd* p = w->parent;
  POINT org = ClientOrigin(p);
  if (Mirrored(p))
    return RECT{org.x - w->rect.right, org.y + w->rect.top, org.x - w->rect.left, org.y + w->rect.bottom};
  return RectOffset(w->rect, org.x, org.y);
}

RECT ScreenClient(const Wnd* w) {
  RECT sr = ScreenRect(w);
  return RECT{sr.left + w->client.left, sr.top + w->client.top, sr.left + w->client.right, sr.top + w->client.bottom};
}

POINT ClientOrigin(const Wnd* w) {
  if (!w || w == Desktop() || w == MessageRoot()) return POINT{0, 0};
  RECT c = ScreenClient(w);
  if (Mirrored(w)) return POINT{c.right, c.top};
  return POINT{c.left, c.top};
}

RECT NcFrameInsets(DWORD style, DWORD exStyle, bool hasMenu) {
  int b = 0;
  if (style & WS_THICKFRAME) b = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) b = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER) b = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) b += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) b += GetSystemMetrics(SM_CXBORDER);
  RECT r{b, b, b, b};
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  if (hasMenu) r.top += GetSystemMetrics(SM_CYMENU);
  return r;
}

// DefWindowProc's WM_NCCALCSIZE: the client rectangle inside the frame, menu
// bar and scroll bars (rect in parent coordinates, changed in place).
void DefNcCalcSize(Wnd* w, RECT* rc) {
  if (w->style & WS_MINIMIZE) {
    rc->right = rc->left;
    rc->bottom = rc->top;
    return;
  }
  RECT ins = NcFrameInsets(w->style, w->exStyle, false);
  rc->left += ins.left;
  rc->top += ins.top;
  rc->right -= ins.right;
  rc->bottom -= ins.bottom;
  if (!(w->style & WS_CHILD) && w->menu) rc->top += MenuBarHeight(w);
  if (w->style & WS_VSCROLL) {
    if (w->exStyle & WS_EX_LEFTSCROLLBAR) rc->left += GetSystemMetrics(SM_CXVSCROLL);
    else rc->right -= GetSystemMetrics(SM_CXVSCROLL);
  }
  if (w->style & WS_HSCROLL) rc->bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (rc->right < rc->left) rc->right = rc->left;
  if (rc->bottom < rc->top) rc->bottom = rc->top;
}

void ComputeClient(Wnd* w, const RECT& windowRect, WINDOWPOS* pos) {
  HWND hwnd = w->hwnd;
  RECT result = windowRect;
  if (pos) {
    NCCALCSIZE_PARAMS p{};
    p.rgrc[0] = windowRect;
    p.rgrc[1] = w->rect;
    p.rgrc[2] = RectOffset(w->client, w->rect.left, w->rect.top);
    p.lppos = pos;
    Send(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    result = p.rgrc[0];
  } else {
    Send(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&result));
  }
  w = FromHandleQuiet(hwnd);
  if (!w) return;
  int width = windowRect.right - windowRect.left, height = windowRect.bottom - windowRect.top;
  RECT c = RectOffset(result, -windowRect.left, -windowRect.top);
  c.left = std::clamp<LONG>(c.left, 0, width);
  c.top = std::clamp<LONG>(c.top, 0, height);
  c.right = std::clamp<LONG>(c.right, c.left, width);
  c.bottom = std::clamp<LONG>(c.bottom, c.top, height);
  w->client = c;
}

}  // namespace pv::wm

// ---- coordinates ------------------------------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenRect(w);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !pt) return FALSE;
  POINT org = ClientOrigin(w);
  pt->x = Mirrored(w) ? org.x - pt->x : org.x + pt->x;
  pt->y += org.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !pt) return FALSE;
  POINT org = ClientOrigin(w);
  pt->x = Mirrored(w) ? org.x - pt->x : pt->x - org.x;
  pt->y -= org.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  Wnd* f = from ? FromHandle(from) : Desktop();
  Wnd* t = to ? FromHandle(to) : Desktop();
  if (!f || !t) return 0;
  bool fm = f != Desktop() && Mirrored(f);
  bool tm = t != Desktop() && Mirrored(t);
  POINT fo = ClientOrigin(f), to2 = ClientOrigin(t);
  bool swapRect = (fm != tm) && count == 2;
  for (UINT i = 0; i < count && points; ++i) {
    LONG sx = fm ? fo.x - points[i].x : fo.x + points[i].x;
    LONG sy = fo.y + points[i].y;
    points[i].x = tm ? to2.x - sx : sx - to2.x;
    points[i].y = sy - to2.y;
  }
  // A rectangle mapped across a mirroring boundary keeps left < right.
  if (swapRect && points) std::swap(points[0].x, points[1].x);
  int dx = (fm ? -1 : 1) * 0 + (fo.x - to2.x);
  int dy = fo.y - to2.y;
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    exStyle |= WS_EX_WINDOWEDGE;
  RECT ins = NcFrameInsets(style, exStyle, menu != FALSE);
  rect->left -= ins.left;
  rect->top -= ins.top;
  rect->right += ins.right;
  rect->bottom += ins.bottom;
  return TRUE;
}
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

// ---- hit testing ------------------------------------------------------------------------------
namespace pv::wm {

namespace {
bool InWindowShape(Wnd* w, POINT screen) {
  RECT sr = ScreenRect(w);
  if (screen.x < sr.left || screen.x >= sr.right || screen.y < sr.top || screen.y >= sr.bottom) return false;
  if (w->windowRgn && !PtInRegion(w->windowRgn, screen.x - sr.left, screen.y - sr.top)) return false;
  // Clicks pass through what a layered window does not show.
  if ((w->exStyle & WS_EX_LAYERED) && IsTopLevel(w) && !LayeredPixelShown(w, screen.x - sr.left, screen.y - sr.top))
    return false;
  return true;
}

bool ChildHit(Wnd* w, POINT pt, Wnd** outWnd, int* outHit) {
  if (w->style & WS_DISABLED) {
    *outWnd = w;
    *outHit = HTERROR;
    return true;
  }
  RECT cr = ScreenClient(w);
  if (!(w->style & WS_MINIMIZE) && pt.x >= cr.left && pt.x < cr.right && pt.y >= cr.top && pt.y < cr.bottom) {
    std::vector<HWND> kids;
    for (Wnd* c : w->children) kids.push_back(c->hwnd);
    for (HWND k : kids) {
      Wnd* c = FromHandleQuiet(k);
      if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
      if (!InWindowShape(c, pt)) continue;
      if (ChildHit(c, pt, outWnd, outHit)) return true;
    }
  }
  HWND h = w->hwnd;
  int hit = HTCLIENT;
  if (w->tid == CurrentTid())
    hit = static_cast<int>(static_cast<short>(Send(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y))));
  Wnd* again = FromHandleQuiet(h);
  if (!again) return false;
  if (hit == HTTRANSPARENT) return false;
  *outWnd = again;
  *outHit = hit;
  return true;
}
}  // namespace

Wnd* HitWindow(POINT screen, int* hit) {
  std::vector<HWND> tops = TopLevelWindows();
  for (HWND h : tops) {
    Wnd* t = FromHandleQuiet(h);
    if (!t || !(t->style & WS_VISIBLE)) continue;
    if ((t->exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
    if (!InWindowShape(t, screen)) continue;
    Wnd* out = nullptr;
    int code = HTNOWHERE;
    if (ChildHit(t, screen, &out, &code)) {
      if (hit) *hit = code;
      return out;
    }
  }
  if (hit) *hit = HTNOWHERE;
  return nullptr;
}

// DefWindowProc's WM_NCHITTEST.
int DefHitTest(Wnd* w, POINT pt) {
  RECT sr = ScreenRect(w);
  if (pt.x < sr.left || pt.x >= sr.right || pt.y < sr.top || pt.y >= sr.bottom) return HTNOWHERE;
  RECT cr = ScreenClient(w);
  if (pt.x >= cr.left && pt.x < cr.right && pt.y >= cr.top && pt.y < cr.bottom) return HTCLIENT;
  // A minimised window is its caption: its buttons work, the rest moves it.
  bool iconic = (w->style & WS_MINIMIZE) != 0;
  RECT ins = NcFrameInsets(w->style & ~static_cast<DWORD>(WS_DLGFRAME),
                           w->exStyle & ~static_cast<DWORD>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), false);
  int frame = 0;
  if (w->style & WS_THICKFRAME) frame = GetSystemMetrics(SM_CXFRAME);
  else if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) frame = GetSystemMetrics(SM_CXDLGFRAME);
  else if (w->style & WS_BORDER) frame = 1;
  (void)ins;
  if ((w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE) && !iconic) {
    int corner = GetSystemMetrics(SM_CYCAPTION) + frame;
    bool left = pt.x < sr.left + frame, right = pt.x >= sr.right - frame;
    bool top = pt.y < sr.top + frame, bottom = pt.y >= sr.bottom - frame;
    if (left || right || top || bottom) {
      bool nearLeft = pt.x < sr.left + corner, nearRight = pt.x >= sr.right - corner;
      bool nearTop = pt.y < sr.top + corner, nearBottom = pt.y >= sr.bottom - corner;
      if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
      if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
      if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
      if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
      if (top) return HTTOP;
      if (bottom) return HTBOTTOM;
      if (left) return HTLEFT;
      return HTRIGHT;
    }
  } else if (pt.x < sr.left + frame || pt.x >= sr.right - frame || pt.y < sr.top + frame || pt.y >= sr.bottom - frame) {
    return iconic ? HTCAPTION : HTBORDER;
  }
  int edge = 0;
  if (w->exStyle & WS_EX_CLIENTEDGE) edge += GetSystemMetrics(SM_CXEDGE);
  if (w->exStyle & WS_EX_STATICEDGE) edge += 1;
  int y = sr.top + frame;
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    bool tool = (w->exStyle & WS_EX_TOOLWINDOW) != 0;
    int ch = tool ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    if (pt.y < y + ch) {
      int bw = tool ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE);
      int right = sr.right - frame - 2;
      if (w->style & WS_SYSMENU) {
        if (pt.x >= right - bw) return HTCLOSE;
        right -= bw + 2;
        if (!tool && (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
          if (pt.x >= right - bw) return HTMAXBUTTON;
          right -= bw;
          if (pt.x >= right - bw) return HTMINBUTTON;
        }
        if (!tool && pt.x < sr.left + frame + GetSystemMetrics(SM_CXSMICON) + 2) return HTSYSMENU;
      }
      return HTCAPTION;
    }
    y += ch;
  }
  if (iconic) return HTCAPTION;
  if (!(w->style & WS_CHILD) && w->menu) {
    int mh = MenuBarHeight(w);
    if (pt.y < y + mh) return HTMENU;
    y += mh;
  }
  RECT inner{sr.left + frame + edge, y + edge, sr.right - frame - edge, sr.bottom - frame - edge};
  bool inV = (w->style & WS_VSCROLL) &&
             ((w->exStyle & WS_EX_LEFTSCROLLBAR) ? pt.x < inner.left + GetSystemMetrics(SM_CXVSCROLL)
                                                 : pt.x >= inner.right - GetSystemMetrics(SM_CXVSCROLL));
  bool inH = (w->style & WS_HSCROLL) && pt.y >= inner.bottom - GetSystemMetrics(SM_CYHSCROLL);
  if (inV && inH) return (w->style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTGROWBOX;
  if (inV) return HTVSCROLL;
  if (inH) return HTHSCROLL;
  return HTBORDER;
}

}  // namespace pv::wm

HWND WindowFromPoint(POINT pt) {
  Wnd* w = HitWindow(pt, nullptr);
  return w ? w->hwnd : nullptr;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Wnd* p = FromHandle(parent);
  if (!p) return nullptr;
  RECT c{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
  if (pt.x < c.left || pt.x >= c.right || pt.y < c.top || pt.y >= c.bottom) return nullptr;
  POINT screen = pt;
  ClientToScreen(parent, &screen);
  for (Wnd* ch : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(ch->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (ch->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (ch->exStyle & WS_EX_TRANSPARENT)) continue;
    RECT sr = ScreenRect(ch);
    if (screen.x >= sr.left && screen.x < sr.right && screen.y >= sr.top && screen.y < sr.bottom) return ch->hwnd;
  }
  return parent;
}
HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }
HWND RealChildWindowFromPoint(HWND parent, POINT pt) {
  return ChildWindowFromPointEx(parent, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
}

// ---- SetWindowPos -----------------------------------------------------------------------------
namespace {

bool ZOrderUnchanged(Wnd* w, HWND after) {
  auto& c = w->parent->children;
  auto it = std::find(c.begin(), c.end(), w);
  if (it == c.end()) return false;
  if (after == HWND_TOP) return it == c.begin();
  if (after == HWND_BOTTOM) return it + 1 == c.end();
  if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) return false;
  if (after == w->hwnd) return true;
  return it != c.begin() && (*(it - 1))->hwnd == after;
}

void ApplyZOrder(Wnd* w, HWND after, bool moveOwned) {
  Wnd* parent = w->parent;
  if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
  if (after == HWND_NOTOPMOST) w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
  if (parent != Desktop() && after != HWND_BOTTOM && !FromHandleQuiet(after)) after = HWND_TOP;
  if (after == w->hwnd) return;
  std::lock_guard<std::recursive_mutex> lock(TreeMutex());
  auto& c = parent->children;
  c.erase(std::remove(c.begin(), c.end(), w), c.end());
  if (parent == Desktop() && after == HWND_NOTOPMOST) {
    // top of the non-topmost band
    auto it = std::find_if(c.begin(), c.end(), [](Wnd* x) { return !(x->exStyle & WS_EX_TOPMOST); });
    c.insert(it, w);
  } else if (parent == Desktop() && after == HWND_TOP && !(w->exStyle & WS_EX_TOPMOST)) {
    auto it = std::find_if(c.begin(), c.end(), [](Wnd* x) { return !(x->exStyle & WS_EX_TOPMOST); });
    c.insert(it, w);
  } else {
    LinkToParent(w, parent, after);
    // LinkToParent pushed it again; remove the duplicate made by erase+insert
  }
  if (parent == Desktop()) {
    if (moveOwned) {
      // Owned windows come along above their owner.
      std::vector<Wnd*> owned;
      for (Wnd* x : c)
        for (Wnd* o = x->owner; o; o = o->owner)
          if (o == w) {
            owned.push_back(x);
            break;
          }
      for (Wnd* o : owned) {
        c.erase(std::remove(c.begin(), c.end(), o), c.end());
        auto it = std::find(c.begin(), c.end(), w);
        c.insert(it, o);
      }
    }
    EnforceTopmostBands();
  }
}

void InvalidateExposed(Wnd* parent, const RECT& oldScreen, const RECT& newScreen, bool newVisible) {
  if (!parent || parent == MessageRoot()) return;
  if (parent == Desktop()) return;  // top-level windows have their own bitmaps
  Region exposed(oldScreen);
  if (newVisible) exposed.Subtract(newScreen);
  if (exposed.Empty()) return;
  RECT psr = ScreenRect(parent);
  exposed.Offset(-psr.left, -psr.top);
  InvalidateWnd(parent, &exposed, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  DWORD tid = 0;
  std::shared_ptr<ThreadQueue> queue;
  if (!WindowThreadOf(hwnd, &tid, &queue)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (tid != CurrentTid() && queue) {
    // Another thread's window: its thread applies the request when it
    // dispatches the posted message (see PostSetWindowPos).
    return PostSetWindowPos(*queue, WINDOWPOS{hwnd, after, x, y, cx, cy, flags}) ? TRUE : FALSE;
  }
  Wnd* w = FromHandle(hwnd);
  if (!w || w == Desktop() || w == MessageRoot()) return FALSE;
  bool child = (w->style & WS_CHILD) != 0;
  WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
  // Normalise the request.
  if (w->style & WS_VISIBLE) wp.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
  else wp.flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
  if (wp.cx < 0) wp.cx = 0;
  if (wp.cy < 0) wp.cy = 0;
  if (!(wp.flags & SWP_NOSIZE) && wp.cx == w->rect.right - w->rect.left && wp.cy == w->rect.bottom - w->rect.top)
    wp.flags |= SWP_NOSIZE;
  if (!(wp.flags & SWP_NOMOVE) && wp.x == w->rect.left && wp.y == w->rect.top) wp.flags |= SWP_NOMOVE;
  if (child) {
    wp.flags |= SWP_NOACTIVATE;
    if (wp.hwndInsertAfter == HWND_TOPMOST || wp.hwndInsertAfter == HWND_NOTOPMOST) wp.hwndInsertAfter = HWND_TOP;
  }
  if (!(wp.flags & SWP_NOZORDER)) {
    if (wp.hwndInsertAfter != HWND_TOP && wp.hwndInsertAfter != HWND_BOTTOM && wp.hwndInsertAfter != HWND_TOPMOST &&
        wp.hwndInsertAfter != HWND_NOTOPMOST) {
      Wnd* a = FromHandleQuiet(wp.hwndInsertAfter);
      if (!a || a->parent != w->parent) wp.flags |= SWP_NOZORDER;
    }
    if (!(wp.flags & SWP_NOZORDER) && ZOrderUnchanged(w, wp.hwndInsertAfter) &&
        !((wp.hwndInsertAfter == HWND_TOPMOST) != 0 && !(w->exStyle & WS_EX_TOPMOST)))
      wp.flags |= SWP_NOZORDER;
  }

  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    w = FromHandleQuiet(hwnd);
    if (!w) return FALSE;
  }

  RECT oldRect = w->rect;
  RECT oldClient = w->client;
  RECT oldScreen = ScreenRect(w);
  POINT oldClientScreen = ClientOrigin(w);
  bool wasVisible = IsVisibleChain(w);
  RECT newRect = oldRect;
  if (!(wp.flags & SWP_NOMOVE)) newRect = RectOffset(newRect, wp.x - oldRect.left, wp.y - oldRect.top);
  if (!(wp.flags & SWP_NOSIZE)) {
    newRect.right = newRect.left + std::max(0, wp.cx);
    newRect.bottom = newRect.top + std::max(0, wp.cy);
  }
  bool sized = (newRect.right - newRect.left) != (oldRect.right - oldRect.left) ||
               (newRect.bottom - newRect.top) != (oldRect.bottom - oldRect.top);
  if (sized || (wp.flags & SWP_FRAMECHANGED)) {
    ComputeClient(w, newRect, &wp);
    w = FromHandleQuiet(hwnd);
    if (!w) return FALSE;
  }
  w->rect = newRect;
  if (!(wp.flags & SWP_NOZORDER)) ApplyZOrder(w, wp.hwndInsertAfter, !(wp.flags & SWP_NOOWNERZORDER));
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  bool nowVisible = IsVisibleChain(w);
  bool top = IsTopLevel(w);

  // Repaint what the change exposed or changed.
  bool geometryChanged = sized || !(wp.flags & SWP_NOMOVE);
  if (!(wp.flags & SWP_NOREDRAW) && !w->messageOnly) {
    if (top) {
      if (nowVisible && (sized || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)))) {
        EnsureBacking(w);
        Region all(RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top});
        InvalidateWnd(w, &all, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      }
    } else {
      if (wasVisible && (geometryChanged || !nowVisible || !(wp.flags & SWP_NOZORDER)))
        InvalidateExposed(w->parent, oldScreen, ScreenRect(w), nowVisible);
      if (nowVisible &&
          (geometryChanged || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)) || !(wp.flags & SWP_NOZORDER))) {
        Region all(RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top});
        InvalidateWnd(w, &all, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      }
    }
  } else if (top && nowVisible && sized) {
    EnsureBacking(w);
  }
  if (top && !w->messageOnly) {
    if (wp.flags & SWP_SHOWWINDOW) ActiveBackend().WindowShown(w);
    if (wp.flags & SWP_HIDEWINDOW) ActiveBackend().WindowHidden(w);
    if (geometryChanged || !(wp.flags & SWP_NOZORDER)) ActiveBackend().WindowMoved(w);
  }
  if (wp.flags & SWP_SHOWWINDOW) FireWinEvent(EVENT_OBJECT_SHOW, hwnd, OBJID_WINDOW, CHILDID_SELF);
  if (wp.flags & SWP_HIDEWINDOW) FireWinEvent(EVENT_OBJECT_HIDE, hwnd, OBJID_WINDOW, CHILDID_SELF);
  if (geometryChanged) FireWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);

  // Activation.
  if (top && !(wp.flags & SWP_NOACTIVATE) && nowVisible && !(w->exStyle & WS_EX_NOACTIVATE) &&
      ((wp.flags & SWP_SHOWWINDOW) || !(wp.flags & SWP_NOZORDER)) && Ui().input.active != hwnd) {
    ActivateWindow(hwnd, WA_ACTIVE, true);
    w = FromHandleQuiet(hwnd);
    if (!w) return TRUE;
  }
  if (wp.flags & SWP_HIDEWINDOW) {
    OnWindowHiddenOrDestroyed(hwnd);
    w = FromHandleQuiet(hwnd);
    if (!w) return TRUE;
  }

  WINDOWPOS done = wp;
  done.x = w->rect.left;
  done.y = w->rect.top;
  done.cx = w->rect.right - w->rect.left;
  done.cy = w->rect.bottom - w->rect.top;
  if ((w->client.right - w->client.left) == (oldClient.right - oldClient.left) &&
      (w->client.bottom - w->client.top) == (oldClient.bottom - oldClient.top) && !(flags & SWP_STATECHANGED))
    done.flags |= SWP_NOCLIENTSIZE;
  POINT newClientScreen = ClientOrigin(w);
  if (newClientScreen.x == oldClientScreen.x && newClientScreen.y == oldClientScreen.y &&
      (w->rect.left + w->client.left) == (oldRect.left + oldClient.left) &&
      (w->rect.top + w->client.top) == (oldRect.top + oldClient.top))
    done.flags |= SWP_NOCLIENTMOVE;
  done.flags &= ~static_cast<UINT>(SWP_STATECHANGED);
  Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

// ---- deferred positions -----------------------------------------------------------------------
namespace {
struct DeferList {
  std::vector<WINDOWPOS> items;
  uintptr_t handle = 0;
};
// The open deferred-position lists by generation-tagged handle, so a
// finished list's handle never reaches a later one. `mutex` guards the table
// and every list in it.
struct DeferLists {
  std::mutex mutex;
  pv::detail::HandleTable<DeferList> table{pv::detail::HandleTag::DeferWindowPos};
};
DeferLists& Defers() {
  static auto* lists = new DeferLists;  // never destroyed: lists may end during exit
  return *lists;
}
}  // namespace

HDWP BeginDeferWindowPos(int count) {
  if (count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* d = new DeferList();
  d->items.reserve(static_cast<size_t>(count));
  std::lock_guard<std::mutex> lock(Defers().mutex);
  d->handle = Defers().table.Add(d);
  if (!d->handle) {
    delete d;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return reinterpret_cast<HDWP>(d->handle);
}

HDWP DeferWindowPos(HDWP dwp, HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  bool window = FromHandle(hwnd) != nullptr;
  std::lock_guard<std::mutex> lock(Defers().mutex);
  DeferList* d = Defers().table.Find(reinterpret_cast<uintptr_t>(dwp));
  if (!d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!window) {
    // A bad window ends the list, as EndDeferWindowPos would never come.
    Defers().table.Remove(d->handle);
    delete d;
    return nullptr;
  }
  for (WINDOWPOS& p : d->items)
    if (p.hwnd == hwnd) {
      // Later requests for the same window merge into the earlier one.
      if (!(flags & SWP_NOMOVE)) {
        p.x = x;
        p.y = y;
        p.flags &= ~static_cast<UINT>(SWP_NOMOVE);
      }
      if (!(flags & SWP_NOSIZE)) {
        p.cx = cx;
        p.cy = cy;
        p.flags &= ~static_cast<UINT>(SWP_NOSIZE);
      }
      if (!(flags & SWP_NOZORDER)) {
        p.hwndInsertAfter = after;
        p.flags &= ~static_cast<UINT>(SWP_NOZORDER);
      }
      p.flags |= flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED);
      return dwp;
    }
  d->items.push_back(WINDOWPOS{hwnd, after, x, y, cx, cy, flags});
  return dwp;
}

BOOL EndDeferWindowPos(HDWP dwp) {
  std::vector<WINDOWPOS> items;
  {
    std::lock_guard<std::mutex> lock(Defers().mutex);
    DeferList* d = Defers().table.Find(reinterpret_cast<uintptr_t>(dwp));
    if (!d) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    Defers().table.Remove(d->handle);
    items = std::move(d->items);
    delete d;
  }
  BOOL ok = TRUE;
  for (WINDOWPOS& p : items)
    if (IsWindow(p.hwnd) && !SetWindowPos(p.hwnd, p.hwndInsertAfter, p.x, p.y, p.cx, p.cy, p.flags)) ok = FALSE;
  return ok;
}

// ---- ShowWindow -------------------------------------------------------------------------------
namespace {

RECT MaximizedRect(Wnd* w) {
  RECT area{};
  if (w->style & WS_CHILD) {
    Wnd* p = w->parent;
    area = RECT{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
  } else {
    HMONITOR mon = MonitorFromRect(&w->normalRect, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfo(mon, &mi);
    area = mi.rcWork;
  }
  RECT ins = NcFrameInsets(w->style & ~static_cast<DWORD>(WS_CAPTION), w->exStyle, false);
  // The frame hangs over the edges of the area, as maximised windows always did.
  int fx = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME)
                                      : ((w->style & WS_DLGFRAME) ? GetSystemMetrics(SM_CXDLGFRAME) : 0);
  (void)ins;
  MINMAXINFO mmi{};
  mmi.ptMaxSize = POINT{area.right - area.left + 2 * fx, area.bottom - area.top + 2 * fx};
  mmi.ptMaxPosition = POINT{area.left - fx, area.top - fx};
  if ((w->style & WS_CHILD) && (w->exStyle & WS_EX_MDICHILD)) {
    // A maximised document window hides its caption too: its client area
    // is exactly the parent's, and its frame controls move to the menu bar.
    RECT all = NcFrameInsets(w->style, w->exStyle, false);
    mmi.ptMaxSize = POINT{area.right - area.left + all.left + all.right, area.bottom - area.top + all.top + all.bottom};
    mmi.ptMaxPosition = POINT{area.left - all.left, area.top - all.top};
  }
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  HWND hwnd = w->hwnd;
  Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  if (w->maxPos.x != -1 || w->maxPos.y != -1) mmi.ptMaxPosition = w->maxPos;
  return RECT{mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
              mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
}

enum class Target { None, Minimize, Maximize, Restore };

// Where a minimised top-level window goes on a desktop that does not
// iconify windows: the first free place along the bottom of the primary
// work area, left to right, then row above row.
RECT MinimizedCaptionPlace(Wnd* w) {
  int cx = GetSystemMetrics(SM_CXMINIMIZED), cy = GetSystemMetrics(SM_CYMINIMIZED);
  int sx = GetSystemMetrics(SM_CXMINSPACING), sy = GetSystemMetrics(SM_CYMINSPACING);
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  std::vector<RECT> taken;
  for (Wnd* c : Desktop()->children)
    if (c != w && (c->style & WS_MINIMIZE) && (c->style & WS_VISIBLE)) taken.push_back(c->rect);
  int perRow = std::max<int>(1, (work.right - work.left) / sx);
  for (int i = 0;; ++i) {
    RECT r{work.left + (i % perRow) * sx, work.bottom - (i / perRow + 1) * sy, 0, 0};
    r.right = r.left + cx;
    r.bottom = r.top + cy;
    bool free = std::none_of(taken.begin(), taken.end(), [&](const RECT& t) {
      return t.left < r.right && r.left < t.right && t.top < r.bottom && r.top < t.bottom;
    });
    if (free || i > 1000) return r;
  }
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int cmd) {
  Wnd* w = FromHandle(hwnd);
  if (!w || w == Desktop()) return FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool child = (w->style & WS_CHILD) != 0;
  UINT swp = SWP_NOSIZE | SWP_NOMOVE;
  bool show = true;
  Target target = Target::None;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      show = false;
      swp |= SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    case SW_SHOWMINNOACTIVE:
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE:
      swp |= SWP_SHOWWINDOW | SWP_NOACTIVATE;
      target = Target::Minimize;
      break;
    case SW_SHOWMINIMIZED:
      swp |= SWP_SHOWWINDOW;
      target = Target::Minimize;
      break;
    case SW_SHOWMAXIMIZED:
      swp |= SWP_SHOWWINDOW;
      target = Target::Maximize;
      break;
    case SW_SHOWNA:
      swp |= SWP_SHOWWINDOW | SWP_NOACTIVATE;
      if (child) swp |= SWP_NOZORDER;
      break;
    case SW_SHOW:
      if (wasVisible) return TRUE;
      swp |= SWP_SHOWWINDOW;
      if (child) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    case SW_SHOWNOACTIVATE:
      swp |= SWP_SHOWWINDOW | SWP_NOACTIVATE;
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) target = Target::Restore;
      if (child) swp |= SWP_NOZORDER;
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_RESTORE:
      swp |= SWP_SHOWWINDOW;
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) target = Target::Restore;
      if (child) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  if (target == Target::Minimize && (w->style & WS_MINIMIZE)) target = Target::None;
  if (target == Target::Maximize && (w->style & WS_MAXIMIZE)) target = Target::None;

  RECT newRect = w->rect;
  if (target != Target::None) {
    if (HooksInstalled(WH_CBT) &&
        CallHooks(WH_CBT, HCBT_MINMAX, reinterpret_cast<WPARAM>(hwnd),
                  target == Target::Minimize ? SW_MINIMIZE : (target == Target::Maximize ? SW_MAXIMIZE : SW_RESTORE)))
      return wasVisible;
    w = FromHandleQuiet(hwnd);
    if (!w) return FALSE;
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->rect;
    switch (target) {
      case Target::Minimize:
        w->restoreToMaximized = (w->style & WS_MAXIMIZE) != 0;
        w->style = (w->style | WS_MINIMIZE) & ~static_cast<DWORD>(WS_MAXIMIZE);
        if (child) {
          newRect = RECT{0, 0, GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED)};
          Wnd* p = w->parent;
          int ph = p->client.bottom - p->client.top;
          newRect = RectOffset(newRect, 0, ph - GetSystemMetrics(SM_CYMINIMIZED));
        } else if (ActiveBackend().IconifiesWindows()) {
          // The desktop shows it as an icon (its task bar); here it is out of sight.
          newRect = RECT{-32000, -32000, -32000 + GetSystemMetrics(SM_CXMINIMIZED),
                         -32000 + GetSystemMetrics(SM_CYMINIMIZED)};
        } else {
          newRect = MinimizedCaptionPlace(w);
        }
        if (w->minPos.x != -1 || w->minPos.y != -1)
          newRect = RectOffset(newRect, w->minPos.x - newRect.left, w->minPos.y - newRect.top);
        break;
      case Target::Maximize:
        w->style = (w->style | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE);
        newRect = MaximizedRect(w);
        w = FromHandleQuiet(hwnd);
        if (!w) return FALSE;
        break;
      case Target::Restore:
        if ((w->style & WS_MINIMIZE) && w->restoreToMaximized) {
          w->style = (w->style | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE);
          newRect = MaximizedRect(w);
          w = FromHandleQuiet(hwnd);
          if (!w) return FALSE;
        } else {
          w->style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
          newRect = w->normalRect;
        }
        w->restoreToMaximized = false;
        break;
      case Target::None:
        break;
    }
    swp &= ~static_cast<UINT>(SWP_NOSIZE | SWP_NOMOVE);
    swp |= SWP_FRAMECHANGED | SWP_STATECHANGED;
  }

  if (show != wasVisible) {
    Send(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    w = FromHandleQuiet(hwnd);
    if (!w) return FALSE;
  }
  if (!show || show != wasVisible || target != Target::None || !(swp & SWP_NOZORDER) || !(swp & SWP_NOACTIVATE)) {
    SetWindowPos(hwnd, HWND_TOP, newRect.left, newRect.top, newRect.right - newRect.left, newRect.bottom - newRect.top,
                 swp);
  }
  w = FromHandleQuiet(hwnd);
  if (!w) return wasVisible;
  if (target == Target::Minimize && Ui().input.active == hwnd) {
    HWND next = NextActivatable(hwnd);
    ActivateWindow(next, WA_ACTIVE, true);
  }
  // A window shown minimised has no client size worth a WM_SIZE beyond the one above.
  return wasVisible ? TRUE : FALSE;
}

BOOL ShowWindowAsync(HWND hwnd, int cmd) { return ShowWindow(hwnd, cmd); }

BOOL CloseWindow(HWND hwnd) { return ShowWindow(hwnd, SW_MINIMIZE) || IsWindow(hwnd); }

BOOL OpenIcon(HWND hwnd) {
  if (!IsIconic(hwnd)) return FALSE;
  ShowWindow(hwnd, SW_RESTORE);
  return TRUE;
}

BOOL ShowOwnedPopups(HWND owner, BOOL show) {
  Wnd* o = FromHandle(owner);
  if (!o) return FALSE;
  std::vector<HWND> list;
  for (Wnd* c : Desktop()->children)
    if (c->owner == o && (c->style & WS_POPUP)) list.push_back(c->hwnd);
  for (HWND h : list) {
    if (show) ShowWindow(h, SW_SHOWNA);
    else if (IsWindowVisible(h)) ShowWindow(h, SW_HIDE);
  }
  return TRUE;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* p) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !p) return FALSE;
  p->length = sizeof(WINDOWPLACEMENT);
  p->flags = w->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
  if (!(w->style & WS_VISIBLE)) p->showCmd = SW_HIDE;
  else if (w->style & WS_MINIMIZE) p->showCmd = SW_SHOWMINIMIZED;
  else if (w->style & WS_MAXIMIZE) p->showCmd = SW_SHOWMAXIMIZED;
  else p->showCmd = SW_SHOWNORMAL;
  p->ptMinPosition = w->minPos;
  p->ptMaxPosition = w->maxPos;
  p->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* p) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !p) return FALSE;
  if (p->flags & WPF_SETMINPOSITION) w->minPos = p->ptMinPosition;
  w->maxPos = p->ptMaxPosition;
  w->normalRect = p->rcNormalPosition;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
    SetWindowPos(hwnd, nullptr, p->rcNormalPosition.left, p->rcNormalPosition.top,
                 p->rcNormalPosition.right - p->rcNormalPosition.left,
                 p->rcNormalPosition.bottom - p->rcNormalPosition.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd, static_cast<int>(p->showCmd));
  w = FromHandleQuiet(hwnd);
  if (w && (p->flags & WPF_RESTORETOMAXIMIZED) && (w->style & WS_MINIMIZE)) w->restoreToMaximized = true;
  return TRUE;
}

// ---- shapes and layering ------------------------------------------------------------------------
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return 0;
  if (w->windowRgn) DeleteObject(w->windowRgn);
  w->windowRgn = rgn;  // the system owns it from now on
  if (redraw) {
    if (IsTopLevel(w)) {
      ActiveBackend().WindowMoved(w);
      MarkPresent(w);
    } else {
      RECT sr = ScreenRect(w);
      InvalidateExposed(w->parent, sr, RECT{}, false);
    }
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !rgn || !w->windowRgn) return ERROR;
  return CombineRgn(rgn, w->windowRgn, nullptr, RGN_COPY);
}

int GetWindowRgnBox(HWND hwnd, LPRECT rect) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !rect || !w->windowRgn) return ERROR;
  return GetRgnBox(w->windowRgn, rect);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  w->layeredKey = key;
  w->layeredAlpha = (flags & LWA_ALPHA) ? alpha : 255;
  w->layeredFlags = flags;
  w->layeredByUpdate = false;
  MarkPresent(w);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED) || w->layeredByUpdate) return FALSE;
  if (key) *key = w->layeredKey;
  if (alpha) *alpha = w->layeredAlpha;
  if (flags) *flags = w->layeredFlags;
  return TRUE;
}

namespace pv::wm {
bool LayeredByImage(Wnd* w) {
  Wnd* top = TopLevelOf(w);
  return top && (top->exStyle & WS_EX_LAYERED) && top->layeredByUpdate;
}

bool LayeredPixelShown(Wnd* top, int x, int y) {
  if (!LayeredNeedsPixels(top)) return LayeredPixelValueShown(top, 0xFF000000u);
  uint32_t* bits = nullptr;
  int bw = 0, bh = 0, stride = 0;
  if (!top->backing || !GdiGetDibPixels(top->backing, &bits, &bw, &bh, &stride)) return true;
  if (x < 0 || y < 0 || x >= bw || y >= bh) return false;
  return LayeredPixelValueShown(
      top, reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(bits) + static_cast<size_t>(y) * stride)[x]);
}

bool LayeredNeedsPixels(const Wnd* top) {
  bool byAlpha = top->layeredByUpdate ? (top->layeredFlags & ULW_ALPHA) != 0 : (top->layeredFlags & LWA_ALPHA) != 0;
  bool byKey = (top->layeredFlags & (top->layeredByUpdate ? ULW_COLORKEY : LWA_COLORKEY)) != 0;
  return (top->layeredByUpdate && byAlpha) || byKey;
}

bool LayeredPixelValueShown(const Wnd* top, uint32_t px) {
  bool byAlpha = top->layeredByUpdate ? (top->layeredFlags & ULW_ALPHA) != 0 : (top->layeredFlags & LWA_ALPHA) != 0;
  bool byKey = (top->layeredFlags & (top->layeredByUpdate ? ULW_COLORKEY : LWA_COLORKEY)) != 0;
  if (byAlpha && top->layeredAlpha == 0) return false;
  bool perPixel = top->layeredByUpdate && byAlpha;
  BYTE a = static_cast<BYTE>(px >> 24);
  if (perPixel && a == 0) return false;
  if (byKey) {
    // The key is compared with the colour as drawn (un-premultiplied).
    auto un = [&](int shift) { return a ? std::min(255, static_cast<int>((px >> shift) & 0xFF) * 255 / a) : 0; };
    COLORREF c =
        (perPixel || a != 255) && a ? RGB(un(16), un(8), un(0)) : RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
    if (c == (top->layeredKey & 0xFFFFFF)) return false;
  }
  return true;
}
}  // namespace pv::wm

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* pptDst, SIZE* psize, HDC hdcSrc, POINT* pptSrc, COLORREF key,
                         BLENDFUNCTION* blend, DWORD flags) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED) || !IsTopLevel(w)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pptDst || psize) {
    RECT r = w->rect;
    int x = pptDst ? pptDst->x : r.left, y = pptDst ? pptDst->y : r.top;
    int cx = psize ? psize->cx : r.right - r.left, cy = psize ? psize->cy : r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    w = FromHandleQuiet(hwnd);
    if (!w) return FALSE;
  }
  EnsureBacking(w);
  w->layeredByUpdate = true;
  w->layeredFlags = flags;
  w->layeredKey = key;
  w->layeredAlpha = (blend && (flags & ULW_ALPHA)) ? blend->SourceConstantAlpha : 255;
  if (hdcSrc && w->backing) {
    HBITMAP src = GdiGetDCBitmap(hdcSrc);
    uint32_t *sbits = nullptr, *dbits = nullptr;
    int sw = 0, sh = 0, ss = 0, dw = 0, dh = 0, ds = 0;
    if (src && GdiGetDibPixels(src, &sbits, &sw, &sh, &ss) && GdiGetDibPixels(w->backing, &dbits, &dw, &dh, &ds)) {
      int sx = pptSrc ? pptSrc->x : 0, sy = pptSrc ? pptSrc->y : 0;
      for (int y = 0; y < dh; ++y) {
        int yy = sy + y;
        uint32_t* drow = reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(dbits) + static_cast<size_t>(y) * ds);
        for (int x = 0; x < dw; ++x) {
          int xx = sx + x;
          uint32_t px = 0;
          if (yy >= 0 && yy < sh && xx >= 0 && xx < sw)
            px = reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(sbits) + static_cast<size_t>(yy) * ss)[xx];
          if (flags & ULW_OPAQUE) px |= 0xFF000000u;
          drow[x] = px;
        }
      }
      GdiMarkDirty(w->backing);
    }
  }
  // Painting that was pending would only overwrite the image.
  ValidateWnd(w, nullptr, RDW_VALIDATE | RDW_FRAME | RDW_NOFRAME | RDW_NOERASE | RDW_ALLCHILDREN);
  MarkPresent(w);
  return TRUE;
}

// Animations are off (SPI_GETANIMATION): nothing is drawn, as Windows does then.
BOOL DrawAnimatedRects(HWND, int, const RECT*, const RECT*) { return TRUE; }

BOOL FlashWindow(HWND hwnd, BOOL) { return FromHandleQuiet(hwnd) && Ui().input.active == hwnd; }

BOOL FlashWindowEx(PFLASHWINFO info) { return info ? FlashWindow(info->hwnd, TRUE) : FALSE; }

// Minimised children line up along the bottom of the parent's client area
// in the order they were created, left to right, then row above row. Minimised top-level windows are hidden
// off screen (SM_ARRANGE is ARW_HIDE), so they stay where they are.
UINT ArrangeIconicWindows(HWND parent) {
  Wnd* p = FromHandle(parent);
  if (!p) return 0;
  const int cx = GetSystemMetrics(SM_CXMINSPACING);
  const int cy = GetSystemMetrics(SM_CYMINSPACING);
  if (p == Desktop()) return static_cast<UINT>(cy);
  std::vector<HWND> iconic;  // in the order they were created
  for (HWND h : AllWindows()) {
    Wnd* c = FromHandleQuiet(h);
    if (c && c->parent == p && (c->style & WS_MINIMIZE) && (c->style & WS_VISIBLE)) iconic.push_back(h);
  }
  const int width = p->client.right - p->client.left;
  const int bottom = p->client.bottom - p->client.top;
  const int perRow = std::max(1, width / cx);
  for (size_t i = 0; i < iconic.size(); ++i) {
    int x = static_cast<int>(i % static_cast<size_t>(perRow)) * cx;
    int y = bottom - static_cast<int>(i / static_cast<size_t>(perRow) + 1) * cy;
    if (Wnd* w = FromHandleQuiet(iconic[i])) w->minPos = POINT{x, y};  // kept for the next minimise
    SetWindowPos(iconic[i], nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return static_cast<UINT>(cy);
}
