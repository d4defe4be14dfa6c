#include "toolkit/themes/paintthemeplain.h"

#include "toolkit/commandbars/commandbar.h"
#include "toolkit/commandbars/control.h"

namespace {

// The plain look's colours, as indexes into the look's colour table.
struct PlainColors {
  int nFace;           // bars and idle controls
  int nHighlight;      // the hot or pressed control's fill
  int nHighlightText;  // its text
  int nCheckedFrame;   // the frame of a checked control
  int nText;           // idle text
  int nDisabledText;   // disabled text
  int nSeparatorDark;  // the two lines of a separator
  int nSeparatorLight;
};
constexpr PlainColors kColors = {
    15,  // COLOR_BTNFACE
    13,  // COLOR_HIGHLIGHT
    14,  // COLOR_HIGHLIGHTTEXT
    16,  // COLOR_BTNSHADOW
    18,  // COLOR_BTNTEXT
    17,  // COLOR_GRAYTEXT
    16,  // COLOR_BTNSHADOW
    20,  // COLOR_BTNHIGHLIGHT
};
// A separator takes this many pixels across the row.
constexpr int kSeparatorSize = 6;

bool IsHot(const TKControlStates& states) { return states.nEnabled && (states.nSelected || states.nPressed); }

}  // namespace

void CTKPlainTheme::DrawRectangle(CDC* pDC, CRect rc, const TKControlStates& states, TKBarType, TKBarPosition) {
  if (!pDC) return;
  if (IsHot(states) || states.nPopuped) {
    pDC->FillSolidRect(rc, GetColor(kColors.nHighlight));
  } else if (states.nChecked) {
    pDC->FillSolidRect(rc, GetColor(kColors.nFace));
    pDC->Draw3dRect(rc, GetColor(kColors.nCheckedFrame), GetColor(kColors.nCheckedFrame));
  }
}

COLORREF CTKPlainTheme::GetRectangleTextColor(const TKControlStates& states, TKBarType, TKBarPosition) {
  if (!states.nEnabled) return GetColor(kColors.nDisabledText);
  if (IsHot(states) || states.nPopuped) return GetColor(kColors.nHighlightText);
  return GetColor(kColors.nText);
}

void CTKPlainTheme::FillCommandBarEntry(CDC* pDC, CTKCommandBar* pBar) {
  if (!pDC || !pBar || !pBar->GetSafeHwnd()) return;
  CRect rc;
  pBar->GetClientRect(&rc);
  pDC->FillSolidRect(rc, GetColor(kColors.nFace));
}

CSize CTKPlainTheme::DrawCommandBarSeparator(CDC* pDC, CTKCommandBar* pBar, CTKControl* pControl, BOOL bDraw) {
  if (!bDraw || !pDC || !pControl || !pBar) return CSize(kSeparatorSize, kSeparatorSize);
  // Two etched lines before the control, across its row.
  const CRect rcControl = pControl->GetRect();
  const bool bVertical = pBar->GetType() == TKBarType::Popup || pBar->GetPosition() == TKBarPosition::Left ||
                         pBar->GetPosition() == TKBarPosition::Right;
  const bool bWrapped = pControl->GetWrap();
  CRect rcLine;
  if (bVertical != bWrapped) {
    const int y = rcControl.top - kSeparatorSize / 2 - 1;
    CRect rcRow = pControl->GetRowRect();
    const int nLeft = bVertical ? rcControl.left : rcRow.left;
    const int nRight = bVertical ? rcControl.right : rcRow.right;
    rcLine = CRect(nLeft, y, nRight, y + 2);
  } else {
    const int x = rcControl.left - kSeparatorSize / 2 - 1;
    rcLine = CRect(x, rcControl.top, x + 2, rcControl.bottom);
  }
  pDC->Draw3dRect(rcLine, GetColor(kColors.nSeparatorDark), GetColor(kColors.nSeparatorLight));
  return CSize(0, 0);
}
