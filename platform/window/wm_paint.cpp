// Painting: update regions, WM_PAINT, device contexts of windows drawing
// into their top-level window's backing bitmap, scrolling.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_private.h"
#include "platform/window/wm_internal.h"

using namespace pv::wm;

namespace pv::wm {

namespace {

struct DcInfo {
  HWND hwnd;
  bool own;
};
// The device contexts handed out for windows, with their window: the UI
// thread's.
std::unordered_map<HDC, DcInfo>& Dcs() {
  static std::unordered_map<HDC, DcInfo>& d = *new std::unordered_map<HDC, DcInfo>;
  return d;
}

RECT WindowBox(const Wnd* w) { return RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top}; }

bool RedrawSuppressed(const Wnd* w) {
  for (; w && w != Desktop(); w = w->parent)
    if (w->redrawOff) return true;
  return false;
}

bool Locked(const Wnd* w) {
  Wnd* l = FromHandleQuiet(Ui().input.lockUpdate);
  return l && (l == w || IsAncestorOf(l, w));
}

}  // namespace

RECT ClientToWindowRect(const Wnd* w, const RECT& c) {
  if (Mirrored(w)) {
    int width = w->client.right - w->client.left;
    return RECT{w->client.left + width - c.right, w->client.top + c.top, w->client.left + width - c.left,
                w->client.top + c.bottom};
  }
  return RectOffset(c, w->client.left, w->client.top);
}

RECT WindowToClientRect(const Wnd* w, const RECT& r) {
  if (Mirrored(w)) {
    int width = w->client.right - w->client.left;
    return RECT{w->client.left + width - r.right, r.top - w->client.top, w->client.left + width - r.left,
                r.bottom - w->client.top};
  }
  return RectOffset(r, -w->client.left, -w->client.top);
}

bool NeedsPaint(const Wnd* w) { return !w->update.Empty() || w->internalPaint || w->frameNeeded; }

void SetPaintPending(Wnd* w) {
  bool need = NeedsPaint(w) && !w->messageOnly && !w->destroying;
  if (need == w->paintCounted || !w->queue) return;
  w->paintCounted = need;
  w->queue->paintPending += need ? 1 : -1;
}

void EnsureBacking(Wnd* top) {
  if (!top || !IsTopLevel(top) || top->messageOnly) return;
  int cx = std::max<int>(1, top->rect.right - top->rect.left);
  int cy = std::max<int>(1, top->rect.bottom - top->rect.top);
  if (top->backing && top->backingW == cx && top->backingH == cy) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = cx;
  bi.bmiHeader.biHeight = -cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = 0;  // BI_RGB
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
  if (!bmp) return;
  HBITMAP old = top->backing;
  // Keep what was drawn where the new bitmap overlaps the old one.
  if (old) {
    uint32_t *sb = nullptr, *db = nullptr;
    int sw, sh, ss, dw, dh, ds;
    if (GdiGetDibPixels(old, &sb, &sw, &sh, &ss) && GdiGetDibPixels(bmp, &db, &dw, &dh, &ds)) {
      int w = std::min(sw, dw), h = std::min(sh, dh);
      for (int y = 0; y < h; ++y)
        std::memcpy(reinterpret_cast<BYTE*>(db) + static_cast<size_t>(y) * ds,
                    reinterpret_cast<BYTE*>(sb) + static_cast<size_t>(y) * ss, static_cast<size_t>(w) * 4);
      GdiMarkDirty(bmp);
    }
  }
  top->backing = bmp;
  top->backingW = cx;
  top->backingH = cy;
  // DCs that live on (own DCs, DCs not yet released) follow the new bitmap.
  for (auto& [hdc, info] : Dcs()) {
    Wnd* w = FromHandleQuiet(info.hwnd);
    if (w && TopLevelOf(w) == top) GdiSetSurfaceBitmap(hdc, bmp);
  }
  if (old) DeleteObject(old);
}

