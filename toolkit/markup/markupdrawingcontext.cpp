#include "toolkit/markup/markupdrawingcontext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "toolkit/common/imagemanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupgdiplus.h"
#include "toolkit/markup/markuplayoutmath.h"
#include "toolkit/markup/markuppathgeometry.h"

namespace {

// Selects a GDI object for the lifetime of the guard; deletes the object
// afterwards when it was made for this call.
class SelectGuard {
 public:
  SelectGuard(HDC hDC, HGDIOBJ hObject, bool bOwned) : m_hDC(hDC), m_hObject(hObject), m_bOwned(bOwned) {
    m_hOld = ::SelectObject(hDC, hObject);
  }
  ~SelectGuard() {
    ::SelectObject(m_hDC, m_hOld);
    if (m_bOwned && m_hObject) ::DeleteObject(m_hObject);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC m_hDC;
  HGDIOBJ m_hObject;
  HGDIOBJ m_hOld;
  bool m_bOwned;
};

HGDIOBJ PenOrNull(HPEN hPen) { return hPen ? static_cast<HGDIOBJ>(hPen) : ::GetStockObject(NULL_PEN); }

HBRUSH CreateFillBrush(CTKMarkupBrush* pFill) { return pFill ? ::CreateSolidBrush(pFill->GetColor()) : nullptr; }
HGDIOBJ BrushOrNull(HBRUSH hBrush) { return hBrush ? static_cast<HGDIOBJ>(hBrush) : ::GetStockObject(NULL_BRUSH); }

}  // namespace

// ---- GDI device context ------------------------------------------------------------------------

CTKMarkupDeviceContext::CTKMarkupDeviceContext(HDC hDC, HDC hAttribDC)
    : m_hDC(hDC), m_hAttribDC(hAttribDC), m_szWindowExt{1, 1}, m_szViewportExt{1, 1}, m_hSavedFont(nullptr) {
  if (!hDC) return;
  SIZE szWindow{0, 0}, szViewport{0, 0};
  ::GetWindowExtEx(hDC, &szWindow);
  ::GetViewportExtEx(hDC, &szViewport);
  if (szWindow.cx == 0 || szWindow.cy == 0) return;
  m_szWindowExt = SIZE{std::abs(szWindow.cx), std::abs(szWindow.cy)};
  m_szViewportExt = SIZE{std::abs(szViewport.cx), std::abs(szViewport.cy)};
}

CTKMarkupDeviceContext::~CTKMarkupDeviceContext() = default;

void CTKMarkupDeviceContext::OffsetOrigin(POINT pt) {
  ::OffsetViewportOrgEx(m_hDC, MarkupSaturate(static_cast<long long>(pt.x) * m_szViewportExt.cx / m_szWindowExt.cx),
                        MarkupSaturate(static_cast<long long>(pt.y) * m_szViewportExt.cy / m_szWindowExt.cy), nullptr);
}

HPEN CTKMarkupDeviceContext::CreateStrokePen(const TKMARKUPSTROKE* pStroke) {
  if (!pStroke || pStroke->nThickness <= 0 || !pStroke->pBrush) return nullptr;
  return ::CreatePen(PS_SOLID, pStroke->nThickness, pStroke->pBrush->GetColor());
}

void CTKMarkupDeviceContext::DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) {
  HPEN hPen = CreateStrokePen(pStroke);
  HBRUSH hBrush = CreateFillBrush(pFill);
  SelectGuard pen(m_hDC, PenOrNull(hPen), hPen != nullptr);
  SelectGuard brush(m_hDC, BrushOrNull(hBrush), hBrush != nullptr);
  ::Ellipse(m_hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CTKMarkupDeviceContext::DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* t) {
  if (!t) return;
  // Four bands that overlap at the corners.
  if (t->left > 0) FillRectangle(RECT{rc.left, rc.top, MarkupAdd(rc.left, t->left), rc.bottom}, pBrush);
  if (t->right > 0) FillRectangle(RECT{MarkupSub(rc.right, t->right), rc.top, rc.right, rc.bottom}, pBrush);
  if (t->top > 0) FillRectangle(RECT{rc.left, rc.top, rc.right, MarkupAdd(rc.top, t->top)}, pBrush);
  if (t->bottom > 0) FillRectangle(RECT{rc.left, MarkupSub(rc.bottom, t->bottom), rc.right, rc.bottom}, pBrush);
}

void CTKMarkupDeviceContext::FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush) {
  if (CTKMarkupSolidColorBrush* pSolid = MarkupDynamicCast<CTKMarkupSolidColorBrush>(pBrush)) {
    if (!pSolid->GetValue(CTKMarkupSolidColorBrush::m_pColorProperty)) return;
    // The background-colour fill: exact, and leaves the DC as it was.
    COLORREF clrOld = ::SetBkColor(m_hDC, pSolid->GetColor());
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, clrOld);
    return;
  }
  if (CTKMarkupLinearGradientBrush* pGradient = MarkupDynamicCast<CTKMarkupLinearGradientBrush>(pBrush))
    FillGradient(rc, pGradient);
}

