// Pixels, lines, shapes, paths and rectangle fills with GDI's pixel rules:
// fills cover [left,right)×[top,bottom), lines leave out their last point,
// shapes are not anti-aliased.
#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi_internal.h"

namespace pv::gdi {

RectSet EllipseSpans(int l, int t, int r, int b);
RectSet RoundRectSpans(int l, int t, int r, int b, int ew, int eh);
RectSet PolygonRectSet(const std::vector<std::vector<POINT>>& polys, int fillMode);

static bool IsPrinter(DC* dc) { return dc->type == DCType::Printer || dc->type == DCType::Info; }

// Paints the rectangles of `rl` (target coordinates) under the DC's clip.
static void PaintRects(DC* dc, const RectSet& rl, const BrushSampler* brush, uint32_t pix, int rop2, DWORD rop3) {
  RectSet clipped = RectSet::Combine(rl, dc->Clip(), RGN_AND);
  if (clipped.Empty()) return;
  Bitmap* b = dc->Target();
  if (!b) {
    if (dc->type != DCType::Printer) return;
    cairo_t* cr = dc->Cairo();
    if (!cr) return;
    uint32_t c = brush ? brush->solid : pix;
    if (brush && !brush->IsSolid()) brush->At(0, 0, &c);
    cairo_set_source_rgb(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
    for (const RECT& r : clipped.rects) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_fill(cr);
    dc->ReleaseCairo(cr);
    return;
  }
  b->Flush();
  uint8_t r3 = static_cast<uint8_t>((rop3 >> 16) & 0xFF);
  bool plainCopy = rop2 == R2_COPYPEN && r3 == 0xF0;
  for (const RECT& r : clipped.rects) {
    for (int y = r.top; y < r.bottom; ++y) {
      uint32_t* row = b->Row(y);
      if (plainCopy && (!brush || brush->IsSolid())) {
        uint32_t c = brush ? brush->solid : pix;
        std::fill(row + r.left, row + r.right, c);
        continue;
      }
      for (int x = r.left; x < r.right; ++x) {
        uint32_t p = pix;
        if (brush && !brush->At(x, y, &p)) continue;
        if (r3 != 0xF0) row[x] = Rop3(r3, p, 0, row[x]);
        else row[x] = Rop2(rop2, p, row[x]);
      }
    }
  }
  b->Dirty();
  b->PixelsToRaw();
}

void FillTargetRect(DC* dc, const RECT& r, HBRUSH brush, DWORD rop) {
  BrushSampler s;
  bool usesPattern = RopUsesPattern(rop);
  if (usesPattern && !MakeSampler(dc, brush, &s)) return;
  PaintRects(dc, RectSet::FromRect(r.left, r.top, r.right, r.bottom), usesPattern ? &s : nullptr, 0, R2_COPYPEN, rop);
}

void PlotPixel(DC* dc, int x, int y, uint32_t pix, int rop2) {
  Bitmap* b = dc->Target();
  if (!b) {
    PaintRects(dc, RectSet::FromRect(x, y, x + 1, y + 1), nullptr, pix, rop2, PATCOPY);
    return;
  }
  if (x < 0 || y < 0 || x >= b->w || y >= b->h || !dc->Clip().Contains(x, y)) return;
  uint32_t* row = b->Row(y);
  row[x] = Rop2(rop2, pix, row[x]);
}

void PaintMask(DC* dc, cairo_surface_t* mask, int mx, int my, uint32_t pen, HBRUSH brush, int rop2) {
  cairo_surface_flush(mask);
  int w = cairo_image_surface_get_width(mask), h = cairo_image_surface_get_height(mask);
  int stride = cairo_image_surface_get_stride(mask);
  const unsigned char* data = cairo_image_surface_get_data(mask);
  std::vector<std::vector<std::pair<int, int>>> rows(h);
  for (int y = 0; y < h; ++y) {
    int start = -1;
    for (int x = 0; x <= w; ++x) {
      bool in = x < w && data[y * stride + x] >= 128;
      if (in && start < 0) start = x;
      if (!in && start >= 0) {
        rows[y].push_back({start + mx, x + mx});
        start = -1;
      }
    }
  }
  RectSet rl = RectSet::FromSpans(my, rows);
  BrushSampler s;
  if (brush) {
    if (!MakeSampler(dc, brush, &s)) return;
    PaintRects(dc, rl, &s, 0, rop2, PATCOPY);
  } else {
    PaintRects(dc, rl, nullptr, pen, rop2, PATCOPY);
  }
}

// ---- pens ---------------------------------------------------------------------------------------
struct PenInfo {
  bool null = true;
  int width = 1;
  int style = PS_SOLID;
  uint32_t pix = 0;
  bool insideFrame = false;
  const Pen* pen = nullptr;
};

static PenInfo GetPen(DC* dc) {
  PenInfo pi;
  Pen* p = As<Pen>(dc->st.pen, Kind::Pen);
  if (!p || p->style == PS_NULL) return pi;
  pi.null = false;
  pi.pen = p;
  pi.style = p->style;
  pi.insideFrame = p->style == PS_INSIDEFRAME;
  if (pi.insideFrame) pi.style = PS_SOLID;
  COLORREF c = p->dcPen ? dc->st.dcPen : p->color;
  pi.pix = ColorToPixel(dc->MapColor(c));
  // Pen widths are in logical units.
  pi.width = p->width <= 1 ? 1 : std::max(1, static_cast<int>(std::lround(p->width * std::fabs(dc->ScaleX()))));
  if (!p->geometric && p->width <= 1) pi.width = 1;
  return pi;
}

static std::vector<int> StylePattern(const PenInfo& pi) {
  switch (pi.style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
      return {1, 1};
    case PS_USERSTYLE: {
      std::vector<int> v;
      for (DWORD d : pi.pen->user) v.push_back(std::max<int>(1, static_cast<int>(d)));
      return v;
    }
    default:
      return {};
  }
}

// One-pixel line from a to b (target pixels), b excluded. `styleCounter`
// carries the dash position across the segments of a poly-line.
static void Bresenham(DC* dc, POINT a, POINT b, const PenInfo& pi, int* styleCounter, bool includeLast = false) {
  std::vector<int> pattern = StylePattern(pi);
  int total = 0;
  for (int v : pattern) total += v;
  uint32_t bk = ColorToPixel(dc->MapColor(dc->st.bk));
  bool opaqueGaps = dc->st.bkMode == OPAQUE;
  int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int steps = std::max(dx, dy) + (includeLast ? 1 : 0);
  int err = (dx > dy ? dx : -dy) / 2;
  int x = a.x, y = a.y;
  for (int i = 0; i < steps; ++i) {
    bool on = true;
    if (total > 0) {
      int pos = (*styleCounter) % total, acc = 0;
      for (size_t k = 0; k < pattern.size(); ++k) {
        acc += pattern[k];
        if (pos < acc) {
          on = (k % 2) == 0;
          break;
        }
      }
      ++*styleCounter;
    }
    if (on) PlotPixel(dc, x, y, pi.pix, dc->st.rop2);
    else if (opaqueGaps) PlotPixel(dc, x, y, bk, dc->st.rop2);
    int e2 = err;
    if (e2 > -dx) {
      err -= dy;
      x += sx;
    }
    if (e2 < dy) {
      err += dx;
      y += sy;
    }
  }
}

static cairo_surface_t* MaskFor(DC* dc, int* mx, int* my) {
  // An A8 mask over the clip box.
  RECT box = dc->Clip().Box();
  *mx = box.left;
  *my = box.top;
  int w = std::max<int>(1, box.right - box.left), h = std::max<int>(1, box.bottom - box.top);
  return cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
}

// Wide (geometric) poly-line in target coordinates through cairo.
static void WidePolyline(DC* dc, const std::vector<std::pair<double, double>>& pts, bool closed, const PenInfo& pi) {
  if (pts.size() < 2 || dc->Clip().Empty()) return;
  if (IsPrinter(dc)) {
    cairo_t* cr = dc->Cairo();
    if (!cr) return;
    cairo_set_source_rgb(cr, ((pi.pix >> 16) & 0xFF) / 255.0, ((pi.pix >> 8) & 0xFF) / 255.0, (pi.pix & 0xFF) / 255.0);
    cairo_set_line_width(cr, pi.width);
    cairo_move_to(cr, pts[0].first, pts[0].second);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first, pts[i].second);
    if (closed) cairo_close_path(cr);
    cairo_stroke(cr);
    dc->ReleaseCairo(cr);
    return;
  }
  int mx, my;
  cairo_surface_t* mask = MaskFor(dc, &mx, &my);
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -mx, -my);
  cairo_set_line_width(cr, pi.width);
  DWORD cap = pi.pen ? pi.pen->endcap : PS_ENDCAP_ROUND;
  DWORD join = pi.pen ? pi.pen->join : PS_JOIN_ROUND;
  cairo_set_line_cap(cr, cap == PS_ENDCAP_FLAT     ? CAIRO_LINE_CAP_BUTT
                         : cap == PS_ENDCAP_SQUARE ? CAIRO_LINE_CAP_SQUARE
                                                   : CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, join == PS_JOIN_BEVEL   ? CAIRO_LINE_JOIN_BEVEL
                          : join == PS_JOIN_MITER ? CAIRO_LINE_JOIN_MITER
                                                  : CAIRO_LINE_JOIN_ROUND);
  std::vector<int> pattern = StylePattern(pi);
  if (!pattern.empty() && pi.pen && pi.pen->geometric) {
    std::vector<double> d;
    for (int v : pattern) d.push_back(v * pi.width);
    cairo_set_dash(cr, d.data(), static_cast<int>(d.size()), 0);
  }
  // Centre of the pixels the points name.
  cairo_move_to(cr, pts[0].first + 0.5, pts[0].second + 0.5);
  for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first + 0.5, pts[i].second + 0.5);
  if (closed) cairo_close_path(cr);
  cairo_stroke(cr);
  cairo_destroy(cr);
  PaintMask(dc, mask, mx, my, pi.pix, nullptr, dc->st.rop2);
  cairo_surface_destroy(mask);
}

