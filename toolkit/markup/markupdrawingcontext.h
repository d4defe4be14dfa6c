// The drawing context elements draw through: a short-lived facade over one
// device context (the GDI back end below), keeping the current font, the
// clip box and the drawing origin while the visual tree is walked. Also the
// GDI device context itself, the stroke record shapes fill, and corner radii.
#pragma once

#include <cstdlib>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/gdi/wingdi.h"

class CTKMarkupContext;
class CTKMarkupFont;
class CTKMarkupBrush;
class CTKMarkupThickness;
class CTKMarkupDoubleCollection;
class CTKMarkupPathGeometry;
class CTKMarkupLinearGradientBrush;

// How a shape strokes its outline; filled by the shape each time it draws.
struct TKMARKUPSTROKE {
  int nThickness = 0;                               // no stroke when 0 or less
  CTKMarkupBrush* pBrush = nullptr;                 // may be null
  CTKMarkupDoubleCollection* pDashArray = nullptr;  // may be null
  int nStartCap = 0;
  int nEndCap = 0;
  int nLineJoin = 0;
};

// A gradient stop as both back ends read it: the colour (0xAABBGGRR) and
// its offset along the gradient.
struct TKMARKUPGRADIENTSTOP {
  DWORD color;
  double offset;
};
// The stops of a linear gradient brush sorted by offset; stops at the same
// offset keep their order (a hard edge).
std::vector<TKMARKUPGRADIENTSTOP> MarkupGradientStops(CTKMarkupLinearGradientBrush* pBrush);
// The colour at t along the gradient (0 at its start point, 1 at its end
// point): the first stop's colour up to it, the last's from it on, and
// between two stops a mix of both. Offsets may lie outside 0..1.
DWORD MarkupGradientColorAt(const std::vector<TKMARKUPGRADIENTSTOP>& stops, double t);

// Corner radii, eight doubles: top-left vertical, top-left horizontal,
// top-right horizontal, top-right vertical, bottom-right vertical,
// bottom-right horizontal, bottom-left horizontal, bottom-left vertical.
// A null pointer means square corners.
using TKMARKUPCORNERRADII = double[8];

// The GDI drawing back end: every operation becomes plain GDI calls on the
// target HDC. Brushes reach GDI as solid colours, except in rectangle fills,
// which also render linear gradients. Pens are solid; dashes, caps and
// joins are not drawn by this back end.
class CTKMarkupDeviceContext {
 public:
  CTKMarkupDeviceContext(HDC hDC, HDC hAttribDC);
  virtual ~CTKMarkupDeviceContext();

  CTKMarkupDeviceContext(const CTKMarkupDeviceContext&) = delete;
  CTKMarkupDeviceContext& operator=(const CTKMarkupDeviceContext&) = delete;

  virtual void OffsetOrigin(POINT pt);
  virtual void DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);
  virtual void DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* pThickness);
  virtual void FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush);
  virtual void DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke);
  virtual void Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke);
  virtual void Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);
  virtual void DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);
  virtual void FillRoundRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const double* pCornerRadii);
  virtual void DrawRoundRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* pThickness,
                                  const double* pCornerRadii);
  virtual void DrawTextLine(LPCWSTR lpszText, int nCount, const RECT& rc);
  virtual SIZE GetTextExtent(LPCWSTR lpszText, int nCount);
  virtual void SetTextColor(CTKMarkupBrush* pBrush);
  virtual void SetFont(CTKMarkupFont* pFont);
  virtual void IntersectClipRect(const RECT& rc);
  virtual void GetClipBox(RECT& rc);
  // A copy of the clip region, -1 when the target has none, 0 on failure.
  virtual HRGN SaveClipRegion();
  virtual void RestoreClipRegion(HRGN hRgn);
  virtual HDC GetDC() { return m_hDC; }
  virtual void ReleaseDC(HDC) {}

 protected:
  // A pen for the stroke, or null when the stroke draws nothing.
  static HPEN CreateStrokePen(const TKMARKUPSTROKE* pStroke);
  void FillGradient(const RECT& rc, class CTKMarkupLinearGradientBrush* pBrush);
  // Builds the rounded outline of a rectangle, inset by fInset on every side.
  static CTKMarkupPathGeometry* CreateRoundRectGeometry(const RECT& rc, double fInset, const double* r);

  HDC m_hDC;
  HDC m_hAttribDC;
  SIZE m_szWindowExt;
  SIZE m_szViewportExt;
  HGDIOBJ m_hSavedFont;
};

