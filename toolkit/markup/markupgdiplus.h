// The anti-aliased drawing back end of markup: shapes, paths, gradients and
// semi-transparent fills through the flat GDI+ API, loaded by name. Text,
// fonts, clipping and opaque rectangle fills stay on the GDI base, which is
// also the fallback whenever GDI+ is not running.
#pragma once

#include "toolkit/markup/markupdrawingcontext.h"

// Takes (TRUE) or gives back (FALSE) one reference on the process-wide GDI+
// start-up. The first reference loads and starts GDI+, the last shuts it
// down and unloads it. Markup contexts hold one each.
void MarkupGdiPlusReference(BOOL bAddRef);
// TRUE while GDI+ is started (for hosts and tests).
BOOL MarkupIsGdiPlusRunning();

class CTKMarkupGdiPlusDeviceContext : public CTKMarkupDeviceContext {
 public:
  CTKMarkupGdiPlusDeviceContext(HDC hDC, HDC hAttribDC) : CTKMarkupDeviceContext(hDC, hAttribDC) {}

  void DrawEllipse(const RECT& rc, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) override;
  void DrawFrame(const RECT& rc, CTKMarkupBrush* pBrush, const CTKMarkupThickness* pThickness) override;
  void FillRectangle(const RECT& rc, CTKMarkupBrush* pBrush) override;
  void DrawLine(int x1, int y1, int x2, int y2, const TKMARKUPSTROKE* pStroke) override;
  void Polyline(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke) override;
  void Polygon(const POINT* pPoints, int nCount, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) override;
  void DrawPath(CTKMarkupPathGeometry* pGeometry, const TKMARKUPSTROKE* pStroke, CTKMarkupBrush* pFill) override;

  // A GDI+ graphics object on the target, or null when GDI+ is not running.
  virtual void* CreateGraphics();
  virtual void DeleteGraphics(void* pGraphics);
};
