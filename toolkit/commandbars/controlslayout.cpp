// The layout engine of a control collection: popups in columns, tool bars
// in rows or columns. Every control is measured once per layout; the
// searches for a shape only re-wrap and re-place the measured sizes.
#include <algorithm>
#include <vector>

#include "platform/framework/afxwnd.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"

namespace {

// An empty popup is this tall and at least this wide, borders aside.
constexpr int kEmptyPopupHeight = 22;
constexpr int kMinPopupWidth = 24;
// A fixed popup width counts only within this range.
constexpr int kMaxFixedPopupWidth = 29999;
// A popup control is at most this part of the work area's right edge wide.
constexpr int kPopupMaxWidthDivisor = 3;

// Selects the bar's font into the DC for its lifetime (no DC: nothing).
class FontSelection {
 public:
  FontSelection(CDC* pDC, CFont* pFont) : m_pDC(pFont ? pDC : nullptr) {
    if (m_pDC) m_pOld = m_pDC->SelectObject(pFont);
  }
  ~FontSelection() {
    if (m_pDC && m_pOld) m_pDC->SelectObject(m_pOld);
  }
  FontSelection(const FontSelection&) = delete;
  FontSelection& operator=(const FontSelection&) = delete;

 private:
  CDC* m_pDC;
  CFont* m_pOld = nullptr;
};

}  // namespace

CSize CTKControls::CalcPopupSize(CDC* pDC, int nMaxHeight, int nFixedWidth, const CRect& rcBorder) {
  CTKCommandBar* pBar = m_pParent;
  CTKBarPaintManager* pPaintManager = pBar ? pBar->GetPaintManager() : nullptr;
  FontSelection font(pDC, pPaintManager ? pPaintManager->GetCommandBarFont(pBar) : nullptr);
  const CSize szSeparator =
      pPaintManager ? pPaintManager->DrawCommandBarSeparator(pDC, pBar, nullptr, FALSE) : CSize(0, 0);
  if (pBar) pBar->SetMultiLine(FALSE);
  CRect rcWork(0, 0, 0, 0);
  ::SystemParametersInfo(SPI_GETWORKAREA, 0, &rcWork, 0);
  const int nMaxControlWidth = rcWork.right > 0 ? rcWork.right / kPopupMaxWidthDivisor : 0;

  // The column of each control is closed before the rectangles are set, so
  // each control's SetRect runs once with its final place.
  struct Placed {
    CTKControl* pControl;
    CRect rc;
  };
  std::vector<Placed> placed;
  placed.reserve(static_cast<size_t>(GetCount()));
  size_t nColumnStart = 0;
  int nLeft = rcBorder.left;
  int nTop = rcBorder.top;
  int nColumnWidth = 0;
  int nTallest = 0;
  auto closeColumn = [&](int nWidth) {
    for (size_t i = nColumnStart; i < placed.size(); ++i) placed[i].rc.right = placed[i].rc.left + nWidth;
    nTallest = std::max(nTallest, nTop - rcBorder.top);
    nColumnStart = placed.size();
  };

  for (int i = 0; i < GetCount(); ++i) {
    CTKControl* pControl = m_arrControls[i];
    if (!pBar || pControl->GetParent() != pBar) continue;
    pControl->SetHideFlag(kTKHideScroll, FALSE);
    if (!pControl->IsVisible()) continue;
    CSize sz = pControl->GetSize(pDC);
    pControl->SetWrap(FALSE);
    if (nMaxControlWidth > 0) sz.cx = std::min(sz.cx, nMaxControlWidth);

    const bool bFirst = placed.empty();
    const BOOL bGroup = pControl->GetBeginGroup() && !bFirst;
    const int nGap = bGroup ? szSeparator.cy : 0;
    const bool bForced = (pControl->GetFlags() & kTKControlFlagWrapRow) != 0;
    const bool bTooLow = nMaxHeight > 0 && nTop + nGap + sz.cy > nMaxHeight - rcBorder.bottom;
    if (!bFirst && (bForced || bTooLow)) {
      closeColumn(nColumnWidth);
      nLeft += nColumnWidth + (bGroup ? szSeparator.cx : 0);
      nTop = rcBorder.top;
      nColumnWidth = 0;
      pControl->SetWrap(TRUE);
      pBar->SetMultiLine(TRUE);
    } else {
      nTop += nGap;
    }
    placed.push_back({pControl, CRect(nLeft, nTop, nLeft + sz.cx, nTop + sz.cy)});
    nTop += sz.cy;
    nColumnWidth = std::max(nColumnWidth, sz.cx);
  }

  if (nFixedWidth >= 1 && nFixedWidth <= kMaxFixedPopupWidth)
    nColumnWidth = nFixedWidth - rcBorder.left - rcBorder.right;
  closeColumn(nColumnWidth);
  const int nTotalWidth = placed.empty() ? 0 : nLeft + nColumnWidth - rcBorder.left;

  for (const Placed& p : placed) {
    p.pControl->SetRect(p.rc);
    p.pControl->SetRowRect(CRect(p.rc.left, rcBorder.top, p.rc.right, rcBorder.top + nTallest));
  }
  const int nHeight = nTallest == 0 ? kEmptyPopupHeight : nTallest;
  return CSize(std::max(nTotalWidth, kMinPopupWidth) + rcBorder.left + rcBorder.right,
               nHeight + rcBorder.top + rcBorder.bottom);
}
