// Layout and painting of the container elements: panel background, border,
// stack, wrap and dock panels, uniform grid, canvas, page, control and the
// window container. (The grid's layout is in markupgrid.cpp.)
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/window/winuser.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"

namespace {

constexpr int kUnbounded = INT_MAX;

CTKMarkupUIElement* ChildAt(CTKMarkupUIElementCollection* pChildren, int i) {
  return MarkupDynamicCast<CTKMarkupUIElement>(pChildren->GetItem(i));
}
const CTKMarkupThickness* ThicknessOf(const CTKMarkupObject* p) {
  const CTKMarkupThickness* t = MarkupDynamicCast<CTKMarkupThickness>(p);
  return t ? t : CTKMarkupThickness::GetSharedZeroThickness();
}

}  // namespace

// ---- panel -------------------------------------------------------------------------------------

void CTKMarkupPanel::OnRender(CTKMarkupDrawingContext* pDC) {
  CTKMarkupBrush* pBackground = MarkupDynamicCast<CTKMarkupBrush>(GetValue(m_pBackgroundProperty));
  if (m_szRenderSize.cx > 0 && m_szRenderSize.cy > 0 && pBackground)
    pDC->FillRectangle(RECT{0, 0, m_szRenderSize.cx, m_szRenderSize.cy}, pBackground);
}

// ---- border ------------------------------------------------------------------------------------

SIZE CTKMarkupBorder::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  const CTKMarkupThickness* b = ThicknessOf(GetValue(m_pBorderThicknessProperty));
  const CTKMarkupThickness* p = ThicknessOf(GetValue(m_pPaddingProperty));
  const int dx = MarkupSaturate(static_cast<long long>(b->right) + b->left + p->right + p->left);
  const int dy = MarkupSaturate(static_cast<long long>(b->bottom) + b->top + p->bottom + p->top);
  if (!m_pChild) return SIZE{dx, dy};
  m_pChild->Measure(pDC, std::max(MarkupSub(cx, dx), 0), std::max(MarkupSub(cy, dy), 0));
  const SIZE d = m_pChild->GetDesiredSize();
  return SIZE{MarkupAdd(dx, d.cx), MarkupAdd(dy, d.cy)};
}

SIZE CTKMarkupBorder::ArrangeOverride(int cx, int cy) {
  if (m_pChild) {
    RECT rc = DeflateRectByThickness(0, 0, cx, cy, ThicknessOf(GetValue(m_pBorderThicknessProperty)));
    rc = DeflateRectByThickness(rc.left, rc.top, rc.right, rc.bottom, ThicknessOf(GetValue(m_pPaddingProperty)));
    m_pChild->Arrange(rc);
  }
  return SIZE{cx, cy};
}

void CTKMarkupBorder::OnRender(CTKMarkupDrawingContext* pDC) {
  const int w = m_szRenderSize.cx, h = m_szRenderSize.cy;
  if (w <= 0 || h <= 0) return;
  const CTKMarkupThickness* b = ThicknessOf(GetValue(m_pBorderThicknessProperty));
  CTKMarkupBrush* pBorderBrush = MarkupDynamicCast<CTKMarkupBrush>(GetValue(m_pBorderBrushProperty));
  CTKMarkupBrush* pBackground = MarkupDynamicCast<CTKMarkupBrush>(GetValue(m_pBackgroundProperty));
  if (!pBorderBrush && !pBackground) return;

  const CTKMarkupThickness* r = ThicknessOf(GetValue(m_pCornerRadiusProperty));
  double radii[8];
  const bool bRounded = r->left || r->top || r->right || r->bottom;
  if (bRounded) {
    const double v[8] = {double(r->left),  double(r->left),  double(r->top),    double(r->top),
                         double(r->right), double(r->right), double(r->bottom), double(r->bottom)};
    std::copy(v, v + 8, radii);
  }
  const bool bBorder = b->left || b->top || b->right || b->bottom;
  if (bBorder && pBorderBrush) pDC->DrawRectangle(RECT{0, 0, w, h}, pBorderBrush, b, bRounded ? radii : nullptr);
  if (pBackground) {
    RECT rcInner{b->left, b->top, MarkupSub(w, b->right), MarkupSub(h, b->bottom)};
    if (rcInner.right > rcInner.left && rcInner.bottom > rcInner.top) {
      if (bRounded)
        for (double& d : radii) d = std::max(d - b->left / 2.0, 0.0);
      pDC->FillRectangle(rcInner, pBackground, bRounded ? radii : nullptr);
    }
  }
}

