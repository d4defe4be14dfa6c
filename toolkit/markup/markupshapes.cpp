// Shapes: rectangle (optionally rounded), ellipse, line, polyline, polygon
// and path, with their fill and stroke, measuring, drawing and hit testing.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markuppathgeometry.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupShape)
TK_DEFINE_MARKUPCLASS(CTKMarkupPointCollection)
TK_DEFINE_MARKUPCLASS(CTKMarkupPolygon)
TK_DEFINE_MARKUPCLASS(CTKMarkupPolyline)
TK_DEFINE_MARKUPCLASS(CTKMarkupRectangle)
TK_DEFINE_MARKUPCLASS(CTKMarkupEllipse)
TK_DEFINE_MARKUPCLASS(CTKMarkupLine)
TK_DEFINE_MARKUPCLASS(CTKMarkupPath)

CTKMarkupDependencyProperty* CTKMarkupShape::m_pFillProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeThicknessProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStretchProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeDashArrayProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeStartLineCapProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeEndLineCapProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupShape::m_pStrokeLineJoinProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupPolygon::m_pPointsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupPolyline::m_pPointsProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupRectangle::m_pRadiusXProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupRectangle::m_pRadiusYProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLine::m_pX1Property = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLine::m_pY1Property = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLine::m_pX2Property = nullptr;
CTKMarkupDependencyProperty* CTKMarkupLine::m_pY2Property = nullptr;
CTKMarkupDependencyProperty* CTKMarkupPath::m_pDataProperty = nullptr;

namespace {

constexpr int kUnbounded = INT_MAX;

CTKMarkupPropertyMetadata* Meta(CTKMarkupObject* pDefault, DWORD dwFlags, PFNMARKUPCONVERTER pConverter = nullptr) {
  return new CTKMarkupPropertyMetadata(pDefault, pConverter, dwFlags);
}

// A stretched shape takes the available size where it is bounded.
SIZE Stretched(SIZE sz, int cx, int cy) {
  if (cx != kUnbounded) sz.cx = cx;
  if (cy != kUnbounded) sz.cy = cy;
  return sz;
}

// Maps points so their bounds fill (0, 0, cx, cy); an axis of empty bounds
// keeps its coordinates.
std::vector<POINT> ScaledPoints(const CTKMarkupPointCollection* pPoints, int cx, int cy) {
  std::vector<POINT> points = pPoints->GetPoints();
  const RECT& b = pPoints->GetBounds();
  for (POINT& pt : points) {
    // In 64 bits: points and extents are any 32-bit values.
    if (b.right > b.left)
      pt.x = MarkupSaturate((static_cast<long long>(pt.x) - b.left) * cx / (static_cast<long long>(b.right) - b.left));
    if (b.bottom > b.top)
      pt.y = MarkupSaturate((static_cast<long long>(pt.y) - b.top) * cy / (static_cast<long long>(b.bottom) - b.top));
  }
  return points;
}

// Polyline and polygon size: the bounds including the origin.
SIZE PointsSize(const CTKMarkupPointCollection* pPoints) {
  const RECT& b = pPoints->GetBounds();
  return SIZE{std::max<LONG>(b.right, MarkupSub(b.right, b.left)),
              std::max<LONG>(b.bottom, MarkupSub(b.bottom, b.top))};
}

}  // namespace

// ---- shape -------------------------------------------------------------------------------------