// Poly-line through logical points with the DC's pen.
static void DrawPolyline(DC* dc, const std::vector<POINT>& lp, bool closed) {
  PenInfo pi = GetPen(dc);
  if (pi.null || lp.size() < 2) return;
  std::vector<POINT> tp;
  for (const POINT& p : lp) tp.push_back(dc->ToTargetPt(p.x, p.y));
  if (pi.width > 1 || IsPrinter(dc)) {
    std::vector<std::pair<double, double>> d;
    for (const POINT& p : tp) d.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    WidePolyline(dc, d, closed, pi);
    return;
  }
  Bitmap* b = dc->Target();
  if (b) b->Flush();
  int counter = 0;
  for (size_t i = 0; i + 1 < tp.size(); ++i) Bresenham(dc, tp[i], tp[i + 1], pi, &counter);
  if (closed) Bresenham(dc, tp.back(), tp.front(), pi, &counter);
  if (b) {
    b->Dirty();
    b->PixelsToRaw();
  }
}

// Fills a region given in target coordinates with the DC's brush.
static void FillWithBrush(DC* dc, const RectSet& rl, HBRUSH brush) {
  BrushSampler s;
  if (!MakeSampler(dc, brush, &s)) return;
  PaintRects(dc, rl, &s, 0, dc->st.rop2, PATCOPY);
}

