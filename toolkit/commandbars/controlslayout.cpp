// The layout engine of a control collection: popups in columns, tool bars
// in rows or columns. Every control is measured once per layout; the
// searches for a shape only re-wrap and re-place the measured sizes.
#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "platform/framework/afxframe.h"
#include "platform/framework/afxwnd.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/commandbars/barpaintmanager.h"
#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/imagemanager.h"

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

// A bar without visible controls, borders aside.
constexpr int kEmptyBarWidth = 23;
constexpr int kEmptyBarHeight = 22;
// The widest wrap length the searches try: everything in one row.
constexpr int kWidestWrap = 0x7FFF;
// Smart layout: a group begins this far from the column before it, and a
// column of large buttons is their icon and caption band plus this.
constexpr int kSmartGroupGap = 6;
constexpr int kSmartColumnExtra = 7;

// The smallest value in [nLow, nHigh] the test accepts, for a test that
// once true stays true for every larger value; nHigh when none is
// accepted. Every step narrows the bounds, so the search always ends.
template <typename Test>
int SmallestAccepted(int nLow, int nHigh, Test test) {
  while (nLow < nHigh) {
    const int nMiddle = nLow + (nHigh - nLow) / 2;
    if (test(nMiddle)) nHigh = nMiddle;
    else nLow = nMiddle + 1;
  }
  return nHigh;
}

CRect Transposed(const CRect& rc) { return CRect(rc.top, rc.left, rc.bottom, rc.right); }
CSize Transposed(CSize sz) { return CSize(sz.cy, sz.cx); }

}  // namespace

void CTKControls::SetLayoutStyle(CTKControl* pControl, TKButtonStyle style) { pControl->m_buttonStyle = style; }

// One layout of a tool bar's controls. The records are measured once; the
// wrap and place steps only read the measured sizes.
class CTKControls::CDynamicLayout {
 public:
  struct Record {
    CRect rc;     // where the engine puts the control
    CRect rcRow;  // its row (or column)
    CSize sz;     // measured
    bool bVisible = false;
    bool bWrap = false;    // begins a new row or column
    bool bHidden = false;  // did not fit: behind the chevron
    bool bBeginGroup = false;
    TKButtonStyle style = TKButtonStyle::Automatic;  // when measured
    CTKControl* pControl = nullptr;
  };
  struct WrapResult {
    int nRows = 0;
    bool bStretch = false;  // controls wrapped or were hidden
    // The shortest wrap length above this one that changes the shape:
    // the least end of a control that did not fit; INT_MAX for none.
    int nNextChange = INT_MAX;
  };

  CDynamicLayout(CTKControls* pControls, CDC* pDC, const CRect& rcBorder)
      : m_pDC(pDC), m_pBar(pControls->GetParent()), m_rcBorder(rcBorder) {
    m_pPaintManager = m_pBar ? m_pBar->GetPaintManager() : nullptr;
    if (m_pPaintManager) m_szSeparator = m_pPaintManager->DrawCommandBarSeparator(pDC, m_pBar, nullptr, FALSE);
    if (m_pBar) {
      m_nHorizontalSpacing = m_pBar->GetHorizontalSpacing();
      m_nVerticalSpacing = m_pBar->GetVerticalSpacing();
      m_bSmart = (m_pBar->GetFlags() & kTKBarFlagSmartLayout) != 0;
    }
    m_records.resize(static_cast<size_t>(pControls->GetCount()));
    for (int i = 0; i < pControls->GetCount(); ++i) {
      Record& r = m_records[static_cast<size_t>(i)];
      r.pControl = pControls->GetAt(i);
    }
  }

  void Measure() {
    for (Record& r : m_records) {
      r.rc = r.pControl->GetRect();
      r.rcRow = r.pControl->GetRowRect();
      r.sz = r.pControl->GetSize(m_pDC);
      r.bVisible = r.pControl->IsVisible(kTKHideWrap) != FALSE;
      r.bBeginGroup = r.pControl->GetBeginGroup() != FALSE;
      r.style = r.pControl->GetStyle();
    }
  }

  CSize Run(int nLength, DWORD& dwMode, int nMinThickness);

