// The GDI+ flat API over cairo.
#include "platform/gdi/gdiplus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_internal.h"

using namespace pv::gdi;

namespace pv::gdi {

// What a GDI+ handle stands for. Callers only ever hold the handle, which
// is generation-tagged like a GDI handle: once an object is deleted its
// handle is refused, whatever is made later at the same address.
enum class GpKind : uint8_t { Graphics, Pen, Brush, Path, Image };

struct GpObject {
  GpKind kind;
  uintptr_t handle = 0;
  explicit GpObject(GpKind k) : kind(k) {}
  GpObject(const GpObject&) = delete;
  GpObject& operator=(const GpObject&) = delete;
  virtual ~GpObject() = default;
};

}  // namespace pv::gdi

namespace {

struct GraphicsObject : GpObject {
  static constexpr GpKind kKind = GpKind::Graphics;
  explicit GraphicsObject(HDC dc) : GpObject(kKind), hdc(dc) { cairo_matrix_init_identity(&world); }
  HDC hdc;
  int smoothing = SmoothingModeDefault;
  int pixelOffset = PixelOffsetModeDefault;
  int unit = UnitDisplay;
  double pageScale = 1;
  cairo_matrix_t world;
  bool hasClip = false;
  double clipX = 0, clipY = 0, clipW = 0, clipH = 0;
};

struct BrushData {
  bool gradient = false;
  ARGB color = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::vector<std::pair<double, ARGB>> stops;
  int wrap = WrapModeTile;
};

struct BrushObject : GpObject {
  static constexpr GpKind kKind = GpKind::Brush;
  BrushObject() : GpObject(kKind) {}
  BrushData data;
};

struct PenObject : GpObject {
  static constexpr GpKind kKind = GpKind::Pen;
  PenObject(ARGB c, double w, int u) : GpObject(kKind), color(c), width(w), unit(u) {}
  ARGB color;
  double width;
  int unit;
  int dash = DashStyleSolid;
  std::vector<double> dashes;
  int startCap = LineCapFlat, endCap = LineCapFlat;
  int join = LineJoinMiter;
  // A pen made from a brush strokes with a copy of the brush's fill.
  bool hasBrush = false;
  BrushData brush;
};

struct PathObject : GpObject {
  static constexpr GpKind kKind = GpKind::Path;
  explicit PathObject(int mode) : GpObject(kKind), fillMode(mode) {}
  int fillMode;
  // Segments as cairo path commands in user units.
  struct Op {
    int kind;  // 0 move, 1 line, 2 curve, 3 close
    double v[6];
  };
  std::vector<Op> ops;
  bool newFigure = true;
  double lastX = 0, lastY = 0;
};

struct ImageObject : GpObject {
  static constexpr GpKind kKind = GpKind::Image;
  ImageObject() : GpObject(kKind) {}
  ~ImageObject() override {
    if (surface) cairo_surface_destroy(surface);
  }
  int w = 0, h = 0;
  cairo_surface_t* surface = nullptr;
};

// The live object of a handle of kind T, null for anything else. Callers
// hold the GDI lock, and the object lives only as long as they hold it.
template <class T>
T* Find(const void* handle) {
  GpObject* o = State().gdiplusObjects.Find(reinterpret_cast<uintptr_t>(handle));
  return o && o->kind == T::kKind ? static_cast<T*>(o) : nullptr;
}

// Gives a new object its handle.
template <class H>
GpStatus Publish(GpObject* o, H** out) {
  PV_GDI_LOCK;
  o->handle = State().gdiplusObjects.Add(o);
  if (!o->handle) {
    delete o;
    return OutOfMemory;
  }
  *out = reinterpret_cast<H*>(o->handle);
  return Ok;
}

template <class T>
GpStatus Delete(const void* handle) {
  PV_GDI_LOCK;
  T* o = Find<T>(handle);
  if (!o) return InvalidParameter;
  State().gdiplusObjects.Remove(o->handle);
  delete o;
  return Ok;
}

void Source(cairo_t* cr, ARGB c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                        (c >> 24) / 255.0);
}

double UnitScale(int unit, double dpi) {
  switch (unit) {
    case UnitPoint:
      return dpi / 72.0;
    case UnitInch:
      return dpi;
    case UnitDocument:
      return dpi / 300.0;
    case UnitMillimeter:
      return dpi / 25.4;
    default:
      return 1;
  }
}