static void PaintWithPen(DC* dc, const RectSet& rl, const PenInfo& pi) {
  PaintRects(dc, rl, nullptr, pi.pix, dc->st.rop2, PATCOPY);
}

// A closed shape given by a span function of its bounding box (target coordinates).
template <class SpanFn>
static void DrawShape(DC* dc, RECT box, SpanFn spans) {
  PenInfo pi = GetPen(dc);
  if (pi.null) {
    // Without a pen the filled area is one pixel smaller on the right and bottom.
    FillWithBrush(dc, spans(box.left, box.top, box.right - 1, box.bottom - 1), dc->st.brush);
    return;
  }
  int w = pi.width;
  if (pi.insideFrame || w > 1) {
    // The pen lies inside the bounding box.
  }
  RectSet outer = spans(box.left, box.top, box.right, box.bottom);
  RectSet inner = (box.right - box.left > 2 * w && box.bottom - box.top > 2 * w)
                      ? spans(box.left + w, box.top + w, box.right - w, box.bottom - w)
                      : RectSet();
  FillWithBrush(dc, inner, dc->st.brush);
  PaintWithPen(dc, RectSet::Combine(outer, inner, RGN_DIFF), pi);
}

// Arc points (target coordinates) from the start radial to the end radial,
// counter-clockwise as the default arc direction.
static std::vector<std::pair<double, double>> ArcPoints(DC* dc, int l, int t, int r, int b, int xs, int ys, int xe,
                                                        int ye) {
  RECT box = dc->ToTargetRect(l, t, r, b);
  POINT s = dc->ToTargetPt(xs, ys), e = dc->ToTargetPt(xe, ye);
  double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
  double a0 = std::atan2(-(s.y + 0.5 - cy) / std::max(ry, 0.5), (s.x + 0.5 - cx) / std::max(rx, 0.5));
  double a1 = std::atan2(-(e.y + 0.5 - cy) / std::max(ry, 0.5), (e.x + 0.5 - cx) / std::max(rx, 0.5));
  bool mirrored = dc->Mirrored();
  double sweep = a1 - a0;
  if (mirrored) sweep = -sweep;
  while (sweep <= 0) sweep += 2 * M_PI;
  int n = std::max(8, static_cast<int>(sweep * std::max(rx, ry)));
  std::vector<std::pair<double, double>> pts;
  for (int i = 0; i <= n; ++i) {
    double a = a0 + (mirrored ? -1 : 1) * sweep * i / n;
    pts.push_back({cx + (rx - 0.5) * std::cos(a) - 0.5, cy - (ry - 0.5) * std::sin(a) - 0.5});
  }
  return pts;
}

static std::vector<POINT> Rounded(const std::vector<std::pair<double, double>>& v) {
  std::vector<POINT> out;
  for (auto& p : v) {
    POINT q{static_cast<LONG>(std::lround(p.first)), static_cast<LONG>(std::lround(p.second))};
    if (out.empty() || out.back().x != q.x || out.back().y != q.y) out.push_back(q);
  }
  return out;
}