 private:
  bool Placed(const Record& r) const { return r.bVisible && !r.bHidden; }
  int FlowGap(const Record& r) const { return r.bBeginGroup ? m_szSeparator.cx : m_nHorizontalSpacing; }
  int RowGap(const Record& r) const { return r.bBeginGroup ? m_szSeparator.cy : m_nVerticalSpacing; }
  static bool StartsRow(const Record& r) { return (r.pControl->GetFlags() & kTKControlFlagWrapRow) != 0; }

  WrapResult WrapControls(int nLength, DWORD dwMode, bool bVertical);
  CSize PlaceControls(bool bVertical);
  CSize Shape(int nWrap, DWORD dwMode, bool bVertical) {
    WrapControls(nWrap, dwMode, bVertical);
    return PlaceControls(bVertical);
  }
  int RowsAtLeastAsTall(int nRows) const;
  template <typename Test>
  int NarrowestShape(int nFrom, DWORD dwMode, Test fits, Test mayFit);
  void MakeSquare(DWORD dwMode);
  void FitToLength(int nLength, DWORD dwMode);
  void CommitLayout(CSize& sz, DWORD dwMode, bool bVertical);
  void AlignRow(size_t nFirst, size_t nEnd, int nThickness, CSize sz, bool bVertical);
  void AlignRightAndStretch(CSize sz, bool bVertical);
  void StretchRow(const std::vector<size_t>& row, int nLimit, bool bVertical);
  CSize CalcSmartSize(int nLength, DWORD& dwMode, bool bVertical);
  CSize ArrangeSmartColumns(bool bVertical);
  bool ReduceOnce(bool bVertical);
  void ReduceSmartControls(int nLength, DWORD dwMode, bool bVertical, CSize& sz);
  std::vector<size_t> VisibleIndexes() const {
    std::vector<size_t> visible;
    for (size_t i = 0; i < m_records.size(); ++i)
      if (m_records[i].bVisible) visible.push_back(i);
    return visible;
  }

  CDC* m_pDC;
  CTKCommandBar* m_pBar;
  CTKBarPaintManager* m_pPaintManager = nullptr;
  CRect m_rcBorder;
  CSize m_szSeparator{0, 0};
  int m_nHorizontalSpacing = 0;
  int m_nVerticalSpacing = 0;
  bool m_bSmart = false;
  CSize m_szExtent{0, 0};  // what the controls span, borders aside
  std::vector<Record> m_records;
};

// Decides each record's wrap and hidden fields for rows of the length
// along the layout direction; answers the number of rows.
CTKControls::CDynamicLayout::WrapResult CTKControls::CDynamicLayout::WrapControls(int nLength, DWORD dwMode,
                                                                                  bool bVertical) {
  for (Record& r : m_records) r.bWrap = r.bHidden = false;
  WrapResult result;
  const size_t n = m_records.size();
  size_t nRowFirst = 0;
  int nEnd = 0;
  auto length = [bVertical](const Record& r) { return bVertical ? r.sz.cy : r.sz.cx; };
  size_t i = 0;
  while (i < n) {
    Record& r = m_records[i];
    if (!r.bVisible) {
      ++i;
      continue;
    }
    if (result.nRows == 0 || StartsRow(r)) {
      // The first control, or one that always begins a row.
      r.bWrap = result.nRows > 0;
      ++result.nRows;
      nRowFirst = i;
      nEnd = length(r);
      ++i;
      continue;
    }
    const int nNewEnd = nEnd + FlowGap(r) + length(r);
    const bool bOverflow = nNewEnd > nLength || ((dwMode & kTKLayoutGroups) && r.bBeginGroup);
    if (nNewEnd > nLength) result.nNextChange = std::min(result.nNextChange, nNewEnd);
    if (!bOverflow) {
      nEnd = nNewEnd;
      ++i;
      continue;
    }
    result.bStretch = true;
    if (dwMode & kTKLayoutHideWrap) {
      // Hidden up to the next control that begins a row of its own.
      while (i < n && !(m_records[i].bVisible && StartsRow(m_records[i]))) {
        if (m_records[i].bVisible) m_records[i].bHidden = true;
        ++i;
      }
      continue;
    }
    // The row breaks before the overflowing control's group when that group
    // began in this row.
    size_t nBreak = i;
    for (size_t k = i; k > nRowFirst; --k) {
      if (m_records[k].bVisible && m_records[k].bBeginGroup) {
        nBreak = k;
        break;
      }
    }
    m_records[nBreak].bWrap = true;
    ++result.nRows;
    nRowFirst = nBreak;
    nEnd = length(m_records[nBreak]);
    i = nBreak + 1;
  }
  return result;
}

