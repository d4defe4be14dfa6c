// GDI regions (handles over the rectangle-set engine of rectset.h) and the region calls.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

using Spans = std::vector<std::pair<int, int>>;

HRGN NewRegion(RectSet rl) {
  auto* r = new Region();
  r->rl = std::move(rl);
  Register(r);
  return HandleOf<HRGN>(r);
}

static Region* R(HRGN h) { return As<Region>(h, Kind::Region); }

HRGN CreateRegion(RectSet set) {
  PV_GDI_LOCK;
  return NewRegion(std::move(set));
}

RectSet RegionSet(HRGN h) {
  PV_GDI_LOCK;
  Region* r = R(h);
  return r ? r->rl : RectSet();
}

// Scan-converts a polygon set with pixel centres (x+0.5, y+0.5).
static RectSet PolygonSpans(const std::vector<std::vector<POINT>>& polys, int fillMode) {
  int top = INT32_MAX, bottom = INT32_MIN;
  for (auto& p : polys)
    for (auto& pt : p) {
      top = std::min<int>(top, pt.y);
      bottom = std::max<int>(bottom, pt.y);
    }
  if (top >= bottom) return RectSet();
  std::vector<Spans> rows(bottom - top);
  for (int y = top; y < bottom; ++y) {
    double cy = y + 0.5;
    std::vector<std::pair<double, int>> xs;  // crossing x, winding direction
    for (auto& p : polys) {
      size_t n = p.size();
      for (size_t i = 0; i < n; ++i) {
        POINT a = p[i], b = p[(i + 1) % n];
        if (a.y == b.y) continue;
        int dir = a.y < b.y ? 1 : -1;
        if (a.y > b.y) std::swap(a, b);
        if (cy < a.y || cy >= b.y) continue;
        double x = a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y);
        xs.push_back({x, dir});
      }
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      bool in = fillMode == WINDING ? wind != 0 : (i % 2) == 0;
      if (!in) continue;
      // Pixels whose centre lies inside [x0, x1).
      int x0 = static_cast<int>(std::ceil(xs[i].first - 0.5));
      int x1 = static_cast<int>(std::ceil(xs[i + 1].first - 0.5));
      if (x0 < x1) rows[y - top].push_back({x0, x1});
    }
  }
  return RectSet::FromSpans(top, rows);
}

RectSet EllipseSpans(int l, int t, int r, int b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (r - l < 1 || b - t < 1) return RectSet();
  double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  std::vector<Spans> rows(b - t);
  for (int y = t; y < b; ++y) {
    double dy = (y + 0.5 - cy) / ry;
    double k = 1 - dy * dy;
    if (k < 0) continue;
    double half = rx * std::sqrt(k);
    int x0 = static_cast<int>(std::ceil(cx - half - 0.5));
    int x1 = static_cast<int>(std::ceil(cx + half - 0.5));
    if (x0 < l) x0 = l;
    if (x1 > r) x1 = r;
    if (x0 < x1) rows[y - t].push_back({x0, x1});
  }
  return RectSet::FromSpans(t, rows);
}

RectSet RoundRectSpans(int l, int t, int r, int b, int ew, int eh) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  ew = std::min(std::abs(ew), r - l);
  eh = std::min(std::abs(eh), b - t);
  if (ew < 2 || eh < 2) return RectSet::FromRect(l, t, r, b);
  double rx = ew / 2.0, ry = eh / 2.0;
  std::vector<Spans> rows(b - t);
  for (int y = t; y < b; ++y) {
    double py = y + 0.5;
    double inset = 0;
    double cyTop = t + ry, cyBot = b - ry;
    double dy = py < cyTop ? (cyTop - py) / ry : (py > cyBot ? (py - cyBot) / ry : 0);
    if (dy > 1) continue;
    inset = rx - rx * std::sqrt(1 - dy * dy);
    int x0 = static_cast<int>(std::ceil(l + inset - 0.5));
    int x1 = static_cast<int>(std::ceil(r - inset - 0.5));
    if (x0 < x1) rows[y - t].push_back({x0, x1});
  }
  return RectSet::FromSpans(t, rows);
}

RectSet PolygonRectSet(const std::vector<std::vector<POINT>>& polys, int fillMode) {
  return PolygonSpans(polys, fillMode);
}

}  // namespace pv::gdi

using namespace pv::gdi;

HRGN CreateRectRgn(int l, int t, int r, int b) { return NewRegion(RectSet::FromRect(l, t, r, b)); }
HRGN CreateRectRgnIndirect(const RECT* rc) {
  if (!rc) return nullptr;
  return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  return NewRegion(RoundRectSpans(l, t, r, b, w, h));
}
HRGN CreateEllipticRgn(int l, int t, int r, int b) { return NewRegion(EllipseSpans(l, t, r, b)); }
HRGN CreateEllipticRgnIndirect(const RECT* rc) {
  if (!rc) return nullptr;
  return CreateEllipticRgn(rc->left, rc->top, rc->right, rc->bottom);
}
HRGN CreatePolygonRgn(const POINT* pts, int count, int mode) {
  if (!pts || count < 2) return count >= 0 && pts ? NewRegion(RectSet()) : nullptr;
  return NewRegion(PolygonSpans({std::vector<POINT>(pts, pts + count)}, mode));
}
HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int mode) {
  if (!pts || !counts || polys <= 0) return nullptr;
  std::vector<std::vector<POINT>> v;
  const POINT* p = pts;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 0) return nullptr;
    v.emplace_back(p, p + counts[i]);
    p += counts[i];
  }
  return NewRegion(PolygonSpans(v, mode));
}