// Draws target-space points as a pen outline (pixels).
static void StrokeTarget(DC* dc, const std::vector<POINT>& tp, bool closed, bool includeLast) {
  PenInfo pi = GetPen(dc);
  if (pi.null || tp.size() < 2) return;
  if (pi.width > 1 || IsPrinter(dc)) {
    std::vector<std::pair<double, double>> d;
    for (auto& p : tp) d.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    WidePolyline(dc, d, closed, pi);
    return;
  }
  Bitmap* b = dc->Target();
  if (b) b->Flush();
  int counter = 0;
  for (size_t i = 0; i + 1 < tp.size(); ++i)
    Bresenham(dc, tp[i], tp[i + 1], pi, &counter, includeLast && !closed && i + 2 == tp.size());
  if (closed) Bresenham(dc, tp.back(), tp.front(), pi, &counter);
  if (b) {
    b->Dirty();
    b->PixelsToRaw();
  }
}

static void FillTargetPolygon(DC* dc, const std::vector<std::vector<POINT>>& polys) {
  // Polygon edges pass through pixel corners: a pixel is inside when its centre is.
  FillWithBrush(dc, PolygonRectSet(polys, dc->st.polyFill), dc->st.brush);
}

// ---- Bézier flattening --------------------------------------------------------------------------
static void Bezier(std::vector<std::pair<double, double>>& out, double x0, double y0, double x1, double y1, double x2,
                   double y2, double x3, double y3) {
  double len = std::hypot(x1 - x0, y1 - y0) + std::hypot(x2 - x1, y2 - y1) + std::hypot(x3 - x2, y3 - y2);
  int n = std::max(2, static_cast<int>(len / 2));
  for (int i = 1; i <= n; ++i) {
    double t = static_cast<double>(i) / n, u = 1 - t;
    out.push_back({u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3,
                   u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3});
  }
}

// ---- paths ----------------------------------------------------------------------------------------
static void PathAdd(DC* dc, int lx, int ly, BYTE type) {
  double x, y;
  dc->ToDevice(lx, ly, &x, &y);
  dc->path.push_back(PathPoint{x + dc->sysOrigin.x, y + dc->sysOrigin.y, type});
}

static std::vector<std::vector<std::pair<double, double>>> PathFigures(DC* dc, std::vector<bool>* closedOut) {
  std::vector<std::vector<std::pair<double, double>>> figs;
  std::vector<bool> closed;
  for (size_t i = 0; i < dc->path.size(); ++i) {
    const PathPoint& p = dc->path[i];
    BYTE t = p.type & ~PT_CLOSEFIGURE;
    if (t == PT_MOVETO || figs.empty()) {
      figs.emplace_back();
      closed.push_back(false);
      figs.back().push_back({p.x, p.y});
    } else if (t == PT_BEZIERTO && i + 2 < dc->path.size()) {
      auto last = figs.back().back();
      const PathPoint &c2 = dc->path[i + 1], &e = dc->path[i + 2];
      Bezier(figs.back(), last.first, last.second, p.x, p.y, c2.x, c2.y, e.x, e.y);
      i += 2;
      if (e.type & PT_CLOSEFIGURE) closed.back() = true;
      continue;
    } else {
      figs.back().push_back({p.x, p.y});
    }
    if (p.type & PT_CLOSEFIGURE) closed.back() = true;
  }
  if (closedOut) *closedOut = closed;
  return figs;
}

static std::vector<std::vector<POINT>> PathPolys(DC* dc) {
  std::vector<std::vector<POINT>> polys;
  for (auto& f : PathFigures(dc, nullptr)) polys.push_back(Rounded(f));
  return polys;
}

}  // namespace pv::gdi

using namespace pv::gdi;

#define PV_DC_OR(ret)   \
  PV_GDI_LOCK;          \
  DC* dc = GetDC_(hdc); \
  if (!dc) return ret

// ---- pixels -----------------------------------------------------------------------------------------
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF c) {
  PV_DC_OR(static_cast<COLORREF>(-1));
  POINT p = dc->ToTargetPt(x, y);
  Bitmap* b = dc->Target();
  uint32_t pix = ColorToPixel(dc->MapColor(c));
  if (!b) {
    PaintRects(dc, RectSet::FromRect(p.x, p.y, p.x + 1, p.y + 1), nullptr, pix, R2_COPYPEN, PATCOPY);
    return c;
  }
  if (p.x < 0 || p.y < 0 || p.x >= b->w || p.y >= b->h || !dc->Clip().Contains(p.x, p.y))
    return static_cast<COLORREF>(-1);
  b->Flush();
  b->Row(p.y)[p.x] = pix;
  b->Dirty();
  b->PixelsToRaw();
  return PixelToColor(pix);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF c) { return SetPixel(hdc, x, y, c) != static_cast<COLORREF>(-1); }