// The facade elements draw through. Lives for one measure or one paint.
class CTKMarkupDrawingContext {
 public:
  // Draws on the given HDC (text measured on hAttribDC, or on hDC).
  CTKMarkupDrawingContext(CTKMarkupContext* pContext, HDC hDC, HDC hAttribDC = nullptr);
  // A measuring context on a fresh screen-compatible memory DC it owns.
  explicit CTKMarkupDrawingContext(CTKMarkupContext* pContext);
  virtual ~CTKMarkupDrawingContext();

  CTKMarkupDrawingContext(const CTKMarkupDrawingContext&) = delete;
  CTKMarkupDrawingContext& operator=(const CTKMarkupDrawingContext&) = delete;

  // No drawing context of this system asks elements to measure again.
  virtual BOOL ForcesRemeasure() const { return FALSE; }
  virtual void DrawTextLine(LPCWSTR lpszText, int nCount, const RECT& rc);

  void OffsetOrigin(POINT pt);
  // Whether the origin may move by pt: it stays within kMaxOrigin of where
  // it started (farther, nothing could show, and the layer beneath would
  // overflow).
  BOOL CanOffsetOrigin(POINT pt) const {
    return std::llabs(m_nOriginX + pt.x) <= kMaxOrigin && std::llabs(m_nOriginY + pt.y) <= kMaxOrigin;
  }
  static constexpr int kMaxOrigin = 1 << 28;
  void IntersectClip(const RECT& rc);
  HRGN SaveClip();
  void RestoreClip(HRGN hRgn);
  void SetFont(CTKMarkupFont* pFont);
  CTKMarkupFont* GetFont() const { return m_pFont; }
  SIZE GetTextExtent(LPCWSTR lpszText, int nCount);
  void SetTextColor(CTKMarkupBrush* pBrush);
  HDC GetDC();
  void ReleaseDC(HDC hDC);
  void FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const double* pCornerRadii = nullptr);
  void FillSolidRect(const RECT& rc, COLORREF clr);
  void DrawRectangle(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* pThickness,
                     const double* pCornerRadii = nullptr);
  void DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush);
  void DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke);
  void Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke);
  void Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);
  void DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);
  void DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill);

  // The target's clip box in the current coordinates.
  const RECT& GetClipBox() const { return m_rcClipBox; }
  // How far outside the clip box drawing reaches, in pixels; coordinates
  // beyond it are brought to it, and strokes are no wider.
  static constexpr int kDrawReach = 1 << 14;
  CTKMarkupContext* GetMarkupContext() const { return m_pContext; }
  CTKMarkupDeviceContext* GetDeviceContext() const { return m_pDeviceContext; }

 private:
  void Init();
  void RefreshClipBox();
  int ReachX(long long x) const;
  int ReachY(long long y) const;
  RECT Reach(const RECT& rc) const;
  std::vector<POINT> Reach(const POINT* pPoints, int nCount) const;

  CTKMarkupContext* m_pContext;
  HDC m_hDC;
  HDC m_hAttribDC;
  CTKMarkupFont* m_pFont;
  RECT m_rcClipBox;
  long long m_nOriginX = 0, m_nOriginY = 0;  // moved by OffsetOrigin so far
  BOOL m_bOwnsDC;
  CTKMarkupDeviceContext* m_pDeviceContext;
};