// ---- stack panel -------------------------------------------------------------------------------

int CTKMarkupStackPanel::GetOrientation() const { return MarkupEnumValue(GetValue(m_pOrientationProperty), 1); }

SIZE CTKMarkupStackPanel::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  const bool bVertical = GetOrientation() == 1;
  SIZE sz{0, 0};
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    pChild->Measure(pDC, bVertical ? cx : kUnbounded, bVertical ? kUnbounded : cy);
    const SIZE d = pChild->GetDesiredSize();
    if (bVertical) {
      sz.cx = std::max(sz.cx, d.cx);
      sz.cy = MarkupAdd(sz.cy, d.cy);
    } else {
      sz.cx = MarkupAdd(sz.cx, d.cx);
      sz.cy = std::max(sz.cy, d.cy);
    }
  }
  return sz;
}

SIZE CTKMarkupStackPanel::ArrangeOverride(int cx, int cy) {
  const bool bVertical = GetOrientation() == 1;
  int nOffset = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    const SIZE d = pChild->GetDesiredSize();
    if (bVertical) {
      pChild->Arrange(RECT{0, nOffset, std::max<LONG>(cx, d.cx), MarkupAdd(nOffset, d.cy)});
      nOffset = MarkupAdd(nOffset, d.cy);
    } else {
      pChild->Arrange(RECT{nOffset, 0, MarkupAdd(nOffset, d.cx), std::max<LONG>(cy, d.cy)});
      nOffset = MarkupAdd(nOffset, d.cx);
    }
  }
  return SIZE{cx, cy};
}

// ---- wrap panel --------------------------------------------------------------------------------

int CTKMarkupWrapPanel::GetOrientation() const { return MarkupEnumValue(GetValue(m_pOrientationProperty), 0); }

SIZE CTKMarkupWrapPanel::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  const bool bVertical = GetOrientation() == 1;
  const CTKMarkupInt* pItemWidth = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pItemWidthProperty));
  const CTKMarkupInt* pItemHeight = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pItemHeightProperty));
  const int nLimit = bVertical ? cy : cx;
  int nLength = 0, nThickness = 0, nLongest = 0, nSum = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    pChild->Measure(pDC, pItemWidth ? pItemWidth->GetValue() : cx, pItemHeight ? pItemHeight->GetValue() : cy);
    const SIZE d = pChild->GetDesiredSize();
    const int w = pItemWidth ? pItemWidth->GetValue() : d.cx;
    const int h = pItemHeight ? pItemHeight->GetValue() : d.cy;
    const int nChildLength = bVertical ? h : w, nChildThickness = bVertical ? w : h;
    // 64-bit: lengths near the unbounded size must not overflow.
    const long long n = static_cast<long long>(nLength) + nChildLength;
    if (n > nLimit) {
      nLongest = std::max(nLongest, nLength);
      nSum = MarkupAdd(nSum, nThickness);
      nLength = nChildLength;
      nThickness = nChildThickness;
    } else {
      nLength = MarkupSaturate(n);
      nThickness = std::max(nThickness, nChildThickness);
    }
  }
  nLongest = std::max(nLongest, nLength);
  const int nAcross = MarkupAdd(nSum, nThickness);
  return bVertical ? SIZE{nAcross, nLongest} : SIZE{nLongest, nAcross};
}