void ReleaseWindowPaint(Wnd* w) {
  w->update.Clear();
  w->eraseNeeded = w->frameNeeded = w->internalPaint = false;
  SetPaintPending(w);
  for (auto it = Dcs().begin(); it != Dcs().end();) {
    if (it->second.hwnd == w->hwnd) {
      DeleteDC(it->first);
      it = Dcs().erase(it);
    } else {
      ++it;
    }
  }
  w->ownDC = nullptr;
  if (w->backing) DeleteObject(w->backing);
  w->backing = nullptr;
  w->backingW = w->backingH = 0;
}

Region VisibleRegion(Wnd* w, bool client, bool clipChildren, bool clipSiblings) {
  Region r;
  Wnd* top = TopLevelOf(w);
  if (!top) return r;
  RECT tsr = ScreenRect(top);
  RECT base = client ? ScreenClient(w) : ScreenRect(w);
  r.Add(RectOffset(base, -tsr.left, -tsr.top));
  if (w->windowRgn) {
    RECT sr = ScreenRect(w);
    Region shape = Region::FromHrgn(w->windowRgn);
    shape.Offset(sr.left - tsr.left, sr.top - tsr.top);
    r.Intersect(shape);
  }
  for (Wnd* a = w; a && a != top; a = a->parent) {
    Wnd* p = a->parent;
    r.Intersect(RectOffset(ScreenClient(p), -tsr.left, -tsr.top));
    if ((a == w && clipSiblings) || (a != w && (a->style & WS_CLIPSIBLINGS))) {
      for (Wnd* sib : p->children) {
        if (sib == a) break;
        if (!(sib->style & WS_VISIBLE)) continue;
        r.Subtract(RectOffset(ScreenRect(sib), -tsr.left, -tsr.top));
      }
    }
  }
  if (clipChildren) {
    // Children show only inside the client area: a child reaching past it
    // does not cut the frame (scroll bars, edges) away.
    RECT inside = ScreenClient(w);
    for (Wnd* c : w->children) {
      if (!(c->style & WS_VISIBLE)) continue;
      r.Subtract(RectOffset(RectIntersect(ScreenRect(c), inside), -tsr.left, -tsr.top));
    }
  }
  return r;
}

HDC MakeWindowDC(Wnd* w, bool client, const Region* clip, bool clipChildren, bool clipSiblings, bool drawWhileLocked) {
  Wnd* top = TopLevelOf(w);
  HDC hdc = nullptr;
  if (!top) {
    // The desktop: what is read from it is what the screen shows; what is
    // drawn on it nobody sees.
    hdc = MakeScreenDC();
    if (hdc) Dcs()[hdc] = DcInfo{w->hwnd, false};
    return hdc;
  }
  EnsureBacking(top);
  if (!top->backing) return nullptr;
  hdc = GdiCreateSurfaceDC(top->backing);
  if (!hdc) return nullptr;
  RECT tsr = ScreenRect(top);
  RECT area = client ? ScreenClient(w) : ScreenRect(w);
  GdiSetSystemOrigin(hdc, area.left - tsr.left, area.top - tsr.top);
  GdiSetSystemSize(hdc, area.right - area.left, area.bottom - area.top);
  Region vis;
  if (!RedrawSuppressed(w) && (drawWhileLocked || !Locked(w)) && IsVisibleChain(w)) {
    vis = VisibleRegion(w, client, clipChildren, clipSiblings);
    if (clip) {
      Region c = *clip;
      c.Offset(area.left - tsr.left, area.top - tsr.top);
      vis.Intersect(c);
    }
  }
  HRGN rgn = vis.ToHrgn();
  GdiSetSystemClip(hdc, rgn);
  if (rgn) DeleteObject(rgn);
  if (Mirrored(w) && client) SetLayout(hdc, LAYOUT_RTL);
  Dcs()[hdc] = DcInfo{w->hwnd, false};
  return hdc;
}

void MarkPresent(Wnd* w) {
  Wnd* top = TopLevelOf(w);
  if (!top) return;
  top->backingDirty = true;
}