// A cairo context on the DC's surface with the DC's origin, the page unit
// and the world transform applied; null when the DC is gone.
cairo_t* Begin(GraphicsObject* g, DC** out) {
  DC* dc = GetDC_(g->hdc);
  if (!dc) return nullptr;
  cairo_t* cr = dc->Cairo();
  if (!cr) return nullptr;
  *out = dc;
  double ox, oy;
  dc->ToDevice(0, 0, &ox, &oy);
  cairo_translate(cr, ox + dc->sysOrigin.x, oy + dc->sysOrigin.y);
  if (dc->Mirrored()) cairo_scale(cr, -1, 1);
  double s = UnitScale(g->unit, GetDeviceCaps(g->hdc, LOGPIXELSX)) * g->pageScale;
  cairo_scale(cr, s, s);
  // Coordinates name pixel centres unless the offset mode says half-pixel.
  if (g->pixelOffset != PixelOffsetModeHalf && g->pixelOffset != PixelOffsetModeHighQuality)
    cairo_translate(cr, 0.5, 0.5);
  cairo_transform(cr, &g->world);
  if (g->hasClip) {
    cairo_rectangle(cr, g->clipX, g->clipY, g->clipW, g->clipH);
    cairo_clip(cr);
  }
  bool aa = g->smoothing == SmoothingModeAntiAlias || g->smoothing == SmoothingModeHighQuality ||
            g->smoothing == SmoothingModeAntiAlias8x8;
  cairo_set_antialias(cr, aa ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  return cr;
}

void End(DC* dc, cairo_t* cr) { dc->ReleaseCairo(cr); }

void SetBrush(cairo_t* cr, const BrushData& b) {
  if (!b.gradient) {
    Source(cr, b.color);
    return;
  }
  cairo_pattern_t* p = cairo_pattern_create_linear(b.x1, b.y1, b.x2, b.y2);
  for (auto& s : b.stops)
    cairo_pattern_add_color_stop_rgba(p, s.first, ((s.second >> 16) & 0xFF) / 255.0, ((s.second >> 8) & 0xFF) / 255.0,
                                      (s.second & 0xFF) / 255.0, (s.second >> 24) / 255.0);
  cairo_pattern_set_extend(p, b.wrap == WrapModeClamp  ? CAIRO_EXTEND_PAD
                              : b.wrap == WrapModeTile ? CAIRO_EXTEND_REPEAT
                                                       : CAIRO_EXTEND_REFLECT);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void SetPen(cairo_t* cr, const PenObject* p) {
  if (p->hasBrush) {
    SetBrush(cr, p->brush);
  } else {
    Source(cr, p->color);
  }
  double w = p->width <= 0 ? 1 : p->width;
  cairo_set_line_width(cr, w);
  cairo_set_line_cap(cr, p->startCap == LineCapRound    ? CAIRO_LINE_CAP_ROUND
                         : p->startCap == LineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                        : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, p->join == LineJoinRound   ? CAIRO_LINE_JOIN_ROUND
                          : p->join == LineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                     : CAIRO_LINE_JOIN_MITER);
  std::vector<double> d;
  switch (p->dash) {
    case DashStyleDash:
      d = {3, 1};
      break;
    case DashStyleDot:
      d = {1, 1};
      break;
    case DashStyleDashDot:
      d = {3, 1, 1, 1};
      break;
    case DashStyleDashDotDot:
      d = {3, 1, 1, 1, 1, 1};
      break;
    case DashStyleCustom:
      d = p->dashes;
      break;
    default:
      break;
  }
  // Dash lengths are multiples of the pen width.
  for (double& v : d) v *= w;
  if (!d.empty()) cairo_set_dash(cr, d.data(), static_cast<int>(d.size()), 0);
}

template <class F>
GpStatus Fill(GpGraphics* gh, GpBrush* bh, F path, int fillMode = FillModeAlternate) {
  PV_GDI_LOCK;
  GraphicsObject* g = Find<GraphicsObject>(gh);
  BrushObject* b = Find<BrushObject>(bh);
  if (!g || !b) return InvalidParameter;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  path(cr);
  cairo_set_fill_rule(cr, fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  SetBrush(cr, b->data);
  cairo_fill(cr);
  End(dc, cr);
  return Ok;
}

template <class F>
GpStatus Stroke(GpGraphics* gh, GpPen* ph, F path) {
  PV_GDI_LOCK;
  GraphicsObject* g = Find<GraphicsObject>(gh);
  PenObject* p = Find<PenObject>(ph);
  if (!g || !p) return InvalidParameter;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  path(cr);
  SetPen(cr, p);
  cairo_stroke(cr);
  End(dc, cr);
  return Ok;
}

void EllipsePath(cairo_t* cr, double x, double y, double w, double h) {
  if (w <= 0 || h <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, x + w / 2, y + h / 2);
  cairo_scale(cr, w / 2, h / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
}

void ArcPath(cairo_t* cr, double x, double y, double w, double h, double start, double sweep, bool connect) {
  if (w <= 0 || h <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, x + w / 2, y + h / 2);
  cairo_scale(cr, w / 2, h / 2);
  double a0 = start * M_PI / 180, a1 = (start + sweep) * M_PI / 180;
  if (!connect) cairo_new_sub_path(cr);
  if (sweep >= 0) cairo_arc(cr, 0, 0, 1, a0, a1);
  else cairo_arc_negative(cr, 0, 0, 1, a0, a1);
  cairo_restore(cr);
}

void Poly(cairo_t* cr, const GpPointF* pts, int n, bool close) {
  for (int i = 0; i < n; ++i) (i ? cairo_line_to : cairo_move_to)(cr, pts[i].X, pts[i].Y);
  if (close) cairo_close_path(cr);
}

std::vector<GpPointF> ToF(const GpPoint* p, int n) {
  std::vector<GpPointF> v;
  for (int i = 0; i < n; ++i) v.push_back(GpPointF{static_cast<REAL>(p[i].X), static_cast<REAL>(p[i].Y)});
  return v;
}

void Replay(cairo_t* cr, const PathObject* p) {
  for (auto& op : p->ops) {
    switch (op.kind) {
      case 0:
        cairo_move_to(cr, op.v[0], op.v[1]);
        break;
      case 1:
        cairo_line_to(cr, op.v[0], op.v[1]);
        break;
      case 2:
        cairo_curve_to(cr, op.v[0], op.v[1], op.v[2], op.v[3], op.v[4], op.v[5]);
        break;
      case 3:
        cairo_close_path(cr);
        break;
      case 4:
        ArcPath(cr, op.v[0], op.v[1], op.v[2], op.v[3], op.v[4], op.v[5], true);
        break;
    }
  }
}

// Path building: a figure's first point is a move, the rest connect.
void AddPoint(PathObject* p, double x, double y) {
  PathObject::Op op{p->newFigure ? 0 : 1, {x, y, 0, 0, 0, 0}};
  p->ops.push_back(op);
  p->newFigure = false;
  p->lastX = x;
  p->lastY = y;
}

void ClosePathFigure(PathObject* p) {
  if (!p->ops.empty()) p->ops.push_back(PathObject::Op{3, {}});
  p->newFigure = true;
}

GpStatus AddPathArc(PathObject* p, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  if (w <= 0 || h <= 0) return InvalidParameter;
  // The arc connects to the figure's last point with a line, as a path does.
  double a = start * M_PI / 180;
  double sx = x + w / 2 + w / 2 * std::cos(a), sy = y + h / 2 + h / 2 * std::sin(a);
  AddPoint(p, sx, sy);
  p->ops.push_back(PathObject::Op{4, {x, y, w, h, start, sweep}});
  double e = (start + sweep) * M_PI / 180;
  p->lastX = x + w / 2 + w / 2 * std::cos(e);
  p->lastY = y + h / 2 + h / 2 * std::sin(e);
  return Ok;
}

// Runs `f` on the live object of a handle under the GDI lock;
// InvalidParameter for a stale or foreign handle.
template <class T, class F>
GpStatus With(const void* handle, F f) {
  PV_GDI_LOCK;
  T* o = Find<T>(handle);
  if (!o) return InvalidParameter;
  return f(o);
}

}  // namespace

extern "C" {

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
  if (!token || !input) return InvalidParameter;
  if (input->GdiplusVersion != 1 && input->GdiplusVersion != 2 && input->GdiplusVersion != 3)
    return UnsupportedGdiplusVersion;
  PV_GDI_LOCK;
  int& startups = State().gdiplusStartups;
  ++startups;
  *token = static_cast<ULONG_PTR>(startups);
  if (output) std::memset(output, 0, sizeof *output);
  return Ok;
}

void GdiplusShutdown(ULONG_PTR) {
  PV_GDI_LOCK;
  int& startups = State().gdiplusStartups;
  if (startups > 0) --startups;
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** g) {
  if (!g || !GetDC_(hdc)) return InvalidParameter;
  return Publish(new GraphicsObject(hdc), g);
}
// The second device is where text would be measured; drawing is the same.
GpStatus GdipCreateFromHDC2(HDC hdc, HANDLE, GpGraphics** g) { return GdipCreateFromHDC(hdc, g); }
GpStatus GdipDeleteGraphics(GpGraphics* g) { return Delete<GraphicsObject>(g); }
GpStatus GdipSetSmoothingMode(GpGraphics* g, GpSmoothingMode m) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    if (m < SmoothingModeDefault || m > SmoothingModeAntiAlias8x8) return InvalidParameter;
    o->smoothing = m;
    return Ok;
  });
}
GpStatus GdipGetSmoothingMode(GpGraphics* g, GpSmoothingMode* m) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    if (!m) return InvalidParameter;
    *m = o->smoothing;
    return Ok;
  });
}
GpStatus GdipSetPixelOffsetMode(GpGraphics* g, GpPixelOffsetMode m) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    o->pixelOffset = m;
    return Ok;
  });
}
GpStatus GdipSetTextRenderingHint(GpGraphics* g, GpTextRenderingHint) {
  return With<GraphicsObject>(g, [](GraphicsObject*) { return Ok; });
}
GpStatus GdipSetPageUnit(GpGraphics* g, GpUnit u) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    if (u < UnitWorld || u > UnitMillimeter || u == UnitWorld) return InvalidParameter;
    o->unit = u;
    return Ok;
  });
}
GpStatus GdipSetPageScale(GpGraphics* g, REAL s) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    if (s <= 0) return InvalidParameter;
    o->pageScale = s;
    return Ok;
  });
}
GpStatus GdipGraphicsClear(GpGraphics* g, ARGB c) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    DC* dc;
    cairo_t* cr = Begin(o, &dc);
    if (!cr) return InvalidParameter;
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    Source(cr, c);
    cairo_paint(cr);
    End(dc, cr);
    return Ok;
  });
}
GpStatus GdipSetClipRect(GpGraphics* g, REAL x, REAL y, REAL w, REAL h, GpCombineMode mode) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    if (mode == CombineModeIntersect && o->hasClip) {
      double l = std::max<double>(o->clipX, x), t = std::max<double>(o->clipY, y);
      double r = std::min<double>(o->clipX + o->clipW, x + w), b = std::min<double>(o->clipY + o->clipH, y + h);
      o->clipX = l;
      o->clipY = t;
      o->clipW = std::max(0.0, r - l);
      o->clipH = std::max(0.0, b - t);
      return Ok;
    }
    if (mode != CombineModeReplace && mode != CombineModeIntersect) return NotImplemented;
    o->hasClip = true;
    // Clip rectangles are pixel edges: undo the centre offset.
    double off = (o->pixelOffset != PixelOffsetModeHalf && o->pixelOffset != PixelOffsetModeHighQuality) ? -0.5 : 0;
    o->clipX = x + off;
    o->clipY = y + off;
    o->clipW = w;
    o->clipH = h;
    return Ok;
  });
}
GpStatus GdipSetClipRectI(GpGraphics* g, INT x, INT y, INT w, INT h, GpCombineMode m) {
  return GdipSetClipRect(g, x, y, w, h, m);
}
GpStatus GdipResetClip(GpGraphics* g) {
  return With<GraphicsObject>(g, [](GraphicsObject* o) {
    o->hasClip = false;
    return Ok;
  });
}
static GpStatus Transform(GpGraphics* g, const cairo_matrix_t& m, GpMatrixOrder order) {
  return With<GraphicsObject>(g, [&](GraphicsObject* o) {
    cairo_matrix_t r;
    if (order == MatrixOrderAppend) cairo_matrix_multiply(&r, &o->world, &m);
    else cairo_matrix_multiply(&r, &m, &o->world);
    o->world = r;
    return Ok;
  });
}
GpStatus GdipTranslateWorldTransform(GpGraphics* g, REAL dx, REAL dy, GpMatrixOrder o) {
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, dx, dy);
  return Transform(g, m, o);
}
GpStatus GdipScaleWorldTransform(GpGraphics* g, REAL sx, REAL sy, GpMatrixOrder o) {
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, sx, sy);
  return Transform(g, m, o);
}
GpStatus GdipRotateWorldTransform(GpGraphics* g, REAL a, GpMatrixOrder o) {
  cairo_matrix_t m;
  cairo_matrix_init_rotate(&m, a * M_PI / 180);
  return Transform(g, m, o);
}
GpStatus GdipResetWorldTransform(GpGraphics* g) {
  return With<GraphicsObject>(g, [](GraphicsObject* o) {
    cairo_matrix_init_identity(&o->world);
    return Ok;
  });
}