// Places the controls row by row (columns right to left when vertical:
// the commit shifts them right by the total width) and answers their
// extent.
CSize CTKControls::CDynamicLayout::PlaceControls(bool bVertical) {
  bool bFirst = true;
  int nPos = 0;       // along the flow
  int nLine = 0;      // the row's top, or the column's right edge
  int nLineSize = 0;  // the row's height, or the column's width
  CSize szExtent(0, 0);
  for (Record& r : m_records) {
    if (!Placed(r)) continue;
    if (bFirst) {
      bFirst = false;
    } else if (r.bWrap) {
      nLine += bVertical ? -(nLineSize + RowGap(r)) : nLineSize + RowGap(r);
      nPos = 0;
      nLineSize = 0;
    } else {
      nPos += FlowGap(r);
    }
    if (bVertical) {
      r.rc = CRect(nLine - r.sz.cx, nPos, nLine, nPos + r.sz.cy);
      nPos += r.sz.cy;
      nLineSize = std::max(nLineSize, static_cast<int>(r.sz.cx));
      szExtent.cx = std::max(szExtent.cx, nLineSize - nLine);
    } else {
      r.rc = CRect(nPos, nLine, nPos + r.sz.cx, nLine + r.sz.cy);
      nPos += r.sz.cx;
      nLineSize = std::max(nLineSize, static_cast<int>(r.sz.cy));
      szExtent.cx = std::max(szExtent.cx, r.rc.right);
    }
    szExtent.cy = std::max(szExtent.cy, r.rc.bottom);
  }
  m_szExtent = szExtent;
  return szExtent;
}

// The least height of so many rows: every row as low as the lowest
// control, every row gap as small as the smallest.
int CTKControls::CDynamicLayout::RowsAtLeastAsTall(int nRows) const {
  int nLowest = INT_MAX;
  for (const Record& r : m_records)
    if (r.bVisible) nLowest = std::min(nLowest, static_cast<int>(r.sz.cy));
  const int nGap = std::min({m_nVerticalSpacing, static_cast<int>(m_szSeparator.cy), 0});
  return nRows <= 0 || nLowest == INT_MAX ? 0 : nRows * nLowest + (nRows - 1) * nGap;
}

// The shortest wrap length from nFrom whose shape (placed width and
// height) fits.
// Row heights and widths vary, so fitting is no step function of the
// wrap length and a bisection could miss the narrowest shape. The number
// of rows is one (it never grows with the length): a bisection over it
// finds the first length whose rows may fit at all, and from there the
// walk visits every distinct shape in turn, each step jumping to the
// next length that changes one. Every step lengthens the wrap, so the
// walk ends; without a fit it ends at one row.
template <typename Test>
int CTKControls::CDynamicLayout::NarrowestShape(int nFrom, DWORD dwMode, Test fits, Test mayFit) {
  const int nOneRow = std::max(nFrom, static_cast<int>(Shape(kWidestWrap, dwMode, false).cx));
  int nWrap = SmallestAccepted(nFrom, nOneRow, [&](int nWidth) {
    return mayFit(nWidth, CSize(nWidth, RowsAtLeastAsTall(WrapControls(nWidth, dwMode, false).nRows)));
  });
  for (;;) {
    const WrapResult result = WrapControls(nWrap, dwMode, false);
    if (fits(nWrap, PlaceControls(false)) || result.nNextChange == INT_MAX) return nWrap;
    nWrap = result.nNextChange;
  }
}

// The narrowest shape no taller than wide. A wrap length below the widest
// control makes no narrower bar, so the search starts there.
void CTKControls::CDynamicLayout::MakeSquare(DWORD dwMode) {
  int nWidest = 0;
  for (const Record& r : m_records)
    if (r.bVisible) nWidest = std::max(nWidest, static_cast<int>(r.sz.cx));
  auto fits = [](int, CSize sz) { return sz.cy <= sz.cx; };
  // No shape is wider than its wrap length or its widest control.
  auto mayFit = [nWidest](int nWrap, CSize szLeast) { return szLeast.cy <= std::max(nWrap, nWidest); };
  WrapControls(
      NarrowestShape(nWidest, dwMode, std::function<bool(int, CSize)>(fits), std::function<bool(int, CSize)>(mayFit)),
      dwMode, false);
}