void PresentDirty() {
  for (Wnd* t : Desktop()->children) {
    if (!t->backingDirty) continue;
    t->backingDirty = false;
    if (t->style & WS_VISIBLE) ActiveBackend().Present(t);
  }
}

// ---- invalidation -------------------------------------------------------------------------------
void InvalidateWnd(Wnd* w, const Region* rgn, UINT flags) {
  if (!w || w->messageOnly || w == Desktop()) return;
  // A window given its image by UpdateLayeredWindow shows that image: it
  // is not painted, as Windows does not paint it.
  if ((flags & RDW_INVALIDATE) && LayeredByImage(w)) return;
  RECT box = WindowBox(w);
  Region r = rgn ? *rgn : Region(box);
  r.Intersect(box);
  bool frame = (flags & RDW_FRAME) != 0;
  if (!frame) r.Intersect(w->client);
  if (flags & RDW_INVALIDATE) {
    if (!r.Empty()) {
      if (frame) {
        Region inClient = r;
        inClient.Intersect(w->client);
        w->update.Add(inClient);
      } else {
        w->update.Add(r);  // already within the client area
      }
      if (flags & RDW_ERASE) w->eraseNeeded = true;
      if (frame) {
        Region nc = r;
        nc.Subtract(w->client);
        if (!nc.Empty()) w->frameNeeded = true;
      }
    }
  }
  if (flags & RDW_VALIDATE) {
    w->update.Subtract(r);
    if (w->update.Empty() || (flags & RDW_NOERASE)) w->eraseNeeded = false;
    if (flags & RDW_NOFRAME) w->frameNeeded = false;
  }
  if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
  if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  SetPaintPending(w);
  bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (!children || r.Empty() || w->children.empty()) return;
  Region inClient = r;
  inClient.Intersect(w->client);
  RECT wsr = ScreenRect(w);
  for (Wnd* c : w->children) {
    RECT csr = ScreenRect(c);
    Region cr = inClient;
    cr.Offset(wsr.left - csr.left, wsr.top - csr.top);
    cr.Intersect(WindowBox(c));
    if (cr.Empty()) continue;
    UINT cf = flags | RDW_FRAME;
    if (!(flags & RDW_ALLCHILDREN)) cf &= ~static_cast<UINT>(RDW_ALLCHILDREN);
    InvalidateWnd(c, &cr, cf);
  }
}

void ValidateWnd(Wnd* w, const Region* rgn, UINT flags) {
  InvalidateWnd(w, rgn, (flags & ~RDW_INVALIDATE) | RDW_VALIDATE);
}

Wnd* FindPaintWindowIn(Wnd* w, ThreadQueue& q, HWND filter) {
  if (!(w->style & WS_VISIBLE) || w->redrawOff || Locked(w)) return nullptr;
  if (w->tid == q.tid && NeedsPaint(w) && (!filter || w->hwnd == filter || IsChild(filter, w->hwnd))) return w;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
    if (Wnd* f = FindPaintWindowIn(*it, q, filter)) return f;
  return nullptr;
}

Wnd* FindPaintWindow(ThreadQueue& q, HWND filter) {
  for (auto it = Desktop()->children.rbegin(); it != Desktop()->children.rend(); ++it) {
    Wnd* t = *it;
    if (t->style & WS_MINIMIZE) {
      // A minimised window shows its caption alone (where the desktop does
      // not iconify it), never its children.
      if ((t->style & WS_VISIBLE) && !t->redrawOff && t->tid == q.tid && NeedsPaint(t) &&
          (!filter || t->hwnd == filter))
        return t;
      continue;
    }
    if (Wnd* f = FindPaintWindowIn(t, q, filter)) return f;
  }
  return nullptr;
}

