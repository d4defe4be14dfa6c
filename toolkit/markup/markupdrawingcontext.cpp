#include "toolkit/markup/markupdrawingcontext.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "toolkit/common/imagemanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupgdiplus.h"
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

struct GradientEntry {
  BYTE r, g, b;
  double offset;
  int index;
  double diff;  // offset minus the previous entry's offset
};

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
  ::OffsetViewportOrgEx(m_hDC, pt.x * m_szViewportExt.cx / m_szWindowExt.cx,
                        pt.y * m_szViewportExt.cy / m_szWindowExt.cy, nullptr);
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
  if (t->left > 0) FillRectangle(RECT{rc.left, rc.top, rc.left + t->left, rc.bottom}, pBrush);
  if (t->right > 0) FillRectangle(RECT{rc.right - t->right, rc.top, rc.right, rc.bottom}, pBrush);
  if (t->top > 0) FillRectangle(RECT{rc.left, rc.top, rc.right, rc.top + t->top}, pBrush);
  if (t->bottom > 0) FillRectangle(RECT{rc.left, rc.bottom - t->bottom, rc.right, rc.bottom}, pBrush);
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

void CTKMarkupDeviceContext::FillGradient(const RECT& rc, CTKMarkupLinearGradientBrush* pBrush) {
  CTKMarkupGradientStops* pStops = MarkupDynamicCast<CTKMarkupGradientStops>(
      pBrush->GetValue(CTKMarkupLinearGradientBrush::m_pGradientStopsProperty));
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (!pStops || pStops->GetCount() == 0 || w < 1 || h < 1) return;

  std::vector<GradientEntry> entries;
  for (int i = 0; i < pStops->GetCount(); i++) {
    CTKMarkupObject* pStop = pStops->GetItem(i);
    CTKMarkupColor* pColor =
        MarkupDynamicCast<CTKMarkupColor>(pStop->GetValue(CTKMarkupGradientStop::m_pColorProperty));
    CTKMarkupDouble* pOffset =
        MarkupDynamicCast<CTKMarkupDouble>(pStop->GetValue(CTKMarkupGradientStop::m_pOffsetProperty));
    COLORREF clr = pColor ? pColor->GetColor() : 0;
    entries.push_back(
        GradientEntry{GetRValue(clr), GetGValue(clr), GetBValue(clr), pOffset ? pOffset->GetValue() : 0.0, i, 0});
  }
  if (entries.size() == 1) {
    COLORREF clrOld = ::SetBkColor(m_hDC, RGB(entries[0].r, entries[0].g, entries[0].b));
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

  RECT rcClip;
  ::GetClipBox(m_hDC, &rcClip);
  RECT rcVisible{std::max<LONG>(rcClip.left - rc.left, 0), std::max<LONG>(rcClip.top - rc.top, 0),
                 std::min<LONG>(rcClip.right - rc.left, w), std::min<LONG>(rcClip.bottom - rc.top, h)};
  if (rcVisible.left >= rcVisible.right || rcVisible.top >= rcVisible.bottom) return;

  std::stable_sort(entries.begin(), entries.end(),
                   [](const GradientEntry& a, const GradientEntry& b) { return a.offset < b.offset; });
  for (size_t i = 1; i < entries.size(); i++) entries[i].diff = entries[i].offset - entries[i - 1].offset;

  const double dx = ex - sx, dy = ey - sy, len2 = dx * dx + dy * dy;
  auto colorAt = [&](double x, double y) -> DWORD {
    const double t = ((x - sx) * dx + (y - sy) * dy) / len2;
    const GradientEntry* pEntry = nullptr;
    if (t <= entries.front().offset) {
      pEntry = &entries.front();
    } else if (t >= entries.back().offset) {
      pEntry = &entries.back();
    } else {
      for (size_t i = 1; i < entries.size(); i++) {
        const GradientEntry& e = entries[i];
        if (e.offset > t && e.diff != 0) {
          const GradientEntry& p = entries[i - 1];
          const double f = (e.offset - t) / e.diff;
          auto mix = [f](BYTE prev, BYTE cur) {
            return static_cast<DWORD>(static_cast<int>(f * prev + (1 - f) * cur));
          };
          return (mix(p.r, e.r) << 16) | (mix(p.g, e.g) << 8) | mix(p.b, e.b);
        }
      }
      pEntry = &entries.back();
    }
    return (static_cast<DWORD>(pEntry->r) << 16) | (static_cast<DWORD>(pEntry->g) << 8) | pEntry->b;
  };

  // A top-down 32-bit DIB (negative height): row y is at pBits + y * w.
  LPBYTE pbBits = nullptr;
  HBITMAP hBitmap = CTKImageManager::CreateDIB32(nullptr, w, -h, &pbBits);
  if (!hBitmap) return;
  auto* pBits = reinterpret_cast<DWORD*>(pbBits);
  if (sx == ex) {  // vertical: one colour per row
    for (int y = rcVisible.top; y < rcVisible.bottom; y++) {
      const DWORD clr = colorAt(0, y);
      std::fill(pBits + y * w + rcVisible.left, pBits + y * w + rcVisible.right, clr);
    }
  } else if (sy == ey) {  // horizontal: one row, copied down
    for (int x = rcVisible.left; x < rcVisible.right; x++) pBits[rcVisible.top * w + x] = colorAt(x, 0);
    for (int y = rcVisible.top + 1; y < rcVisible.bottom; y++)
      std::copy(pBits + rcVisible.top * w + rcVisible.left, pBits + rcVisible.top * w + rcVisible.right,
                pBits + y * w + rcVisible.left);
  } else {
    for (int y = rcVisible.top; y < rcVisible.bottom; y++)
      for (int x = rcVisible.left; x < rcVisible.right; x++) pBits[y * w + x] = colorAt(x, y);
  }
  HDC hMemDC = ::CreateCompatibleDC(m_hDC);
  HGDIOBJ hOld = ::SelectObject(hMemDC, hBitmap);
  ::BitBlt(m_hDC, rc.left + rcVisible.left, rc.top + rcVisible.top, rcVisible.right - rcVisible.left,
           rcVisible.bottom - rcVisible.top, hMemDC, rcVisible.left, rcVisible.top, SRCCOPY);
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
    const int x = static_cast<int>(pts[i].x), y = static_cast<int>(pts[i].y);
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
                          {static_cast<LONG>(pts[i + 1].x), static_cast<LONG>(pts[i + 1].y)},
                          {static_cast<LONG>(pts[i + 2].x), static_cast<LONG>(pts[i + 2].y)}};
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

void CTKMarkupDrawingContext::FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const double* pCornerRadii) {
  if (pCornerRadii) m_pDeviceContext->FillRoundRectangle(rc, pBrush, pCornerRadii);
  else m_pDeviceContext->FillRectangle(rc, pBrush);
}

