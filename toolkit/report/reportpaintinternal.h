// Line and frame primitives shared by the paint manager's files and the
// column styles; used nowhere outside the report area.
#pragma once

#include "platform/framework/afxgdi.h"
#include "toolkit/common/winthemewrapper.h"

inline void HLine(CDC* pDC, int x, int y, int cx, COLORREF color) { pDC->FillSolidRect(x, y, cx, 1, color); }
inline void VLine(CDC* pDC, int x, int y, int cy, COLORREF color) { pDC->FillSolidRect(x, y, 1, cy, color); }

inline void DrawLine(CDC* pDC, int x, int y, int dx, int dy, CPen* pPen) {
  CPen* old = pDC->SelectObject(pPen);
  pDC->MoveTo(x, y);
  pDC->LineTo(x + dx, y + dy);
  pDC->SelectObject(old);
}

// A frame: top-left colour on the top and left edges, bottom-right on the others.
inline void Frame(CDC* pDC, const CRect& rc, COLORREF topLeft, COLORREF bottomRight) {
  pDC->Draw3dRect(&rc, topLeft, bottomRight);
}

// The visual style of the handle draws (themes on and the class found).
inline BOOL IsVisualStyleOn(CTKWinThemeWrapper* theme) { return theme && theme->IsAppThemed(); }