std::vector<TKMARKUPGRADIENTSTOP> MarkupGradientStops(CTKMarkupLinearGradientBrush* pBrush) {
  std::vector<TKMARKUPGRADIENTSTOP> stops;
  CTKMarkupGradientStops* pStops = pBrush ? MarkupDynamicCast<CTKMarkupGradientStops>(pBrush->GetValue(
                                                CTKMarkupLinearGradientBrush::m_pGradientStopsProperty))
                                          : nullptr;
  if (!pStops) return stops;
  for (int i = 0; i < pStops->GetCount(); i++) {
    CTKMarkupObject* pStop = pStops->GetItem(i);
    CTKMarkupColor* pColor =
        MarkupDynamicCast<CTKMarkupColor>(pStop->GetValue(CTKMarkupGradientStop::m_pColorProperty));
    CTKMarkupDouble* pOffset =
        MarkupDynamicCast<CTKMarkupDouble>(pStop->GetValue(CTKMarkupGradientStop::m_pOffsetProperty));
    double offset = pOffset ? pOffset->GetValue() : 0.0;
    if (std::isnan(offset)) offset = 0;  // not orderable
    stops.push_back(TKMARKUPGRADIENTSTOP{pColor ? pColor->GetValue() : 0u, offset});
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TKMARKUPGRADIENTSTOP& a, const TKMARKUPGRADIENTSTOP& b) { return a.offset < b.offset; });
  return stops;
}

DWORD MarkupGradientColorAt(const std::vector<TKMARKUPGRADIENTSTOP>& stops, double t) {
  if (stops.empty()) return 0;
  if (t <= stops.front().offset) return stops.front().color;
  if (t >= stops.back().offset) return stops.back().color;
  for (size_t i = 1; i < stops.size(); i++) {
    const TKMARKUPGRADIENTSTOP& e = stops[i];
    const double diff = e.offset - stops[i - 1].offset;
    if (e.offset > t && diff != 0) {
      const TKMARKUPGRADIENTSTOP& p = stops[i - 1];
      // The share of the previous stop; offsets of any size (even infinite)
      // give a share between 0 and 1.
      double f = (e.offset - t) / diff;
      if (!(f >= 0)) f = 0;
      if (f > 1) f = 1;
      if (std::isinf(e.offset)) f = 1;
      else if (std::isinf(p.offset)) f = 0;
      DWORD color = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const double prev = (p.color >> shift) & 0xFF, cur = (e.color >> shift) & 0xFF;
        color |= static_cast<DWORD>(static_cast<int>(f * prev + (1 - f) * cur)) << shift;
      }
      return color;
    }
  }
  return stops.back().color;
}