// ---- pens -------------------------------------------------------------------------------------------
GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
  if (!pen || width < 0) return InvalidParameter;
  return Publish(new PenObject(color, width, unit), pen);
}
GpStatus GdipCreatePen2(GpBrush* brush, REAL width, GpUnit unit, GpPen** pen) {
  if (!pen || width < 0) return InvalidParameter;
  return With<BrushObject>(brush, [&](BrushObject* b) {
    auto* p = new PenObject(b->data.color, width, unit);
    p->hasBrush = true;
    p->brush = b->data;
    return Publish(p, pen);
  });
}
GpStatus GdipDeletePen(GpPen* p) { return Delete<PenObject>(p); }
GpStatus GdipSetPenWidth(GpPen* p, REAL w) {
  return With<PenObject>(p, [&](PenObject* o) {
    if (w < 0) return InvalidParameter;
    o->width = w;
    return Ok;
  });
}
GpStatus GdipSetPenColor(GpPen* p, ARGB c) {
  return With<PenObject>(p, [&](PenObject* o) {
    o->color = c;
    return Ok;
  });
}
GpStatus GdipSetPenDashStyle(GpPen* p, GpDashStyle s) {
  return With<PenObject>(p, [&](PenObject* o) {
    if (s < DashStyleSolid || s > DashStyleCustom) return InvalidParameter;
    o->dash = s;
    return Ok;
  });
}
GpStatus GdipSetPenDashArray(GpPen* p, const REAL* d, INT n) {
  return With<PenObject>(p, [&](PenObject* o) {
    if (!d || n <= 0) return InvalidParameter;
    for (int i = 0; i < n; ++i)
      if (d[i] <= 0) return InvalidParameter;
    o->dashes.assign(d, d + n);
    o->dash = DashStyleCustom;
    return Ok;
  });
}
GpStatus GdipSetPenStartCap(GpPen* p, GpLineCap c) {
  return With<PenObject>(p, [&](PenObject* o) {
    o->startCap = c;
    return Ok;
  });
}
GpStatus GdipSetPenEndCap(GpPen* p, GpLineCap c) {
  return With<PenObject>(p, [&](PenObject* o) {
    o->endCap = c;
    return Ok;
  });
}
GpStatus GdipSetPenLineJoin(GpPen* p, GpLineJoin j) {
  return With<PenObject>(p, [&](PenObject* o) {
    o->join = j;
    return Ok;
  });
}