void CTKMarkupDrawingContext::FillSolidRect(const RECT& rc, COLORREF clr) {
  CTKMarkupSolidColorBrush* pBrush = new CTKMarkupSolidColorBrush(new CTKMarkupColor(clr));
  m_pDeviceContext->FillRectangle(rc, pBrush);
  pBrush->Release();
}

void CTKMarkupDrawingContext::DrawRectangle(const RECT& rc, CTKMarkupBrush* pBrush,
                                            const CTKMarkupThickness* pThickness, const double* pCornerRadii) {
  if (!pBrush || !pThickness) return;
  if (pCornerRadii) m_pDeviceContext->DrawRoundRectangle(rc, pBrush, pThickness, pCornerRadii);
  else m_pDeviceContext->DrawFrame(rc, pBrush, pThickness);
}

void CTKMarkupDrawingContext::DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush) {
  CTKMarkupThickness* pOne = new CTKMarkupThickness(1);
  DrawRectangle(rc, pBrush, pOne, nullptr);
  pOne->Release();
}

void CTKMarkupDrawingContext::DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke) {
  if (pStroke && pStroke->nThickness > 0) m_pDeviceContext->DrawLine(x1, y1, x2, y2, pStroke);
}

void CTKMarkupDrawingContext::Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke) {
  m_pDeviceContext->Polyline(pPoints, nCount, pStroke);
}

void CTKMarkupDrawingContext::Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke,
                                      CTKMarkupBrush* pFill) {
  m_pDeviceContext->Polygon(pPoints, nCount, pStroke, pFill);
}

void CTKMarkupDrawingContext::DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) {
  m_pDeviceContext->DrawEllipse(rc, pStroke, pFill);
}

void CTKMarkupDrawingContext::DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke,
                                       CTKMarkupBrush* pFill) {
  m_pDeviceContext->DrawPath(pGeometry, pStroke, pFill);
}