void CTKMarkupShape::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pBrush = CTKMarkupBrush::GetMarkupClass();
  CTKMarkupType* pEnum = CTKMarkupEnum::GetMarkupClass();
  m_pFillProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Fill", pBrush, pOwner, Meta(nullptr, MPF_AFFECTSRENDER));
  m_pStrokeProperty =
      CTKMarkupDependencyProperty::RegisterProperty(u"Stroke", pBrush, pOwner, Meta(nullptr, MPF_AFFECTSRENDER));
  m_pStrokeThicknessProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"StrokeThickness", CTKMarkupInt::GetMarkupClass(), pOwner, Meta(nullptr, MPF_AFFECTSRENDER));
  m_pStretchProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Stretch", pEnum, pOwner, Meta(CTKMarkupEnum::CreateEnum(0), MPF_AFFECTSRENDER, &ConvertStretch));
  m_pStrokeDashArrayProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"StrokeDashArray", CTKMarkupDoubleCollection::GetMarkupClass(), pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pStrokeStartLineCapProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"StrokeStartLineCap", pEnum, pOwner, Meta(CTKMarkupEnum::CreateEnum(0), MPF_AFFECTSRENDER, &ConvertLineCap));
  m_pStrokeEndLineCapProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"StrokeEndLineCap", pEnum, pOwner, Meta(CTKMarkupEnum::CreateEnum(0), MPF_AFFECTSRENDER, &ConvertLineCap));
  m_pStrokeLineJoinProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"StrokeLineJoin", pEnum, pOwner, Meta(CTKMarkupEnum::CreateEnum(0), MPF_AFFECTSRENDER, &ConvertLineJoin));
}

void CTKMarkupShape::GetStroke(TKMARKUPSTROKE* pStroke) const {
  pStroke->pBrush = MarkupDynamicCast<CTKMarkupBrush>(GetValue(m_pStrokeProperty));
  pStroke->nThickness = pStroke->pBrush ? MarkupIntValue(GetValue(m_pStrokeThicknessProperty), 1) : 0;
  pStroke->pDashArray = MarkupDynamicCast<CTKMarkupDoubleCollection>(GetValue(m_pStrokeDashArrayProperty));
  pStroke->nStartCap = MarkupEnumValue(GetValue(m_pStrokeStartLineCapProperty), 0);
  pStroke->nEndCap = MarkupEnumValue(GetValue(m_pStrokeEndLineCapProperty), 0);
  pStroke->nLineJoin = MarkupEnumValue(GetValue(m_pStrokeLineJoinProperty), 0);
}

CTKMarkupBrush* CTKMarkupShape::GetFill() const { return MarkupDynamicCast<CTKMarkupBrush>(GetValue(m_pFillProperty)); }

BOOL CTKMarkupShape::IsStretched() const { return MarkupEnumValue(GetValue(m_pStretchProperty), 0) != 0; }

// ---- point collection --------------------------------------------------------------------------

void CTKMarkupPointCollection::SetPoints(std::vector<POINT> points) {
  m_points = std::move(points);
  if (m_points.empty()) {
    m_rcBounds = RECT{0, 0, 0, 0};
    return;
  }
  m_rcBounds = RECT{m_points[0].x, m_points[0].y, m_points[0].x, m_points[0].y};
  for (const POINT& pt : m_points) {
    m_rcBounds.left = std::min(m_rcBounds.left, pt.x);
    m_rcBounds.top = std::min(m_rcBounds.top, pt.y);
    m_rcBounds.right = std::max(m_rcBounds.right, pt.x);
    m_rcBounds.bottom = std::max(m_rcBounds.bottom, pt.y);
  }
}

CTKMarkupObject* CTKMarkupPointCollection::ConvertFrom(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR p = pString->GetBuffer();
  const LPCWSTR pEnd = p + pString->GetLength();
  std::vector<LONG> numbers;
  while (p < pEnd) {
    while (p < pEnd && *p == u' ') p++;
    if (p == pEnd) break;
    bool bNegative = false;
    if (*p == u'-') {
      bNegative = true;
      p++;
    }
    if (p == pEnd || *p < u'0' || *p > u'9') return nullptr;
    long long n = 0;
    while (p < pEnd && *p >= u'0' && *p <= u'9') {
      n = std::min<long long>(n * 10 + (*p - u'0'), INT_MAX);
      p++;
    }
    numbers.push_back(static_cast<LONG>(bNegative ? -n : n));
    if (p < pEnd) {
      if (*p != u' ' && *p != u',') return nullptr;
      p++;
    }
  }
  if (numbers.size() % 2) return nullptr;
  std::vector<POINT> points;
  for (size_t i = 0; i < numbers.size(); i += 2) points.push_back(POINT{numbers[i], numbers[i + 1]});
  auto* pCollection = new CTKMarkupPointCollection();
  pCollection->SetPoints(std::move(points));
  return pCollection;
}