void CTKMarkupDeviceContext::FillGradient(const RECT& rc, CTKMarkupLinearGradientBrush* pBrush) {
  const std::vector<TKMARKUPGRADIENTSTOP> stops = MarkupGradientStops(pBrush);
  // In doubles: a rectangle may be as wide as the int range.
  const double w = static_cast<double>(rc.right) - rc.left, h = static_cast<double>(rc.bottom) - rc.top;
  if (stops.empty() || w < 1 || h < 1) return;
  if (stops.size() == 1) {
    COLORREF clrOld = ::SetBkColor(m_hDC, stops[0].color & 0xFFFFFF);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, clrOld);
    return;
  }

  CTKMarkupPoint* pStart =
      MarkupDynamicCast<CTKMarkupPoint>(pBrush->GetValue(CTKMarkupLinearGradientBrush::m_pStartPointProperty));
  CTKMarkupPoint* pEnd =
      MarkupDynamicCast<CTKMarkupPoint>(pBrush->GetValue(CTKMarkupLinearGradientBrush::m_pEndPointProperty));
  // Relative to the rectangle's top-left corner.
  const double sx = w * (pStart ? pStart->x : 0.0), sy = h * (pStart ? pStart->y : 0.0);
  const double ex = w * (pEnd ? pEnd->x : 1.0), ey = h * (pEnd ? pEnd->y : 1.0);
  if (sx == ex && sy == ey) return;

  // Only the visible part is rendered: a bitmap of the whole rectangle could
  // be any size.
  RECT rcClip;
  ::GetClipBox(m_hDC, &rcClip);
  const RECT rcVisible{std::max(rc.left, rcClip.left), std::max(rc.top, rcClip.top), std::min(rc.right, rcClip.right),
                       std::min(rc.bottom, rcClip.bottom)};
  if (rcVisible.left >= rcVisible.right || rcVisible.top >= rcVisible.bottom) return;
  const int vw = rcVisible.right - rcVisible.left, vh = rcVisible.bottom - rcVisible.top;
  // The visible part's corner in the rectangle's own coordinates.
  const double ox = static_cast<double>(rcVisible.left) - rc.left, oy = static_cast<double>(rcVisible.top) - rc.top;

  const double dx = ex - sx, dy = ey - sy, len2 = dx * dx + dy * dy;
  auto colorAt = [&](double x, double y) -> DWORD {
    const DWORD c = MarkupGradientColorAt(stops, ((x - sx) * dx + (y - sy) * dy) / len2);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);  // 0x00RRGGBB for the DIB
  };

  // A top-down 32-bit DIB (negative height): row y is at pBits + y * vw.
  LPBYTE pbBits = nullptr;
  HBITMAP hBitmap = CTKImageManager::CreateDIB32(nullptr, vw, -vh, &pbBits);
  if (!hBitmap) return;
  auto* pBits = reinterpret_cast<DWORD*>(pbBits);
  const size_t stride = static_cast<size_t>(vw);
  if (sx == ex) {  // vertical: one colour per row
    for (int y = 0; y < vh; y++) {
      const DWORD clr = colorAt(0, oy + y);
      std::fill(pBits + y * stride, pBits + (y + 1) * stride, clr);
    }
  } else if (sy == ey) {  // horizontal: one row, copied down
    for (int x = 0; x < vw; x++) pBits[x] = colorAt(ox + x, 0);
    for (int y = 1; y < vh; y++) std::copy(pBits, pBits + stride, pBits + y * stride);
  } else {
    for (int y = 0; y < vh; y++)
      for (int x = 0; x < vw; x++) pBits[y * stride + x] = colorAt(ox + x, oy + y);
  }
  HDC hMemDC = ::CreateCompatibleDC(m_hDC);
  HGDIOBJ hOld = ::SelectObject(hMemDC, hBitmap);
  ::BitBlt(m_hDC, rcVisible.left, rcVisible.top, vw, vh, hMemDC, 0, 0, SRCCOPY);
  ::SelectObject(hMemDC, hOld);
  ::DeleteDC(hMemDC);
  ::DeleteObject(hBitmap);
}