SIZE CTKMarkupWrapPanel::ArrangeOverride(int cx, int cy) {
  const bool bVertical = GetOrientation() == 1;
  const CTKMarkupInt* pItemWidth = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pItemWidthProperty));
  const CTKMarkupInt* pItemHeight = MarkupDynamicCast<CTKMarkupInt>(GetValue(m_pItemHeightProperty));
  const int nLimit = bVertical ? cy : cx;
  auto lengthOf = [&](CTKMarkupUIElement* p) {
    const SIZE d = p->GetDesiredSize();
    if (bVertical) return pItemHeight ? pItemHeight->GetValue() : static_cast<int>(d.cy);
    return pItemWidth ? pItemWidth->GetValue() : static_cast<int>(d.cx);
  };
  auto thicknessOf = [&](CTKMarkupUIElement* p) {
    const SIZE d = p->GetDesiredSize();
    if (bVertical) return pItemWidth ? pItemWidth->GetValue() : static_cast<int>(d.cx);
    return pItemHeight ? pItemHeight->GetValue() : static_cast<int>(d.cy);
  };
  auto placeLine = [&](int nOffset, int nLineThickness, int nFirst, int nEnd) {
    int nPos = 0;
    for (int j = nFirst; j < nEnd; j++) {
      CTKMarkupUIElement* p = ChildAt(m_pChildren, j);
      if (!p) continue;
      const int nLen = lengthOf(p);
      if (bVertical) p->Arrange(RECT{nOffset, nPos, MarkupAdd(nOffset, nLineThickness), MarkupAdd(nPos, nLen)});
      else p->Arrange(RECT{nPos, nOffset, MarkupAdd(nPos, nLen), MarkupAdd(nOffset, nLineThickness)});
      nPos = MarkupAdd(nPos, nLen);
    }
  };
  int nLength = 0, nThickness = 0, nOffset = 0, nFirst = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    const int nChildLength = lengthOf(pChild), nChildThickness = thicknessOf(pChild);
    const long long n = static_cast<long long>(nLength) + nChildLength;
    if (n > nLimit) {
      placeLine(nOffset, nThickness, nFirst, i);
      nOffset = MarkupAdd(nOffset, nThickness);
      nFirst = i;
      nLength = nChildLength;
      nThickness = nChildThickness;
    } else {
      nLength = MarkupSaturate(n);
      nThickness = std::max(nThickness, nChildThickness);
    }
  }
  placeLine(nOffset, nThickness, nFirst, m_pChildren->GetCount());
  return SIZE{cx, cy};
}

// ---- dock panel --------------------------------------------------------------------------------

BOOL CTKMarkupDockPanel::GetLastChildFill() const {
  const CTKMarkupBool* p = MarkupDynamicCast<CTKMarkupBool>(GetValue(m_pLastChildFillProperty));
  return p ? p->GetValue() : TRUE;
}

int CTKMarkupDockPanel::GetDock(const CTKMarkupObject* pElement) {
  return pElement ? MarkupEnumValue(pElement->GetValue(m_pDockProperty), 0) : 0;
}

SIZE CTKMarkupDockPanel::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  int nUsedWidth = 0, nUsedHeight = 0, nWidest = 0, nTallest = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    pChild->Measure(pDC, std::max(0, MarkupSub(cx, nUsedWidth)), std::max(0, MarkupSub(cy, nUsedHeight)));
    const SIZE d = pChild->GetDesiredSize();
    const int nDock = GetDock(pChild);
    if (nDock == 0 || nDock == 2) {
      nTallest = std::max<int>(nTallest, MarkupAdd(d.cy, nUsedHeight));
      nUsedWidth = MarkupAdd(nUsedWidth, d.cx);
    } else {
      nWidest = std::max<int>(nWidest, MarkupAdd(d.cx, nUsedWidth));
      nUsedHeight = MarkupAdd(nUsedHeight, d.cy);
    }
  }
  return SIZE{std::max(nUsedWidth, nWidest), std::max(nUsedHeight, nTallest)};
}