// Half a stroke, rounded up: what a straight stroke adds beside its line.
static int HalfThickness(int nThickness) { return MarkupSaturate((static_cast<long long>(nThickness) + 1) / 2); }

// ---- rectangle and ellipse ---------------------------------------------------------------------

void CTKMarkupRectangle::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pRadiusXProperty = CTKMarkupDependencyProperty::RegisterProperty(u"RadiusX", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                                     Meta(nullptr, MPF_AFFECTSRENDER));
  m_pRadiusYProperty = CTKMarkupDependencyProperty::RegisterProperty(u"RadiusY", CTKMarkupInt::GetMarkupClass(), pOwner,
                                                                     Meta(nullptr, MPF_AFFECTSRENDER));
}

SIZE CTKMarkupRectangle::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  return IsStretched() ? Stretched(SIZE{0, 0}, cx, cy) : SIZE{0, 0};
}

void CTKMarkupRectangle::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  CTKMarkupBrush* pFill = GetFill();
  if (!stroke.pBrush && !pFill) return;
  const int t = stroke.nThickness, w = m_szRenderSize.cx, h = m_szRenderSize.cy;
  if (w == 0 || h == 0) return;
  const double rx = std::min<double>(MarkupIntValue(GetValue(m_pRadiusXProperty), 0), (double(w) - t) * 0.5);
  const double ry = std::min<double>(MarkupIntValue(GetValue(m_pRadiusYProperty), 0), (double(h) - t) * 0.5);
  double radii[8] = {ry, rx, rx, ry, ry, rx, rx, ry};
  const double* pRadii = (rx > 0 && ry > 0) ? radii : nullptr;
  if (pFill) pDC->FillRectangle(RECT{t / 2, t / 2, MarkupSub(w, t / 2), MarkupSub(h, t / 2)}, pFill, pRadii);
  if (t > 0) {
    CTKMarkupThickness* pThickness = new CTKMarkupThickness(t);
    pDC->DrawRectangle(RECT{0, 0, w, h}, stroke.pBrush, pThickness, pRadii);
    pThickness->Release();
  }
}

SIZE CTKMarkupEllipse::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  return IsStretched() ? Stretched(SIZE{0, 0}, cx, cy) : SIZE{0, 0};
}

void CTKMarkupEllipse::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  CTKMarkupBrush* pFill = GetFill();
  if (!stroke.pBrush && !pFill) return;
  pDC->DrawEllipse(RECT{0, 0, m_szRenderSize.cx, m_szRenderSize.cy}, &stroke, pFill);
}

CTKMarkupInputElement* CTKMarkupEllipse::HitTestCore(int x, int y) {
  const int a = m_szRenderSize.cx / 2, b = m_szRenderSize.cy / 2;
  if (a == 0 || b == 0) return nullptr;  // a degenerate ellipse is never hit
  const double dx = static_cast<double>(x) - a, dy = static_cast<double>(y) - b;
  return (dy * dy) / (static_cast<double>(b) * b) + (dx * dx) / (static_cast<double>(a) * a) <= 1 ? this : nullptr;
}

// ---- line --------------------------------------------------------------------------------------