// A floating bar's shape. Under LM_LENGTHY the narrowest one no taller
// than the length; otherwise the narrowest one with as few rows as the
// length gives.
void CTKControls::CDynamicLayout::FitToLength(int nLength, DWORD dwMode) {
  int nWrap = nLength;
  if (dwMode & LM_LENGTHY) {
    auto fits = [nLength](int, CSize sz) { return sz.cy <= nLength; };
    nWrap = NarrowestShape(0, dwMode, std::function<bool(int, CSize)>(fits), std::function<bool(int, CSize)>(fits));
  } else if (nLength > 0) {
    // The number of rows never grows with the length: a bisection finds
    // the first length with as few.
    const int nRows = WrapControls(nLength, dwMode, false).nRows;
    if (WrapControls(0, dwMode, false).nRows != nRows)
      nWrap =
          SmallestAccepted(0, nLength, [&](int nWidth) { return WrapControls(nWidth, dwMode, false).nRows <= nRows; });
  }
  WrapControls(nWrap, dwMode, false);
}

CSize CTKControls::CDynamicLayout::Run(int nLength, DWORD& dwMode, int nMinThickness) {
  const CRect& b = m_rcBorder;
  const int nPreferred = (dwMode & LM_MRUWIDTH) && m_pBar ? m_pBar->GetMRUWidth() : nLength;
  const bool bVertDock = (dwMode & LM_VERTDOCK) != 0;
  const int nAlongBorders = bVertDock ? b.top + b.bottom : b.left + b.right;
  bool bVertical = bVertDock;
  CSize sz;
  if (m_bSmart) {
    sz = CalcSmartSize(nPreferred - nAlongBorders, dwMode, bVertical);
  } else {
    if (dwMode & kTKLayoutGroups) {
      bVertical = false;
      WrapControls(nPreferred, dwMode, false);
      const CSize szGroups = PlaceControls(false);
      if (szGroups.cx * 3 < szGroups.cy && nPreferred < 1) MakeSquare(dwMode);
      else if (WrapControls(szGroups.cx, dwMode, false).bStretch) dwMode |= LM_STRETCH;
    } else if (dwMode & (LM_HORZDOCK | LM_VERTDOCK)) {
      if (WrapControls(nPreferred - nAlongBorders, dwMode, bVertical).bStretch) dwMode |= LM_STRETCH;
    } else {
      FitToLength(nPreferred - ((dwMode & LM_LENGTHY) ? b.top + b.bottom : b.left + b.right), dwMode);
    }
    sz = PlaceControls(bVertical);
  }

  if (nMinThickness > 0) {
    if (dwMode & LM_HORZDOCK) sz.cy = std::max(static_cast<int>(sz.cy), nMinThickness - b.top - b.bottom);
    else sz.cx = std::max(static_cast<int>(sz.cx), nMinThickness - b.left - b.right);
  }
  if (dwMode & LM_STRETCH) {
    // The given length runs down a bar docked at a side or asked for a
    // height, across otherwise.
    if (bVertDock || (dwMode & LM_LENGTHY)) sz.cy = std::max(static_cast<int>(sz.cy), nPreferred - b.top - b.bottom);
    else sz.cx = std::max(static_cast<int>(sz.cx), nPreferred - b.left - b.right);
  }

  CommitLayout(sz, dwMode, bVertical);
  if (dwMode & LM_COMMIT) {
    if (!m_bSmart) AlignRightAndStretch(sz, bVertical);
    bool bWrapped = false;
    for (const Record& r : m_records) {
      bWrapped = bWrapped || (Placed(r) && r.bWrap);
      r.pControl->SetHideFlag(kTKHideWrap, r.bHidden);
      r.pControl->SetRowRect(r.rcRow);
      if (!r.bHidden) r.pControl->SetRect(r.rc);
      r.pControl->SetWrap(r.bWrap);
    }
    if (m_pBar) m_pBar->SetMultiLine(bWrapped);
  }
  return sz;
}