// ---- brushes ----------------------------------------------------------------------------------------
GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** b) {
  if (!b) return InvalidParameter;
  auto* o = new BrushObject();
  o->data.color = color;
  return Publish(o, b);
}
GpStatus GdipSetSolidFillColor(GpSolidFill* b, ARGB c) {
  return With<BrushObject>(b, [&](BrushObject* o) {
    o->data.color = c;
    return Ok;
  });
}
GpStatus GdipCreateLineBrush(const GpPointF* p1, const GpPointF* p2, ARGB c1, ARGB c2, GpWrapMode wrap,
                             GpLineGradient** b) {
  if (!p1 || !p2 || !b) return InvalidParameter;
  if (p1->X == p2->X && p1->Y == p2->Y) return OutOfMemory;  // a zero-length gradient is refused
  auto* o = new BrushObject();
  o->data.gradient = true;
  o->data.x1 = p1->X;
  o->data.y1 = p1->Y;
  o->data.x2 = p2->X;
  o->data.y2 = p2->Y;
  o->data.stops = {{0.0, c1}, {1.0, c2}};
  o->data.wrap = wrap;
  return Publish(o, b);
}
GpStatus GdipCreateLineBrushI(const GpPoint* p1, const GpPoint* p2, ARGB c1, ARGB c2, GpWrapMode wrap,
                              GpLineGradient** b) {
  if (!p1 || !p2) return InvalidParameter;
  GpPointF a{static_cast<REAL>(p1->X), static_cast<REAL>(p1->Y)}, c{static_cast<REAL>(p2->X), static_cast<REAL>(p2->Y)};
  return GdipCreateLineBrush(&a, &c, c1, c2, wrap, b);
}
GpStatus GdipCreateLineBrushFromRect(const GpRectF* r, ARGB c1, ARGB c2, int mode, GpWrapMode wrap,
                                     GpLineGradient** b) {
  if (!r || r->Width <= 0 || r->Height <= 0) return InvalidParameter;
  GpPointF a{r->X, r->Y}, c{r->X + r->Width, r->Y};
  if (mode == LinearGradientModeVertical) c = GpPointF{r->X, r->Y + r->Height};
  else if (mode == LinearGradientModeForwardDiagonal) c = GpPointF{r->X + r->Width, r->Y + r->Height};
  else if (mode == LinearGradientModeBackwardDiagonal) {
    a = GpPointF{r->X + r->Width, r->Y};
    c = GpPointF{r->X, r->Y + r->Height};
  }
  return GdipCreateLineBrush(&a, &c, c1, c2, wrap, b);
}
GpStatus GdipCreateLineBrushFromRectI(const GpRect* r, ARGB c1, ARGB c2, int mode, GpWrapMode wrap,
                                      GpLineGradient** b) {
  if (!r) return InvalidParameter;
  GpRectF f{static_cast<REAL>(r->X), static_cast<REAL>(r->Y), static_cast<REAL>(r->Width),
            static_cast<REAL>(r->Height)};
  return GdipCreateLineBrushFromRect(&f, c1, c2, mode, wrap, b);
}
GpStatus GdipSetLinePresetBlend(GpLineGradient* b, const ARGB* colors, const REAL* pos, INT n) {
  return With<BrushObject>(b, [&](BrushObject* o) {
    if (!colors || !pos || n < 2) return InvalidParameter;
    // Positions run from 0 to 1 and do not go back.
    if (pos[0] != 0.0f || pos[n - 1] != 1.0f) return InvalidParameter;
    for (int i = 1; i < n; ++i)
      if (pos[i] < pos[i - 1]) return InvalidParameter;
    o->data.stops.clear();
    for (int i = 0; i < n; ++i) o->data.stops.push_back({pos[i], colors[i]});
    return Ok;
  });
}
GpStatus GdipDeleteBrush(GpBrush* b) { return Delete<BrushObject>(b); }