void CTKMarkupLine::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  CTKMarkupType* pInt = CTKMarkupInt::GetMarkupClass();
  m_pX1Property = CTKMarkupDependencyProperty::RegisterProperty(u"X1", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pY1Property = CTKMarkupDependencyProperty::RegisterProperty(u"Y1", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pX2Property = CTKMarkupDependencyProperty::RegisterProperty(u"X2", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
  m_pY2Property = CTKMarkupDependencyProperty::RegisterProperty(u"Y2", pInt, pOwner, Meta(nullptr, MPF_AFFECTSMEASURE));
}

SIZE CTKMarkupLine::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  const int x1 = MarkupIntValue(GetValue(m_pX1Property), 0), y1 = MarkupIntValue(GetValue(m_pY1Property), 0);
  const int x2 = MarkupIntValue(GetValue(m_pX2Property), 0), y2 = MarkupIntValue(GetValue(m_pY2Property), 0);
  SIZE sz{std::max(x1, x2), std::max(y1, y2)};
  if (GetValue(m_pStrokeProperty) && (x1 == x2 || y1 == y2)) {
    const int nHalf = HalfThickness(MarkupIntValue(GetValue(m_pStrokeThicknessProperty), 1));
    if (x1 == x2) sz.cx = MarkupAdd(sz.cx, nHalf);
    if (y1 == y2) sz.cy = MarkupAdd(sz.cy, nHalf);
  }
  return IsStretched() ? Stretched(sz, cx, cy) : sz;
}

void CTKMarkupLine::GetDrawnPoints(int& x1, int& y1, int& x2, int& y2) const {
  x1 = MarkupIntValue(GetValue(m_pX1Property), 0);
  y1 = MarkupIntValue(GetValue(m_pY1Property), 0);
  x2 = MarkupIntValue(GetValue(m_pX2Property), 0);
  y2 = MarkupIntValue(GetValue(m_pY2Property), 0);
  if (!IsStretched()) return;
  auto map = [](int& a, int& b, int extent) {
    if (a == b) {
      a = b = extent / 2;
    } else if (a > b) {
      a = extent;
      b = 0;
    } else {
      a = 0;
      b = extent;
    }
  };
  map(x1, x2, m_szRenderSize.cx);
  map(y1, y2, m_szRenderSize.cy);
}

void CTKMarkupLine::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  if (stroke.nThickness <= 0) return;
  int x1, y1, x2, y2;
  GetDrawnPoints(x1, y1, x2, y2);
  if (x1 == 0 && y1 == 0 && x2 == 0 && y2 == 0) return;
  pDC->DrawLine(x1, y1, x2, y2, &stroke);
}

CTKMarkupInputElement* CTKMarkupLine::HitTestCore(int x, int y) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  if (!stroke.pBrush || stroke.nThickness <= 0) return nullptr;
  int x1, y1, x2, y2;
  GetDrawnPoints(x1, y1, x2, y2);
  const double g = stroke.nThickness * 0.5;
  const double dx = double(x2) - x1, dy = double(y2) - y1, px = double(x) - x1, py = double(y) - y1;
  if (px + g < std::min(dx, 0.0) || px - g > std::max(dx, 0.0)) return nullptr;
  if (py + g < std::min(dy, 0.0) || py - g > std::max(dy, 0.0)) return nullptr;
  if (dx != 0) return std::fabs(dy * px / dx - py) <= std::fabs(g / std::cos(std::atan(dy / dx))) ? this : nullptr;
  return std::fabs(px) <= g ? this : nullptr;
}

// ---- polyline and polygon ----------------------------------------------------------------------

void CTKMarkupPolyline::RegisterMarkupDependencyProperties() {
  m_pPointsProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Points", CTKMarkupPointCollection::GetMarkupClass(), GetMarkupClass(), Meta(nullptr, MPF_AFFECTSMEASURE));
}