// Moves the controls inside the borders and gives each row its rectangle;
// the size gains the borders.
void CTKControls::CDynamicLayout::CommitLayout(CSize& sz, DWORD dwMode, bool bVertical) {
  if (dwMode & LM_COMMIT) {
    const int dx = m_rcBorder.left + (bVertical && !m_bSmart ? m_szExtent.cx : 0);
    for (Record& r : m_records)
      if (Placed(r)) r.rc.OffsetRect(dx, m_rcBorder.top);
    bool bAnyWrap = false;
    for (const Record& r : m_records) bAnyWrap = bAnyWrap || (Placed(r) && r.bWrap);
    // A single row is as thick as the bar.
    const int nBarThickness = bVertical ? sz.cx : sz.cy;
    size_t nFirst = m_records.size();
    int nThickness = 0;
    for (size_t i = 0; i <= m_records.size(); ++i) {
      const bool bEnd = i == m_records.size();
      if (!bEnd && !Placed(m_records[i])) continue;
      if (bEnd || (m_records[i].bWrap && nFirst != m_records.size())) {
        if (nFirst != m_records.size()) AlignRow(nFirst, i, bAnyWrap ? nThickness : nBarThickness, sz, bVertical);
        nThickness = 0;
        nFirst = i;
        if (bEnd) break;
      }
      if (nFirst == m_records.size()) nFirst = i;
      const CRect& rc = m_records[i].rc;
      nThickness = std::max(nThickness, bVertical ? rc.Width() : rc.Height());
    }
  }
  sz.cx += m_rcBorder.left + m_rcBorder.right;
  sz.cy += m_rcBorder.top + m_rcBorder.bottom;
}

// The placed controls from nFirst up to nEnd form one row.
void CTKControls::CDynamicLayout::AlignRow(size_t nFirst, size_t nEnd, int nThickness, CSize sz, bool bVertical) {
  int nStart = INT_MAX;
  for (size_t i = nFirst; i < nEnd; ++i)
    if (Placed(m_records[i])) nStart = std::min(nStart, bVertical ? m_records[i].rc.left : m_records[i].rc.top);
  const CRect rcRow = bVertical ? CRect(nStart, m_rcBorder.top, nStart + nThickness, m_rcBorder.top + sz.cy)
                                : CRect(m_rcBorder.left, nStart, m_rcBorder.left + sz.cx, nStart + nThickness);
  for (size_t i = nFirst; i < nEnd; ++i) {
    Record& r = m_records[i];
    if (!Placed(r)) continue;
    r.rcRow = rcRow;
    if (m_bSmart) continue;
    if (bVertical) {
      const int w = r.rc.Width();
      r.rc.left = nStart + (nThickness - w) / 2;
      r.rc.right = r.rc.left + w;
    } else {
      const int h = r.rc.Height();
      r.rc.top = nStart + (nThickness - h) / 2;
      r.rc.bottom = r.rc.top + h;
    }
  }
}

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

// Trailing right-aligned controls go flush against the far edge; then each
// row's free space is shared among its stretched controls.
void CTKControls::CDynamicLayout::AlignRightAndStretch(CSize sz, bool bVertical) {
  const int nFar = bVertical ? sz.cy - m_rcBorder.bottom : sz.cx - m_rcBorder.right;
  const int nNear = bVertical ? m_rcBorder.top : m_rcBorder.left;
  auto start = [bVertical](const CRect& rc) { return bVertical ? rc.top : rc.left; };
  auto moveTo = [bVertical](CRect& rc, int nStart) {
    if (bVertical) rc.OffsetRect(0, nStart - rc.top);
    else rc.OffsetRect(nStart - rc.left, 0);
  };

  size_t nFirstRightAligned = m_records.size();
  int nEdge = nFar;
  for (size_t i = m_records.size(); i-- > 0;) {
    Record& r = m_records[i];
    if (!Placed(r)) continue;
    if (!(r.pControl->GetFlags() & kTKControlFlagRightAlign)) break;
    const int nLength = bVertical ? r.rc.Height() : r.rc.Width();
    if (nEdge - nLength < nNear) break;
    nEdge -= nLength;
    moveTo(r.rc, nEdge);
    nFirstRightAligned = i;
    if (r.bWrap) break;
  }

  // Rows from the last; the last row's free space ends at its right-aligned
  // controls, which keep their places.
  std::vector<std::vector<size_t>> rows;
  for (size_t i = 0; i < m_records.size(); ++i) {
    if (!Placed(m_records[i])) continue;
    if (rows.empty() || m_records[i].bWrap) rows.emplace_back();
    rows.back().push_back(i);
  }
  for (size_t nRow = rows.size(); nRow-- > 0;) {
    std::vector<size_t> row;
    for (size_t i : rows[nRow])
      if (i < nFirstRightAligned) row.push_back(i);
    const bool bLast = nRow + 1 == rows.size();
    const int nLimit = bLast && nFirstRightAligned < m_records.size() ? start(m_records[nFirstRightAligned].rc) : nFar;
    StretchRow(row, nLimit, bVertical);
  }
}