void CTKMarkupDeviceContext::DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke) {
  HPEN hPen = CreateStrokePen(pStroke);
  SelectGuard pen(m_hDC, PenOrNull(hPen), hPen != nullptr);
  ::MoveToEx(m_hDC, x1, y1, nullptr);
  ::LineTo(m_hDC, x2, y2);
}

void CTKMarkupDeviceContext::Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke) {
  HPEN hPen = CreateStrokePen(pStroke);
  SelectGuard pen(m_hDC, PenOrNull(hPen), hPen != nullptr);
  ::Polyline(m_hDC, pPoints, nCount);
}

void CTKMarkupDeviceContext::Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke,
                                     CTKMarkupBrush* pFill) {
  HPEN hPen = CreateStrokePen(pStroke);
  HBRUSH hBrush = CreateFillBrush(pFill);
  SelectGuard pen(m_hDC, PenOrNull(hPen), hPen != nullptr);
  SelectGuard brush(m_hDC, BrushOrNull(hBrush), hBrush != nullptr);
  ::Polygon(m_hDC, pPoints, nCount);
}

void CTKMarkupDeviceContext::DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke,
                                      CTKMarkupBrush* pFill) {
  if (!pGeometry || pGeometry->GetPointCount() == 0) return;
  const int nCount = pGeometry->GetPointCount();
  const MARKUP_POINTF* pts = pGeometry->GetPoints();
  const BYTE* types = pGeometry->GetTypes();
  ::BeginPath(m_hDC);
  for (int i = 0; i < nCount; i++) {
    const int x = MarkupTruncate(pts[i].x), y = MarkupTruncate(pts[i].y);
    BYTE type = types[i];
    switch (type & 7) {
      case TKMARKUP_PATH_START:
        ::MoveToEx(m_hDC, x, y, nullptr);
        break;
      case TKMARKUP_PATH_LINE:
        ::LineTo(m_hDC, x, y);
        break;
      case TKMARKUP_PATH_BEZIER:
        if (i + 2 < nCount) {
          POINT bez[3] = {{x, y},
                          {MarkupTruncate(pts[i + 1].x), MarkupTruncate(pts[i + 1].y)},
                          {MarkupTruncate(pts[i + 2].x), MarkupTruncate(pts[i + 2].y)}};
          ::PolyBezierTo(m_hDC, bez, 3);
          i += 2;
          type = types[i];  // the closing flag sits on the curve's end point
        }
        break;
      default:
        break;
    }
    if (type & TKMARKUP_PATH_CLOSE) ::CloseFigure(m_hDC);
  }
  ::EndPath(m_hDC);
  HPEN hPen = CreateStrokePen(pStroke);
  HBRUSH hBrush = CreateFillBrush(pFill);
  SelectGuard pen(m_hDC, PenOrNull(hPen), hPen != nullptr);
  SelectGuard brush(m_hDC, BrushOrNull(hBrush), hBrush != nullptr);
  if (hPen && hBrush) ::StrokeAndFillPath(m_hDC);
  else if (hBrush) ::FillPath(m_hDC);
  else if (hPen) ::StrokePath(m_hDC);
  else ::AbortPath(m_hDC);
}

CTKMarkupPathGeometry* CTKMarkupDeviceContext::CreateRoundRectGeometry(const RECT& rc, double fInset, const double* r) {
  const float l = static_cast<float>(rc.left + fInset), t = static_cast<float>(rc.top + fInset);
  const float rr = static_cast<float>(rc.right - fInset), b = static_cast<float>(rc.bottom - fInset);
  auto f = [](double v) { return static_cast<float>(v); };
  MarkupPathBuilder builder;
  builder.AddStartPoint({l, t + f(r[0])});
  builder.AddCorner({l, t}, {l + f(r[1]), t});
  builder.AddLinePoint({rr - f(r[2]), t});
  builder.AddCorner({rr, t}, {rr, t + f(r[3])});
  builder.AddLinePoint({rr, b - f(r[4])});
  builder.AddCorner({rr, b}, {rr - f(r[5]), b});
  builder.AddLinePoint({l + f(r[6]), b});
  builder.AddCorner({l, b}, {l, b - f(r[7])});
  builder.MarkFigureClosed();
  CTKMarkupPathGeometry* pGeometry = builder.CreateGeometry();
  pGeometry->SetPixelOffsetMode(4);
  return pGeometry;
}