SIZE CTKMarkupPolyline::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  auto* pPoints = MarkupDynamicCast<CTKMarkupPointCollection>(GetValue(m_pPointsProperty));
  if (!pPoints) return SIZE{0, 0};
  SIZE sz = PointsSize(pPoints);
  if (GetValue(m_pStrokeProperty)) {
    const int nHalf = HalfThickness(MarkupIntValue(GetValue(m_pStrokeThicknessProperty), 1));
    if (sz.cx == 0) sz.cx = nHalf;
    if (sz.cy == 0) sz.cy = nHalf;
  }
  return IsStretched() ? Stretched(sz, cx, cy) : sz;
}

void CTKMarkupPolyline::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  auto* pPoints = MarkupDynamicCast<CTKMarkupPointCollection>(GetValue(m_pPointsProperty));
  if (stroke.nThickness <= 0 || !pPoints || pPoints->GetPoints().empty()) return;
  const std::vector<POINT> points =
      IsStretched() ? ScaledPoints(pPoints, m_szRenderSize.cx, m_szRenderSize.cy) : pPoints->GetPoints();
  pDC->Polyline(points.data(), static_cast<int>(points.size()), &stroke);
}

void CTKMarkupPolygon::RegisterMarkupDependencyProperties() {
  m_pPointsProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Points", CTKMarkupPointCollection::GetMarkupClass(), GetMarkupClass(), Meta(nullptr, MPF_AFFECTSMEASURE));
}

SIZE CTKMarkupPolygon::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  auto* pPoints = MarkupDynamicCast<CTKMarkupPointCollection>(GetValue(m_pPointsProperty));
  if (!pPoints) return SIZE{0, 0};
  const SIZE sz = PointsSize(pPoints);
  return IsStretched() ? Stretched(sz, cx, cy) : sz;
}

void CTKMarkupPolygon::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  CTKMarkupBrush* pFill = GetFill();
  auto* pPoints = MarkupDynamicCast<CTKMarkupPointCollection>(GetValue(m_pPointsProperty));
  if ((!stroke.pBrush && !pFill) || !pPoints || pPoints->GetPoints().empty()) return;
  const std::vector<POINT> points =
      IsStretched() ? ScaledPoints(pPoints, m_szRenderSize.cx, m_szRenderSize.cy) : pPoints->GetPoints();
  pDC->Polygon(points.data(), static_cast<int>(points.size()), &stroke, pFill);
}

// ---- path --------------------------------------------------------------------------------------

void CTKMarkupPath::RegisterMarkupDependencyProperties() {
  m_pDataProperty = CTKMarkupDependencyProperty::RegisterProperty(u"Data", CTKMarkupPathGeometry::GetMarkupClass(),
                                                                  GetMarkupClass(), Meta(nullptr, MPF_AFFECTSMEASURE));
}

SIZE CTKMarkupPath::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  auto* pData = MarkupDynamicCast<CTKMarkupPathGeometry>(GetValue(m_pDataProperty));
  if (!pData) return SIZE{0, 0};
  const RECT& b = pData->GetBounds();
  const SIZE sz{std::max<LONG>(b.right, MarkupSub(b.right, b.left)),
                std::max<LONG>(b.bottom, MarkupSub(b.bottom, b.top))};
  return IsStretched() ? Stretched(sz, cx, cy) : sz;
}

void CTKMarkupPath::OnRender(CTKMarkupDrawingContext* pDC) {
  TKMARKUPSTROKE stroke;
  GetStroke(&stroke);
  CTKMarkupBrush* pFill = GetFill();
  auto* pData = MarkupDynamicCast<CTKMarkupPathGeometry>(GetValue(m_pDataProperty));
  if ((!stroke.pBrush && !pFill) || !pData) return;
  if (!IsStretched()) {
    pDC->DrawPath(pData, &stroke, pFill);
    return;
  }
  CTKMarkupPathGeometry* pScaled = pData->ScaledCopy(m_szRenderSize.cx, m_szRenderSize.cy);
  pDC->DrawPath(pScaled, &stroke, pFill);
  pScaled->Release();
}