// ---- shapes -----------------------------------------------------------------------------------------
GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h) {
  return Fill(g, b, [&](cairo_t* cr) { cairo_rectangle(cr, x, y, w, h); });
}
GpStatus GdipFillRectangleI(GpGraphics* g, GpBrush* b, INT x, INT y, INT w, INT h) {
  return GdipFillRectangle(g, b, x, y, w, h);
}
GpStatus GdipDrawRectangle(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h) {
  return Stroke(g, p, [&](cairo_t* cr) { cairo_rectangle(cr, x, y, w, h); });
}
GpStatus GdipDrawRectangleI(GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h) {
  return GdipDrawRectangle(g, p, x, y, w, h);
}
GpStatus GdipFillEllipse(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h) {
  return Fill(g, b, [&](cairo_t* cr) { EllipsePath(cr, x, y, w, h); });
}
GpStatus GdipFillEllipseI(GpGraphics* g, GpBrush* b, INT x, INT y, INT w, INT h) {
  return GdipFillEllipse(g, b, x, y, w, h);
}
GpStatus GdipDrawEllipse(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h) {
  return Stroke(g, p, [&](cairo_t* cr) { EllipsePath(cr, x, y, w, h); });
}
GpStatus GdipDrawEllipseI(GpGraphics* g, GpPen* p, INT x, INT y, INT w, INT h) {
  return GdipDrawEllipse(g, p, x, y, w, h);
}
GpStatus GdipFillPolygon(GpGraphics* g, GpBrush* b, const GpPointF* pts, INT n, GpFillMode mode) {
  if (!pts || n < 3) return InvalidParameter;
  return Fill(
      g, b, [&](cairo_t* cr) { Poly(cr, pts, n, true); }, mode);
}
GpStatus GdipFillPolygonI(GpGraphics* g, GpBrush* b, const GpPoint* pts, INT n, GpFillMode mode) {
  if (!pts || n < 3) return InvalidParameter;
  auto v = ToF(pts, n);
  return GdipFillPolygon(g, b, v.data(), n, mode);
}
GpStatus GdipDrawPolygon(GpGraphics* g, GpPen* p, const GpPointF* pts, INT n) {
  if (!pts || n < 2) return InvalidParameter;
  return Stroke(g, p, [&](cairo_t* cr) { Poly(cr, pts, n, true); });
}
GpStatus GdipDrawPolygonI(GpGraphics* g, GpPen* p, const GpPoint* pts, INT n) {
  if (!pts || n < 2) return InvalidParameter;
  auto v = ToF(pts, n);
  return GdipDrawPolygon(g, p, v.data(), n);
}
GpStatus GdipDrawLine(GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2) {
  return Stroke(g, p, [&](cairo_t* cr) {
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
  });
}
GpStatus GdipDrawLineI(GpGraphics* g, GpPen* p, INT x1, INT y1, INT x2, INT y2) {
  return GdipDrawLine(g, p, x1, y1, x2, y2);
}
GpStatus GdipDrawLines(GpGraphics* g, GpPen* p, const GpPointF* pts, INT n) {
  if (!pts || n < 2) return InvalidParameter;
  return Stroke(g, p, [&](cairo_t* cr) { Poly(cr, pts, n, false); });
}
GpStatus GdipDrawLinesI(GpGraphics* g, GpPen* p, const GpPoint* pts, INT n) {
  if (!pts || n < 2) return InvalidParameter;
  auto v = ToF(pts, n);
  return GdipDrawLines(g, p, v.data(), n);
}
GpStatus GdipDrawBezier(GpGraphics* g, GpPen* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                        REAL y4) {
  return Stroke(g, p, [&](cairo_t* cr) {
    cairo_move_to(cr, x1, y1);
    cairo_curve_to(cr, x2, y2, x3, y3, x4, y4);
  });
}
GpStatus GdipDrawArc(GpGraphics* g, GpPen* p, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  return Stroke(g, p, [&](cairo_t* cr) { ArcPath(cr, x, y, w, h, start, sweep, false); });
}
GpStatus GdipFillPie(GpGraphics* g, GpBrush* b, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  return Fill(g, b, [&](cairo_t* cr) {
    cairo_move_to(cr, x + w / 2, y + h / 2);
    ArcPath(cr, x, y, w, h, start, sweep, true);
    cairo_close_path(cr);
  });
}