SIZE CTKMarkupDockPanel::ArrangeOverride(int cx, int cy) {
  const BOOL bFill = GetLastChildFill();
  const int nCount = m_pChildren->GetCount();
  int nLeft = 0, nTop = 0, nRightUsed = 0, nBottomUsed = 0;
  for (int i = 0; i < nCount; i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    const SIZE d = pChild->GetDesiredSize();
    RECT rc{nLeft, nTop,
            MarkupSaturate(nLeft + std::max<long long>(0, static_cast<long long>(cx) - nRightUsed - nLeft)),
            MarkupSaturate(nTop + std::max<long long>(0, static_cast<long long>(cy) - nBottomUsed - nTop))};
    if (i < nCount - 1 || !bFill) {
      switch (GetDock(pChild)) {
        case 0:
          rc.right = MarkupAdd(nLeft, d.cx);
          nLeft = MarkupAdd(nLeft, d.cx);
          break;
        case 1:
          rc.bottom = MarkupAdd(nTop, d.cy);
          nTop = MarkupAdd(nTop, d.cy);
          break;
        case 2: {
          nRightUsed = MarkupAdd(nRightUsed, d.cx);
          const int x = std::max(0, MarkupSub(cx, nRightUsed));
          rc.left = x;
          rc.right = MarkupAdd(x, d.cx);
          break;
        }
        default: {
          nBottomUsed = MarkupAdd(nBottomUsed, d.cy);
          const int y = std::max(0, MarkupSub(cy, nBottomUsed));
          rc.top = y;
          rc.bottom = MarkupAdd(y, d.cy);
          break;
        }
      }
    }
    pChild->Arrange(rc);
  }
  return SIZE{cx, cy};
}

// ---- uniform grid ------------------------------------------------------------------------------

void CTKMarkupUniformGrid::UpdateComputedValues() {
  m_nColumns = MarkupIntValue(GetValue(m_pColumnsProperty), 0);
  m_nRows = MarkupIntValue(GetValue(m_pRowsProperty), 0);
  m_nFirstColumn = MarkupIntValue(GetValue(m_pFirstColumnProperty), 0);
  if (m_nFirstColumn >= m_nColumns || m_nFirstColumn < 0) m_nFirstColumn = 0;
  if (m_nRows > 0 && m_nColumns > 0) return;
  int n = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (pChild && pChild->GetVisibility() != 2) n++;
  }
  if (n == 0) n = 1;
  // In 64 bits: Rows and Columns may be anything up to INT_MAX.
  if (m_nRows > 0) {
    m_nColumns = static_cast<int>((static_cast<long long>(n) + m_nRows - 1) / m_nRows);
  } else if (m_nColumns > 0) {
    m_nRows = static_cast<int>((static_cast<long long>(n) + m_nColumns - 1 + m_nFirstColumn) / m_nColumns);
  } else {
    m_nRows = static_cast<int>(std::sqrt(static_cast<double>(n)));
    if (m_nRows * m_nRows < n) m_nRows++;
    m_nColumns = m_nRows;
  }
}

SIZE CTKMarkupUniformGrid::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  UpdateComputedValues();
  // Negative counts from markup would divide by zero or flip the cells.
  m_nColumns = std::max(m_nColumns, 1);
  m_nRows = std::max(m_nRows, 1);
  const int nCellWidth = cx / m_nColumns, nCellHeight = cy / m_nRows;
  int nMaxWidth = 0, nMaxHeight = 0;
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    pChild->Measure(pDC, nCellWidth, nCellHeight);
    nMaxWidth = std::max<int>(nMaxWidth, pChild->GetDesiredSize().cx);
    nMaxHeight = std::max<int>(nMaxHeight, pChild->GetDesiredSize().cy);
  }
  return SIZE{MarkupMul(nMaxWidth, m_nColumns), MarkupMul(nMaxHeight, m_nRows)};
}

SIZE CTKMarkupUniformGrid::ArrangeOverride(int cx, int cy) {
  const int nCellWidth = cx / m_nColumns, nCellHeight = cy / m_nRows;
  const int nFirstLeft = MarkupMul(nCellWidth, m_nFirstColumn);
  RECT rc{nFirstLeft, 0, MarkupAdd(nFirstLeft, nCellWidth), nCellHeight};
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    pChild->Arrange(rc);
    if (pChild->GetVisibility() == 2) continue;
    rc.left = MarkupAdd(rc.left, nCellWidth);
    rc.right = MarkupAdd(rc.right, nCellWidth);
    if (rc.right > cx) {
      rc.left = 0;
      rc.right = nCellWidth;
      rc.top = rc.bottom;
      rc.bottom = MarkupAdd(rc.bottom, nCellHeight);
    }
  }
  return SIZE{cx, cy};
}