COLORREF GetPixel(HDC hdc, int x, int y) {
  PV_DC_OR(CLR_INVALID);
  PrepareRead(dc, x, y, 1, 1);
  Bitmap* b = dc->Target();
  POINT p = dc->ToTargetPt(x, y);
  if (!b || p.x < 0 || p.y < 0 || p.x >= b->w || p.y >= b->h) return CLR_INVALID;
  if (!dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
  b->RawToPixels();
  b->Flush();
  return PixelToColor(b->Row(p.y)[p.x]);
}

// ---- lines ---------------------------------------------------------------------------------------------
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
  PV_DC_OR(FALSE);
  if (old) *old = dc->st.cur;
  dc->st.cur = POINT{x, y};
  if (dc->inPath) PathAdd(dc, x, y, PT_MOVETO);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  PV_DC_OR(FALSE);
  if (dc->inPath) {
    if (dc->path.empty()) PathAdd(dc, dc->st.cur.x, dc->st.cur.y, PT_MOVETO);
    PathAdd(dc, x, y, PT_LINETO);
  } else {
    DrawPolyline(dc, {dc->st.cur, POINT{x, y}}, false);
  }
  dc->st.cur = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
  PV_DC_OR(FALSE);
  if (!pts || count < 2) return FALSE;
  if (dc->inPath) {
    PathAdd(dc, pts[0].x, pts[0].y, PT_MOVETO);
    for (int i = 1; i < count; ++i) PathAdd(dc, pts[i].x, pts[i].y, PT_LINETO);
    return TRUE;
  }
  DrawPolyline(dc, std::vector<POINT>(pts, pts + count), false);
  return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* pts, DWORD count) {
  PV_DC_OR(FALSE);
  if (!pts || count == 0) return FALSE;
  std::vector<POINT> v{dc->st.cur};
  v.insert(v.end(), pts, pts + count);
  if (dc->inPath) {
    if (dc->path.empty()) PathAdd(dc, dc->st.cur.x, dc->st.cur.y, PT_MOVETO);
    for (DWORD i = 0; i < count; ++i) PathAdd(dc, pts[i].x, pts[i].y, PT_LINETO);
  } else {
    DrawPolyline(dc, v, false);
  }
  dc->st.cur = pts[count - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* pts, const DWORD* counts, DWORD polys) {
  if (!pts || !counts) return FALSE;
  const POINT* p = pts;
  for (DWORD i = 0; i < polys; ++i) {
    if (counts[i] < 2) return FALSE;
    Polyline(hdc, p, static_cast<int>(counts[i]));
    p += counts[i];
  }
  return TRUE;
}

// ---- shapes ---------------------------------------------------------------------------------------------
static void PathRect(DC* dc, int l, int t, int r, int b) {
  PathAdd(dc, l, t, PT_MOVETO);
  PathAdd(dc, r, t, PT_LINETO);
  PathAdd(dc, r, b, PT_LINETO);
  PathAdd(dc, l, b, PT_LINETO | PT_CLOSEFIGURE);
}

BOOL Rectangle(HDC hdc, int l, int t, int r, int b) {
  PV_DC_OR(FALSE);
  if (dc->inPath) {
    PathRect(dc, l, t, r, b);
    return TRUE;
  }
  RECT box = dc->ToTargetRect(l, t, r, b);
  DrawShape(dc, box, [](int a, int c, int d, int e) { return RectSet::FromRect(a, c, d, e); });
  return TRUE;
}

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h) {
  PV_DC_OR(FALSE);
  if (dc->inPath) {
    PathRect(dc, l, t, r, b);
    return TRUE;
  }
  RECT box = dc->ToTargetRect(l, t, r, b);
  int ew = static_cast<int>(std::lround(std::abs(w * dc->ScaleX()))),
      eh = static_cast<int>(std::lround(std::abs(h * dc->ScaleY())));
  DrawShape(dc, box, [&](int a, int c, int d, int e) {
    int shrink = (box.right - box.left) - (d - a);
    return RoundRectSpans(a, c, d, e, std::max(0, ew - shrink), std::max(0, eh - shrink));
  });
  return TRUE;
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
  PV_DC_OR(FALSE);
  if (dc->inPath) {
    // Four Bézier quarters.
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0, k = 0.5523;
    auto add = [&](double x, double y, BYTE ty) {
      PathAdd(dc, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), ty);
    };
    add(cx + rx, cy, PT_MOVETO);
    add(cx + rx, cy - k * ry, PT_BEZIERTO);
    add(cx + k * rx, cy - ry, PT_BEZIERTO);
    add(cx, cy - ry, PT_BEZIERTO);
    add(cx - k * rx, cy - ry, PT_BEZIERTO);
    add(cx - rx, cy - k * ry, PT_BEZIERTO);
    add(cx - rx, cy, PT_BEZIERTO);
    add(cx - rx, cy + k * ry, PT_BEZIERTO);
    add(cx - k * rx, cy + ry, PT_BEZIERTO);
    add(cx, cy + ry, PT_BEZIERTO);
    add(cx + k * rx, cy + ry, PT_BEZIERTO);
    add(cx + rx, cy + k * ry, PT_BEZIERTO);
    add(cx + rx, cy, PT_BEZIERTO | PT_CLOSEFIGURE);
    return TRUE;
  }
  RECT box = dc->ToTargetRect(l, t, r, b);
  DrawShape(dc, box, [](int a, int c, int d, int e) { return EllipseSpans(a, c, d, e); });
  return TRUE;
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  PV_DC_OR(FALSE);
  StrokeTarget(dc, Rounded(ArcPoints(dc, l, t, r, b, xs, ys, xe, ye)), false, true);
  return TRUE;
}