HRGN ExtCreateRegion(const XFORM* xf, DWORD size, const RGNDATA* data) {
  if (!data || size < sizeof(RGNDATAHEADER) || data->rdh.iType != RDH_RECTANGLES) return nullptr;
  DWORD n = data->rdh.nCount;
  if (sizeof(RGNDATAHEADER) + static_cast<size_t>(n) * sizeof(RECT) > size) return nullptr;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  RectSet rl;
  for (DWORD i = 0; i < n; ++i) {
    RECT r = rects[i];
    if (xf) {
      // Translation and scaling only.
      r.left = static_cast<LONG>(std::lround(r.left * xf->eM11 + xf->eDx));
      r.right = static_cast<LONG>(std::lround(r.right * xf->eM11 + xf->eDx));
      r.top = static_cast<LONG>(std::lround(r.top * xf->eM22 + xf->eDy));
      r.bottom = static_cast<LONG>(std::lround(r.bottom * xf->eM22 + xf->eDy));
    }
    rl = RectSet::Combine(rl, RectSet::FromRect(r.left, r.top, r.right, r.bottom), RGN_OR);
  }
  return NewRegion(std::move(rl));
}

DWORD GetRegionData(HRGN h, DWORD size, LPRGNDATA data) {
  PV_GDI_LOCK;
  Region* r = R(h);
  if (!r) return 0;
  DWORD need = static_cast<DWORD>(sizeof(RGNDATAHEADER) + r->rl.rects.size() * sizeof(RECT));
  if (!data) return need;
  if (size < need) return 0;
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(r->rl.rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(r->rl.rects.size() * sizeof(RECT));
  data->rdh.rcBound = r->rl.Box();
  if (!r->rl.rects.empty()) std::memcpy(data->Buffer, r->rl.rects.data(), r->rl.rects.size() * sizeof(RECT));
  return need;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  PV_GDI_LOCK;
  Region *d = R(dst), *ra = R(a), *rb = R(b);
  if (!d || !ra || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode != RGN_COPY && !rb) return ERROR;
  d->rl = mode == RGN_COPY ? ra->rl : RectSet::Combine(ra->rl, rb->rl, mode);
  return d->rl.Complexity();
}

int OffsetRgn(HRGN h, int dx, int dy) {
  PV_GDI_LOCK;
  Region* r = R(h);
  if (!r) return ERROR;
  r->rl.Offset(dx, dy);
  return r->rl.Complexity();
}

BOOL SetRectRgn(HRGN h, int l, int t, int r, int b) {
  PV_GDI_LOCK;
  Region* rg = R(h);
  if (!rg) return FALSE;
  rg->rl = RectSet::FromRect(l, t, r, b);
  return TRUE;
}

BOOL PtInRegion(HRGN h, int x, int y) {
  PV_GDI_LOCK;
  Region* r = R(h);
  return r && r->rl.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN h, const RECT* rc) {
  PV_GDI_LOCK;
  Region* r = R(h);
  if (!r || !rc) return FALSE;
  return RectSet::Combine(r->rl, RectSet::FromRect(rc->left, rc->top, rc->right, rc->bottom), RGN_AND).Empty() ? FALSE
                                                                                                               : TRUE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  PV_GDI_LOCK;
  Region *ra = R(a), *rb = R(b);
  if (!ra || !rb) return ERROR;
  // Banded lists are canonical, so equal regions have equal lists.
  if (ra->rl.rects.size() != rb->rl.rects.size()) return FALSE;
  for (size_t i = 0; i < ra->rl.rects.size(); ++i) {
    const RECT &x = ra->rl.rects[i], &y = rb->rl.rects[i];
    if (x.left != y.left || x.top != y.top || x.right != y.right || x.bottom != y.bottom) return FALSE;
  }
  return TRUE;
}

int GetRgnBox(HRGN h, LPRECT rc) {
  PV_GDI_LOCK;
  Region* r = R(h);
  if (!r || !rc) return ERROR;
  *rc = r->rl.Box();
  return r->rl.Complexity();
}

int GdiGetRegionRects(HRGN h, RECT* out, int maxCount) {
  PV_GDI_LOCK;
  Region* r = R(h);
  if (!r) return 0;
  int n = static_cast<int>(r->rl.rects.size());
  for (int i = 0; i < n && i < maxCount && out; ++i) out[i] = r->rl.rects[i];
  return n;
}

HRGN GdiCreateRegionFromBitmap(HBITMAP hbmp, COLORREF key) {
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbmp);
  if (!b) return nullptr;
  b->RawToPixels();
  b->Flush();
  std::vector<Spans> rows(b->h);
  uint32_t k = ColorToPixel(key) & 0xFFFFFF;
  for (int y = 0; y < b->h; ++y) {
    const uint32_t* row = b->Row(y);
    int start = -1;
    for (int x = 0; x <= b->w; ++x) {
      bool in = false;
      if (x < b->w)
        in = key == CLR_NONE ? (row[x] >> 24) != 0 : (PixelToColor(row[x]) != key && (row[x] & 0xFFFFFF) != k);
      if (in && start < 0) start = x;
      if (!in && start >= 0) {
        rows[y].push_back({start, x});
        start = -1;
      }
    }
  }
  return NewRegion(RectSet::FromSpans(0, rows));
}