void CTKControls::CDynamicLayout::StretchRow(const std::vector<size_t>& row, int nLimit, bool bVertical) {
  if (row.empty()) return;
  const CRect& rcLast = m_records[row.back()].rc;
  int nFree = nLimit - (bVertical ? rcLast.bottom : rcLast.right);
  int nStretched = 0;
  for (size_t i : row) nStretched += (m_records[i].pControl->GetFlags() & kTKControlFlagStretched) != 0;
  if (nFree <= 0 || nStretched == 0) return;
  // Each stretched control takes its share of what is left, so the
  // remainder of the division goes to the later ones.
  int nShift = 0;
  for (size_t i : row) {
    CRect& rc = m_records[i].rc;
    int nGrow = 0;
    if (m_records[i].pControl->GetFlags() & kTKControlFlagStretched) {
      nGrow = nFree / nStretched;
      nFree -= nGrow;
      --nStretched;
    }
    if (bVertical) {
      rc.top += nShift;
      rc.bottom += nShift + nGrow;
    } else {
      rc.left += nShift;
      rc.right += nShift + nGrow;
    }
    nShift += nGrow;
  }
}

// Smart layout: large buttons where the icons have a large image, small
// ones stacked in columns, reduced step by step until the bar fits.
CSize CTKControls::CDynamicLayout::CalcSmartSize(int nLength, DWORD& dwMode, bool bVertical) {
  const CSize szLarge = m_pBar ? m_pBar->GetLargeIconSize(FALSE) : CSize(32, 32);
  CTKImageManager* pImageManager = m_pBar ? m_pBar->GetImageManager() : nullptr;
  for (Record& r : m_records) {
    r.bWrap = r.bHidden = false;
    if (!r.bVisible) continue;
    const int nIconId = r.pControl->GetIconId();
    const bool bLarge = pImageManager && nIconId > 0 && pImageManager->HasIcon(static_cast<UINT>(nIconId), szLarge.cx);
    SetLayoutStyle(r.pControl, bLarge ? TKButtonStyle::IconAboveCaption : TKButtonStyle::IconAndCaption);
  }
  CSize sz = ArrangeSmartColumns(bVertical);
  if ((bVertical ? sz.cy : sz.cx) > nLength) {
    ReduceSmartControls(nLength, dwMode, bVertical, sz);
    dwMode |= LM_STRETCH;
  }
  return sz;
}

// Columns of controls: a large button or a group starts a column, small
// ones stack while they fit the height of a large one. Vertical layouts
// run the same with width and height swapped.
CSize CTKControls::CDynamicLayout::ArrangeSmartColumns(bool bVertical) {
  const CSize szLarge = m_pBar ? m_pBar->GetLargeIconSize(FALSE) : CSize(32, 32);
  const int nColumnHeight =
      szLarge.cy + (m_pPaintManager ? m_pPaintManager->GetLargeControlTextHeight() : 0) + kSmartColumnExtra;
  bool bFirst = true;
  int x = 0;
  int y = 0;
  int nColumnWidth = 0;
  int nTallest = 0;
  for (Record& r : m_records) {
    if (!Placed(r)) continue;
    const TKButtonStyle style = r.pControl->GetStyle();
    if (style != r.style) {
      r.sz = r.pControl->GetSize(m_pDC);
      r.style = style;
    }
    const CSize sz = bVertical ? Transposed(r.sz) : r.sz;
    if (bFirst) {
      bFirst = false;
    } else if (r.bBeginGroup) {
      x += nColumnWidth + kSmartGroupGap;
      y = 0;
      nColumnWidth = 0;
    } else if (style == TKButtonStyle::IconAboveCaption || y + sz.cy > nColumnHeight) {
      x += nColumnWidth;
      y = 0;
      nColumnWidth = 0;
    }
    const CRect rc(x, y, x + sz.cx, y + sz.cy);
    r.rc = bVertical ? Transposed(rc) : rc;
    y += sz.cy;
    nColumnWidth = std::max(nColumnWidth, static_cast<int>(sz.cx));
    nTallest = std::max(nTallest, static_cast<int>(sz.cy));
  }
  const CSize sz(x + nColumnWidth, std::max(nColumnHeight, nTallest));
  m_szExtent = bVertical ? Transposed(sz) : sz;
  return m_szExtent;
}