BOOL ArcTo(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  PV_DC_OR(FALSE);
  auto pts = Rounded(ArcPoints(dc, l, t, r, b, xs, ys, xe, ye));
  if (pts.empty()) return FALSE;
  std::vector<POINT> all{dc->ToTargetPt(dc->st.cur.x, dc->st.cur.y)};
  all.insert(all.end(), pts.begin(), pts.end());
  StrokeTarget(dc, all, false, false);
  // The current position moves to the arc's end (logical).
  POINT endT = pts.back();
  POINT d{endT.x - dc->sysOrigin.x, endT.y - dc->sysOrigin.y};
  DPtoLP(hdc, &d, 1);
  dc->st.cur = d;
  return TRUE;
}

static BOOL ChordOrPie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye, bool pie) {
  PV_DC_OR(FALSE);
  auto pts = Rounded(ArcPoints(dc, l, t, r, b, xs, ys, xe, ye));
  if (pie) {
    RECT box = dc->ToTargetRect(l, t, r, b);
    pts.push_back(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
  }
  FillTargetPolygon(dc, {pts});
  StrokeTarget(dc, pts, true, false);
  return TRUE;
}
BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ChordOrPie(hdc, l, t, r, b, xs, ys, xe, ye, false);
}
BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ChordOrPie(hdc, l, t, r, b, xs, ys, xe, ye, true);
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
  INT c = count;
  return PolyPolygon(hdc, pts, &c, 1);
}

BOOL PolyPolygon(HDC hdc, const POINT* pts, const INT* counts, int polys) {
  PV_DC_OR(FALSE);
  if (!pts || !counts || polys <= 0) return FALSE;
  std::vector<std::vector<POINT>> fill, outline;
  const POINT* p = pts;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 2) return FALSE;
    std::vector<POINT> f, o;
    for (int k = 0; k < counts[i]; ++k) {
      POINT d = dc->ToDevicePt(p[k].x, p[k].y);
      f.push_back(POINT{d.x + dc->sysOrigin.x, d.y + dc->sysOrigin.y});
      o.push_back(dc->ToTargetPt(p[k].x, p[k].y));
    }
    if (dc->inPath) {
      PathAdd(dc, p[0].x, p[0].y, PT_MOVETO);
      for (int k = 1; k < counts[i]; ++k)
        PathAdd(dc, p[k].x, p[k].y, k + 1 == counts[i] ? (PT_LINETO | PT_CLOSEFIGURE) : PT_LINETO);
    }
    fill.push_back(f);
    outline.push_back(o);
    p += counts[i];
  }
  if (dc->inPath) return TRUE;
  FillTargetPolygon(dc, fill);
  for (auto& o : outline) StrokeTarget(dc, o, true, false);
  return TRUE;
}

BOOL PolyBezier(HDC hdc, const POINT* pts, DWORD count) {
  PV_DC_OR(FALSE);
  if (!pts || count < 4 || (count - 1) % 3) return FALSE;
  if (dc->inPath) {
    PathAdd(dc, pts[0].x, pts[0].y, PT_MOVETO);
    for (DWORD i = 1; i < count; ++i) PathAdd(dc, pts[i].x, pts[i].y, PT_BEZIERTO);
    return TRUE;
  }
  std::vector<std::pair<double, double>> v;
  POINT s = dc->ToTargetPt(pts[0].x, pts[0].y);
  v.push_back({static_cast<double>(s.x), static_cast<double>(s.y)});
  for (DWORD i = 1; i + 2 < count; i += 3) {
    POINT a = dc->ToTargetPt(pts[i].x, pts[i].y), b = dc->ToTargetPt(pts[i + 1].x, pts[i + 1].y),
          c = dc->ToTargetPt(pts[i + 2].x, pts[i + 2].y);
    Bezier(v, v.back().first, v.back().second, a.x, a.y, b.x, b.y, c.x, c.y);
  }
  StrokeTarget(dc, Rounded(v), false, true);
  return TRUE;
}