namespace {
void EraseNow(Wnd* w) {
  HWND hwnd = w->hwnd;
  if (w->frameNeeded) {
    w->frameNeeded = false;
    SetPaintPending(w);
    Send(hwnd, WM_NCPAINT, 1, 0);
    w = FromHandleQuiet(hwnd);
    if (!w) return;
  }
  if (w->eraseNeeded && !w->update.Empty()) {
    w->eraseNeeded = false;
    HDC hdc = MakeWindowDC(w, true, &w->update, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
    if (hdc) {
      Region upd = w->update;
      upd.Offset(-w->client.left, -w->client.top);
      HRGN r = upd.ToHrgn();
      (void)r;
      if (r) DeleteObject(r);
      Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
      if (Dcs().count(hdc)) {
        Dcs().erase(hdc);
        DeleteDC(hdc);
      }
    }
    if (Wnd* again = FromHandleQuiet(hwnd)) MarkPresent(again);
  }
}
}  // namespace

void PaintNow(Wnd* w, bool children, bool eraseOnly) {
  HWND hwnd = w->hwnd;
  if (IsVisibleChain(w) && !RedrawSuppressed(w) && !Locked(w)) {
    if (eraseOnly) {
      EraseNow(w);
    } else if (NeedsPaint(w)) {
      w->beganPaint = false;
      Send(hwnd, WM_PAINT, 0, 0);
      w = FromHandleQuiet(hwnd);
      if (!w) return;
      if (!w->beganPaint && NeedsPaint(w)) {
        w->update.Clear();
        w->eraseNeeded = w->frameNeeded = w->internalPaint = false;
        SetPaintPending(w);
      }
    }
  }
  w = FromHandleQuiet(hwnd);
  if (!w || !children) return;
  std::vector<HWND> kids;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) kids.push_back((*it)->hwnd);
  for (HWND k : kids)
    if (Wnd* c = FromHandleQuiet(k)) PaintNow(c, true, eraseOnly);
}

}  // namespace pv::wm