// ---- paths ------------------------------------------------------------------------------------------
GpStatus GdipCreatePath(GpFillMode mode, GpPath** path) {
  if (!path) return InvalidParameter;
  return Publish(new PathObject(mode), path);
}
GpStatus GdipCreatePath2(const GpPointF* points, const BYTE* types, INT count, GpFillMode mode, GpPath** path) {
  if (!path || count < 0 || (count > 0 && (!points || !types))) return InvalidParameter;
  auto* p = new PathObject(mode);
  for (INT i = 0; i < count; i++) {
    BYTE type = types[i];
    switch (type & 7) {
      case 0:
        p->ops.push_back(PathObject::Op{0, {points[i].X, points[i].Y, 0, 0, 0, 0}});
        break;
      case 1:
        p->ops.push_back(PathObject::Op{1, {points[i].X, points[i].Y, 0, 0, 0, 0}});
        break;
      case 3:
        if (i + 2 >= count) break;  // an incomplete curve is left out
        p->ops.push_back(PathObject::Op{
            2, {points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, points[i + 2].X, points[i + 2].Y}});
        i += 2;
        type = types[i];  // the close flag sits on the curve's end point
        break;
      default:
        break;
    }
    if (type & 0x80) p->ops.push_back(PathObject::Op{3, {0, 0, 0, 0, 0, 0}});
  }
  p->newFigure = true;
  return Publish(p, path);
}
GpStatus GdipDeletePath(GpPath* p) { return Delete<PathObject>(p); }
GpStatus GdipResetPath(GpPath* p) {
  return With<PathObject>(p, [](PathObject* o) {
    o->ops.clear();
    o->newFigure = true;
    return Ok;
  });
}
GpStatus GdipStartPathFigure(GpPath* p) {
  return With<PathObject>(p, [](PathObject* o) {
    o->newFigure = true;
    return Ok;
  });
}
GpStatus GdipClosePathFigure(GpPath* p) {
  return With<PathObject>(p, [](PathObject* o) {
    ClosePathFigure(o);
    return Ok;
  });
}
GpStatus GdipAddPathLine(GpPath* p, REAL x1, REAL y1, REAL x2, REAL y2) {
  return With<PathObject>(p, [&](PathObject* o) {
    AddPoint(o, x1, y1);
    AddPoint(o, x2, y2);
    return Ok;
  });
}
GpStatus GdipAddPathLineI(GpPath* p, INT x1, INT y1, INT x2, INT y2) { return GdipAddPathLine(p, x1, y1, x2, y2); }
GpStatus GdipAddPathLine2(GpPath* p, const GpPointF* pts, INT n) {
  return With<PathObject>(p, [&](PathObject* o) {
    if (!pts || n < 1) return InvalidParameter;
    for (int i = 0; i < n; ++i) AddPoint(o, pts[i].X, pts[i].Y);
    return Ok;
  });
}
GpStatus GdipAddPathBezier(GpPath* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4) {
  return With<PathObject>(p, [&](PathObject* o) {
    AddPoint(o, x1, y1);
    o->ops.push_back(PathObject::Op{2, {x2, y2, x3, y3, x4, y4}});
    o->lastX = x4;
    o->lastY = y4;
    return Ok;
  });
}
GpStatus GdipAddPathBezierI(GpPath* p, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3, INT x4, INT y4) {
  return GdipAddPathBezier(p, x1, y1, x2, y2, x3, y3, x4, y4);
}
GpStatus GdipAddPathArc(GpPath* p, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  return With<PathObject>(p, [&](PathObject* o) { return AddPathArc(o, x, y, w, h, start, sweep); });
}
GpStatus GdipAddPathArcI(GpPath* p, INT x, INT y, INT w, INT h, REAL start, REAL sweep) {
  return GdipAddPathArc(p, x, y, w, h, start, sweep);
}
GpStatus GdipAddPathRectangle(GpPath* p, REAL x, REAL y, REAL w, REAL h) {
  return With<PathObject>(p, [&](PathObject* o) {
    o->newFigure = true;
    AddPoint(o, x, y);
    AddPoint(o, x + w, y);
    AddPoint(o, x + w, y + h);
    AddPoint(o, x, y + h);
    ClosePathFigure(o);
    return Ok;
  });
}
GpStatus GdipAddPathRectangleI(GpPath* p, INT x, INT y, INT w, INT h) { return GdipAddPathRectangle(p, x, y, w, h); }
GpStatus GdipAddPathEllipse(GpPath* p, REAL x, REAL y, REAL w, REAL h) {
  return With<PathObject>(p, [&](PathObject* o) {
    if (w <= 0 || h <= 0) return InvalidParameter;
    o->newFigure = true;
    AddPathArc(o, x, y, w, h, 0, 360);
    ClosePathFigure(o);
    return Ok;
  });
}
GpStatus GdipAddPathPolygon(GpPath* p, const GpPointF* pts, INT n) {
  return With<PathObject>(p, [&](PathObject* o) {
    if (!pts || n < 3) return InvalidParameter;
    o->newFigure = true;
    for (int i = 0; i < n; ++i) AddPoint(o, pts[i].X, pts[i].Y);
    ClosePathFigure(o);
    return Ok;
  });
}
GpStatus GdipFillPath(GpGraphics* g, GpBrush* b, GpPath* path) {
  return With<PathObject>(path, [&](PathObject* o) {
    return Fill(
        g, b, [&](cairo_t* cr) { Replay(cr, o); }, o->fillMode);
  });
}
GpStatus GdipDrawPath(GpGraphics* g, GpPen* p, GpPath* path) {
  return With<PathObject>(path, [&](PathObject* o) { return Stroke(g, p, [&](cairo_t* cr) { Replay(cr, o); }); });
}