BOOL PolyBezierTo(HDC hdc, const POINT* pts, DWORD count) {
  PV_DC_OR(FALSE);
  if (!pts || count < 3 || count % 3) return FALSE;
  std::vector<POINT> all{dc->st.cur};
  all.insert(all.end(), pts, pts + count);
  if (dc->inPath) {
    if (dc->path.empty()) PathAdd(dc, dc->st.cur.x, dc->st.cur.y, PT_MOVETO);
    for (DWORD i = 0; i < count; ++i) PathAdd(dc, pts[i].x, pts[i].y, PT_BEZIERTO);
    dc->st.cur = pts[count - 1];
    return TRUE;
  }
  dc->st.cur = pts[count - 1];
  return PolyBezier(hdc, all.data(), static_cast<DWORD>(all.size()));
}

// ---- paths ----------------------------------------------------------------------------------------------
BOOL BeginPath(HDC hdc) {
  PV_DC_OR(FALSE);
  dc->inPath = true;
  dc->pathDone = false;
  dc->path.clear();
  return TRUE;
}
BOOL EndPath(HDC hdc) {
  PV_DC_OR(FALSE);
  if (!dc->inPath) return FALSE;
  dc->inPath = false;
  dc->pathDone = true;
  return TRUE;
}
BOOL AbortPath(HDC hdc) {
  PV_DC_OR(FALSE);
  dc->inPath = dc->pathDone = false;
  dc->path.clear();
  return TRUE;
}
BOOL CloseFigure(HDC hdc) {
  PV_DC_OR(FALSE);
  if (!dc->inPath || dc->path.empty()) return FALSE;
  dc->path.back().type |= PT_CLOSEFIGURE;
  return TRUE;
}
BOOL FlattenPath(HDC hdc) {
  PV_DC_OR(FALSE);
  if (!dc->pathDone) return FALSE;
  std::vector<bool> closed;
  auto figs = PathFigures(dc, &closed);
  dc->path.clear();
  for (size_t f = 0; f < figs.size(); ++f)
    for (size_t i = 0; i < figs[f].size(); ++i) {
      BYTE t = i == 0 ? PT_MOVETO : PT_LINETO;
      if (closed[f] && i + 1 == figs[f].size()) t |= PT_CLOSEFIGURE;
      dc->path.push_back(PathPoint{figs[f][i].first, figs[f][i].second, t});
    }
  return TRUE;
}
static BOOL PathOp(HDC hdc, bool fill, bool stroke) {
  PV_DC_OR(FALSE);
  if (!dc->pathDone) return FALSE;
  std::vector<bool> closed;
  auto figs = PathFigures(dc, &closed);
  if (fill) FillTargetPolygon(dc, PathPolys(dc));
  if (stroke)
    for (size_t i = 0; i < figs.size(); ++i) StrokeTarget(dc, Rounded(figs[i]), closed[i] || fill, false);
  dc->path.clear();
  dc->pathDone = false;
  return TRUE;
}
BOOL FillPath(HDC hdc) { return PathOp(hdc, true, false); }
BOOL StrokePath(HDC hdc) { return PathOp(hdc, false, true); }
BOOL StrokeAndFillPath(HDC hdc) { return PathOp(hdc, true, true); }

HRGN PathToRegion(HDC hdc) {
  PV_DC_OR(nullptr);
  if (!dc->pathDone) return nullptr;
  RectSet rl = PolygonRectSet(PathPolys(dc), dc->st.polyFill);
  rl.Offset(-dc->sysOrigin.x, -dc->sysOrigin.y);
  dc->path.clear();
  dc->pathDone = false;
  return NewRegion(std::move(rl));
}

BOOL SelectClipPath(HDC hdc, int mode) {
  HRGN rgn = PathToRegion(hdc);
  if (!rgn) return FALSE;
  int r = ExtSelectClipRgn(hdc, rgn, mode);
  DeleteObject(rgn);
  return r != ERROR;
}

int GetPath(HDC hdc, LPPOINT pts, LPBYTE types, int count) {
  PV_DC_OR(-1);
  if (!dc->pathDone) return -1;
  int n = static_cast<int>(dc->path.size());
  if (count == 0) return n;
  if (count < n || !pts || !types) return -1;
  for (int i = 0; i < n; ++i) {
    POINT p{static_cast<LONG>(std::lround(dc->path[i].x - dc->sysOrigin.x)),
            static_cast<LONG>(std::lround(dc->path[i].y - dc->sysOrigin.y))};
    DPtoLP(hdc, &p, 1);
    pts[i] = p;
    types[i] = dc->path[i].type;
  }
  return n;
}