void CTKMarkupDeviceContext::FillRoundRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const double* pCornerRadii) {
  if (!pCornerRadii) {
    FillRectangle(rc, pBrush);
    return;
  }
  CTKMarkupPathGeometry* pGeometry = CreateRoundRectGeometry(rc, 0, pCornerRadii);
  TKMARKUPSTROKE noStroke;
  DrawPath(pGeometry, &noStroke, pBrush);
  pGeometry->Release();
}

void CTKMarkupDeviceContext::DrawRoundRectangle(const RECT& rc, CTKMarkupBrush* pBrush,
                                                const CTKMarkupThickness* pThickness, const double* pCornerRadii) {
  if (!pCornerRadii) {
    DrawFrame(rc, pBrush, pThickness);
    return;
  }
  const int w = pThickness ? pThickness->left : 0;
  CTKMarkupPathGeometry* pGeometry = CreateRoundRectGeometry(rc, w / 2.0, pCornerRadii);
  TKMARKUPSTROKE stroke;
  stroke.nThickness = w;
  stroke.pBrush = pBrush;
  DrawPath(pGeometry, &stroke, nullptr);
  pGeometry->Release();
}

void CTKMarkupDeviceContext::DrawTextLine(LPCWSTR lpszText, int nCount, const RECT& rc) {
  ::ExtTextOutW(m_hDC, rc.left, rc.top, 0, &rc, lpszText, static_cast<UINT>(nCount), nullptr);
}

SIZE CTKMarkupDeviceContext::GetTextExtent(LPCWSTR lpszText, int nCount) {
  SIZE sz{0, 0};
  ::GetTextExtentPoint32W(m_hAttribDC ? m_hAttribDC : m_hDC, lpszText, nCount, &sz);
  return sz;
}

void CTKMarkupDeviceContext::SetTextColor(CTKMarkupBrush* pBrush) {
  ::SetTextColor(m_hDC, pBrush ? pBrush->GetColor() : 0);
}

void CTKMarkupDeviceContext::SetFont(CTKMarkupFont* pFont) {
  if (!m_hDC) return;
  HGDIOBJ hFont = nullptr;
  if (pFont) {
    hFont = pFont->m_hFont;
  } else {
    if (!m_hSavedFont) return;
    hFont = m_hSavedFont;
  }
  HGDIOBJ hReplaced = nullptr;
  if (m_hDC != m_hAttribDC) hReplaced = ::SelectObject(m_hDC, hFont);
  if (m_hAttribDC) {
    HGDIOBJ h = ::SelectObject(m_hAttribDC, hFont);
    if (!hReplaced) hReplaced = h;
  }
  if (pFont) {
    if (!m_hSavedFont) m_hSavedFont = hReplaced;
  } else {
    m_hSavedFont = nullptr;
  }
}

