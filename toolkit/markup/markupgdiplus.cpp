#include "toolkit/markup/markupgdiplus.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/gdi/gdiplus.h"
#include "platform/system/modules.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markuppathgeometry.h"

namespace {

// The process-wide GDI+ module: the library, its start-up token and the
// entry points, each looked up by name the first time it is needed.
struct GdiPlusModule {
  std::mutex mutex;
  HMODULE hModule = nullptr;
  ULONG_PTR token = 0;
  int nRefs = 0;
  struct Entry {
    const char* name;
    FARPROC proc;
  };
  std::vector<Entry> entries;

  template <class F>
  F* Get(const char* name) {
    for (Entry& e : entries)
      if (std::strcmp(e.name, name) == 0) return reinterpret_cast<F*>(e.proc);
    FARPROC proc = hModule ? ::GetProcAddress(hModule, name) : nullptr;
    entries.push_back(Entry{name, proc});
    return reinterpret_cast<F*>(proc);
  }
};

GdiPlusModule& Module() {
  static GdiPlusModule* s = new GdiPlusModule;
  return *s;
}

// Calls an entry point by name; fails quietly when it is missing.
#define GP_CALL(name, ...) \
  (Module().Get<decltype(::name)>(#name) ? Module().Get<decltype(::name)>(#name)(__VA_ARGS__) : GenericError)

// 0xAABBGGRR to GDI+'s 0xAARRGGBB.
ARGB ToArgb(DWORD clr) { return (clr & 0xFF00FF00u) | ((clr & 0xFF) << 16) | ((clr >> 16) & 0xFF); }

// A GDI+ brush for a markup brush over a bounding rectangle, or null.
GpBrush* CreateBrush(CTKMarkupBrush* pBrush, const RECT& rc) {
  if (auto* pSolid = MarkupDynamicCast<CTKMarkupSolidColorBrush>(pBrush)) {
    auto* pColor = MarkupDynamicCast<CTKMarkupColor>(pSolid->GetValue(CTKMarkupSolidColorBrush::m_pColorProperty));
    if (!pColor) return nullptr;
    GpSolidFill* pFill = nullptr;
    if (GP_CALL(GdipCreateSolidFill, ToArgb(pColor->GetValue()), &pFill) != Ok) return nullptr;
    return pFill;
  }
  auto* pGradient = MarkupDynamicCast<CTKMarkupLinearGradientBrush>(pBrush);
  if (!pGradient) return nullptr;
  const std::vector<TKMARKUPGRADIENTSTOP> stops = MarkupGradientStops(pGradient);
  if (stops.empty()) return nullptr;
  auto* pStart =
      MarkupDynamicCast<CTKMarkupPoint>(pGradient->GetValue(CTKMarkupLinearGradientBrush::m_pStartPointProperty));
  auto* pEnd =
      MarkupDynamicCast<CTKMarkupPoint>(pGradient->GetValue(CTKMarkupLinearGradientBrush::m_pEndPointProperty));
  const float w = static_cast<float>(rc.right) - rc.left, h = static_cast<float>(rc.bottom) - rc.top;
  GpPointF start{rc.left + w * static_cast<float>(pStart ? pStart->x : 0.0),
                 rc.top + h * static_cast<float>(pStart ? pStart->y : 0.0)};
  GpPointF end{rc.left + w * static_cast<float>(pEnd ? pEnd->x : 1.0),
               rc.top + h * static_cast<float>(pEnd ? pEnd->y : 1.0)};
  // The blend runs from 0 to 1: stops outside that span are folded into the
  // colours at its ends, as the GDI fill reads them, so both back ends give
  // the same colours.
  std::vector<ARGB> colors{ToArgb(MarkupGradientColorAt(stops, 0.0))};
  std::vector<REAL> positions{0.0f};
  for (const TKMARKUPGRADIENTSTOP& stop : stops) {
    if (!(stop.offset > 0 && stop.offset < 1)) continue;
    colors.push_back(ToArgb(stop.color));
    positions.push_back(static_cast<REAL>(stop.offset));
  }
  colors.push_back(ToArgb(MarkupGradientColorAt(stops, 1.0)));
  positions.push_back(1.0f);
  GpLineGradient* pLine = nullptr;
  if (GP_CALL(GdipCreateLineBrush, &start, &end, colors.front(), colors.back(), WrapModeTileFlipXY, &pLine) != Ok)
    return nullptr;
  GP_CALL(GdipSetLinePresetBlend, pLine, colors.data(), positions.data(), static_cast<INT>(colors.size()));
  return pLine;
}

// A pen for the stroke over a bounding rectangle, or null.
GpPen* CreatePen(const TKMARKUPSTROKE* pStroke, const RECT& rc) {
  if (!pStroke || pStroke->nThickness <= 0 || !pStroke->pBrush) return nullptr;
  GpPen* pPen = nullptr;
  const REAL width = static_cast<REAL>(pStroke->nThickness);
  if (auto* pSolid = MarkupDynamicCast<CTKMarkupSolidColorBrush>(pStroke->pBrush)) {
    auto* pColor = MarkupDynamicCast<CTKMarkupColor>(pSolid->GetValue(CTKMarkupSolidColorBrush::m_pColorProperty));
    if (GP_CALL(GdipCreatePen1, ToArgb(pColor ? pColor->GetValue() : 0xFF000000u), width, UnitWorld, &pPen) != Ok)
      return nullptr;
  } else {
    GpBrush* pBrush = CreateBrush(pStroke->pBrush, rc);
    if (!pBrush) return nullptr;
    const GpStatus status = GP_CALL(GdipCreatePen2, pBrush, width, UnitWorld, &pPen);
    GP_CALL(GdipDeleteBrush, pBrush);
    if (status != Ok) return nullptr;
  }
  if (CTKMarkupDoubleCollection* pDashes = pStroke->pDashArray) {
    std::vector<REAL> dashes;
    for (int i = 0; i < pDashes->GetCount(); i++) dashes.push_back(pDashes->GetAt(i));
    if (dashes.size() == 1) dashes.push_back(dashes[0]);
    if (!dashes.empty()) GP_CALL(GdipSetPenDashArray, pPen, dashes.data(), static_cast<INT>(dashes.size()));
  }
  if (pStroke->nLineJoin) GP_CALL(GdipSetPenLineJoin, pPen, pStroke->nLineJoin);
  if (pStroke->nStartCap) GP_CALL(GdipSetPenStartCap, pPen, pStroke->nStartCap);
  if (pStroke->nEndCap) GP_CALL(GdipSetPenEndCap, pPen, pStroke->nEndCap);
  return pPen;
}

// Even strokes sit on pixel edges, odd ones on pixel centres.
int StrokeOffsetMode(const TKMARKUPSTROKE* pStroke) {
  return (pStroke && pStroke->nThickness % 2 == 0) ? PixelOffsetModeHalf : PixelOffsetModeDefault;
}

// Opaque fills look the same through GDI, which is faster.
bool IsOpaque(CTKMarkupBrush* pBrush) {
  if (!pBrush) return true;
  auto* pSolid = MarkupDynamicCast<CTKMarkupSolidColorBrush>(pBrush);
  if (!pSolid) return false;
  auto* pColor = MarkupDynamicCast<CTKMarkupColor>(pSolid->GetValue(CTKMarkupSolidColorBrush::m_pColorProperty));
  return !pColor || (pColor->GetValue() >> 24) == 0xFF;
}

RECT BoundsOf(const POINT* pPoints, int nCount) {
  RECT rc{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int i = 0; i < nCount; i++) {
    rc.left = std::min(rc.left, pPoints[i].x);
    rc.top = std::min(rc.top, pPoints[i].y);
    rc.right = std::max(rc.right, pPoints[i].x);
    rc.bottom = std::max(rc.bottom, pPoints[i].y);
  }
  return nCount ? rc : RECT{0, 0, 0, 0};
}

std::vector<GpPoint> ToGpPoints(const POINT* pPoints, int nCount) {
  std::vector<GpPoint> points;
  for (int i = 0; i < nCount; i++)
    points.push_back(GpPoint{static_cast<INT>(pPoints[i].x), static_cast<INT>(pPoints[i].y)});
  return points;
}

}  // namespace

void MarkupGdiPlusReference(BOOL bAddRef) {
  GdiPlusModule& m = Module();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (bAddRef) {
    if (++m.nRefs != 1) return;
    m.entries.clear();
    m.hModule = ::LoadLibraryW(u"GdiPlus.dll");
    if (!m.hModule) return;
    GdiplusStartupInput input{};
    input.GdiplusVersion = 1;
    ULONG_PTR token = 0;
    if (GP_CALL(GdiplusStartup, &token, &input, nullptr) == Ok) m.token = token;
    return;
  }
  if (m.nRefs == 0) return;
  if (--m.nRefs != 0) return;
  if (m.hModule) {
    if (m.token) {
      if (auto* pShutdown = m.Get<decltype(::GdiplusShutdown)>("GdiplusShutdown")) pShutdown(m.token);
    }
    ::FreeLibrary(m.hModule);
  }
  m.entries.clear();
  m.hModule = nullptr;
  m.token = 0;
}

BOOL MarkupIsGdiPlusRunning() { return Module().token != 0; }

void* CTKMarkupGdiPlusDeviceContext::CreateGraphics() {
  if (!Module().token || !m_hDC) return nullptr;
  GpGraphics* pGraphics = nullptr;
  const GpStatus status = (m_hDC == m_hAttribDC || !m_hAttribDC)
                              ? GP_CALL(GdipCreateFromHDC, m_hDC, &pGraphics)
                              : GP_CALL(GdipCreateFromHDC2, m_hDC, m_hAttribDC, &pGraphics);
  if (status != Ok || !pGraphics) return nullptr;
  GP_CALL(GdipSetPageUnit, pGraphics, UnitPixel);
  GP_CALL(GdipSetSmoothingMode, pGraphics, SmoothingModeHighQuality);
  GP_CALL(GdipSetPixelOffsetMode, pGraphics, PixelOffsetModeHalf);
  return pGraphics;
}

void CTKMarkupGdiPlusDeviceContext::DeleteGraphics(void* pGraphics) {
  if (pGraphics) GP_CALL(GdipDeleteGraphics, static_cast<GpGraphics*>(pGraphics));
}

void CTKMarkupGdiPlusDeviceContext::FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush) {
  if (m_hDC && IsOpaque(pBrush)) {
    CTKMarkupDeviceContext::FillRectangle(rc, pBrush);
    return;
  }
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::FillRectangle(rc, pBrush);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighSpeed);
  GP_CALL(GdipSetPixelOffsetMode, g, PixelOffsetModeHalf);
  if (GpBrush* pGpBrush = CreateBrush(pBrush, rc)) {
    GP_CALL(GdipFillRectangleI, g, pGpBrush, rc.left, rc.top, MarkupSub(rc.right, rc.left),
            MarkupSub(rc.bottom, rc.top));
    GP_CALL(GdipDeleteBrush, pGpBrush);
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* t) {
  if (m_hDC && IsOpaque(pBrush)) {
    CTKMarkupDeviceContext::DrawFrame(rc, pBrush, t);
    return;
  }
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g || !t) {
    DeleteGraphics(g);
    CTKMarkupDeviceContext::DrawFrame(rc, pBrush, t);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighSpeed);
  if (GpBrush* b = CreateBrush(pBrush, rc)) {
    // Four bands that do not overlap, so a translucent frame has even corners.
    const INT w = MarkupSaturate(static_cast<long long>(rc.right) - t->right - t->left - rc.left);
    const INT h = MarkupSub(rc.bottom, rc.top);
    if (t->left > 0) GP_CALL(GdipFillRectangleI, g, b, rc.left, rc.top, t->left, h);
    if (t->right > 0) GP_CALL(GdipFillRectangleI, g, b, MarkupSub(rc.right, t->right), rc.top, t->right, h);
    if (t->top > 0) GP_CALL(GdipFillRectangleI, g, b, MarkupAdd(rc.left, t->left), rc.top, w, t->top);
    if (t->bottom > 0)
      GP_CALL(GdipFillRectangleI, g, b, MarkupAdd(rc.left, t->left), MarkupSub(rc.bottom, t->bottom), w, t->bottom);
    GP_CALL(GdipDeleteBrush, b);
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) {
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::DrawEllipse(rc, pStroke, pFill);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighQuality);
  GP_CALL(GdipSetPixelOffsetMode, g, PixelOffsetModeHalf);
  const float w = pStroke ? static_cast<float>(std::max(pStroke->nThickness, 0)) : 0.0f;
  const REAL x = rc.left + w / 2, y = rc.top + w / 2;
  const REAL cx = (static_cast<REAL>(rc.right) - rc.left) - w, cy = (static_cast<REAL>(rc.bottom) - rc.top) - w;
  if (pFill) {
    if (GpBrush* b = CreateBrush(pFill, rc)) {
      GP_CALL(GdipFillEllipse, g, b, x, y, cx, cy);
      GP_CALL(GdipDeleteBrush, b);
    }
  }
  if (w > 0) {
    if (GpPen* p = CreatePen(pStroke, rc)) {
      GP_CALL(GdipDrawEllipse, g, p, x, y, cx, cy);
      GP_CALL(GdipDeletePen, p);
    }
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke) {
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::DrawLine(x1, y1, x2, y2, pStroke);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, (x1 == x2 || y1 == y2) ? SmoothingModeHighSpeed : SmoothingModeHighQuality);
  GP_CALL(GdipSetPixelOffsetMode, g, StrokeOffsetMode(pStroke));
  if (GpPen* p = CreatePen(pStroke, RECT{x1, y1, x2, y2})) {
    GP_CALL(GdipDrawLineI, g, p, x1, y1, x2, y2);
    GP_CALL(GdipDeletePen, p);
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke) {
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::Polyline(pPoints, nCount, pStroke);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighQuality);
  GP_CALL(GdipSetPixelOffsetMode, g, StrokeOffsetMode(pStroke));
  if (GpPen* p = CreatePen(pStroke, BoundsOf(pPoints, nCount))) {
    std::vector<GpPoint> points = ToGpPoints(pPoints, nCount);
    GP_CALL(GdipDrawLinesI, g, p, points.data(), nCount);
    GP_CALL(GdipDeletePen, p);
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke,
                                            CTKMarkupBrush* pFill) {
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::Polygon(pPoints, nCount, pStroke, pFill);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighQuality);
  const RECT rc = BoundsOf(pPoints, nCount);
  std::vector<GpPoint> points = ToGpPoints(pPoints, nCount);
  if (pFill) {
    GP_CALL(GdipSetPixelOffsetMode, g, PixelOffsetModeHalf);
    if (GpBrush* b = CreateBrush(pFill, rc)) {
      GP_CALL(GdipFillPolygonI, g, b, points.data(), nCount, FillModeAlternate);
      GP_CALL(GdipDeleteBrush, b);
    }
  }
  if (pStroke && pStroke->nThickness > 0) {
    GP_CALL(GdipSetPixelOffsetMode, g, StrokeOffsetMode(pStroke));
    if (GpPen* p = CreatePen(pStroke, rc)) {
      GP_CALL(GdipDrawPolygonI, g, p, points.data(), nCount);
      GP_CALL(GdipDeletePen, p);
    }
  }
  DeleteGraphics(g);
}