// ---- rectangle fills ------------------------------------------------------------------------------------
int FillRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  PV_DC_OR(0);
  if (!rc) return 0;
  // A small integer brush is a system colour index plus one.
  if (reinterpret_cast<uintptr_t>(brush) > 0 && reinterpret_cast<uintptr_t>(brush) <= PV_SYSCOLOR_COUNT)
    brush = SysBrush(static_cast<int>(reinterpret_cast<uintptr_t>(brush)) - 1);
  if (!As<Brush>(brush, Kind::Brush)) return 0;
  RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
  if (rc->right <= rc->left || rc->bottom <= rc->top) return 1;
  FillTargetRect(dc, t, brush, PATCOPY);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rc, HBRUSH brush) {
  PV_DC_OR(0);
  if (!rc || !As<Brush>(brush, Kind::Brush)) return 0;
  if (rc->right <= rc->left || rc->bottom <= rc->top) return 1;
  RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
  RectSet outer = RectSet::FromRect(t.left, t.top, t.right, t.bottom);
  RectSet inner =
      RectSet::FromRect(t.left + 1, t.top + 1, std::max(t.left + 1, t.right - 1), std::max(t.top + 1, t.bottom - 1));
  BrushSampler s;
  if (!MakeSampler(dc, brush, &s)) return 1;
  PaintRects(dc, RectSet::Combine(outer, inner, RGN_DIFF), &s, 0, R2_COPYPEN, PATCOPY);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rc) {
  PV_DC_OR(FALSE);
  if (!rc) return FALSE;
  RECT t = dc->ToTargetRect(rc->left, rc->top, rc->right, rc->bottom);
  PaintRects(dc, RectSet::FromRect(t.left, t.top, t.right, t.bottom), nullptr, 0, R2_NOT, PATCOPY);
  return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  PV_DC_OR(FALSE);
  RECT t = dc->ToTargetRect(x, y, x + w, y + h);
  uint8_t r3 = (rop >> 16) & 0xFF;
  if (RopUsesSource(rop)) return FALSE;
  BrushSampler s;
  bool usesPattern = RopUsesPattern(rop);
  if (usesPattern && !MakeSampler(dc, dc->st.brush, &s)) return TRUE;
  PaintRects(dc, RectSet::FromRect(t.left, t.top, t.right, t.bottom), usesPattern ? &s : nullptr, 0, R2_COPYPEN,
             static_cast<DWORD>(r3) << 16);
  return TRUE;
}

// ---- region painting ---------------------------------------------------------------------------------------
static RectSet RegionToTarget(DC* dc, Region* r) {
  // Regions are in logical units of MM_TEXT DCs: offset by the mapping origin.
  RectSet rl;
  for (const RECT& rc : r->rl.rects) {
    RECT t = dc->ToTargetRect(rc.left, rc.top, rc.right, rc.bottom);
    rl.rects.push_back(t);
  }
  if (dc->Mirrored() || dc->st.mapMode != MM_TEXT) {
    RectSet out;
    for (const RECT& t : rl.rects)
      out = RectSet::Combine(out, RectSet::FromRect(t.left, t.top, t.right, t.bottom), RGN_OR);
    return out;
  }
  return rl;
}

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  PV_DC_OR(FALSE);
  auto* r = As<Region>(rgn, Kind::Region);
  if (!r) return FALSE;
  BrushSampler s;
  if (!MakeSampler(dc, brush, &s)) return TRUE;
  PaintRects(dc, RegionToTarget(dc, r), &s, 0, R2_COPYPEN, PATCOPY);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN rgn) {
  HBRUSH b = static_cast<HBRUSH>(GetCurrentObject(hdc, OBJ_BRUSH));
  return FillRgn(hdc, rgn, b);
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
  PV_DC_OR(FALSE);
  auto* r = As<Region>(rgn, Kind::Region);
  if (!r) return FALSE;
  PaintRects(dc, RegionToTarget(dc, r), nullptr, 0, R2_NOT, PATCOPY);
  return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int w, int h) {
  PV_DC_OR(FALSE);
  auto* r = As<Region>(rgn, Kind::Region);
  if (!r || w < 0 || h < 0) return FALSE;
  // The frame is the region minus the region shrunk by w, h on every side.
  RectSet target = RegionToTarget(dc, r), shrunk = target;
  for (int dx : {-w, w}) {
    RectSet o = target;
    o.Offset(dx, 0);
    shrunk = RectSet::Combine(shrunk, o, RGN_AND);
  }
  for (int dy : {-h, h}) {
    RectSet o = target;
    o.Offset(0, dy);
    shrunk = RectSet::Combine(shrunk, o, RGN_AND);
  }
  BrushSampler s;
  if (!MakeSampler(dc, brush, &s)) return TRUE;
  PaintRects(dc, RectSet::Combine(target, shrunk, RGN_DIFF), &s, 0, R2_COPYPEN, PATCOPY);
  return TRUE;
}