void CTKMarkupDeviceContext::IntersectClipRect(const RECT& rc) {
  ::IntersectClipRect(m_hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CTKMarkupDeviceContext::GetClipBox(RECT& rc) { ::GetClipBox(m_hDC, &rc); }

HRGN CTKMarkupDeviceContext::SaveClipRegion() {
  HRGN hRgn = ::CreateRectRgn(0, 0, 0, 0);
  if (!hRgn) return nullptr;
  if (::GetClipRgn(m_hDC, hRgn) != 1) {
    ::DeleteObject(hRgn);
    return reinterpret_cast<HRGN>(static_cast<INT_PTR>(-1));
  }
  return hRgn;
}

void CTKMarkupDeviceContext::RestoreClipRegion(HRGN hRgn) {
  if (!hRgn) return;
  if (hRgn == reinterpret_cast<HRGN>(static_cast<INT_PTR>(-1))) {
    ::ExtSelectClipRgn(m_hDC, nullptr, RGN_COPY);
    return;
  }
  ::ExtSelectClipRgn(m_hDC, hRgn, RGN_COPY);
  ::DeleteObject(hRgn);
}

// ---- drawing context facade --------------------------------------------------------------------

CTKMarkupDrawingContext::CTKMarkupDrawingContext(CTKMarkupContext* pContext, HDC hDC, HDC hAttribDC)
    : m_pContext(pContext),
      m_hDC(hDC),
      m_hAttribDC(hAttribDC ? hAttribDC : hDC),
      m_pFont(nullptr),
      m_rcClipBox{0, 0, 0, 0},
      m_bOwnsDC(FALSE),
      m_pDeviceContext(nullptr) {
  Init();
}

CTKMarkupDrawingContext::CTKMarkupDrawingContext(CTKMarkupContext* pContext)
    : m_pContext(pContext),
      m_hDC(::CreateCompatibleDC(nullptr)),
      m_hAttribDC(nullptr),
      m_pFont(nullptr),
      m_rcClipBox{0, 0, 0, 0},
      m_bOwnsDC(TRUE),
      m_pDeviceContext(nullptr) {
  m_hAttribDC = m_hDC;
  Init();
}

void CTKMarkupDrawingContext::Init() {
  // Anti-aliased unless the context turned GDI+ off.
  if (!m_pContext || m_pContext->IsGdiPlusEnabled())
    m_pDeviceContext = new CTKMarkupGdiPlusDeviceContext(m_hDC, m_hAttribDC);
  else m_pDeviceContext = new CTKMarkupDeviceContext(m_hDC, m_hAttribDC);
  RefreshClipBox();
  if (m_hDC) ::SetBkMode(m_hDC, TRANSPARENT);
}

CTKMarkupDrawingContext::~CTKMarkupDrawingContext() {
  SetFont(nullptr);
  delete m_pDeviceContext;
  if (m_bOwnsDC && m_hDC) ::DeleteDC(m_hDC);
}

void CTKMarkupDrawingContext::RefreshClipBox() { m_pDeviceContext->GetClipBox(m_rcClipBox); }

void CTKMarkupDrawingContext::DrawTextLine(LPCWSTR lpszText, int nCount, const RECT& rc) {
  m_pDeviceContext->DrawTextLine(lpszText, nCount, rc);
}

void CTKMarkupDrawingContext::OffsetOrigin(POINT pt) {
  m_nOriginX += pt.x;
  m_nOriginY += pt.y;
  m_pDeviceContext->OffsetOrigin(pt);
  RefreshClipBox();
}

void CTKMarkupDrawingContext::IntersectClip(const RECT& rc) {
  m_pDeviceContext->IntersectClipRect(rc);
  RefreshClipBox();
}

HRGN CTKMarkupDrawingContext::SaveClip() { return m_pDeviceContext->SaveClipRegion(); }

void CTKMarkupDrawingContext::RestoreClip(HRGN hRgn) {
  if (!hRgn) return;
  m_pDeviceContext->RestoreClipRegion(hRgn);
  RefreshClipBox();
}

void CTKMarkupDrawingContext::SetFont(CTKMarkupFont* pFont) {
  if (pFont == m_pFont) return;
  m_pDeviceContext->SetFont(pFont);
  if (pFont) pFont->AddRef();
  CTKMarkupFont* pOld = m_pFont;
  m_pFont = pFont;
  if (pOld) pOld->Release();
}

SIZE CTKMarkupDrawingContext::GetTextExtent(LPCWSTR lpszText, int nCount) {
  return m_pDeviceContext->GetTextExtent(lpszText, nCount);
}

void CTKMarkupDrawingContext::SetTextColor(CTKMarkupBrush* pBrush) { m_pDeviceContext->SetTextColor(pBrush); }

HDC CTKMarkupDrawingContext::GetDC() { return m_pDeviceContext->GetDC(); }

void CTKMarkupDrawingContext::ReleaseDC(HDC hDC) { m_pDeviceContext->ReleaseDC(hDC); }

// ---- the reach of drawing ------------------------------------------------------------------------
// Markup may place shapes anywhere in the int range, but the drawing layer
// beneath works in ints too (differences, spans, one row per scan line).
// What is drawn is first brought within kDrawReach pixels of the clip box:
// rectangle edges are limited, which leaves what shows exactly as it was;
// a slanted edge only bends where it is that far outside the clip box.

int CTKMarkupDrawingContext::ReachX(long long x) const {
  return static_cast<int>(std::clamp<long long>(x, static_cast<long long>(m_rcClipBox.left) - kDrawReach,
                                                static_cast<long long>(m_rcClipBox.right) + kDrawReach));
}
int CTKMarkupDrawingContext::ReachY(long long y) const {
  return static_cast<int>(std::clamp<long long>(y, static_cast<long long>(m_rcClipBox.top) - kDrawReach,
                                                static_cast<long long>(m_rcClipBox.bottom) + kDrawReach));
}
RECT CTKMarkupDrawingContext::Reach(const RECT& rc) const {
  return RECT{ReachX(rc.left), ReachY(rc.top), ReachX(rc.right), ReachY(rc.bottom)};
}
std::vector<POINT> CTKMarkupDrawingContext::Reach(const POINT* pPoints, int nCount) const {
  std::vector<POINT> points(pPoints, pPoints + std::max(nCount, 0));
  for (POINT& pt : points) pt = POINT{ReachX(pt.x), ReachY(pt.y)};
  return points;
}
// A stroke no wider than the reach.
static TKMARKUPSTROKE ReachStroke(const TKMARKUPSTROKE* pStroke) {
  TKMARKUPSTROKE stroke = pStroke ? *pStroke : TKMARKUPSTROKE();
  stroke.nThickness = std::min(stroke.nThickness, CTKMarkupDrawingContext::kDrawReach);
  return stroke;
}
// A thickness no wider than the reach on any side.
static CTKMarkupThickness* ReachThickness(const CTKMarkupThickness* t) {
  const int r = CTKMarkupDrawingContext::kDrawReach;
  return new CTKMarkupThickness(std::clamp(t->left, -r, r), std::clamp(t->top, -r, r), std::clamp(t->right, -r, r),
                                std::clamp(t->bottom, -r, r));
}

// Corner radii no larger than the reach.
struct ReachRadii {
  double r[8];
  explicit ReachRadii(const double* p) {
    const double m = CTKMarkupDrawingContext::kDrawReach;
    for (int i = 0; i < 8; i++) r[i] = std::isnan(p[i]) ? 0 : std::clamp(p[i], -m, m);
  }
};

void CTKMarkupDrawingContext::FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const double* pCornerRadii) {
  if (pCornerRadii) {
    const ReachRadii radii(pCornerRadii);
    m_pDeviceContext->FillRoundRectangle(Reach(rc), pBrush, radii.r);
    return;
  }
  // A gradient spans the whole rectangle: both back ends take one of any size.
  m_pDeviceContext->FillRectangle(MarkupDynamicCast<CTKMarkupLinearGradientBrush>(pBrush) ? rc : Reach(rc), pBrush);
}

void CTKMarkupDrawingContext::FillSolidRect(const RECT& rc, COLORREF clr) {
  CTKMarkupSolidColorBrush* pBrush = new CTKMarkupSolidColorBrush(new CTKMarkupColor(clr));
  m_pDeviceContext->FillRectangle(Reach(rc), pBrush);
  pBrush->Release();
}

void CTKMarkupDrawingContext::DrawRectangle(const RECT& rc, CTKMarkupBrush* pBrush,
                                            const CTKMarkupThickness* pThickness, const double* pCornerRadii) {
  if (!pBrush || !pThickness) return;
  CTKMarkupThickness* pReach = ReachThickness(pThickness);
  if (pCornerRadii) m_pDeviceContext->DrawRoundRectangle(Reach(rc), pBrush, pReach, ReachRadii(pCornerRadii).r);
  else m_pDeviceContext->DrawFrame(Reach(rc), pBrush, pReach);
  pReach->Release();
}

void CTKMarkupDrawingContext::DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush) {
  CTKMarkupThickness* pOne = new CTKMarkupThickness(1);
  DrawRectangle(rc, pBrush, pOne, nullptr);
  pOne->Release();
}