// ---- the public painting API ----------------------------------------------------------------------
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !ps) return nullptr;
  *ps = PAINTSTRUCT{};
  w->beganPaint = true;
  CaretErase(hwnd);
  if (w->frameNeeded) {
    w->frameNeeded = false;
    SetPaintPending(w);
    Send(hwnd, WM_NCPAINT, 1, 0);
    w = FromHandleQuiet(hwnd);
    if (!w) return nullptr;
  }
  Region upd = w->update;
  upd.Intersect(w->client);
  bool erase = w->eraseNeeded;
  w->update.Clear();
  w->eraseNeeded = false;
  w->internalPaint = false;
  SetPaintPending(w);
  Region clipClient = upd;
  clipClient.Offset(-w->client.left, -w->client.top);
  HDC hdc = MakeWindowDC(w, true, &clipClient, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
  if (!hdc) return nullptr;
  ps->hdc = hdc;
  ps->rcPaint = upd.Empty() ? RECT{0, 0, 0, 0} : WindowToClientRect(w, upd.Bounds());
  ps->fErase = FALSE;
  if (erase) {
    LRESULT r = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    ps->fErase = r ? FALSE : TRUE;
  }
  if (Wnd* again = FromHandleQuiet(hwnd)) again->painting = true;
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  Wnd* w = FromHandleQuiet(hwnd);
  if (w) {
    w->painting = false;
    MarkPresent(w);
  }
  if (ps && ps->hdc) {
    auto it = Dcs().find(ps->hdc);
    if (it != Dcs().end()) {
      Dcs().erase(it);
      DeleteDC(ps->hdc);
    }
  }
  if (w) CaretRestore(hwnd);
  return TRUE;
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  Wnd* w = hwnd ? FromHandle(hwnd) : Desktop();
  if (!w) return nullptr;
  bool windowDC = (flags & DCX_WINDOW) != 0;
  if (!windowDC && w->cls && (w->cls->style & CS_OWNDC) && !clip && w->ownDC) return w->ownDC;
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (!(flags & DCX_CACHE) && (w->style & WS_CLIPCHILDREN));
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (!(flags & DCX_CACHE) && (w->style & WS_CLIPSIBLINGS));
  Region extra;
  const Region* use = nullptr;
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    Region given = Region::FromHrgn(clip);
    if (flags & DCX_INTERSECTRGN) {
      extra = given;
    } else {
      RECT box =
          windowDC ? WindowBox(w) : RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
      extra = Region(box);
      extra.Subtract(given);
    }
    use = &extra;
  }
  if (clip) DeleteObject(clip);
  HDC hdc = MakeWindowDC(w, !windowDC, use, clipChildren, clipSiblings, (flags & DCX_LOCKWINDOWUPDATE) != 0);
  if (hdc && !windowDC && w->cls && (w->cls->style & CS_OWNDC) && !use) {
    w->ownDC = hdc;
    Dcs()[hdc].own = true;
  }
  return hdc;
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }
HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC hdc) {
  auto it = Dcs().find(hdc);
  if (it == Dcs().end()) return 0;
  if (Wnd* w = FromHandleQuiet(it->second.hwnd)) MarkPresent(w);
  if (it->second.own) return 1;
  Dcs().erase(it);
  DeleteDC(hdc);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  auto it = Dcs().find(hdc);
  if (it == Dcs().end()) return nullptr;
  return FromHandleQuiet(it->second.hwnd) ? it->second.hwnd : nullptr;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN rgn, UINT flags) {
  Wnd* w = hwnd ? FromHandle(hwnd) : Desktop();
  if (!w) return FALSE;
  if (w == Desktop()) {
    // The whole screen: every top-level window.
    std::vector<HWND> tops = TopLevelWindows();
    for (HWND t : tops) RedrawWindow(t, nullptr, nullptr, flags | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
  }
  Region r;
  const Region* use = nullptr;
  if (rgn) {
    r = Region::FromHrgn(rgn);
    if (flags & RDW_FRAME) {
      // window coordinates relative to the client origin, as the caller sees them
      r.Offset(w->client.left, w->client.top);
    } else {
      Region mapped;
      for (const RECT& x : r.Rects()) mapped.Add(ClientToWindowRect(w, x));
      r = mapped;
    }
    use = &r;
  } else if (rect) {
    r = Region(ClientToWindowRect(w, *rect));
    use = &r;
  } else if (!(flags & RDW_FRAME)) {
    r = Region(w->client);
    use = &r;
  }
  if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT)) {
    if (flags & RDW_VALIDATE) ValidateWnd(w, use, flags);
    else InvalidateWnd(w, use, flags);
  }
  w = FromHandleQuiet(hwnd);
  if (!w) return TRUE;
  if (flags & RDW_UPDATENOW) PaintNow(w, (flags & RDW_ALLCHILDREN) || !(flags & RDW_NOCHILDREN), false);
  else if (flags & RDW_ERASENOW) PaintNow(w, (flags & RDW_ALLCHILDREN) || !(flags & RDW_NOCHILDREN), true);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) return RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  return RedrawWindow(hwnd, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | (rect ? 0 : RDW_NOERASE | RDW_NOFRAME));
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  if (!rgn) return ValidateRect(hwnd, nullptr);
  return RedrawWindow(hwnd, nullptr, rgn, RDW_VALIDATE);
}

BOOL UpdateWindow(HWND hwnd) { return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return FALSE;
  Region upd = w->update;
  upd.Intersect(w->client);
  if (erase && w->eraseNeeded && !upd.Empty()) EraseNow(w);
  if (rect) *rect = upd.Empty() ? RECT{0, 0, 0, 0} : WindowToClientRect(w, upd.Bounds());
  return upd.Empty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !rgn) return ERROR;
  Region upd = w->update;
  upd.Intersect(w->client);
  if (erase && w->eraseNeeded && !upd.Empty()) EraseNow(w);
  Region client;
  for (const RECT& r : upd.Rects()) client.Add(WindowToClientRect(w, r));
  HRGN tmp = client.ToHrgn();
  int type = CombineRgn(rgn, tmp, nullptr, RGN_COPY);
  DeleteObject(tmp);
  return type;
}