// One reduction step, from the end of the bar: three large buttons of one
// group become small; else three of one group with a large one among them;
// else three small ones stacked in one column lose their captions.
bool CTKControls::CDynamicLayout::ReduceOnce(bool bVertical) {
  const std::vector<size_t> visible = VisibleIndexes();
  if (visible.size() < 3) return false;
  auto styleOf = [this](size_t i) { return m_records[i].pControl->GetStyle(); };
  auto findRun = [&](auto test) -> const size_t* {
    for (size_t t = visible.size() - 2; t-- > 0;) {
      const size_t* run = &visible[t];
      if (m_records[run[1]].bBeginGroup || m_records[run[2]].bBeginGroup) continue;
      if (test(run)) return run;
    }
    return nullptr;
  };
  auto setRun = [&](const size_t* run, TKButtonStyle from, TKButtonStyle to) {
    for (int k = 0; k < 3; ++k)
      if (styleOf(run[k]) == from) SetLayoutStyle(m_records[run[k]].pControl, to);
  };
  const TKButtonStyle styleLarge = TKButtonStyle::IconAboveCaption;
  const TKButtonStyle styleSmall = TKButtonStyle::IconAndCaption;
  if (const size_t* run = findRun([&](const size_t* c) {
        return styleOf(c[0]) == styleLarge && styleOf(c[1]) == styleLarge && styleOf(c[2]) == styleLarge;
      })) {
    setRun(run, styleLarge, styleSmall);
    return true;
  }
  if (const size_t* run = findRun([&](const size_t* c) {
        return styleOf(c[0]) == styleLarge || styleOf(c[1]) == styleLarge || styleOf(c[2]) == styleLarge;
      })) {
    setRun(run, styleLarge, styleSmall);
    return true;
  }
  auto column = [&](size_t i) { return bVertical ? m_records[i].rc.top : m_records[i].rc.left; };
  if (const size_t* run = findRun([&](const size_t* c) {
        return styleOf(c[0]) == styleSmall && styleOf(c[1]) == styleSmall && styleOf(c[2]) == styleSmall &&
               column(c[0]) == column(c[1]) && column(c[1]) == column(c[2]);
      })) {
    setRun(run, styleSmall, TKButtonStyle::Icon);
    return true;
  }
  return false;
}

void CTKControls::CDynamicLayout::ReduceSmartControls(int nLength, DWORD dwMode, bool bVertical, CSize& sz) {
  // Every step makes a style smaller, so the loop ends.
  while ((bVertical ? sz.cy : sz.cx) > nLength && ReduceOnce(bVertical)) sz = ArrangeSmartColumns(bVertical);
  if ((bVertical ? sz.cy : sz.cx) <= nLength || !(dwMode & kTKLayoutHideWrap)) return;
  bool bFirst = true;
  for (Record& r : m_records) {
    if (!Placed(r)) continue;
    if (!bFirst && (bVertical ? r.rc.bottom : r.rc.right) > nLength) {
      SetLayoutStyle(r.pControl, TKButtonStyle::Icon);
      r.bHidden = true;
    }
    bFirst = false;
  }
  sz = ArrangeSmartColumns(bVertical);
}

CSize CTKControls::CalcDynamicSize(CDC* pDC, int nLength, DWORD dwMode, const CRect& rcBorder, int nMinThickness) {
  for (int i = GetCount() - 1; i >= 0; --i) m_arrControls[i]->OnCalcDynamicSize(dwMode);
  bool bAnyVisible = false;
  for (int i = 0; i < GetCount() && !bAnyVisible; ++i) bAnyVisible = m_arrControls[i]->IsVisible(kTKHideWrap) != FALSE;
  if (!bAnyVisible) {
    CSize sz(kEmptyBarWidth + rcBorder.left + rcBorder.right, kEmptyBarHeight + rcBorder.top + rcBorder.bottom);
    if (dwMode & LM_HORZDOCK) sz.cy = std::max(static_cast<int>(sz.cy), nMinThickness);
    else sz.cx = std::max(static_cast<int>(sz.cx), nMinThickness);
    return sz;
  }
  CDynamicLayout layout(this, pDC, rcBorder);
  layout.Measure();
  return layout.Run(nLength, dwMode, nMinThickness);
}