// ---- images -----------------------------------------------------------------------------------------
GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE, GpBitmap** out) {
  if (!out) return InvalidParameter;
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbm);
  if (!b) return InvalidParameter;
  b->RawToPixels();
  b->Flush();
  auto* img = new ImageObject();
  img->w = b->w;
  img->h = b->h;
  // A copy: GDI bitmaps carry no alpha meaning here, so the image is opaque.
  img->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b->w, b->h);
  auto* dst = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img->surface));
  int stride = cairo_image_surface_get_stride(img->surface) / 4;
  for (int y = 0; y < b->h; ++y)
    for (int x = 0; x < b->w; ++x) dst[y * stride + x] = b->Row(y)[x] | 0xFF000000u;
  cairo_surface_mark_dirty(img->surface);
  return Publish(img, out);
}
GpStatus GdipCreateBitmapFromScan0(INT w, INT h, INT stride, GpPixelFormat format, BYTE* scan0, GpBitmap** out) {
  if (!out || w <= 0 || h <= 0 || w > 32767 || h > 32767) return InvalidParameter;
  if (format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB && format != PixelFormat32bppRGB)
    return NotImplemented;
  auto* img = new ImageObject();
  img->w = w;
  img->h = h;
  img->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  auto* dst = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img->surface));
  int ds = cairo_image_surface_get_stride(img->surface) / 4;
  if (scan0) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t p;
        std::memcpy(&p, scan0 + static_cast<ptrdiff_t>(y) * stride + x * 4, 4);
        if (format == PixelFormat32bppRGB) p |= 0xFF000000u;
        if (format == PixelFormat32bppARGB) {
          uint32_t a = p >> 24;
          auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
          p = (a << 24) | (pm((p >> 16) & 0xFF) << 16) | (pm((p >> 8) & 0xFF) << 8) | pm(p & 0xFF);
        }
        dst[y * ds + x] = p;
      }
  }
  cairo_surface_mark_dirty(img->surface);
  return Publish(img, out);
}
GpStatus GdipGetImageWidth(GpImage* i, UINT* w) {
  return With<ImageObject>(i, [&](ImageObject* o) {
    if (!w) return InvalidParameter;
    *w = static_cast<UINT>(o->w);
    return Ok;
  });
}
GpStatus GdipGetImageHeight(GpImage* i, UINT* h) {
  return With<ImageObject>(i, [&](ImageObject* o) {
    if (!h) return InvalidParameter;
    *h = static_cast<UINT>(o->h);
    return Ok;
  });
}
GpStatus GdipDrawImageRectI(GpGraphics* gh, GpImage* ih, INT x, INT y, INT w, INT h) {
  PV_GDI_LOCK;
  GraphicsObject* g = Find<GraphicsObject>(gh);
  ImageObject* img = Find<ImageObject>(ih);
  if (!g || !img || !img->surface) return InvalidParameter;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  // Images sit on pixel edges whatever the offset mode.
  if (g->pixelOffset != PixelOffsetModeHalf && g->pixelOffset != PixelOffsetModeHighQuality)
    cairo_translate(cr, -0.5, -0.5);
  cairo_translate(cr, x, y);
  cairo_scale(cr, static_cast<double>(w) / img->w, static_cast<double>(h) / img->h);
  cairo_set_source_surface(cr, img->surface, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr),
                           (w == img->w && h == img->h) ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  End(dc, cr);
  return Ok;
}
GpStatus GdipDrawImageI(GpGraphics* g, GpImage* img, INT x, INT y) {
  return With<ImageObject>(img, [&](ImageObject* o) { return GdipDrawImageRectI(g, img, x, y, o->w, o->h); });
}
GpStatus GdipDisposeImage(GpImage* img) { return Delete<ImageObject>(img); }

}  // extern "C"