void CTKMarkupDrawingContext::DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke) {
  if (!pStroke || pStroke->nThickness <= 0) return;
  const TKMARKUPSTROKE stroke = ReachStroke(pStroke);
  m_pDeviceContext->DrawLine(ReachX(x1), ReachY(y1), ReachX(x2), ReachY(y2), &stroke);
}

void CTKMarkupDrawingContext::Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke) {
  const std::vector<POINT> points = Reach(pPoints, nCount);
  const TKMARKUPSTROKE stroke = ReachStroke(pStroke);
  m_pDeviceContext->Polyline(points.data(), nCount, pStroke ? &stroke : nullptr);
}

void CTKMarkupDrawingContext::Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke,
                                      CTKMarkupBrush* pFill) {
  const std::vector<POINT> points = Reach(pPoints, nCount);
  const TKMARKUPSTROKE stroke = ReachStroke(pStroke);
  m_pDeviceContext->Polygon(points.data(), nCount, pStroke ? &stroke : nullptr, pFill);
}

void CTKMarkupDrawingContext::DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) {
  const TKMARKUPSTROKE stroke = ReachStroke(pStroke);
  m_pDeviceContext->DrawEllipse(Reach(rc), pStroke ? &stroke : nullptr, pFill);
}

void CTKMarkupDrawingContext::DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke,
                                       CTKMarkupBrush* pFill) {
  const TKMARKUPSTROKE stroke = ReachStroke(pStroke);
  const TKMARKUPSTROKE* pDrawn = pStroke ? &stroke : nullptr;
  const RECT& b = pGeometry ? pGeometry->GetBounds() : RECT{0, 0, 0, 0};
  const RECT rcReach = Reach(b);
  if (!pGeometry ||
      (rcReach.left == b.left && rcReach.top == b.top && rcReach.right == b.right && rcReach.bottom == b.bottom)) {
    m_pDeviceContext->DrawPath(pGeometry, pDrawn, pFill);
    return;
  }
  // The same figures with every point within reach.
  MarkupPathBuilder builder;
  const MARKUP_POINTF* pts = pGeometry->GetPoints();
  const BYTE* types = pGeometry->GetTypes();
  auto reach = [&](const MARKUP_POINTF& pt) {
    return MARKUP_POINTF{static_cast<float>(ReachX(MarkupTruncate(pt.x))),
                         static_cast<float>(ReachY(MarkupTruncate(pt.y)))};
  };
  for (int i = 0; i < pGeometry->GetPointCount(); i++) {
    switch (types[i] & 7) {
      case TKMARKUP_PATH_START:
        builder.AddStartPoint(reach(pts[i]));
        break;
      case TKMARKUP_PATH_BEZIER:
        if (i + 2 < pGeometry->GetPointCount()) {
          builder.AddBezierPoints(reach(pts[i]), reach(pts[i + 1]), reach(pts[i + 2]));
          i += 2;
        }
        break;
      default:
        builder.AddLinePoint(reach(pts[i]));
        break;
    }
    if (types[i] & TKMARKUP_PATH_CLOSE) builder.MarkFigureClosed();
  }
  CTKMarkupPathGeometry* pCopy = builder.CreateGeometry();
  pCopy->SetPixelOffsetMode(pGeometry->GetPixelOffsetMode());
  m_pDeviceContext->DrawPath(pCopy, pDrawn, pFill);
  pCopy->Release();
}
