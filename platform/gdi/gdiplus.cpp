// The GDI+ flat API over cairo.
#include "platform/gdi/gdiplus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_internal.h"

using namespace pv::gdi;

struct GpGraphics {
  HDC hdc;
  int smoothing = SmoothingModeDefault;
  int pixelOffset = PixelOffsetModeDefault;
  int unit = UnitDisplay;
  double pageScale = 1;
  cairo_matrix_t world;
  bool hasClip = false;
  double clipX = 0, clipY = 0, clipW = 0, clipH = 0;
};

struct GpBrush::Data {
  bool gradient = false;
  ARGB color = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::vector<std::pair<double, ARGB>> stops;
  int wrap = WrapModeTile;
};
GpBrush::GpBrush() : data(new Data()) {}

struct GpPen {
  ARGB color;
  double width;
  int unit;
  int dash = DashStyleSolid;
  std::vector<double> dashes;
  int startCap = LineCapFlat, endCap = LineCapFlat;
  int join = LineJoinMiter;
  // A pen made from a brush strokes with a copy of the brush's fill.
  bool hasBrush = false;
  GpBrush::Data brush;
};
GpBrush::~GpBrush() { delete data; }

struct GpPath {
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

struct GpImage::Data {
  int w = 0, h = 0;
  cairo_surface_t* surface = nullptr;
  ~Data() {
    if (surface) cairo_surface_destroy(surface);
  }
};
GpImage::GpImage() : data(new Data()) {}
GpImage::~GpImage() { delete data; }

namespace {

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
cairo_t* Begin(GpGraphics* g, DC** out) {
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

void SetBrush(cairo_t* cr, GpBrush* b) {
  if (!b->data->gradient) {
    Source(cr, b->data->color);
    return;
  }
  cairo_pattern_t* p = cairo_pattern_create_linear(b->data->x1, b->data->y1, b->data->x2, b->data->y2);
  for (auto& s : b->data->stops)
    cairo_pattern_add_color_stop_rgba(p, s.first, ((s.second >> 16) & 0xFF) / 255.0, ((s.second >> 8) & 0xFF) / 255.0,
                                      (s.second & 0xFF) / 255.0, (s.second >> 24) / 255.0);
  cairo_pattern_set_extend(p, b->data->wrap == WrapModeClamp  ? CAIRO_EXTEND_PAD
                              : b->data->wrap == WrapModeTile ? CAIRO_EXTEND_REPEAT
                                                              : CAIRO_EXTEND_REFLECT);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void SetPen(cairo_t* cr, GpPen* p) {
  if (p->hasBrush) {
    GpBrush b;
    *b.data = p->brush;
    SetBrush(cr, &b);
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
GpStatus Fill(GpGraphics* g, GpBrush* b, F path, int fillMode = FillModeAlternate) {
  if (!g || !b) return InvalidParameter;
  PV_GDI_LOCK;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  path(cr);
  cairo_set_fill_rule(cr, fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  SetBrush(cr, b);
  cairo_fill(cr);
  End(dc, cr);
  return Ok;
}

template <class F>
GpStatus Stroke(GpGraphics* g, GpPen* p, F path) {
  if (!g || !p) return InvalidParameter;
  PV_GDI_LOCK;
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

void Replay(cairo_t* cr, GpPath* p) {
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
void AddPoint(GpPath* p, double x, double y) {
  GpPath::Op op{p->newFigure ? 0 : 1, {x, y, 0, 0, 0, 0}};
  p->ops.push_back(op);
  p->newFigure = false;
  p->lastX = x;
  p->lastY = y;
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
  *g = new GpGraphics{hdc};
  cairo_matrix_init_identity(&(*g)->world);
  return Ok;
}
// The second device is where text would be measured; drawing is the same.
GpStatus GdipCreateFromHDC2(HDC hdc, HANDLE, GpGraphics** g) { return GdipCreateFromHDC(hdc, g); }
GpStatus GdipDeleteGraphics(GpGraphics* g) {
  if (!g) return InvalidParameter;
  delete g;
  return Ok;
}
GpStatus GdipSetSmoothingMode(GpGraphics* g, GpSmoothingMode m) {
  if (!g || m < SmoothingModeDefault || m > SmoothingModeAntiAlias8x8) return InvalidParameter;
  g->smoothing = m;
  return Ok;
}
GpStatus GdipGetSmoothingMode(GpGraphics* g, GpSmoothingMode* m) {
  if (!g || !m) return InvalidParameter;
  *m = g->smoothing;
  return Ok;
}
GpStatus GdipSetPixelOffsetMode(GpGraphics* g, GpPixelOffsetMode m) {
  if (!g) return InvalidParameter;
  g->pixelOffset = m;
  return Ok;
}
GpStatus GdipSetTextRenderingHint(GpGraphics* g, GpTextRenderingHint) { return g ? Ok : InvalidParameter; }
GpStatus GdipSetPageUnit(GpGraphics* g, GpUnit u) {
  if (!g || u < UnitWorld || u > UnitMillimeter || u == UnitWorld) return InvalidParameter;
  g->unit = u;
  return Ok;
}
GpStatus GdipSetPageScale(GpGraphics* g, REAL s) {
  if (!g || s <= 0) return InvalidParameter;
  g->pageScale = s;
  return Ok;
}
GpStatus GdipGraphicsClear(GpGraphics* g, ARGB c) {
  if (!g) return InvalidParameter;
  PV_GDI_LOCK;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  Source(cr, c);
  cairo_paint(cr);
  End(dc, cr);
  return Ok;
}
GpStatus GdipSetClipRect(GpGraphics* g, REAL x, REAL y, REAL w, REAL h, GpCombineMode mode) {
  if (!g) return InvalidParameter;
  if (mode == CombineModeIntersect && g->hasClip) {
    double l = std::max<double>(g->clipX, x), t = std::max<double>(g->clipY, y);
    double r = std::min<double>(g->clipX + g->clipW, x + w), b = std::min<double>(g->clipY + g->clipH, y + h);
    g->clipX = l;
    g->clipY = t;
    g->clipW = std::max(0.0, r - l);
    g->clipH = std::max(0.0, b - t);
    return Ok;
  }
  if (mode != CombineModeReplace && mode != CombineModeIntersect) return NotImplemented;
  g->hasClip = true;
  // Clip rectangles are pixel edges: undo the centre offset.
  double off = (g->pixelOffset != PixelOffsetModeHalf && g->pixelOffset != PixelOffsetModeHighQuality) ? -0.5 : 0;
  g->clipX = x + off;
  g->clipY = y + off;
  g->clipW = w;
  g->clipH = h;
  return Ok;
}
GpStatus GdipSetClipRectI(GpGraphics* g, INT x, INT y, INT w, INT h, GpCombineMode m) {
  return GdipSetClipRect(g, x, y, w, h, m);
}
GpStatus GdipResetClip(GpGraphics* g) {
  if (!g) return InvalidParameter;
  g->hasClip = false;
  return Ok;
}
static GpStatus Transform(GpGraphics* g, const cairo_matrix_t& m, GpMatrixOrder order) {
  if (!g) return InvalidParameter;
  cairo_matrix_t r;
  if (order == MatrixOrderAppend) cairo_matrix_multiply(&r, &g->world, &m);
  else cairo_matrix_multiply(&r, &m, &g->world);
  g->world = r;
  return Ok;
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
  if (!g) return InvalidParameter;
  cairo_matrix_init_identity(&g->world);
  return Ok;
}

// ---- pens -------------------------------------------------------------------------------------------
GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
  if (!pen || width < 0) return InvalidParameter;
  *pen = new GpPen{color, width, unit};
  return Ok;
}
GpStatus GdipCreatePen2(GpBrush* brush, REAL width, GpUnit unit, GpPen** pen) {
  if (!pen || !brush || width < 0) return InvalidParameter;
  *pen = new GpPen{brush->data->color, width, unit};
  (*pen)->hasBrush = true;
  (*pen)->brush = *brush->data;
  return Ok;
}
GpStatus GdipDeletePen(GpPen* p) {
  if (!p) return InvalidParameter;
  delete p;
  return Ok;
}
GpStatus GdipSetPenWidth(GpPen* p, REAL w) {
  if (!p || w < 0) return InvalidParameter;
  p->width = w;
  return Ok;
}
GpStatus GdipSetPenColor(GpPen* p, ARGB c) {
  if (!p) return InvalidParameter;
  p->color = c;
  return Ok;
}
GpStatus GdipSetPenDashStyle(GpPen* p, GpDashStyle s) {
  if (!p || s < DashStyleSolid || s > DashStyleCustom) return InvalidParameter;
  p->dash = s;
  return Ok;
}
GpStatus GdipSetPenDashArray(GpPen* p, const REAL* d, INT n) {
  if (!p || !d || n <= 0) return InvalidParameter;
  for (int i = 0; i < n; ++i)
    if (d[i] <= 0) return InvalidParameter;
  p->dashes.assign(d, d + n);
  p->dash = DashStyleCustom;
  return Ok;
}
GpStatus GdipSetPenStartCap(GpPen* p, GpLineCap c) {
  if (!p) return InvalidParameter;
  p->startCap = c;
  return Ok;
}
GpStatus GdipSetPenEndCap(GpPen* p, GpLineCap c) {
  if (!p) return InvalidParameter;
  p->endCap = c;
  return Ok;
}
GpStatus GdipSetPenLineJoin(GpPen* p, GpLineJoin j) {
  if (!p) return InvalidParameter;
  p->join = j;
  return Ok;
}

// ---- brushes ----------------------------------------------------------------------------------------
GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** b) {
  if (!b) return InvalidParameter;
  *b = new GpSolidFill();
  (*b)->data->color = color;
  return Ok;
}
GpStatus GdipSetSolidFillColor(GpSolidFill* b, ARGB c) {
  if (!b) return InvalidParameter;
  b->data->color = c;
  return Ok;
}
GpStatus GdipCreateLineBrush(const GpPointF* p1, const GpPointF* p2, ARGB c1, ARGB c2, GpWrapMode wrap,
                             GpLineGradient** b) {
  if (!p1 || !p2 || !b) return InvalidParameter;
  if (p1->X == p2->X && p1->Y == p2->Y) return OutOfMemory;  // a zero-length gradient is refused
  auto* g = new GpLineGradient();
  g->data->gradient = true;
  g->data->x1 = p1->X;
  g->data->y1 = p1->Y;
  g->data->x2 = p2->X;
  g->data->y2 = p2->Y;
  g->data->stops = {{0.0, c1}, {1.0, c2}};
  g->data->wrap = wrap;
  *b = g;
  return Ok;
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
  if (!b || !colors || !pos || n < 2) return InvalidParameter;
  // Positions run from 0 to 1 and do not go back.
  if (pos[0] != 0.0f || pos[n - 1] != 1.0f) return InvalidParameter;
  for (int i = 1; i < n; ++i)
    if (pos[i] < pos[i - 1]) return InvalidParameter;
  b->data->stops.clear();
  for (int i = 0; i < n; ++i) b->data->stops.push_back({pos[i], colors[i]});
  return Ok;
}
GpStatus GdipDeleteBrush(GpBrush* b) {
  if (!b) return InvalidParameter;
  delete b;
  return Ok;
}

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
  *path = new GpPath{mode};
  return Ok;
}
GpStatus GdipCreatePath2(const GpPointF* points, const BYTE* types, INT count, GpFillMode mode, GpPath** path) {
  if (!path || count < 0 || (count > 0 && (!points || !types))) return InvalidParameter;
  auto* p = new GpPath{mode};
  for (INT i = 0; i < count; i++) {
    BYTE type = types[i];
    switch (type & 7) {
      case 0:
        p->ops.push_back(GpPath::Op{0, {points[i].X, points[i].Y, 0, 0, 0, 0}});
        break;
      case 1:
        p->ops.push_back(GpPath::Op{1, {points[i].X, points[i].Y, 0, 0, 0, 0}});
        break;
      case 3:
        if (i + 2 >= count) break;  // an incomplete curve is left out
        p->ops.push_back(GpPath::Op{
            2, {points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, points[i + 2].X, points[i + 2].Y}});
        i += 2;
        type = types[i];  // the close flag sits on the curve's end point
        break;
      default:
        break;
    }
    if (type & 0x80) p->ops.push_back(GpPath::Op{3, {0, 0, 0, 0, 0, 0}});
  }
  p->newFigure = true;
  *path = p;
  return Ok;
}
GpStatus GdipDeletePath(GpPath* p) {
  if (!p) return InvalidParameter;
  delete p;
  return Ok;
}
GpStatus GdipResetPath(GpPath* p) {
  if (!p) return InvalidParameter;
  p->ops.clear();
  p->newFigure = true;
  return Ok;
}
GpStatus GdipStartPathFigure(GpPath* p) {
  if (!p) return InvalidParameter;
  p->newFigure = true;
  return Ok;
}
GpStatus GdipClosePathFigure(GpPath* p) {
  if (!p) return InvalidParameter;
  if (!p->ops.empty()) p->ops.push_back(GpPath::Op{3, {}});
  p->newFigure = true;
  return Ok;
}
GpStatus GdipAddPathLine(GpPath* p, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (!p) return InvalidParameter;
  AddPoint(p, x1, y1);
  AddPoint(p, x2, y2);
  return Ok;
}
GpStatus GdipAddPathLineI(GpPath* p, INT x1, INT y1, INT x2, INT y2) { return GdipAddPathLine(p, x1, y1, x2, y2); }
GpStatus GdipAddPathLine2(GpPath* p, const GpPointF* pts, INT n) {
  if (!p || !pts || n < 1) return InvalidParameter;
  for (int i = 0; i < n; ++i) AddPoint(p, pts[i].X, pts[i].Y);
  return Ok;
}
GpStatus GdipAddPathBezier(GpPath* p, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4, REAL y4) {
  if (!p) return InvalidParameter;
  AddPoint(p, x1, y1);
  p->ops.push_back(GpPath::Op{2, {x2, y2, x3, y3, x4, y4}});
  p->lastX = x4;
  p->lastY = y4;
  return Ok;
}
GpStatus GdipAddPathBezierI(GpPath* p, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3, INT x4, INT y4) {
  return GdipAddPathBezier(p, x1, y1, x2, y2, x3, y3, x4, y4);
}
GpStatus GdipAddPathArc(GpPath* p, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep) {
  if (!p || w <= 0 || h <= 0) return InvalidParameter;
  // The arc connects to the figure's last point with a line, as a path does.
  double a = start * M_PI / 180;
  double sx = x + w / 2 + w / 2 * std::cos(a), sy = y + h / 2 + h / 2 * std::sin(a);
  AddPoint(p, sx, sy);
  p->ops.push_back(GpPath::Op{4, {x, y, w, h, start, sweep}});
  double e = (start + sweep) * M_PI / 180;
  p->lastX = x + w / 2 + w / 2 * std::cos(e);
  p->lastY = y + h / 2 + h / 2 * std::sin(e);
  return Ok;
}
GpStatus GdipAddPathArcI(GpPath* p, INT x, INT y, INT w, INT h, REAL start, REAL sweep) {
  return GdipAddPathArc(p, x, y, w, h, start, sweep);
}
GpStatus GdipAddPathRectangle(GpPath* p, REAL x, REAL y, REAL w, REAL h) {
  if (!p) return InvalidParameter;
  p->newFigure = true;
  AddPoint(p, x, y);
  AddPoint(p, x + w, y);
  AddPoint(p, x + w, y + h);
  AddPoint(p, x, y + h);
  return GdipClosePathFigure(p);
}
GpStatus GdipAddPathRectangleI(GpPath* p, INT x, INT y, INT w, INT h) { return GdipAddPathRectangle(p, x, y, w, h); }
GpStatus GdipAddPathEllipse(GpPath* p, REAL x, REAL y, REAL w, REAL h) {
  if (!p || w <= 0 || h <= 0) return InvalidParameter;
  p->newFigure = true;
  GdipAddPathArc(p, x, y, w, h, 0, 360);
  return GdipClosePathFigure(p);
}
GpStatus GdipAddPathPolygon(GpPath* p, const GpPointF* pts, INT n) {
  if (!p || !pts || n < 3) return InvalidParameter;
  p->newFigure = true;
  GdipAddPathLine2(p, pts, n);
  return GdipClosePathFigure(p);
}
GpStatus GdipFillPath(GpGraphics* g, GpBrush* b, GpPath* path) {
  if (!path) return InvalidParameter;
  return Fill(
      g, b, [&](cairo_t* cr) { Replay(cr, path); }, path->fillMode);
}
GpStatus GdipDrawPath(GpGraphics* g, GpPen* p, GpPath* path) {
  if (!path) return InvalidParameter;
  return Stroke(g, p, [&](cairo_t* cr) { Replay(cr, path); });
}

// ---- images -----------------------------------------------------------------------------------------
GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE, GpBitmap** out) {
  if (!out) return InvalidParameter;
  PV_GDI_LOCK;
  Bitmap* b = GetBitmap_(hbm);
  if (!b) return InvalidParameter;
  b->RawToPixels();
  b->Flush();
  auto* img = new GpBitmap();
  img->data->w = b->w;
  img->data->h = b->h;
  // A copy: GDI bitmaps carry no alpha meaning here, so the image is opaque.
  img->data->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b->w, b->h);
  auto* dst = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img->data->surface));
  int stride = cairo_image_surface_get_stride(img->data->surface) / 4;
  for (int y = 0; y < b->h; ++y)
    for (int x = 0; x < b->w; ++x) dst[y * stride + x] = b->Row(y)[x] | 0xFF000000u;
  cairo_surface_mark_dirty(img->data->surface);
  *out = img;
  return Ok;
}
GpStatus GdipCreateBitmapFromScan0(INT w, INT h, INT stride, GpPixelFormat format, BYTE* scan0, GpBitmap** out) {
  if (!out || w <= 0 || h <= 0 || w > 32767 || h > 32767) return InvalidParameter;
  if (format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB && format != PixelFormat32bppRGB)
    return NotImplemented;
  auto* img = new GpBitmap();
  img->data->w = w;
  img->data->h = h;
  img->data->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  auto* dst = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img->data->surface));
  int ds = cairo_image_surface_get_stride(img->data->surface) / 4;
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
  cairo_surface_mark_dirty(img->data->surface);
  *out = img;
  return Ok;
}
GpStatus GdipGetImageWidth(GpImage* i, UINT* w) {
  if (!i || !w) return InvalidParameter;
  *w = static_cast<UINT>(i->data->w);
  return Ok;
}
GpStatus GdipGetImageHeight(GpImage* i, UINT* h) {
  if (!i || !h) return InvalidParameter;
  *h = static_cast<UINT>(i->data->h);
  return Ok;
}
GpStatus GdipDrawImageRectI(GpGraphics* g, GpImage* img, INT x, INT y, INT w, INT h) {
  if (!g || !img || !img->data->surface) return InvalidParameter;
  PV_GDI_LOCK;
  DC* dc;
  cairo_t* cr = Begin(g, &dc);
  if (!cr) return InvalidParameter;
  // Images sit on pixel edges whatever the offset mode.
  if (g->pixelOffset != PixelOffsetModeHalf && g->pixelOffset != PixelOffsetModeHighQuality)
    cairo_translate(cr, -0.5, -0.5);
  cairo_translate(cr, x, y);
  cairo_scale(cr, static_cast<double>(w) / img->data->w, static_cast<double>(h) / img->data->h);
  cairo_set_source_surface(cr, img->data->surface, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr),
                           (w == img->data->w && h == img->data->h) ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  End(dc, cr);
  return Ok;
}
GpStatus GdipDrawImageI(GpGraphics* g, GpImage* img, INT x, INT y) {
  if (!img) return InvalidParameter;
  return GdipDrawImageRectI(g, img, x, y, img->data->w, img->data->h);
}
GpStatus GdipDisposeImage(GpImage* img) {
  if (!img) return InvalidParameter;
  delete img;
  return Ok;
}

}  // extern "C"