void CTKMarkupGdiPlusDeviceContext::DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke,
                                             CTKMarkupBrush* pFill) {
  auto* g = static_cast<GpGraphics*>(CreateGraphics());
  if (!g) {
    CTKMarkupDeviceContext::DrawPath(pGeometry, pStroke, pFill);
    return;
  }
  GP_CALL(GdipSetSmoothingMode, g, SmoothingModeHighQuality);
  if (!pGeometry || pGeometry->GetPointCount() == 0) {
    DeleteGraphics(g);
    return;
  }
  std::vector<GpPointF> points;
  for (int i = 0; i < pGeometry->GetPointCount(); i++)
    points.push_back(GpPointF{pGeometry->GetPoints()[i].x, pGeometry->GetPoints()[i].y});
  GpPath* pPath = nullptr;
  if (GP_CALL(GdipCreatePath2, points.data(), pGeometry->GetTypes(), pGeometry->GetPointCount(), FillModeAlternate,
              &pPath) != Ok) {
    DeleteGraphics(g);
    return;
  }
  const RECT& rcBounds = pGeometry->GetBounds();
  if (pFill) {
    GP_CALL(GdipSetPixelOffsetMode, g, PixelOffsetModeHalf);
    if (GpBrush* b = CreateBrush(pFill, rcBounds)) {
      GP_CALL(GdipFillPath, g, b, pPath);
      GP_CALL(GdipDeleteBrush, b);
    }
  }
  if (pStroke && pStroke->nThickness > 0) {
    GP_CALL(GdipSetPixelOffsetMode, g,
            pGeometry->GetPixelOffsetMode() ? pGeometry->GetPixelOffsetMode() : PixelOffsetModeHalf);
    if (GpPen* p = CreatePen(pStroke, rcBounds)) {
      GP_CALL(GdipDrawPath, g, p, pPath);
      GP_CALL(GdipDeletePen, p);
    }
  }
  GP_CALL(GdipDeletePath, pPath);
  DeleteGraphics(g);
}
