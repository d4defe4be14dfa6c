#include "toolkit/themes/paintmanager.h"

#include <cmath>

#include "platform/framework/afxgdi.h"

namespace {

BYTE Mix(int from, int to, double t) { return static_cast<BYTE>(from + t * (to - from)); }

COLORREF MixColors(COLORREF from, COLORREF to, double t) {
  return RGB(Mix(GetRValue(from), GetRValue(to), t), Mix(GetGValue(from), GetGValue(to), t),
             Mix(GetBValue(from), GetBValue(to), t));
}

}  // namespace

void CTKPaintManager::FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill) {
  const int side = rc.Width();
  if (!pDC || side <= 0 || side != rc.Height()) return;
  const double radius = side / 2.0 - 0.75;
  const double cx = (rc.left + rc.right - 1) / 2.0;
  const double cy = (rc.top + rc.bottom - 1) / 2.0;
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) {
      const double m = std::hypot(x - cx, y - cy);
      if (m < radius - 1) {
        pDC->SetPixel(x, y, clrFill);
      } else if (m <= radius + 1) {
        const double t = m - radius;
        // Outside the circle the rim fades into what is there, inside into the fill.
        const COLORREF other = t >= 0 ? pDC->GetPixel(x, y) : clrFill;
        pDC->SetPixel(x, y, MixColors(clrRim, other, std::fabs(t)));
      }
    }
  }
}
