#include "toolkit/themes/paintmanager.h"

#include "toolkit/common/drawhelpers.h"

void CTKPaintManager::FillCircleAntialiased(CDC* pDC, CRect rc, COLORREF clrRim, COLORREF clrFill) {
  CTKDrawHelpers::FillCircleAntialiased(pDC, rc, clrRim, clrFill);
}