int ExcludeUpdateRgn(HDC hdc, HWND hwnd) {
  Wnd* w = FromHandle(hwnd);
  if (!w || !hdc) return ERROR;
  Region upd = w->update;
  upd.Intersect(w->client);
  for (const RECT& r : upd.Rects()) {
    RECT c = WindowToClientRect(w, r);
    ExcludeClipRect(hdc, c.left, c.top, c.right, c.bottom);
  }
  RECT box;
  return GetClipBox(hdc, &box);
}

BOOL LockWindowUpdate(HWND hwnd) {
  UiState& s = Ui();
  if (hwnd) {
    if (FromHandleQuiet(s.input.lockUpdate)) return FALSE;
    if (!FromHandle(hwnd)) return FALSE;
    s.input.lockUpdate = hwnd;
    return TRUE;
  }
  HWND old = s.input.lockUpdate;
  s.input.lockUpdate = nullptr;
  if (FromHandleQuiet(old))
    RedrawWindow(old, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

// ---- scrolling ----------------------------------------------------------------------------------
namespace {
// Moves the pixels of `valid` (backing-bitmap coordinates) by dx, dy. A region can hold
// several rectangles whose sources overlap other rectangles' destinations, so every
// source is read from a copy of the rows the sources span, taken before anything moves.
void MovePixels(HBITMAP bmp, const Region& valid, int dx, int dy) {
  uint32_t* bits = nullptr;
  int bw, bh, stride;
  if (!GdiGetDibPixels(bmp, &bits, &bw, &bh, &stride)) return;
  auto row = [&](int y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<BYTE*>(bits) + static_cast<size_t>(y) * stride);
  };
  RECT dest = RectIntersect(valid.Bounds(), RECT{0, 0, bw, bh});
  if (RectEmpty(dest)) return;
  const int srcTop = std::max(dest.top - dy, 0), srcBottom = std::min(dest.bottom - dy, bh);
  if (srcTop >= srcBottom) return;
  std::vector<uint32_t> source(static_cast<size_t>(srcBottom - srcTop) * static_cast<size_t>(bw));
  for (int y = srcTop; y < srcBottom; ++y)
    std::copy_n(row(y), bw, source.begin() + static_cast<ptrdiff_t>(y - srcTop) * bw);
  for (const RECT& r0 : valid.Rects()) {
    RECT r = RectIntersect(r0, RECT{0, 0, bw, bh});
    if (RectEmpty(r)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      int sy = y - dy;
      if (sy < srcTop || sy >= srcBottom) continue;
      const uint32_t* from = source.data() + static_cast<ptrdiff_t>(sy - srcTop) * bw;
      uint32_t* to = row(y);
      for (int x = r.left; x < r.right; ++x) {
        int sx = x - dx;
        to[x] = (sx >= 0 && sx < bw) ? from[sx] : 0;
      }
    }
  }
  GdiMarkDirty(bmp);
}
}  // namespace

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, LPRECT updateRect,
                   UINT flags) {
  Wnd* w = FromHandle(hwnd);
  if (!w) return ERROR;
  CaretErase(hwnd);
  struct RestoreCaret {
    HWND h;
    ~RestoreCaret() {
      if (FromHandleQuiet(h)) CaretRestore(h);
    }
  } restoreCaret{hwnd};
  RECT clientBox{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  RECT area = scroll ? RectIntersect(*scroll, clientBox) : clientBox;
  RECT clipArea = clip ? RectIntersect(*clip, clientBox) : clientBox;
  RECT winArea = ClientToWindowRect(w, area);
  RECT winClip = ClientToWindowRect(w, clipArea);
  int wdx = Mirrored(w) ? -dx : dx;
  // The part of the scrolled area whose pixels can be moved: visible now
  // and visible at the source.
  Region dest(winArea);
  dest.Intersect(RectOffset(winArea, wdx, dy));
  dest.Intersect(winClip);
  Wnd* top = TopLevelOf(w);
  Region vis;
  if (top && IsVisibleChain(w) && !RedrawSuppressed(w)) {
    RECT tsr = ScreenRect(top), wsr = ScreenRect(w);
    vis = VisibleRegion(w, false, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
    vis.Offset(tsr.left - wsr.left, tsr.top - wsr.top);  // to window coordinates
    Region srcVis = vis;
    srcVis.Offset(wdx, dy);
    Region movable = dest;
    movable.Intersect(vis);
    movable.Intersect(srcVis);
    if (top->backing && !movable.Empty()) {
      movable.Offset(wsr.left - tsr.left, wsr.top - tsr.top);
      MovePixels(top->backing, movable, wdx, dy);
      MarkPresent(w);
    }
    movable.Offset(tsr.left - wsr.left, tsr.top - wsr.top);
    dest = movable;
  } else {
    dest.Clear();
  }
  // Whatever of the area did not receive moved pixels needs painting.
  Region exposed(RectIntersect(winArea, winClip));
  exposed.Subtract(Region(RECT{}));
  for (const RECT& r : dest.Rects()) exposed.Subtract(r);
  // Pending update moves with the contents.
  Region pending = w->update;
  pending.Intersect(winArea);
  if (!pending.Empty()) {
    w->update.Subtract(winArea);
    pending.Offset(wdx, dy);
    pending.Intersect(winArea);
    w->update.Add(pending);
    SetPaintPending(w);
  }
  if (flags & SW_SCROLLCHILDREN) {
    std::vector<HWND> kids;
    for (Wnd* c : w->children) kids.push_back(c->hwnd);
    for (HWND k : kids) {
      Wnd* c = FromHandleQuiet(k);
      if (!c) continue;
      RECT cr = c->rect;
      if (!scroll || !RectEmpty(RectIntersect(cr, area)))
        SetWindowPos(k, nullptr, cr.left + dx, cr.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    w = FromHandleQuiet(hwnd);
    if (!w) return ERROR;
  }
  Region exposedClient;
  for (const RECT& r : exposed.Rects()) exposedClient.Add(WindowToClientRect(w, r));
  if (update) {
    HRGN tmp = exposedClient.ToHrgn();
    CombineRgn(update, tmp, nullptr, RGN_COPY);
    DeleteObject(tmp);
  }
  if (updateRect) *updateRect = exposedClient.Bounds();
  if (flags & SW_INVALIDATE) {
    InvalidateWnd(
        w, &exposed,
        RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) | ((flags & SW_SCROLLCHILDREN) ? RDW_ALLCHILDREN : 0));
  }
  if (exposedClient.Empty()) return NULLREGION;
  return exposedClient.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr,
                        SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}

BOOL ScrollDC(HDC hdc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, LPRECT updateRect) {
  if (!hdc) return FALSE;
  RECT box;
  GetClipBox(hdc, &box);
  RECT area = scroll ? *scroll : box;
  RECT clipArea = clip ? RectIntersect(*clip, box) : box;
  Region dest(RectIntersect(RectOffset(area, dx, dy), clipArea));
  HBITMAP bmp = GdiGetDCBitmap(hdc);
  int ox = 0, oy = 0;
  GdiGetSystemOrigin(hdc, &ox, &oy);
  if (bmp) {
    Region moved = dest;
    moved.Intersect(RectOffset(clipArea, 0, 0));
    moved.Offset(ox, oy);
    MovePixels(bmp, moved, dx, dy);
  }
  Region exposed(RectIntersect(area, clipArea));
  exposed.Subtract(RectOffset(area, dx, dy));
  if (update) {
    HRGN tmp = exposed.ToHrgn();
    CombineRgn(update, tmp, nullptr, RGN_COPY);
    DeleteObject(tmp);
  }
  if (updateRect) *updateRect = exposed.Bounds();
  if (HWND h = WindowFromDC(hdc))
    if (Wnd* w = FromHandleQuiet(h)) MarkPresent(w);
  return TRUE;
}

BOOL PrintWindow(HWND hwnd, HDC hdc, UINT) {
  if (!FromHandle(hwnd) || !hdc) return FALSE;
  SendMessage(hwnd, WM_PRINT, reinterpret_cast<WPARAM>(hdc),
              PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  return TRUE;
}