// ---- canvas ------------------------------------------------------------------------------------

SIZE CTKMarkupCanvas::MeasureOverride(CTKMarkupDrawingContext* pDC, int, int) {
  for (int i = 0; i < m_pChildren->GetCount(); i++)
    if (CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i)) pChild->Measure(pDC, kUnbounded, kUnbounded);
  return SIZE{0, 0};
}

SIZE CTKMarkupCanvas::ArrangeOverride(int cx, int cy) {
  for (int i = 0; i < m_pChildren->GetCount(); i++) {
    CTKMarkupUIElement* pChild = ChildAt(m_pChildren, i);
    if (!pChild) continue;
    const SIZE d = pChild->GetDesiredSize();
    const CTKMarkupInt* pLeft = MarkupDynamicCast<CTKMarkupInt>(pChild->GetValue(m_pLeftProperty));
    const CTKMarkupInt* pRight = MarkupDynamicCast<CTKMarkupInt>(pChild->GetValue(m_pRightProperty));
    const CTKMarkupInt* pTop = MarkupDynamicCast<CTKMarkupInt>(pChild->GetValue(m_pTopProperty));
    const CTKMarkupInt* pBottom = MarkupDynamicCast<CTKMarkupInt>(pChild->GetValue(m_pBottomProperty));
    const int x = pLeft    ? pLeft->GetValue()
                  : pRight ? MarkupSaturate(static_cast<long long>(cx) - pRight->GetValue() - d.cx)
                           : 0;
    const int y = pTop      ? pTop->GetValue()
                  : pBottom ? MarkupSaturate(static_cast<long long>(cy) - pBottom->GetValue() - d.cy)
                            : 0;
    pChild->Arrange(RECT{x, y, MarkupAdd(x, d.cx), MarkupAdd(y, d.cy)});
  }
  return SIZE{cx, cy};
}

// ---- page, control, window container -----------------------------------------------------------

SIZE CTKMarkupPage::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  if (!m_pChild) return SIZE{0, 0};
  m_pChild->Measure(pDC, cx, cy);
  return m_pChild->GetDesiredSize();
}

SIZE CTKMarkupPage::ArrangeOverride(int cx, int cy) {
  if (m_pChild) m_pChild->Arrange(RECT{0, 0, cx, cy});
  return SIZE{cx, cy};
}

const CTKMarkupThickness* CTKMarkupControl::GetPadding() const {
  return ThicknessOf(GetValue(CTKMarkupBorder::m_pPaddingProperty));
}

SIZE CTKMarkupControl::MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) {
  CTKMarkupUIElement* pChild =
      GetVisualChildrenCount() > 0 ? MarkupDynamicCast<CTKMarkupUIElement>(GetVisualChild(0)) : nullptr;
  if (!pChild) return SIZE{0, 0};
  pChild->Measure(pDC, cx, cy);
  return pChild->GetDesiredSize();
}

SIZE CTKMarkupControl::ArrangeOverride(int cx, int cy) {
  CTKMarkupUIElement* pChild =
      GetVisualChildrenCount() > 0 ? MarkupDynamicCast<CTKMarkupUIElement>(GetVisualChild(0)) : nullptr;
  if (pChild) pChild->Arrange(RECT{0, 0, cx, cy});
  return SIZE{cx, cy};
}

void CTKMarkupWindowContainer::OnRender(CTKMarkupDrawingContext*) {
  if (!m_hWndChild || !m_pMarkupContext) return;
  const RECT rc = m_pMarkupContext->GetElementRect(this);
  ::SetWindowPos(m_hWndChild, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
}

void CTKMarkupWindowContainer::OnRenderSkipped(CTKMarkupDrawingContext*) {
  if (m_hWndChild)
    ::SetWindowPos(m_hWndChild, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOOWNERZORDER);
}
